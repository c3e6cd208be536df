// SPDX-License-Identifier: MIT
#pragma once
// Deterministic generator of spell text files for the benchmarks. The same
// options give the same bytes on every platform and standard library: the
// generator uses its own random number generator, not <random>'s
// distributions.
//
// The texts follow the grammar the index builder reads: a name line, a
// school line (for priests a "Sphere:" line after it), the range, duration
// and area lines with their tab-separated second values, one line the index
// does not keep, then a description of several lines. Entries are separated
// by one or two blank lines; "<Ordinal>-Level Spells" headers stand before
// the first entry of each level after the first. Inside a description a
// line after a blank line never begins with an upper-case letter, so every
// generated entry is indexed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// An entry whose description is made long on purpose.
struct LongDescription {
    std::size_t entry = 0;  // ordinal of the entry, from 0
    std::size_t bytes = 0;  // description bytes, lines joined without terminators
    bool oneLine = false;   // one single line instead of lines of 80-400 bytes
};

struct SpellTextOptions {
    uint64_t seed = 0x2D4C6576656CULL;
    // Whole entries are added until the text holds at least this many bytes.
    std::size_t targetBytes = std::size_t{1} << 20;
    bool crlf = false;    // CR LF line ends instead of LF
    bool priest = false;  // a "Sphere:" line after the school line
    // Levels spread evenly over the text: a header before the first entry
    // past each (level - 1) / levels of targetBytes. At most 12.
    int levels = 9;
    std::vector<LongDescription> longDescriptions;
};

// What the index builder and the description reader should find for an
// entry.
struct GeneratedEntry {
    int64_t descriptionOffset = 0;     // file offset of the first description line
    std::size_t descriptionBytes = 0;  // description lines joined without terminators
    int32_t level = 1;
};

struct GeneratedText {
    std::size_t bytes = 0;
    std::size_t lines = 0;
    std::vector<GeneratedEntry> entries;
};

// The whole text in memory (small texts).
std::string GenerateSpellText(const SpellTextOptions& options, GeneratedText* info = nullptr);

// Streams the text to `path`, created or truncated. False on an I/O error,
// with `error` set.
bool WriteSpellTextFile(const std::string& path, const SpellTextOptions& options,
                        GeneratedText* info, std::string* error);
