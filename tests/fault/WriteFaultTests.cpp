// SPDX-License-Identifier: MIT
// Index builds that cannot write: the old index stays byte for byte, no
// temporary file is left behind, and the browser shows why. The tests run
// as root in CI, so file permissions cannot be the seam; resource limits
// and paths that are not directories are.

#include <fcntl.h>
#include <unistd.h>

#include "FaultSupport.h"
#include "ResourceLimit.h"
#include "StatusMessage.h"

namespace fault {
namespace {

constexpr int kManyCount = 300;  // an index of 129,600 bytes: two write blocks

class WriteFault : public FaultTest, public testing::WithParamInterface<rlim_t> {};

// The file size limit stops the temporary index at 0 bytes, inside the
// first record, inside the first and the second write block, one byte short.
INSTANTIATE_TEST_SUITE_P(Limits, WriteFault,
                         testing::Values(0, 1000, 4096, 65536 + 1000,
                                         kManyCount * kRecordSize - 1));

TEST_P(WriteFault, CreateIndexKeepsOldIndexAndShowsMessage) {
    ASSERT_EQ(BuildFrom(kThreeSpells), 3u);
    const std::string oldIndex = ReadFile(Idx());
    WriteFile(Txt(), ManyEntries(kManyCount));

    auto dlg = ListDialog();
    answer = QMessageBox::Yes;
    {
        const ResourceLimit limit(RLIMIT_FSIZE, GetParam());
        ASSERT_TRUE(limit.ok());
        dlg->OnCreateIndex();
    }
    EXPECT_EQ(MessageTexts(),
              (QStringList{kCreateQuestion, "can't write index wizard.idx: File too large"}));
    EXPECT_EQ(g_strClass, "wizard");
    EXPECT_EQ(ReadFile(Idx()), oldIndex);
    EXPECT_EQ(DirEntries(dir.path()), (Strings{"wizard.idx", "wizard.txt"}));

    // The list still shows the old index.
    messages.clear();
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));
    EXPECT_EQ(ListField(*dlg, kFieldName), (QStringList{"Ember Mote", "Frost Rime", "Glass Eye"}));
    EXPECT_EQ(MessageTexts(), QStringList{});
}

// The seam itself: with room for exactly the whole index the build works.
TEST_F(FaultTest, FileSizeLimitThatFitsTheIndexLetsTheBuildSucceed) {
    WriteFile(Txt(), ManyEntries(kManyCount));
    BuildResult result;
    {
        const ResourceLimit limit(RLIMIT_FSIZE, kManyCount * kRecordSize);
        ASSERT_TRUE(limit.ok());
        result = BuildIndexIn(dir.prefix(), "wizard", 1);
    }
    EXPECT_TRUE(result.ok()) << StatusMessage(result.status, FileNaming::kName);
    EXPECT_EQ(result.nRecords, static_cast<std::size_t>(kManyCount));
    EXPECT_EQ(ReadFile(Idx()).size(), kManyCount * kRecordSize);
}

// No file descriptor is left for the temporary index once the text is open.
TEST_F(FaultTest, NoDescriptorForTemporaryIndexKeepsOldIndex) {
    ASSERT_EQ(BuildFrom(kThreeSpells), 3u);
    const std::string oldIndex = ReadFile(Idx());
    WriteFile(Txt(), ManyEntries(5));

    // The lowest free descriptor goes to the text file; nothing above it
    // may be opened.
    const int probe = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(probe, 0);
    ::close(probe);
    BuildResult result;
    {
        const ResourceLimit limit(RLIMIT_NOFILE, static_cast<rlim_t>(probe) + 1);
        ASSERT_TRUE(limit.ok());
        result = BuildIndexIn(dir.prefix(), "wizard", 1);
    }
    EXPECT_EQ(result.status.code, StatusCode::kCannotWriteIndex);
    EXPECT_EQ(StatusMessage(result.status, FileNaming::kName),
              "can't write index wizard.idx: Too many open files");
    EXPECT_EQ(ReadFile(Idx()), oldIndex);
    EXPECT_EQ(DirEntries(dir.path()), (Strings{"wizard.idx", "wizard.txt"}));
}

// The index's place is taken by a directory with files in it: the
// temporary index is written, but cannot be renamed over it.
TEST_F(FaultTest, IndexPathIsANonEmptyDirectory) {
    WriteFile(Txt(), kThreeSpells);
    std::filesystem::create_directory(Idx());
    WriteFile(Idx() + "/keep", "kept");

    auto dlg = ListDialog();
    answer = QMessageBox::Yes;
    dlg->OnCreateIndex();
    EXPECT_EQ(MessageTexts(),
              (QStringList{kCreateQuestion, "can't write index wizard.idx: Is a directory"}));
    EXPECT_EQ(DirEntries(dir.path()), (Strings{"wizard.idx", "wizard.txt"}));
    EXPECT_EQ(DirEntries(Idx()), Strings{"keep"});
    EXPECT_EQ(ReadFile(Idx() + "/keep"), "kept");
}

// The message of a failed build gives the file's name and the reason.
TEST_F(FaultTest, CreateIndexWithoutTextNamesTheReason) {
    auto dlg = ListDialog();
    answer = QMessageBox::No;
    dlg->OnCreateIndex();
    EXPECT_EQ(MessageTexts(),
              (QStringList{kCreateQuestion, "can't open file priest.txt: No such file or directory"}));
    EXPECT_EQ(DirEntries(dir.path()), Strings{});
}

// The data directory lies under a regular file: nothing can be read or
// created there, and the file is left alone.
TEST_F(FaultTest, DataDirectoryUnderARegularFile) {
    WriteFile(dir.file("plain"), "not a directory");
    auto dlg = ListDialog();
    g_strDataDir = dir.file("plain") + "/";

    answer = QMessageBox::Yes;
    dlg->OnCreateIndex();
    answer = QMessageBox::No;
    dlg->OnCreateIndex();
    EXPECT_EQ(MessageTexts(), (QStringList{kCreateQuestion, "can't open file wizard.txt: Not a directory",
                                           kCreateQuestion, "can't open file priest.txt: Not a directory"}));
    EXPECT_EQ(DirEntries(dir.path()), Strings{"plain"});
    EXPECT_EQ(ReadFile(dir.file("plain")), "not a directory");

    messages.clear();
    EXPECT_FALSE(dlg->LoadIndex(kFieldName, "wizard"));
    EXPECT_EQ(MessageTexts(), QStringList{kNoIndex});
}

}  // namespace
}  // namespace fault
