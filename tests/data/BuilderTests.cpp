// SPDX-License-Identifier: MIT
// Building index files from spell texts, and reading the descriptions back.

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "DescriptionReader.h"
#include "IndexBuilder.h"
#include "IndexReader.h"
#include "LineReader.h"
#include "RegularFile.h"
#include "SpellFiles.h"
#include "SpellRecord.h"
#include "SpellText.h"
#include "StatusMessage.h"
#include "TestFiles.h"
#include "TestRecords.h"

namespace {

std::string WithoutNewlines(std::string s) {
    s.erase(std::remove(s.begin(), s.end(), '\n'), s.end());
    return s;
}

// Name, level, school, range, duration, area, components, saving throw,
// casting time, school image.
std::vector<std::string> Fields(const SpellRecord& r) {
    std::vector<std::string> v;
    for (int f = 0; f < kFieldCount; ++f)
        v.push_back(RecordFieldText(r, f));
    v.push_back(std::to_string(r.nSchoolImage));
    return v;
}

class Builder : public testing::Test {
protected:
    std::vector<SpellRecord> Build(std::string_view text, const std::string& cls = "wizard") {
        return BuildRecords(dir, text, cls);
    }
    std::string Description(const SpellRecord& r, const std::string& cls = "wizard") {
        return DescriptionOf(dir, r, cls);
    }

    TempDir dir;
};

const std::string kWizardText =
    "Quill of Patient Copying\n"
    "Alteration\n"
    "Range: Touch\tComponents: V, S, M\n"
    "Duration: 1 hr./level\tCasting Time: 1 rd.\n"
    "Area of Effect: One quill\tSaving Throw: None\n"
    "Source: Tome of the Amber Tower.\n"
    "A writing quill copies one page.\n"
    "\tThe material component is fine sand.\n"
    "\n"
    "Ember Mote\n"
    "(Evocation)\n"
    "Range: 10 yds. + 10 yds./level\tComponent: V\n"
    "Duration: Instantaneous\tCasting Time: 1\n"
    "Area of Effect: One creature\tSaving Throw: 1/2\n"
    "Source: Tome of the Amber Tower.\n"
    "A spark leaps from the caster's fingertip.\n";

const std::string kPriestText =
    "Mend the Broken Cup\n"
    "Alteration\n"
    "Sphere: Creation\n"
    "Range: Touch\tComponents: V, S\n"
    "Duration: Permanent\tCasting Time: 1 rd.\n"
    "Area of Effect: One object\tSaving Throw: None\n"
    "Notes: none.\n"
    "The priest restores one small broken object.\n"
    "\n"
    "Second-Level Spells\n"
    "\n"
    "Know the Weather's Mood\n"
    "Divination\n"
    "\n"
    "Sphere: Weather\n"
    "Range: 0\tComponent: V\n"
    "Duration: Instantaneous\tCasting Time: 1 rd.\n"
    "Area of Effect: 1 mile radius\tSaving Throw: None\n"
    "Notes: none.\n"
    "The priest reads the sky.\n"
    "\n";

using Strings = std::vector<std::string>;

}  // namespace

TEST_F(Builder, WizardEntries) {
    const auto records = Build(kWizardText);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(Fields(records[0]), (Strings{"Quill of Patient Copying", "1", "Alteration", "Touch",
                                           "1 hr./level", "One quill", " V, S, M", "None", "1 rd.", "0"}));
    EXPECT_EQ(records[0].nTextOffset, OffsetOf(kWizardText, "A writing quill"));
    EXPECT_EQ(Description(records[0]), "A writing quill copies one page.\tThe material component is fine sand.");
    EXPECT_EQ(Fields(records[1]), (Strings{"Ember Mote", "1", "(Evocation)", "10 yds. + 10 yds./level",
                                           "Instantaneous", "One creature", "V", "1/2", "1", "5"}));
    EXPECT_EQ(records[1].nTextOffset, OffsetOf(kWizardText, "A spark"));
    EXPECT_EQ(Description(records[1]), "A spark leaps from the caster's fingertip.");
}

// A marker that does not begin its line is looked for along it.
TEST_F(Builder, MarkersAnywhereInTheirLines) {
    const auto records = Build(
        "Odd Lines\nAlteration\n Range: 10\tComponents: V\nSpell Duration: 2 rds.\tCasting Time: 1\n"
        "xArea of Effect: cone\tSaving Throw: None\nNotes.\nWords.\n");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(Fields(records[0]), (Strings{"Odd Lines", "1", "Alteration", "10", "2 rds.", "cone", " V", "None",
                                           "1", "0"}));
}

