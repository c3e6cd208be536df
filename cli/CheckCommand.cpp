#include "CheckCommand.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "JsonWriter.h"
#include "Messages.h"
#include "SpellCheck.h"
#include "SpellFiles.h"

namespace {

constexpr int kExitClean = 0;
constexpr int kExitWarnings = 1;
constexpr int kExitFailure = 1;

// The text file's path as given, without a leading "./".
std::string ShownPath(const std::string& dataDir, std::string_view spellClass) {
    std::string path = TextPath(dataDir, spellClass);
    if (path.starts_with("./"))
        path.erase(0, 2);
    return path;
}

std::string TextLine(const std::string& file, const Diagnostic& d) {
    std::string line = file + ":" + std::to_string(d.nLine) + ": " + std::string(SeverityName(d.severity)) + ": ";
    if (!d.strSpell.empty())
        line += d.strSpell + ": ";
    return line + d.strMessage + " [" + std::string(CodeName(d.code)) + "]\n";
}

std::string JsonLine(const std::string& file, const Diagnostic& d) {
    JsonObject json;
    json.AddString("file", file);
    json.AddInt("line", d.nLine);
    json.AddString("severity", SeverityName(d.severity));
    json.AddString("code", CodeName(d.code));
    json.AddString("message", d.strMessage);
    json.AddString("spell", d.strSpell);
    return std::move(json).Finish("\n");
}

}  // namespace

int RunCheck(const std::string& dataDir, std::string_view spellClass, bool json) {
    const CheckResult result = CheckSpellFile(dataDir, spellClass);
    if (!result.ok()) {
        std::fprintf(stderr, "spellindex: %s\n", result.strMessage.c_str());
        return kExitFailure;
    }
    const std::string file = ShownPath(dataDir, spellClass);
    for (const Diagnostic& d : result.diagnostics) {
        const std::string line = json ? JsonLine(file, d) : TextLine(file, d);
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    const std::size_t warnings = CountWarnings(result.diagnostics);
    const std::string summary =
        messages::CheckSummary(result.nSpells, warnings, result.diagnostics.size() - warnings) + "\n";
    if (!json)
        std::fputs(summary.c_str(), stdout);
    if (std::fflush(stdout) != 0) {
        std::fprintf(stderr, "spellindex: can't write output: %s\n", std::strerror(errno));
        return kExitFailure;
    }
    if (json)
        std::fputs(summary.c_str(), stderr);
    return warnings > 0 ? kExitWarnings : kExitClean;
}
