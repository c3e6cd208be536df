// SPDX-License-Identifier: MIT
// Lines of any length take bounded memory. A text with a line of 1 GiB is
// built and its descriptions read in a child process whose address space
// may grow by a few tens of MiB at most.

#include <sys/resource.h>

#include "ChildProcess.h"
#include "ResourceLimit.h"
#include "StatusMessage.h"
#include "TestRecords.h"

namespace {

constexpr int64_t kLongLine = int64_t{1} << 30;
constexpr rlim_t kHeadroom = rlim_t{48} << 20;

// This process's virtual size in bytes.
rlim_t VirtualSize() {
    std::ifstream statm("/proc/self/statm");
    rlim_t pages = 0;
    statm >> pages;
    return pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
}

TEST(LongLines, GigabyteLineIsBuiltAndReadInBoundedMemory) {
    TempDir dir;
    // The first description is one line of 1 GiB of zero bytes.
    const std::string head = Entry("Long", "");
    const std::string tail = "\n\n" + Entry("After", "Words.\n");
    WriteSparse(dir.file("wizard.txt"), head, kLongLine, tail);

    const ChildOutcome child = RunInChild([&] {
        const ResourceLimit limit(RLIMIT_AS, VirtualSize() + kHeadroom);
        if (!limit.ok())
            return std::string("no limit");
        const BuildResult built = BuildIndexIn(dir.prefix(), "wizard", 1);
        const RecordResult first = ReadRecordAt(dir.file("wizard.idx"), 0);
        const RecordResult second = ReadRecordAt(dir.file("wizard.idx"), kRecordSize);
        const DescriptionResult long_ = ReadDescriptionFromPath(dir.file("wizard.txt"), first.record.nTextOffset);
        const DescriptionResult after = ReadDescriptionFromPath(dir.file("wizard.txt"), second.record.nTextOffset);
        return StatusMessage(built.status, FileNaming::kName) + "|" + std::to_string(built.nRecords) + "|" +
               std::to_string(first.record.nTextOffset) + "|" + std::to_string(second.record.nTextOffset) +
               "|" + std::to_string(long_.strText.size()) + "|" +
               (long_.strText == std::string(long_.strText.size(), '\0') ? "zeros" : "other") + "|" +
               after.strText;
    });
    ASSERT_TRUE(child.ok()) << (child.exited ? "exit status " : "signal ") << child.status;
    const int64_t afterOffset = static_cast<int64_t>(head.size()) + kLongLine + OffsetOf(tail, "Words.");
    EXPECT_EQ(child.output, "|2|" + std::to_string(head.size()) + "|" + std::to_string(afterOffset) +
                                "|1048576|zeros|Words.");
}

}  // namespace
