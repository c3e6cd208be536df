#include "SpellCheck.h"

#include <algorithm>
#include <cstring>
#include <optional>

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
    "duplicate-name",
};
static_assert(std::size(kCodeNames) == static_cast<std::size_t>(DiagnosticCode::kDuplicateName) + 1);

constexpr std::size_t kQuoteBytes = 80;  // of a text quoted in a message
constexpr std::size_t kNameBlockBytes = std::size_t{64} * 1024;

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

// Whether a byte of the line is above 127. Most lines have none: eight
// bytes at a time, the last eight overlapping, few branches.
bool HasHighByte(std::string_view line) {
    const char* const p = line.data();
    const std::size_t n = line.size();
    const auto word = [p](std::size_t at) {
        uint64_t w;
        std::memcpy(&w, p + at, sizeof w);
        return w;
    };
    uint64_t any = 0;
    if (n >= 8) {
        std::size_t i = 0;
        for (; i + 32 <= n; i += 32)
            any |= word(i) | word(i + 8) | word(i + 16) | word(i + 24);
        for (; i + 8 <= n; i += 8)
            any |= word(i);
        any |= word(n - 8);
    } else {
        for (std::size_t i = 0; i < n; ++i)
            any |= static_cast<unsigned char>(p[i]);
    }
    return (any & 0x8080808080808080ULL) != 0;
}