TEST_F(Builder, PriestSphereReplacesSchoolButNotItsImage) {
    const auto records = Build(kPriestText, "priest");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(Fields(records[0]), (Strings{"Mend the Broken Cup", "1", "Creation", "Touch", "Permanent",
                                           "One object", " V, S", "None", "1 rd.", "0"}));
    EXPECT_EQ(Description(records[0], "priest"), "The priest restores one small broken object.");
    EXPECT_EQ(Fields(records[1]), (Strings{"Know the Weather's Mood", "2", "Weather", "0", "Instantaneous",
                                           "1 mile radius", "V", "None", "1 rd.", "6"}));
    EXPECT_EQ(records[1].nTextOffset, OffsetOf(kPriestText, "The priest reads"));
    EXPECT_EQ(Description(records[1], "priest"), "The priest reads the sky.");
}

TEST_F(Builder, OptionalBlankLinesChangeOnlyOffsets) {
    std::string blankAfterSchool = Entry("Sleep");
    blankAfterSchool.insert(blankAfterSchool.find("Range:"), 1, '\n');
    const auto plain = Build(Entry("Sleep") + "\n" + Entry("Web"));
    const auto blanks = Build(blankAfterSchool + "\n\n" + Entry("Web"));
    ASSERT_EQ(plain.size(), 2u);
    ASSERT_EQ(blanks.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(Fields(blanks[i]), Fields(plain[i])) << "record " << i;
        EXPECT_EQ(blanks[i].nTextOffset, plain[i].nTextOffset + static_cast<int32_t>(i + 1)) << "record " << i;
    }
}

TEST_F(Builder, Levels) {
    using Levels = std::vector<std::pair<std::string, int>>;
    const struct {
        const char* label;
        std::string text;
        Levels expected;
    } kCases[] = {
        {"NoHeader", Entry("A"), {{"A", 1}}},
        {"HeaderOnFirstLine", "First-Level Spells\n" + Entry("A"), {{"A", 2}}},
        {"HeaderThenBlank", "First-Level Spells\n\n" + Entry("A"), {{"A", 2}}},
        {"HeaderInsideLine", "Wizard Third-Level Spells (cont.)\n" + Entry("A"), {{"A", 2}}},
        {"HeaderBetween", Entry("A") + "\nSecond-Level Spells\n" + Entry("B"), {{"A", 1}, {"B", 2}}},
        {"HeaderAfterBlanks", Entry("A") + "\n\n\nSecond-Level Spells\n\n" + Entry("B"), {{"A", 1}, {"B", 2}}},
        {"TwoHeaders",
         "First-Level Spells\n" + Entry("A") + "\nSecond-Level Spells\n\n" + Entry("B") + "\n" + Entry("C"),
         {{"A", 2}, {"B", 3}, {"C", 3}}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.label << ":\n" << c.text);
        Levels got;
        for (const SpellRecord& r : Build(c.text))
            got.emplace_back(FieldText(r.szName), r.nLevel);
        EXPECT_EQ(got, c.expected);
    }
}

