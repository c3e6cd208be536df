// SPDX-License-Identifier: MIT
// Spell texts that are odd or broken: the build still succeeds, and the
// number of records it writes is stated here case by case.

#include <algorithm>

#include "FaultSupport.h"

namespace fault {
namespace {

constexpr std::size_t kTenMegabytes = 10 * 1024 * 1024;

class DamagedText : public FaultTest {
protected:
    std::vector<SpellRecord> Build(std::string_view text) { return BuildRecords(dir, text); }
    std::string Description(const SpellRecord& r) { return DescriptionOf(dir, r); }
};

std::string Replace(std::string text, char from, char to) {
    std::replace(text.begin(), text.end(), from, to);
    return text;
}

TEST_F(DamagedText, NulBytesAreOrdinaryBytesAndEndAFieldsText) {
    using namespace std::string_literals;
    const std::string text = Entry("Magic\0Missile"s, "Before\0after.\n\n"s) +
                             Entry("Second", "Words.\n");
    const auto records = Build(text);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(FieldText(records[0].szName), "Magic");
    EXPECT_EQ(Description(records[0]), "Before\0after."s);
    EXPECT_EQ(FieldText(records[1].szName), "Second");
    EXPECT_EQ(records[1].nTextOffset, OffsetOf(text, "Words."));

    auto dlg = ListDialog();
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));
    EXPECT_EQ(ListField(*dlg, kFieldName), (QStringList{"Magic", "Second"}));
    const DetailsView d = ShowDetails(0);
    EXPECT_EQ(d.name, "Magic");
    EXPECT_EQ(d.description, QString("Before") + QChar(0) + "after.");
    EXPECT_EQ(MessageTexts(), QStringList{});
}

TEST_F(DamagedText, TenMegabyteLines) {
    const std::string huge(kTenMegabytes, 'x');
    EXPECT_EQ(Build(huge).size(), 0u);         // one line, no terminator
    EXPECT_EQ(Build(huge + "\n").size(), 0u);  // one line

    // A name and a description line of 10 MB each: the name is cut to its
    // field, the description to the reader's 1 MiB limit.
    const std::string text =
        Entry(std::string(kTenMegabytes, 'N'), std::string(kTenMegabytes, 'd') + "\n\n") +
        Entry("After", "Words.\n");
    const auto records = Build(text);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(FieldText(records[0].szName), std::string(kNameSize - 1, 'N'));
    EXPECT_EQ(Description(records[0]), std::string(kMaxDescriptionBytes, 'd'));
    EXPECT_EQ(FieldText(records[1].szName), "After");
    EXPECT_EQ(Description(records[1]), "Words.");

    auto dlg = ListDialog();
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));
    EXPECT_EQ(ListField(*dlg, kFieldName),
              (QStringList{"After", QString(static_cast<int>(kNameSize - 1), 'N')}));
}

TEST_F(DamagedText, NoLineTerminatorAtAll) {
    // The whole file is one line: no entry.
    EXPECT_EQ(Build(Replace(kThreeSpells, '\n', ' ')).size(), 0u);

    // Only the last line lacks its terminator: it still ends the last entry.
    const auto records = Build(kThreeSpells.substr(0, kThreeSpells.size() - 1));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(Description(records[2]), "The caster sees through glass.");
}

TEST_F(DamagedText, OnlyBlankLines) {
    EXPECT_EQ(Build("").size(), 0u);
    EXPECT_EQ(Build(std::string(6, '\n')).size(), 0u);
    // Seven blank lines fill an entry's seven field lines: one record with
    // empty fields, whose description (the rest, all blank) is empty.
    for (const std::string& text : {std::string(7, '\n'), std::string(1000, '\n'),
                                    ToCrlf(std::string(1000, '\n'))}) {
        const auto records = Build(text);
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(FieldText(records[0].szName), "");
        EXPECT_EQ(FieldText(records[0].szSchool), "");
        EXPECT_EQ(FieldText(records[0].szCastingTime), "");
        EXPECT_EQ(records[0].nLevel, 1);
        EXPECT_EQ(records[0].nSchoolImage, 8);
        EXPECT_EQ(records[0].nTextOffset, text[0] == '\r' ? 14 : 7);
        EXPECT_EQ(Description(records[0]), "");
    }
}

