// SPDX-License-Identifier: MIT
#include "SpellSearch.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>
#include <new>
#include <string.h>  // memmem
#include <unordered_set>

#include "CaseFolding.h"
#include "DescriptionReader.h"
#include "LineReader.h"
#include "Messages.h"
#include "SchoolImage.h"
#include "StatusMessage.h"
#include "TextDecoding.h"

namespace {

// An empty text (a description not read) may have no data pointer, which
// memmem must not be given.
bool Contains(std::string_view haystack, std::string_view needle) {
    if (haystack.size() < needle.size() || needle.empty())
        return needle.empty();
    return ::memmem(haystack.data(), haystack.size(), needle.data(), needle.size()) != nullptr;
}

// Unicode White_Space, and the zero byte, which cannot be part of a term.
bool IsSeparator(char32_t cp) {
    switch (cp) {
    case 0x0000: case 0x0009: case 0x000A: case 0x000B: case 0x000C: case 0x000D:
    case 0x0020: case 0x0085: case 0x00A0: case 0x1680: case 0x2028: case 0x2029:
    case 0x202F: case 0x205F: case 0x3000:
        return true;
    default:
        return cp >= 0x2000 && cp <= 0x200A;
    }
}

// The code point that starts at text[i] of valid UTF-8, and its length.
char32_t DecodeAt(std::string_view text, std::size_t i, std::size_t& length) {
    length = Utf8LeadLength(static_cast<unsigned char>(text[i]));
    return DecodeUtf8(text, i, length);
}

int32_t ParseLevel(std::string_view digits) {
    int32_t level = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), level);
    return level;
}

// Progress of a search in thousandths, shared between its two phases.
class ProgressReport {
public:
    explicit ProgressReport(const SearchControl& control) : control_(control) {}

    bool Cancelled() const {
        return control_.cancel && control_.cancel->load(std::memory_order_relaxed);
    }
    // `done` of `total` steps of the phase that spans [from, to] thousandths.
    void Set(int from, int to, std::size_t done, std::size_t total) const {
        if (!control_.progress || total == 0)
            return;
        const auto span = static_cast<std::size_t>(to - from);
        control_.progress->store(from + static_cast<int>(span * std::min(done, total) / total),
                                 std::memory_order_relaxed);
    }

private:
    const SearchControl& control_;
};

SearchResult Cancelled() {
    SearchResult result;
    result.status.code = StatusCode::kCancelled;
    return result;
}

SearchResult Failed(Status status) {
    SearchResult result;
    result.strMessage = StatusMessage(status);
    result.status = std::move(status);
    return result;
}

// Descriptions read between two looks at the cancel flag.
constexpr std::size_t kDescriptionsPerStep = 32;

}  // namespace

