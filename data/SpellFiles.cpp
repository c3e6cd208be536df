// SPDX-License-Identifier: MIT
#include "SpellFiles.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

std::string g_strDataDir;
std::string g_strClass;
int32_t g_nLevel = 1;
int32_t g_nRecordCount = 0;

namespace {

// ASCII-only lower case, so that byte positions stay those of the original.
std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

}  // namespace

void ResolveDataDir(std::string_view helpPath, std::string_view appName) {
    const std::string path = AsciiLower(helpPath);
    const std::string file = AsciiLower(appName) + ".hlp";
    // The last match is the file name itself, even when a directory above
    // happens to carry the same name.
    const auto p = path.rfind(file);
    g_strDataDir = std::string(p == std::string::npos ? helpPath : helpPath.substr(0, p));
}

void ResolveDataDirFromExecutable() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        exe = std::filesystem::current_path(ec) / "spellbrowser";
    std::filesystem::path help = exe;
    help.replace_extension(".hlp");
    ResolveDataDir(help.string(), exe.stem().string());
}

std::string TextPath(std::string_view dataDir, std::string_view spellClass) {
    return std::string(dataDir).append(spellClass).append(kTextExtension);
}

std::string IndexPath(std::string_view dataDir, std::string_view spellClass) {
    return std::string(dataDir).append(spellClass).append(kIndexExtension);
}

std::string TextPath(std::string_view spellClass) { return TextPath(g_strDataDir, spellClass); }

std::string IndexPath(std::string_view spellClass) { return IndexPath(g_strDataDir, spellClass); }
