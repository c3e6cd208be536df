// SPDX-License-Identifier: MIT
// The compact store of the list's row texts.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RowTextStore.h"

namespace {

using Texts = std::vector<std::string>;

RowTextStore::Fields View(const Texts& texts) {
    RowTextStore::Fields fields;
    for (std::size_t f = 0; f < fields.size(); ++f)
        fields[f] = texts[f];
    return fields;
}

Texts Read(const RowTextStore& store, RowTextStore::Handle row) {
    Texts texts;
    for (int field = 0; field < kFieldCount; ++field)
        texts.emplace_back(store.Field(row, field));
    return texts;
}

TEST(RowTextStore, RowsReadBackAsAdded) {
    const std::string longest(RowTextStore::kMaxTextLength, 'w');
    const struct {
        Texts fields;
        int32_t textOffset;
    } rows[] = {
        {{"Fire Lance", "3", "Evocation", "30 yds.", "Instantaneous", "1 creature", "V, S, M", "1/2", "1"}, 0},
        {{"", "", "", "", "", "", "", "", ""}, -1},
        {{"Ice Lance", "3", "Evocation", "30 yds.", "Instantaneous", "1 creature", "V, S, M", "1/2", "1"}, INT32_MAX},
        {{"x", "-2147483648", "Evocation", "3", "In", "1 creature", "V", "1/2", "10"}, INT32_MIN},
        {{longest, "12", "E", "30 yds.", "", "1 creature", "V, S, M", "1/", "1"}, 700},
        // Windows-1251 bytes and a zero-free UTF-8 text are bytes like any.
        {{"\xCE\xC3\xCE\xCD\xDC", "1", "\xD0\x9E", "30 yds.", "\xFF\xFE", "1 creature", "V, S, M", "1/2", "1"}, 5},
    };
    RowTextStore store;
    std::vector<RowTextStore::Handle> handles;
    for (const auto& row : rows) {
        const auto handle = store.Append(View(row.fields), row.textOffset);
        ASSERT_TRUE(handle.has_value());
        handles.push_back(*handle);
    }
    store.EndAppending();
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_EQ(Read(store, handles[i]), rows[i].fields) << "row " << i;
        EXPECT_EQ(store.TextOffset(handles[i]), rows[i].textOffset) << "row " << i;
        const RowTextStore::Fields all = store.AllFields(handles[i]);
        EXPECT_EQ(Texts(all.begin(), all.end()), rows[i].fields) << "row " << i;
    }
    EXPECT_EQ(store.Field(handles[0], -1), "");
    EXPECT_EQ(store.Field(handles[0], kFieldCount), "");
}

TEST(RowTextStore, RefusesATextLongerThanItsLimit) {
    RowTextStore store;
    Texts fields(kFieldCount, "a");
    fields[kFieldArea] = std::string(RowTextStore::kMaxTextLength + 1, 'a');
    EXPECT_FALSE(store.Append(View(fields), 0).has_value());
    EXPECT_EQ(store.Bytes(), 0u);
}

// The same nine texts again take their text offset and two bytes a field;
// the first row takes its texts (ten bytes and a length byte each).
TEST(RowTextStore, RepeatedTextsAreKeptOnce) {
    const Texts fields = {"Aaaaaaaaaa", "Bbbbbbbbbb", "Cccccccccc", "Dddddddddd", "Eeeeeeeeee",
                          "Ffffffffff", "Gggggggggg", "Hhhhhhhhhh", "Iiiiiiiiii"};
    RowTextStore store;
    for (int i = 0; i < 1000; ++i)
        ASSERT_TRUE(store.Append(View(fields), i).has_value());
    EXPECT_EQ(store.Bytes(), 4u + 9u * 11u + 999u * (4u + 9u * 2u));
    EXPECT_EQ(store.TextBytes(), 1000u * 9u * 10u);
}

// More distinct texts than a field's dictionary holds, names that never
// repeat, and rows over several blocks: all read back.
TEST(RowTextStore, ManyDistinctTextsReadBack) {
    RowTextStore store;
    std::vector<std::pair<RowTextStore::Handle, Texts>> rows;
    for (int i = 0; i < 30000; ++i) {
        const Texts fields = {"Name number " + std::to_string(i), std::to_string(i % 9 + 1),
                              "School " + std::to_string(i % 20), std::to_string(i % 6000) + " yds.",
                              std::string(60, 'd'), "Area " + std::to_string(i / 7),
                              "V, S", "None", std::to_string(i % 3)};
        const auto handle = store.Append(View(fields), i);
        ASSERT_TRUE(handle.has_value());
        rows.emplace_back(*handle, fields);
    }
    store.EndAppending();
    EXPECT_GT(store.Bytes(), std::size_t{1} << 20) << "the rows fill more than one block";
    for (const auto& [handle, fields] : rows)
        ASSERT_EQ(Read(store, handle), fields);
}

}  // namespace
