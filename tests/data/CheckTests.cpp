// SPDX-License-Identifier: MIT
// The check of spell texts: what it finds where, what it says, and that
// watching the parse changes nothing of the index.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "IndexAge.h"
#include "IndexBuilder.h"
#include "HighByteSearch.h"
#include "LineReader.h"
#include "NameTable.h"
#include "SpellCheck.h"
#include "SpellRecord.h"
#include "StatusMessage.h"
#include "TestFiles.h"
#include "TestRecords.h"
#include "WideRegisters.h"

namespace {

// The three field lines and the skipped line of a well-formed entry.
const std::string kFields =
    "Range: Touch\tComponents: V\n"
    "Duration: 1 rd.\tCasting Time: 1\n"
    "Area of Effect: One\tSaving Throw: None\n"
    "Notes.\n";

// A well-formed seven-line entry: name, school, fields, one description line.
std::string Spell(std::string_view name, std::string_view description = "Words.\n") {
    return std::string(name) + "\nAlteration\n" + kFields + std::string(description);
}

// Text with "\n" line ends turned into "\r\r\n".
std::string CrCrLf(std::string_view lf) {
    std::string out;
    for (const char c : lf)
        out += c == '\n' ? std::string("\r\r\n") : std::string(1, c);
    return out;
}

class NullRecords final : public RecordSink {
public:
    void Put(const SpellRecord& /*record*/) override {}
};

CheckResult CheckText(const std::string& text, bool priest = false, std::size_t window = 0) {
    LineReader reader;
    reader.OpenMemory(text, window);
    return CheckSpellText(reader, priest);
}

// "line: code" of each diagnostic, in order.
Strings Found(const std::string& text, bool priest = false, std::size_t window = 0) {
    Strings out;
    for (const Diagnostic& d : CheckText(text, priest, window).diagnostics)
        out.push_back(std::to_string(d.nLine) + ": " + std::string(CodeName(d.code)));
    return out;
}

struct Case {
    const char* what;
    std::string text;
    Strings expected;
    bool priest = false;
};

const std::string kCyrillicWord = "\xD0\xA1\xD0\xBB\xD0\xBE\xD0\xB2\xD0\xBE";  // "Слово" in UTF-8
const std::string kCp1251Word = "\xD1\xEB\xEE\xE2\xEE";                      // "Слово" in Windows-1251

const Case kCases[] = {
    {"nothing wrong", Spell("Alpha") + "\n" + Spell("Beta"), {"15: end-in-description"}},
    {"two blank lines between entries", Spell("Alpha") + "\n\n" + Spell("Beta"), {"16: end-in-description"}},
    {"the last description ended by a blank line and an entry", Spell("Alpha") + "\n" + Spell("Beta", "Words.\n\nGamma\n"),
     {"17: entry-cut-off"}},
    {"empty text", "", {}},

    // A paragraph after a blank line that begins with A..Z starts an entry.
    {"paragraph read as a spell",
     Spell("Alpha", "Words.\n\nThe second paragraph.\nIt goes on.\nAnd on.\nStill on.\nMore.\nLast.\n") + "\n" +
         Spell("Beta"),
     {"9: paragraph-as-spell", "22: end-in-description"}},
    {"the first entry without its field lines",
     "Just some words\nmore words\nand more\nand more\nand more\nskipped\nWords.\n",
     {"1: paragraph-as-spell", "7: end-in-description"}},
    {"a paragraph indented or in lower case stays in the description",
     Spell("Alpha", "Words.\n\n\tThe second paragraph.\n\nthe third.\n\n2 more.\n"), {"13: end-in-description"}},

    // One field line wrong.
    {"no tab", "Alpha\nAlteration\nRange: Touch Components: V\n" + kFields.substr(kFields.find('\n') + 1) + "W.\n",
     {"3: missing-tab", "7: end-in-description"}},
    {"tab right after the marker",
     "Alpha\nAlteration\nRange: Touch\tComponents: V\nDuration:\t1 rd.\tCasting Time: 1\n"
     "Area of Effect: One\tSaving Throw: None\nNotes.\nW.\n",
     {"4: missing-tab", "7: end-in-description"}},
    {"range marker missing",
     "Alpha\nAlteration\nDistance: 10 yds.\tComponents: V\n" + kFields.substr(kFields.find('\n') + 1) + "W.\n",
     {"3: missing-marker", "7: end-in-description"}},
    {"two markers missing on one line, and a third",
     "Alpha\nAlteration\nRange: 1\tComponents: V\nLasts: 1 rd.\tCast in: 1\n"
     "Area of Effect: One\tSaving: None\nNotes.\nW.\n",
     {"4: missing-marker", "4: missing-marker", "5: missing-marker", "7: end-in-description"}},
    {"values longer than their fields",
     std::string(100, 'N') + "\nAlteration\nRange: " + std::string(50, 'r') +
         "\tComponents: V\nDuration: 1\tCasting Time: " + std::string(20, 'c') +
         "\nArea of Effect: One\tSaving Throw: None\nNotes.\nW.\n",
     {"1: field-too-long", "3: field-too-long", "4: field-too-long", "7: end-in-description"}},
    {"values that just fit",
     std::string(99, 'N') + "\nAlteration\nRange: " + std::string(49, 'r') +
         "\tComponents: V\nDuration: 1\tCasting Time: " + std::string(19, 'c') +
         "\nArea of Effect: One\tSaving Throw: None\nNotes.\nW.\n",
     {"7: end-in-description"}},

    // Capitals outside A..Z do not begin an entry.
    {"Cyrillic capital after a blank line", Spell("Alpha", "Words.\n\n" + kCyrillicWord + " here.\n"),
     {"9: capital-outside-a-z", "9: end-in-description"}},
    {"Windows-1251 capital after a blank line", Spell("Alpha", "Words.\n\n" + kCp1251Word + " here.\n"),
     {"9: capital-outside-a-z", "9: end-in-description"}},
    {"accented Latin capital after a blank line", Spell("Alpha", "Words.\n\n\xC3\x89t\xC3\xA9.\n"),
     {"9: capital-outside-a-z", "9: end-in-description"}},
    {"Cyrillic lower case after a blank line", Spell("Alpha", "Words.\n\n\xD1\x81\xD0\xBB\xD0\xBE\xD0\xB2\xD0\xBE.\n"),
     {"9: end-in-description"}},
    {"Cyrillic capital not after a blank line", Spell("Alpha", "Words.\n" + kCyrillicWord + ".\n"),
     {"8: end-in-description"}},

    {"school without a keyword", "Alpha\nEvokation\n" + kFields + "W.\n",
     {"2: unknown-school", "7: end-in-description"}},
    {"level header first", "First-Level Spells\n\n" + Spell("Alpha"),
     {"1: level-header-first", "9: end-in-description"}},
    {"level header later", Spell("Alpha") + "\nSecond-Level Spells\n" + Spell("Beta"), {"16: end-in-description"}},
    {"entry cut off", Spell("Alpha") + "\nBeta\nAlteration\nRange: Touch\tComponents: V\n", {"9: entry-cut-off"}},
    {"level header as the last line", Spell("Alpha") + "\nSecond-Level Spells\n", {"9: entry-cut-off"}},
    {"three blank lines", Spell("Alpha") + "\n\n\n" + Spell("Beta"),
     {"11: blank-lines", "17: end-in-description"}},
    {"three blank lines before a header", Spell("Alpha") + "\n\n\nSecond-Level Spells\n" + Spell("Beta"),
     {"11: blank-lines", "18: end-in-description"}},
    {"same name twice", Spell("Alpha") + "\n" + Spell("Beta") + "\n" + Spell("Alpha"),
     {"17: duplicate-name", "23: end-in-description"}},

    // Line ends.
    {"CR CR LF line ends: blank lines are not blank", CrCrLf(Spell("Alpha") + "\nBeta\n"),
     {"9: end-in-description", "1: carriage-return"}},
    {"CR-only line ends", "Alpha\rAlteration\rRange: Touch\tComponents: V\r", {"1: entry-cut-off", "1: carriage-return"}},
    {"CR LF line ends", ToCrlf(Spell("Alpha") + "\n" + Spell("Beta")), {"15: end-in-description"}},

    // Encodings: the rarer kind of line is reported.
    {"one Windows-1251 line among UTF-8 ones",
     Spell(kCyrillicWord, kCyrillicWord + " one.\n" + kCp1251Word + " two.\n" + kCyrillicWord + " three.\n"),
     {"9: end-in-description", "8: mixed-encoding"}},
    {"one UTF-8 line among Windows-1251 ones",
     Spell(kCp1251Word, kCp1251Word + " one.\n" + kCyrillicWord + " two.\n" + kCp1251Word + " three.\n"),
     {"9: end-in-description", "8: mixed-encoding"}},
    {"Windows-1251 throughout", Spell(kCp1251Word, kCp1251Word + " one.\n"), {"7: end-in-description"}},

    // Priests have a sphere line too.
    {"priest entry", "Alpha\nAlteration\nSphere: All\n" + kFields + "W.\n", {"8: end-in-description"}, true},
    {"priest sphere marker missing", "Alpha\nAlteration\nSpheres All\n" + kFields + "W.\n",
     {"3: missing-marker", "8: end-in-description"}, true},
    {"priest entry without its sphere line", "Alpha\nAlteration\n" + kFields + "W.\n\nBeta\nAlteration\n",
     {"1: paragraph-as-spell", "9: entry-cut-off"}, true},
};

}  // namespace