std::vector<std::string> SplitTerms(std::string_view typed) {
    std::vector<std::string> terms;
    const auto splitDecoded = [&terms](std::string_view text) {
        std::size_t start = 0;
        const auto endTerm = [&](std::size_t end) {
            if (end > start) {
                std::string term;
                AppendDisplayFolded(term, text.substr(start, end - start));
                terms.push_back(std::move(term));
            }
        };
        for (std::size_t i = 0; i < text.size();) {
            std::size_t length = 1;
            const char32_t cp = DecodeAt(text, i, length);
            if (IsSeparator(cp)) {
                endTerm(i);
                start = i + length;
            }
            i += length;
        }
        endTerm(text.size());
    };
    // Runs between ASCII white space are decoded each on its own: a UTF-8
    // term and a Windows-1251 one may be typed together.
    const auto asciiSpace = [](char c) { return c == ' ' || c == '\0' || (c >= '\t' && c <= '\r'); };
    for (std::size_t i = 0; i < typed.size();) {
        if (asciiSpace(typed[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < typed.size() && !asciiSpace(typed[end]))
            ++end;
        splitDecoded(DecodeForDisplay(typed.substr(i, end - i)));
        i = end;
    }
    return terms;
}

namespace {

struct FieldName {
    std::string_view name;
    int field;
};
constexpr FieldName kFieldNames[] = {
    {"name", kFieldName},         {"level", kFieldLevel},        {"school", kFieldSchool},
    {"sphere", kFieldSchool},     {"range", kFieldRange},        {"duration", kFieldDuration},
    {"area", kFieldArea},         {"components", kFieldComponents}, {"comp", kFieldComponents},
    {"time", kFieldCastingTime},  {"save", kFieldSavingThrow},   {"desc", kDescriptionField},
};

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::optional<int> FieldNamed(std::string_view name) {
    for (const auto& [known, field] : kFieldNames) {
        const bool same = known.size() == name.size() &&
                          std::equal(known.begin(), known.end(), name.begin(), [](char a, char b) {
                              return a == (b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : b);
                          });
        if (same)
            return field;
    }
    return std::nullopt;
}

std::optional<int32_t> ParseWholeNumber(std::string_view digits) {
    int32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.front() == '-')
        return std::nullopt;
    return value;
}

// `typed` as UTF-8: each run between ASCII white space read as UTF-8, or
// as Windows-1251 when it is not valid UTF-8, on its own; the white space
// as it stands.
std::string DecodeRuns(std::string_view typed) {
    std::string text;
    const auto asciiSpace = [](char c) { return c == ' ' || c == '\0' || (c >= '\t' && c <= '\r'); };
    for (std::size_t i = 0; i < typed.size();) {
        std::size_t end = i;
        const bool space = asciiSpace(typed[i]);
        while (end < typed.size() && asciiSpace(typed[end]) == space)
            ++end;
        if (space)  // kept for phrases; a zero byte, which no field holds, as a blank
            for (std::size_t k = i; k < end; ++k)
                text.push_back(typed[k] == '\0' ? ' ' : typed[k]);
        else
            text += DecodeForDisplay(typed.substr(i, end - i));
        i = end;
    }
    return text;
}

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// A folded components text lists `letter`: an item (ListItems at commas)
// is the letter, maybe followed by its material in parentheses. Runs for
// every row of a list, so it splits in place.
bool HasComponent(std::string_view components, char letter) {
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= components.size(); ++i) {
        const char c = i < components.size() ? components[i] : ',';
        if (c == '(') {
            ++depth;
        } else if (c == ')' && depth > 0) {
            --depth;
        } else if (c == ',' && (depth == 0 || i == components.size())) {
            // The field's end closes an item whose parenthesis the field's
            // width cut off.
            const std::string_view item = components.substr(start, i - start);
            const std::string_view head = Trimmed(item.substr(0, item.find('(')));
            if (head.size() == 1 && head.front() == letter)
                return true;
            start = i + 1;
        }
    }
    return false;
}

}  // namespace

std::vector<std::string_view> ListItems(std::string_view list, std::string_view separators) {
    std::vector<std::string_view> items;
    int depth = 0;
    std::size_t start = 0;
    const auto endItem = [&](std::size_t end) {
        const std::string_view item = Trimmed(list.substr(start, end - start));
        if (!item.empty())
            items.push_back(item);
        start = end + 1;
    };
    for (std::size_t i = 0; i < list.size(); ++i) {
        const char c = list[i];
        if (c == '(')
            ++depth;
        else if (c == ')' && depth > 0)
            --depth;
        else if (depth == 0 && separators.find(c) != std::string_view::npos)
            endItem(i);
    }
    endItem(list.size());
    return items;
}

