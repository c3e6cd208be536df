// SPDX-License-Identifier: MIT
// The query language: how typed text becomes terms, and what each kind of
// term matches on a small list.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "SpellSearch.h"
#include "TestFiles.h"
#include "TestRecords.h"

namespace {

using Rows = std::vector<uint32_t>;
using Terms = std::vector<QueryTerm>;

TEST(QueryParse, TermsAndErrors) {
    const struct {
        std::string typed;
        Terms terms;
        std::string error;
    } cases[] = {
        {"Ice", {{.text = "ice"}}, ""},
        {"  ice   storm ", {{.text = "ice"}, {.text = "storm"}}, ""},
        {"\"Ice  Storm\"", {{.text = "ice  storm"}}, ""},
        {"NAME:\"Ice Storm\"", {{.text = "ice storm", .field = kFieldName}}, ""},
        {"-comp:M", {{.text = "m", .field = kFieldComponents, .exclude = true, .component = 'm'}}, ""},
        {"Components:vs", {{.text = "vs", .field = kFieldComponents}}, ""},
        {"range:touch Save:none time:1 area:x duration:y school:z sphere:w",
         {{.text = "touch", .field = kFieldRange}, {.text = "none", .field = kFieldSavingThrow},
          {.text = "1", .field = kFieldCastingTime}, {.text = "x", .field = kFieldArea},
          {.text = "y", .field = kFieldDuration}, {.text = "z", .field = kFieldSchool},
          {.text = "w", .field = kFieldSchool}},
         ""},
        {"-desc:fire", {{.text = "fire", .field = kDescriptionField, .exclude = true}}, ""},
        {"level:3", {{.text = "3", .field = kFieldLevel, .levelFrom = 3, .levelTo = 3}}, ""},
        {"level:4-2", {{.text = "4-2", .field = kFieldLevel, .levelFrom = 2, .levelTo = 4}}, ""},
        {"1:1 a1:b -", {{.text = "1:1"}, {.text = "a1:b"}, {.text = "-"}}, ""},  // not field names
        {"\"\" -\"\"", {}, ""},
        {"\"ice\"storm", {{.text = "ice"}, {.text = "storm"}}, ""},
        {"ice colour:red",
         {},
         "unknown field 'colour:': name, level, school, sphere, range, duration, area, comp, time, save or desc"},
        {"\"ice storm", {}, "a quote is not closed"},
        {"name:\"ice", {}, "a quote is not closed"},
        {"name: ice", {}, "nothing follows 'name:'"},
        {"level:x", {}, "level: wants a level or a range such as 2-4, not 'x'"},
        {"level:3-", {}, "level: wants a level or a range such as 2-4, not '3-'"},
        {"level:-3", {}, "level: wants a level or a range such as 2-4, not '-3'"},
    };
    for (const auto& c : cases) {
        Terms terms;
        EXPECT_EQ(ParseTerms(c.typed, terms), c.error) << c.typed;
        EXPECT_EQ(terms, c.terms) << c.typed;
    }
}

TEST(QueryParse, ListItemsSplitOutsideParentheses) {
    using Items = std::vector<std::string_view>;
    EXPECT_EQ(ListItems("V, S, M (a pinch of sulphur, or salt)", ","), (Items{"V", "S", "M (a pinch of sulphur, or salt)"}));
    EXPECT_EQ(ListItems("Cleric, Druid/Plant", ",/"), (Items{"Cleric", "Druid", "Plant"}));
    EXPECT_EQ(ListItems("Elemental (Earth/Fire), , All", ",/"), (Items{"Elemental (Earth/Fire)", "All"}));
    EXPECT_EQ(ListItems("", ","), Items{});
}

SpellRecord Row(std::string_view name, int32_t level, std::string_view school, int32_t image,
                std::string_view range, std::string_view components) {
    SpellRecord r = MakeRecord(name, level, image);
    SetField(r.szSchool, school);
    SetField(r.szRange, range);
    SetField(r.szComponents, components);
    return r;
}

SpellSearchIndex WizardIndex() {
    SpellSearchIndex index;
    index.AddRecord(Row("Vampiric Touch", 3, "Necromancy", 7, "Touch", "V, S"));
    index.AddRecord(Row("Ice Storm", 4, "Evocation", 5, "10 yds./level", "V, S, M (a pinch of dust)"));
    index.AddRecord(Row("Fireball", 3, "Evocation (ritual)", 5, "10 yds. + 1:1", "V,S,M"));
    index.AddRecord(Row("Light", 1, "Alteration", 0, "Touch", "v, m (a glow-worm)"));
    index.AddRecord(Row("Storm Ward", 2, "(Evocation)", 5, "Touch", "S, Material (hands, m)"));
    index.AddRecord(Row("Touch of Frost", 2, "Wild Sorcery", 8, "Self", "V"));
    return index;
}

// Components longer than their field are cut inside the material's
// parenthesis: the M before it is still an item.
TEST(QueryMatch, ComponentsCutInsideTheirParenthesisStillListTheirLetters) {
    SpellSearchIndex index;
    index.AddRecord(Row("Arcane Lock", 2, "Abjuration", 0, "Touch", " V, S, M (Gold dust worth at least 25gp, which th"));
    index.AddRecord(Row("Alarm", 1, "Abjuration", 0, "30 feet", " V, S, M (A tiny bell and a piece of fine (silv"));
    index.AddRecord(Row("Blur", 2, "Illusion", 3, "Self", " V"));
    const struct {
        std::string typed;
        Rows rows;
    } cases[] = {
        {"comp:m", {0, 1}},
        {"-comp:m", {2}},
        {"comp:s", {0, 1}},
        {"range:touch -comp:m", {}},
    };
    for (const auto& c : cases) {
        const SearchResult result = FindSpells(index, MakeQuery(c.typed, {}, {}, false), "/nonexistent/wizard.txt");
        EXPECT_EQ(result.rows, c.rows) << c.typed;
    }
}

TEST(QueryMatch, FieldTermsExclusionsPhrasesLevelsAndComponents) {
    const SpellSearchIndex index = WizardIndex();
    const struct {
        std::string typed;
        Rows rows;
    } cases[] = {
        {"touch", {0, 3, 4, 5}},
        {"range:touch", {0, 3, 4}},  // not Touch of Frost's name
        {"NAME:Touch", {0, 5}},
        {"-range:touch", {1, 2, 5}},
        {"-touch", {1, 2}},
        {"\"ice storm\"", {1}},
        {"\"storm ice\"", {}},
        {"name:\"storm ward\"", {4}},
        {"storm -name:ice", {4}},
        {"school:evocation", {1, 2, 4}},
        {"level:3", {0, 2}},
        {"level:2-3", {0, 2, 4, 5}},
        {"level:3 -comp:m", {0}},
        {"comp:m", {1, 2, 3}},  // "Material" and an m in parentheses are no item M
        {"-comp:m", {0, 4, 5}},
        {"comp:V -comp:s", {3, 5}},
        {"comp:material", {4}},  // any other term: the text
        {"comp:\"(a\"", {1, 3}},
        {"1:1", {2}},
        {"range:touch name:light", {3}},
        {"level:9", {}},
    };
    for (const auto& c : cases) {
        std::string error;
        const SpellQuery query = MakeQuery(c.typed, {}, {}, false, &error);
        EXPECT_EQ(error, "") << c.typed;
        const SearchResult result = FindSpells(index, query, "/nonexistent/wizard.txt");
        EXPECT_TRUE(result.ok()) << c.typed;
        EXPECT_EQ(result.rows, c.rows) << c.typed;
    }
}

TEST(QueryMatch, SchoolClassesAndSingleSpheres) {
    const SpellSearchIndex wizard = WizardIndex();
    const auto classRows = [&](int image, std::string_view typed = "") {
        SpellQuery query = MakeQuery(typed, {}, {}, false);
        query.schoolClass = image;
        return FindSpells(wizard, query, "").rows;
    };
    EXPECT_EQ(classRows(5), (Rows{1, 2, 4}));  // "Evocation", "Evocation (ritual)", "(Evocation)"
    EXPECT_EQ(classRows(5, "touch"), (Rows{4}));
    EXPECT_EQ(classRows(8), (Rows{5}));
    EXPECT_EQ(classRows(6), (Rows{}));

    SpellSearchIndex priest;
    for (const std::string_view sphere : {"Cleric, Druid", "All", "Elemental (Earth, Fire)/Plant", "druid"})
        priest.AddRecord(Row("S", 1, sphere, 0, "Touch", "V"));
    EXPECT_EQ(priest.Spheres(),
              (std::vector<std::string>{"All", "Cleric", "Druid", "Elemental (Earth, Fire)", "Plant"}));
    const auto sphereRows = [&](std::string sphere) {
        SpellQuery query;
        query.sphere = sphere;
        return FindSpells(priest, query, "").rows;
    };
    EXPECT_EQ(sphereRows("druid"), (Rows{0, 3}));
    EXPECT_EQ(sphereRows("plant"), (Rows{2}));
    EXPECT_EQ(sphereRows("earth"), (Rows{}));  // inside parentheses
    EXPECT_EQ(sphereRows("elemental (earth, fire)"), (Rows{2}));
}

TEST(QueryMatch, DescriptionTermsReadDescriptionsWhateverTheCheckBoxSays) {
    TempDir dir;
    SpellSearchIndex index;
    for (const SpellRecord& r : BuildRecords(dir, Entry("Alpha", "A bolt of fire.\n\n") +
                                                      Entry("Beta", "Cold mist.\n\n") +
                                                      Entry("Fire Gamma", "Nothing.\n\n") + "End\n"))
        index.AddRecord(r);
    ASSERT_EQ(index.RowCount(), 3u);
    const struct {
        std::string typed;
        bool descriptions;
        Rows rows;
        Rows inDescription;
    } cases[] = {
        {"desc:fire", false, {0}, {0}},
        {"-desc:fire", false, {1, 2}, {}},
        {"fire", false, {2}, {}},
        {"fire", true, {0, 2}, {0}},
        {"-fire", true, {1}, {}},  // neither in a column nor in the description
        {"desc:\"cold mist\" name:beta", false, {1}, {1}},
        {"name:fire -desc:nothing", true, {}, {}},
    };
    for (const auto& c : cases) {
        const SearchResult result =
            FindSpells(index, MakeQuery(c.typed, {}, {}, c.descriptions), dir.file("wizard.txt"));
        EXPECT_TRUE(result.ok()) << c.typed;
        EXPECT_EQ(result.rows, c.rows) << c.typed << " " << c.descriptions;
        EXPECT_EQ(result.descriptionRows, c.inDescription) << c.typed << " " << c.descriptions;
    }
}

}  // namespace

