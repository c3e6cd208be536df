// SPDX-License-Identifier: MIT
// Spell texts past 2 GiB, made of holes in sparse files so that nothing
// is written: the record's text offset ends at INT32_MAX, and a build that
// meets a complete entry beyond it fails rather than drop the entry.

#include <cstdint>

#include "StatusMessage.h"
#include "TestRecords.h"

namespace {

const std::string kOldIndex = std::string(kRecordSize, 'O');

// A text whose second and last entry's description starts at `offset`:
// the first description runs on in zero bytes up to there.
void WriteText(const std::string& path, int64_t offset) {
    const std::string head = Entry("Ember Mote", "A spark");
    const std::string tail = "\n\n" + Entry("Frost Rime", "Thin ice.\n");
    const auto before = static_cast<int64_t>(head.size() + tail.find("Thin ice."));
    WriteSparse(path, head, offset - before, tail);
}

TEST(HugeText, DescriptionAtTheLastOffsetThatFitsIsIndexed) {
    TempDir dir;
    WriteText(dir.file("wizard.txt"), INT32_MAX);
    const BuildResult r = BuildIndexIn(dir.prefix(), "wizard", 1);
    ASSERT_TRUE(r.ok()) << StatusMessage(r.status, FileNaming::kName);
    const std::vector<SpellRecord> records = ReadIndex(dir.file("wizard.idx"));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(FieldText(records[1].szName), "Frost Rime");
    EXPECT_EQ(records[1].nTextOffset, INT32_MAX);
    EXPECT_EQ(DescriptionOf(dir, records[1]), "Thin ice.");
}

TEST(HugeText, DescriptionPastTwoGigabytesFailsTheBuildAndKeepsTheOldIndex) {
    TempDir dir;
    WriteText(dir.file("wizard.txt"), int64_t{INT32_MAX} + 1);
    WriteFile(dir.file("wizard.idx"), kOldIndex);
    const BuildResult r = BuildIndexIn(dir.prefix(), "wizard", 1);
    EXPECT_EQ(r.status.code, StatusCode::kTextTooLarge);
    EXPECT_EQ(StatusMessage(r.status, FileNaming::kName),
              "can't index wizard.txt: spells past 2 GiB cannot be stored in the index");
    EXPECT_EQ(ReadFile(dir.file("wizard.idx")), kOldIndex);
    EXPECT_EQ(DirEntries(dir.path()), (Strings{"wizard.idx", "wizard.txt"}));
}

}  // namespace
