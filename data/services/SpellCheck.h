// SPDX-License-Identifier: MIT
#pragma once
// The check of a spell text: what the grammar reads silently in a way its
// writer probably did not mean. It watches the very parse that the index
// build runs, so it reports what the build does.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "NameTable.h"
#include "SpellText.h"
#include "Status.h"
#include "VarintLog.h"

enum class Severity {
    kWarning,  // the text is probably not read as its writer meant
    kNote,     // read as meant, but not by older readers of the format
};

enum class DiagnosticCode {
    kParagraphAsSpell,    // a spell whose field lines lack most markers
    kMissingMarker,       // one field's marker missing
    kMissingTab,          // a value up to the tab comes out empty
    kFieldTooLong,        // a value longer than its record field
    kCapitalOutsideAtoZ,  // a paragraph beginning with a capital letter not in A..Z
    kUnknownSchool,       // a school line matching no school keyword
    kLevelHeaderFirst,    // a level header before the first spell
    kEntryCutOff,         // the end of the file inside an entry's field lines
    kEndInDescription,    // the end of the file inside the last description
    kBlankLines,          // three or more blank lines between entries
    kCarriageReturn,      // lines ending in a CR after the line end is taken off
    kMixedEncoding,       // UTF-8 lines and lines that are not in one file
    kDuplicateName,       // two spells of the same name
    kPastTwoGiB,          // a description starting where the index cannot point
};

// The stable name of a code, as printed: "paragraph-as-spell", ...
std::string_view CodeName(DiagnosticCode code);
// "warning" or "note".
std::string_view SeverityName(Severity severity);

struct Diagnostic {
    int64_t nLine = 0;  // 1-based line of the text
    Severity severity = Severity::kWarning;
    DiagnosticCode code = DiagnosticCode::kParagraphAsSpell;
    std::string strMessage;  // UTF-8
    std::string strSpell;    // the spell it concerns, UTF-8; empty for none
};

std::size_t CountWarnings(const std::vector<Diagnostic>& diagnostics);
// The number of distinct lines with a warning.
std::size_t CountWarningLines(const std::vector<Diagnostic>& diagnostics);

// Receives the findings of a check as they are found: those about an
// entry in line order, entry after entry, then those about the whole text
// (line ends, encodings) in line order.
class DiagnosticSink {
public:
    virtual ~DiagnosticSink() = default;
    virtual void Put(Diagnostic diagnostic) = 0;
    // Whether the next finding of `severity` needs its message and spell;
    // if not, Put gets them empty, and the check need not word them.
    virtual bool WantsText(Severity /*severity*/) const { return true; }
};

// Keeps every finding, in the order found.
class DiagnosticList final : public DiagnosticSink {
public:
    void Put(Diagnostic diagnostic) override { items.push_back(std::move(diagnostic)); }
    std::vector<Diagnostic> items;
};

// Keeps the first `limit` warnings and counts the rest: what a window
// lists, in memory that does not grow with the text. Notes are dropped.
class KeptWarnings final : public DiagnosticSink {
public:
    static constexpr std::size_t kDefaultLimit = 5000;
    explicit KeptWarnings(std::size_t limit = kDefaultLimit) : m_nLimit(limit) {}
    void Put(Diagnostic diagnostic) override;
    bool WantsText(Severity severity) const override {
        return severity == Severity::kWarning && kept.size() < m_nLimit;
    }

    std::vector<Diagnostic> kept;  // the first warnings, in the order found
    std::size_t nNotKept = 0;      // warnings after those

private:
    std::size_t m_nLimit;
};

// What a check found, counted.
struct CheckCounts {
    std::size_t nWarnings = 0;
    std::size_t nNotes = 0;
    std::size_t nWarningLines = 0;  // distinct lines with a warning
};

// Watches one parse of a text from its start (ParseSpells, BuildIndexIn)
// and hands each finding to the sink as soon as it is sure. One checker per
// parse. Its memory does not grow with the findings: of the whole text it
// keeps, compactly, the names seen (for duplicates), the lines with bytes
// above 127 (for the rarer encoding) and the lines with a warning.
class SpellChecker final : public SpellTextObserver {
public:
    // Without a sink, findings are only counted.
    explicit SpellChecker(DiagnosticSink* sink = nullptr) : m_pSink(sink) {}

    void OnLine(LineRole role, std::string_view line, int64_t offset) override;
    void OnDescriptionLines(std::string_view lines, int64_t offset, std::size_t maxLineBytes) override;
    void OnValue(SpellField field, std::string_view value, const FieldCut* cut, bool markerFound) override;
    void OnEntryEnd(ParseResult result, const SpellRecord& record) override;

