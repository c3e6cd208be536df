// SPDX-License-Identifier: MIT
#include "SpellRecord.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <iterator>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "TextDecoding.h"

namespace {

void EncodeFixed32(uint8_t* out, int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    out[0] = static_cast<uint8_t>(v);
    out[1] = static_cast<uint8_t>(v >> 8);
    out[2] = static_cast<uint8_t>(v >> 16);
    out[3] = static_cast<uint8_t>(v >> 24);
}

int32_t DecodeFixed32(const uint8_t* in) {
    const uint32_t v = static_cast<uint32_t>(in[0]) | (static_cast<uint32_t>(in[1]) << 8) |
                       (static_cast<uint32_t>(in[2]) << 16) | (static_cast<uint32_t>(in[3]) << 24);
    return static_cast<int32_t>(v);
}

template <std::size_t N>
void EncodeText(uint8_t* out, const char (&field)[N]) {
    std::memcpy(out, field, N);
}

template <std::size_t N>
void DecodeText(char (&field)[N], const uint8_t* in) {
    std::memcpy(field, in, N);
}

void FillWithSpaces(char* field, std::size_t width) {
    const void* zero = std::memchr(field, '\0', width);
    std::memset(field, ' ', zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - field) : width);
}

}  // namespace

void EncodeRecord(const SpellRecord& r, RecordBytes out) {
    uint8_t* p = out.data();
    EncodeFixed32(p + kTextOffsetPos, r.nTextOffset);
    EncodeText(p + kNamePos, r.szName);
    EncodeFixed32(p + kLevelPos, r.nLevel);
    EncodeFixed32(p + kSchoolImagePos, r.nSchoolImage);
    EncodeText(p + kSchoolPos, r.szSchool);
    EncodeText(p + kRangePos, r.szRange);
    EncodeText(p + kDurationPos, r.szDuration);
    EncodeText(p + kAreaPos, r.szArea);
    EncodeText(p + kComponentsPos, r.szComponents);
    EncodeText(p + kSavingThrowPos, r.szSavingThrow);
    EncodeText(p + kCastingTimePos, r.szCastingTime);
}

SpellRecord DecodeRecord(ConstRecordBytes in) {
    SpellRecord r;
    DecodeRecord(in, r);
    return r;
}

void DecodeRecord(ConstRecordBytes in, SpellRecord& r) {
    const uint8_t* p = in.data();
    r.nTextOffset = DecodeFixed32(p + kTextOffsetPos);
    DecodeText(r.szName, p + kNamePos);
    r.nLevel = DecodeFixed32(p + kLevelPos);
    r.nSchoolImage = DecodeFixed32(p + kSchoolImagePos);
    DecodeText(r.szSchool, p + kSchoolPos);
    DecodeText(r.szRange, p + kRangePos);
    DecodeText(r.szDuration, p + kDurationPos);
    DecodeText(r.szArea, p + kAreaPos);
    DecodeText(r.szComponents, p + kComponentsPos);
    DecodeText(r.szSavingThrow, p + kSavingThrowPos);
    DecodeText(r.szCastingTime, p + kCastingTimePos);
}

namespace {

// Small copies and fills without library calls or string instructions,
// which cost more than the few bytes of a field value: these run for every
// field of every record.
constexpr uint64_t kOnes = 0x0101010101010101u;

uint64_t Load64(const char* in) {
    uint64_t word;
    std::memcpy(&word, in, sizeof word);
    return word;
}
uint32_t Load32(const char* in) {
    uint32_t word;
    std::memcpy(&word, in, sizeof word);
    return word;
}
void Store64(char* out, uint64_t word) { std::memcpy(out, &word, sizeof word); }
void Store32(char* out, uint32_t word) { std::memcpy(out, &word, sizeof word); }

// Non-zero when a byte of the word is zero.
constexpr uint64_t ZeroBytes(uint64_t word) { return (word - kOnes) & ~word & (kOnes << 7); }

// Copies `n` bytes and tells whether any of them is zero.
bool CopyTellingZero(char* out, const char* in, std::size_t n) {
#if defined(__SSE2__)
    if (n >= 16) {
        // Pieces of 16 bytes, the last one ending at the end.
        const __m128i zero = _mm_setzero_si128();
        __m128i zeros = zero;
        const auto copy = [&](std::size_t at) {
            const __m128i piece = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + at));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), piece);
            zeros = _mm_or_si128(zeros, _mm_cmpeq_epi8(piece, zero));
        };
        copy(0);
        for (std::size_t at = 16; at + 16 < n; at += 16)
            copy(at);
        copy(n - 16);
        return _mm_movemask_epi8(zeros) != 0;
    }
#endif
    if (n >= 8) {
        uint64_t zeros = 0;
        for (std::size_t i = 0; i + 8 < n; i += 8) {
            const uint64_t word = Load64(in + i);
            Store64(out + i, word);
            zeros |= ZeroBytes(word);
        }
        const uint64_t last = Load64(in + n - 8);
        Store64(out + n - 8, last);
        return (zeros | ZeroBytes(last)) != 0;
    }
    if (n >= 4) {
        const uint64_t word = Load32(in) | (uint64_t{Load32(in + n - 4)} << 32);
        Store32(out, static_cast<uint32_t>(word));
        Store32(out + n - 4, static_cast<uint32_t>(word >> 32));
        return ZeroBytes(word) != 0;
    }
    if (n == 0)
        return false;
    // One to three bytes: the first, the middle and the last.
    out[0] = in[0];
    out[n / 2] = in[n / 2];
    out[n - 1] = in[n - 1];
    return in[0] == '\0' || in[n / 2] == '\0' || in[n - 1] == '\0';
}

