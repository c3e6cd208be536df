// SPDX-License-Identifier: MIT
#pragma once
// spellindex check: reports what in a spell text is probably not read as
// its writer meant, in the form compilers use.

#include <string>
#include <string_view>

// Checks dataDir + spellClass + ".txt" and prints one line per diagnostic
// as it is found, "wizard.txt:123: warning: message [code]", or with `json`
// one JSON object per line, then the summary "190 spells, 3 warnings" (on
// stderr with `json`, so that stdout holds only JSON). Returns the exit
// status: 0 for no warnings, 1 for warnings, a text that cannot be read or
// output that cannot be written ("can't write output: reason" on stderr).
int RunCheck(const std::string& dataDir, std::string_view spellClass, bool json);
