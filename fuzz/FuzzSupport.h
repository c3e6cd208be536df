// SPDX-License-Identifier: MIT
#pragma once
// Shared pieces of the fuzz targets: a checked abort, a scratch directory
// per process (ScratchDir.h, shared with the tests and benchmarks), and
// small reference implementations the library's results are compared with.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <fcntl.h>
#include <unistd.h>

#include "ScratchDir.h"
#include "SpellRecord.h"

// Aborts with the failed condition, so that libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                          \
    do {                                                                               \
        if (!(condition)) {                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__,      \
                         #condition);                                                  \
            std::abort();                                                              \
        }                                                                              \
    } while (0)

// The harness's own loops are kept out of the coverage that guides the
// fuzzer: they only check, and tracing them costs most of the run time.
#define FUZZ_HARNESS __attribute__((no_sanitize("coverage")))

namespace fuzz {

// A directory of this process's own, on tmpfs when there is one, removed
// at exit. Ends in '/'.
inline const std::string& ScratchPrefix() {
    static const ScratchDir dir("spells-fuzz", ScratchDir::Place::kMemory);
    static const std::string prefix = dir.prefix();
    return prefix;
}

inline void WriteWhole(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    FUZZ_CHECK(fd >= 0);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        FUZZ_CHECK(n > 0);
        done += static_cast<std::size_t>(n);
    }
    FUZZ_CHECK(::close(fd) == 0);
}

// Well-formed UTF-8, judged by decoding each code point: no overlong form,
// no surrogate, nothing above U+10FFFF, no cut sequence. Counts the code
// points into `count` when given.
inline bool ReferenceValidUtf8(std::string_view s, std::size_t* count = nullptr) {
    static constexpr uint32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    std::size_t points = 0;
    for (std::size_t i = 0; i < s.size(); ++points) {
        const auto lead = static_cast<uint8_t>(s[i]);
        int more;
        uint32_t cp;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            more = 1, cp = lead & 0x1Fu;
        } else if ((lead & 0xF0) == 0xE0) {
            more = 2, cp = lead & 0x0Fu;
        } else if ((lead & 0xF8) == 0xF0) {
            more = 3, cp = lead & 0x07u;
        } else {
            return false;
        }
        if (s.size() - i <= static_cast<std::size_t>(more))
            return false;
        for (int k = 1; k <= more; ++k) {
            const auto b = static_cast<uint8_t>(s[i + static_cast<std::size_t>(k)]);
            if ((b & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (b & 0x3Fu);
        }
        if (cp < kMinimum[more] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += static_cast<std::size_t>(more) + 1;
    }
    if (count)
        *count = points;
    return true;
}

// The description at byte `from` of `text`, written straight from the
// rule: lines end at LF (a CR before it is dropped, a last line needs no
// LF); description lines up to the first blank one, then any further blank
// lines, then a line beginning with A-Z ends it, any other line goes on.
// Lines are joined with nothing between them. A UTF-8 byte-order mark at
// the start of the text is no part of the first line.
FUZZ_HARNESS inline std::string ReferenceDescription(std::string_view text, std::size_t from) {
    std::size_t pos = from;
    const auto next = [&](std::string_view& line) {
        if (pos >= text.size())
            return false;
        const std::size_t lf = text.find('\n', pos);
        const std::size_t end = lf == std::string_view::npos ? text.size() : lf;
        line = text.substr(pos, end - pos);
        if (lf != std::string_view::npos && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (pos == 0 && line.starts_with("\xEF\xBB\xBF"))
            line.remove_prefix(3);
        pos = lf == std::string_view::npos ? text.size() : lf + 1;
        return true;
    };
    std::string out;
    std::string_view line;
    for (;;) {
        do {
            if (!next(line))
                return out;
            out += line;
        } while (!line.empty());
        do {
            if (!next(line))
                return out;
        } while (line.empty());
        if (line[0] >= 'A' && line[0] <= 'Z')
            return out;
        out += line;
    }
}

// Widths of the nine fields as the list shows them (the level as digits).
inline constexpr std::size_t kFieldWidths[kFieldCount] = {
    kNameSize, 11, kFieldSize, kFieldSize, kFieldSize, kFieldSize, kFieldSize, kFieldSize,
    kCastingTimeSize};

}  // namespace fuzz