std::string ParseTerms(std::string_view typed, std::vector<QueryTerm>& terms) {
    const std::string text = DecodeRuns(typed);
    const std::size_t size = text.size();
    // The end of the run of non-separators from `i`.
    const auto wordEnd = [&](std::size_t i) {
        for (std::size_t length = 1; i < size; i += length)
            if (IsSeparator(DecodeAt(text, i, length)))
                break;
        return i;
    };
    std::vector<QueryTerm> parsed;
    for (std::size_t i = 0; i < size;) {
        std::size_t length = 1;
        if (IsSeparator(DecodeAt(text, i, length))) {
            i += length;
            continue;
        }
        QueryTerm term;
        if (text[i] == '-' && wordEnd(i) > i + 1) {
            term.exclude = true;
            ++i;
        }
        std::size_t nameEnd = i;
        while (nameEnd < size && IsAsciiLetter(text[nameEnd]))
            ++nameEnd;
        std::string_view name;
        if (nameEnd > i && nameEnd < size && text[nameEnd] == ':') {
            name = std::string_view(text).substr(i, nameEnd - i);
            const std::optional<int> field = FieldNamed(name);
            if (!field)
                return messages::UnknownQueryField(name);
            term.field = *field;
            i = nameEnd + 1;
        }
        std::string_view value;
        if (i < size && text[i] == '"') {
            const std::size_t close = text.find('"', i + 1);
            if (close == std::string::npos)
                return std::string(messages::kUnclosedQuote);
            value = std::string_view(text).substr(i + 1, close - i - 1);
            i = close + 1;
        } else {
            const std::size_t end = wordEnd(i);
            value = std::string_view(text).substr(i, end - i);
            i = end;
        }
        AppendDisplayFolded(term.text, value);
        if (term.text.empty()) {
            if (!name.empty())
                return messages::EmptyQueryTerm(name);
            continue;  // "" asks for nothing
        }
        if (term.field == kFieldLevel) {
            const std::size_t dash = term.text.find('-', 1);
            const std::optional<int32_t> from = ParseWholeNumber(term.text.substr(0, dash));
            const std::optional<int32_t> to =
                dash == std::string::npos ? from : ParseWholeNumber(std::string_view(term.text).substr(dash + 1));
            if (!from || !to)
                return messages::BadQueryLevel(value);
            term.levelFrom = std::min(*from, *to);
            term.levelTo = std::max(*from, *to);
        }
        if (term.field == kFieldComponents && term.text.size() == 1 &&
            std::string_view("vsm").find(term.text.front()) != std::string_view::npos)
            term.component = term.text.front();
        parsed.push_back(std::move(term));
    }
    terms.insert(terms.end(), std::make_move_iterator(parsed.begin()), std::make_move_iterator(parsed.end()));
    return {};
}

bool SpellQuery::ReadsDescriptions() const {
    return std::any_of(terms.begin(), terms.end(), [&](const QueryTerm& term) {
        return term.field == kDescriptionField || (descriptions && term.field == kAnyField);
    });
}

SpellQuery MakeQuery(std::string_view typed, std::optional<int32_t> level,
                     std::optional<std::string_view> school, bool descriptions, std::string* error) {
    SpellQuery query;
    std::string reason = ParseTerms(typed, query.terms);
    if (error)
        *error = std::move(reason);
    query.level = level;
    if (school) {
        query.school.emplace();
        AppendDisplayFolded(*query.school, *school);
    }
    query.descriptions = descriptions;
    return query;
}

namespace {

// Whether `term` looks for text in `field` (MatchSpans).
bool LooksIn(const QueryTerm& term, int field, bool descriptions) {
    if (term.exclude)
        return false;
    if (field == kDescriptionField)
        return term.field == kDescriptionField || (term.field == kAnyField && descriptions);
    return term.field == field || term.field == kAnyField;
}

// `text` (UTF-8) folded as the search folds it, into `folded`, and for
// each byte of the folding the offset in `text` of the character it comes
// from, then text.size(), into `origin`. A byte that is not UTF-8 stays.
void FoldWithOrigins(std::string_view text, std::string& folded, std::vector<std::size_t>& origin) {
    folded.reserve(text.size() + 4);
    origin.reserve(text.size() + 5);
    for (std::size_t i = 0; i < text.size();) {
        char bytes[4];
        char* end = bytes + 1;
        std::size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            bytes[0] = text[i];
            length = 1;
        } else {
            end = PutUtf8(bytes, FoldCase(DecodeAt(text, i, length)));
        }
        for (const char* b = bytes; b < end; ++b) {
            folded.push_back(*b);
            origin.push_back(i);
        }
        i += length;
    }
    origin.push_back(text.size());
}

}  // namespace

