#include "SpellRecord.h"

#include <charconv>
#include <cstring>
#include <iterator>

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

void SetField(char* field, std::size_t width, std::string_view value) {
    if (width == 0)
        return;
    const std::string_view kept = CutToLength(value, width - 1);
    // An empty view may carry a null pointer, which memcpy must not get.
    if (!kept.empty())
        std::memcpy(field, kept.data(), kept.size());
    field[kept.size()] = '\0';
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
