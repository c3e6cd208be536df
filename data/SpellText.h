#pragma once
// The spell text grammar: field markers, the cutting of values out of
// lines, the end of a description, and the parse of one entry.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "LineReader.h"
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

enum class DescriptionEnd {
    kNextEntry,  // a line beginning with an upper-case letter follows
    kEndOfFile,  // the file ended inside the description
    kReadError,
};

// Reads a description from the reader's position to its end: a blank line,
// any further blank lines, then a line that begins with an upper-case
// letter. That line is not part of the description; on kNextEntry the
// reader is positioned at its start. When `text` is given, the description
// lines are appended to it joined with nothing between them (blank lines
// add nothing), up to `maxBytes` bytes.
DescriptionEnd ScanDescription(LineReader& file, std::string* text = nullptr,
                               std::size_t maxBytes = 0);

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
};

// Parses the entry at the reader's position into `record` (prepared by
// ClearRecord). For the priest class the sphere line replaces the school
// text. On kOffsetTooLarge the record holds every field but the offset,
// which the record cannot store.
ParseResult ParseSpell(LineReader& file, SpellRecord& record, bool bPriest, ParseState& state);
// The same with g_nLevel as the level counter.
ParseResult ParseSpell(LineReader& file, SpellRecord& record, bool bPriest);
