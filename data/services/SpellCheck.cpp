// SPDX-License-Identifier: MIT
#include "SpellCheck.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "HighByteSearch.h"
#include "IndexBuilder.h"
#include "LineReader.h"
#include "Messages.h"
#include "SchoolImage.h"
#include "SpellFiles.h"
#include "TextDecoding.h"

namespace {

constexpr std::string_view kCodeNames[] = {
    "paragraph-as-spell", "missing-marker",  "missing-tab",        "field-too-long",
    "capital-outside-a-z", "unknown-school", "level-header-first", "entry-cut-off",
    "end-in-description", "blank-lines",     "carriage-return",    "mixed-encoding",
    "duplicate-name", "past-2-gib",
};
static_assert(std::size(kCodeNames) == static_cast<std::size_t>(DiagnosticCode::kPastTwoGiB) + 1);

constexpr std::size_t kQuoteBytes = 80;  // of a text quoted in a message

// Bytes a record field keeps: its width less the terminator.
std::size_t FieldCapacity(SpellField field) {
    switch (field) {
    case kFieldName: return kNameSize - 1;
    case kFieldCastingTime: return kCastingTimeSize - 1;
    default: return kFieldSize - 1;
    }
}

std::string_view LineLabel(LineRole role) {
    switch (role) {
    case LineRole::kSphere: return messages::kSphereLine;
    case LineRole::kDuration: return messages::kDurationLine;
    case LineRole::kArea: return messages::kAreaLine;
    default: return messages::kRangeLine;
    }
}

// Text from the file for a message: decoded for display, control
// characters written as escapes, texts longer than `maxBytes` shortened.
std::string Printable(std::string_view raw, std::size_t maxBytes) {
    if (raw.size() <= maxBytes && std::all_of(raw.begin(), raw.end(), [](char c) { return c >= 0x20 && c < 0x7F; }))
        return std::string(raw);
    const bool cut = raw.size() > maxBytes;
    const std::string text = DecodeForDisplay(cut ? CutToLength(raw, maxBytes) : raw);
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (byte < 0x20 || byte == 0x7F) {
            static constexpr char kHex[] = "0123456789ABCDEF";
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return cut ? out + "..." : out;
}

std::string Quote(std::string_view raw) { return "\"" + Printable(raw, kQuoteBytes) + "\""; }

// Printable into `out`, reusing its memory for the usual plain name.
void AssignPrintable(std::string& out, std::string_view raw, std::size_t maxBytes) {
    if (raw.size() <= maxBytes && std::all_of(raw.begin(), raw.end(), [](char c) { return c >= 0x20 && c < 0x7F; }))
        out.assign(raw);
    else
        out = Printable(raw, maxBytes);
}

// The code point at the start of valid UTF-8 `text`.
char32_t FirstCodePoint(std::string_view text) {
    return DecodeUtf8(text, 0, Utf8LeadLength(static_cast<unsigned char>(text[0])));
}

// Capital letters of the Latin, Greek, Cyrillic and Armenian blocks
// outside A to Z.
bool IsOtherCapital(char32_t c) {
    const bool even = c % 2 == 0;
    return (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
           (c >= 0x100 && c <= 0x137 && even) || (c >= 0x139 && c <= 0x148 && !even) ||
           (c >= 0x14A && c <= 0x177 && even) || c == 0x178 || c == 0x179 || c == 0x17B ||
           c == 0x17D || c == 0x386 || (c >= 0x388 && c <= 0x38F && c != 0x38B && c != 0x38D) ||
           (c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x400 && c <= 0x42F) ||
           (c >= 0x460 && c <= 0x481 && even) || (c >= 0x48A && c <= 0x4BF && even) ||
           c == 0x4C0 || (c >= 0x4C1 && c <= 0x4CD && !even) || (c >= 0x4D0 && c <= 0x52F && even) ||
           (c >= 0x531 && c <= 0x556);
}

// The line's first character, as UTF-8, when it is a capital letter
// outside A to Z. A line that is not valid UTF-8 is read as Windows-1251,
// as the display reads it.
std::optional<std::string> CapitalOutsideAtoZ(std::string_view line) {
    if (line.empty() || static_cast<unsigned char>(line[0]) < 0x80)
        return std::nullopt;
    std::string first;
    if (IsValidUtf8(line))
        first.assign(CutToLength(line, 4));
    else
        first = DecodeForDisplay(line.substr(0, 1));
    const char32_t c = FirstCodePoint(first);
    if (!IsOtherCapital(c))
        return std::nullopt;
    // Just the one character.
    const std::size_t length = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    first.resize(std::min(first.size(), length));
    return first;
}

class NullSink final : public RecordSink {
public:
    void Put(const SpellRecord& /*record*/) override {}
};

}  // namespace

std::string_view CodeName(DiagnosticCode code) { return kCodeNames[static_cast<std::size_t>(code)]; }

std::string_view SeverityName(Severity severity) {
    return severity == Severity::kNote ? "note" : "warning";
}

std::size_t CountWarnings(const std::vector<Diagnostic>& diagnostics) {
    return static_cast<std::size_t>(std::count_if(diagnostics.begin(), diagnostics.end(), [](const Diagnostic& d) {
        return d.severity == Severity::kWarning;
    }));
}

std::size_t CountWarningLines(const std::vector<Diagnostic>& diagnostics) {
    std::vector<int64_t> lines;
    for (const Diagnostic& d : diagnostics)
        if (d.severity == Severity::kWarning)
            lines.push_back(d.nLine);
    std::sort(lines.begin(), lines.end());
    return static_cast<std::size_t>(std::unique(lines.begin(), lines.end()) - lines.begin());
}

void KeptWarnings::Put(Diagnostic diagnostic) {
    if (diagnostic.severity != Severity::kWarning)
        return;
    if (kept.size() < m_nLimit)
        kept.push_back(std::move(diagnostic));
    else
        ++nNotKept;
}

void SpellChecker::Emit(int64_t line, DiagnosticCode code, std::string message, std::string_view spell,
                        Severity severity) {
    if (severity == Severity::kWarning && line != m_nLastWarningLine) {
        m_warningLines.Put(static_cast<uint64_t>(line - m_nLastWarningLine));
        m_nLastWarningLine = line;
        ++m_counts.nWarningLines;
    }
    Hand(line, code, std::move(message), spell, severity);
}

void SpellChecker::Hand(int64_t line, DiagnosticCode code, std::string message, std::string_view spell,
                        Severity severity) {
    if (severity == Severity::kWarning) {
        ++m_counts.nWarnings;
    } else {
        ++m_counts.nNotes;
    }
    if (m_pSink)
        m_pSink->Put({line, severity, code, std::move(message),
                      m_pSink->WantsText(severity) ? std::string(spell) : std::string()});
}

bool SpellChecker::WantsText(Severity severity) const { return m_pSink && m_pSink->WantsText(severity); }

void SpellChecker::AddForEntry(int64_t line, DiagnosticCode code, std::string message, Severity severity) {
    m_entryFound.push_back({line, severity, code, std::move(message), {}});
}

int64_t SpellChecker::FirstLineOfName() {
    return m_bNameHashed ? m_names.FirstLine(m_strName, m_nNameLine, m_nNameHash)
                         : m_names.FirstLine(m_strName, m_nNameLine);
}

void SpellChecker::BeginEntry() {
    m_bEntryOpen = true;
    m_bHeadReported = false;
    m_bInDescription = false;
    ++m_nEntries;
    m_nEntryLine = m_nLine;
    m_nHeaderLine = m_nNameLine = m_nSchoolLine = m_nFieldLine = 0;
    m_strName.clear();
    m_bNameHashed = false;
    m_strSpell.clear();
    m_bSpellWorded = false;
    m_strSchool.clear();
    m_nMarkers = m_nMarkersFound = 0;
    m_strMissingMarkers.clear();
    m_fieldProblems.clear();
    m_entryFound.clear();
    m_bAfterDescription = m_bNextAfterDescription;
    m_nBlanksBefore = m_nBlanksAtNext;
    m_bNextAfterDescription = false;
    m_nBlanksAtNext = 0;
    m_bHighLineInEntry = false;
}

void SpellChecker::OnLine(LineRole role, std::string_view line, int64_t offset) {
    // The line that begins an entry is read twice: at the end of the
    // description before it, and as the entry's first line.
    const bool again = offset == m_nLastOffset;
    if (!again) {
        ++m_nLine;
        m_nLastOffset = offset;
    }

    switch (role) {
    case LineRole::kLevelHeader:
        BeginEntry();
        m_nHeaderLine = m_nLine;
        break;
    case LineRole::kName:
        if (!m_bEntryOpen)
            BeginEntry();
        m_nNameLine = m_nLine;
        break;
    case LineRole::kSchool:
        m_nSchoolLine = m_nLine;
        m_strSchool.assign(line);
        break;
    case LineRole::kSphere:
    case LineRole::kRange:
    case LineRole::kDuration:
    case LineRole::kArea:
        m_nFieldLine = m_nLine;
        m_fieldLine = line;
        m_fieldRole = role;
        break;
    case LineRole::kBlank:
        BeginDescription();
        ++m_nBlankRun;
        break;
    case LineRole::kParagraph:
        if (const auto letter = CapitalOutsideAtoZ(line)) {
            ReportHeadIfDue();  // its findings come first
            Emit(m_nLine, DiagnosticCode::kCapitalOutsideAtoZ,
                 WantsText() ? messages::CapitalOutsideAtoZ(Quote(*letter)) : std::string(), m_strSpell);
        }
        m_nBlankRun = 0;
        break;
    case LineRole::kNextEntry:
        m_nBlanksAtNext = m_nBlankRun;
        m_bNextAfterDescription = true;
        m_nBlankRun = 0;
        m_bLineUnchecked = true;  // it belongs to the next entry
        return;
    case LineRole::kDescription:
        BeginDescription();
        m_nBlankRun = 0;
        break;
    case LineRole::kOptionalBlank:
    case LineRole::kSkipped:
        break;
    }

    if (!again || m_bLineUnchecked) {
        m_bLineUnchecked = false;
        CheckLineBytes(role, line);
    }
}

void SpellChecker::OnDescriptionLines(std::string_view lines, int64_t /*offset*/, std::size_t maxLineBytes) {
    // As OnLine for each line, without the reading.
    if (lines.empty())
        return;
    BeginDescription();
    m_nBlankRun = 0;
    m_bLineUnchecked = false;
    if (lines.size() > maxLineBytes)
        CheckDescriptionRunLineByLine(lines, 0, maxLineBytes);  // a line may be cut
    else
        CheckDescriptionRun(lines);
    // None of these lines is read again.
    m_nLastOffset = -1;
}

void SpellChecker::CheckDescriptionRun(std::string_view lines) {
    // One pass from byte above 127 (or CR) to the next, the LFs between
    // them counted: a line whose first such byte is above 127 is UTF-8 when
    // each character there is, as IsValidUtf8 reads the line from that
    // byte. A line with a CR is looked at whole, as ReadLine gives it.
    bool open = false;  // a line with a byte above 127 is being read; m_nLine is its number
    bool utf8 = true;   // the characters of the open line so far are UTF-8
    std::size_t openFrom = 0, openFirst = 0;  // where the search of the open line began; its first such byte
    for (std::size_t at = 0;;) {
        const FoundByte found = FindHighByteOrCr(lines, at);
        const auto lfs = static_cast<int64_t>(found.lfsBefore);
        if (open && (lfs > 0 || found.at == std::string_view::npos)) {
            NoteHighLine(utf8);  // the open line ended
            open = false;
            m_nLine += std::max<int64_t>(lfs - 1, 0);  // the LF that ended it, then whole lines
        } else if (!open) {
            m_nLine += lfs;
        }
        if (found.at == std::string_view::npos)
            break;
        const auto byte = static_cast<unsigned char>(lines[found.at]);
        if (byte == '\r') {
            // The line whole, as a line read one by one.
            const std::size_t from = open ? openFrom : at;
            if (!open)
                ++m_nLine;
            at = CheckDescriptionRunLine(lines, from, open ? openFirst : found.at, found.at);
            open = false;
            continue;
        }
        if (!open) {
            ++m_nLine;
            open = true;
            utf8 = true;
            openFrom = at;
            openFirst = found.at;
        }
        const std::size_t length = Utf8SequenceLength(lines, found.at);
        if (length == 0)
            utf8 = false;  // the rest is still searched for a CR
        at = found.at + std::max<std::size_t>(length, 1);
    }
}

std::size_t SpellChecker::CheckDescriptionRunLine(std::string_view lines, std::size_t from, std::size_t firstFound,
                                                  std::size_t inside, std::size_t maxLineBytes) {
    const void* lf = ::memrchr(lines.data() + from, '\n', inside - from);
    const std::size_t start = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - lines.data()) + 1 : from;
    const std::size_t end = lines.find('\n', inside);
    std::string_view line = lines.substr(start, end - start);
    if (line.ends_with('\r'))
        line.remove_suffix(1);
    line = line.substr(0, maxLineBytes);
    const std::size_t first = firstFound - start;
    if (first < line.size() && static_cast<unsigned char>(line[first]) >= 0x80 && line.back() != '\r')
        NoteHighLine(line, first);  // the bytes before it are plain
    else
        CheckDescriptionBytes(line);
    return end == std::string_view::npos ? lines.size() : end + 1;
}

void SpellChecker::CheckDescriptionRunLineByLine(std::string_view lines, std::size_t at, std::size_t maxLineBytes) {
    // Each line with a byte above 127 or a CR is looked at whole, as
    // ReadLine gives it.
    for (;;) {
        const FoundByte found = FindHighByteOrCr(lines, at);
        m_nLine += static_cast<int64_t>(found.lfsBefore);
        if (found.at == std::string_view::npos)
            break;
        ++m_nLine;
        at = CheckDescriptionRunLine(lines, at, found.at, found.at, maxLineBytes);
    }
}

void SpellChecker::BeginDescription() { m_bInDescription = true; }

void SpellChecker::ReportHeadIfDue() {
    if (!m_bHeadReported)
        ReportEntryHead(ParseResult::kEntry, nullptr);
}

void SpellChecker::CheckLineBytes(LineRole role, std::string_view line) {
    // Lines that end in a CR alone run together into one: the text's first
    // line, or an entry's. Descriptions are not searched.
    const bool description =
        role == LineRole::kDescription || role == LineRole::kBlank || role == LineRole::kParagraph;
    if (description) {
        CheckDescriptionBytes(line);
        return;
    }
    const bool endsInCr = !line.empty() && line.back() == '\r';
    const LineBytes bytes = ScanLine(line.substr(0, line.size() - (endsInCr ? 1 : 0)));
    if (m_nFirstCrInside == 0 && bytes.cr) {
        m_nFirstCrInside = m_nLine;
        m_bCrInsideSpellPending = true;
    } else if (endsInCr && m_nCrEnds++ == 0) {
        m_nFirstCrEnd = m_nLine;
        m_bCrEndSpellPending = true;
    }
    if (bytes.high)
        NoteHighLine(line, 0);
}

void SpellChecker::CheckDescriptionBytes(std::string_view line) {
    if (!line.empty() && line.back() == '\r' && m_nCrEnds++ == 0) {
        m_nFirstCrEnd = m_nLine;
        m_bCrEndSpellPending = true;
    }
    CheckHighBytes(line);
}

void SpellChecker::CheckHighBytes(std::string_view line) {
    if (ScanLine(line).high)
        NoteHighLine(line, 0);
}

void SpellChecker::NoteHighLine(std::string_view line, std::size_t firstHigh) {
    // The bytes before the first high one are ASCII, valid UTF-8.
    NoteHighLine(IsValidUtf8(line.substr(firstHigh)));
}

void SpellChecker::NoteHighLine(bool utf8) {
    (utf8 ? m_nUtf8Lines : m_nOtherLines)++;
    const auto step = static_cast<uint64_t>(m_nLine - m_nLastHighLine);
    m_highLines.Put(step << 2 | (utf8 ? 2u : 0u) | (m_bHighLineInEntry ? 0u : 1u));
    m_nLastHighLine = m_nLine;
    m_bHighLineInEntry = true;
}

void SpellChecker::OnValue(SpellField field, std::string_view value, const FieldCut* cut, bool markerFound) {
    if (field == kFieldName) {
        m_strName.assign(CutToLength(value, FieldCapacity(field)));
        // Its duplicate is looked up at the entry's end: the slot the
        // look-up reads first comes meanwhile.
        m_nNameHash = NameTable::Hash(m_strName);
        m_bNameHashed = true;
        m_names.FetchSlot(m_nNameHash);
    }
    if (cut) {
        ++m_nMarkers;
        m_nMarkersFound += markerFound ? 1 : 0;
        if (!markerFound || (cut->toTab && value.empty()))
            FieldLineProblem(field, value, *cut, markerFound);
    }
    if (value.size() > FieldCapacity(field))
        FieldTooLong(field, value, cut);
}

std::string_view SpellChecker::FieldLabel(SpellField field, const FieldCut* cut) {
    return cut == &kSphereCut ? messages::kSphereLabel : messages::kFieldLabels[static_cast<std::size_t>(field)];
}

void SpellChecker::FieldLineProblem(SpellField field, std::string_view value, const FieldCut& cut,
                                    bool markerFound) {
    const std::string_view label = FieldLabel(field, &cut);
    const std::string_view lineLabel = LineLabel(m_fieldRole);
    if (!markerFound) {
        if (!m_strMissingMarkers.empty())
            m_strMissingMarkers += ", ";
        m_strMissingMarkers.append(cut.marker);
        m_fieldProblems.push_back({m_nFieldLine, Severity::kWarning, DiagnosticCode::kMissingMarker,
                                   WantsText() ? messages::MissingMarker(cut.marker, lineLabel, label,
                                                                         value.empty() ? std::string() : Quote(value))
                                               : std::string(),
                                   {}});
        return;
    }
    const bool noTab = m_fieldLine.find('\t') == std::string_view::npos;
    m_fieldProblems.push_back({m_nFieldLine, Severity::kWarning, DiagnosticCode::kMissingTab,
                               noTab ? messages::MissingTab(lineLabel, label)
                                     : messages::TabBeforeValue(lineLabel, label),
                               {}});
}

void SpellChecker::FieldTooLong(SpellField field, std::string_view value, const FieldCut* cut) {
    const int64_t line = field == kFieldName ? m_nNameLine : cut ? m_nFieldLine : m_nSchoolLine;
    const std::string_view kept = CutToLength(value, FieldCapacity(field));
    m_fieldProblems.push_back(
        {line, Severity::kWarning, DiagnosticCode::kFieldTooLong,
         WantsText() ? messages::FieldTooLong(FieldLabel(field, cut), value.size(), kept.size(), Quote(kept))
                     : std::string(),
         {}});
}

void SpellChecker::OnEntryEnd(ParseResult result, const SpellRecord& record) {
    if (!m_bEntryOpen)
        return;  // the end of the text, between entries
    m_bEntryOpen = false;
    if (!m_bHeadReported)  // as it stood when its description began, if it did
        ReportEntryHead(m_bInDescription ? ParseResult::kEntry : result, &record);
    if (result == ParseResult::kLastEntry)
        Emit(m_nLine, DiagnosticCode::kEndInDescription, std::string(messages::kEndInDescription), m_strSpell,
             Severity::kNote);

    // The names that findings about the whole text will need.
    if (m_bHighLineInEntry || m_bCrEndSpellPending || m_bCrInsideSpellPending) {
        // As the head's findings word it, unless a read error cut it short.
        const std::string worded = m_bSpellWorded ? std::string() : Printable(m_strName, kNameSize);
        const std::string& spell = m_bSpellWorded ? m_strSpell : worded;
        if (m_bHighLineInEntry)
            m_highLineSpells.PutString(spell);
        if (m_bCrEndSpellPending)
            m_strCrEndSpell = spell;
        if (m_bCrInsideSpellPending)
            m_strCrInsideSpell = spell;
        m_bCrEndSpellPending = m_bCrInsideSpellPending = false;
    }
    m_strPreviousName.swap(m_strName);
}

void SpellChecker::ReportEntryHead(ParseResult result, const SpellRecord* record) {
    m_bHeadReported = true;
    if (result == ParseResult::kReadError)
        return;
    if (m_nBlanksBefore >= 3)
        AddForEntry(m_nEntryLine, DiagnosticCode::kBlankLines,
                    WantsText() ? messages::BlankLinesBefore(m_nBlanksBefore) : std::string());
    if (m_nHeaderLine != 0 && m_nEntries == 1)
        AddForEntry(m_nHeaderLine, DiagnosticCode::kLevelHeaderFirst, std::string(messages::kLevelHeaderFirst));

    if (result == ParseResult::kEnd) {
        AddForEntry(m_nEntryLine, DiagnosticCode::kEntryCutOff, std::string(messages::kEntryCutOff));
    } else if (result == ParseResult::kOffsetTooLarge) {
        AddForEntry(m_nEntryLine, DiagnosticCode::kPastTwoGiB, std::string(messages::kPastTwoGiB));
    } else {
        ++m_nSpells;
        const std::size_t missing = m_nMarkers - m_nMarkersFound;
        if (missing * 2 > m_nMarkers) {
            // One finding explains the rest: the entry is a description's paragraph.
            AddForEntry(m_nNameLine, DiagnosticCode::kParagraphAsSpell,
                        WantsText() ? messages::ParagraphReadAsSpell(
                                          m_bAfterDescription ? Quote(m_strPreviousName) : std::string(), missing,
                                          m_nMarkers, m_strMissingMarkers)
                                    : std::string());
        } else {
            for (Diagnostic& d : m_fieldProblems)
                m_entryFound.push_back(std::move(d));
            // Before the description the record's school image is set; the
            // school line decides it.
            const int image = record ? record->nSchoolImage : GetSchoolImage(m_strSchool);
            if (image == kSchoolImageOther)
                AddForEntry(m_nSchoolLine, DiagnosticCode::kUnknownSchool,
                            WantsText() ? messages::UnknownSchool(Quote(m_strSchool)) : std::string());
            if (const int64_t first = FirstLineOfName(); first != 0)
                AddForEntry(m_nNameLine, DiagnosticCode::kDuplicateName,
                            WantsText() ? messages::DuplicateName(first) : std::string());
        }
    }
    AssignPrintable(m_strSpell, m_strName, kNameSize);
    m_bSpellWorded = true;
    if (m_entryFound.empty())
        return;

    // The head's findings in line order, after those of the entries before.
    const auto byLine = [](const Diagnostic& a, const Diagnostic& b) { return a.nLine < b.nLine; };
    if (!std::is_sorted(m_entryFound.begin(), m_entryFound.end(), byLine))
        std::stable_sort(m_entryFound.begin(), m_entryFound.end(), byLine);
    for (Diagnostic& d : m_entryFound)
        Emit(d.nLine, d.code, std::move(d.strMessage), m_strSpell, d.severity);
    m_entryFound.clear();
}

bool SpellChecker::WasWarningLine(VarintLog::Reader& lines, int64_t& at, int64_t line) const {
    while (at < line && !lines.AtEnd())
        at += static_cast<int64_t>(lines.Get());
    return at == line;
}

CheckCounts SpellChecker::Finish() {
    // Whole-text findings in line order: the carriage returns (at most two)
    // merged into the lines of the rarer encoding.
    struct Pending {
        int64_t nLine;
        std::string message;
        std::string* spell;
    };
    std::vector<Pending> cr;
    if (m_nCrEnds > 0)
        cr.push_back({m_nFirstCrEnd, messages::CarriageReturnEnds(m_nCrEnds), &m_strCrEndSpell});
    if (m_nFirstCrInside != 0)
        cr.push_back({m_nFirstCrInside, std::string(messages::kCarriageReturnInside), &m_strCrInsideSpell});
    std::sort(cr.begin(), cr.end(), [](const Pending& a, const Pending& b) { return a.nLine < b.nLine; });

    // Lines that had a warning already count once.
    VarintLog::Reader warned(m_warningLines);
    int64_t warnedAt = 0;
    int64_t lastLine = 0;
    const auto emit = [&](int64_t line, DiagnosticCode code, const std::string& message, std::string_view spell) {
        if (line != lastLine && !WasWarningLine(warned, warnedAt, line))
            ++m_counts.nWarningLines;
        lastLine = line;
        Hand(line, code, WantsText() ? message : std::string(), spell, Severity::kWarning);
    };
    std::size_t nextCr = 0;
    const auto emitCrUpTo = [&](int64_t line) {
        for (; nextCr < cr.size() && cr[nextCr].nLine <= line; ++nextCr)
            emit(cr[nextCr].nLine, DiagnosticCode::kCarriageReturn, cr[nextCr].message,
                 *cr[nextCr].spell);
    };

    // Lines of the rarer kind stand out; on a tie, those that are not UTF-8.
    if (m_nUtf8Lines > 0 && m_nOtherLines > 0) {
        const bool utf8Rarer = m_nUtf8Lines < m_nOtherLines;
        const std::string message = utf8Rarer ? messages::Utf8AmongOthers(m_nOtherLines)
                                              : messages::NotUtf8AmongUtf8(m_nUtf8Lines);
        VarintLog::Reader lines(m_highLines), spells(m_highLineSpells);
        int64_t line = 0;
        std::string spell;
        while (!lines.AtEnd()) {
            const uint64_t step = lines.Get();
            line += static_cast<int64_t>(step >> 2);
            if ((step & 1) != 0)
                spell = spells.GetString();
            if (((step & 2) != 0) == utf8Rarer) {
                emitCrUpTo(line);
                emit(line, DiagnosticCode::kMixedEncoding, message, spell);
            }
        }
    }
    emitCrUpTo(INT64_MAX);
    return m_counts;
}

CheckResult CheckSpellText(LineReader& text, bool bPriest, DiagnosticSink* sink) {
    DiagnosticList found;
    SpellChecker checker(sink ? sink : &found);
    NullSink records;
    const ParsedText parsed = ParseSpells(text, bPriest, 1, records, &checker);
    CheckResult result;
    result.nSpells = parsed.nRecords;
    if (parsed.end == ParseResult::kReadError) {
        result.status = {StatusCode::kCannotReadText, text.Error()};
        return result;
    }
    result.counts = checker.Finish();
    result.diagnostics = std::move(found.items);
    return result;
}

CheckResult CheckSpellFile(const std::string& dataDir, std::string_view spellClass, DiagnosticSink* sink) {
    const std::string path = TextPath(dataDir, spellClass);
    LineReader text;
    if (!text.Open(path)) {
        CheckResult failed;
        failed.status = {StatusCode::kCannotOpenText, text.Error(), path};
        return failed;
    }
    CheckResult result = CheckSpellText(text, IsPriestClass(spellClass), sink);
    if (!result.ok())
        result.status.path = path;
    return result;
}
