// SPDX-License-Identifier: MIT
#pragma once
// Reads a spell's description from its text file at the offset kept in
// the spell's index record.

#include <cstddef>
#include <cstdint>
#include <string>

#include "LineReader.h"
#include "Status.h"

// A description longer than this is cut: only a damaged index pointing into
// a huge file gets near it.
inline constexpr std::size_t kMaxDescriptionBytes = 1024 * 1024;
static_assert(kMaxLineBytes >= kMaxDescriptionBytes + 4, "a line holds a whole description");
// Bytes of text read for one description at most: room for the longest
// description's line ends and blank lines. A description whose lines run
// on further (a text edited so that they no longer end) is cut there.
inline constexpr std::size_t kMaxDescriptionReadBytes = 4 * kMaxDescriptionBytes;

// Fails with kCannotOpenText, kBadOffset (a negative text offset) or
// kCannotReadText (reading failed midway; the error is 0 when the system
// gave no reason).
struct [[nodiscard]] DescriptionResult {
    Status status;
    std::string strText;  // raw bytes of the text file, lines joined

    bool ok() const { return status.ok(); }
};

// Collects the description that begins at `textOffset` in the text file
// `textPath`, by the same end rule the index builder uses. The end of the
// file also ends a description, so an offset at or past the end gives an
// empty one. Reads at most kMaxDescriptionBytes of description from at
// most kMaxDescriptionReadBytes of text (plus the block it stands in).
DescriptionResult ReadDescriptionFromPath(const std::string& textPath, int64_t textOffset);

// The same from a text file the caller holds open, for reading many
// descriptions of one file: repositions `file`, sets `text` (which keeps
// its capacity) and returns the status.
Status ReadDescriptionInto(LineReader& file, int64_t textOffset, std::string& text);
// The same as a result.
DescriptionResult ReadDescriptionFromFile(LineReader& file, int64_t textOffset);
