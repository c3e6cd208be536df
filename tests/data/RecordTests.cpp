// SPDX-License-Identifier: MIT
// The index record's byte layout, its text fields, the school table, the
// data directory and reading index files.

#include <array>
#include <cerrno>
#include <cstring>
#include <random>
#include <string>
#include <sys/stat.h>
#include <vector>

#include <gtest/gtest.h>

#include "DataDirectory.h"
#include "IndexReader.h"
#include "RegularFile.h"
#include "SchoolImage.h"
#include "SpellFiles.h"
#include "SpellRecord.h"
#include "TestFiles.h"
#include "TestRecords.h"

namespace {

using Bytes = std::array<uint8_t, kRecordSize>;

Bytes Encode(const SpellRecord& r) {
    Bytes b{};
    EncodeRecord(r, b);
    return b;
}

std::vector<int> Slice(const Bytes& b, std::size_t pos, std::size_t n) {
    return std::vector<int>(b.begin() + static_cast<std::ptrdiff_t>(pos),
                            b.begin() + static_cast<std::ptrdiff_t>(pos + n));
}

std::string Text(const Bytes& b, std::size_t pos, std::size_t n) {
    return std::string(reinterpret_cast<const char*>(b.data()) + pos, n);
}

SpellRecord Sample() {
    SpellRecord r = MakeRecord("Quill of Patient Copying", 3, 5, 123456);
    SetField(r.szDuration, "1 hr./level");
    SetField(r.szArea, "One quill");
    SetField(r.szComponents, " V, S, M");
    SetField(r.szCastingTime, "1 rd.");
    return r;
}

}  // namespace

TEST(RecordLayout, TextFieldsLandAtTheirByteOffsets) {
    const Bytes b = Encode(Sample());
    const struct {
        std::size_t pos;
        std::string_view text;
    } kFields[] = {{4, "Quill of Patient Copying"}, {112, "Alteration"}, {162, "Touch"},
                   {212, "1 hr./level"}, {262, "One quill"}, {312, " V, S, M"},
                   {362, "None"}, {412, "1 rd."}};
    for (const auto& f : kFields) {
        SCOPED_TRACE(testing::Message() << "offset " << f.pos << " text '" << f.text << "'");
        EXPECT_EQ(Text(b, f.pos, f.text.size() + 1), std::string(f.text) + '\0');
    }
}

