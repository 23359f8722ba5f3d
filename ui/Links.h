// The maker's web address: what the logo opens and what its lettering shows.
// Kept in one place so the link and the artwork can never disagree.
#pragma once

#include <string_view>

namespace gyrolap {

inline constexpr std::string_view kWebAddress = "https://gyrolap.example/";

}  // namespace gyrolap