TEST(SpellCheck, FindingsTable) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Found(c.text, c.priest), c.expected) << c.text;
        // Lines that span the reader's blocks are counted once.
        EXPECT_EQ(Found(c.text, c.priest, 5), c.expected) << "read in blocks of 5 bytes";
    }
}

TEST(SpellCheck, Messages) {
    const auto diagnostics = [](const std::string& text, bool priest = false) {
        std::vector<std::string> out;
        for (const Diagnostic& d : CheckText(text, priest).diagnostics)
            out.push_back(std::to_string(d.nLine) + " " + std::string(SeverityName(d.severity)) + " [" +
                          d.strSpell + "] " + d.strMessage);
        return out;
    };
    EXPECT_EQ(diagnostics(Spell("Alpha", "Words.\n\nThe next one.\nb\nc\nd\ne\nf\n")),
              (Strings{"9 warning [The next one.] this line begins with a capital letter after a blank line in "
                       "the description of \"Alpha\", so it starts a new spell, whose field lines lack 6 of their "
                       "6 markers (Range:, Component, Duration:, Casting Time:, Area of Effect:, Saving Throw:); "
                       "to keep it in the description, indent it or begin it with a lower-case letter",
                       "14 note [The next one.] the file ends inside this description: the spell is indexed, but "
                       "older readers of the format drop it"}));
    EXPECT_EQ(diagnostics("Alpha\nAlteration\nRange: Touch Components: V\nDistance: 1 rd.\tCasting Time: 1\n"
                          "Area of Effect: " + std::string(60, 'a') + "\tSaving Throw: None\nNotes.\nW.\n\nBeta\n"),
              (Strings{"3 warning [Alpha] no tab on the range line: the range field comes out empty",
                       "4 warning [Alpha] no \"Duration:\" on the duration line: the duration field comes out as "
                       "\" 1 rd.\"",
                       "5 warning [Alpha] the area of effect field is 60 bytes long; the index keeps 49: \"" +
                           std::string(49, 'a') + "\"",
                       "9 warning [Beta] the file ends before this spell's description: the spell is not indexed"}));
    EXPECT_EQ(diagnostics("Alpha\nAlteration\nSphere:\tAll\nRange:\t5\tComponents: V\n" +
                              kFields.substr(kFields.find('\n') + 1) + "W.\n",
                          true)
                  .front(),
              "4 warning [Alpha] the first tab of the range line stands before the range: the range field comes "
              "out empty");
    EXPECT_EQ(diagnostics(Spell("Alpha\tOne", "Words.\n\n" + kCyrillicWord + ".\n")).front(),
              "9 warning [Alpha\\tOne] begins with the capital \"\xD0\xA1\" after a blank line: only A to Z begin "
              "a new spell, so the line is read as description text");
    EXPECT_EQ(diagnostics("Alpha\nWild\x01Magic\n" + kFields + "W.\n").front(),
              "2 warning [Alpha] the school \"Wild\\x01Magic\" matches no school keyword: the spell gets the "
              "generic icon");
    EXPECT_EQ(diagnostics("First-Level Spells\n" + Spell("Alpha")).front(),
              "1 warning [Alpha] level header before the first spell: levels count from 1 and each header adds "
              "one, so the spells under it come out as level 2; first-level spells stand before any header");
    EXPECT_EQ(diagnostics(Spell("Alpha") + "\n\n\n\n" + Spell("Beta")).front(),
              "12 warning [Beta] 4 blank lines before this spell: one or two separate spells; older readers of "
              "the format read it as part of the description before");
    EXPECT_EQ(diagnostics(Spell("Alpha") + "\n" + Spell("Beta") + "\n" + Spell("Alpha")).front(),
              "17 warning [Alpha] the spell at line 1 has the same name");
    EXPECT_EQ(diagnostics("Alpha\r\r\nAlteration\r\r\n").back(),
              "1 warning [Alpha\\r] line ends in a carriage return (CR CR LF): every field keeps the CR, blank "
              "lines are not blank and spells run together; 2 lines end so");
    EXPECT_EQ(diagnostics("Alpha\rAlteration\r").back(),
              "1 warning [Alpha\\rAlteration\\r] carriage return inside the line: lines that end in a CR alone run "
              "together into one");
    EXPECT_EQ(diagnostics(Spell("A", kCyrillicWord + "\n" + kCp1251Word + "\n")).back(),
              "8 warning [A] not valid UTF-8, unlike 1 other line: a field or description holding it is shown as "
              "Windows-1251");
}

