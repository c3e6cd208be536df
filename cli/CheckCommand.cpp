#include "CheckCommand.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <utility>

#include "JsonWriter.h"
#include "Messages.h"
#include "RegularFile.h"
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

// Writes each finding as it comes; after a failed write, nothing more.
class OutputSink final : public DiagnosticSink {
public:
    OutputSink(std::string file, bool json) : m_strFile(std::move(file)), m_bJson(json) {}
    void Put(Diagnostic d) override {
        if (m_nError != 0)
            return;
        const std::string line = m_bJson ? JsonLine(m_strFile, d) : TextLine(m_strFile, d);
        Write(line);
    }
    void Write(std::string_view text) {
        if (m_nError == 0 && std::fwrite(text.data(), 1, text.size(), stdout) != text.size())
            m_nError = errno != 0 ? errno : EIO;
    }
    // Flushes standard output: 0, or the errno of the first failure.
    int Finish() {
        if (m_nError == 0 && (std::fflush(stdout) != 0 || std::ferror(stdout)))
            m_nError = errno != 0 ? errno : EIO;
        return m_nError;
    }

private:
    std::string m_strFile;
    bool m_bJson;
    int m_nError = 0;
};

}  // namespace

int RunCheck(const std::string& dataDir, std::string_view spellClass, bool json) {
    OutputSink out(ShownPath(dataDir, spellClass), json);
    errno = 0;
    const CheckResult result = CheckSpellFile(dataDir, spellClass, &out);
    if (!result.ok()) {
        out.Finish();
        std::fprintf(stderr, "spellindex: %s\n", result.strMessage.c_str());
        return kExitFailure;
    }
    const CheckCounts& counts = result.counts;
    const std::string summary = messages::CheckSummary(result.nSpells, counts.nWarnings, counts.nNotes) + "\n";
    if (!json)
        out.Write(summary);
    if (const int error = out.Finish(); error != 0) {
        std::fprintf(stderr, "spellindex: %s\n", messages::CannotWriteOutput(ErrorReason(error)).c_str());
        return kExitFailure;
    }
    if (json)
        std::fputs(summary.c_str(), stderr);
    return counts.nWarnings > 0 ? kExitWarnings : kExitClean;
}