TEST(RecordLayout, IntegersAreLittleEndianAndSigned) {
    SpellRecord r;
    r.nTextOffset = 0x01020304;
    r.nLevel = -2;
    r.nSchoolImage = 0x7F000008;
    const Bytes b = Encode(r);
    EXPECT_EQ(Slice(b, 0, 4), (std::vector<int>{0x04, 0x03, 0x02, 0x01}));
    EXPECT_EQ(Slice(b, 104, 4), (std::vector<int>{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Slice(b, 108, 4), (std::vector<int>{0x08, 0x00, 0x00, 0x7F}));

    Bytes in{};
    in[0] = 0xFF; in[1] = 0xFF; in[2] = 0xFF; in[3] = 0xFF;  // -1
    in[107] = 0x80;                                          // INT32_MIN
    in[108] = 0x01; in[111] = 0x80;                          // 0x80000001
    const SpellRecord d = DecodeRecord(in);
    EXPECT_EQ(d.nTextOffset, -1);
    EXPECT_EQ(d.nLevel, INT32_MIN);
    EXPECT_EQ(d.nSchoolImage, static_cast<int32_t>(0x80000001u));
}

TEST(RecordLayout, AnyBytesSurviveDecodeAndEncode) {
    std::mt19937 rng(20240601);
    for (int round = 0; round < 50; ++round) {
        Bytes in;
        for (auto& byte : in)
            byte = static_cast<uint8_t>(rng());
        EXPECT_EQ(Encode(DecodeRecord(in)), in) << "random record " << round;
    }
}

TEST(RecordLayout, DecodingIntoARecordSetsEveryByte) {
    std::mt19937 rng(7);
    Bytes in;
    for (auto& byte : in)
        byte = static_cast<uint8_t>(rng());
    SpellRecord out;
    std::memset(static_cast<void*>(&out), 0xAA, sizeof out);
    DecodeRecord(in, out);
    EXPECT_EQ(Encode(out), in);
}

// A text ends at its first zero wherever that stands, whatever bytes come
// before and after it (high bits, ones); with no zero it fills the field.
TEST(RecordFields, TextEndsAtTheFirstZeroAtAnyPlace) {
    const uint8_t fills[] = {'a', 0x80, 0xFF, 0x01, 0x7F};
    for (const uint8_t fill : fills) {
        for (std::size_t end = 0; end <= 100; ++end) {
            Bytes in;
            in.fill(fill);
            if (end < 100)
                in[4 + end] = 0;
            if (end < 50)
                in[112 + end] = 0;
            if (end < 20)
                in[412 + end] = 0;
            const SpellRecord r = DecodeRecord(in);
            EXPECT_EQ(FieldText(r.szName).size(), end) << int{fill};
            EXPECT_EQ(FieldText(r.szSchool).size(), std::min<std::size_t>(end, 50)) << int{fill};
            EXPECT_EQ(FieldText(r.szCastingTime).size(), std::min<std::size_t>(end, 20)) << int{fill};
        }
    }
}

TEST(RecordFields, FieldWithoutTerminatorIsReadAtFullWidth) {
    Bytes in{};
    std::memset(in.data() + 4, 'N', 100);
    std::memset(in.data() + 112, 'S', 50);
    std::memset(in.data() + 412, 'C', 20);
    const SpellRecord r = DecodeRecord(in);
    EXPECT_EQ(FieldText(r.szName), std::string(100, 'N'));
    EXPECT_EQ(FieldText(r.szSchool), std::string(50, 'S'));
    EXPECT_EQ(FieldText(r.szCastingTime), std::string(20, 'C'));
    EXPECT_EQ(RecordFieldText(r, kFieldName), std::string(100, 'N'));
    EXPECT_EQ(FieldText(r.szRange), "");
}

TEST(RecordFields, BytesAfterTerminatorDoNotMatter) {
    Bytes in{};
    std::memcpy(in.data() + 4, "Sleep\0junk after", 16);
    std::memcpy(in.data() + 362, "Neg.\0\xFF\xFFxx", 9);
    const SpellRecord r = DecodeRecord(in);
    EXPECT_EQ(RecordFieldText(r, kFieldName), "Sleep");
    EXPECT_EQ(RecordFieldText(r, kFieldSavingThrow), "Neg.");
}

// The nine texts every view of a record shows, in field order: the level
// in decimal (negative too), leading blanks and raw bytes kept as stored.
TEST(RecordFields, ShownTextsOfARecordInFieldOrder) {
    SpellRecord r;
    r.nTextOffset = 4321;
    SetField(r.szName, "Magic Missile");
    r.nLevel = 12;
    r.nSchoolImage = 3;
    SetField(r.szSchool, "Evocation");
    SetField(r.szRange, " 60 yds. + 10 yds./level");
    SetField(r.szDuration, "Instantaneous");
    SetField(r.szArea, "1-5 targets");
    SetField(r.szComponents, "V, S");
    SetField(r.szSavingThrow, "None");
    SetField(r.szCastingTime, "\xD5\xEE\xE4");
    LevelDigits scratch;
    const RecordFieldViews fields = RecordFields(r, scratch);
    const RecordFieldViews expected{"Magic Missile", "12",   "Evocation", " 60 yds. + 10 yds./level",
                                    "Instantaneous", "1-5 targets", "V, S", "None", "\xD5\xEE\xE4"};
    EXPECT_EQ(fields, expected);

    r.nLevel = -7;
    r.szName[0] = '\0';
    LevelDigits other;
    const RecordFieldViews changed = RecordFields(r, other);
    EXPECT_EQ(changed[1], "-7");  // the level
    EXPECT_EQ(changed[0], "");    // the name
    EXPECT_EQ(RecordFieldView(r, kFieldCount, other), "");
}

TEST(RecordFields, ClearRecordBlanksTextUpToFirstZero) {
    SpellRecord r;
    std::memcpy(r.szName, "Fireball\0old", 12);
    std::memset(r.szSchool, 'x', kFieldSize);  // no terminator at all
    std::memcpy(r.szCastingTime, "1\0zz", 4);
    for (char* f : {r.szRange, r.szDuration, r.szArea, r.szComponents, r.szSavingThrow})
        std::memcpy(f, "abc\0def", 7);
    r.nTextOffset = 77;
    r.nLevel = 4;
    r.nSchoolImage = 6;

    ClearRecord(r);
    EXPECT_EQ(std::string(r.szName, 12), std::string("        \0old", 12));
    EXPECT_EQ(std::string(r.szSchool, kFieldSize), std::string(kFieldSize, ' '));
    EXPECT_EQ(std::string(r.szCastingTime, 4), std::string(" \0zz", 4));
    for (const char* f : {r.szRange, r.szDuration, r.szArea, r.szComponents, r.szSavingThrow})
        EXPECT_EQ(std::string(f, 7), std::string("   \0def", 7));
    EXPECT_EQ(r.szName[99], '\0');  // zero bytes stay zero
    EXPECT_EQ(r.nTextOffset, 0);
    EXPECT_EQ(r.nLevel, 0);
    EXPECT_EQ(r.nSchoolImage, 6);
}

// SetField tells where the field's first zero now is, and clearing with
// those positions writes what searching for the zeros writes, for fields
// of each width (a name of 100 bytes, a range of 50, a casting time of 20).
TEST(RecordFields, KnownFirstZerosClearLikeTheSearch) {
    using namespace std::string_literals;
    const struct {
        std::string value;
        std::size_t name, range, castingTime;  // the first zeros
    } kCases[] = {
        {"", 0, 0, 0},
        {"V", 1, 1, 1},
        {"1/2", 3, 3, 3},
        {"Neg.", 4, 4, 4},
        {"Instant", 7, 7, 7},
        {"One quill", 9, 9, 9},
        {"a\0c"s, 1, 1, 1},
        {"abc\0efgh"s, 3, 3, 3},
        {"abcdefghijk\0mnop"s, 11, 11, 11},
        {"\0"s, 0, 0, 0},
        {"abcdefg\0"s, 7, 7, 7},
        {std::string(60, 'x'), 60, 49, 19},
        {"Ice", 3, 3, 3},
        {std::string(120, 'y'), 99, 49, 19},
        {"abcdefghijklmnopqrstuvwxyz0123456789", 36, 36, 19},
    };
    SpellRecord searched;
    SpellRecord known;
    FieldZeros zeros{};
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::PrintToString(c.value));
        ClearRecord(searched);
        ClearRecord(known, zeros);
        ASSERT_EQ(Encode(known), Encode(searched));
        SetField(searched.szName, c.value);
        SetField(searched.szRange, c.value);
        SetField(searched.szCastingTime, c.value);
        zeros[kFieldName] = static_cast<uint8_t>(SetField(known.szName, c.value));
        zeros[kFieldRange] = static_cast<uint8_t>(SetField(known.szRange, c.value));
        zeros[kFieldCastingTime] = static_cast<uint8_t>(SetField(known.szCastingTime, c.value));
        EXPECT_EQ(zeros[kFieldName], c.name);
        EXPECT_EQ(zeros[kFieldRange], c.range);
        EXPECT_EQ(zeros[kFieldCastingTime], c.castingTime);
    }
    ClearRecord(known, zeros);
    EXPECT_EQ(std::string(known.szRange, kFieldSize), std::string(36, ' ') + '\0' + std::string(12, ' ') + '\0');
    EXPECT_EQ(std::string(known.szCastingTime, kCastingTimeSize), std::string(19, ' ') + '\0');
}