TEST(SpellCheck, CountsSpellsAndWarnings) {
    const CheckResult result =
        CheckText(Spell("Alpha") + "\n" + Spell("Beta", "Words.\n\nThe end.\nb\nc\nd\ne\nf\n") + "\n" + Spell("Alpha"));
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.nSpells, 4u);
    EXPECT_EQ(result.diagnostics.size(), 3u);
    EXPECT_EQ(CountWarnings(result.diagnostics), 2u);
    EXPECT_EQ(CountWarningLines(result.diagnostics), 2u);
    // Two warnings on one line count as one line.
    const CheckResult twoOnOne = CheckText("Alpha\nAlteration\nRange: 1\tComponents: V\nLasts: 1 rd.\tCast in: 1\n"
                                           "Area of Effect: One\tSaving Throw: None\nNotes.\nW.\n");
    EXPECT_EQ(CountWarnings(twoOnOne.diagnostics), 2u);
    EXPECT_EQ(CountWarningLines(twoOnOne.diagnostics), 1u);
}

// A sink that notes how many spells the parse had indexed at each finding.
class SpellsAtFinding final : public DiagnosticSink {
public:
    void Put(Diagnostic d) override {
        found.push_back(std::to_string(d.nLine) + "@" + std::to_string(checker ? checker->SpellCount() : 0));
    }
    const SpellChecker* checker = nullptr;
    Strings found;
};