std::vector<MatchSpan> MatchSpans(std::string_view text, const SpellQuery& query, int field) {
    std::vector<MatchSpan> spans;
    std::string folded;
    std::vector<std::size_t> origin;
    for (const QueryTerm& term : query.terms) {
        if (!LooksIn(term, field, query.descriptions))
            continue;
        if (term.field == kFieldLevel) {
            const std::string_view digits = Trimmed(text);
            int32_t level = 0;
            const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), level);
            if (!digits.empty() && error == std::errc() && end == digits.data() + digits.size() &&
                level >= term.levelFrom && level <= term.levelTo) {
                const auto begin = static_cast<std::size_t>(digits.data() - text.data());
                spans.push_back({begin, begin + digits.size()});
            }
            continue;
        }
        if (term.component) {
            for (const std::string_view item : ListItems(text, ",")) {
                const std::string_view head = Trimmed(item.substr(0, item.find('(')));
                std::string letter;
                AppendDisplayFolded(letter, head);
                if (letter.size() == 1 && letter.front() == term.component) {
                    const auto begin = static_cast<std::size_t>(head.data() - text.data());
                    spans.push_back({begin, begin + head.size()});
                }
            }
            continue;
        }
        if (origin.empty())
            FoldWithOrigins(text, folded, origin);
        for (std::size_t at = 0; at + term.text.size() <= folded.size();) {
            const void* hit = ::memmem(folded.data() + at, folded.size() - at, term.text.data(), term.text.size());
            if (!hit)
                break;
            const auto found = static_cast<std::size_t>(static_cast<const char*>(hit) - folded.data());
            spans.push_back({origin[found], origin[found + term.text.size()]});
            at = found + 1;
        }
    }
    std::sort(spans.begin(), spans.end(),
              [](const MatchSpan& a, const MatchSpan& b) { return a.begin != b.begin ? a.begin < b.begin : a.end < b.end; });
    std::vector<MatchSpan> joined;
    for (const MatchSpan& span : spans) {
        if (span.begin == span.end)
            continue;
        if (!joined.empty() && span.begin <= joined.back().end)
            joined.back().end = std::max(joined.back().end, span.end);
        else
            joined.push_back(span);
    }
    return joined;
}

void SpellSearchIndex::Reserve(std::size_t rows) {
    nameBegin_.reserve(rows + 1);
    for (int field = 1; field < kFieldCount; ++field)
        columns_[static_cast<std::size_t>(field)].Reserve(rows);
    schoolImages_.reserve(rows);
    textOffsets_.reserve(rows);
}

std::size_t SpellSearchIndex::TextBytes() const {
    std::size_t bytes = nameBytes_;
    for (int field = 1; field < kFieldCount; ++field)
        bytes += columns_[static_cast<std::size_t>(field)].TextBytes() + RowCount();
    return bytes;
}

