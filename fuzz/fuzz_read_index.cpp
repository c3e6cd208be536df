// SPDX-License-Identifier: MIT
// The index reader and the description reader over arbitrary bytes as an
// index file beside arbitrary bytes as a spell text file. Input layout:
// two bytes (little-endian) give the index part's length, that many bytes
// are the index, the rest is the text.
//
// Every whole record must read back as the bytes that stand there, in
// sequence and at its offset; no field text may be longer than its field;
// every description must be the one the end rule gives at its offset
// (nothing for a negative one), no longer than the reader's limit; all
// display text must be valid UTF-8.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "DescriptionReader.h"
#include "FuzzSupport.h"
#include "IndexReader.h"
#include "SchoolImage.h"
#include "SpellRecord.h"
#include "TextDecoding.h"

namespace {

void CheckDisplay(std::string_view raw) {
    const std::string shown = DecodeForDisplay(raw);
    FUZZ_CHECK(fuzz::ReferenceValidUtf8(shown));
}

bool SameBytes(const SpellRecord& record, std::string_view bytes) {
    uint8_t encoded[kRecordSize];
    EncodeRecord(record, RecordBytes(encoded, kRecordSize));
    return bytes.size() == kRecordSize && std::memcmp(encoded, bytes.data(), kRecordSize) == 0;
}

void CheckRecord(const SpellRecord& r, const std::string& textPath, std::string_view text) {
    LevelDigits scratch;
    for (int field = 0; field < kFieldCount; ++field) {
        const std::string_view value = RecordFieldView(r, field, scratch);
        FUZZ_CHECK(value.size() <= fuzz::kFieldWidths[field]);
        CheckDisplay(value);
    }
    FUZZ_CHECK(RecordFieldView(r, -1, scratch).empty());
    FUZZ_CHECK(RecordFieldView(r, kFieldCount, scratch).empty());
    const int image = GetSchoolImage(FieldText(r.szSchool));
    FUZZ_CHECK(image >= 0 && image < kSchoolImageCount);

    const DescriptionResult description = ReadDescriptionFromPath(textPath, r.nTextOffset);
    if (r.nTextOffset < 0) {
        FUZZ_CHECK(description.status.code == StatusCode::kBadOffset);
        FUZZ_CHECK(description.strText.empty());
        return;
    }
    FUZZ_CHECK(description.ok());
    FUZZ_CHECK(description.strText.size() <= kMaxDescriptionBytes);
    const std::string expected =
        fuzz::ReferenceDescription(text, static_cast<std::size_t>(r.nTextOffset));
    if (expected.size() <= kMaxDescriptionBytes)
        FUZZ_CHECK(description.strText == expected);
    else
        FUZZ_CHECK(expected.compare(0, description.strText.size(), description.strText) == 0);
    CheckDisplay(description.strText);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::size_t indexSize = 0;
    if (size >= 2) {
        indexSize = std::min<std::size_t>(data[0] | (std::size_t{data[1]} << 8), size - 2);
        data += 2;
        size -= 2;
    }
    const std::string_view index(reinterpret_cast<const char*>(data), indexSize);
    const std::string_view text(reinterpret_cast<const char*>(data) + indexSize, size - indexSize);

    const std::string& dir = fuzz::ScratchPrefix();
    const std::string indexPath = dir + "wizard.idx";
    const std::string textPath = dir + "wizard.txt";
    fuzz::WriteWhole(indexPath, index);
    fuzz::WriteWhole(textPath, text);

    const auto whole = static_cast<int64_t>(indexSize / kRecordSize);
    IndexReader reader;
    FUZZ_CHECK(reader.Open(indexPath));
    FUZZ_CHECK(reader.RecordCount() == whole);
    SpellRecord record;
    int64_t count = 0;
    while (reader.Next(record)) {
        const int64_t offset = count * static_cast<int64_t>(kRecordSize);
        FUZZ_CHECK(reader.LastOffset() == offset);
        const std::string_view bytes = index.substr(static_cast<std::size_t>(offset), kRecordSize);
        FUZZ_CHECK(SameBytes(record, bytes));
        const RecordResult at = ReadRecordAt(indexPath, offset);
        FUZZ_CHECK(at.ok() && SameBytes(at.record, bytes));
        CheckRecord(record, textPath, text);
        ++count;
    }
    FUZZ_CHECK(!reader.Failed());
    FUZZ_CHECK(count == whole);
    FUZZ_CHECK(!reader.Next(record));  // stays at the end

    // Offsets that do not start a whole record: one only when 432 bytes
    // stand there.
    const auto n = static_cast<int64_t>(indexSize);
    for (const int64_t offset : {int64_t{-1}, int64_t{INT32_MIN}, n - 1, n, n - 431, int64_t{1},
                                 int64_t{INT32_MAX}, INT64_MAX}) {
        const RecordResult at = ReadRecordAt(indexPath, offset);
        const bool fits = offset >= 0 && offset <= n - static_cast<int64_t>(kRecordSize);
        FUZZ_CHECK(at.ok() == fits);
        FUZZ_CHECK(at.status.code == (fits ? StatusCode::kOk
                                      : offset < 0 ? StatusCode::kBadOffset
                                                   : StatusCode::kShortRead));
        if (fits)
            FUZZ_CHECK(SameBytes(at.record, index.substr(static_cast<std::size_t>(offset), kRecordSize)));
    }
    return 0;
}