TEST(SpellCheck, FindingsAreHandedOutAsTheyAreFound) {
    const std::string text = "A\nb\nc\nd\ne\nf\ng\n\nB\nb\nc\nd\ne\nf\ng\n\n" +
                             Spell("Carol", "\xF1\xEB\xEE\xE2\xEE.\n\n\xD0\x96 one.\n");
    SpellsAtFinding sink;
    SpellChecker checker(&sink);
    sink.checker = &checker;
    LineReader reader;
    reader.OpenMemory(text);
    NullRecords records;
    (void)ParseSpells(reader, false, 1, records, &checker);
    // A paragraph's entry and a capital other than A..Z, as the parse
    // passes them; the note where the text ends.
    EXPECT_EQ(sink.found, (Strings{"1@1", "9@2", "25@3", "25@3"}));
    const CheckCounts counts = checker.Finish();
    // Those about the whole text come last: the line that is not UTF-8.
    EXPECT_EQ(sink.found, (Strings{"1@1", "9@2", "25@3", "25@3", "23@3"}));
    EXPECT_EQ(counts.nWarnings, 4u);
    EXPECT_EQ(counts.nNotes, 1u);
    EXPECT_EQ(counts.nWarningLines, 4u);
}

// The findings about an entry's head come before those in its
// description, and all of an entry's before the next entry's, whether the
// description holds a finding (the head is handed out before it) or not
// (at the entry's end), in runs or line by line.
TEST(SpellCheck, HeadFindingsComeBeforeTheDescriptionsAndTheNextEntrys) {
    const std::string head = "Alpha\nNo School\n" + kFields;  // lines 1 to 6; line 2 unknown
    const std::string text = Spell("Alpha") + "\n" +                                    // lines 1 to 7
                             head + "Words.\n\n" + kCyrillicWord + " here.\n\n" +     // 9 to 18
                             head + "Words.\nMore words.\n\n" + "Omega\nNo School\n" + kFields + "Words.\n";
    for (const std::size_t window : {0u, 5u, 64u}) {
        SCOPED_TRACE(window);
        EXPECT_EQ(Found(text, false, window),
                  (Strings{"9: duplicate-name", "10: unknown-school", "17: capital-outside-a-z",
                           "19: duplicate-name", "20: unknown-school", "29: unknown-school",
                           "34: end-in-description"}));
    }
}

TEST(SpellCheck, LinesWithWarningsOfBothKindsCountOnce) {
    // The name is too long and not UTF-8, unlike two other lines.
    const std::string text = Spell(std::string(100, 'N') + kCp1251Word, kCyrillicWord + "\n" + kCyrillicWord + "\n");
    const CheckResult r = CheckText(text);
    EXPECT_EQ(Found(text), (Strings{"1: field-too-long", "8: end-in-description", "1: mixed-encoding"}));
    EXPECT_EQ(r.counts.nWarnings, 2u);
    EXPECT_EQ(r.counts.nWarningLines, 1u);
}