struct SetFieldCase {
    const char* label;
    std::string value;
    std::size_t width;
    std::string stored;
};
void PrintTo(const SetFieldCase& c, std::ostream* os) { *os << c.label; }

class SetFieldCut : public testing::TestWithParam<SetFieldCase> {};

TEST_P(SetFieldCut, StoresValueCutToWidthLessOne) {
    const SetFieldCase& c = GetParam();
    std::vector<char> field(c.width + 8, 'Q');  // 8 guard bytes past the width
    SetField(field.data(), c.width, c.value);
    ASSERT_LT(c.stored.size(), c.width);
    EXPECT_EQ(std::string(field.data(), c.stored.size()), c.stored);
    EXPECT_EQ(field[c.stored.size()], '\0');
    for (std::size_t i = c.stored.size() + 1; i < field.size(); ++i)
        ASSERT_EQ(field[i], 'Q') << "byte " << i << " changed";
}

const std::string kA97(97, 'a');
INSTANTIATE_TEST_SUITE_P(
    Values, SetFieldCut,
    testing::Values(
        SetFieldCase{"Short", "Magic Missile", 100, "Magic Missile"},
        SetFieldCase{"Exactly99", std::string(99, 'a'), 100, std::string(99, 'a')},
        SetFieldCase{"Ascii100", std::string(100, 'b'), 100, std::string(99, 'b')},
        SetFieldCase{"TwoByteAcross99", std::string(98, 'a') + "\xC3\xA9", 100, std::string(98, 'a')},
        SetFieldCase{"TwoByteEndsAt99", kA97 + "\xC3\xA9z", 100, kA97 + "\xC3\xA9"},
        SetFieldCase{"ThreeByteAcross99", kA97 + "\xE2\x80\x94x", 100, kA97},
        SetFieldCase{"ThreeByteLastByte99", std::string(98, 'a') + "\xE2\x80\x94", 100, std::string(98, 'a')},
        SetFieldCase{"FourByteAcross99", std::string(96, 'a') + "\xF0\x9F\x98\x80x", 100, std::string(96, 'a')},
        SetFieldCase{"Cp1251CutRaw", std::string(120, '\xC0'), 100, std::string(99, '\xC0')},
        SetFieldCase{"Utf8HeadCp1251Tail", std::string(98, 'a') + "\xC3\xA9\xE9", 100, std::string(98, 'a') + "\xC3"},
        SetFieldCase{"Width50", std::string(60, 's'), 50, std::string(49, 's')},
        SetFieldCase{"CastingTime", "1 round per level of the caster", 20, "1 round per level o"},
        SetFieldCase{"CastingTimeUtf8", std::string(18, 't') + "\xD0\x96", 20, std::string(18, 't')}),
    [](const testing::TestParamInfo<SetFieldCase>& param) { return std::string(param.param.label); });

