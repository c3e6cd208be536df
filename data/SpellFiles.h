// SPDX-License-Identifier: MIT
#pragma once
// Where a spell class's files live, and the state shared by the program's
// commands. Everything runs on one thread.

#include <cstdint>
#include <string>
#include <string_view>

// Data directory, ending in a path separator; file names are formed by
// plain concatenation.
extern std::string g_strDataDir;
// Current spell class, "wizard" or "priest".
extern std::string g_strClass;
// Level counter of the index builder; set to 1 before each build.
extern int32_t g_nLevel;
// Number of records in the index most recently loaded into the list.
extern int32_t g_nRecordCount;

// The priest class's sphere line replaces the school text.
inline bool IsPriestClass(std::string_view spellClass) { return spellClass == "priest"; }

inline constexpr std::string_view kTextExtension = ".txt";
inline constexpr std::string_view kIndexExtension = ".idx";

// Sets g_strDataDir from the executable's help-file path (its full path
// with the extension replaced by ".hlp") and its base name: the prefix of
// the path before "<name>.hlp", found case-insensitively. The path keeps
// its case, since Linux file names are case-sensitive. Without a match the
// whole path is taken.
void ResolveDataDir(std::string_view helpPath, std::string_view appName);

// Calls ResolveDataDir for the running executable.
void ResolveDataDirFromExecutable();

// dataDir + spellClass + ".txt" / ".idx".
std::string TextPath(std::string_view dataDir, std::string_view spellClass);
std::string IndexPath(std::string_view dataDir, std::string_view spellClass);
// The same in g_strDataDir.
std::string TextPath(std::string_view spellClass);
std::string IndexPath(std::string_view spellClass);