    // Hands out the findings about the whole text and returns the counts
    // of all. Call once, after the parse.
    CheckCounts Finish();
    // Spells indexed so far.
    std::size_t SpellCount() const { return m_nSpells; }

private:
    void BeginEntry();
    // The entry's description begins: the findings about its head are
    // handed out at the entry's end, or before the first finding in the
    // description.
    void BeginDescription();
    void ReportHeadIfDue();
    void CheckLineBytes(LineRole role, std::string_view line);
    // The checks of a description line's bytes: a CR left at its end, bytes above 127.
    void CheckDescriptionBytes(std::string_view line);
    // Notes a line with bytes above 127, and whether it is UTF-8.
    void CheckHighBytes(std::string_view line);
    // Notes a line whose first byte above 127 stands at `firstHigh`.
    void NoteHighLine(std::string_view line, std::size_t firstHigh);
    // Notes the current line, with bytes above 127, UTF-8 or not.
    void NoteHighLine(bool utf8);
    // The checks of OnDescriptionLines: of a run of lines none of which is
    // longer than the reader keeps, and of any run, line by line from `at`.
    void CheckDescriptionRun(std::string_view lines);
    void CheckDescriptionRunLineByLine(std::string_view lines, std::size_t at, std::size_t maxLineBytes);
    // Looks at the line of `lines` that holds byte `inside`, whose start
    // lies at or after `from`, as ReadLine gives it (at most `maxLineBytes`
    // bytes), its first byte above 127 or CR at `firstFound`, as the
    // current line. Returns where the next line starts.
    std::size_t CheckDescriptionRunLine(std::string_view lines, std::size_t from, std::size_t firstFound,
                                        std::size_t inside, std::size_t maxLineBytes = std::string_view::npos);
    // Hands a finding about an entry to the sink and counts it; these come
    // in line order.
    void Emit(int64_t line, DiagnosticCode code, std::string message, std::string_view spell,
              Severity severity = Severity::kWarning);
    // Hands a finding to the sink and counts it as a warning or a note.
    void Hand(int64_t line, DiagnosticCode code, std::string message, std::string_view spell, Severity severity);
    // Whether the sink wants the words of a finding of `severity` (Emit,
    // Hand): without, only the counts are kept.
    bool WantsText(Severity severity = Severity::kWarning) const;
    // A finding about the current entry's first lines, reported when they
    // are all read.
    void AddForEntry(int64_t line, DiagnosticCode code, std::string message,
                     Severity severity = Severity::kWarning);
    static std::string_view FieldLabel(SpellField field, const FieldCut* cut);
    void FieldLineProblem(SpellField field, std::string_view value, const FieldCut& cut, bool markerFound);
    void FieldTooLong(SpellField field, std::string_view value, const FieldCut* cut);
    // Reports the findings about the entry's lines before its description,
    // once the parse has passed them (`result`: how the entry ends, or
    // kEntry when its description began); `record`, when given, holds the
    // school image the parse found.
    void ReportEntryHead(ParseResult result, const SpellRecord* record);
    // The line of the first spell named as the current entry, or 0 when
    // it is the first; remembers the current entry's name.
    int64_t FirstLineOfName();
    bool WasWarningLine(VarintLog::Reader& lines, int64_t& at, int64_t line) const;

    DiagnosticSink* m_pSink;
    CheckCounts m_counts;
    int64_t m_nLastWarningLine = 0;
    VarintLog m_warningLines;  // of the entries, as differences, ascending

    int64_t m_nLine = 0;          // lines read so far: the current line's number
    int64_t m_nLastOffset = -1;   // where the current line starts
    bool m_bLineUnchecked = false;  // a line that begins the next entry, checked when read again

    // The entry being read.
    bool m_bEntryOpen = false;
    bool m_bHeadReported = false;  // its lines before the description are reported
    bool m_bInDescription = false;  // its description has begun
    std::size_t m_nEntries = 0;  // entries begun
    int64_t m_nEntryLine = 0, m_nHeaderLine = 0, m_nNameLine = 0, m_nSchoolLine = 0, m_nFieldLine = 0;
    std::string_view m_fieldLine;  // the field line just read; valid until the next read
    LineRole m_fieldRole = LineRole::kRange;
    std::string m_strName;    // as the record keeps it
    std::string m_strSpell;   // the name as printed, once the head is reported
    bool m_bSpellWorded = false;  // m_strSpell is set
    std::string m_strSchool;  // the school line
    std::size_t m_nMarkers = 0, m_nMarkersFound = 0;
    std::string m_strMissingMarkers;
    std::vector<Diagnostic> m_fieldProblems;  // dropped if the entry is a paragraph
    std::vector<Diagnostic> m_entryFound;     // the head's other findings
    bool m_bAfterDescription = false;  // the entry began after a description
    std::size_t m_nBlanksBefore = 0;
    std::string m_strPreviousName;
    bool m_bHighLineInEntry = false;  // a line with bytes above 127 in this entry

    // Between entries.
    std::size_t m_nBlankRun = 0;
    std::size_t m_nBlanksAtNext = 0;
    bool m_bNextAfterDescription = false;

    std::size_t m_nSpells = 0;
    NameTable m_names;  // the names seen, with the line of each one's first spell
    uint64_t m_nNameHash = 0;  // of the current entry's name, its look-up readied while the head is read
    bool m_bNameHashed = false;

    // The whole text.
    std::size_t m_nCrEnds = 0;
    int64_t m_nFirstCrEnd = 0, m_nFirstCrInside = 0;
    std::string m_strCrEndSpell, m_strCrInsideSpell;
    bool m_bCrEndSpellPending = false, m_bCrInsideSpellPending = false;
    // Lines with bytes above 127, each as (line difference << 2 | UTF-8 << 1
    // | first in its entry), and the name of each entry holding such lines.
    VarintLog m_highLines, m_highLineSpells;
    int64_t m_nLastHighLine = 0;
    std::size_t m_nUtf8Lines = 0, m_nOtherLines = 0;
};

// Fails with kCannotOpenText or kCannotReadText.
struct [[nodiscard]] CheckResult {
    Status status;  // StatusMessage (StatusMessage.h) words a failure
    std::size_t nSpells = 0;  // the spells a build would index
    CheckCounts counts;
    std::vector<Diagnostic> diagnostics;  // when no sink was given

    bool ok() const { return status.ok(); }
};

// Checks `text` from its position, levels counted from 1 as a build does.
// Findings go to `sink` as they are found, or without one into the
// result's diagnostics.
CheckResult CheckSpellText(LineReader& text, bool bPriest, DiagnosticSink* sink = nullptr);
// Checks dataDir + spellClass + ".txt"; nothing is written. A failure's
// status holds the file's path.
CheckResult CheckSpellFile(const std::string& dataDir, std::string_view spellClass,
                           DiagnosticSink* sink = nullptr);
