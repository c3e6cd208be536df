// SPDX-License-Identifier: MIT
// A FIFO or a link to /dev/zero where the spell text or the index should
// be: refused at once, as a file that cannot be opened. Without the check
// the open of a FIFO waits for a writer forever and /dev/zero never ends;
// the deadline turns such a hang into a failure.

#include <sys/stat.h>

#include "Deadline.h"
#include "FaultSupport.h"

namespace fault {
namespace {

constexpr unsigned kDeadlineSeconds = 20;

enum class Special { kFifo, kDevZeroLink };
void PrintTo(Special kind, std::ostream* os) { *os << (kind == Special::kFifo ? "FIFO" : "link to /dev/zero"); }

class SpecialFiles : public FaultTest, public testing::WithParamInterface<Special> {
protected:
    // Puts the special file at `path`, in place of what stood there.
    void MakeSpecial(const std::string& path) {
        std::filesystem::remove(path);
        if (GetParam() == Special::kFifo)
            ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
        else
            std::filesystem::create_symlink("/dev/zero", path);
    }
    const Deadline deadline{kDeadlineSeconds};
};

INSTANTIATE_TEST_SUITE_P(Kinds, SpecialFiles, testing::Values(Special::kFifo, Special::kDevZeroLink),
                         [](const testing::TestParamInfo<Special>& kind) {
                             return kind.param == Special::kFifo ? "Fifo" : "DevZeroLink";
                         });

TEST_P(SpecialFiles, TextIsRefusedByTheBuildAndTheDetails) {
    ASSERT_EQ(BuildFrom(kThreeSpells), 3u);
    const std::string oldIndex = ReadFile(Idx());
    ASSERT_NO_FATAL_FAILURE(MakeSpecial(Txt()));

    auto dlg = ListDialog();
    answer = QMessageBox::Yes;
    dlg->OnCreateIndex();
    EXPECT_EQ(MessageTexts(),
              (QStringList{kCreateQuestion, "can't open file wizard.txt: not a regular file"}));
    EXPECT_EQ(ReadFile(Idx()), oldIndex);
    EXPECT_EQ(DirEntries(dir.path()), (Strings{"wizard.idx", "wizard.txt"}));

    messages.clear();
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));
    const DetailsView d = ShowDetails(0);
    EXPECT_EQ(d.name, "Ember Mote");
    EXPECT_EQ(d.description, "");
    EXPECT_EQ(MessageTexts(), QStringList{"can't open file wizard.txt"});
}

TEST_P(SpecialFiles, IndexIsNoIndexForTheListAndTheDetails) {
    ASSERT_EQ(BuildFrom(kThreeSpells), 3u);
    auto dlg = ListDialog();
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));
    ASSERT_NO_FATAL_FAILURE(MakeSpecial(Idx()));

    EXPECT_FALSE(dlg->LoadIndex(kFieldName, "wizard"));
    EXPECT_EQ(MessageTexts(), QStringList{kNoIndex});
    EXPECT_EQ(ListField(*dlg, kFieldName), (QStringList{"Ember Mote", "Frost Rime", "Glass Eye"}));

    messages.clear();
    const DetailsView d = ShowDetails(kRecordSize);
    EXPECT_EQ(d.name, "");
    EXPECT_EQ(d.description, "");
    EXPECT_EQ(MessageTexts(), QStringList{kNoIndex});
}

}  // namespace
}  // namespace fault