// ---- school images ---------------------------------------------------------

TEST(SchoolImage, KeywordTable) {
    const struct {
        std::string_view school;
        int image;
    } kCases[] = {
        {"Alteration", 0}, {"(Alteration)", 0}, {"Alteration, Enchantment/Charm", 0},
        {"Abjuration", 1}, {"Enchantment/Charm", 3}, {"Enchantment", 3},
        {"Conjuration/Summoning", 2}, {"Conjuration", 2}, {"Conjuration, Necromancy", 7},
        {"Conjuration/Summoning, Necromancy", 2}, {"Invocation/Evocation", 5}, {"(Evocation)", 5},
        {"Evokation/Invokation", 8}, {"Illusion/Phantasm", 4}, {"Illusion/Phantasm, Divination", 6},
        {"Divination", 6}, {"Necromancy", 7}, {"alteration", 8}, {"All schools", 8}, {"", 8},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(GetSchoolImage(c.school), c.image) << "school '" << c.school << "'";
}

// ---- data directory --------------------------------------------------------

TEST(DataDir, ResolvedFromHelpFilePath) {
    const struct {
        std::string_view helpPath, appName, dataDir;
    } kCases[] = {
        {"C:\\Games\\Browser\\WIZ.HLP", "Wiz", "C:\\Games\\Browser\\"},
        {"/opt/Spells/spellbrowser.hlp", "spellbrowser", "/opt/Spells/"},
        {"/opt/Spells/SpellBrowser.HLP", "spellbrowser", "/opt/Spells/"},
        {"/Opt/SPELLS/spellbrowser.hlp", "SpellBrowser", "/Opt/SPELLS/"},
        {"/x/spellbrowser.hlp/y/spellbrowser.hlp", "spellbrowser", "/x/spellbrowser.hlp/y/"},
        {"spellbrowser.hlp", "spellbrowser", ""},
        {"/opt/other.hlp", "wiz", "/opt/other.hlp"},
        {"/opt/wiz.txt", "wiz", "/opt/wiz.txt"},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(DataDirFromHelpPath(c.helpPath, c.appName), c.dataDir)
            << "path '" << c.helpPath << "' app '" << c.appName << "'";
}

// ---- index files -----------------------------------------------------------

TEST(IndexReader, TrailingPartialRecordIsIgnored) {
    TempDir dir;
    const std::string path = dir.file("wizard.idx");
    WriteFile(path, EncodeAll({MakeRecord("First", 1, 0, 10), MakeRecord("Second", 1, 0, 20)}) + std::string(100, 'z'));

    IndexReader reader;
    ASSERT_TRUE(reader.Open(path));
    EXPECT_EQ(reader.RecordCount(), 2);
    SpellRecord r;
    ASSERT_TRUE(reader.Next(r));
    EXPECT_EQ(FieldText(r.szName), "First");
    EXPECT_EQ(r.nTextOffset, 10);
    EXPECT_EQ(reader.LastOffset(), 0);
    ASSERT_TRUE(reader.Next(r));
    EXPECT_EQ(FieldText(r.szName), "Second");
    EXPECT_EQ(reader.LastOffset(), 432);
    EXPECT_FALSE(reader.Next(r));
    EXPECT_FALSE(reader.Failed());

    const RecordResult second = ReadRecordAt(path, 432);
    ASSERT_EQ(second.status.code, StatusCode::kOk);
    EXPECT_EQ(FieldText(second.record.szName), "Second");
    EXPECT_EQ(second.record.nTextOffset, 20);
    EXPECT_EQ(second.status.error, 0);
}

TEST(IndexReader, ReadRecordAtSaysWhatWentWrong) {
    TempDir dir;
    const std::string path = dir.file("wizard.idx");
    WriteFile(path, EncodeAll({MakeRecord("First"), MakeRecord("Second")}) + std::string(100, 'z'));
    ASSERT_EQ(::mkfifo(dir.file("fifo.idx").c_str(), 0600), 0);
    const struct {
        std::string path;
        int64_t offset;
        StatusCode status;
        int error;
    } kCases[] = {
        {path, 0, StatusCode::kOk, 0},
        {path, 1, StatusCode::kOk, 0},  // any offset with 432 bytes after it
        {path, -432, StatusCode::kBadOffset, 0},
        {path, 864, StatusCode::kShortRead, 0},  // only 100 bytes stand there
        {path, 5000, StatusCode::kShortRead, 0},  // past the end
        {path, INT64_MAX, StatusCode::kShortRead, 0},  // past what the system can seek to
        {dir.file("missing.idx"), 0, StatusCode::kCannotOpenIndex, ENOENT},
        {path + "/x", 0, StatusCode::kCannotOpenIndex, ENOTDIR},
        {dir.path().string(), 0, StatusCode::kCannotOpenIndex, EISDIR},
        {dir.file("fifo.idx"), 0, StatusCode::kCannotOpenIndex, kNotRegularFile},
        {"/dev/zero", 0, StatusCode::kCannotOpenIndex, kNotRegularFile},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.path << " at " << c.offset);
        const RecordResult r = ReadRecordAt(c.path, c.offset);
        EXPECT_EQ(r.status.code, c.status);
        EXPECT_EQ(r.ok(), c.status == StatusCode::kOk);
        EXPECT_EQ(r.status.error, c.error);
    }
}

TEST(IndexReader, EmptyMissingAndDirectory) {
    TempDir dir;
    WriteFile(dir.file("empty.idx"), "");
    IndexReader empty;
    ASSERT_TRUE(empty.Open(dir.file("empty.idx")));
    EXPECT_EQ(empty.RecordCount(), 0);
    SpellRecord r;
    EXPECT_FALSE(empty.Next(r));
    EXPECT_FALSE(empty.Failed());

    IndexReader missing;
    EXPECT_FALSE(missing.Open(dir.file("missing.idx")));
    EXPECT_FALSE(missing.Next(r));

    IndexReader directory;
    EXPECT_FALSE(directory.Open(dir.path().string()));
    EXPECT_EQ(directory.Error(), EISDIR);
    EXPECT_FALSE(directory.Next(r));
}

TEST(IndexReader, OpenAgainStartsOverAndKeepsNoDescriptor) {
    TempDir dir;
    WriteFile(dir.file("a.idx"), EncodeAll({MakeRecord("A1"), MakeRecord("A2")}));
    WriteFile(dir.file("b.idx"), EncodeAll({MakeRecord("B1")}));
    const std::size_t before = OpenDescriptors();
    {
        IndexReader reader;
        SpellRecord r;
        for (int i = 0; i < 20; ++i) {
            ASSERT_TRUE(reader.Open(dir.file(i % 2 ? "b.idx" : "a.idx")));
            ASSERT_TRUE(reader.Next(r));
            EXPECT_EQ(FieldText(r.szName), i % 2 ? "B1" : "A1");
            EXPECT_EQ(reader.LastOffset(), 0);
            EXPECT_EQ(reader.RecordCount(), i % 2 ? 1 : 2);
        }
        EXPECT_FALSE(reader.Open(dir.file("missing.idx")));
        EXPECT_FALSE(reader.Next(r));
        EXPECT_EQ(reader.RecordCount(), 0);
        EXPECT_EQ(OpenDescriptors(), before);
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST(IndexReader, ManyRecordsAcrossReadBlocks) {
    TempDir dir;
    const std::string path = dir.file("big.idx");
    std::string bytes;
    for (int i = 0; i < 1000; ++i)
        bytes += EncodeAll({MakeRecord("Spell " + std::to_string(i), 1, 0, i * 7)});
    WriteFile(path, bytes);

    IndexReader reader;
    ASSERT_TRUE(reader.Open(path));
    EXPECT_EQ(reader.RecordCount(), 1000);
    SpellRecord r;
    int n = 0;
    while (reader.Next(r)) {
        ASSERT_EQ(FieldText(r.szName), "Spell " + std::to_string(n));
        ASSERT_EQ(r.nTextOffset, n * 7);
        ASSERT_EQ(reader.LastOffset(), int64_t{n} * 432);
        ++n;
    }
    EXPECT_EQ(n, 1000);
    EXPECT_FALSE(reader.Failed());
}

