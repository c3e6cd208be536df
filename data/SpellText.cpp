#include "SpellText.h"

#include <algorithm>

#include "SchoolImage.h"
#include "SpellFiles.h"

namespace {

// Markers and the offset of each value from its marker's position: the
// marker's length plus one, except "Component", which skips two
// characters so that "Components:" and "Component:" both work.
constexpr std::string_view kSphereMarker = "Sphere:";
constexpr int kSphereOffset = 8;
constexpr std::string_view kRangeMarker = "Range:";
constexpr int kRangeOffset = 7;
constexpr std::string_view kComponentsMarker = "Component";
constexpr int kComponentsOffset = 11;
constexpr std::string_view kDurationMarker = "Duration:";
constexpr int kDurationOffset = 10;
constexpr std::string_view kCastingTimeMarker = "Casting Time:";
constexpr int kCastingTimeOffset = 14;
constexpr std::string_view kAreaMarker = "Area of Effect:";
constexpr int kAreaOffset = 16;
constexpr std::string_view kSavingThrowMarker = "Saving Throw:";
constexpr int kSavingThrowOffset = 14;

std::ptrdiff_t Find(std::string_view line, std::string_view what) {
    const auto p = line.find(what);
    return p == std::string_view::npos ? -1 : static_cast<std::ptrdiff_t>(p);
}

std::ptrdiff_t ValueStart(std::string_view line, std::string_view marker, int offset) {
    return std::max<std::ptrdiff_t>(Find(line, marker) + offset, 0);
}

}  // namespace

std::string_view CutToTab(std::string_view line, std::string_view marker, int offset) {
    const std::ptrdiff_t start = ValueStart(line, marker, offset);
    const auto tabPos = line.find('\t');
    const std::ptrdiff_t tab = tabPos == std::string_view::npos ? -1 : static_cast<std::ptrdiff_t>(tabPos);
    if (tab - start <= 0)
        return {};
    return line.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(tab - start));
}

std::string_view CutToEnd(std::string_view line, std::string_view marker, int offset) {
    const std::ptrdiff_t start = ValueStart(line, marker, offset);
    if (start >= static_cast<std::ptrdiff_t>(line.size()))
        return {};
    return line.substr(static_cast<std::size_t>(start));
}

DescriptionEnd ScanDescription(LineReader& file, std::string* text, std::size_t maxBytes) {
    const auto append = [&](std::string_view line) {
        if (text && text->size() < maxBytes)
            text->append(line.substr(0, maxBytes - text->size()));
    };
    const auto atEnd = [&] {
        return file.Failed() ? DescriptionEnd::kReadError : DescriptionEnd::kEndOfFile;
    };

    std::string_view line;
    for (;;) {
        // Description lines up to and including the first blank one.
        do {
            if (!file.ReadLine(line))
                return atEnd();
            append(line);
        } while (!IsBlank(line));

        // Any run of further blank lines, then the line that decides.
        int64_t lineStart;
        do {
            lineStart = file.GetPosition();
            if (!file.ReadLine(line))
                return atEnd();
        } while (IsBlank(line));

        if (BeginsWithUpper(line))
            return file.Seek(lineStart) ? DescriptionEnd::kNextEntry : DescriptionEnd::kReadError;
        append(line);
    }
}

ParseResult ParseSpell(LineReader& file, SpellRecord& record, bool bPriest, ParseState& state) {
    std::string_view line;
    const auto read = [&] { return file.ReadLine(line); };
    const auto atEnd = [&] { return file.Failed() ? ParseResult::kReadError : ParseResult::kEnd; };

    if (!read())
        return atEnd();
    if (line.find(kLevelHeaderMarker) != std::string_view::npos) {
        ++state.nLevel;
        if (!read())
            return atEnd();
        if (IsBlank(line) && !read())
            return atEnd();
    }
    SetField(record.szName, line);
    record.nLevel = state.nLevel;

    if (!read())
        return atEnd();
    SetField(record.szSchool, line);
    record.nSchoolImage = GetSchoolImage(line);

    if (!read())
        return atEnd();
    if (IsBlank(line) && !read())
        return atEnd();

    if (bPriest) {
        SetField(record.szSchool, CutToEnd(line, kSphereMarker, kSphereOffset));
        if (!read())
            return atEnd();
    }

    SetField(record.szRange, CutToTab(line, kRangeMarker, kRangeOffset));
    SetField(record.szComponents, CutToEnd(line, kComponentsMarker, kComponentsOffset));

    if (!read())
        return atEnd();
    SetField(record.szDuration, CutToTab(line, kDurationMarker, kDurationOffset));
    SetField(record.szCastingTime, CutToEnd(line, kCastingTimeMarker, kCastingTimeOffset));

    if (!read())
        return atEnd();
    SetField(record.szArea, CutToTab(line, kAreaMarker, kAreaOffset));
    SetField(record.szSavingThrow, CutToEnd(line, kSavingThrowMarker, kSavingThrowOffset));

    if (!read())  // the line after the area line holds nothing the index keeps
        return atEnd();

    // The record's offset field ends at 2 GiB.
    const int64_t textOffset = file.GetPosition();
    if (textOffset > INT32_MAX)
        return ParseResult::kOffsetTooLarge;
    record.nTextOffset = static_cast<int32_t>(textOffset);

    switch (ScanDescription(file)) {
    case DescriptionEnd::kNextEntry: return ParseResult::kEntry;
    case DescriptionEnd::kEndOfFile: return ParseResult::kLastEntry;
    case DescriptionEnd::kReadError: return ParseResult::kReadError;
    }
    return ParseResult::kReadError;
}

ParseResult ParseSpell(LineReader& file, SpellRecord& record, bool bPriest) {
    ParseState state{g_nLevel};
    const ParseResult result = ParseSpell(file, record, bPriest, state);
    g_nLevel = state.nLevel;
    return result;
}
