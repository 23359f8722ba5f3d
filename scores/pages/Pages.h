// SPDX-License-Identifier: MIT
// The score page's HTML, made on the server and readable without JavaScript. Every stored or
// echoed string goes through the HTML escaper before it reaches a page.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scores/intake/DateFacts.h"
#include "scores/store/Entry.h"
#include "scores/store/Store.h"

namespace gyrolap::scores {

inline constexpr std::size_t kEntriesPerPage = 100;

// `text` with <, >, & and " written as entities.
std::string Html(std::string_view text);

// Page `page` (from 0) of a listing's entries best first, `total` entries in all: the
// leaderboard of replayed entries at /, or the claims, the sealed ones, at /claims.
std::string BoardPage(Listing listing, const std::vector<Entry>& entries, std::size_t page,
                      std::size_t total);
// The form players fill in; it posts to the page route /submit, which answers with a page.
std::string SubmitPage();
// One entry with how it was played; `hasBoard` when a picture of its final board exists.
std::string EntryPage(const Entry& entry, const DateFacts& date, bool hasBoard);
// The answer to the form: what became of the submission, with links on.
std::string ResultPage(int status, std::string_view message, const std::optional<Entry>& entry);
// Any other answer that is not found, refused or failed.
std::string MessagePage(int status, std::string_view message);

std::string_view StyleSheet();

}  // namespace gyrolap::scores