#if !defined(__SSE2__)
// Spaces over the first `n` bytes of a field.
void FillSpaces(char* out, std::size_t n) {
    constexpr uint64_t kSpaces = kOnes * ' ';
    if (n >= 8) {
        for (std::size_t i = 0; i + 8 < n; i += 8)
            Store64(out + i, kSpaces);
        Store64(out + n - 8, kSpaces);
    } else if (n >= 4) {
        Store32(out, static_cast<uint32_t>(kSpaces));
        Store32(out + n - 4, static_cast<uint32_t>(kSpaces));
    } else if (n > 0) {
        out[0] = out[n / 2] = out[n - 1] = ' ';
    }
}
#endif

// Spaces over the bytes of the field before `zero`.
template <std::size_t N>
void FillWithSpacesUpTo(char (&field)[N], uint8_t zero) {
#if defined(__SSE2__)
    // The whole field in 16-byte pieces, the last one ending at the field's
    // end: bytes before `zero` become spaces, the others are written back
    // as they were, every piece read before any is written. No branch on
    // the length, which changes from record to record.
    static_assert(N >= 16);
    constexpr std::size_t kPieces = (N + 15) / 16;
    const __m128i end = _mm_set1_epi8(static_cast<char>(std::min<std::size_t>(zero, N)));
    const __m128i spaces = _mm_set1_epi8(' ');
    const __m128i lanes = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    __m128i pieces[kPieces];
    for (std::size_t i = 0; i < kPieces; ++i)
        pieces[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(field + std::min(16 * i, N - 16)));
    for (std::size_t i = 0; i < kPieces; ++i) {
        const std::size_t at = std::min(16 * i, N - 16);
        const __m128i before = _mm_cmplt_epi8(_mm_add_epi8(lanes, _mm_set1_epi8(static_cast<char>(at))), end);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(field + at),
                         _mm_or_si128(_mm_and_si128(before, spaces), _mm_andnot_si128(before, pieces[i])));
    }
#else
    FillSpaces(field, std::min<std::size_t>(zero, N));
#endif
}

}  // namespace

std::size_t SetField(char* field, std::size_t width, std::string_view value) {
    if (width == 0)
        return 0;
    const std::string_view kept = value.size() < width ? value : CutToLength(value, width - 1);
    const bool zeroInside = CopyTellingZero(field, kept.data(), kept.size());
    field[kept.size()] = '\0';
    if (zeroInside)
        return static_cast<std::size_t>(static_cast<const char*>(std::memchr(field, '\0', width)) - field);
    return kept.size();
}

void ClearRecord(SpellRecord& r) {
    FillWithSpaces(r.szName, kNameSize);
    r.nTextOffset = 0;
    FillWithSpaces(r.szSchool, kFieldSize);
    r.nLevel = 0;
    FillWithSpaces(r.szRange, kFieldSize);
    FillWithSpaces(r.szDuration, kFieldSize);
    FillWithSpaces(r.szArea, kFieldSize);
    FillWithSpaces(r.szComponents, kFieldSize);
    FillWithSpaces(r.szSavingThrow, kFieldSize);
    FillWithSpaces(r.szCastingTime, kCastingTimeSize);
}

void ClearRecord(SpellRecord& r, const FieldZeros& zeros) {
    FillWithSpacesUpTo(r.szName, zeros[kFieldName]);
    r.nTextOffset = 0;
    FillWithSpacesUpTo(r.szSchool, zeros[kFieldSchool]);
    r.nLevel = 0;
    FillWithSpacesUpTo(r.szRange, zeros[kFieldRange]);
    FillWithSpacesUpTo(r.szDuration, zeros[kFieldDuration]);
    FillWithSpacesUpTo(r.szArea, zeros[kFieldArea]);
    FillWithSpacesUpTo(r.szComponents, zeros[kFieldComponents]);
    FillWithSpacesUpTo(r.szSavingThrow, zeros[kFieldSavingThrow]);
    FillWithSpacesUpTo(r.szCastingTime, zeros[kFieldCastingTime]);
}

std::string_view RecordFieldView(const SpellRecord& r, int field, LevelDigits& scratch) {
    switch (field) {
    case kFieldName: return FieldText(r.szName);
    case kFieldLevel: {
        const auto res = std::to_chars(std::begin(scratch.digits), std::end(scratch.digits), r.nLevel);
        return {scratch.digits, static_cast<std::size_t>(res.ptr - scratch.digits)};
    }
    case kFieldSchool: return FieldText(r.szSchool);
    case kFieldRange: return FieldText(r.szRange);
    case kFieldDuration: return FieldText(r.szDuration);
    case kFieldArea: return FieldText(r.szArea);
    case kFieldComponents: return FieldText(r.szComponents);
    case kFieldSavingThrow: return FieldText(r.szSavingThrow);
    case kFieldCastingTime: return FieldText(r.szCastingTime);
    default: return {};
    }
}

std::string RecordFieldText(const SpellRecord& r, int field) {
    LevelDigits scratch;
    return std::string(RecordFieldView(r, field, scratch));
}

RecordFieldViews RecordFields(const SpellRecord& r, LevelDigits& scratch) {
    RecordFieldViews fields;
    for (int field = 0; field < kFieldCount; ++field)
        fields[static_cast<std::size_t>(field)] = RecordFieldView(r, field, scratch);
    return fields;
}
