// SPDX-License-Identifier: MIT
// Who may replace an index, and with which permissions. File permissions
// do not bind root, as whom CI runs: there the builds of these tests run in
// a child process that has dropped to the unprivileged user 65534 first;
// as any other user they run in the test process itself.

#include <sys/stat.h>

#include "ChildProcess.h"
#include "StatusMessage.h"
#include "TestRecords.h"

namespace {

const std::string kOldIndex = std::string(kRecordSize, 'O');

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

// The scratch directory, open to the unprivileged user as `mode`, with a
// spell text anyone may read.
void SetUpDirectory(const TempDir& dir, mode_t mode) {
    WriteFile(dir.file("wizard.txt"), Entry("Ember Mote"));
    ::chmod(dir.file("wizard.txt").c_str(), 0644);
    ::chmod(dir.path().c_str(), mode);
}

std::string BuildUnprivileged(const TempDir& dir) {
    return RunUnprivileged([&] {
        return StatusMessage(BuildIndexIn(dir.prefix(), "wizard", 1).status, FileNaming::kName);
    });
}

TEST(IndexPermissions, IndexThatCannotBeWrittenIsNotReplaced) {
    TempDir dir;
    SetUpDirectory(dir, 0777);
    WriteFile(dir.file("wizard.idx"), kOldIndex);
    ::chmod(dir.file("wizard.idx").c_str(), 0444);

    EXPECT_EQ(BuildUnprivileged(dir), "can't write index wizard.idx: Permission denied");
    EXPECT_EQ(ReadFile(dir.file("wizard.idx")), kOldIndex);
    EXPECT_EQ(ModeOf(dir.file("wizard.idx")), 0444u);
    EXPECT_EQ(DirEntries(dir.path()), (Strings{"wizard.idx", "wizard.txt"}));
}

TEST(IndexPermissions, DirectoryThatTakesNoNewFileIsNamed) {
    TempDir dir;
    SetUpDirectory(dir, 0555);
    EXPECT_EQ(BuildUnprivileged(dir),
              "can't write index wizard.idx: can't create a file in " + dir.path().string() + ": Permission denied");
    EXPECT_EQ(DirEntries(dir.path()), Strings{"wizard.txt"});
}

// A replaced index keeps the permission bits it had; a new one gets 0666
// less the umask.
TEST(IndexPermissions, ReplacedIndexKeepsItsPermissionBits) {
    TempDir dir;
    WriteFile(dir.file("wizard.txt"), Entry("Ember Mote"));
    const mode_t mask = ::umask(022);
    for (const mode_t mode : {0600u, 0604u, 0640u, 0666u, 0777u}) {
        WriteFile(dir.file("wizard.idx"), kOldIndex);
        ::chmod(dir.file("wizard.idx").c_str(), mode);
        const BuildResult r = BuildIndexIn(dir.prefix(), "wizard", 1);
        EXPECT_TRUE(r.ok()) << StatusMessage(r.status, FileNaming::kName);
        EXPECT_EQ(ModeOf(dir.file("wizard.idx")), mode);
        EXPECT_EQ(ReadFile(dir.file("wizard.idx")).size(), kRecordSize);
    }
    for (const mode_t newMask : {022u, 077u, 0u}) {
        std::filesystem::remove(dir.file("wizard.idx"));
        ::umask(newMask);
        EXPECT_TRUE(BuildIndexIn(dir.prefix(), "wizard", 1).ok());
        EXPECT_EQ(ModeOf(dir.file("wizard.idx")), 0666u & ~newMask) << newMask;
    }
    ::umask(mask);
}

// What stands in the index's place is replaced only when it is a regular
// file (a link to one is replaced by the new index itself).
TEST(IndexPermissions, IndexPlaceTakenBySomethingElse) {
    TempDir dir;
    WriteFile(dir.file("wizard.txt"), Entry("Ember Mote"));
    ASSERT_EQ(::mkfifo(dir.file("wizard.idx").c_str(), 0644), 0);
    EXPECT_EQ(StatusMessage(BuildIndexIn(dir.prefix(), "wizard", 1).status, FileNaming::kName),
              "can't write index wizard.idx: not a regular file");
    std::filesystem::remove(dir.file("wizard.idx"));
    std::filesystem::create_symlink("/dev/zero", dir.file("wizard.idx"));
    EXPECT_EQ(StatusMessage(BuildIndexIn(dir.prefix(), "wizard", 1).status, FileNaming::kName),
              "can't write index wizard.idx: not a regular file");
    EXPECT_EQ(std::filesystem::read_symlink(dir.file("wizard.idx")), "/dev/zero");

    std::filesystem::remove(dir.file("wizard.idx"));
    WriteFile(dir.file("old.idx"), kOldIndex);
    std::filesystem::create_symlink("old.idx", dir.file("wizard.idx"));
    EXPECT_TRUE(BuildIndexIn(dir.prefix(), "wizard", 1).ok());
    EXPECT_FALSE(std::filesystem::is_symlink(dir.file("wizard.idx")));
    EXPECT_EQ(ReadFile(dir.file("old.idx")), kOldIndex);
}

}  // namespace
