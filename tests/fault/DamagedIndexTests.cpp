// SPDX-License-Identifier: MIT
// Index files no builder wrote: numbers out of range, fields without a
// terminating zero, lengths that are not whole records. Through the data
// library and through the list and the details dialog.

#include <climits>
#include <cstring>

#include "FaultSupport.h"

namespace fault {
namespace {

class DamagedIndex : public FaultTest {
protected:
    void SetUp() override {
        FaultTest::SetUp();
        WriteFile(Txt(), kThreeSpells);
    }
    void WriteIndex(const std::vector<SpellRecord>& records, std::string_view tail = {}) {
        WriteFile(Idx(), EncodeAll(records) + std::string(tail));
    }
};

TEST_F(DamagedIndex, TextOffsetsOutsideTheTextGiveEmptyDescriptions) {
    const auto size = static_cast<int32_t>(kThreeSpells.size());
    const std::vector<int32_t> offsets = {-1, INT32_MIN, size, size + 1, INT32_MAX};
    std::vector<SpellRecord> records;
    for (const int32_t offset : offsets)
        records.push_back(MakeRecord("Spell " + std::to_string(records.size()), 1, 0, offset));
    WriteIndex(records);

    auto dlg = ListDialog();
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));
    EXPECT_EQ(ListField(*dlg, kFieldName),
              (QStringList{"Spell 0", "Spell 1", "Spell 2", "Spell 3", "Spell 4"}));
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        const DetailsView d = ShowDetails(static_cast<int64_t>(i * kRecordSize));
        EXPECT_EQ(d.name, QString("Spell %1").arg(i));
        EXPECT_EQ(d.range, "Touch");
        EXPECT_EQ(d.description, "") << offsets[i];
    }
    EXPECT_EQ(MessageTexts(), QStringList{});
}

TEST_F(DamagedIndex, SchoolImagesOutsideZeroToEightShowNoIcon) {
    const std::vector<int32_t> images = {-1, 9, INT32_MIN, INT32_MAX, 8, 0};
    std::vector<SpellRecord> records;
    for (const int32_t image : images)
        records.push_back(MakeRecord("Spell " + std::to_string(records.size()), 1, image));
    WriteIndex(records);

    auto dlg = ListDialog();
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));
    const SpellListModel* model = dlg->Model();
    ASSERT_EQ(model->rowCount(), 6);
    for (int row = 0; row < 6; ++row) {  // rows stay in file order: names sort so
        const QModelIndex first = model->index(row, 0);
        const int image = images[static_cast<std::size_t>(row)];
        const bool inRange = image >= 0 && image <= 8;
        EXPECT_EQ(model->data(first, Qt::DecorationRole).isValid(), inRange) << image;
        EXPECT_EQ(model->data(first, SpellListModel::SchoolImageRole).toInt(), image);
    }
    EXPECT_FALSE(dlg->grab().isNull());  // painting rows without an icon
    EXPECT_EQ(ShowDetails(2 * kRecordSize).name, "Spell 2");
    EXPECT_EQ(MessageTexts(), QStringList{});
}

TEST_F(DamagedIndex, NegativeLevelsAreShownAsNumbers) {
    WriteIndex({MakeRecord("Spell 0", -100), MakeRecord("Spell 1", -1), MakeRecord("Spell 2", INT32_MIN)});
    auto dlg = ListDialog();
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));
    EXPECT_EQ(ListField(*dlg, kFieldLevel), (QStringList{"-100", "-1", "-2147483648"}));
    EXPECT_EQ(ShowDetails(2 * kRecordSize).level, "-2147483648");

    // Ordered by level, as text, like every other column.
    ASSERT_TRUE(dlg->LoadIndex(kFieldLevel, "wizard"));
    EXPECT_EQ(ListField(*dlg, kFieldLevel), (QStringList{"-1", "-100", "-2147483648"}));
    EXPECT_EQ(MessageTexts(), QStringList{});
}

