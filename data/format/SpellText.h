// SPDX-License-Identifier: MIT
#pragma once
// The spell text grammar: field markers, the cutting of values out of
// lines, the end of a description, and the parse of one entry.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "LineReader.h"
#include "SchoolImage.h"
#include "SpellRecord.h"

// A blank line has no characters at all; a line of spaces is not blank.
inline bool IsBlank(std::string_view line) { return line.empty(); }

// Upper case means the bytes 'A' to 'Z' and nothing else.
inline bool BeginsWithUpper(std::string_view line) {
    return !line.empty() && line[0] >= 'A' && line[0] <= 'Z';
}

// A level header raises the level of the entries that follow it.
inline constexpr std::string_view kLevelHeaderMarker = "-Level Spells";

// Value from `offset` past the marker up to the line's first tab. A missing
// marker counts as position -1; a start before the line's beginning (a
// zero or negative offset) counts as its beginning. Empty when the tab is
// missing or stands at or before the start.
std::string_view CutToTab(std::string_view line, std::string_view marker, int offset);
// Value from `offset` past the marker to the end of the line, by the same
// rules; empty when the start lies at or past the end.
std::string_view CutToEnd(std::string_view line, std::string_view marker, int offset);

// Where a field line's value is: after its marker, `offset` characters on
// from the marker's position (its length plus one, except "Component",
// which skips two characters so that "Components:" and "Component:" both
// work), up to the line's first tab or to its end.
struct FieldCut {
    std::string_view marker;
    int offset;
    bool toTab;
};
inline constexpr FieldCut kSphereCut{"Sphere:", 8, false};
inline constexpr FieldCut kRangeCut{"Range:", 7, true};
inline constexpr FieldCut kComponentsCut{"Component", 11, false};
inline constexpr FieldCut kDurationCut{"Duration:", 10, true};
inline constexpr FieldCut kCastingTimeCut{"Casting Time:", 14, false};
inline constexpr FieldCut kAreaCut{"Area of Effect:", 16, true};
inline constexpr FieldCut kSavingThrowCut{"Saving Throw:", 14, false};

// What each line read by the parse is.
enum class LineRole {
    kLevelHeader,
    kOptionalBlank,  // the blank line allowed after a level header or a school line
    kName,
    kSchool,
    kSphere,
    kRange,
    kDuration,
    kArea,
    kSkipped,      // the line after the area line
    kDescription,  // a description line, not after a blank line
    kBlank,        // a blank line in or after a description
    kParagraph,    // the line after blank lines that continues the description;
                   // one beginning with a byte below 128 may come as a
                   // description line (ScanDescription)
    kNextEntry,    // the line after blank lines that begins the next entry;
                   // the next parse reads it again as its first line. It
                   // may be told without its bytes (ScanDescription)
};

enum class ParseResult;

// Told what the parse sees, for checking a text. The index build passes
// none, and then nothing is told.
class SpellTextObserver {
public:
    virtual ~SpellTextObserver() = default;
    // Every line read, with the offset of its start.
    virtual void OnLine(LineRole role, std::string_view line, int64_t offset) = 0;
    // Description lines (kDescription) passed over in one run, as stored:
    // whole lines, none blank, each with its terminator, starting at
    // `offset`. By default each is told to OnLine as ReadLine would give
    // it: without its terminator, at most `maxLineBytes` bytes.
    virtual void OnDescriptionLines(std::string_view lines, int64_t offset, std::size_t maxLineBytes);
    // A value of the entry, as cut from the line just told, before it is
    // stored in `field` of the record and cut to the field's width. `cut`
    // says how it was cut and `markerFound` whether the line holds its
    // marker; for the name and school lines `cut` is null. A priest's
    // school is told once, as cut from the sphere line.
    virtual void OnValue(SpellField field, std::string_view value, const FieldCut* cut,
                         bool markerFound) = 0;
    // The end of one parse, with the record as the parse left it.
    virtual void OnEntryEnd(ParseResult result, const SpellRecord& record) = 0;
};

enum class DescriptionEnd {
    kNextEntry,  // a line beginning with an upper-case letter follows
    kEndOfFile,  // the file ended inside the description
    kReadError,
    kTextFull,   // `text` reached `maxBytes`; the rest was not read
};

// Reads a description from the reader's position to its end: a blank line,
// any further blank lines, then a line that begins with an upper-case
// letter. That line is not part of the description; on kNextEntry the
// reader is positioned at its start. When `text` is given, the description
// lines are appended to it joined with nothing between them (blank lines
// add nothing), up to `maxBytes` bytes, and the reading stops there with
// kTextFull. An observer is told every line; without a text, the line that
// begins the next entry may come without its bytes (kNextEntry, an empty
// view at its offset), and a paragraph that begins with a byte below 128 as
// a description line.
DescriptionEnd ScanDescription(LineReader& file, std::string* text = nullptr,
                               std::size_t maxBytes = 0, SpellTextObserver* observer = nullptr);

enum class ParseResult {
    kEntry,      // a complete entry; the file stands at the next entry
    kLastEntry,  // a complete entry whose description ran to the end of file
    kEnd,        // the file ended before the entry's fields were all read
    kReadError,
    kOffsetTooLarge,  // a complete entry whose description starts past 2 GiB
};

// What the parse of one text carries from entry to entry.
struct ParseState {
    int32_t nLevel = 1;  // level of the entries to come; headers raise it
    SpellTextObserver* pObserver = nullptr;  // told what the parse sees
    FieldZeros fieldZeros{};  // first zeros of the text fields of the record parsed last
};

// Parses the entry at the reader's position into `record` (prepared by
// ClearRecord). For the priest class the sphere line replaces the school
// text. On kOffsetTooLarge the record holds every field but the offset,
// which the record cannot store.
ParseResult ParseSpell(LineReader& file, SpellRecord& record, bool bPriest, ParseState& state);