void SpellSearchIndex::AddRow(const std::array<std::string_view, kFieldCount>& fields,
                              int32_t textOffset, int schoolImage) {
    const std::string_view name = fields[kFieldName].substr(0, kMaxNameBytes);
    const std::size_t room = FoldRoom(name.size()) + 1;
    if (namesUsed_ + room > kNameBlockBytes) {
        if (nameBlocks_.size() >> (32 - kNameBlockBits) != 0)
            throw std::bad_alloc();  // places are 32 bits
        // Zeros, which no term holds, end the block for the scan.
        if (!nameBlocks_.empty())
            std::memset(nameBlocks_.back().get() + namesUsed_, 0, kNameBlockBytes - namesUsed_);
        nameBlocks_.push_back(std::make_unique_for_overwrite<char[]>(kNameBlockBytes));
        namesUsed_ = 0;
    }
    char* const begin = nameBlocks_.back().get() + namesUsed_;
    char* const end = FoldDisplayText(begin, name);
    *end = '\0';
    const auto used = static_cast<std::size_t>(end + 1 - begin);
    const auto namePlace = static_cast<uint32_t>((nameBlocks_.size() - 1) << kNameBlockBits | namesUsed_);
    nameBegin_.back() = namePlace;
    nameBegin_.push_back(static_cast<uint32_t>(namePlace + used));
    namesUsed_ += used;
    nameBytes_ += used;

    for (int field = 1; field < kFieldCount; ++field) {
        FieldColumn& column = columns_[static_cast<std::size_t>(field)];
        const std::size_t known = column.TextCount();
        const uint32_t id = column.Append(fields[static_cast<std::size_t>(field)]);
        if (id < known)
            continue;
        // A text met for the first time.
        if (field == kFieldLevel) {
            const int32_t level = ParseLevel(fields[kFieldLevel]);
            levelOf_.push_back(level);
            const auto place = std::lower_bound(distinctLevels_.begin(), distinctLevels_.end(), level);
            if (place == distinctLevels_.end() || *place != level)
                distinctLevels_.insert(place, level);
        } else if (field == kFieldSchool) {
            schoolNames_.push_back(DecodeForDisplay(fields[kFieldSchool]));
        }
    }
    schoolImages_.push_back(static_cast<int8_t>(schoolImage >= 0 && schoolImage < kSchoolImageCount
                                                    ? schoolImage
                                                    : kSchoolImageUnknown));
    textOffsets_.push_back(textOffset);
}

void SpellSearchIndex::AddRecord(const SpellRecord& record) {
    LevelDigits scratch;
    AddRow(RecordFields(record, scratch), record.nTextOffset, record.nSchoolImage);
}

namespace {

// The distinct folded School/Sphere texts of `column` with the id of each
// one's first text, sorted.
std::vector<std::pair<std::string_view, uint32_t>> DistinctSchools(const FieldColumn& column) {
    std::vector<std::pair<std::string_view, uint32_t>> byKey;
    byKey.reserve(column.TextCount());
    for (uint32_t id = 0; id < column.TextCount(); ++id)
        byKey.emplace_back(column.Folded(id), id);
    // Ids count in the order first met: the lowest of equal texts is the first.
    std::sort(byKey.begin(), byKey.end());
    byKey.erase(std::unique(byKey.begin(), byKey.end(),
                            [](const auto& a, const auto& b) { return a.first == b.first; }),
                byKey.end());
    return byKey;
}

}  // namespace

std::vector<std::string> SpellSearchIndex::Schools() const {
    std::vector<std::string> names;
    for (const auto& [key, id] : DistinctSchools(columns_[kFieldSchool]))
        names.push_back(schoolNames_[id]);
    return names;
}

std::vector<std::string> SpellSearchIndex::Spheres() const {
    std::vector<std::pair<std::string, std::string>> byKey;  // folded item, item as displayed
    std::unordered_set<std::string> seen;
    for (const std::string& name : schoolNames_) {  // in the order first met
        const std::vector<std::string_view> items = ListItems(name, ",/");
        for (const std::string_view item : items) {
            std::string folded;
            AppendDisplayFolded(folded, item);
            if (seen.insert(folded).second)
                byKey.emplace_back(std::move(folded), std::string(item));
        }
    }
    std::sort(byKey.begin(), byKey.end());
    std::vector<std::string> names;
    names.reserve(byKey.size());
    for (auto& [key, name] : byKey)
        names.push_back(std::move(name));
    return names;
}

