// SPDX-License-Identifier: MIT
// The spell text edited or replaced after its index was built. The list
// shows the index alone; the details show the index's fields and whatever
// the text now holds at the recorded offset, by the usual end rule: empty
// at or past the end of the file, never bytes from anywhere else.

#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <utility>

#include "FaultSupport.h"
#include "IndexAge.h"
#include "SpellText.h"
#include "StatusMessage.h"

namespace fault {
namespace {

constexpr int64_t kEmber = 0;  // record offsets in the index of kThreeSpells
constexpr int64_t kFrost = kRecordSize;
constexpr int64_t kGlass = 2 * kRecordSize;

const QString kEmberText = "A spark leaps from the finger.";
const QString kFrostText = "Thin ice covers one door.";
const QString kGlassText = "The caster sees through glass.";

class ReplacedText : public FaultTest {
protected:
    void SetUp() override {
        FaultTest::SetUp();
        ASSERT_EQ(BuildFrom(kThreeSpells), 3u);
        index = ReadFile(Idx());
    }
    void TearDown() override {
        EXPECT_EQ(ReadFile(Idx()), index) << "the index changed";
        FaultTest::TearDown();
    }
    // Descriptions of the three spells, in index order.
    QStringList Descriptions() {
        return {ShowDetails(kEmber).description, ShowDetails(kFrost).description,
                ShowDetails(kGlass).description};
    }

    std::string index;
};

std::string Rot13Letters(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>('a' + (c - 'a' + 13) % 26);
        else if (c >= 'A' && c <= 'Z')
            c = static_cast<char>('A' + (c - 'A' + 13) % 26);
    }
    return text;
}

TEST_F(ReplacedText, ListShowsTheIndexWhateverTheTextHolds) {
    auto dlg = ListDialog();
    for (const std::string& text : {std::string(), std::string("\xCF\xF0\xE8\n\n\n"),
                                    Rot13Letters(kThreeSpells), kThreeSpells + ManyEntries(50)}) {
        WriteFile(Txt(), text);
        ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));
        EXPECT_EQ(ListField(*dlg, kFieldName),
                  (QStringList{"Ember Mote", "Frost Rime", "Glass Eye"}));
        EXPECT_EQ(ListField(*dlg, kFieldSchool),
                  (QStringList{"Evocation", "Alteration", "Divination"}));
    }
    std::filesystem::remove(Txt());
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));
    EXPECT_EQ(dlg->Model()->rowCount(), 3);
    EXPECT_EQ(MessageTexts(), QStringList{});
}

TEST_F(ReplacedText, ShorterTextEndsDescriptionsAtItsEnd) {
    // Cut inside the second description; the third lies past the end.
    WriteFile(Txt(), kThreeSpells.substr(0, static_cast<std::size_t>(OffsetOf(kThreeSpells, "Thin ice")) + 8));
    EXPECT_EQ(Descriptions(), (QStringList{kEmberText, "Thin ice", ""}));

    const DetailsView glass = ShowDetails(kGlass);
    EXPECT_EQ(glass.name, "Glass Eye");
    EXPECT_EQ(glass.school, "Divination");
    EXPECT_EQ(glass.level, "1");

    WriteFile(Txt(), "");
    EXPECT_EQ(Descriptions(), (QStringList{"", "", ""}));
    EXPECT_EQ(MessageTexts(), QStringList{});
}

TEST_F(ReplacedText, LongerTextKeepsDescriptionsThatEndAtTheNextEntry) {
    WriteFile(Txt(), kThreeSpells + "\n" + Entry("Hidden Door", "A door appears.\n"));
    EXPECT_EQ(Descriptions(), (QStringList{kEmberText, kFrostText, kGlassText}));
    EXPECT_EQ(MessageTexts(), QStringList{});
}

TEST_F(ReplacedText, ShiftedTextGivesTheTextAtTheOldOffsets) {
    // A line inserted at the top: each offset now lands three bytes earlier
    // in the old text, at the tail "t.\n" of the "Source: test." line.
    WriteFile(Txt(), "Ab\n" + kThreeSpells);
    EXPECT_EQ(Descriptions(),
              (QStringList{"t." + kEmberText, "t." + kFrostText, "t." + kGlassText}));
    EXPECT_EQ(MessageTexts(), QStringList{});
}

TEST_F(ReplacedText, OtherWordsInTheSameLayoutAreShown) {
    WriteFile(Txt(), Rot13Letters(kThreeSpells));
    EXPECT_EQ(Descriptions(),
              (QStringList{Utf8(Rot13Letters(kEmberText.toStdString())),
                           Utf8(Rot13Letters(kFrostText.toStdString())),
                           Utf8(Rot13Letters(kGlassText.toStdString()))}));
    // The fields still come from the index.
    EXPECT_EQ(ShowDetails(kFrost).name, "Frost Rime");
}