// A description's lines are checked alike whether the reader hands them
// out one by one (blocks of 5 bytes), passes over them in runs (the whole
// text in one block), or both (blocks of 64 bytes): a byte above 127 at any
// column, the rarer kind of line anywhere in a run.
TEST(SpellCheck, DescriptionLinesInRunsAndOneByOne) {
    const std::string plain(72, 'w');
    for (const std::size_t column : {0u, 7u, 8u, 9u, 31u, 32u, 33u, 40u, 64u, 71u}) {
        std::string other = plain;
        other[column] = '\xEB';  // Windows-1251
        std::string utf8 = plain;
        utf8.replace(column, 1, "\xC3\xA9");
        // Lines 7 to 13 are the description.
        const std::string oneOther =
            Spell("Alpha", "Words.\n" + plain + "\n" + utf8 + "\n" + plain + "\n" + other + "\n" + utf8 + "\n" + plain + "\n");
        const std::string oneUtf8 = Spell("Alpha", utf8 + "\n" + other + "\n" + other + "\n" + plain + "\n");
        for (const std::size_t window : {0u, 5u, 64u}) {
            SCOPED_TRACE(testing::Message() << "column " << column << ", window " << window);
            EXPECT_EQ(Found(oneOther, false, window), (Strings{"13: end-in-description", "11: mixed-encoding"}));
            EXPECT_EQ(Found(oneUtf8, false, window), (Strings{"10: end-in-description", "7: mixed-encoding"}));
        }
    }
}

// A CR left at the end of a description line, among lines of both kinds,
// and description lines longer than the reader keeps: only their kept
// bytes are looked at, as the parse sees them.
TEST(SpellCheck, DescriptionRunsWithCrsAndCutLines) {
    const std::string plain(72, 'w');
    const std::string utf8 = "w\xC3\xA9" + plain;
    const std::string otherAt50 = plain.substr(0, 50) + "\xEB" + plain.substr(50);
    const std::string otherAt20 = plain.substr(0, 20) + "\xEB" + plain.substr(20);
    const std::string crs = Spell("Alpha", "Words.\n" + plain + "\r\r\n" + utf8 + "\n" + otherAt20 + "\n" + utf8 + "\n");
    for (const std::size_t window : {0u, 5u, 64u}) {
        SCOPED_TRACE(testing::Message() << "window " << window);
        EXPECT_EQ(Found(crs, false, window),
                  (Strings{"11: end-in-description", "8: carriage-return", "10: mixed-encoding"}));
        for (const auto& [other, expected] :
             {std::pair{otherAt50, Strings{"10: end-in-description"}},
              std::pair{otherAt20, Strings{"10: end-in-description", "9: mixed-encoding"}}}) {
            LineReader reader(40);  // the field lines are shorter
            const std::string text = Spell("Alpha", "Words.\n" + utf8 + "\n" + other + "\n" + utf8 + "\n");
            reader.OpenMemory(text, window);
            Strings found;
            for (const Diagnostic& d : CheckSpellText(reader, false).diagnostics)
                found.push_back(std::to_string(d.nLine) + ": " + std::string(CodeName(d.code)));
            EXPECT_EQ(found, expected);
        }
    }
}

// Lines with several characters above 127, a valid one before an invalid
// one, a CR after such bytes inside the line or before its CR LF, a
// character cut by the line's end, lines of both kinds next to each other:
// each is UTF-8 or not as the whole line from its first byte above 127 is,
// in a run as one by one.
TEST(SpellCheck, DescriptionLinesWithManyBytesAbove127AndCrs) {
    const std::string text = Spell("Alpha", "Words.\n"                     // 7
                                            "a \xC3\xA9 b \xC3\xA9 c\n"    // 8: UTF-8
                                            "\xC3\xA9\xE9x\n"              // 9: a valid character, then not
                                            "\xE9 then \r inside\n"        // 10: not UTF-8, a CR inside
                                            "\xC3\xA9\r\r\n"              // 11: UTF-8, a CR at its end
                                            "\xC3\xA9\n"                    // 12: UTF-8
                                            "\xC3\n"                        // 13: cut by the line's end
                                            "x\xE2\x82\xAC\n"              // 14: UTF-8, three bytes
                                            "plain.\n");                     // 15
    for (const std::size_t window : {0u, 5u, 64u}) {
        SCOPED_TRACE(window);
        EXPECT_EQ(Found(text, false, window), (Strings{"15: end-in-description", "9: mixed-encoding",
                                                       "10: mixed-encoding", "11: carriage-return",
                                                       "13: mixed-encoding"}));
    }
}

TEST(SpellCheck, DuplicatesAreFoundAmongThousandsOfNames) {
    // The table of names grows twice on the way; the repeats come after.
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += Spell("Spell " + std::to_string(i)) + "\n";
    text += Spell("Spell 0") + "\n" + Spell("Spell 1999") + "\n" + Spell("Spell 2000");
    EXPECT_EQ(Found(text), (Strings{"16001: duplicate-name", "16009: duplicate-name", "16023: end-in-description"}));
    EXPECT_EQ(CheckText(text).diagnostics[1].strMessage, "the spell at line 15993 has the same name");
}

