// SPDX-License-Identifier: MIT
#pragma once
// Where a spell class's files live: "<data folder><class>.txt" and ".idx".

#include <string>
#include <string_view>

// The priest class's sphere line replaces the school text.
inline bool IsPriestClass(std::string_view spellClass) { return spellClass == "priest"; }

inline constexpr std::string_view kTextExtension = ".txt";
inline constexpr std::string_view kIndexExtension = ".idx";

// dataDir + spellClass + ".txt" / ".idx". `dataDir` ends in a path
// separator (or is empty for the current directory).
std::string TextPath(std::string_view dataDir, std::string_view spellClass);
std::string IndexPath(std::string_view dataDir, std::string_view spellClass);
