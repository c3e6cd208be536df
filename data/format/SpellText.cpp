// SPDX-License-Identifier: MIT
#include "SpellText.h"

#include <algorithm>

#include "SchoolImage.h"

namespace {

std::ptrdiff_t Find(std::string_view line, std::string_view what) {
    const auto p = line.find(what);
    return p == std::string_view::npos ? -1 : static_cast<std::ptrdiff_t>(p);
}

// The value from `start` up to the line's first tab: empty when the tab is
// missing or stands at or before the start. A start before the line (a
// missing marker with a small offset) counts from its beginning.
std::string_view ValueToTab(std::string_view line, std::ptrdiff_t start) {
    start = std::max<std::ptrdiff_t>(start, 0);
    const auto tabPos = line.find('\t');
    const std::ptrdiff_t tab = tabPos == std::string_view::npos ? -1 : static_cast<std::ptrdiff_t>(tabPos);
    if (tab - start <= 0)
        return {};
    return line.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(tab - start));
}

// The value from `start` to the end of the line: empty when the start lies
// at or past the end; a start before the line counts from its beginning.
std::string_view ValueToEnd(std::string_view line, std::ptrdiff_t start) {
    start = std::max<std::ptrdiff_t>(start, 0);
    if (start >= static_cast<std::ptrdiff_t>(line.size()))
        return {};
    return line.substr(static_cast<std::size_t>(start));
}

}  // namespace

std::string_view CutToTab(std::string_view line, std::string_view marker, int offset) {
    return ValueToTab(line, Find(line, marker) + offset);
}

std::string_view CutToEnd(std::string_view line, std::string_view marker, int offset) {
    return ValueToEnd(line, Find(line, marker) + offset);
}

void SpellTextObserver::OnDescriptionLines(std::string_view lines, int64_t offset, std::size_t maxLineBytes) {
    for (std::size_t at = 0; at < lines.size();) {
        const std::size_t lf = std::min(lines.find('\n', at), lines.size());
        std::string_view line = lines.substr(at, lf - at);
        if (line.ends_with('\r') && lf < lines.size())
            line.remove_suffix(1);
        OnLine(LineRole::kDescription, line.substr(0, maxLineBytes), offset + static_cast<int64_t>(at));
        at = lf + 1;
    }
}

DescriptionEnd ScanDescription(LineReader& file, std::string* text, std::size_t maxBytes,
                               SpellTextObserver* observer) {
    // True when the text is full: nothing more of the description is read.
    const auto append = [&](std::string_view line) {
        if (!text)
            return false;
        text->append(line.substr(0, maxBytes - text->size()));
        return text->size() >= maxBytes;
    };
    const auto atEnd = [&] {
        return file.Failed() ? DescriptionEnd::kReadError : DescriptionEnd::kEndOfFile;
    };

    std::string_view line;
    int64_t lineStart = 0;
    const auto tell = [&](LineRole role) {
        if (observer)
            observer->OnLine(role, line, lineStart);
    };
    // Without a text to fill, the lines before the next blank one need not
    // be read one by one: an observer is handed them in one run.
    const bool skip = text == nullptr;
    for (;;) {
        if (skip) {
            const int64_t runStart = observer ? file.GetPosition() : 0;
            const std::string_view run = file.SkipNonBlankLines();
            if (observer && !run.empty())
                observer->OnDescriptionLines(run, runStart, file.MaxLineBytes());
        }
        // Description lines up to and including the first blank one.
        do {
            if (observer)
                lineStart = file.GetPosition();
            if (!file.ReadLine(line))
                return atEnd();
            const bool full = append(line);
            tell(IsBlank(line) ? LineRole::kBlank : LineRole::kDescription);
            if (full)
                return DescriptionEnd::kTextFull;
        } while (!IsBlank(line));

        // Any run of further blank lines, then the line that decides. When
        // no text is filled, the next line's first byte, if the block holds
        // it, decides without reading the line: a capital begins the next
        // entry (told to an observer without its bytes); a byte below 128
        // leaves the description going on, which the pass to the next blank
        // line handles, blank lines included, and hands an observer as
        // description lines. With an observer, a line beginning with a byte
        // above 127 is read: it sees it as a paragraph. Against reading each line
        // after blank lines, this takes 5 % off the check of a 150 MB text
        // (161 against 153 ms of CPU) and of the watched build (171 against
        // 163).
        bool blank = true;
        while (blank) {
            if (skip) {
                const int first = file.PeekByte();
                if (first >= 'A' && first <= 'Z') {
                    if (observer)
                        observer->OnLine(LineRole::kNextEntry, {}, file.GetPosition());
                    return DescriptionEnd::kNextEntry;  // the reader stands at its start
                }
                if (first >= 0 && (first < 0x80 || observer == nullptr))
                    break;
            }
            lineStart = file.GetPosition();
            if (!file.ReadLine(line))
                return atEnd();
            blank = IsBlank(line);
            if (blank)
                tell(LineRole::kBlank);
        }
        if (blank)
            continue;  // decided by its first byte: the description goes on

        if (BeginsWithUpper(line)) {
            tell(LineRole::kNextEntry);
            return file.Seek(lineStart) ? DescriptionEnd::kNextEntry : DescriptionEnd::kReadError;
        }
        tell(LineRole::kParagraph);
        if (append(line))
            return DescriptionEnd::kTextFull;
    }
}