TEST_F(Builder, EntryBoundariesAndDescriptions) {
    using Spells = std::vector<std::pair<std::string, std::string>>;  // name, description
    const std::string fieldsOnly = Entry("B", "");
    const struct {
        const char* label;
        std::string text;
        Spells expected;
    } kCases[] = {
        {"OneBlankBetween", Entry("A", "a1\na2\n") + "\n" + Entry("B", "b1\n"), {{"A", "a1a2"}, {"B", "b1"}}},
        {"TwoBlanksBetween", Entry("A", "a1\na2\n") + "\n\n" + Entry("B", "b1\n"), {{"A", "a1a2"}, {"B", "b1"}}},
        {"ThreeBlanksBetween", Entry("A", "a1\n\n\n\n") + Entry("B", "b1\n"), {{"A", "a1"}, {"B", "b1"}}},
        {"BlankThenTabContinues", Entry("A", "a1\n\n\ta2\n\n") + Entry("B"), {{"A", "a1\ta2"}, {"B", "Some words."}}},
        {"BlankThenDigitContinues", Entry("A", "a1\n\n2nd part\n\n") + Entry("B"), {{"A", "a12nd part"}, {"B", "Some words."}}},
        {"BlankThenLowerContinues", Entry("A", "a1\n\nand more\n\n") + Entry("B"), {{"A", "a1and more"}, {"B", "Some words."}}},
        {"BlankThenNonAsciiContinues", Entry("A", "a1\n\n\xC3\x89lan\n\n") + Entry("B"), {{"A", "a1\xC3\x89lan"}, {"B", "Some words."}}},
        {"LoneCrIsText", Entry("A", "a\rb\n\nc\r\r\n\n") + Entry("B"), {{"A", "a\rbc\r"}, {"B", "Some words."}}},
        {"BlankThenLoneCrContinues", Entry("A", "a1\n\n\rB\n\n") + Entry("B"), {{"A", "a1\rB"}, {"B", "Some words."}}},
        {"CrLfBlankAfterLfBlank", Entry("A", "a1\n\n\r\n") + Entry("B"), {{"A", "a1"}, {"B", "Some words."}}},
        {"EmptyDescription", Entry("A", "\n") + Entry("B"), {{"A", ""}, {"B", "Some words."}}},
        {"UpperWithoutBlankContinues", Entry("A", "a1\nBig\n\n") + Entry("B"), {{"A", "a1Big"}, {"B", "Some words."}}},
        {"SpacesOnlyLineIsNotBlank", Entry("A", "a1\n   \n") + Entry("B", "b1\n") + "\n" + Entry("C", "c1\n"),
         {{"A", "a1   " + WithoutNewlines(Entry("B", "b1\n"))}, {"C", "c1"}}},
        {"LastWithTrailingBlanks", Entry("A", "a1\n\n\n\n"), {{"A", "a1"}}},
        {"EndsRightAfterIgnoredLine", Entry("A") + "\n" + fieldsOnly, {{"A", "Some words."}, {"B", ""}}},
        {"CutOffAfterAreaLine", Entry("A") + "\n" + fieldsOnly.substr(0, fieldsOnly.find("Source:")),
         {{"A", "Some words."}}},
        {"CutOffInRangeLine", Entry("A") + "\nPartial\nAlteration\nRange: Touch\tComponents: V\n", {{"A", "Some words."}}},
        {"CutOffAfterName", Entry("A") + "\nPartial", {{"A", "Some words."}}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.label << ":\n" << c.text);
        Spells got;
        const std::vector<SpellRecord> built = Build(c.text);
        for (const SpellRecord& r : built)
            got.emplace_back(FieldText(r.szName), Description(r));
        EXPECT_EQ(got, c.expected);
        // Lines that straddle blocks are decided alike.
        for (const std::size_t window : {1u, 2u, 3u, 5u}) {
            LineReader reader;
            reader.OpenMemory(c.text, window);
            RecordList sink;
            ParseSpells(reader, false, 1, sink);
            EXPECT_EQ(EncodeAll(sink.records), EncodeAll(built)) << "window " << window;
        }
    }
}

TEST_F(Builder, CrlfGivesSameRecordsAtItsOwnOffsets) {
    const std::string lf = kWizardText + "\n\nThird-Level Spells\n\n" + Entry("Late", "x\n\n\ty\n\n") + Entry("Last");
    const std::string crlf = ToCrlf(lf);
    const auto lfRecords = Build(lf, "lf");
    const auto crlfRecords = Build(crlf, "crlf");
    ASSERT_EQ(lfRecords.size(), 4u);
    ASSERT_EQ(crlfRecords.size(), lfRecords.size());
    const char* firstLines[] = {"A writing quill", "A spark", "x", "Some words."};
    for (std::size_t i = 0; i < lfRecords.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "record " << i);
        EXPECT_EQ(Fields(crlfRecords[i]), Fields(lfRecords[i]));
        const std::string first = firstLines[i];
        EXPECT_EQ(lf.compare(static_cast<std::size_t>(lfRecords[i].nTextOffset), first.size(), first), 0);
        EXPECT_EQ(crlf.compare(static_cast<std::size_t>(crlfRecords[i].nTextOffset), first.size(), first), 0);
        EXPECT_EQ(Description(crlfRecords[i], "crlf"), Description(lfRecords[i], "lf"));
    }
    EXPECT_EQ(lfRecords[2].nLevel, 2);
    EXPECT_EQ(Description(crlfRecords[2], "crlf"), "x\ty");
}

