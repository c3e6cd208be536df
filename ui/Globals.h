// SPDX-License-Identifier: MIT
#pragma once
// The window's shared state, and the commands that read and set it.
// Everything here runs on the window's thread; the data layer below takes
// its folder, class and level as arguments instead.

#include <cstdint>
#include <string>
#include <string_view>

#include "IndexBuilder.h"
#include "SpellText.h"

// Data directory, ending in a path separator; file names are formed by
// plain concatenation.
extern std::string g_strDataDir;
// Current spell class, "wizard" or "priest".
extern std::string g_strClass;
// Level counter of the index builder; set to 1 before each build.
extern int32_t g_nLevel;
// Number of records in the index most recently loaded into the list.
extern int32_t g_nRecordCount;

// Sets g_strDataDir to DataDirFromHelpPath(helpPath, appName).
void ResolveDataDir(std::string_view helpPath, std::string_view appName);
// Sets g_strDataDir to the running executable's folder (ExecutableDataDir).
void ResolveDataDirFromExecutable();

// TextPath / IndexPath in g_strDataDir.
std::string TextPath(std::string_view spellClass);
std::string IndexPath(std::string_view spellClass);

// BuildIndexIn(g_strDataDir, spellClass, g_nLevel); leaves g_nLevel at the
// level the parse counted to.
BuildResult BuildIndex(std::string_view spellClass, SpellTextObserver* observer = nullptr);

// ParseSpell with g_nLevel as the level counter.
ParseResult ParseSpell(LineReader& file, SpellRecord& record, bool bPriest);