// The table of names finds each name's first line through its growth:
// with the hash bits the slots keep (the default), with too few of them so
// that names are hashed again and tags match for different names, and with
// a store so small that it fills.
TEST(NameTable, FirstLinesThroughGrowthRehashingAndAFullStore) {
    const auto name = [](int i) { return "Name " + std::to_string(1000 + i); };  // 9 bytes
    for (const unsigned positionBits : {40u, 60u}) {
        SCOPED_TRACE(positionBits);
        NameTable table(positionBits);
        for (int i = 0; i < 3000; ++i)  // past 768 and 1536 names: the table grows twice
            ASSERT_EQ(table.FirstLine(name(i), i + 1), 0);
        EXPECT_EQ(table.Size(), 3000u);
        EXPECT_EQ(table.FirstLine(name(0), 5000), 1);
        EXPECT_EQ(table.FirstLine(name(2999), 5001), 3000);
        EXPECT_EQ(table.FirstLine(name(1234), 5002), 1235);
        EXPECT_EQ(table.FirstLine("Name 1000 ", 5003), 0);  // a longer name is another
        EXPECT_EQ(table.FirstLine("Name 1000 ", 5004), 5003);
        EXPECT_EQ(table.FirstLine("", 5005), 0);
        EXPECT_EQ(table.FirstLine("", 5006), 5005);
        EXPECT_EQ(table.Size(), 3002u);
    }
    // 255 bytes of store: a name takes 11 (its line below 128, its length,
    // its bytes) and the last starts at most at byte 254: 24 fit, later
    // names are not remembered.
    NameTable small(8);
    for (int i = 0; i < 30; ++i)
        EXPECT_EQ(small.FirstLine(name(i), i + 1), 0);
    EXPECT_EQ(small.Size(), 24u);
    EXPECT_EQ(small.FirstLine(name(23), 100), 24);
    EXPECT_EQ(small.FirstLine(name(24), 101), 0);
}

// A look-up readied ahead (FetchSlot, as the checker does while it reads
// an entry) finds the same lines as one that is not, in an empty table,
// through growth and with tags that match other names.
TEST(NameTable, ReadiedLookUpsFindTheSameLines) {
    const auto name = [](int i) { return "Name " + std::to_string(1000 + i); };
    for (const unsigned positionBits : {40u, 60u}) {
        SCOPED_TRACE(positionBits);
        NameTable table(positionBits);
        const auto readied = [&table](const std::string& n, int64_t line) {
            const uint64_t hash = NameTable::Hash(n);
            table.FetchSlot(hash);
            return table.FirstLine(n, line, hash);
        };
        EXPECT_EQ(readied(name(0), 1), 0);  // before the table has slots
        for (int i = 1; i < 2000; ++i)
            ASSERT_EQ(readied(name(i), i + 1), 0);
        EXPECT_EQ(readied(name(0), 3000), 1);
        EXPECT_EQ(readied(name(1999), 3001), 2000);
        EXPECT_EQ(table.FirstLine(name(777), 3002), 778);
        EXPECT_EQ(readied("Name 1000 ", 3003), 0);
        EXPECT_EQ(table.FirstLine("Name 1000 ", 3004), 3003);
        EXPECT_EQ(table.Size(), 2001u);
    }
}