TEST(QueryHighlight, SpansOfEachKindOfTermInItsField) {
    const struct {
        std::string typed;
        bool descriptions;
        int field;
        std::string text;
        std::vector<MatchSpan> spans;
    } cases[] = {
        {"touch", false, kFieldName, "Vampiric Touch", {{9, 14}}},
        {"range:touch", false, kFieldRange, "Touch", {{0, 5}}},
        {"range:touch", false, kFieldName, "Vampiric Touch", {}},  // another column's term
        {"-touch", false, kFieldName, "Vampiric Touch", {}},       // exclusions mark nothing
        {"comp:m", false, kFieldComponents, "V, S, M (a pinch of sulphur)", {{6, 7}}},
        {"COMP:s", false, kFieldComponents, "V, S, M (sulphur, salt)", {{3, 4}}},
        {"-comp:m", false, kFieldComponents, "V, S, M", {}},
        {"comp:m", false, kFieldComponents, "V, S", {}},
        {"level:2-4", false, kFieldLevel, "3", {{0, 1}}},
        {"level:4", false, kFieldLevel, "3", {}},
        {"\"fire shi\"", false, kFieldName, "Fire Shield", {{0, 8}}},
        {"fire ire", false, kFieldName, "Fire Shield", {{0, 4}}},     // overlapping: joined
        {"fi re sh", false, kFieldName, "Fire Shield", {{0, 4}, {5, 7}}},  // adjoining: joined
        {"e", false, kFieldName, "Free Tree", {{2, 4}, {7, 9}}},
        // Folding: Cyrillic, and the Kelvin sign (3 bytes) folding to "k".
        {"шторм", false, kFieldName, "\xD0\x9B\xD0\xB5\xD0\xB4 \xD0\xA8\xD0\xA2\xD0\x9E\xD0\xA0\xD0\x9C", {{7, 17}}},
        {"kel", false, kFieldName, "\xE2\x84\xAA" "elvin", {{0, 5}}},
        {"desc:fire", false, kDescriptionField, "a bolt of fire", {{10, 14}}},
        {"desc:fire", false, kFieldName, "Fire Bolt", {}},
        {"fire", false, kDescriptionField, "a bolt of fire", {}},  // descriptions not searched
        {"fire", true, kDescriptionField, "a bolt of FIRE", {{10, 14}}},
        {"name:fire", true, kDescriptionField, "a bolt of fire", {}},
    };
    for (const auto& c : cases) {
        std::string error;
        const SpellQuery query = MakeQuery(c.typed, {}, {}, c.descriptions, &error);
        ASSERT_EQ(error, "") << c.typed;
        EXPECT_EQ(MatchSpans(c.text, query, c.field), c.spans) << c.typed << " in " << c.text;
    }
}
