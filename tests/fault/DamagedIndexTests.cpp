// Index files no builder wrote: numbers out of range, fields without a
// terminating zero, lengths that are not whole records. Through the data
// library and through the list and the details dialog.

#include <climits>

#include "DescriptionReader.h"
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
        std::string bytes;
        for (const SpellRecord& r : records)
            bytes += Encode(r);
        bytes += tail;
        WriteFile(Idx(), bytes);
    }
};

TEST_F(DamagedIndex, TextOffsetsOutsideTheTextGiveEmptyDescriptions) {
    const auto size = static_cast<int32_t>(kThreeSpells.size());
    const std::vector<int32_t> offsets = {-1, INT32_MIN, size, size + 1, INT32_MAX};
    std::vector<SpellRecord> records;
    for (const int32_t offset : offsets)
        records.push_back(Record("Spell " + std::to_string(records.size()), offset));
    WriteIndex(records);

    EXPECT_EQ(ReadDescriptionText(Txt(), -1).status, DescriptionStatus::kBadOffset);
    EXPECT_EQ(ReadDescriptionText(Txt(), INT32_MIN).status, DescriptionStatus::kBadOffset);
    for (const int64_t offset : {int64_t{size}, int64_t{size} + 1, int64_t{INT32_MAX}}) {
        const DescriptionResult d = ReadDescriptionText(Txt(), offset);
        EXPECT_TRUE(d.ok()) << offset;
        EXPECT_EQ(d.strText, "") << offset;
    }

    auto dlg = ListDialog();
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));
    EXPECT_EQ(ListField(*dlg, kFieldName),
              (QStringList{"Spell 0", "Spell 1", "Spell 2", "Spell 3", "Spell 4"}));
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        const Details d = ShowDetails(static_cast<int64_t>(i * kRecordSize));
        EXPECT_EQ(d.name, QString("Spell %1").arg(i));
        EXPECT_EQ(d.range, "Touch");
        EXPECT_EQ(d.description, "") << offsets[i];
    }
    EXPECT_EQ(messages, QStringList{});
}

TEST_F(DamagedIndex, SchoolImagesOutsideZeroToEightShowNoIcon) {
    const std::vector<int32_t> images = {-1, 9, INT32_MIN, INT32_MAX, 8, 0};
    std::vector<SpellRecord> records;
    for (const int32_t image : images)
        records.push_back(Record("Spell " + std::to_string(records.size()), 0, 1, image));
    WriteIndex(records);

    auto dlg = ListDialog();
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));
    const SpellListModel* model = dlg->Model();
    ASSERT_EQ(model->rowCount(), 6);
    for (int row = 0; row < 6; ++row) {  // rows stay in file order: names sort so
        const QModelIndex first = model->index(row, 0);
        const bool inRange = images[row] >= 0 && images[row] <= 8;
        EXPECT_EQ(model->data(first, Qt::DecorationRole).isValid(), inRange) << images[row];
        EXPECT_EQ(model->data(first, SpellListModel::SchoolImageRole).toInt(), images[row]);
    }
    EXPECT_EQ(ShowDetails(2 * kRecordSize).name, "Spell 2");
    EXPECT_EQ(messages, QStringList{});
}

TEST_F(DamagedIndex, NegativeLevelsAreShownAsNumbers) {
    WriteIndex({Record("Spell 0", 0, -100), Record("Spell 1", 0, -1), Record("Spell 2", 0, INT32_MIN)});
    auto dlg = ListDialog();
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));
    EXPECT_EQ(ListField(*dlg, kFieldLevel), (QStringList{"-100", "-1", "-2147483648"}));
    EXPECT_EQ(ShowDetails(2 * kRecordSize).level, "-2147483648");

    // Ordered by level, as text, like every other column.
    ASSERT_TRUE(dlg->LoadIndex(kFieldLevel, "wizard"));
    EXPECT_EQ(ListField(*dlg, kFieldLevel), (QStringList{"-1", "-100", "-2147483648"}));
    EXPECT_EQ(messages, QStringList{});
}

