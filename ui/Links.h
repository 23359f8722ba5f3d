// SPDX-License-Identifier: MIT
// The maker's web address: what the logo opens and what its lettering shows.
// Kept in one place so the link and the artwork can never disagree; whoever runs the score
// page sets it when building (GYROLAP_WEB_ADDRESS).
#pragma once

#include <string_view>

#ifndef GYROLAP_WEB_ADDRESS
#error "GYROLAP_WEB_ADDRESS comes from the build; link the gyrolap_addresses target"
#endif

namespace gyrolap {

inline constexpr std::string_view kWebAddress = GYROLAP_WEB_ADDRESS;

}  // namespace gyrolap