namespace {

// `count` entries, every tenth with a continued description, one with a
// description of 100 KB so that entries straddle the reader's buffer.
std::string ManySpells(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        std::string description = "Text " + n + ".\n";
        if (i % 10 == 3)
            description += "\n\tmore " + n + "\n";
        if (i == 5)
            description += std::string(100000, 'w') + "\n";
        text += Entry("Spell " + n, description + "\n");
    }
    return text;
}

}  // namespace

TEST_F(Builder, ManyEntriesAcrossBuffers) {
    const std::string text = ManySpells(500);
    const auto records = Build(text);
    ASSERT_EQ(records.size(), 500u);
    for (int i = 0; i < 500; ++i) {
        const SpellRecord& r = records[static_cast<std::size_t>(i)];
        const std::string n = std::to_string(i);
        ASSERT_EQ(FieldText(r.szName), "Spell " + n);
        ASSERT_EQ(r.nTextOffset, OffsetOf(text, "Text " + n + ".\n"));
        std::string expected = "Text " + n + ".";
        if (i % 10 == 3)
            expected += "\tmore " + n;
        if (i == 5)
            expected += std::string(100000, 'w');
        ASSERT_EQ(Description(r), expected) << "record " << i;
    }
}

// Each record is cleared to spaces up to its text fields' first zeros before
// the next entry is stored, so a name keeps the spaces and bytes of earlier,
// longer names, a zero byte inside a name included.
TEST_F(Builder, NamesKeepWhatEarlierNamesLeftBehindTheirZero) {
    const std::string text = Entry("Fireball") + "\n" + Entry(std::string("Sle\0ep", 6)) + "\n" + Entry("Web");
    const auto records = Build(text);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(std::string(records[0].szName, 10), std::string("Fireball\0\0", 10));
    EXPECT_EQ(std::string(records[1].szName, 10), std::string("Sle\0ep\0 \0\0", 10));
    EXPECT_EQ(std::string(records[2].szName, 10), std::string("Web\0ep\0 \0\0", 10));
}

TEST_F(Builder, RebuildReplacesIndexWithUsualPermissions) {
    WriteFile(dir.file("wizard.idx"), std::string(5000, 'O'));
    const auto records = Build(kWizardText);
    EXPECT_EQ(records.size(), 2u);
    EXPECT_EQ(ReadFile(dir.file("wizard.idx")).size(), 2 * kRecordSize);
    EXPECT_EQ(DirEntries(dir.path()), (Strings{"wizard.idx", "wizard.txt"}));
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("wizard.idx").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0666 & ~mask);
}

TEST_F(Builder, ByteOrderMarkIsNoPartOfTheFirstName) {
    const std::string bom = "\xEF\xBB\xBF";
    for (const std::string& text : {bom + kWizardText, bom + ToCrlf(kWizardText), bom + "First-Level Spells\n" + kWizardText}) {
        SCOPED_TRACE(text.substr(0, 30));
        const auto records = Build(text);
        ASSERT_EQ(records.size(), 2u);
        EXPECT_EQ(FieldText(records[0].szName), "Quill of Patient Copying");
        EXPECT_EQ(records[0].nLevel, text.find("Level") == std::string::npos ? 1 : 2);
        EXPECT_EQ(records[0].nTextOffset, OffsetOf(text, "A writing quill"));  // the mark counts
        EXPECT_EQ(records[1].nTextOffset, OffsetOf(text, "A spark"));
        EXPECT_EQ(Description(records[0]), "A writing quill copies one page.\tThe material component is fine sand.");
    }
}

// ---- the core: inputs as arguments, state in locals -------------------------

namespace {

const std::string kLeveledText = "First-Level Spells\n" + Entry("A") + "\nSecond-Level Spells\n\n" +
                                 Entry("B") + "\n" + Entry("C") + "\nThird-Level Spells\n";

using NamesAndLevels = std::vector<std::pair<std::string, int>>;

NamesAndLevels Levels(const std::vector<SpellRecord>& records) {
    NamesAndLevels out;
    for (const SpellRecord& r : records)
        out.emplace_back(FieldText(r.szName), r.nLevel);
    return out;
}

}  // namespace