namespace {

bool HasBit(const std::vector<uint64_t>& bits, std::size_t row) { return (bits[row >> 6] >> (row & 63) & 1) != 0; }

// Sets the bit of each row of `column` whose text's id has `hit[id]` set.
void MarkRowsOf(const FieldColumn& column, const std::vector<uint8_t>& hit, std::vector<uint64_t>& rows) {
    column.VisitIds([&](auto ids) {
        const std::size_t count = ids.size();
        for (std::size_t first = 0; first < count; first += 64) {
            const std::size_t n = std::min<std::size_t>(64, count - first);
            uint64_t word = 0;
            for (std::size_t k = 0; k < n; ++k)
                word |= uint64_t{hit[ids[first + k]]} << k;
            rows[first >> 6] |= word;
        }
    });
}

// Calls `each` with every row whose bit is set in `word`, the word of rows
// from `first`, in ascending order.
template <class Each>
void ForEachRow(uint64_t word, std::size_t first, Each&& each) {
    for (; word != 0; word &= word - 1)
        each(static_cast<uint32_t>(first + static_cast<std::size_t>(std::countr_zero(word))));
}

}  // namespace

void SpellSearchIndex::MarkNames(std::string_view text, RowBits& rows) const {
    std::size_t row = 0;
    for (std::size_t block = 0; block < nameBlocks_.size(); ++block) {
        const char* const data = nameBlocks_[block].get();
        const std::size_t first = block << kNameBlockBits;
        const std::size_t end = first + (block + 1 == nameBlocks_.size() ? namesUsed_ : kNameBlockBytes);
        for (std::size_t pos = std::max<std::size_t>(nameBegin_[row], first); pos < end;) {
            const void* hit = ::memmem(data + (pos - first), end - pos, text.data(), text.size());
            if (!hit)
                break;
            const std::size_t at = first + static_cast<std::size_t>(static_cast<const char*>(hit) - data);
            while (nameBegin_[row + 1] <= at)
                ++row;
            rows[row >> 6] |= uint64_t{1} << (row & 63);
            pos = nameBegin_[++row];
        }
    }
}

void SpellSearchIndex::MarkFieldMatches(const QueryTerm& term, RowBits& rows) const {
    if (term.field == kAnyField || term.field == kFieldName)
        MarkNames(term.text, rows);
    for (int field = 1; field < kFieldCount; ++field) {
        if (term.field != kAnyField && term.field != field)
            continue;
        const FieldColumn& column = columns_[static_cast<std::size_t>(field)];
        std::vector<uint8_t> hit(column.TextCount(), 0);
        bool any = false;
        for (uint32_t id = 0; id < column.TextCount(); ++id) {
            bool match = false;
            if (term.field == kFieldLevel)
                match = levelOf_[id] >= term.levelFrom && levelOf_[id] <= term.levelTo;
            else if (term.component)
                match = HasComponent(column.Folded(id), term.component);
            else
                match = Contains(column.Folded(id), term.text);
            hit[id] = match ? 1 : 0;
            any = any || match;
        }
        if (any)
            MarkRowsOf(column, hit, rows);
    }
}

