// SPDX-License-Identifier: MIT
#pragma once
// Finding spells: the query a user types, and its matching against the
// rows of a list and against the spells' descriptions. The browser's find
// bar and `spellindex find` both use it, so they cannot disagree.
//
// A row matches when it passes the level and school filters, every term
// matches and no excluded term does. A term matches when it occurs,
// case-insensitively (simple Unicode case folding), as a substring of its
// field's text as the list shows it, or of any of the nine (the level as its
// digits) or, when descriptions are searched, of the description as the
// details show it. Level terms compare the level; V, S and M of the
// components compare its items. Different terms may match in different
// places.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FieldColumn.h"
#include "SpellRecord.h"
#include "Status.h"

inline constexpr int kSchoolImageUnknown = -1;  // a row given no school image

// The terms of `typed`: the runs between white space, case-folded, in
// order, duplicates kept. Each run between ASCII white space is read as
// UTF-8, or as Windows-1251 when it is not valid UTF-8, on its own.
std::vector<std::string> SplitTerms(std::string_view typed);

// What a term of a query names: one of the nine columns (kField*), any
// column, or the description.
inline constexpr int kAnyField = -1;
inline constexpr int kDescriptionField = kFieldCount;

// One term of a query, as ParseTerms reads it.
struct QueryTerm {
    std::string text;       // case-folded (SearchText), not empty
    int field = kAnyField;  // kAnyField, a kField* index or kDescriptionField
    bool exclude = false;   // keep only rows it does not match
    // Level terms: the levels from..to (inclusive); text is unused.
    int32_t levelFrom = 0;
    int32_t levelTo = 0;
    // Components terms of one of the letters V, S, M: that letter folded,
    // matched as an item of the list; 0 for a text match.
    char component = 0;

    bool operator==(const QueryTerm&) const = default;
};

struct SpellQuery {
    std::vector<QueryTerm> terms;
    std::optional<int32_t> level;       // keep rows of exactly this level
    std::optional<std::string> school;  // keep rows whose folded School/Sphere equals this
    std::optional<int> schoolClass;     // keep rows whose school image is this (0..8)
    std::optional<std::string> sphere;  // keep rows whose School/Sphere lists this folded item
    bool descriptions = false;          // terms of any column may also match the description

    // Empty query and no filter: the whole list.
    bool MatchesEverything() const {
        return terms.empty() && !level && !school && !schoolClass && !sphere;
    }
    // Some term must be looked up in the descriptions.
    bool ReadsDescriptions() const;
};

// Reads the terms of `typed` into `terms`, after those already there.
// Terms are separated by white space. `-TERM` excludes; `FIELD:TERM`
// matches in one field only (name, level, school or sphere, range,
// duration, area, components or comp, time, save, desc; any case);
// `"two words"` and `FIELD:"two words"` are one term. A level term is a
// level or a range `2-4`. A word of letters before a colon that is not a
// field name, an empty field term, a level term that is no level and an
// unclosed quote are errors: the result is the reason, and `terms` is
// left unchanged. Returns an empty string when the text is a query.
std::string ParseTerms(std::string_view typed, std::vector<QueryTerm>& terms);

// The items of a list such as "V, S, M (a pinch of sulphur)" or
// "Cleric, Druid/Plant": the texts between `separators` outside
// parentheses, without the white space around them, none empty.
std::vector<std::string_view> ListItems(std::string_view list, std::string_view separators);

// A query from what the user typed and chose; `school` as displayed. An
// error in `typed` (ParseTerms) is returned in `error` and leaves no terms.
SpellQuery MakeQuery(std::string_view typed, std::optional<int32_t> level,
                     std::optional<std::string_view> school, bool descriptions,
                     std::string* error = nullptr);

// A run of matched text: bytes [begin, end) of a text.
struct MatchSpan {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool operator==(const MatchSpan&) const = default;
};

// Where `query`'s terms match `text`, the text of `field` (a kField*
// column or kDescriptionField) as displayed, in UTF-8: what a user sees
// highlighted. Folds as the search does. A term of any column counts in
// every column, and in the description when `query.descriptions`; a level
// term covers the level's digits when the level is in its range; a V, S or
// M components term the letter of its item. Exclusions match nothing.
// Ascending, overlapping and adjoining runs joined; empty when none.
std::vector<MatchSpan> MatchSpans(std::string_view text, const SpellQuery& query, int field);

struct SearchResult;
struct SearchControl;

