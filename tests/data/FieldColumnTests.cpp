// SPDX-License-Identifier: MIT
// A field's distinct texts and the rows' numbers for them.

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FieldColumn.h"

namespace {

// Every row's id, read through the widest and the narrowest access alike.
std::vector<uint32_t> AllIds(const FieldColumn& column) {
    return column.VisitIds([](auto ids) { return std::vector<uint32_t>(ids.begin(), ids.end()); });
}

TEST(FieldColumn, EqualTextsShareAnIdInTheOrderFirstMet) {
    FieldColumn column;
    for (const char* text : {"Touch", "10 yds.", "touch", "Touch", "", "10 yds.", "", "\xCE\xE3\xEE\xED\xFC"})
        column.Append(text);
    EXPECT_EQ(AllIds(column), (std::vector<uint32_t>{0, 1, 2, 0, 3, 1, 3, 4}));
    EXPECT_EQ(column.RowCount(), 8u);
    ASSERT_EQ(column.TextCount(), 5u);
    EXPECT_EQ(column.Raw(2), "touch");
    EXPECT_EQ(column.Folded(0), "touch");  // told apart as stored, folded alike
    EXPECT_EQ(column.Folded(3), "");
    EXPECT_EQ(column.Folded(4), "\xD0\xBE\xD0\xB3\xD0\xBE\xD0\xBD\xD1\x8C");  // огонь, from Windows-1251
    EXPECT_EQ(column.IdAt(7), 4u);
}

TEST(FieldColumn, IdsWidenAsTheTextsOutgrowThemAndKeepTheirRows) {
    FieldColumn column;
    std::vector<uint32_t> expected;
    // 70,000 distinct texts, each met twice: past one and two bytes an id.
    for (uint32_t n = 0; n < 70000; ++n) {
        EXPECT_EQ(column.Append(std::to_string(n) + " rds."), n);
        EXPECT_EQ(column.Append(std::to_string(n / 2) + " rds."), n / 2);
        expected.push_back(n);
        expected.push_back(n / 2);
    }
    EXPECT_EQ(AllIds(column), expected);
    EXPECT_EQ(column.TextCount(), 70000u);
    EXPECT_EQ(column.IdAt(510), 255u);
    EXPECT_EQ(column.IdAt(511), 127u);
    EXPECT_EQ(column.IdAt(512), 256u);
    EXPECT_EQ(column.IdAt(131072), 65536u);
    EXPECT_EQ(column.Folded(65535), "65535 rds.");
    EXPECT_EQ(column.VisitIds([](auto ids) { return sizeof(ids[0]); }), 4u);
}

}  // namespace