TEST_F(Builder, BuildIndexInTakesDirectoryAndStartLevel) {
    WriteFile(dir.file("wizard.txt"), kLeveledText);
    const BuildResult r = BuildIndexIn(dir.prefix(), "wizard", 10);
    EXPECT_TRUE(r.ok()) << StatusMessage(r.status, FileNaming::kName);
    EXPECT_EQ(r.nRecords, 3u);
    EXPECT_EQ(r.nEndLevel, 13);  // three headers, the last one after every entry
    EXPECT_EQ(Levels(ReadIndex(dir.file("wizard.idx"))), (NamesAndLevels{{"A", 11}, {"B", 12}, {"C", 12}}));

    // Without a text the level stays where it started.
    EXPECT_EQ(BuildIndexIn(dir.prefix(), "priest", 5).nEndLevel, 5);
}

// The same bytes in memory, handed out in blocks of any size, give the
// records a build from the file gives.
TEST_F(Builder, ParseSpellsOverMemoryMatchesTheFileBuild) {
    const std::string text = ToCrlf(kWizardText) + "\r\n\r\nThird-Level Spells\r\n\r\n" +
                             Entry("Late", "x\n\n\ty\n\n") + Entry("Last", std::string(300, 'w') + "\n");
    const std::vector<SpellRecord> fromFile = Build(text);
    ASSERT_EQ(fromFile.size(), 4u);
    for (const std::size_t window : {0u, 1u, 2u, 3u, 7u, 64u, 299u, 100000u}) {
        SCOPED_TRACE(testing::Message() << "window " << window);
        LineReader reader;
        reader.OpenMemory(text, window);
        RecordList sink;
        const ParsedText parsed = ParseSpells(reader, false, 1, sink);
        EXPECT_EQ(parsed.end, ParseResult::kEnd);
        EXPECT_EQ(parsed.nRecords, 4u);
        EXPECT_EQ(parsed.nEndLevel, 2);
        ASSERT_EQ(sink.records.size(), fromFile.size());
        for (std::size_t i = 0; i < fromFile.size(); ++i) {
            EXPECT_EQ(Fields(sink.records[i]), Fields(fromFile[i])) << i;
            EXPECT_EQ(sink.records[i].nTextOffset, fromFile[i].nTextOffset) << i;
        }
        EXPECT_TRUE(ReadDescriptionFromFile(reader, 0).ok());  // reading on from elsewhere works too
        EXPECT_EQ(ReadDescriptionFromFile(reader, fromFile[2].nTextOffset).strText, "x\ty");
    }
}

// Builds in two threads at once, each with its own directory and levels.
TEST(BuilderThreads, BuildsInTwoThreadsKeepTheirOwnLevels) {
    TempDir a, b;
    WriteFile(a.file("wizard.txt"), kLeveledText);
    WriteFile(b.file("priest.txt"), "Second-Level Spells\n" + Entry("P") + "\n" + Entry("Q"));
    for (int round = 0; round < 20; ++round) {
        BuildResult inThread;
        std::thread other([&] { inThread = BuildIndexIn(a.prefix(), "wizard", 1); });
        const BuildResult here = BuildIndexIn(b.prefix(), "priest", 7);
        other.join();
        ASSERT_TRUE(inThread.ok() && here.ok());
        EXPECT_EQ(inThread.nEndLevel, 4);
        EXPECT_EQ(here.nEndLevel, 8);
    }
    EXPECT_EQ(Levels(ReadIndex(a.file("wizard.idx"))), (NamesAndLevels{{"A", 2}, {"B", 3}, {"C", 3}}));
    EXPECT_EQ(Levels(ReadIndex(b.file("priest.idx"))), (NamesAndLevels{{"P", 8}, {"Q", 8}}));
}

// ---- failures --------------------------------------------------------------

namespace {

const std::string kOldIndex = std::string(kRecordSize, 'O') + std::string(kRecordSize, 'P');

}  // namespace

TEST_F(Builder, MissingTextLeavesIndexUntouched) {
    BuildResult r = BuildIndexIn(dir.prefix(), "wizard", 1);
    EXPECT_EQ(r.status.code, StatusCode::kCannotOpenText);
    EXPECT_EQ(StatusMessage(r.status, FileNaming::kName),
              "can't open file wizard.txt: No such file or directory");
    EXPECT_EQ(DirEntries(dir.path()), Strings{});

    WriteFile(dir.file("wizard.idx"), kOldIndex);
    r = BuildIndexIn(dir.prefix(), "wizard", 1);
    EXPECT_EQ(r.status.code, StatusCode::kCannotOpenText);
    EXPECT_EQ(r.nRecords, 0u);
    EXPECT_EQ(ReadFile(dir.file("wizard.idx")), kOldIndex);
    EXPECT_EQ(DirEntries(dir.path()), Strings{"wizard.idx"});
}