SpellSearchIndex::RowBits SpellSearchIndex::RowsPassing(const SpellQuery& query) const {
    const std::size_t rowCount = RowCount();
    if (!query.level && !query.school && !query.schoolClass && !query.sphere) {
        RowBits all(rowCount / 64, ~uint64_t{0});
        if (rowCount % 64 != 0)
            all.push_back((uint64_t{1} << (rowCount % 64)) - 1);
        return all;
    }
    RowBits rows((rowCount + 63) / 64, 0);
    // By id of the level and the school column: the texts the filters let pass.
    const FieldColumn& levels = columns_[kFieldLevel];
    const FieldColumn& schools = columns_[kFieldSchool];
    std::vector<uint8_t> levelPasses(levels.TextCount(), 1);
    if (query.level)
        for (uint32_t id = 0; id < levels.TextCount(); ++id)
            levelPasses[id] = levelOf_[id] == *query.level ? 1 : 0;
    std::vector<uint8_t> schoolPasses(schools.TextCount(), 1);
    for (uint32_t id = 0; id < schools.TextCount(); ++id) {
        const std::string_view school = schools.Folded(id);
        if (query.school && school != *query.school)
            schoolPasses[id] = 0;
        if (query.sphere) {
            const std::vector<std::string_view> items = ListItems(school, ",/");
            if (std::find(items.begin(), items.end(), *query.sphere) == items.end())
                schoolPasses[id] = 0;
        }
    }
    const int image = query.schoolClass.value_or(kSchoolImageUnknown);
    levels.VisitIds([&](auto levelIds) {
        schools.VisitIds([&](auto schoolIds) {
            for (std::size_t row = 0; row < rowCount; ++row) {
                const bool passes = levelPasses[levelIds[row]] != 0 && schoolPasses[schoolIds[row]] != 0 &&
                                    (!query.schoolClass || schoolImages_[row] == image);
                rows[row >> 6] |= uint64_t{passes} << (row & 63);
            }
        });
    });
    return rows;
}

