// SPDX-License-Identifier: MIT
// The display decoder and the cut of values to their fields, over
// arbitrary bytes. The decoder's output is always valid UTF-8; valid UTF-8
// comes back unchanged, anything else one character per byte with ASCII
// kept. A cut never returns more than asked, is a prefix of its input, and
// keeps valid UTF-8 valid, dropping at most the character it split.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "SpellRecord.h"
#include "TextDecoding.h"

namespace {

// The code points of valid UTF-8 `s`, appended to `out`.
void CodePoints(std::string_view s, std::u32string& out) {
    for (std::size_t i = 0; i < s.size();) {
        const auto lead = static_cast<uint8_t>(s[i]);
        const int more = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        char32_t cp = more == 0 ? lead : lead & (0x3F >> more);
        for (int k = 1; k <= more; ++k)
            cp = (cp << 6) | (static_cast<uint8_t>(s[i + static_cast<std::size_t>(k)]) & 0x3Fu);
        out += cp;
        i += static_cast<std::size_t>(more) + 1;
    }
}

void CheckCut(std::string_view text, std::size_t maxBytes, bool valid) {
    const std::string_view cut = CutToLength(text, maxBytes);
    FUZZ_CHECK(cut.size() <= maxBytes);
    FUZZ_CHECK(cut.data() == text.data() || cut.empty());
    if (text.size() <= maxBytes) {
        FUZZ_CHECK(cut.size() == text.size());
    } else if (valid) {
        FUZZ_CHECK(fuzz::ReferenceValidUtf8(cut));
        FUZZ_CHECK(maxBytes - cut.size() <= 3);
    } else {
        FUZZ_CHECK(cut.size() == maxBytes);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    std::size_t points = 0;
    const bool valid = fuzz::ReferenceValidUtf8(text, &points);
    FUZZ_CHECK(IsValidUtf8(text) == valid);

    const std::string shown = DecodeForDisplay(text);
    std::size_t shownPoints = 0;
    FUZZ_CHECK(fuzz::ReferenceValidUtf8(shown, &shownPoints));
    FUZZ_CHECK(IsValidUtf8(shown));
    if (valid) {
        FUZZ_CHECK(shown == text);
    } else {
        // One character per byte; ASCII as it was, no other byte as ASCII.
        FUZZ_CHECK(shownPoints == size);
        std::u32string cps;
        CodePoints(shown, cps);
        FUZZ_CHECK(cps.size() == size);
        for (std::size_t i = 0; i < size; ++i)
            FUZZ_CHECK((data[i] < 0x80) ? cps[i] == data[i] : cps[i] >= 0x80);
    }

    // Every cut of short inputs, a spread of cuts of long ones.
    if (size <= 256) {
        for (std::size_t n = 0; n <= size + 1; ++n)
            CheckCut(text, n, valid);
    } else {
        for (std::size_t k = 0; k <= 16; ++k)
            CheckCut(text, size * k / 16, valid);
    }

    // Stored into each width of field: always terminated inside it.
    SpellRecord r;
    std::memset(&r, 'x', sizeof r);
    SetField(r.szName, text);
    SetField(r.szRange, text);
    SetField(r.szCastingTime, text);
    const std::string_view nameCut = CutToLength(text, kNameSize - 1);
    FUZZ_CHECK(FieldText(r.szName) == nameCut.substr(0, nameCut.find('\0')));
    FUZZ_CHECK(FieldText(r.szName).size() < kNameSize);
    FUZZ_CHECK(FieldText(r.szRange).size() < kFieldSize);
    FUZZ_CHECK(FieldText(r.szCastingTime).size() < kCastingTimeSize);
    return 0;
}