// Every text field filled to its full width: shown whole, and never a byte
// of the next field or the next record.
TEST_F(DamagedIndex, FieldsWithoutTerminatorShowTheirFullWidth) {
    SpellRecord full = MakeRecord("");
    std::memset(full.szName, 'N', kNameSize);
    std::memset(full.szSchool, '\xC0', kFieldSize);  // Windows-1251 "А"
    std::memset(full.szRange, 'R', kFieldSize);
    std::memset(full.szDuration, 'D', kFieldSize);
    std::memset(full.szArea, 'A', kFieldSize);
    std::memset(full.szComponents, 'C', kFieldSize);
    std::memset(full.szSavingThrow, 'S', kFieldSize);
    std::memset(full.szCastingTime, 'T', kCastingTimeSize);
    full.nLevel = 0x41414141;  // bytes that would read as text, were they read
    WriteIndex({full, MakeRecord("Next")});

    const QString name(kNameSize, 'N');
    const QString school(kFieldSize, QChar(0x0410));
    const auto field = [](char c) { return QString(kFieldSize, QLatin1Char(c)); };
    const QString castingTime(kCastingTimeSize, 'T');

    auto dlg = ListDialog();
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));
    EXPECT_EQ(ListField(*dlg, kFieldName), (QStringList{"Next", name}));
    EXPECT_EQ(ListField(*dlg, kFieldSchool), (QStringList{"Alteration", school}));
    EXPECT_EQ(ListField(*dlg, kFieldRange), (QStringList{"Touch", field('R')}));
    EXPECT_EQ(ListField(*dlg, kFieldCastingTime), (QStringList{"1", castingTime}));

    const DetailsView d = ShowDetails(0);
    EXPECT_EQ(d.name, name);
    EXPECT_EQ(d.school, school);
    EXPECT_EQ(d.level, "1094795585");
    EXPECT_EQ(d.range, field('R'));
    EXPECT_EQ(d.duration, field('D'));
    EXPECT_EQ(d.area, field('A'));
    EXPECT_EQ(d.components, field('C'));
    EXPECT_EQ(d.savingThrow, field('S'));
    EXPECT_EQ(d.castingTime, castingTime);
    EXPECT_EQ(MessageTexts(), QStringList{});
}

TEST_F(DamagedIndex, TrailingPartialRecordIsIgnored) {
    WriteIndex({MakeRecord("Spell 0"), MakeRecord("Spell 1")}, std::string(100, 'x'));

    auto dlg = ListDialog();
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));
    EXPECT_EQ(ListField(*dlg, kFieldName), (QStringList{"Spell 0", "Spell 1"}));
    EXPECT_EQ(g_nRecordCount, 2);
    EXPECT_EQ(MessageTexts(), QStringList{});

    // Details asked for the partial record find no index there.
    const DetailsView partial = ShowDetails(2 * kRecordSize);
    EXPECT_EQ(MessageTexts(), QStringList{kNoIndex});
    EXPECT_EQ(partial.name, "");
    EXPECT_EQ(partial.description, "");

    // Shorter than one record: no rows.
    messages.clear();
    WriteFile(Idx(), std::string(kRecordSize - 1, 'x'));
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));
    EXPECT_EQ(dlg->Model()->rowCount(), 0);
    EXPECT_EQ(g_nRecordCount, 0);
    EXPECT_EQ(MessageTexts(), QStringList{});
}

TEST_F(DamagedIndex, ZeroLengthIndexGivesAnEmptyList) {
    ASSERT_EQ(BuildFrom(kThreeSpells), 3u);
    auto dlg = ListDialog();
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));
    ASSERT_EQ(dlg->Model()->rowCount(), 3);

    WriteFile(Idx(), "");
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));
    EXPECT_EQ(dlg->Model()->rowCount(), 0);
    EXPECT_EQ(g_nRecordCount, 0);
    EXPECT_EQ(dlg->ListClass(), "wizard");
    EXPECT_EQ(MessageTexts(), QStringList{});

    // Details of a row that was listed before the index was emptied.
    EXPECT_EQ(ShowDetails(kRecordSize).name, "");
    EXPECT_EQ(MessageTexts(), QStringList{kNoIndex});
}

TEST_F(DamagedIndex, IndexThatIsADirectoryIsNoIndex) {
    ASSERT_EQ(BuildFrom(kThreeSpells), 3u);
    auto dlg = ListDialog();
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));

    std::filesystem::remove(Idx());
    std::filesystem::create_directory(Idx());

    // The list keeps the rows it had; details find no index.
    EXPECT_FALSE(dlg->LoadIndex(kFieldName, "wizard"));
    EXPECT_EQ(ListField(*dlg, kFieldName), (QStringList{"Ember Mote", "Frost Rime", "Glass Eye"}));
    EXPECT_EQ(MessageTexts(), QStringList{kNoIndex});
    messages.clear();
    EXPECT_EQ(ShowDetails(0).name, "");
    EXPECT_EQ(MessageTexts(), QStringList{kNoIndex});
}

}  // namespace
}  // namespace fault
