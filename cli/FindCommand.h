// SPDX-License-Identifier: MIT
#pragma once
// spellindex find: the records of an index that match a query.

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Runs `find` on dataDir + spellClass + ".idx" with `args`, the
// arguments after the class: [--descriptions] [--level N] [--school TEXT]
// [TERM...], options anywhere until "--". Prints the matching records in
// file order as JSON Lines, as dump does. Returns the exit status: 0, also
// when nothing matches; 1, with one line on stderr, when a file cannot be
// read or the output cannot be written; 2, with one line on stderr, when
// a TERM is not a query term (ParseTerms). Each TERM is one argument
// read as the find bar reads its text. Nothing when the arguments are
// wrong, for the caller's usage text. The records are matched and printed
// from one open of the index; `afterMatching`, when given, runs between.
std::optional<int> RunFind(const std::string& dataDir, std::string_view spellClass,
                           std::span<char* const> args, const std::function<void()>& afterMatching = {});