// Every text field filled to its full width: shown whole, and never a byte
// of the next field or the next record.
TEST_F(DamagedIndex, FieldsWithoutTerminatorShowTheirFullWidth) {
    SpellRecord full = Record("", 0);
    std::memset(full.szName, 'N', kNameSize);
    std::memset(full.szSchool, '\xC0', kFieldSize);  // Windows-1251 "А"
    std::memset(full.szRange, 'R', kFieldSize);
    std::memset(full.szDuration, 'D', kFieldSize);
    std::memset(full.szArea, 'A', kFieldSize);
    std::memset(full.szComponents, 'C', kFieldSize);
    std::memset(full.szSavingThrow, 'S', kFieldSize);
    std::memset(full.szCastingTime, 'T', kCastingTimeSize);
    full.nLevel = 0x41414141;  // bytes that would read as text, were they read
    WriteIndex({full, Record("Next", 0)});

    const std::vector<SpellRecord> back = ReadAll(Idx());
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(FieldText(back[0].szName), std::string(kNameSize, 'N'));
    EXPECT_EQ(FieldText(back[0].szCastingTime), std::string(kCastingTimeSize, 'T'));
    EXPECT_TRUE(ReadRecordAt(Idx(), 0).has_value());

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

    const Details d = ShowDetails(0);
    EXPECT_EQ(d.name, name);
    EXPECT_EQ(d.school, school);
    EXPECT_EQ(d.level, "1094795585");
    EXPECT_EQ(d.range, field('R'));
    EXPECT_EQ(d.duration, field('D'));
    EXPECT_EQ(d.area, field('A'));
    EXPECT_EQ(d.components, field('C'));
    EXPECT_EQ(d.savingThrow, field('S'));
    EXPECT_EQ(d.castingTime, castingTime);
    EXPECT_EQ(messages, QStringList{});
}

TEST_F(DamagedIndex, TrailingPartialRecordIsIgnored) {
    WriteIndex({Record("Spell 0", 0), Record("Spell 1", 0)}, std::string(100, 'x'));

    IndexReader reader;
    ASSERT_TRUE(reader.Open(Idx()));
    EXPECT_EQ(reader.RecordCount(), 2);
    EXPECT_EQ(ReadAll(Idx()).size(), 2u);
    EXPECT_TRUE(ReadRecordAt(Idx(), kRecordSize).has_value());
    EXPECT_FALSE(ReadRecordAt(Idx(), 2 * kRecordSize).has_value());

    auto dlg = ListDialog();
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));
    EXPECT_EQ(ListField(*dlg, kFieldName), (QStringList{"Spell 0", "Spell 1"}));
    EXPECT_EQ(g_nRecordCount, 2);
    EXPECT_EQ(messages, QStringList{});

    // Details asked for the partial record find no index there.
    const Details partial = ShowDetails(2 * kRecordSize);
    EXPECT_EQ(messages, QStringList{kNoIndex});
    EXPECT_EQ(partial.name, "");
    EXPECT_EQ(partial.description, "");

    // Shorter than one record: no rows.
    messages.clear();
    WriteFile(Idx(), std::string(kRecordSize - 1, 'x'));
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));
    EXPECT_EQ(dlg->Model()->rowCount(), 0);
    EXPECT_EQ(g_nRecordCount, 0);
    EXPECT_EQ(messages, QStringList{});
}

TEST_F(DamagedIndex, ZeroLengthIndexGivesAnEmptyList) {
    ASSERT_EQ(BuildFrom(kThreeSpells), 3u);
    auto dlg = ListDialog();
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));
    ASSERT_EQ(dlg->Model()->rowCount(), 3);

    WriteFile(Idx(), "");
    IndexReader reader;
    ASSERT_TRUE(reader.Open(Idx()));
    EXPECT_EQ(reader.RecordCount(), 0);
    EXPECT_FALSE(ReadRecordAt(Idx(), 0).has_value());

    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));
    EXPECT_EQ(dlg->Model()->rowCount(), 0);
    EXPECT_EQ(g_nRecordCount, 0);
    EXPECT_EQ(dlg->ListClass(), "wizard");
    EXPECT_EQ(messages, QStringList{});

    // Details of a row that was listed before the index was emptied.
    EXPECT_EQ(ShowDetails(kRecordSize).name, "");
    EXPECT_EQ(messages, QStringList{kNoIndex});
}

TEST_F(DamagedIndex, IndexThatIsADirectoryIsNoIndex) {
    ASSERT_EQ(BuildFrom(kThreeSpells), 3u);
    auto dlg = ListDialog();
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));

    std::filesystem::remove(Idx());
    std::filesystem::create_directory(Idx());
    IndexReader reader;
    EXPECT_FALSE(reader.Open(Idx()));
    EXPECT_FALSE(ReadRecordAt(Idx(), 0).has_value());

    // The list keeps the rows it had; details find no index.
    EXPECT_FALSE(dlg->LoadIndex(kFieldName, "wizard"));
    EXPECT_EQ(ListField(*dlg, kFieldName), (QStringList{"Ember Mote", "Frost Rime", "Glass Eye"}));
    EXPECT_EQ(messages, QStringList{kNoIndex});
    messages.clear();
    EXPECT_EQ(ShowDetails(0).name, "");
    EXPECT_EQ(messages, QStringList{kNoIndex});
}

}  // namespace
}  // namespace fault
