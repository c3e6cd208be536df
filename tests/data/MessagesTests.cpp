// SPDX-License-Identifier: MIT
// The messages table: patterns with values, plural forms, and a translator
// that the window installs (here a small one of the test's own).

#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "Messages.h"

namespace {

// Translates three texts the way a translation file would, with its own
// order of values and its own plural forms; nothing else.
std::string TestTranslator(std::string_view text, int count) {
    if (text == "can't read index %1")
        return "index %1 unreadable";
    if (text == "not enough memory")
        return "out of memory";
    if (text == "the %1 field is %2 bytes long; the index keeps %3: %4")
        return "%4 kept (%3 of %2 bytes of %1)";
    if (text == "%n spells")
        return count == 1 ? "one spell" : std::to_string(count) + " spellz";
    return {};
}

class TranslatorScope {
public:
    TranslatorScope() { messages::SetTranslator(&TestTranslator); }
    ~TranslatorScope() { messages::SetTranslator(nullptr); }
    TranslatorScope(const TranslatorScope&) = delete;
    TranslatorScope& operator=(const TranslatorScope&) = delete;
};

TEST(MessageFormat, ValuesGoWhereThePatternSays) {
    EXPECT_EQ(messages::Format("%2 before %1", {"a", "b"}), "b before a");
    EXPECT_EQ(messages::Format("%1 and %1", {"x"}), "x and x");
    // A value is not read again; a % without a value stays.
    EXPECT_EQ(messages::Format("%1 %2", {"%2", "y"}), "%2 y");
    EXPECT_EQ(messages::Format("100% sure, %3 %", {"a"}), "100% sure, %3 %");
    EXPECT_EQ(messages::Format("ends in %", {}), "ends in %");
    EXPECT_EQ(messages::Format("%%1 and %", {"v"}), "%v and %");
}

TEST(MessageFormat, EnglishPluralsAndMessagesWithoutATranslator) {
    EXPECT_EQ(messages::Plural(1, "%n spell", "%n spells"), "1 spell");
    EXPECT_EQ(messages::Plural(0, "%n spell", "%n spells"), "0 spells");
    EXPECT_EQ(messages::Plural(2, "note", "notes"), "2 notes");
    EXPECT_EQ(messages::CheckSummary(1, 2, 1), "1 spell, 2 warnings, 1 note");
    EXPECT_EQ(messages::IndexedWithProblems("priest.txt", 12, 1), "priest.txt: indexed 12 spells; 1 line looks wrong");
    EXPECT_EQ(messages::CarriageReturnEnds(2),
              "line ends in a carriage return (CR CR LF): every field keeps the CR, blank lines are not blank and "
              "spells run together; 2 lines end so");
    EXPECT_EQ(messages::MissingMarker("Range:", messages::kRangeLine, messages::kFieldLabels[3], "\"x\""),
              "no \"Range:\" on the range line: the range field comes out as \"x\"");
    EXPECT_EQ(messages::CannotWriteOutput("No space left on device"), "can't write output: No space left on device");
    EXPECT_EQ(messages::BookCount(3, 1), "3 marked, 1 not in the list");
    EXPECT_EQ(messages::UnknownBook("Fire", "/d/", "wizard"), "no spellbook 'Fire' in /d/wizard.book or /d/wizard-<n>.book");
}

TEST(MessageFormat, AnInstalledTranslatorTranslatesPatternsReasonsAndPlurals) {
    const TranslatorScope scope;
    EXPECT_EQ(messages::CannotReadIndex("wizard.idx", messages::kNotEnoughMemory),
              "index wizard.idx unreadable: out of memory");
    // A reason not in the table (the system's) stays as it is.
    EXPECT_EQ(messages::CannotReadIndex("wizard.idx", "Input/output error"),
              "index wizard.idx unreadable: Input/output error");
    EXPECT_EQ(messages::FieldTooLong("name", 40, 31, "\"Long\""), "\"Long\" kept (31 of 40 bytes of name)");
    EXPECT_EQ(messages::CheckSummary(1, 2, 0), "one spell, 2 warnings");
    EXPECT_EQ(messages::CheckSummary(7, 0, 0), "7 spellz, 0 warnings");
    // Texts without a translation stay English.
    EXPECT_EQ(messages::CannotWriteIndex("wizard.idx", "Read-only file system"),
              "can't write index wizard.idx: Read-only file system");
    // The program's own words are never looked up.
    EXPECT_EQ(messages::CannotOpenFile("wizard.txt"), "can't open file wizard.txt");
    EXPECT_EQ(messages::CannotInsertSpell("Sleep"), "can't insert spell Sleep");
    EXPECT_EQ(messages::kNoIndex, "нету индекса");
    EXPECT_EQ(messages::kCreateIndexQuestion, "Вы хотите создать индекс для Wizard?");
}

}  // namespace
