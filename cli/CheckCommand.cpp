// SPDX-License-Identifier: MIT
#include "CheckCommand.h"

#include <cstdio>
#include <string>
#include <utility>

#include "JsonWriter.h"
#include "Messages.h"
#include "Output.h"
#include "SpellCheck.h"
#include "SpellFiles.h"
#include "StatusMessage.h"

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

// The finding as a line of text, into `line` (its memory reused from one
// finding to the next).
void TextLine(const std::string& file, const Diagnostic& d, std::string& line) {
    line.assign(file).append(":").append(std::to_string(d.nLine)).append(": ");
    line.append(SeverityName(d.severity)).append(": ");
    if (!d.strSpell.empty())
        line.append(d.strSpell).append(": ");
    line.append(d.strMessage).append(" [").append(CodeName(d.code)).append("]\n");
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
        if (m_bFailed)
            return;
        if (m_bJson) {
            m_bFailed = !WriteOutput(JsonLine(m_strFile, d));
        } else {
            TextLine(m_strFile, d, m_strLine);
            m_bFailed = !WriteOutput(m_strLine);
        }
    }

private:
    std::string m_strLine;
    std::string m_strFile;
    bool m_bJson;
    bool m_bFailed = false;
};

}  // namespace

int RunCheck(const std::string& dataDir, std::string_view spellClass, bool json) {
    OutputSink out(ShownPath(dataDir, spellClass), json);
    const CheckResult result = CheckSpellFile(dataDir, spellClass, &out);
    if (!result.ok()) {
        FinishOutput();
        return Fail(StatusMessage(result.status));
    }
    const CheckCounts& counts = result.counts;
    const std::string summary = messages::CheckSummary(result.nSpells, counts.nWarnings, counts.nNotes) + "\n";
    if (!json)
        WriteOutput(summary);
    if (FinishOutput() != 0)
        return kExitFailure;
    if (json)
        std::fputs(summary.c_str(), stderr);
    return counts.nWarnings > 0 ? kExitWarnings : kExitClean;
}
