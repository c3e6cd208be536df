// SPDX-License-Identifier: MIT
#include "Globals.h"

#include "DataDirectory.h"
#include "SpellFiles.h"

std::string g_strDataDir;
std::string g_strClass;
int32_t g_nLevel = 1;
int32_t g_nRecordCount = 0;

void ResolveDataDir(std::string_view helpPath, std::string_view appName) {
    g_strDataDir = DataDirFromHelpPath(helpPath, appName);
}

void ResolveDataDirFromExecutable() { g_strDataDir = ExecutableDataDir(); }

std::string TextPath(std::string_view spellClass) { return TextPath(g_strDataDir, spellClass); }

std::string IndexPath(std::string_view spellClass) { return IndexPath(g_strDataDir, spellClass); }

BuildResult BuildIndex(std::string_view spellClass, SpellTextObserver* observer) {
    BuildResult result = BuildIndexIn(g_strDataDir, spellClass, g_nLevel, observer);
    g_nLevel = result.nEndLevel;
    return result;
}

ParseResult ParseSpell(LineReader& file, SpellRecord& record, bool bPriest) {
    ParseState state;
    state.nLevel = g_nLevel;
    const ParseResult result = ParseSpell(file, record, bPriest, state);
    g_nLevel = state.nLevel;
    return result;
}
