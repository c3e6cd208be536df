// Faults the sanitizers and the fuzz targets in fuzz/ found, each pinned
// where it was found. Under the asan preset a relapse aborts the test.

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

}  // namespace
}  // namespace fault
