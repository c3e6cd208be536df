// SPDX-License-Identifier: MIT
#pragma once
// The index record: one spell's short fields and the offset of its description
// in the spell text file. The index file is these records back to back.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

// On-disk layout, 432 bytes, integers 32-bit signed little-endian, text
// fields zero-terminated inside their width:
//   0   4  nTextOffset      162  50  szRange         362  50  szSavingThrow
//   4 100  szName           212  50  szDuration      412  20  szCastingTime
// 104   4  nLevel           262  50  szArea
// 108   4  nSchoolImage     312  50  szComponents
// 112  50  szSchool
inline constexpr std::size_t kRecordSize = 432;
inline constexpr std::size_t kIntSize = 4;

inline constexpr std::size_t kTextOffsetPos = 0;
inline constexpr std::size_t kNamePos = 4;
inline constexpr std::size_t kNameSize = 100;
inline constexpr std::size_t kLevelPos = 104;
inline constexpr std::size_t kSchoolImagePos = 108;
inline constexpr std::size_t kSchoolPos = 112;
inline constexpr std::size_t kFieldSize = 50;  // school .. saving throw
inline constexpr std::size_t kRangePos = 162;
inline constexpr std::size_t kDurationPos = 212;
inline constexpr std::size_t kAreaPos = 262;
inline constexpr std::size_t kComponentsPos = 312;
inline constexpr std::size_t kSavingThrowPos = 362;
inline constexpr std::size_t kCastingTimePos = 412;
inline constexpr std::size_t kCastingTimeSize = 20;

// Each field starts where the one before it ends, and the last one ends
// the record.
static_assert(kTextOffsetPos == 0);
static_assert(kNamePos == kTextOffsetPos + kIntSize);
static_assert(kLevelPos == kNamePos + kNameSize);
static_assert(kSchoolImagePos == kLevelPos + kIntSize);
static_assert(kSchoolPos == kSchoolImagePos + kIntSize);
static_assert(kRangePos == kSchoolPos + kFieldSize);
static_assert(kDurationPos == kRangePos + kFieldSize);
static_assert(kAreaPos == kDurationPos + kFieldSize);
static_assert(kComponentsPos == kAreaPos + kFieldSize);
static_assert(kSavingThrowPos == kComponentsPos + kFieldSize);
static_assert(kCastingTimePos == kSavingThrowPos + kFieldSize);
static_assert(kCastingTimePos + kCastingTimeSize == kRecordSize);

struct SpellRecord {
    int32_t nTextOffset = 0;
    char szName[kNameSize] = {};
    int32_t nLevel = 0;
    int32_t nSchoolImage = 0;
    char szSchool[kFieldSize] = {};
    char szRange[kFieldSize] = {};
    char szDuration[kFieldSize] = {};
    char szArea[kFieldSize] = {};
    char szComponents[kFieldSize] = {};
    char szSavingThrow[kFieldSize] = {};
    char szCastingTime[kCastingTimeSize] = {};
};

// The fields in memory have the widths they have on disk.
static_assert(sizeof SpellRecord::nTextOffset == kIntSize && sizeof SpellRecord::nLevel == kIntSize &&
              sizeof SpellRecord::nSchoolImage == kIntSize);
static_assert(sizeof SpellRecord::szName == kNameSize && sizeof SpellRecord::szSchool == kFieldSize &&
              sizeof SpellRecord::szRange == kFieldSize && sizeof SpellRecord::szDuration == kFieldSize &&
              sizeof SpellRecord::szArea == kFieldSize && sizeof SpellRecord::szComponents == kFieldSize &&
              sizeof SpellRecord::szSavingThrow == kFieldSize &&
              sizeof SpellRecord::szCastingTime == kCastingTimeSize);

// The nine fields the user sees, in the order used by the list columns and
// everywhere else a field is named by number.
enum SpellField : int {
    kFieldName = 0,
    kFieldLevel,
    kFieldSchool,
    kFieldRange,
    kFieldDuration,
    kFieldArea,
    kFieldComponents,
    kFieldSavingThrow,
    kFieldCastingTime,
};
inline constexpr int kFieldCount = 9;

using RecordBytes = std::span<uint8_t, kRecordSize>;
using ConstRecordBytes = std::span<const uint8_t, kRecordSize>;

void EncodeRecord(const SpellRecord& record, RecordBytes out);
SpellRecord DecodeRecord(ConstRecordBytes in);
// The same into `r`, every byte of which it sets.
void DecodeRecord(ConstRecordBytes in, SpellRecord& r);

// The significant text of a field: its bytes up to the first zero, or the
// whole width when a damaged record has no terminator.
template <std::size_t N>
std::string_view FieldText(const char (&field)[N]) {
    const void* zero = std::memchr(field, '\0', N);
    return {field, zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - field) : N};
}

// Stores a value and its terminator. A value longer than the field is cut
// to width - 1 bytes; a cut that would split a UTF-8 character of a valid
// UTF-8 value drops that character whole. Bytes after the terminator are
// left as they were. Returns where the field's first zero byte now stands:
// the stored length, or less when the value holds a zero byte.
std::size_t SetField(char* field, std::size_t width, std::string_view value);
template <std::size_t N>
std::size_t SetField(char (&field)[N], std::string_view value) {
    return SetField(field, N, value);
}

// Prepares the record for the next spell: each text field is filled with
// spaces up to its first zero byte (which stays), the integers are zeroed
// except nSchoolImage.
void ClearRecord(SpellRecord& record);

// Where each text field's first zero byte stands, by field number (the
// level's slot is unused): what SetField returned.
using FieldZeros = std::array<uint8_t, kFieldCount>;
// The same clearing for a record whose first zeros are known, without
// looking for them. A position past a field counts as its end. This and
// SetField's copy (SpellRecord.cpp) are kept because they pay: against a
// plain copy and the clearing above, the build of a 150 MB text takes
// 1.32 times its floor instead of 1.45 (TextBench/BuildVsFloor), which
// keeps it within the 1.35 it is held to.
void ClearRecord(SpellRecord& record, const FieldZeros& zeros);

// Room for a level's decimal digits.
struct LevelDigits {
    char digits[12];
};

// The text of field `field` (0..8) as stored; the level in decimal digits,
// formed in `scratch`. Empty for a field number outside 0..8.
std::string_view RecordFieldView(const SpellRecord& record, int field, LevelDigits& scratch);
std::string RecordFieldText(const SpellRecord& record, int field);

// The texts of all nine fields by field number, as RecordFieldView gives
// them: what the list's rows, the details, the search, the print and the
// JSON show of a record. They point into `record` and `scratch`.
using RecordFieldViews = std::array<std::string_view, kFieldCount>;
RecordFieldViews RecordFields(const SpellRecord& record, LevelDigits& scratch);