// The search for a byte above 127 or a CR finds it at every place within
// and across its steps of 64 and 16 bytes and its last bytes, with the LFs
// before it, also past the 63 steps after which it sums its counts; the
// plain search, the fallback elsewhere, finds the same. The look at one
// line tells both kinds apart.
TEST(HighByteSearch, FindsTheByteAndCountsTheLfsBeforeIt) {
    // An LF at every 10th byte (9, 19, ...): before position h stand h / 10 of them.
    const auto text = [](std::size_t size) {
        std::string t(size, 'a');
        for (std::size_t i = 9; i < size; i += 10)
            t[i] = '\n';
        return t;
    };
    // Each way the processor runs, the one in use and the reference.
    std::vector<FoundByte (*)(std::string_view, std::size_t)> finds = {FindHighByteOrCr, FindHighByteOrCrPlain};
    std::vector<LineBytes (*)(std::string_view)> scans = {ScanLine, ScanLinePlain};
    for (const HighByteSearch& search : HighByteSearches()) {
        finds.push_back(search.find);
        scans.push_back(search.scan);
    }
    ASSERT_GE(finds.size(), 3u);
    for (const std::size_t size : {0u, 1u, 15u, 16u, 17u, 31u, 32u, 33u, 63u, 64u, 65u, 127u, 130u, 200u, 4100u}) {
        std::string t = text(size);
        for (const auto& find : finds) {
            EXPECT_EQ(find(t, 0).at, std::string_view::npos) << size;
            EXPECT_EQ(find(t, 0).lfsBefore, size / 10) << size;
        }
        for (const auto& scan : scans) {
            EXPECT_FALSE(scan(t).high) << size;
            EXPECT_FALSE(scan(t).cr) << size;
        }
        for (std::size_t h = 0; h < size; h += h < 140 ? 1 : 97) {
            if (t[h] == '\n')
                continue;
            for (const char byte : {'\xC3', '\r'}) {
                std::string marked = t;
                marked[h] = byte;
                marked[std::min(h + 5, size - 1)] = '\xEB';  // a later one is not the first
                SCOPED_TRACE(testing::Message() << "size " << size << ", byte " << int(byte) << " at " << h);
                for (const auto& find : finds) {
                    const FoundByte found = find(marked, 0);
                    EXPECT_EQ(found.at, h);
                    EXPECT_EQ(found.lfsBefore, h / 10);
                    if (h >= 3) {  // from a later start: the LFs from there
                        EXPECT_EQ(find(marked, 3).at, h);
                        EXPECT_EQ(find(marked, 3).lfsBefore, h / 10);
                    }
                }
                std::string line = t;
                line[h] = byte;
                for (const auto& scan : scans) {
                    EXPECT_EQ(scan(line).high, byte != '\r');
                    EXPECT_EQ(scan(line).cr, byte == '\r');
                }
            }
        }
    }
    // 70 LFs in a row: more than a byte of a column counts in 63 steps.
    const std::string lfs = std::string(64 * 70, '\n') + "\x80";
    for (const auto& find : finds) {
        EXPECT_EQ(find(lfs, 0).at, 64u * 70);
        EXPECT_EQ(find(lfs, 0).lfsBefore, 64u * 70);
        // Past the end of a view into a longer buffer nothing is read.
        EXPECT_EQ(find(std::string_view(lfs).substr(0, 64 * 70 - 1), 5).at, std::string_view::npos);
        EXPECT_EQ(find(std::string_view(lfs).substr(0, 64 * 70 - 1), 5).lfsBefore, 64u * 70 - 6);
    }
}

// Each way leaves the wide registers' upper halves cleared, whether it
// stops at a byte or hands its last bytes to the SSE2 search.
TEST(HighByteSearch, EveryWayLeavesTheWideRegistersCleared) {
    std::string found(200, 'a');
    found[150] = '\xC3';
    for (const std::string& text : {std::string(200, 'a'), found}) {
        for (const HighByteSearch& search : HighByteSearches()) {
            SCOPED_TRACE(testing::Message() << search.name << ", " << text.size());
            const std::optional<bool> cleared = LeavesUpperHalvesCleared([&] {
                (void)search.find(text, 0);
                (void)search.scan(text);
            });
            if (!cleared)
                return;  // nothing to tell here (WideRegisters.h)
            EXPECT_TRUE(*cleared);
        }
    }
}

// A sink that keeps no more words gets findings without them, and the
// counts stay whole.
TEST(SpellCheck, FindingsPastWhatIsKeptAreCountedWithoutWords) {
    KeptWarnings kept(1);
    EXPECT_TRUE(kept.WantsText(Severity::kWarning));
    EXPECT_FALSE(kept.WantsText(Severity::kNote));
    const std::string text = Spell("Alpha") + "\n" + Spell("Alpha") + "\n" + Spell("Alpha") + "\n" + Spell("Beta");
    LineReader reader;
    reader.OpenMemory(text);
    const CheckResult result = CheckSpellText(reader, false, &kept);
    EXPECT_FALSE(kept.WantsText(Severity::kWarning));
    ASSERT_EQ(kept.kept.size(), 1u);
    EXPECT_EQ(kept.kept[0].nLine, 9);
    EXPECT_EQ(kept.kept[0].strMessage, "the spell at line 1 has the same name");
    EXPECT_EQ(kept.kept[0].strSpell, "Alpha");
    EXPECT_EQ(kept.nNotKept, 1u);
    EXPECT_EQ(result.counts.nWarnings, 2u);
    EXPECT_EQ(result.counts.nWarningLines, 2u);
    EXPECT_EQ(result.counts.nNotes, 1u);
}

TEST(SpellCheck, KeptWarningsKeepTheFirstAndCountTheRest) {
    KeptWarnings kept(2);
    for (const int64_t line : {3, 5, 9})
        kept.Put({line, Severity::kWarning, DiagnosticCode::kMissingTab, "m", "s"});
    kept.Put({11, Severity::kNote, DiagnosticCode::kEndInDescription, "n", "s"});
    ASSERT_EQ(kept.kept.size(), 2u);
    EXPECT_EQ(kept.kept[0].nLine, 3);
    EXPECT_EQ(kept.kept[1].nLine, 5);
    EXPECT_EQ(kept.nNotKept, 1u);
}