// The code point at the start of valid UTF-8 `text`.
char32_t FirstCodePoint(std::string_view text) {
    const auto b = [&](std::size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(text[i])); };
    const char32_t b0 = b(0);
    if (b0 < 0x80)
        return b0;
    if (b0 < 0xE0)
        return ((b0 & 0x1F) << 6) | (b(1) & 0x3F);
    if (b0 < 0xF0)
        return ((b0 & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
    return ((b0 & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
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

void SpellChecker::Add(int64_t line, DiagnosticCode code, std::string message, std::string_view rawSpell,
                       Severity severity) {
    m_diagnostics.push_back({line, severity, code, std::move(message), Printable(rawSpell, kNameSize)});
}

void SpellChecker::AddForEntry(int64_t line, DiagnosticCode code, std::string message, Severity severity) {
    m_entryFound.push_back({line, severity, code, std::move(message), {}});
}

std::string_view SpellChecker::KeepName(std::string_view name) {
    if (m_nameBlocks.empty() || kNameBlockBytes - m_nBlockUsed < name.size()) {
        m_nameBlocks.push_back(std::make_unique<char[]>(std::max(kNameBlockBytes, name.size())));
        m_nBlockUsed = 0;
    }
    char* at = m_nameBlocks.back().get() + m_nBlockUsed;
    if (!name.empty())
        std::memcpy(at, name.data(), name.size());
    m_nBlockUsed += name.size();
    return {at, name.size()};
}

int64_t SpellChecker::FirstLineOfName() {
    if ((m_nNames + 1) * 2 > m_nameSlots.size()) {
        // Grow to keep the table at most half full.
        std::vector<NameSlot> old(std::max<std::size_t>(1024, m_nameSlots.size() * 2));
        old.swap(m_nameSlots);
        const std::size_t mask = m_nameSlots.size() - 1;
        for (const NameSlot& slot : old)
            if (slot.nEntry != 0) {
                std::size_t i = slot.nHash & mask;
                while (m_nameSlots[i].nEntry != 0)
                    i = (i + 1) & mask;
                m_nameSlots[i] = slot;
            }
    }
    const std::string_view name = m_entryNames.back();
    const auto hash = static_cast<uint32_t>(std::hash<std::string_view>{}(name));
    const std::size_t mask = m_nameSlots.size() - 1;
    std::size_t i = hash & mask;
    for (; m_nameSlots[i].nEntry != 0; i = (i + 1) & mask) {
        const NameSlot& slot = m_nameSlots[i];
        if (slot.nHash == hash && m_entryNames[slot.nEntry - 1] == name)
            return slot.nLine;
    }
    m_nameSlots[i] = {hash, static_cast<uint32_t>(m_entryNames.size()), m_nNameLine};
    ++m_nNames;
    return 0;
}

void SpellChecker::BeginEntry() {
    m_bEntryOpen = true;
    ++m_nEntries;
    m_entryNames.emplace_back();
    m_nEntryLine = m_nLine;
    m_nHeaderLine = m_nNameLine = m_nSchoolLine = m_nFieldLine = 0;
    m_strName.clear();
    m_strSchool.clear();
    m_nMarkers = m_nMarkersFound = 0;
    m_strMissingMarkers.clear();
    m_fieldProblems.clear();
    m_entryFound.clear();
    m_bAfterDescription = m_bNextAfterDescription;
    m_nBlanksBefore = m_nBlanksAtNext;
    m_bNextAfterDescription = false;
    m_nBlanksAtNext = 0;
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
        ++m_nBlankRun;
        break;
    case LineRole::kParagraph:
        if (const auto letter = CapitalOutsideAtoZ(line))
            AddForEntry(m_nLine, DiagnosticCode::kCapitalOutsideAtoZ, messages::CapitalOutsideAtoZ(Quote(*letter)));
        m_nBlankRun = 0;
        break;
    case LineRole::kNextEntry:
        m_nBlanksAtNext = m_nBlankRun;
        m_bNextAfterDescription = true;
        m_nBlankRun = 0;
        m_bLineUnchecked = true;  // it belongs to the next entry
        return;
    case LineRole::kDescription:
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

void SpellChecker::CheckLineBytes(LineRole role, std::string_view line) {
    const LineOfEntry here{m_nLine, m_nEntries - 1};
    // Lines that end in a CR alone run together into one: the text's first
    // line, or an entry's. Descriptions are not searched.
    const bool endsInCr = !line.empty() && line.back() == '\r';
    const bool description =
        role == LineRole::kDescription || role == LineRole::kBlank || role == LineRole::kParagraph;
    if (!description && m_firstCrInside.nLine == 0 &&
        line.substr(0, line.size() - (endsInCr ? 1 : 0)).find('\r') != std::string_view::npos) {
        m_firstCrInside = here;
    } else if (endsInCr && m_nCrEnds++ == 0) {
        m_firstCrEnd = here;
    }
    if (HasHighByte(line))
        (IsValidUtf8(line) ? m_utf8Lines : m_otherLines).push_back(here);
}

void SpellChecker::OnValue(SpellField field, std::string_view value, const FieldCut* cut, bool markerFound) {
    if (field == kFieldName)
        m_strName.assign(CutToLength(value, FieldCapacity(field)));
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
                                   messages::MissingMarker(cut.marker, lineLabel, label,
                                                           value.empty() ? std::string() : Quote(value)),
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
    m_fieldProblems.push_back({line, Severity::kWarning, DiagnosticCode::kFieldTooLong,
                               messages::FieldTooLong(FieldLabel(field, cut), value.size(), kept.size(), Quote(kept)),
                               {}});
}

void SpellChecker::OnEntryEnd(ParseResult result, const SpellRecord& record) {
    if (!m_bEntryOpen)
        return;  // the end of the text, between entries
    m_bEntryOpen = false;
    const std::string_view name = KeepName(m_strName);
    m_entryNames.back() = name;
    if (result != ParseResult::kReadError)
        ReportEntry(result, record);
    m_previousName = name;
}

void SpellChecker::ReportEntry(ParseResult result, const SpellRecord& record) {
    if (m_nBlanksBefore >= 3)
        AddForEntry(m_nEntryLine, DiagnosticCode::kBlankLines, messages::BlankLinesBefore(m_nBlanksBefore));
    if (m_nHeaderLine != 0 && m_nEntries == 1)
        AddForEntry(m_nHeaderLine, DiagnosticCode::kLevelHeaderFirst, std::string(messages::kLevelHeaderFirst));

    if (result == ParseResult::kEnd) {
        AddForEntry(m_nEntryLine, DiagnosticCode::kEntryCutOff, std::string(messages::kEntryCutOff));
    } else {
        ++m_nSpells;
        const std::size_t missing = m_nMarkers - m_nMarkersFound;
        if (missing * 2 > m_nMarkers) {
            // One finding explains the rest: the entry is a description's paragraph.
            AddForEntry(m_nNameLine, DiagnosticCode::kParagraphAsSpell,
                        messages::ParagraphReadAsSpell(m_bAfterDescription ? Quote(m_previousName) : std::string(),
                                                       missing, m_nMarkers, m_strMissingMarkers));
        } else {
            for (Diagnostic& d : m_fieldProblems)
                m_entryFound.push_back(std::move(d));
            if (record.nSchoolImage == kSchoolImageOther)
                AddForEntry(m_nSchoolLine, DiagnosticCode::kUnknownSchool, messages::UnknownSchool(Quote(m_strSchool)));
            if (const int64_t first = FirstLineOfName(); first != 0)
                AddForEntry(m_nNameLine, DiagnosticCode::kDuplicateName, messages::DuplicateName(first));
        }
        if (result == ParseResult::kLastEntry)
            AddForEntry(m_nLine, DiagnosticCode::kEndInDescription, std::string(messages::kEndInDescription),
                        Severity::kNote);
    }
    if (m_entryFound.empty())
        return;

    // The entry's findings in line order, after those of the entries before.
    const auto byLine = [](const Diagnostic& a, const Diagnostic& b) { return a.nLine < b.nLine; };
    if (!std::is_sorted(m_entryFound.begin(), m_entryFound.end(), byLine))
        std::stable_sort(m_entryFound.begin(), m_entryFound.end(), byLine);
    std::string spell = Printable(m_strName, kNameSize);
    for (std::size_t i = 0; i + 1 < m_entryFound.size(); ++i)
        m_entryFound[i].strSpell = spell;
    m_entryFound.back().strSpell = std::move(spell);
    for (Diagnostic& d : m_entryFound)
        m_diagnostics.push_back(std::move(d));
    m_entryFound.clear();
}

std::vector<Diagnostic> SpellChecker::Finish() {
    // Those of the entries stand in line order; those of the whole text are
    // sorted on their own and merged with them.
    const auto byLine = [](const Diagnostic& a, const Diagnostic& b) { return a.nLine < b.nLine; };
    const auto wholeText = static_cast<std::ptrdiff_t>(m_diagnostics.size());

    const auto nameOf = [&](const LineOfEntry& at) -> std::string_view {
        return at.nEntry < m_entryNames.size() ? m_entryNames[at.nEntry] : std::string_view();
    };
    if (m_nCrEnds > 0)
        Add(m_firstCrEnd.nLine, DiagnosticCode::kCarriageReturn, messages::CarriageReturnEnds(m_nCrEnds),
            nameOf(m_firstCrEnd));
    if (m_firstCrInside.nLine != 0)
        Add(m_firstCrInside.nLine, DiagnosticCode::kCarriageReturn, std::string(messages::kCarriageReturnInside),
            nameOf(m_firstCrInside));

    // Lines of the rarer kind stand out; on a tie, those that are not UTF-8.
    if (!m_utf8Lines.empty() && !m_otherLines.empty()) {
        const bool utf8Rarer = m_utf8Lines.size() < m_otherLines.size();
        const auto& rare = utf8Rarer ? m_utf8Lines : m_otherLines;
        const std::string message = utf8Rarer ? messages::Utf8AmongOthers(m_otherLines.size())
                                              : messages::NotUtf8AmongUtf8(m_utf8Lines.size());
        for (const LineOfEntry& at : rare)
            Add(at.nLine, DiagnosticCode::kMixedEncoding, message, nameOf(at));
    }

    std::stable_sort(m_diagnostics.begin() + wholeText, m_diagnostics.end(), byLine);
    std::inplace_merge(m_diagnostics.begin(), m_diagnostics.begin() + wholeText, m_diagnostics.end(), byLine);
    return std::move(m_diagnostics);
}

CheckResult CheckSpellText(LineReader& text, bool bPriest) {
    SpellChecker checker;
    NullSink sink;
    const ParsedText parsed = ParseSpells(text, bPriest, 1, sink, &checker);
    CheckResult result;
    result.nSpells = parsed.nRecords;
    if (parsed.end == TextEnd::kReadError) {
        result.status = CheckStatus::kCannotReadText;
        return result;
    }
    result.diagnostics = checker.Finish();
    return result;
}

CheckResult CheckSpellFile(const std::string& dataDir, std::string_view spellClass) {
    const std::string textName = std::string(spellClass) + std::string(kTextExtension);
    LineReader text;
    if (!text.Open(TextPath(dataDir, spellClass)))
        return {CheckStatus::kCannotOpenText, messages::CannotOpenFile(textName, std::strerror(text.Error())), 0,
                {}};
    CheckResult result = CheckSpellText(text, IsPriestClass(spellClass));
    if (result.status == CheckStatus::kCannotReadText)
        result.strMessage = messages::CannotReadFile(textName, std::strerror(text.Error()));
    return result;
}