TEST_F(DamagedText, LevelHeaderAsTheLastLine) {
    // After a blank line the header ends the last description and starts
    // no entry.
    for (const char* tail : {"\nFourth-Level Spells\n", "\nFourth-Level Spells",
                                    "\n\nFourth-Level Spells\n\n"}) {
        const auto records = Build(kThreeSpells + tail);
        ASSERT_EQ(records.size(), 3u) << tail;
        EXPECT_EQ(records[2].nLevel, 1);
        EXPECT_EQ(Description(records[2]), "The caster sees through glass.");
    }
    // Straight after a description line it is read as description text.
    const auto records = Build(kThreeSpells + "Fourth-Level Spells\n");
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(Description(records[2]), "The caster sees through glass.Fourth-Level Spells");
}

TEST_F(DamagedText, CarriageReturnOnlyLineEnds) {
    // A lone CR is an ordinary character: the file is one line.
    EXPECT_EQ(Build(Replace(kThreeSpells, '\n', '\r')).size(), 0u);

    // In a description it stays in the text; the entries around it count.
    const std::string text = Entry("Ember Mote", "One\rTwo\r\n\r\n") + Entry("Frost Rime", "Ice.\n");
    const auto records = Build(text);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(Description(records[0]), "One\rTwo");
}

TEST_F(DamagedText, HighBytesAreKeptAndShownAsWindows1251) {
    std::string every;
    for (int b = 0x80; b <= 0xFF; ++b)
        every += static_cast<char>(b);
    const std::string text =
        Entry("\xCE\xE3\xED\xE5\xED\xED\xFB\xE9 \xF8\xE0\xF0", "\xC0\xC1\xC2 " + every + "\n\n",
              "\xD7\xE0\xF0\xFB") +
        Entry("Z: Огненный шар", "Пламя.\n", "Evocation");
    const auto records = Build(text);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(FieldText(records[0].szName), "\xCE\xE3\xED\xE5\xED\xED\xFB\xE9 \xF8\xE0\xF0");
    EXPECT_EQ(records[0].nSchoolImage, 8);
    EXPECT_EQ(Description(records[0]), "\xC0\xC1\xC2 " + every);

    auto dlg = ListDialog();
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));
    EXPECT_EQ(ListField(*dlg, kFieldName), (QStringList{"Z: Огненный шар", "Огненный шар"}));
    EXPECT_EQ(ListField(*dlg, kFieldSchool), (QStringList{"Evocation", "Чары"}));

    const DetailsView d = ShowDetails(0);
    EXPECT_EQ(d.school, "Чары");
    ASSERT_EQ(d.description.size(), 4 + 128);  // one character per byte
    EXPECT_TRUE(d.description.startsWith("АБВ Ђ"));
    EXPECT_EQ(d.description[4 + 0x18], QChar(0xFFFD));  // 0x98 has no character
    EXPECT_TRUE(d.description.endsWith("юя"));
    EXPECT_EQ(ShowDetails(kRecordSize).description, "Пламя.");
    EXPECT_EQ(MessageTexts(), QStringList{});
}

// Upper case means A to Z: a name that begins with any other letter, in any
// encoding, does not end the description before it.
TEST_F(DamagedText, NameBeginningWithANonLatinLetterContinuesTheDescription) {
    const std::string text = Entry("Ember Mote", "A spark.\n\n") +
                             Entry("Огненный шар", "Пламя.\n") +
                             "\n\xCE\xE3\xEE\xED\xFC\n";
    const auto records = Build(text);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(Description(records[0]),
              "A spark.Огненный шарAlterationRange: Touch\tComponents: V, S"
              "Duration: 1 rd.\tCasting Time: 1Area of Effect: One creature\tSaving Throw: None"
              "Source: test.Пламя.\xCE\xE3\xEE\xED\xFC");
}

}  // namespace
}  // namespace fault