TEST(SpellCheck, FileThatCannotBeOpened) {
    TempDir dir;
    const CheckResult missing = CheckSpellFile(dir.prefix(), "wizard");
    EXPECT_EQ(missing.status.code, StatusCode::kCannotOpenText);
    EXPECT_EQ(StatusMessage(missing.status), "can't open file " + dir.file("wizard.txt") + ": No such file or directory");

    WriteFile(dir.file("priest.txt"), "Alpha\nAlteration\nSpheres: All\n" + kFields + "W.\n");
    const CheckResult priest = CheckSpellFile(dir.prefix(), "priest");
    ASSERT_TRUE(priest.ok()) << StatusMessage(priest.status);
    ASSERT_FALSE(priest.diagnostics.empty());
    EXPECT_EQ(priest.diagnostics[0].code, DiagnosticCode::kMissingMarker) << "checked as a priest text";
}

// ---- the index does not change when the parse is watched -------------------

namespace {

class Collect final : public RecordSink {
public:
    void Put(const SpellRecord& record) override {
        bytes.resize(bytes.size() + kRecordSize);
        EncodeRecord(record, RecordBytes(reinterpret_cast<uint8_t*>(bytes.data()) + bytes.size() - kRecordSize,
                                         kRecordSize));
    }
    std::string bytes;
};

std::string ParsedBytes(const std::string& text, bool priest, SpellTextObserver* observer) {
    LineReader reader;
    reader.OpenMemory(text);
    Collect sink;
    (void)ParseSpells(reader, priest, 1, sink, observer);
    return sink.bytes;
}

}  // namespace

TEST(SpellCheck, WatchedBuildsWriteTheSameIndex) {
    for (const std::string spellClass : {"wizard", "priest"}) {
        SCOPED_TRACE(spellClass);
        TempDir plain, watched;
        for (const TempDir* d : {&plain, &watched})
            std::filesystem::copy_file(std::string(SPELLS_SAMPLES_DIR) + "/" + spellClass + ".txt",
                                       d->file(spellClass + ".txt"));
        const BuildResult a = BuildIndexIn(plain.prefix(), spellClass, 1);
        DiagnosticList found;
        SpellChecker checker(&found);
        const BuildResult b = BuildIndexIn(watched.prefix(), spellClass, 1, &checker);
        ASSERT_TRUE(a.ok() && b.ok());
        EXPECT_EQ(a.nRecords, 29u);
        EXPECT_EQ(b.nRecords, 29u);
        EXPECT_EQ(checker.SpellCount(), 29u);
        const std::string index = ReadFile(plain.file(spellClass + ".idx"));
        EXPECT_EQ(index.size(), 29 * kRecordSize);
        EXPECT_TRUE(index == ReadFile(watched.file(spellClass + ".idx")));
        // The samples are clean.
        EXPECT_EQ(checker.Finish().nWarnings, 0u);
        for (const Diagnostic& d : found.items)
            EXPECT_EQ(d.severity, Severity::kNote) << d.nLine << ": " << d.strMessage;
    }
    // And every text of the table.
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        SpellChecker checker;
        EXPECT_TRUE(ParsedBytes(c.text, c.priest, nullptr) == ParsedBytes(c.text, c.priest, &checker));
    }
}

// ---- whether an index is older than its text -------------------------------

TEST(IndexAge, ByModificationTimes) {
    namespace fs = std::filesystem;
    TempDir dir;
    const auto at = [&](const char* name, int seconds) {
        fs::last_write_time(dir.file(name), fs::file_time_type::clock::now() + std::chrono::seconds(seconds));
    };
    EXPECT_EQ(GetIndexAge(dir.prefix(), "wizard"), IndexAge::kIndexMissing) << "no files";
    WriteFile(dir.file("wizard.txt"), "text");
    EXPECT_EQ(GetIndexAge(dir.prefix(), "wizard"), IndexAge::kIndexMissing) << "no index";
    WriteFile(dir.file("wizard.idx"), "");
    at("wizard.txt", -10);
    at("wizard.idx", -5);
    EXPECT_EQ(GetIndexAge(dir.prefix(), "wizard"), IndexAge::kCurrent);
    fs::last_write_time(dir.file("wizard.idx"), fs::last_write_time(dir.file("wizard.txt")));
    EXPECT_EQ(GetIndexAge(dir.prefix(), "wizard"), IndexAge::kCurrent) << "same time";
    at("wizard.txt", -1);
    EXPECT_EQ(GetIndexAge(dir.prefix(), "wizard"), IndexAge::kTextChanged);
    fs::remove(dir.file("wizard.txt"));
    EXPECT_EQ(GetIndexAge(dir.prefix(), "wizard"), IndexAge::kTextMissing);
    fs::create_directory(dir.file("wizard.txt"));
    EXPECT_EQ(GetIndexAge(dir.prefix(), "wizard"), IndexAge::kTextMissing) << "a directory is no text";
}
