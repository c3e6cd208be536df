// SPDX-License-Identifier: MIT
#pragma once
// spellindex find: the records of an index that match a query.

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "Arguments.h"

// The options find takes: --descriptions, --level N, --school TEXT,
// --book NAME.
std::span<const OptionSpec> FindOptions();

// Runs `find` on dataDir + spellClass + ".idx" with `args` read against
// FindOptions(), whose operands are the TERMs, each read as the find bar
// reads its text. Prints the matching records in file order as JSON Lines,
// as dump does. Returns the exit status: 0, also when nothing matches; 1,
// with one line on stderr, when a file cannot be read or the output cannot
// be written; 2, with one line on stderr, when a TERM is not a query term
// (ParseTerms). Nothing when an option's value is wrong, for the caller's
// usage text. The records are matched and printed from one open of the
// index; `afterMatching`, when given, runs between.
std::optional<int> RunFind(const std::string& dataDir, std::string_view spellClass, const Arguments& args,
                           const std::function<void()>& afterMatching = {});
