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

#include "SpellText.h"

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

// Watches one parse of a text from its start (ParseSpells, BuildIndexIn)
// and collects what it finds. One checker per parse.
class SpellChecker final : public SpellTextObserver {
public:
    void OnLine(LineRole role, std::string_view line, int64_t offset) override;
    void OnValue(SpellField field, std::string_view value, const FieldCut* cut, bool markerFound) override;
    void OnEntryEnd(ParseResult result, const SpellRecord& record) override;

    // Completes the checks that need the whole text and hands out every
    // diagnostic, ordered by line. Call once, after the parse.
    std::vector<Diagnostic> Finish();
    // Spells indexed so far.
    std::size_t SpellCount() const { return m_nSpells; }

private:
    // The lines of the text by encoding, with the entry each belongs to.
    struct LineOfEntry {
        int64_t nLine;
        std::size_t nEntry;
    };

    void BeginEntry();
    void CheckLineBytes(LineRole role, std::string_view line);
    void Add(int64_t line, DiagnosticCode code, std::string message, std::string_view rawSpell,
             Severity severity = Severity::kWarning);
    // A finding about the current entry, reported when the entry ends.
    void AddForEntry(int64_t line, DiagnosticCode code, std::string message,
                     Severity severity = Severity::kWarning);
    static std::string_view FieldLabel(SpellField field, const FieldCut* cut);
    void FieldLineProblem(SpellField field, std::string_view value, const FieldCut& cut, bool markerFound);
    void FieldTooLong(SpellField field, std::string_view value, const FieldCut* cut);
    void ReportEntry(ParseResult result, const SpellRecord& record);
    // A copy of `name` that stays where it is for the checker's life.
    std::string_view KeepName(std::string_view name);
    // The line of the first spell named as the current entry, or 0 when
    // it is the first; remembers the current entry's name.
    int64_t FirstLineOfName();

    std::vector<Diagnostic> m_diagnostics;
    int64_t m_nLine = 0;          // lines read so far: the current line's number
    int64_t m_nLastOffset = -1;   // where the current line starts
    bool m_bLineUnchecked = false;  // a line that begins the next entry, checked when read again

    // The entry being read.
    bool m_bEntryOpen = false;
    std::size_t m_nEntries = 0;  // entries begun
    int64_t m_nEntryLine = 0, m_nHeaderLine = 0, m_nNameLine = 0, m_nSchoolLine = 0, m_nFieldLine = 0;
    std::string_view m_fieldLine;  // the field line just read; valid until the next read
    LineRole m_fieldRole = LineRole::kRange;
    std::string m_strName;    // as the record keeps it
    std::string m_strSchool;  // the school line
    std::size_t m_nMarkers = 0, m_nMarkersFound = 0;
    std::string m_strMissingMarkers;
    std::vector<Diagnostic> m_fieldProblems;  // dropped if the entry is a paragraph
    std::vector<Diagnostic> m_entryFound;     // the entry's other findings
    bool m_bAfterDescription = false;  // the entry began after a description
    std::size_t m_nBlanksBefore = 0;
    std::string_view m_previousName;

    // Between entries.
    std::size_t m_nBlankRun = 0;
    std::size_t m_nBlanksAtNext = 0;
    bool m_bNextAfterDescription = false;

    std::size_t m_nSpells = 0;
    std::vector<std::unique_ptr<char[]>> m_nameBlocks;  // the names kept
    std::size_t m_nBlockUsed = 0;
    std::vector<std::string_view> m_entryNames;  // of each entry, as its record keeps it
    // The names seen, by hash, with open addressing: one cache miss a look.
    struct NameSlot {
        uint32_t nHash = 0;
        uint32_t nEntry = 0;  // index in m_entryNames + 1; 0 for an empty slot
        int64_t nLine = 0;    // of the name line
    };
    std::vector<NameSlot> m_nameSlots;
    std::size_t m_nNames = 0;

    // The whole text.
    std::size_t m_nCrEnds = 0;
    LineOfEntry m_firstCrEnd{0, 0}, m_firstCrInside{0, 0};
    std::vector<LineOfEntry> m_utf8Lines, m_otherLines;  // lines with bytes above 127
};

enum class CheckStatus {
    kOk,
    kCannotOpenText,  // the spell text file cannot be opened
    kCannotReadText,  // reading it failed midway
};

struct [[nodiscard]] CheckResult {
    CheckStatus status = CheckStatus::kOk;
    std::string strMessage;  // what failed, for the user; empty on success
    std::size_t nSpells = 0;  // the spells a build would index
    std::vector<Diagnostic> diagnostics;

    bool ok() const { return status == CheckStatus::kOk; }
};

// Checks `text` from its position, levels counted from 1 as a build does.
CheckResult CheckSpellText(LineReader& text, bool bPriest);
// Checks dataDir + spellClass + ".txt"; nothing is written.
CheckResult CheckSpellFile(const std::string& dataDir, std::string_view spellClass);