TEST_F(Builder, TextThatIsADirectory) {
    std::filesystem::create_directory(dir.file("wizard.txt"));
    WriteFile(dir.file("wizard.idx"), kOldIndex);
    const BuildResult r = BuildIndexIn(dir.prefix(), "wizard", 1);
    EXPECT_EQ(r.status.code, StatusCode::kCannotOpenText);
    EXPECT_EQ(StatusMessage(r.status, FileNaming::kName), "can't open file wizard.txt: Is a directory");
    EXPECT_EQ(ReadFile(dir.file("wizard.idx")), kOldIndex);
    EXPECT_EQ(DirEntries(dir.path()), (Strings{"wizard.idx", "wizard.txt"}));
}

TEST(IndexWriter, FullDeviceReportsNoSpace) {
    const int fd = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    IndexWriter writer(fd);
    writer.Append(SpellRecord{});
    EXPECT_FALSE(writer.Flush());
    EXPECT_EQ(writer.Error(), ENOSPC);
    writer.Append(SpellRecord{});
    EXPECT_FALSE(writer.Flush());  // the error is kept
    ::close(fd);
}

// The one wording of a failed status: the file named by its path or by its
// name, the system's reason after it, and a directory that refused the new
// index named as it was given.
TEST(StatusMessage, WordsEachFailureNamingItsFile) {
    const struct {
        Status status;
        std::string byPath;
        std::string byName;
    } kCases[] = {
        {{StatusCode::kCannotOpenText, ENOENT, "/data/wizard.txt"},
         "can't open file /data/wizard.txt: No such file or directory",
         "can't open file wizard.txt: No such file or directory"},
        {{StatusCode::kCannotReadText, EIO, "d/priest.txt"},
         "can't read file d/priest.txt: Input/output error",
         "can't read file priest.txt: Input/output error"},
        {{StatusCode::kTextTooLarge, 0, "/data/wizard.txt"},
         "can't index /data/wizard.txt: spells past 2 GiB cannot be stored in the index",
         "can't index wizard.txt: spells past 2 GiB cannot be stored in the index"},
        {{StatusCode::kTextChanged, 0, "wizard.txt"},
         "can't index wizard.txt: it changed while it was read; build the index again",
         "can't index wizard.txt: it changed while it was read; build the index again"},
        {{StatusCode::kCannotOpenIndex, kNotRegularFile, "/data/wizard.idx"},
         "can't open index /data/wizard.idx: not a regular file",
         "can't open index wizard.idx: not a regular file"},
        {{StatusCode::kCannotReadIndex, EIO, "/data/wizard.idx"},
         "can't read index /data/wizard.idx: Input/output error",
         "can't read index wizard.idx: Input/output error"},
        {{StatusCode::kCannotWriteIndex, ENOSPC, "/data/wizard.idx"},
         "can't write index /data/wizard.idx: No space left on device",
         "can't write index wizard.idx: No space left on device"},
        {{StatusCode::kCannotWriteIndex, EACCES, "/data/wizard.idx", true},
         "can't write index /data/wizard.idx: can't create a file in /data: Permission denied",
         "can't write index wizard.idx: can't create a file in /data: Permission denied"},
        {{StatusCode::kCannotWriteIndex, EROFS, "wizard.idx", true},
         "can't write index wizard.idx: can't create a file in .: Read-only file system",
         "can't write index wizard.idx: can't create a file in .: Read-only file system"},
        {{StatusCode::kCannotWriteIndex, EACCES, "/wizard.idx", true},
         "can't write index /wizard.idx: can't create a file in /: Permission denied",
         "can't write index wizard.idx: can't create a file in /: Permission denied"},
        {{}, "", ""},
        {{StatusCode::kCancelled}, "", ""},
        {{StatusCode::kBadOffset, 0, "/data/wizard.idx"}, "", ""},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(StatusMessage(c.status), c.byPath);
        EXPECT_EQ(StatusMessage(c.status, FileNaming::kName), c.byName);
    }
    EXPECT_EQ(ErrorReason(ENOTDIR), "Not a directory");
    EXPECT_EQ(ErrorReason(kNotRegularFile), "not a regular file");
}
