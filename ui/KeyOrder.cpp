// SPDX-License-Identifier: MIT
#include "KeyOrder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>

#include "CaseFolding.h"
#include "DisplayText.h"
#include "TextDecoding.h"

namespace {

// Ranges this short are ordered by insertion rather than by bytes.
constexpr std::size_t kSmallRange = 32;
// Entries of work between two calls of keepAlive.
constexpr std::size_t kWorkStep = std::size_t{1} << 14;

// Up to eight bytes as one number, the first byte most significant.
uint64_t Pack(const char* bytes, std::size_t n) {
    uint64_t value = 0;
    if (n == 0)
        return value;
    std::memcpy(&value, bytes, n);
    if constexpr (std::endian::native == std::endian::little)
        value = __builtin_bswap64(value);
    return value;
}

}  // namespace

void KeyOrder::Reserve(std::size_t rows) {
    entries_.reserve(rows);
    rest_.reserve(rows * 2);
}

void KeyOrder::Add(std::string_view raw) {
    // The list shows valid UTF-8 without a leading byte order mark, and
    // the key is what the list shows, case-folded.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (raw.starts_with(kByteOrderMark) && IsValidUtf8(raw))
        raw.remove_prefix(kByteOrderMark.size());
    raw = WithoutLeadingBlanks(raw);
    // Keys are mostly ASCII, which folds byte for byte.
    if (ascii_.size() < raw.size())
        ascii_.resize(raw.size());
    std::string_view folded(ascii_.data(), FoldAsciiRun(ascii_.data(), raw));
    if (folded.size() < raw.size()) {
        folded_.clear();
        AppendDisplayFolded(folded_, raw);
        folded = folded_;
    }
    const std::size_t n = folded.size();
    const char* const key = folded.data();

    uint32_t rest = kNoRest;
    if (n > 8) {
        if (rest_.size() + n / 8 + 2 >= kNoRest)
            throw std::bad_alloc();
        rest = static_cast<uint32_t>(rest_.size());
        uint64_t last = 0;
        for (std::size_t at = 8; at < n; at += 8)
            rest_.push_back(last = Pack(key + at, std::min<std::size_t>(8, n - at)));
        // A key that fills its last chunk is marked as ending there.
        if ((last & 0xFF) != 0)
            rest_.push_back(0);
    }
    // Descending, rows count down, so that the reversed order keeps equal
    // keys in file order.
    const auto row = static_cast<uint32_t>(entries_.size());
    entries_.push_back({Pack(key, std::min<std::size_t>(8, n)), descending_ ? ~row : row, rest});
}

void KeyOrder::Sort(const std::function<void()>& keepAlive) {
    // An in-place radix sort, most significant byte first: each range of
    // entries that agree so far is split into 256 by the first byte in
    // which they differ; ties over a whole chunk go on to the keys' next
    // chunk; short ranges are ordered by insertion. Equal keys end up
    // ordered by row.
    std::vector<Range> pending;
    if (entries_.size() > 1)
        pending.push_back({0, entries_.size(), 0});
    std::size_t work = 0;
    while (!pending.empty()) {
        const Range range = pending.back();
        pending.pop_back();
        SortRange(range, pending, keepAlive);
        work += range.end - range.begin;
        if (work >= kWorkStep) {
            work = 0;
            if (keepAlive)
                keepAlive();
        }
    }
    rest_ = std::vector<uint64_t>();
    if (descending_) {
        std::reverse(entries_.begin(), entries_.end());
        for (Entry& entry : entries_)
            entry.row = ~entry.row;
    }
}

void KeyOrder::SortRange(const Range& range, std::vector<Range>& pending,
                         const std::function<void()>& keepAlive) {
    const std::size_t n = range.end - range.begin;
    if (n < kSmallRange) {
        SortSmall(range, pending);
        return;
    }
    Entry* const a = entries_.data() + range.begin;
    // The bytes all entries share are skipped: the split is on the first
    // byte in which some differ.
    uint64_t differ = 0;
    for (std::size_t i = 1; i < n; ++i)
        differ |= a[i].chunk ^ a[0].chunk;
    if (differ == 0) {
        Resolve(range.begin, range.end, range.chunk, pending);
        return;
    }
    const int shift = (63 - std::countl_zero(differ)) / 8 * 8;
    const auto digit = [shift](const Entry& e) { return static_cast<std::size_t>((e.chunk >> shift) & 0xFF); };
    std::array<std::size_t, 256> count{};
    for (std::size_t i = 0; i < n; ++i)
        ++count[digit(a[i])];
    std::array<std::size_t, 256> next;
    std::array<std::size_t, 256> end;
    std::size_t sum = 0;
    for (std::size_t d = 0; d < 256; ++d) {
        next[d] = sum;
        sum += count[d];
        end[d] = sum;
    }
    // Every entry moves straight to its bucket, swapping out the one there.
    // The first ranges are large: keepAlive is called within them too.
    std::size_t moved = 0;
    for (std::size_t d = 0; d < 256; ++d) {
        while (next[d] < end[d]) {
            Entry moving = a[next[d]];
            for (std::size_t to = digit(moving); to != d; to = digit(moving)) {
                std::swap(moving, a[next[to]++]);
                ++moved;
            }
            a[next[d]++] = moving;
            if (++moved >= kWorkStep) {
                moved = 0;
                if (keepAlive)
                    keepAlive();
            }
        }
    }
    // Each bucket agrees on the bytes so far; its own split comes later.
    for (std::size_t d = 0; d < 256; ++d)
        if (count[d] >= 2)
            pending.push_back({range.begin + end[d] - count[d], range.begin + end[d], range.chunk});
}

void KeyOrder::SortSmall(const Range& range, std::vector<Range>& pending) {
    const auto less = [](const Entry& x, const Entry& y) {
        return x.chunk != y.chunk ? x.chunk < y.chunk : x.row < y.row;
    };
    Entry* const a = entries_.data() + range.begin;
    const std::size_t n = range.end - range.begin;
    for (std::size_t i = 1; i < n; ++i) {
        const Entry moving = a[i];
        std::size_t j = i;
        for (; j > 0 && less(moving, a[j - 1]); --j)
            a[j] = a[j - 1];
        a[j] = moving;
    }
    for (std::size_t i = 0; i < n;) {
        std::size_t j = i + 1;
        while (j < n && a[j].chunk == a[i].chunk)
            ++j;
        if (j - i >= 2 && (a[i].chunk & 0xFF) != 0)  // the keys go on: by their next chunk
            Resolve(range.begin + i, range.begin + j, range.chunk, pending);
        i = j;
    }
}

void KeyOrder::Resolve(std::size_t begin, std::size_t end, std::size_t chunk,
                       std::vector<Range>& pending) {
    Entry* const a = entries_.data();
    if ((a[begin].chunk & 0xFF) == 0) {
        // The keys end in this chunk: they are equal.
        std::sort(a + begin, a + end, [](const Entry& x, const Entry& y) { return x.row < y.row; });
        return;
    }
    for (std::size_t i = begin; i < end; ++i)
        a[i].chunk = a[i].rest == kNoRest ? 0 : rest_[a[i].rest + chunk];
    pending.push_back({begin, end, chunk + 1});
}
