// SPDX-License-Identifier: MIT
#pragma once
// Spell texts and index records for tests: one spell entry, one made-up record, raw index bytes, an index
// file read back whole, and a directory's sorted entries.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "DescriptionReader.h"
#include "IndexBuilder.h"
#include "IndexReader.h"
#include "SpellFiles.h"
#include "SpellRecord.h"
#include "StatusMessage.h"
#include "TestFiles.h"

using Strings = std::vector<std::string>;

// One spell entry: name, school, the three field lines, the skipped line,
// then `description` as given (lines with their terminators).
inline std::string Entry(std::string_view name, std::string_view description = "Some words.\n",
                         std::string_view school = "Alteration") {
    return std::string(name) + "\n" + std::string(school) +
           "\n"
           "Range: Touch\tComponents: V, S\n"
           "Duration: 1 rd.\tCasting Time: 1\n"
           "Area of Effect: One creature\tSaving Throw: None\n"
           "Source: test.\n" +
           std::string(description);
}

// Byte offset of `what` in `text`.
inline int32_t OffsetOf(std::string_view text, std::string_view what) {
    const auto p = text.find(what);
    EXPECT_NE(p, std::string_view::npos) << what;
    return p == std::string_view::npos ? -1 : static_cast<int32_t>(p);
}

// A record with fixed fields apart from those given.
inline SpellRecord MakeRecord(std::string_view name, int32_t level = 1, int32_t schoolImage = 0,
                              int32_t textOffset = 0) {
    SpellRecord r;
    SetField(r.szName, name);
    r.nLevel = level;
    r.nSchoolImage = schoolImage;
    r.nTextOffset = textOffset;
    SetField(r.szSchool, "Alteration");
    SetField(r.szRange, "Touch");
    SetField(r.szDuration, "1 rd.");
    SetField(r.szArea, "One creature");
    SetField(r.szComponents, "V, S");
    SetField(r.szSavingThrow, "None");
    SetField(r.szCastingTime, "1");
    return r;
}

// The records' bytes as an index file holds them.
inline std::string EncodeAll(const std::vector<SpellRecord>& records) {
    std::string bytes(records.size() * kRecordSize, '\0');
    for (std::size_t i = 0; i < records.size(); ++i)
        EncodeRecord(records[i],
                     RecordBytes(reinterpret_cast<uint8_t*>(bytes.data()) + i * kRecordSize, kRecordSize));
    return bytes;
}

// The whole records of an index file, in file order.
inline std::vector<SpellRecord> ReadIndex(const std::string& path) {
    std::vector<SpellRecord> records;
    IndexReader reader;
    EXPECT_TRUE(reader.Open(path)) << path;
    SpellRecord r;
    while (reader.Next(r))
        records.push_back(r);
    EXPECT_FALSE(reader.Failed());
    return records;
}

// Keeps the records a parse gives it.
struct RecordList final : RecordSink {
    void Put(const SpellRecord& record) override { records.push_back(record); }
    std::vector<SpellRecord> records;
};

inline Strings DirEntries(const std::filesystem::path& dir) {
    Strings names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Writes `cls`'s text into the data directory `dir` and builds its index;
// the records, checked against the count the build reported and the index
// file's length.
inline std::vector<SpellRecord> BuildRecords(const TempDir& dir, std::string_view text,
                                             const std::string& cls = "wizard") {
    WriteFile(dir.file(cls + ".txt"), text);
    const BuildResult r = BuildIndexIn(dir.prefix(), cls, 1);
    EXPECT_EQ(r.status.code, StatusCode::kOk) << StatusMessage(r.status, FileNaming::kName);
    EXPECT_EQ(StatusMessage(r.status, FileNaming::kName), "");
    EXPECT_EQ(ReadFile(dir.file(cls + ".idx")).size(), r.nRecords * kRecordSize);
    std::vector<SpellRecord> records = ReadIndex(dir.file(cls + ".idx"));
    EXPECT_EQ(r.nRecords, records.size());
    return records;
}

// The description of `r` in `cls`'s text in `dir`.
inline std::string DescriptionOf(const TempDir& dir, const SpellRecord& r, const std::string& cls = "wizard") {
    const DescriptionResult d = ReadDescriptionFromPath(dir.file(cls + ".txt"), r.nTextOffset);
    EXPECT_TRUE(d.ok());
    return d.strText;
}
