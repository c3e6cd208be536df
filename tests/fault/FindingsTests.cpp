// SPDX-License-Identifier: MIT
// Faults the sanitizers and the fuzz targets in fuzz/ found, each pinned
// where it was found. Under the asan preset a relapse aborts the test.

#include <cstdint>
#include <cstring>

#include "FaultSupport.h"

namespace fault {
namespace {

// UBSan: SetField passed the null pointer of an empty string_view to
// memcpy (a marker or tab missing from a field line gives such a view).
TEST(Findings, EmptyValueWithNullDataSetsAnEmptyField) {
    SpellRecord r;
    std::memset(r.szRange, 'x', kFieldSize);
    SetField(r.szRange, std::string_view{});
    EXPECT_EQ(FieldText(r.szRange), "");
    EXPECT_EQ(r.szRange[1], 'x');  // bytes after the terminator stay
}

// fuzz_read_index: a record offset beyond what the system can seek to
// (INT64_MAX) made pread fail with EINVAL, reported as a read error
// instead of the short read that any offset past the end gives.
TEST(Findings, RecordOffsetPastWhatTheSystemCanSeekToIsAShortRead) {
    TempDir dir;
    WriteFile(dir.file("wizard.idx"), EncodeAll({MakeRecord("Only")}));
    for (const int64_t offset : {int64_t{INT64_MAX}, INT64_MAX - 431, int64_t{1} << 62}) {
        const RecordResult r = ReadRecordAt(dir.file("wizard.idx"), offset);
        EXPECT_EQ(r.status.code, StatusCode::kShortRead) << offset;
        EXPECT_EQ(r.status.error, 0) << offset;
    }
}

}  // namespace
}  // namespace fault