SearchResult FindSpells(const SpellSearchIndex& index, const SpellQuery& query,
                        const std::string& textPath, const SearchControl& control) {
    const ProgressReport progress(control);
    const std::size_t rowCount = index.RowCount();
    const std::size_t words = (rowCount + 63) / 64;
    const bool withDescriptions = query.ReadsDescriptions();
    // The field scan is cheap next to reading descriptions.
    const int fieldsDone = withDescriptions ? kSearchProgressMax / 20 : kSearchProgressMax;

    SearchResult result;
    const SpellSearchIndex::RowBits passing = index.RowsPassing(query);
    // For each term, the rows whose fields match it; and whether the
    // description may decide it where they do not.
    struct TermRows {
        SpellSearchIndex::RowBits fields;
        bool inDescription = false;
    };
    std::vector<TermRows> termRows(query.terms.size());
    for (std::size_t t = 0; t < query.terms.size(); ++t) {
        if (progress.Cancelled())
            return Cancelled();
        const QueryTerm& term = query.terms[t];
        termRows[t].fields.assign(words, 0);
        termRows[t].inDescription =
            term.field == kDescriptionField || (term.field == kAnyField && query.descriptions);
        if (term.field != kDescriptionField)
            index.MarkFieldMatches(term, termRows[t].fields);
        progress.Set(0, fieldsDone, t + 1, query.terms.size() + 1);
    }

    // A row matches by its fields when it passes the filters, holds every
    // term and no excluded one there; it is a candidate for its description
    // when a term the description may decide is missing from its fields.
    // Candidates as (offset, row) keys, in list order, for reading their
    // descriptions in the order of their text offsets.
    SpellSearchIndex::RowBits matched(words, 0);
    std::vector<uint64_t> order;
    for (std::size_t w = 0; w < words; ++w) {
        uint64_t rows = passing[w];
        uint64_t pending = 0;
        for (std::size_t t = 0; t < termRows.size(); ++t) {
            const uint64_t inFields = termRows[t].fields[w];
            if (query.terms[t].exclude)
                rows &= ~inFields;
            else if (!termRows[t].inDescription)
                rows &= inFields;
            if (termRows[t].inDescription)
                pending |= ~inFields;
        }
        pending &= rows;
        matched[w] = rows & ~pending;
        ForEachRow(pending, w * 64, [&](uint32_t row) {
            order.push_back(uint64_t{static_cast<uint32_t>(index.textOffsets_[row]) ^ 0x80000000u} << 32 | row);
        });
    }
    // The rows of `bits`, ascending.
    const auto rowsOf = [words](const SpellSearchIndex::RowBits& bits) {
        std::vector<uint32_t> rows;
        for (std::size_t w = 0; w < words; ++w)
            ForEachRow(bits[w], w * 64, [&](uint32_t row) { rows.push_back(row); });
        return rows;
    };
    if (order.empty()) {
        result.rows = rowsOf(matched);
        progress.Set(0, kSearchProgressMax, 1, 1);
        return result;
    }

    // Descriptions, read in the order of their text offsets, rows of one
    // offset in list order. Rows in list order are often in file order
    // too; otherwise a stable radix sort on the offset's two halves, both
    // counted in one pass.
    if (!std::is_sorted(order.begin(), order.end())) {
        std::vector<uint32_t> counts(2 * 0x10001, 0);
        uint32_t* const low = counts.data();
        uint32_t* const high = counts.data() + 0x10001;
        for (const uint64_t key : order) {
            ++low[(key >> 32 & 0xFFFF) + 1];
            ++high[(key >> 48) + 1];
        }
        for (std::size_t d = 1; d <= 0x10000; ++d) {
            low[d] += low[d - 1];
            high[d] += high[d - 1];
        }
        std::vector<uint64_t> sorted(order.size());
        for (const uint64_t key : order)
            sorted[low[key >> 32 & 0xFFFF]++] = key;
        for (const uint64_t key : sorted)
            order[high[key >> 48]++] = key;
    }
    LineReader file;
    if (!file.Open(textPath))
        return Failed({StatusCode::kCannotOpenText, file.Error(), textPath});
    std::string raw;
    std::string folded;
    std::vector<signed char> held;
    // The rows a term matched only in the description.
    SpellSearchIndex::RowBits byDescriptionOnly(words, 0);
    for (std::size_t i = 0, step = 0; i < order.size(); ++step) {
        if (step % kDescriptionsPerStep == 0) {
            if (progress.Cancelled())
                return Cancelled();
            progress.Set(fieldsDone, kSearchProgressMax, i, order.size());
        }
        const uint64_t offsetKey = order[i] >> 32;
        const auto textOffset = static_cast<int32_t>(static_cast<uint32_t>(offsetKey) ^ 0x80000000u);
        Status status = ReadDescriptionInto(file, textOffset, raw);
        if (status.code == StatusCode::kCannotReadText) {
            status.error = status.error != 0 ? status.error : EIO;
            status.path = textPath;
            return Failed(std::move(status));
        }
        std::string_view description;
        if (status.ok()) {
            if (folded.size() < FoldRoom(raw.size()))
                folded.resize(FoldRoom(raw.size()));
            description = std::string_view(
                folded.data(), static_cast<std::size_t>(FoldDisplayText(folded.data(), raw) - folded.data()));
        }
        // Whether each term occurs in the description, once looked for; -1
        // before. The rows of one description share it.
        held.assign(query.terms.size(), -1);
        for (; i < order.size() && order[i] >> 32 == offsetKey; ++i) {
            const auto row = static_cast<uint32_t>(order[i]);
            // The terms the fields left open decide; every other term the
            // fields have matched already.
            bool all = true;
            bool byDescription = false;
            for (std::size_t t = 0; t < query.terms.size(); ++t) {
                if (!termRows[t].inDescription || HasBit(termRows[t].fields, row))
                    continue;
                const QueryTerm& term = query.terms[t];
                if (held[t] < 0)
                    held[t] = Contains(description, term.text) ? 1 : 0;
                byDescription = byDescription || (held[t] == 1 && !term.exclude);
                if ((held[t] == 1) == term.exclude) {
                    all = false;
                    break;
                }
            }
            if (all) {
                matched[row >> 6] |= uint64_t{1} << (row & 63);
                byDescriptionOnly[row >> 6] |= uint64_t{byDescription} << (row & 63);
            }
        }
    }
    progress.Set(0, kSearchProgressMax, 1, 1);
    result.textBytesRead = file.BytesRead();

    result.rows = rowsOf(matched);
    result.descriptionRows = rowsOf(byDescriptionOnly);
    return result;
}