// The rows of a list in the form the search needs: each row's name folded,
// and for each other field the number of its text among the distinct
// texts of that field, folded once (FieldColumn); with the school image
// and text offset of each row.
class SpellSearchIndex {
public:
    // Adds a row: its nine field texts as stored (the level as its decimal
    // digits), and its record's text offset. Rows are numbered from 0 in
    // the order they are added.
    void AddRow(const std::array<std::string_view, kFieldCount>& fields, int32_t textOffset,
                int schoolImage = kSchoolImageUnknown);
    void AddRecord(const SpellRecord& record);
    // Room for `rows` rows.
    void Reserve(std::size_t rows);

    std::size_t RowCount() const { return textOffsets_.size(); }
    // Bytes one term's scan reads: the folded names, the fields' distinct
    // texts, and a byte a row for each other field.
    std::size_t TextBytes() const;

    // The distinct levels of the rows, ascending.
    std::vector<int32_t> Levels() const { return distinctLevels_; }
    // The distinct School/Sphere texts, compared case-insensitively, each
    // as displayed where it first occurs, sorted case-insensitively.
    std::vector<std::string> Schools() const;
    // The distinct single spheres (ListItems at commas and slashes) of the
    // School/Sphere texts, as Schools() gives them.
    std::vector<std::string> Spheres() const;

private:
    friend SearchResult FindSpells(const SpellSearchIndex&, const SpellQuery&, const std::string&,
                                   const SearchControl&);
    // A bit a row: bit r % 64 of word r / 64.
    using RowBits = std::vector<uint64_t>;

    // Sets the bits of the rows whose fields match `term` (a text,
    // component or level term; not one of the description only).
    void MarkFieldMatches(const QueryTerm& term, RowBits& rows) const;
    // Sets the bits of the rows whose folded name holds `text`.
    void MarkNames(std::string_view text, RowBits& rows) const;
    // The rows that pass the query's level, school and sphere filters.
    RowBits RowsPassing(const SpellQuery& query) const;

    // Each row's name folded and followed by a zero byte, which no term
    // holds, so that a term never matches across rows; in blocks that no
    // name straddles, so that the names take what they need and growing
    // copies none. A name's place is its block << kNameBlockBits | its
    // offset there.
    static constexpr int kNameBlockBits = 20;
    static constexpr std::size_t kNameBlockBytes = std::size_t{1} << kNameBlockBits;
    // The longest name the search reads, in raw bytes; records hold 100.
    static constexpr std::size_t kMaxNameBytes = 0x8000;
    std::vector<std::unique_ptr<char[]>> nameBlocks_;
    std::size_t namesUsed_ = kNameBlockBytes;  // bytes used of the last block
    std::size_t nameBytes_ = 0;
    // Row r's name begins at place nameBegin_[r]; the last is where the
    // next row's will begin if it fits the block.
    std::vector<uint32_t> nameBegin_ = {0};
    std::array<FieldColumn, kFieldCount> columns_;  // by field; the name's is unused
    std::vector<int8_t> schoolImages_;
    std::vector<int32_t> textOffsets_;
    std::vector<int32_t> levelOf_;        // by id of the level column
    std::vector<std::string> schoolNames_;  // by id of the school column: as displayed
    std::vector<int32_t> distinctLevels_;   // ascending
};

// Fails with kCancelled (the control's cancel flag was set),
// kCannotOpenText (descriptions searched, and the text file cannot be
// opened), kCannotReadText or kOutOfMemory (reported by the caller that
// caught it).
struct [[nodiscard]] SearchResult {
    Status status;
    std::vector<uint32_t> rows;  // the matching rows, ascending
    // Those of `rows` that a term matched only in the description, ascending.
    std::vector<uint32_t> descriptionRows;
    std::string strMessage;      // what failed, for the user; empty otherwise
    uint64_t textBytesRead = 0;  // bytes of the spell text read for descriptions

    bool ok() const { return status.ok(); }
};

// How a search running on another thread is stopped and followed. Both
// may be null.
struct SearchControl {
    const std::atomic<bool>* cancel = nullptr;  // once set, the search ends soon with kCancelled
    std::atomic<int>* progress = nullptr;       // work done so far, 0..kSearchProgressMax
};
inline constexpr int kSearchProgressMax = 1000;

// The rows of `index` that match `query`. Descriptions are read from the
// spell text file `textPath` at each row's text offset, by the same reader
// as the details; a description that cannot be read counts as empty, as
// the details then show it. Each distinct offset is read once, in file
// order, and no further than the details read. Safe to run on any thread
// while nothing changes `index`; may throw std::bad_alloc.
SearchResult FindSpells(const SpellSearchIndex& index, const SpellQuery& query,
                        const std::string& textPath, const SearchControl& control = {});