TEST_F(ReplacedText, SingleByteTextWithoutLineEndsRunsToTheEnd) {
    // Windows-1251 "Привет " over and over, one line, longer than the old text.
    std::string text;
    while (text.size() < kThreeSpells.size() + 100)
        text += "\xCF\xF0\xE8\xE2\xE5\xF2 ";
    WriteFile(Txt(), text);
    const QString whole = QString::fromUtf8("Привет ").repeated(static_cast<int>(text.size() / 7));
    const auto from = [&](std::string_view what) { return whole.mid(OffsetOf(kThreeSpells, what)); };
    EXPECT_EQ(Descriptions(),
              (QStringList{from("A spark"), from("Thin ice"), from("The caster sees")}));
}

TEST_F(ReplacedText, RemovedTextIsReportedAndTheFieldsStillShown) {
    std::filesystem::remove(Txt());
    const DetailsView frost = ShowDetails(kFrost);
    EXPECT_EQ(MessageTexts(), QStringList{"can't open file wizard.txt"});
    EXPECT_EQ(frost.name, "Frost Rime");
    EXPECT_EQ(frost.range, "Touch");
    EXPECT_EQ(frost.description, "");
}

// Like any text that cannot be opened as a file.
TEST_F(ReplacedText, TextThatIsADirectoryIsReportedAndTheFieldsStillShown) {
    std::filesystem::remove(Txt());
    std::filesystem::create_directory(Txt());
    const DetailsView ember = ShowDetails(kEmber);
    EXPECT_EQ(ember.name, "Ember Mote");
    EXPECT_EQ(ember.description, "");
    EXPECT_EQ(MessageTexts(), QStringList{"can't open file wizard.txt"});
}

// ---- a text saved while its index is built ---------------------------------

// Runs `action` once, when the build has parsed its first entry.
struct ActionAtFirstEntry final : SpellTextObserver {
    explicit ActionAtFirstEntry(std::function<void()> f) : action(std::move(f)) {}
    void OnLine(LineRole, std::string_view, int64_t) override {}
    void OnValue(SpellField, std::string_view, const FieldCut*, bool) override {}
    void OnEntryEnd(ParseResult, const SpellRecord&) override {
        if (action)
            std::exchange(action, nullptr)();
    }
    std::function<void()> action;
};

// Sets the file's modification time to `seconds` since the epoch.
void SetTime(const std::string& path, time_t seconds) {
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

time_t TimeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mtim.tv_sec;
}

constexpr time_t kYear2000 = 946684800;
constexpr time_t kYear2200 = 7258118400;

TEST_F(FaultTest, IndexTakesTheTimeOfTheTextItWasBuiltFrom) {
    for (const time_t textTime : {kYear2000, kYear2200}) {  // in the past, and in the future
        WriteFile(Txt(), kThreeSpells);
        SetTime(Txt(), textTime);
        ASSERT_EQ(BuildIndexIn(dir.prefix(), "wizard", 1).nRecords, 3u);
        EXPECT_EQ(TimeOf(Idx()), textTime);
        EXPECT_EQ(GetIndexAge(dir.prefix(), "wizard"), IndexAge::kCurrent) << textTime;
        // A save after the build began is newer than the index.
        SetTime(Txt(), textTime + 1);
        EXPECT_EQ(GetIndexAge(dir.prefix(), "wizard"), IndexAge::kTextChanged) << textTime;
    }
}

TEST_F(FaultTest, TextSavedDuringTheBuildFailsItAndKeepsTheOldIndex) {
    const std::string newText = Entry("Other Spell", "Other words.\n\n") + kThreeSpells;
    const std::string tmp = dir.file("wizard.txt.new");
    const struct {
        const char* how;
        std::function<void()> save;
    } kCases[] = {
        {"written in place", [&] { WriteFile(Txt(), newText); }},
        {"replaced by rename", [&] { WriteFile(tmp, newText); std::filesystem::rename(tmp, Txt()); }},
        {"touched", [&] { SetTime(Txt(), kYear2000 + 5); }},
    };
    for (const auto& c : kCases) {
        ASSERT_EQ(BuildFrom(kThreeSpells), 3u);
        SetTime(Txt(), kYear2000);
        SetTime(Idx(), kYear2000);
        const std::string oldIndex = ReadFile(Idx());
        ActionAtFirstEntry saveText(c.save);
        const BuildResult r = BuildIndexIn(dir.prefix(), "wizard", 1, &saveText);
        EXPECT_EQ(r.status.code, StatusCode::kTextChanged) << c.how;
        EXPECT_EQ(StatusMessage(r.status, FileNaming::kName),
                  "can't index wizard.txt: it changed while it was read; build the index again")
            << c.how;
        EXPECT_EQ(ReadFile(Idx()), oldIndex) << c.how;
        EXPECT_EQ(GetIndexAge(dir.prefix(), "wizard"), IndexAge::kTextChanged) << c.how;
    }
}

}  // namespace
}  // namespace fault
