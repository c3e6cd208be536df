// SPDX-License-Identifier: MIT
// The order of the list's rows by their key texts.

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <QString>

#include <gtest/gtest.h>

#include "KeyOrder.h"

namespace {

std::vector<uint32_t> Order(const std::vector<std::string>& keys) {
    KeyOrder order;
    for (const std::string& key : keys)
        order.Add(key);
    order.Sort();
    std::vector<uint32_t> rows;
    for (std::size_t i = 0; i < order.Size(); ++i)
        rows.push_back(order.RowAt(i));
    return rows;
}

TEST(KeyOrder, RowsByFoldedKeyEqualKeysInTheOrderAdded) {
    const struct {
        std::vector<std::string> keys;
        std::vector<uint32_t> rows;
    } cases[] = {
        {{}, {}},
        {{"only"}, {0}},
        {{"b", "a", "b", "a"}, {1, 3, 0, 2}},
        {{"Beta", "alpha", "ALPHA", "beta", "Alpha"}, {1, 2, 4, 0, 3}},
        {{"", "a", ""}, {0, 2, 1}},
        // Keys around the eight-byte chunks: a key before its extensions.
        {{"abcdefgh", "abcdefg", "abcdefghi", "ABCDEFGH", "abcdefghijklmnop", "abcdefghijklmnoq",
          "abcdefghijklmnopq", "ABCDEFGHIJKLMNOP"},
         {1, 0, 3, 2, 4, 7, 6, 5}},
        // Long shared beginnings, told apart at the end.
        {{"protection from evil, 10' radius", "Protection from Evil", "protection from evil, 10' radiuS",
          "protection from evil, 10' radiu"},
         {1, 3, 0, 2}},
        // Code point order of the folded text: "É" is "é", after "f".
        {{"f", "\xC3\x89", "e", "\xC3\xA9"}, {2, 0, 1, 3}},
        // "арка" (UTF-8), "АРКА" (Windows-1251), "яд" (UTF-8), "Б" (Windows-1251).
        {{"\xD0\xB0\xD1\x80\xD0\xBA\xD0\xB0", "\xC0\xD0\xCA\xC0", "\xD1\x8F\xD0\xB4", "\xC1"}, {0, 1, 3, 2}},
        // A byte order mark before valid UTF-8 is not shown, nor sorted by;
        // before bytes that are not UTF-8 it is Windows-1251 text ("п»ї").
        {{"\xEF\xBB\xBF" "b", "\xEF\xBB\xBF\xFF", "a", "c"}, {2, 0, 3, 1}},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const std::string& key : c.keys)
            shown += "[" + key + "]";
        EXPECT_EQ(Order(c.keys), c.rows) << shown;
    }
}

// Thousands of keys from a few letters, some of two or three bytes: long
// runs of equal keys and of equal beginnings, across several chunks. They
// sort as a stable sort by Qt's case folding, as UTF-8 bytes, sorts them.
TEST(KeyOrder, ManyKeysSortLikeAStableSortOfTheirCaseFolding) {
    std::mt19937 random(7);
    // "É", "é", "Ж", "ж" and the Kelvin sign, which folds to "k".
    const std::vector<std::string> letters = {"a", "A", "b", "B", " ", "c", "\xC3\x89", "\xC3\xA9",
                                              "\xD0\x96", "\xD0\xB6", "\xE2\x84\xAA", "k"};
    std::vector<std::string> keys;
    for (int i = 0; i < 20000; ++i) {
        std::string key = i % 3 == 0 ? "Same long beginning, " : "";
        const std::size_t length = random() % 20;
        for (std::size_t k = 0; k < length; ++k)
            key += letters[random() % letters.size()];
        keys.push_back(key);
    }
    std::vector<uint32_t> expected(keys.size());
    for (uint32_t i = 0; i < expected.size(); ++i)
        expected[i] = i;
    std::vector<std::string> folded;
    for (const std::string& key : keys)  // leading blanks do not count
        folded.push_back(QString::fromStdString(key.substr(std::min(key.find_first_not_of(' '), key.size())))
                             .toCaseFolded()
                             .toStdString());
    std::stable_sort(expected.begin(), expected.end(),
                     [&](uint32_t a, uint32_t b) { return folded[a] < folded[b]; });

    KeyOrder order;
    for (const std::string& key : keys)
        order.Add(key);
    int pauses = 0;
    order.Sort([&] { ++pauses; });
    std::vector<uint32_t> rows;
    for (std::size_t i = 0; i < order.Size(); ++i)
        rows.push_back(order.RowAt(i));
    EXPECT_EQ(rows, expected);
    EXPECT_GT(pauses, 0) << "a long sort lets the window repaint";
}

TEST(KeyOrder, LeadingBlanksDoNotCountAndDescendingKeepsEqualKeysInFileOrder) {
    const std::vector<std::string> keys = {" V, S, M", "V", "  v, s", "A", "V, S, M", "b", "\tA"};
    for (const bool descending : {false, true}) {
        KeyOrder order;
        order.SetDescending(descending);
        for (const std::string& key : keys)
            order.Add(key);
        order.Sort();
        std::vector<uint32_t> rows;
        for (std::size_t i = 0; i < order.Size(); ++i)
            rows.push_back(order.RowAt(i));
        EXPECT_EQ(rows, descending ? (std::vector<uint32_t>{0, 4, 2, 1, 5, 3, 6})
                                   : (std::vector<uint32_t>{3, 6, 5, 1, 2, 0, 4}));
    }
}

}  // namespace