namespace {

// Reads the lines of one entry; an observer, when there is one, is told
// each line's role and each value.
class EntryReader {
public:
    EntryReader(LineReader& file, ParseState& state) : file_(file), state_(state), observer_(state.pObserver) {}

    std::string_view line;

    bool Read() {
        if (observer_)
            start_ = file_.GetPosition();
        return file_.ReadLine(line);
    }
    void Tell(LineRole role) const {
        if (observer_)
            observer_->OnLine(role, line, start_);
    }
    bool Read(LineRole role) {
        if (!Read())
            return false;
        Tell(role);
        return true;
    }
    // Stores `value` in `field`, telling the observer first.
    template <std::size_t N>
    void Store(char (&field)[N], SpellField which, std::string_view value) const {
        if (observer_)
            observer_->OnValue(which, value, nullptr, false);
        Keep(field, which, value);
    }
    // Stores `value` in `field` without telling, noting where the field's
    // first zero now is so that the record is cleared without a search.
    template <std::size_t N>
    void Keep(char (&field)[N], SpellField which, std::string_view value) const {
        state_.fieldZeros[static_cast<std::size_t>(which)] = static_cast<uint8_t>(SetField(field, value));
    }
    // Cuts the value out of the line and stores it in `field`. A missing
    // marker stands at position -1. `leading`: the marker usually begins
    // the line, which is then the first place to look.
    template <std::size_t N>
    void Cut(char (&field)[N], SpellField which, const FieldCut& cut, bool leading = false) const {
        const std::ptrdiff_t marker = leading && line.starts_with(cut.marker) ? 0 : Find(line, cut.marker);
        const std::ptrdiff_t start = marker + cut.offset;
        const std::string_view value = cut.toTab ? ValueToTab(line, start) : ValueToEnd(line, start);
        if (observer_)
            observer_->OnValue(which, value, &cut, marker >= 0);
        Keep(field, which, value);
    }

private:
    LineReader& file_;
    ParseState& state_;
    SpellTextObserver* observer_;
    int64_t start_ = 0;
};

ParseResult ParseEntry(LineReader& file, SpellRecord& record, bool bPriest, ParseState& state) {
    EntryReader in(file, state);
    const std::string_view& line = in.line;
    const auto atEnd = [&] { return file.Failed() ? ParseResult::kReadError : ParseResult::kEnd; };

    if (!in.Read())
        return atEnd();
    if (line.find(kLevelHeaderMarker) != std::string_view::npos) {
        in.Tell(LineRole::kLevelHeader);
        ++state.nLevel;
        if (!in.Read())
            return atEnd();
        if (IsBlank(line)) {
            in.Tell(LineRole::kOptionalBlank);
            if (!in.Read())
                return atEnd();
        }
    }
    in.Tell(LineRole::kName);
    in.Store(record.szName, kFieldName, line);
    record.nLevel = state.nLevel;

    if (!in.Read(LineRole::kSchool))
        return atEnd();
    if (bPriest)
        in.Keep(record.szSchool, kFieldSchool, line);  // until the sphere line replaces it
    else
        in.Store(record.szSchool, kFieldSchool, line);
    record.nSchoolImage = GetSchoolImage(line);

    if (!in.Read())
        return atEnd();
    if (IsBlank(line)) {
        in.Tell(LineRole::kOptionalBlank);
        if (!in.Read())
            return atEnd();
    }

    if (bPriest) {
        in.Tell(LineRole::kSphere);
        in.Cut(record.szSchool, kFieldSchool, kSphereCut, true);
        if (!in.Read())
            return atEnd();
    }

    in.Tell(LineRole::kRange);
    in.Cut(record.szRange, kFieldRange, kRangeCut, true);
    in.Cut(record.szComponents, kFieldComponents, kComponentsCut);

    if (!in.Read(LineRole::kDuration))
        return atEnd();
    in.Cut(record.szDuration, kFieldDuration, kDurationCut, true);
    in.Cut(record.szCastingTime, kFieldCastingTime, kCastingTimeCut);

    if (!in.Read(LineRole::kArea))
        return atEnd();
    in.Cut(record.szArea, kFieldArea, kAreaCut, true);
    in.Cut(record.szSavingThrow, kFieldSavingThrow, kSavingThrowCut);

    // The line after the area line holds nothing the index keeps.
    if (!in.Read(LineRole::kSkipped))
        return atEnd();

    // The record's offset field ends at 2 GiB.
    const int64_t textOffset = file.GetPosition();
    if (textOffset > INT32_MAX)
        return ParseResult::kOffsetTooLarge;
    record.nTextOffset = static_cast<int32_t>(textOffset);

    switch (ScanDescription(file, nullptr, 0, state.pObserver)) {
    case DescriptionEnd::kNextEntry:
    case DescriptionEnd::kTextFull:  // not without a text to fill
        return ParseResult::kEntry;
    case DescriptionEnd::kEndOfFile: return ParseResult::kLastEntry;
    case DescriptionEnd::kReadError: return ParseResult::kReadError;
    }
    return ParseResult::kReadError;
}

}  // namespace

ParseResult ParseSpell(LineReader& file, SpellRecord& record, bool bPriest, ParseState& state) {
    const ParseResult result = ParseEntry(file, record, bPriest, state);
    if (state.pObserver)
        state.pObserver->OnEntryEnd(result, record);
    return result;
}
