// SPDX-License-Identifier: MIT
// The index builder's grammar over arbitrary bytes as a spell text, for
// both classes, in memory: no files, no sync, no rename. Every record must
// survive the index encoding; its text offset must lie inside the text or
// at its end, rising from record to record, and its description there must
// be the one the end rule gives. Two more readings must give the same
// records:
//  - the same bytes handed out in blocks of a size the input chooses, as a
//    file comes in blocks, so that lines span blocks anywhere;
//  - a text without CR with its line ends turned into CR LF (the offsets
//    moved by one per line before them);
//  - the same bytes with the checker watching the parse, which then reads
//    every line where the build alone passes over descriptions: the same
//    records byte for byte.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "DescriptionReader.h"
#include "FuzzSupport.h"
#include "IndexBuilder.h"
#include "LineReader.h"
#include "SchoolImage.h"
#include "SpellCheck.h"
#include "SpellRecord.h"

namespace {

struct RecordList final : RecordSink {
    void Put(const SpellRecord& record) override { records.push_back(record); }
    std::vector<SpellRecord> records;
};

// The records of `text`, read in blocks of `window` bytes (0: at once),
// with `checker` watching when there is one.
std::vector<SpellRecord> Parse(std::string_view text, bool bPriest, std::size_t window,
                               SpellChecker* checker = nullptr) {
    LineReader reader;
    reader.OpenMemory(text, window);
    RecordList sink;
    const ParsedText parsed = ParseSpells(reader, bPriest, 1, sink, checker);
    FUZZ_CHECK(parsed.end == ParseResult::kEnd);
    FUZZ_CHECK(parsed.nRecords == sink.records.size());
    FUZZ_CHECK(parsed.nEndLevel >= 1);
    return std::move(sink.records);
}

FUZZ_HARNESS void Check(const std::vector<SpellRecord>& records, std::string_view text) {
    LineReader reader;
    reader.OpenMemory(text);
    int64_t previousOffset = -1;
    for (const SpellRecord& r : records) {
        FUZZ_CHECK(r.nTextOffset > previousOffset);  // entries follow each other
        FUZZ_CHECK(static_cast<std::size_t>(r.nTextOffset) <= text.size());
        previousOffset = r.nTextOffset;
        FUZZ_CHECK(r.nLevel >= 1);
        FUZZ_CHECK(r.nSchoolImage >= 0 && r.nSchoolImage < kSchoolImageCount);
        // Every text field keeps its terminator.
        FUZZ_CHECK(FieldText(r.szName).size() < kNameSize);
        FUZZ_CHECK(FieldText(r.szSchool).size() < kFieldSize);
        FUZZ_CHECK(FieldText(r.szRange).size() < kFieldSize);
        FUZZ_CHECK(FieldText(r.szDuration).size() < kFieldSize);
        FUZZ_CHECK(FieldText(r.szArea).size() < kFieldSize);
        FUZZ_CHECK(FieldText(r.szComponents).size() < kFieldSize);
        FUZZ_CHECK(FieldText(r.szSavingThrow).size() < kFieldSize);
        FUZZ_CHECK(FieldText(r.szCastingTime).size() < kCastingTimeSize);

        // What the index file holds reads back as the record, byte for byte.
        uint8_t bytes[kRecordSize];
        EncodeRecord(r, RecordBytes(bytes, kRecordSize));
        const SpellRecord back = DecodeRecord(ConstRecordBytes(bytes, kRecordSize));
        static_assert(sizeof back == kRecordSize);
        FUZZ_CHECK(std::memcmp(&back, &r, sizeof back) == 0);

        const DescriptionResult description = ReadDescriptionFromFile(reader, r.nTextOffset);
        FUZZ_CHECK(description.ok());
        FUZZ_CHECK(description.strText ==
                   fuzz::ReferenceDescription(text, static_cast<std::size_t>(r.nTextOffset)));
    }
}

FUZZ_HARNESS std::string ToCrlf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

// The same field texts, level and school image. (Bytes after a field's
// terminator are left over from earlier entries and may differ.)
FUZZ_HARNESS bool SameFields(const SpellRecord& a, const SpellRecord& b) {
    LevelDigits scratchA, scratchB;
    for (int field = 0; field < kFieldCount; ++field)
        if (RecordFieldView(a, field, scratchA) != RecordFieldView(b, field, scratchB))
            return false;
    return a.nSchoolImage == b.nSchoolImage;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const bool hasCr = text.find('\r') != std::string_view::npos;
    // Blocks of 1 to 64 bytes, chosen by the input.
    const std::size_t window = size == 0 ? 1 : 1 + (data[size - 1] * 131u + size) % 64;

    for (const bool bPriest : {false, true}) {
        const std::vector<SpellRecord> records = Parse(text, bPriest, 0);
        Check(records, text);

        SpellChecker checker;
        const std::vector<SpellRecord> watched = Parse(text, bPriest, 0, &checker);
        FUZZ_CHECK(watched.size() == records.size());
        for (std::size_t i = 0; i < records.size(); ++i)
            FUZZ_CHECK(std::memcmp(&watched[i], &records[i], sizeof(SpellRecord)) == 0);
        checker.Finish();

        const std::vector<SpellRecord> blocks = Parse(text, bPriest, window);
        FUZZ_CHECK(blocks.size() == records.size());
        for (std::size_t i = 0; i < records.size(); ++i)
            FUZZ_CHECK(SameFields(blocks[i], records[i]) && blocks[i].nTextOffset == records[i].nTextOffset);

        if (hasCr)
            continue;
        const std::string crlf = ToCrlf(text);
        const std::vector<SpellRecord> crlfRecords = Parse(crlf, bPriest, 0);
        Check(crlfRecords, crlf);
        FUZZ_CHECK(crlfRecords.size() == records.size());
        // One CR more before the offset per line before it; offsets rise.
        int32_t lines = 0;
        int32_t counted = 0;
        for (std::size_t i = 0; i < records.size(); ++i) {
            FUZZ_CHECK(SameFields(records[i], crlfRecords[i]));
            lines += static_cast<int32_t>(
                std::count(text.begin() + counted, text.begin() + records[i].nTextOffset, '\n'));
            counted = records[i].nTextOffset;
            FUZZ_CHECK(crlfRecords[i].nTextOffset == records[i].nTextOffset + lines);
        }
    }
    return 0;
}
