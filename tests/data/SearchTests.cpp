// SPDX-License-Identifier: MIT
// The search core: case folding, terms, and the matching rules over
// fields, filters and descriptions.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CaseFolding.h"
#include "SpellSearch.h"
#include "TestRecords.h"

namespace {

using Rows = std::vector<uint32_t>;

TEST(CaseFolding, SimpleFoldingOfCodePoints) {
    const struct {
        char32_t in, out;
    } cases[] = {
        {U'A', U'a'},         {U'z', U'z'},         {U'1', U'1'},         {U'@', U'@'},
        {0x00C4, 0x00E4},     {0x00C9, 0x00E9},     {0x0416, 0x0436},     {0x0401, 0x0451},
        {0x03A3, 0x03C3},     {0x03C2, 0x03C3},     {0x212A, U'k'},       {0x017F, U's'},
        {0x1E9E, 0x00DF},     {0x00DF, 0x00DF},     {0x0130, 0x0130},     {0x10400, 0x10428},
        {0xFF21, 0xFF41},     {0x2126, 0x03C9},
    };
    for (const auto& c : cases)
        EXPECT_EQ(static_cast<uint32_t>(FoldCase(c.in)), static_cast<uint32_t>(c.out))
            << std::hex << static_cast<uint32_t>(c.in);
}

TEST(CaseFolding, TextAsDisplayed) {
    const struct {
        std::string raw, folded;
    } cases[] = {
        {"Fire BALL", "fire ball"},
        // Every ASCII neighbour of the letters stays, across 8-byte words.
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ@[`{az", "abcdefghijklmnopqrstuvwxyz@[`{az"},
        {"\xC3\x89" "CLAIR na\xC3\x8FVE", "\xC3\xA9" "clair na\xC3\xAFve"},                  // ÉCLAIR naÏVE
        {"\xD0\x9E\xD0\x93\xD0\x9E\xD0\x9D\xD0\xAC", "\xD0\xBE\xD0\xB3\xD0\xBE\xD0\xBD\xD1\x8C"},  // ОГОНЬ
        {"\xCE\xC3\xCE\xCD\xDC", "\xD0\xBE\xD0\xB3\xD0\xBE\xD0\xBD\xD1\x8C"},  // ОГОНЬ in Windows-1251
        {"\xE2\x84\xAA" "ELVIN", "kelvin"},                                      // Kelvin sign
        // Not UTF-8 once the last byte is seen: all of it is Windows-1251.
        {"\xC3\x89\xFF", "\xD0\xB3\xE2\x80\xB0\xD1\x8F"},                          // Г‰я
        {"\xC0\x80", "\xD0\xB0\xD1\x92"},                                          // overlong: Ађ
        {"\xED\xA0\x80", "\xD0\xBD\xC2\xA0\xD1\x92"},  // a surrogate: н, no-break space, ђ
        {"", ""},
    };
    for (const auto& c : cases) {
        std::string out = "x";
        AppendDisplayFolded(out, c.raw);
        EXPECT_EQ(out, "x" + c.folded) << c.raw;
    }
}

TEST(SpellSearch, TermsSplitAtWhiteSpace) {
    const struct {
        std::string typed;
        std::vector<std::string> terms;
    } cases[] = {
        {"", {}},
        {" \t\r\n ", {}},
        {"  Fire\tBALL \n", {"fire", "ball"}},
        {"a\xC2\xA0" "b\xE3\x80\x80" "C", {"a", "b", "c"}},  // no-break and ideographic spaces
        {"\xD0\x81\xD0\xB6  \xD0\x96\xD0\xA3\xD0\x9A", {"\xD1\x91\xD0\xB6", "\xD0\xB6\xD1\x83\xD0\xBA"}},
        {"\xC6\xD3\xCA", {"\xD0\xB6\xD1\x83\xD0\xBA"}},  // ЖУК typed in Windows-1251
        {"x x", {"x", "x"}},
        // жук in UTF-8 beside ЖУК in Windows-1251: each read on its own.
        {"\xD0\xB6\xD1\x83\xD0\xBA \xC6\xD3\xCA", {"\xD0\xB6\xD1\x83\xD0\xBA", "\xD0\xB6\xD1\x83\xD0\xBA"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitTerms(c.typed), c.terms) << c.typed;
}

SpellRecord Row(std::string_view name, int32_t level, std::string_view school,
                std::string_view range, std::string_view savingThrow) {
    SpellRecord r = MakeRecord(name, level);
    SetField(r.szSchool, school);
    SetField(r.szRange, range);
    SetField(r.szSavingThrow, savingThrow);
    SetField(r.szArea, "Area");
    SetField(r.szDuration, "Instant");
    SetField(r.szComponents, "V");
    SetField(r.szCastingTime, "1");
    return r;
}

SpellSearchIndex FieldIndex() {
    SpellSearchIndex index;
    index.AddRecord(Row("Fireball", 3, "Evocation", "10 yds. + 10 yds./level", "1/2"));
    index.AddRecord(Row("\xD0\x9B\xD0\xB5\xD0\xB4\xD1\x8F\xD0\xBD\xD0\xBE\xD0\xB9 \xD0\xA8\xD0\xB0\xD1\x80", 3,
                        "Evocation", "Touch", "Neg."));             // Ледяной Шар
    index.AddRecord(Row("\xC3\x89" "clair", 2, "evocation", "Sight", "None"));  // Éclair
    index.AddRecord(Row("\xCE\xE3\xEE\xED\xFC", 12, "Necromancy", "Touch", "None"));  // Огонь, Windows-1251
    index.AddRecord(Row("Light", 1, "Alteration", "Touch", "None"));
    return index;
}

TEST(SpellSearch, FieldMatchingRules) {
    const SpellSearchIndex index = FieldIndex();
    const struct {
        std::string typed;
        std::optional<int32_t> level;
        std::optional<std::string> school;
        Rows rows;
    } cases[] = {
        {"", {}, {}, {0, 1, 2, 3, 4}},
        {"fire", {}, {}, {0}},
        {"FIRE", {}, {}, {0}},
        {"ball yds", {}, {}, {0}},           // terms in different fields
        {"fire light", {}, {}, {}},          // every term must occur
        {"ballevocation", {}, {}, {}},       // never across two fields
        {"\xD1\x88\xD0\xB0\xD1\x80", {}, {}, {1}},          // шар
        {"\xD0\xA8\xD0\x90\xD0\xA0", {}, {}, {1}},          // ШАР
        {"\xC3\xA9" "clair", {}, {}, {2}},                  // éclair
        {"\xC3\x89" "CLAIR", {}, {}, {2}},                  // ÉCLAIR
        {"\xD0\x9E\xD0\xB3\xD0\xBE\xD0\xBD\xD1\x8C", {}, {}, {3}},  // Огонь, stored in Windows-1251
        {"12", {}, {}, {3}},                 // the level as its digits
        {"none", {}, {}, {2, 3, 4}},
        {"", 3, {}, {0, 1}},
        {"\xD1\x88\xD0\xB0\xD1\x80", 3, {}, {1}},
        {"", 4, {}, {}},
        {"", {}, "EVOCATION", {0, 1, 2}},    // the school, case-insensitively
        {"", 2, "Evocation", {2}},
        {"touch", {}, "necromancy", {3}},
        {"", {}, "Evoc", {}},                // equal, not a part
        {"", {}, "Divination", {}},
    };
    for (const auto& c : cases) {
        const SpellQuery query =
            MakeQuery(c.typed, c.level, c.school ? std::optional<std::string_view>(*c.school) : std::nullopt, false);
        const SearchResult result = FindSpells(index, query, "/nonexistent/wizard.txt");
        EXPECT_TRUE(result.ok()) << c.typed;
        EXPECT_EQ(result.rows, c.rows) << "'" << c.typed << "' level " << c.level.value_or(0) << " school "
                                       << c.school.value_or("-");
    }
}

TEST(SpellSearch, FilterChoices) {
    const SpellSearchIndex index = FieldIndex();
    EXPECT_EQ(index.Levels(), (std::vector<int32_t>{1, 2, 3, 12}));
    EXPECT_EQ(index.Schools(), (std::vector<std::string>{"Alteration", "Evocation", "Necromancy"}));
    EXPECT_EQ(index.RowCount(), 5u);
}

// A field whose distinct texts outgrow one and then two bytes a row (every
// row its own range; levels and saving throws repeated), and names that
// fill several blocks of the index.
TEST(SpellSearch, FieldsWithManyDistinctTextsAndManyNames) {
    SpellSearchIndex index;
    for (int row = 0; row < 70000; ++row)
        index.AddRecord(Row(row == 300 ? "Fire Ray" : row == 69000 ? "Wall of Fire" : "Bolt of the long winding storm",
                            row % 3 + 1, "Evocation",
                            std::to_string(row) + " yds.", row % 2 ? "Neg." : "None"));
    const auto find = [&](std::string_view typed, std::optional<int32_t> level = {}) {
        return FindSpells(index, MakeQuery(typed, level, std::nullopt, false), "").rows;
    };
    EXPECT_EQ(find("69999"), Rows{69999});
    EXPECT_EQ(find("\"65535 yds\""), Rows{65535});
    EXPECT_EQ(find("range:\"65536 yds\""), Rows{65536});
    EXPECT_EQ(find("6553 neg"),
              (Rows{6553, 16553, 26553, 36553, 46553, 56553, 65531, 65533, 65535, 65537, 65539, 66553}));
    EXPECT_EQ(find("6553 -neg", 2), (Rows{65530, 65536}));
    EXPECT_EQ(find("fire 300"), Rows{300});
    EXPECT_EQ(find("fire"), (Rows{300, 69000}));
    EXPECT_EQ(find("\"wall of fire\""), Rows{69000});
    EXPECT_EQ(find("storm -bolt"), Rows{});
    EXPECT_EQ(find("name:300"), Rows{});
    EXPECT_EQ(find("level:3 6999"), (Rows{26999, 56999, 69992, 69995, 69998}));
    EXPECT_EQ(index.Levels(), (std::vector<int32_t>{1, 2, 3}));
}

class DescriptionSearch : public testing::Test {
protected:
    Rows Find(std::string_view typed, bool descriptions = true, std::optional<int32_t> level = {}) {
        const SearchResult result =
            FindSpells(index, MakeQuery(typed, level, std::nullopt, descriptions), dir.file("wizard.txt"));
        EXPECT_TRUE(result.ok()) << result.strMessage;
        return result.rows;
    }
    void Build(std::string_view text) {
        index = SpellSearchIndex();
        for (const SpellRecord& r : BuildRecords(dir, text))
            index.AddRecord(r);
    }

    TempDir dir;
    SpellSearchIndex index;
};

TEST_F(DescriptionSearch, HitsBelongToTheDescriptionThatHoldsThem) {
    Build(Entry("Alpha", "A bolt of fla\nme leaps.\n\n") +
          Entry("Beta", "Cold mist.\n\n\tindented Fire note.\n\n") +
          Entry("Gamma", "Nothing here.\n\n\n") +
          Entry("Delta", "\xD0\x96\xD0\xB3\xD1\x83\xD1\x87\xD0\xB5\xD0\xB5 \xD0\x9F\xD0\x9B\xD0\x90\xD0\x9C\xD0\xAF.\n\n") +
          "End\n");
    ASSERT_EQ(index.RowCount(), 4u);
    const struct {
        std::string typed;
        bool descriptions;
        Rows rows;
    } cases[] = {
        {"flame", true, {0}},         // the lines are joined as the details show them
        {"flame", false, {}},
        {"FIRE", true, {1}},          // after a blank line and a tab line
        {"mist fire", true, {1}},
        {"alpha leaps", true, {0}},   // one term in a field, one in the description
        {"delta", true, {3}},         // the next entry's name is not Gamma's
        {"here", true, {2}},
        {"\xD0\xBF\xD0\xBB\xD0\xB0\xD0\xBC\xD1\x8F", true, {3}},  // пламя
        {"touch", true, {0, 1, 2, 3}},
        {"", true, {0, 1, 2, 3}},
        {"source", true, {}},         // the skipped line is no part of a description
    };
    for (const auto& c : cases)
        EXPECT_EQ(Find(c.typed, c.descriptions), c.rows) << c.typed << " " << c.descriptions;
    EXPECT_EQ(Find("mist", true, 2), Rows{});
    EXPECT_EQ(Find("mist", true, 1), Rows{1});
}

TEST_F(DescriptionSearch, Windows1251TextIsSearchedAsCyrillic) {
    // "Огненный шар." in Windows-1251.
    Build(Entry("Omega", "\xCE\xE3\xED\xE5\xED\xED\xFB\xE9 \xF8\xE0\xF0.\n\n") + Entry("Psi", "Plain.\n\n") + "End\n");
    EXPECT_EQ(Find("\xD0\xA8\xD0\x90\xD0\xA0"), Rows{0});                          // ШАР
    EXPECT_EQ(Find("\xD0\xBE\xD0\xB3\xD0\xBD\xD0\xB5\xD0\xBD\xD0\xBD\xD1\x8B\xD0\xB9"), Rows{0});  // огненный
    EXPECT_EQ(Find("plain"), Rows{1});
}

TEST_F(DescriptionSearch, TextChangedAfterIndexingReadsAsTheDetailsWould) {
    const std::string text = Entry("Alpha", "fire words.\n\n") + Entry("Beta", "cold words.\n\n") + "End\n";
    Build(text);
    ASSERT_EQ(index.RowCount(), 2u);

    // Same offsets, descriptions swapped.
    WriteFile(dir.file("wizard.txt"), Entry("Alpha", "cold words.\n\n") + Entry("Beta", "fire words.\n\n") + "End\n");
    EXPECT_EQ(Find("fire"), Rows{1});
    // Three bytes in front: Alpha's description now starts in "Source: test."'s tail.
    WriteFile(dir.file("wizard.txt"), "Zz\n" + text);
    EXPECT_EQ(Find("t.fire"), Rows{0});
    EXPECT_EQ(Find("t.cold"), Rows{1});
    // Cut short: Beta's description lies past the end and reads empty.
    WriteFile(dir.file("wizard.txt"), Entry("Alpha", "fire words.\n\n"));
    EXPECT_EQ(Find("words"), Rows{0});
}

TEST_F(DescriptionSearch, MissingTextIsAnErrorOnlyWhenDescriptionsAreSearched) {
    Build(Entry("Alpha") + "End\n");
    std::filesystem::remove(dir.file("wizard.txt"));
    EXPECT_EQ(Find("alpha", false), Rows{0});
    const SearchResult result = FindSpells(index, MakeQuery("x", {}, {}, true), dir.file("wizard.txt"));
    EXPECT_EQ(result.status.code, StatusCode::kCannotOpenText);
    EXPECT_EQ(result.strMessage, "can't open file " + dir.file("wizard.txt") + ": No such file or directory");
}

TEST_F(DescriptionSearch, RowsWithoutADescriptionToReadMatchOnTheirFieldsAlone) {
    Build(Entry("Alpha", "fire.\n\n") + "End\n");
    SpellRecord unread = MakeRecord("Beta", 1);
    unread.nTextOffset = -1;
    index.AddRecord(unread);
    unread.nTextOffset = 1 << 30;  // past the end
    index.AddRecord(unread);
    EXPECT_EQ(Find("fire"), Rows{0});
    EXPECT_EQ(Find("beta"), (Rows{1, 2}));
    EXPECT_EQ(Find("beta fire"), Rows{});
}

// A text edited after indexing so that no description ends (no blank
// lines), or one line of 16 MiB: each description costs at most what the
// details read of it, not the rest of the text.
TEST_F(DescriptionSearch, EachDescriptionReadsNoMoreThanTheDetailsShow) {
    const std::size_t kTextBytes = std::size_t{16} << 20;
    const int kRows = 24;
    std::string lines;
    while (lines.size() < kTextBytes)
        lines += "no blank line ever ends this description, it runs on\n";
    for (const std::string& text : {lines, std::string(kTextBytes, 'x')}) {
        WriteFile(dir.file("wizard.txt"), text);
        index = SpellSearchIndex();
        for (int row = 0; row < kRows; ++row)
            index.AddRecord([&] {
                SpellRecord r = MakeRecord("Row", 1);
                r.nTextOffset = row * 4096;
                return r;
            }());
        const SearchResult result = FindSpells(index, MakeQuery("absent", {}, {}, true), dir.file("wizard.txt"));
        EXPECT_TRUE(result.ok());
        EXPECT_EQ(result.rows, Rows{});
        // 1 MiB of description a row on lines, 4 MiB of text on the one
        // line, each with a block of 64 KiB to spare.
        const uint64_t perRow = text[0] == 'x' ? (4u << 20) + (64u << 10) : (1u << 20) + (128u << 10);
        EXPECT_LE(result.textBytesRead, kRows * perRow) << text.size();
        EXPECT_GE(result.textBytesRead, kRows * (1u << 20)) << text.size();
    }
}

// A description that spans the text's blocks, a term split by a line end
// at a block's end, a term outside any description, and more rows than
// one step of the field scan, some matched by their fields and some by
// their descriptions.
TEST_F(DescriptionSearch, LargeTextsAndManyRows) {
    const auto lines = [](std::string_view line, std::size_t bytes) {
        std::string text;
        while (text.size() + line.size() <= bytes)
            text += line;
        return text;
    };
    std::string text = Entry("Alpha", lines("plain words of a first description\n", 600 << 10) + "\n") +
                       Entry("Long", "");
    const std::size_t splitAt = (std::size_t{1} << 20) - std::string_view("a roaring infer\n").size();
    text += lines("quiet words\n", splitAt - text.size());
    text += std::string(splitAt - text.size(), 'q') + "a roaring infer\n";
    ASSERT_EQ(text.size(), std::size_t{1} << 20);
    text += "no, then more\n" + lines("quiet words\n", 300 << 10) + "one cinder\n\n";
    text += Entry("Omega", "tail words.\n\n") + "End\nashfall outside any description\n";
    Build(text);
    ASSERT_EQ(index.RowCount(), 3u);
    EXPECT_EQ(Find("inferno"), Rows{1});
    EXPECT_EQ(Find("\"roaring inferno, then\""), Rows{1});
    EXPECT_EQ(Find("cinder"), Rows{1});
    EXPECT_EQ(Find("tail"), Rows{2});
    EXPECT_EQ(Find("ashfall"), Rows{});
    EXPECT_EQ(Find("-inferno -tail"), Rows{0});
    EXPECT_EQ(Find("plain -quiet"), Rows{0});

    // 9,000 more rows, odd ones with Alpha's description and even ones
    // with Omega's; some of the odd ones are named "Ashfall".
    const std::vector<SpellRecord> built = BuildRecords(dir, text);
    Rows tail = {2};
    for (uint32_t row = 3; row < 9003; ++row) {
        SpellRecord r = MakeRecord(row % 1000 == 1 ? "Ashfall" : "Other", 1);
        r.nTextOffset = (row % 2 ? built[0] : built[2]).nTextOffset;
        index.AddRecord(r);
        if (row % 2 == 0)
            tail.push_back(row);
    }
    const Rows ashfall = {1001, 2001, 3001, 4001, 5001, 6001, 7001, 8001, 9001};
    EXPECT_EQ(Find("ashfall"), ashfall);
    EXPECT_EQ(Find("ashfall plain"), ashfall);
    EXPECT_EQ(Find("ashfall -tail"), ashfall);
    EXPECT_EQ(Find("ashfall tail"), Rows{});
    EXPECT_EQ(Find("tail").size(), 4501u);
    EXPECT_EQ(Find("tail"), tail);
    EXPECT_EQ(Find("tail -other"), Rows{2});
}

TEST(SpellSearch, CancelledAndProgress) {
    const SpellSearchIndex index = FieldIndex();
    std::atomic<bool> cancel{true};
    std::atomic<int> progress{0};
    EXPECT_EQ(FindSpells(index, MakeQuery("fire", {}, {}, false), "", {&cancel, &progress}).status.code,
              StatusCode::kCancelled);
    cancel = false;
    const SearchResult result = FindSpells(index, MakeQuery("fire", {}, {}, false), "", {&cancel, &progress});
    EXPECT_EQ(result.rows, Rows{0});
    EXPECT_EQ(progress.load(), kSearchProgressMax);
}

}  // namespace
