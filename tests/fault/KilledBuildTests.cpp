// SPDX-License-Identifier: MIT
// Builds killed with SIGKILL halfway through leave nothing that lasts: the
// new index has no name while it is written, or, where it has one, the
// next build removes it once its writer is gone. New files left by builds
// that still run, and files of other names, stay.

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include "ChildProcess.h"
#include "Deadline.h"
#include "ReplacementFile.h"
#include "SpellText.h"
#include "StatusMessage.h"
#include "TestRecords.h"

namespace {

const std::string kOldIndex = std::string(kRecordSize, 'O');

constexpr int kEntries = 2000;
constexpr int kKilledAtEntry = 1500;  // past several blocks of new index

std::string ManyEntries() {
    const std::string entry = Entry("Spell", std::string(150, 'w') + "\n\n");
    std::string text;
    for (int i = 0; i < kEntries; ++i)
        text += entry;
    return text;
}

// Kills its own process with SIGKILL at the end of an entry, from within
// the build, so the build is always halfway when it dies.
struct KillAtEntry final : SpellTextObserver {
    void OnLine(LineRole, std::string_view, int64_t) override {}
    void OnValue(SpellField, std::string_view, const FieldCut*, bool) override {}
    void OnEntryEnd(ParseResult, const SpellRecord&) override {
        if (++entries == kKilledAtEntry)
            ::raise(SIGKILL);
    }
    int entries = 0;
};

class KilledBuild : public testing::TestWithParam<bool> {
protected:
    void TearDown() override { ReplacementFile::UseNamedFilesOnly(false); }
    TempDir dir;
    const Deadline deadline{60};
};

INSTANTIATE_TEST_SUITE_P(NewFiles, KilledBuild, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& named) {
                             return named.param ? "Named" : "Unnamed";
                         });

TEST_P(KilledBuild, LeavesNothingThatLasts) {
    const bool named = GetParam();
    WriteFile(dir.file("wizard.txt"), ManyEntries());
    WriteFile(dir.file("wizard.idx"), kOldIndex);

    Child child([&] {
        ReplacementFile::UseNamedFilesOnly(named);
        KillAtEntry killer;
        return StatusMessage(BuildIndexIn(dir.prefix(), "wizard", 1, &killer).status, FileNaming::kName);
    });
    const ChildOutcome outcome = child.Wait();
    ASSERT_FALSE(outcome.exited);
    EXPECT_EQ(outcome.status, SIGKILL);

    EXPECT_EQ(ReadFile(dir.file("wizard.idx")), kOldIndex);
    Strings left = DirEntries(dir.path());
    if (named) {  // the named new file stays until the next build
        ASSERT_EQ(left.size(), 3u);
        EXPECT_EQ(left[1].substr(0, 15), "wizard.idx.tmp-");
        EXPECT_EQ(left[1].size(), 21u);
        EXPECT_GE(std::filesystem::file_size(dir.file(left[1])), 1000 * kRecordSize) << "written halfway";
    } else {
        EXPECT_EQ(left, (Strings{"wizard.idx", "wizard.txt"}));
    }

    WriteFile(dir.file("wizard.txt"), Entry("After"));
    const BuildResult r = BuildIndexIn(dir.prefix(), "wizard", 1);
    EXPECT_TRUE(r.ok()) << StatusMessage(r.status, FileNaming::kName);
    EXPECT_EQ(r.nRecords, 1u);
    EXPECT_EQ(DirEntries(dir.path()), (Strings{"wizard.idx", "wizard.txt"}));
}

// A leftover is removed only when it has this index's name pattern, is a
// regular file, and no writer holds its lock.
TEST(Leftovers, OnlyFreeNewFilesOfTheSameIndexAreRemoved) {
    TempDir dir;
    WriteFile(dir.file("wizard.txt"), Entry("Only"));
    for (const char* name : {"wizard.idx.tmp-Free01", "wizard.idx.tmp-Held01", "priest.idx.tmp-Other1",
                             "wizard.idx.tmp-toolong", "wizard.idx.backup", "wizard.idx.tmp-"})
        WriteFile(dir.file(name), "x");
    std::filesystem::create_directory(dir.file("wizard.idx.tmp-Dir001"));
    std::filesystem::create_symlink(dir.file("wizard.txt"), dir.file("wizard.idx.tmp-Link01"));
    const int held = ::open(dir.file("wizard.idx.tmp-Held01").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);  // as a running build holds it

    ASSERT_TRUE(BuildIndexIn(dir.prefix(), "wizard", 1).ok());
    EXPECT_EQ(DirEntries(dir.path()),
              (Strings{"priest.idx.tmp-Other1", "wizard.idx", "wizard.idx.backup", "wizard.idx.tmp-",
                       "wizard.idx.tmp-Dir001", "wizard.idx.tmp-Held01", "wizard.idx.tmp-Link01",
                       "wizard.idx.tmp-toolong", "wizard.txt"}));
    EXPECT_EQ(ReadFile(dir.file("wizard.txt")), Entry("Only"));  // not through the link

    ::close(held);  // its writer is gone
    ASSERT_TRUE(BuildIndexIn(dir.prefix(), "wizard", 1).ok());
    EXPECT_FALSE(std::filesystem::exists(dir.file("wizard.idx.tmp-Held01")));
}

// Both kinds of new file give the same index, with 0666 less the umask.
TEST(Leftovers, NamedAndUnnamedNewFilesGiveTheSameIndex) {
    TempDir dir;
    WriteFile(dir.file("wizard.txt"), Entry("A") + "\n" + Entry("B"));
    const mode_t mask = ::umask(027);
    std::string indexes[2];
    for (const bool named : {false, true}) {
        ReplacementFile::UseNamedFilesOnly(named);
        std::filesystem::remove(dir.file("wizard.idx"));
        const BuildResult r = BuildIndexIn(dir.prefix(), "wizard", 1);
        EXPECT_TRUE(r.ok()) << StatusMessage(r.status, FileNaming::kName);
        indexes[named] = ReadFile(dir.file("wizard.idx"));
        struct stat st {};
        ASSERT_EQ(::stat(dir.file("wizard.idx").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0640u) << (named ? "named" : "unnamed");
        EXPECT_EQ(DirEntries(dir.path()), (Strings{"wizard.idx", "wizard.txt"}));
    }
    ReplacementFile::UseNamedFilesOnly(false);
    ::umask(mask);
    EXPECT_EQ(indexes[0].size(), 2 * kRecordSize);
    EXPECT_EQ(indexes[0], indexes[1]);
}

}  // namespace
