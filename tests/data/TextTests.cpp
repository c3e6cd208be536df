// SPDX-License-Identifier: MIT
// Field cutting, text encodings, line reading and description reading.

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <iconv.h>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DescriptionReader.h"
#include "LineReader.h"
#include "BlankLineSearch.h"
#include "SpellText.h"
#include "TestFiles.h"
#include "TextDecoding.h"
#include "WideRegisters.h"

namespace {

std::string Hex(std::string_view bytes) {
    std::string out;
    char buf[4];
    for (const char c : bytes) {
        std::snprintf(buf, sizeof buf, "%02X ", static_cast<unsigned char>(c));
        out += buf;
    }
    return out;
}

}  // namespace

// ---- cutting values out of field lines -------------------------------------

TEST(FieldCutting, Table) {
    enum Mode { kTab, kEnd };
    const struct {
        std::string_view line, marker;
        int offset;
        Mode mode;
        std::string_view value;
    } kCases[] = {
        {"Range: 10 yds.\tComponents: V, S, M", "Range:", 7, kTab, "10 yds."},
        {"Range: 10 yds.\tComponents: V, S, M", "Component", 11, kEnd, " V, S, M"},
        {"Range: 10 yds. Components: V", "Range:", 7, kTab, ""},
        {"Range: 10 yds. Components: V", "Component", 11, kEnd, " V"},
        {"Range: 0\tComponent: V", "Component", 11, kEnd, "V"},
        {"Range: Touch\tComponents:", "Component", 11, kEnd, ""},
        {"Duration: 1 rd./level\tCasting Time: 1", "Duration:", 10, kTab, "1 rd./level"},
        {"Duration: 1 rd./level\tCasting Time: 1", "Casting Time:", 14, kEnd, "1"},
        {"Area of Effect: One quill\tSaving Throw: None", "Area of Effect:", 16, kTab, "One quill"},
        {"Area of Effect: One quill\tSaving Throw: None", "Saving Throw:", 14, kEnd, "None"},
        {"Sphere: Weather", "Sphere:", 8, kEnd, "Weather"},
        {"Sphere: X", "Sphere:", 8, kEnd, "X"},
        {"Sphere: ", "Sphere:", 8, kEnd, ""},
        {"Sphere:", "Sphere:", 8, kEnd, ""},
        // Values keep their blanks and, to the end, their tabs.
        {"Duration:  2 rds. \tCasting Time: 1 ", "Duration:", 10, kTab, " 2 rds. "},
        {"Duration:  2 rds. \tCasting Time: 1 ", "Casting Time:", 14, kEnd, "1 "},
        {"Area of Effect: X\tSaving Throw: None\tsee text", "Saving Throw:", 14, kEnd, "None\tsee text"},
        {"Range: a\tb\tc", "Range:", 7, kTab, "a"},
        {"Range: Range: 5\tx", "Range:", 7, kTab, "Range: 5"},
        // The tab at or before the value's start.
        {"\tRange: Touch", "Range:", 7, kTab, ""},
        {"Range:\tTouch", "Range:", 7, kTab, ""},
        {"Range: \tTouch", "Range:", 7, kTab, ""},
        // A missing marker stands at position -1.
        {"Distance: 10 yds.\tX", "Range:", 7, kTab, "ce: 10 yds."},
        {"Touch\tComponents: V", "Range:", 7, kTab, ""},
        {"Area of Effect: One quill", "Saving Throw:", 14, kEnd, "t: One quill"},
        {"Notes: none.", "Casting Time:", 14, kEnd, ""},
        {"", "Range:", 7, kTab, ""},
        {"", "Sphere:", 8, kEnd, ""},
        // A start before the line's beginning counts as its beginning.
        {"Touch\tComponents: V", "Range:", 0, kTab, "Touch"},
        {"Touch", "Range:", 0, kEnd, "Touch"},
        {"Touch\tComponents: V", "Range:", -5, kTab, "Touch"},
        {"Touch", "Sphere:", -100, kEnd, "Touch"},
        {"xRange: 5\ty", "Range:", -3, kTab, "xRange: 5"},
        {"\tTouch", "Range:", 0, kTab, ""},
        {"", "Range:", -1, kEnd, ""},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << "line '" << c.line << "' marker '" << c.marker << "'");
        const std::string_view got = c.mode == kTab ? CutToTab(c.line, c.marker, c.offset)
                                                    : CutToEnd(c.line, c.marker, c.offset);
        EXPECT_EQ(got, c.value);
    }
}

// ---- UTF-8 and Windows-1251 ------------------------------------------------

TEST(Utf8, StrictValidity) {
    const struct {
        std::string_view text;
        bool valid;
    } kCases[] = {
        {"", true}, {"plain ascii\t\r\n", true}, {"\xC2\x80", true}, {"\xC3\xA9t\xC3\xA9", true},
        {"\xDF\xBF", true}, {"\xE0\xA0\x80", true}, {"\xE2\x80\x94", true},
        {"\xED\x9F\xBF", true},  {"\xEE\x80\x80", true},  // either side of the surrogates
        {"\xEF\xBF\xBD", true}, {"\xF0\x90\x80\x80", true}, {"\xF4\x8F\xBF\xBF", true},
        // Overlong forms, surrogates, beyond U+10FFFF, bytes that never occur.
        {"\xC0\x80", false}, {"\xC1\xBF", false}, {"\xE0\x80\x80", false}, {"\xE0\x9F\xBF", false},
        {"\xED\xA0\x80", false}, {"\xED\xBF\xBF", false}, {"\xF0\x80\x80\x80", false},
        {"\xF0\x8F\xBF\xBF", false}, {"\xF4\x90\x80\x80", false}, {"\xF5\x80\x80\x80", false},
        {"\xFF", false},
        // Stray continuation bytes, truncated and broken sequences.
        {"\x80", false}, {"a\xBF", false}, {"\xC3", false}, {"\xE2\x80", false},
        {"\xF0\x9F\x98", false}, {"abc\xE2\x80", false}, {"\xC3\x41", false},
        {"\xE2\x41\x80", false}, {"\xE2\x80\x41", false}, {"\xF0\x9F\x41\x80", false},
        {"\xCF\xF0\xE8\xE2\xE5\xF2", false},  // Windows-1251 text
    };
    for (const auto& c : kCases)
        EXPECT_EQ(IsValidUtf8(c.text), c.valid) << Hex(c.text);
}

TEST(Utf8, TruncatedViewsOfValidText) {
    // The bytes that would complete the character lie just past the view.
    const std::string_view full = "a\xC3\xA9\xE2\x80\x94\xF0\x9F\x98\x80";
    for (std::size_t n : {2u, 4u, 5u, 7u, 8u, 9u})
        EXPECT_FALSE(IsValidUtf8(full.substr(0, n))) << Hex(full.substr(0, n));
    for (std::size_t n : {0u, 1u, 3u, 6u, 10u})
        EXPECT_TRUE(IsValidUtf8(full.substr(0, n))) << Hex(full.substr(0, n));
}

namespace {

// glibc's own Windows-1251 conversion, as the reference.
std::string IconvFromCp1251(std::string_view in) {
    const iconv_t cd = iconv_open("UTF-8", "CP1251");
    if (cd == reinterpret_cast<iconv_t>(static_cast<intptr_t>(-1)))
        return "<iconv_open failed>";
    std::string out(in.size() * 4 + 4, '\0');
    std::string input(in);
    char* inPtr = input.data();
    std::size_t inLeft = input.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1))
        return "<iconv failed>";
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace

TEST(DisplayDecoding, EveryHighByteMatchesIconvCp1251) {
    for (int b = 0x80; b <= 0xFF; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const std::string input = std::string("A").append(byte);  // never valid UTF-8
        SCOPED_TRACE(Hex(input));
        ASSERT_FALSE(IsValidUtf8(input));
        const std::string expected = b == 0x98 ? "A\xEF\xBF\xBD" : std::string("A").append(IconvFromCp1251(byte));
        EXPECT_EQ(DecodeForDisplay(input), expected);
        EXPECT_TRUE(IsValidUtf8(DecodeForDisplay(input)));
    }
}

TEST(DisplayDecoding, ValidUtf8UnchangedOtherwiseWholeTextIsCp1251) {
    for (std::string_view text : {"", "Fireball", "\xC3\x89lan \xE2\x80\x94 \xF0\x9F\x98\x80",
                                  "\xD0\x9F\xD1\x80\xD0\xB8"})
        EXPECT_EQ(DecodeForDisplay(text), text) << Hex(text);
    // "Привет" in Windows-1251.
    EXPECT_EQ(DecodeForDisplay("\xCF\xF0\xE8\xE2\xE5\xF2"),
              "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82");
    // One bad byte makes the whole text Windows-1251, UTF-8-looking pairs too.
    EXPECT_EQ(DecodeForDisplay("\xC3\xA9\xE9"), "\xD0\x93\xC2\xA9\xD0\xB9");
    EXPECT_EQ(DecodeForDisplay("Tab\t\x01\x7F\xE9"), "Tab\t\x01\x7F\xD0\xB9");
}

// ---- line reading ----------------------------------------------------------

namespace {

struct Line {
    std::string text;
    int64_t positionAfter;
    bool operator==(const Line&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Line& l) {
    return os << "{" << Hex(l.text.substr(0, 40)) << "(" << l.text.size() << " bytes) @" << l.positionAfter << "}";
}

std::vector<Line> ReadAllLines(LineReader& reader) {
    std::vector<Line> lines;
    EXPECT_EQ(reader.GetPosition(), 0);
    std::string line;
    while (reader.ReadString(line))
        lines.push_back({line, reader.GetPosition()});
    EXPECT_FALSE(reader.Failed());
    return lines;
}

std::vector<Line> ReadAllLines(const std::string& path) {
    LineReader reader;
    if (!reader.Open(path))
        return {};
    return ReadAllLines(reader);
}

}  // namespace

TEST(LineReader, TerminatorsPositionsAndLongLines) {
    const std::string huge(200000, 'x');
    const std::string straddle(65535, 'y');  // CR at byte 65535, LF at 65536
    const std::string exact(65535, 'z');     // LF is the buffer's last byte
    const struct {
        const char* label;
        std::string text;
        std::vector<Line> lines;
    } kCases[] = {
        {"Empty", "", {}},
        {"LfAndCrlf", "one\ntwo\r\nthree", {{"one", 4}, {"two", 9}, {"three", 14}}},
        {"BlankLines", "\n\r\n\n", {{"", 1}, {"", 3}, {"", 4}}},
        {"LoneCrIsText", "a\rb\nc\r\r\nd\r", {{"a\rb", 4}, {"c\r", 8}, {"d\r", 10}}},
        {"SpacesKept", "  \n\t\n", {{"  ", 3}, {"\t", 5}}},
        // Lines longer than the reader's buffer, and line ends at its edge.
        {"HugeLine", huge + "\nshort\n", {{huge, 200001}, {"short", 200007}}},
        {"HugeLastLineUnterminated", "a\n" + huge, {{"a", 2}, {huge, 200002}}},
        {"CrlfAcrossBoundary", straddle + "\r\nafter\r\n", {{straddle, 65537}, {"after", 65544}}},
        {"LfAtBufferEnd", exact + "\nnext", {{exact, 65536}, {"next", 65540}}},
        {"LoneCrAcrossBoundary", straddle + "\rtail\n", {{straddle + "\rtail", 65541}}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.label);
        TempDir dir;
        WriteFile(dir.file("t.txt"), c.text);
        EXPECT_EQ(ReadAllLines(dir.file("t.txt")), c.lines);
    }
}

// Lines of every length up to 90 bytes, LF and CR LF, each line's end at
// every place of the 16-byte steps the search takes and of the blocks: from
// a file of several blocks (the last one short, after longer ones) and from
// memory in blocks of several sizes.
TEST(LineReader, LinesOfEveryLengthAtEveryPlace) {
    std::string text;
    std::vector<Line> lines;
    for (std::size_t round = 0; text.size() < 150000; ++round) {
        for (std::size_t length = 0; length <= 90; ++length) {
            const std::string eol = (round + length) % 3 == 0 ? "\r\n" : "\n";
            const std::string line(length, static_cast<char>('a' + length % 26));
            text += line + eol;
            lines.push_back({line, static_cast<int64_t>(text.size())});
        }
    }
    TempDir dir;
    WriteFile(dir.file("t.txt"), text);
    EXPECT_EQ(ReadAllLines(dir.file("t.txt")), lines);
    for (const std::size_t window : {17u, 31u, 64u, 1000u}) {
        LineReader reader;
        reader.OpenMemory(text, window);
        EXPECT_EQ(ReadAllLines(reader), lines) << "window " << window;
    }
}

// Of a long line only the first bytes are kept; positions, blank lines and
// line ends stay those of the whole line. From a file (whole lines in one
// block) and from memory in blocks of 1 and 3 bytes (every line spans
// blocks).
TEST(LineReader, LongLinesKeepTheirFirstBytes) {
    constexpr std::size_t kKeep = 8;
    const struct {
        const char* label;
        std::string text;
        std::vector<Line> lines;
    } kCases[] = {
        {"Short", "short\n\nx", {{"short", 6}, {"", 7}, {"x", 8}}},
        {"Exactly", "exactly8\nnext", {{"exactly8", 9}, {"next", 13}}},
        {"OneOver", "ninechars\nnext", {{"ninechar", 10}, {"next", 14}}},
        {"CrlfAtTheCut", "exactly8\r\n1234567\r\n", {{"exactly8", 10}, {"1234567", 19}}},
        {"CrlfPastTheCut", "0123456789abc\r\nz", {{"01234567", 15}, {"z", 16}}},
        {"LastLineCrAtTheCut", "a\n12345678\r", {{"a", 2}, {"12345678", 11}}},
        {"LastLineLoneCr", "1234567\r", {{"1234567\r", 8}}},
        {"LoneCrInside", "ab\rcdefghij\n", {{"ab\rcdefg", 12}}},
        {"LongLastLine", std::string(100, 'y'), {{"yyyyyyyy", 100}}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.label);
        TempDir dir;
        WriteFile(dir.file("t.txt"), c.text);
        LineReader fromFile(kKeep);
        ASSERT_TRUE(fromFile.Open(dir.file("t.txt")));
        EXPECT_EQ(ReadAllLines(fromFile), c.lines);
        for (const std::size_t window : {1u, 3u}) {
            LineReader fromMemory(kKeep);
            fromMemory.OpenMemory(c.text, window);
            EXPECT_EQ(ReadAllLines(fromMemory), c.lines) << "window " << window;
        }
    }

    // A line far longer than the read block, with the default limit.
    TempDir dir;
    const std::string huge(3 * kMaxLineBytes, 'h');
    WriteFile(dir.file("t.txt"), huge + "\r\n\nnext\n");
    LineReader reader;
    ASSERT_TRUE(reader.Open(dir.file("t.txt")));
    EXPECT_EQ(ReadAllLines(reader),
              (std::vector<Line>{{huge.substr(0, kMaxLineBytes), static_cast<int64_t>(huge.size() + 2)},
                                 {"", static_cast<int64_t>(huge.size() + 3)},
                                 {"next", static_cast<int64_t>(huge.size() + 8)}}));
}

// A byte-order mark opens the text, not its first line; positions count it.
TEST(LineReader, ByteOrderMarkAtTheStartIsSkipped) {
    const std::string bom = "\xEF\xBB\xBF";
    const struct {
        const char* label;
        std::string text;
        std::vector<Line> lines;
    } kCases[] = {
        {"FirstLine", bom + "one\r\ntwo", {{"one", 8}, {"two", 11}}},
        {"OnlyTheMark", bom, {{"", 3}}},
        {"MarkThenBlank", bom + "\n\nx", {{"", 4}, {"", 5}, {"x", 6}}},
        {"TwoMarks", bom + bom + "x\n", {{bom + "x", 8}}},
        {"CutMark", "\xEF\xBBx\n", {{"\xEF\xBBx", 4}}},
        {"MarkOnTheSecondLine", "a\n" + bom + "b\n", {{"a", 2}, {bom + "b", 7}}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.label);
        TempDir dir;
        WriteFile(dir.file("t.txt"), c.text);
        EXPECT_EQ(ReadAllLines(dir.file("t.txt")), c.lines);
        LineReader fromMemory;
        fromMemory.OpenMemory(c.text, 1);
        EXPECT_EQ(ReadAllLines(fromMemory), c.lines);
    }
    // Back at the start the mark is skipped again; in the middle of the
    // text it is not.
    const std::string text = bom + "one\n" + bom + "two\n";
    LineReader reader;
    reader.OpenMemory(text);
    std::string line;
    ASSERT_TRUE(reader.Seek(7) && reader.ReadString(line));
    EXPECT_EQ(line, bom + "two");
    ASSERT_TRUE(reader.Seek(0) && reader.ReadString(line));
    EXPECT_EQ(line, "one");
    ASSERT_TRUE(reader.Seek(1) && reader.ReadString(line));
    EXPECT_EQ(line, "\xBB\xBFone");
}

TEST(LineReader, SeekAcrossBufferBoundaries) {
    TempDir dir;
    std::string text;  // 20000 lines of 10 bytes: line n starts at 10 * n
    char buf[16];
    for (int i = 0; i < 20000; ++i) {
        std::snprintf(buf, sizeof buf, "line%05d\n", i);
        text += buf;
    }
    WriteFile(dir.file("t.txt"), text);
    LineReader reader;
    ASSERT_TRUE(reader.Open(dir.file("t.txt")));
    std::string line;
    const auto readAt = [&](int64_t pos) {
        EXPECT_TRUE(reader.Seek(pos)) << pos;
        EXPECT_EQ(reader.GetPosition(), pos);
        EXPECT_TRUE(reader.ReadString(line)) << pos;
        return line;
    };
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(reader.ReadString(line));
    EXPECT_EQ(readAt(10), "line00001");          // back, inside the buffer
    EXPECT_EQ(readAt(150000), "line15000");      // forward, beyond the buffer
    EXPECT_EQ(reader.GetPosition(), 150010);
    EXPECT_EQ(readAt(20), "line00002");          // back, before the buffer
    EXPECT_EQ(readAt(65530), "line06553");       // line across the first boundary
    EXPECT_EQ(reader.GetPosition(), 65540);
    EXPECT_EQ(readAt(65532), "ne06553");         // into the middle of a line
    ASSERT_TRUE(reader.ReadString(line));
    EXPECT_EQ(line, "line06554");
    EXPECT_EQ(readAt(199990), "line19999");
    EXPECT_FALSE(reader.ReadString(line));
    EXPECT_TRUE(reader.Seek(200000));            // at the end: nothing to read
    EXPECT_FALSE(reader.ReadString(line));
    EXPECT_EQ(readAt(0), "line00000");           // and back to the start
    EXPECT_FALSE(reader.Seek(-1));
    EXPECT_FALSE(reader.Failed());
}

// Skipping stops at the next blank line (LF or CR LF alone), wherever the
// blocks of the text end; what is read after it is what ReadLine alone
// would give.
TEST(LineReader, SkipNonBlankLinesStopsAtTheNextBlankLine) {
    const struct {
        const char* label;
        std::string text;
        int64_t start;
        int64_t afterBlank;  // position after the first blank line; -1: none
        std::string next;    // the line after it
    } kCases[] = {
        {"Lf", "x\nab\ncd\n\nEf\n", 2, 9, "Ef"},
        {"CrLf", "x\r\nab\r\ncd\r\n\r\nEf\r\n", 3, 13, "Ef"},
        {"BlankHere", "x\n\nE\n", 2, 3, "E"},
        {"CrLfBlankHere", "x\r\n\r\nE\r\n", 3, 5, "E"},
        {"LoneCrIsNoBlank", "x\nab\n\r\r\n\nEf\n", 2, 9, "Ef"},
        {"CrInsideALine", "x\nab\r\ncd\r\r\n\r\nE\n", 2, 13, "E"},
        {"SpacesAreNoBlank", "x\n \n\t\n\n\nE", 2, 7, ""},
        {"NoBlank", "x\nab\ncd", 2, -1, ""},
        {"BlankIsLast", "x\nab\n\n", 2, 6, ""},
        {"CrAtTheEnd", "x\nab\n\r", 2, -1, ""},
        {"AtTheStartTheMarkCounts", "\xEF\xBB\xBF\nE\n", 0, 4, "E"},
    };
    for (const auto& c : kCases) {
        for (const std::size_t window : {0u, 1u, 2u, 3u, 4u, 5u, 7u}) {
            SCOPED_TRACE(testing::Message() << c.label << ", window " << window);
            LineReader reader;
            reader.OpenMemory(c.text, window);
            std::string_view line;
            for (int64_t at = 0; at < c.start; at = reader.GetPosition())
                ASSERT_TRUE(reader.ReadLine(line));  // into the block, as a parse would be
            ASSERT_EQ(reader.GetPosition(), c.start);
            reader.SkipNonBlankLines();
            bool blank = false;
            while (!blank && reader.ReadLine(line))
                blank = line.empty();
            EXPECT_EQ(blank ? reader.GetPosition() : -1, c.afterBlank);
            if (blank && reader.ReadLine(line))
                EXPECT_EQ(line, c.next);
            else
                EXPECT_EQ(c.next, "");
        }
    }
}

// The same over lines long enough for the search that looks at many bytes
// a step: the blank line, or a lone CR that only looks like one, at every
// place within and across those steps, in blocks of several sizes.
TEST(LineReader, SkipNonBlankLinesFindsBlankLinesAnywhereInLongRuns) {
    for (const std::string eol : {"\n", "\r\n"}) {
        for (std::size_t before = 1; before < 70; ++before) {
            std::string text = "x" + eol + std::string(before, 'a') + eol;
            text += "b\r" + eol + "\rc" + eol + std::string(40, 'd') + eol;  // CR, but no blank line
            const auto afterBlank = static_cast<int64_t>(text.size() + eol.size());
            text += eol + "Ef" + eol + std::string(40, 'g') + eol;  // the blank line well inside the text
            for (const std::size_t window : {0u, 33u, 64u}) {
                SCOPED_TRACE(testing::Message() << "eol " << eol.size() << ", before " << before << ", window "
                                                << window);
                LineReader reader;
                reader.OpenMemory(text, window);
                std::string_view line;
                ASSERT_TRUE(reader.ReadLine(line));
                reader.SkipNonBlankLines();
                bool blank = false;
                while (!blank && reader.ReadLine(line))
                    blank = line.empty();
                EXPECT_EQ(blank ? reader.GetPosition() : -1, afterBlank);
                ASSERT_TRUE(reader.ReadLine(line));
                EXPECT_EQ(line, "Ef");
            }
        }
    }
}

// Each way of the blank-line search the processor runs finds the first LF
// followed by LF or CR, wherever it stands among the steps, and never one
// whose next byte lies past the end.
// What a skip passes over is handed back: the whole lines up to the next
// blank one, or up to the last line the block holds.
TEST(LineReader, SkipNonBlankLinesHandsBackTheLinesPassedOver) {
    const std::string text = "x\nab\ncd\r\n\nEf\n";
    for (const auto& [window, passed] : {std::pair{std::size_t{0}, "ab\ncd\r\n"}, std::pair{std::size_t{8}, "ab\n"}}) {
        SCOPED_TRACE(window);
        LineReader reader;
        reader.OpenMemory(text, window);
        std::string_view line;
        ASSERT_TRUE(reader.ReadLine(line));
        EXPECT_EQ(reader.SkipNonBlankLines(), passed);
    }
    LineReader atStart;
    atStart.OpenMemory(text);
    EXPECT_EQ(atStart.SkipNonBlankLines(), "");  // a byte-order mark may stand there
}

// An observer that takes no runs is told each description line passed over
// as ReadLine would give it: without its terminator, cut to the bytes the
// reader keeps, at its own offset; whether the reader passes over the lines
// in a run or hands them out one by one. The line that begins the next
// entry comes without its bytes when the block holds its first byte, else
// read; a paragraph beginning with a byte below 128 as a description line,
// one beginning with a byte above 127 as a paragraph.
TEST(ScanDescription, ObserverIsToldEachLineOfARun) {
    class Lines final : public SpellTextObserver {
    public:
        void OnLine(LineRole role, std::string_view line, int64_t offset) override {
            told.push_back(std::to_string(static_cast<int>(role)) + "@" + std::to_string(offset) + " " +
                           std::string(line));
        }
        void OnValue(SpellField, std::string_view, const FieldCut*, bool) override {}
        void OnEntryEnd(ParseResult, const SpellRecord&) override {}
        std::vector<std::string> told;
    };
    const std::string text = "x\nab\r\nlong line here\ncd\r\r\n\nEf\n";
    // With blocks of 3 bytes, the next entry's line begins a block.
    for (const auto& [window, nextEntry] : {std::pair{0u, "12@27 "}, std::pair{3u, "12@27 Ef"}}) {
        SCOPED_TRACE(window);
        LineReader reader(4);
        reader.OpenMemory(text, window);
        std::string_view line;
        ASSERT_TRUE(reader.ReadLine(line));
        Lines lines;
        EXPECT_EQ(ScanDescription(reader, nullptr, 0, &lines), DescriptionEnd::kNextEntry);
        // Roles: 9 description, 10 blank, 11 paragraph, 12 next entry.
        EXPECT_EQ(lines.told,
                  (std::vector<std::string>{"9@2 ab", "9@6 long", "9@21 cd\r", "10@26 ", nextEntry}));
        ASSERT_TRUE(reader.ReadLine(line));
        EXPECT_EQ(line, "Ef");
    }
    // Paragraphs: one beginning with a byte below 128 and one above.
    const std::string paragraphs = "x\nab\n\ncd\n\n\xC3\x89" "f\n\nGh\n";
    LineReader reader;
    reader.OpenMemory(paragraphs);
    std::string_view line;
    ASSERT_TRUE(reader.ReadLine(line));
    Lines lines;
    EXPECT_EQ(ScanDescription(reader, nullptr, 0, &lines), DescriptionEnd::kNextEntry);
    EXPECT_EQ(lines.told, (std::vector<std::string>{"9@2 ab", "10@5 ", "9@6 cd", "10@9 ", "11@10 \xC3\x89" "f",
                                                    "10@14 ", "12@15 "}));
}

TEST(BlankLineSearch, EveryWayFindsTheFirstLfBeforeALineEnd) {
    const std::vector<LfBeforeLfOrCrSearch> searches = LfBeforeLfOrCrSearches();
    ASSERT_FALSE(searches.empty());
    EXPECT_EQ(searches.back().name, "bytewise");
    for (const LfBeforeLfOrCrSearch& search : searches) {
        SCOPED_TRACE(std::string(search.name));
        const auto find = [&](std::string_view text, std::size_t end) -> long {
            const char* hit = search.find(text.data(), text.data() + end);
            return hit ? hit - text.data() : -1;
        };
        for (const std::string pair : {"\n\n", "\n\r"}) {
            for (std::size_t at = 0; at < 200; ++at) {
                // Lone LFs and CRs before it, none of them a match.
                std::string text(at, 'a');
                for (std::size_t i = 3; i + 1 < at; i += 7)
                    text[i] = i % 2 ? '\n' : '\r';
                text += pair + std::string(70, 'b');
                ASSERT_EQ(find(text, text.size()), static_cast<long>(at)) << "at " << at;
                ASSERT_EQ(find(text, at + 2), static_cast<long>(at)) << "at " << at;
                ASSERT_EQ(find(text, at + 1), -1) << "the next byte lies past the end, at " << at;
            }
        }
        EXPECT_EQ(find("", 0), -1);
        EXPECT_EQ(find("\r\n\r\n", 4), 1);
        EXPECT_EQ(find(std::string(300, '\n'), 300), 0);
        EXPECT_EQ(find(std::string(300, 'x') + "\n", 301), -1);
    }
}

// Each way leaves the wide registers' upper halves cleared, whether it
// finds the blank line or hands its last bytes to the SSE2 search.
TEST(BlankLineSearch, EveryWayLeavesTheWideRegistersCleared) {
    std::string found(200, 'a');
    found.replace(150, 2, "\n\n");
    for (const std::string& text : {std::string(200, 'a'), found}) {
        for (const LfBeforeLfOrCrSearch& search : LfBeforeLfOrCrSearches()) {
            SCOPED_TRACE(testing::Message() << search.name << ", " << text.size());
            const std::optional<bool> cleared =
                LeavesUpperHalvesCleared([&] { (void)search.find(text.data(), text.data() + text.size()); });
            if (!cleared)
                return;  // nothing to tell here (WideRegisters.h)
            EXPECT_TRUE(*cleared);
        }
    }
}

TEST(LineReader, MissingFile) {
    TempDir dir;
    LineReader reader;
    EXPECT_FALSE(reader.Open(dir.file("missing.txt")));
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_EQ(reader.Error(), ENOENT);
    std::string_view line;
    EXPECT_FALSE(reader.ReadLine(line));
    EXPECT_FALSE(reader.Seek(0));
}

// ---- descriptions ----------------------------------------------------------

TEST(DescriptionReader, OffsetsAndFailures) {
    TempDir dir;
    const std::string path = dir.file("t.txt");
    const std::string text = "Header line\nabc\ndef\n\n\tmore\r\n\nNext\n";
    WriteFile(path, text);
    const auto read = [&](int64_t offset) { return ReadDescriptionFromPath(path, offset); };

    EXPECT_EQ(read(12).strText, "abcdef\tmore");
    EXPECT_EQ(read(14).strText, "cdef\tmore");
    EXPECT_EQ(read(16).strText, "def\tmore");
    const auto atEnd = read(static_cast<int64_t>(text.size()));
    EXPECT_EQ(atEnd.status.code, StatusCode::kOk);
    EXPECT_EQ(atEnd.strText, "");
    const auto pastEnd = read(100000);
    EXPECT_EQ(pastEnd.status.code, StatusCode::kOk);
    EXPECT_EQ(pastEnd.strText, "");
    EXPECT_EQ(read(-1).status.code, StatusCode::kBadOffset);
    const DescriptionResult missing = ReadDescriptionFromPath(dir.file("missing.txt"), 0);
    EXPECT_EQ(missing.status.code, StatusCode::kCannotOpenText);
    EXPECT_EQ(missing.status.error, ENOENT);
    const DescriptionResult directory = ReadDescriptionFromPath(dir.path().string(), 0);
    EXPECT_EQ(directory.status.code, StatusCode::kCannotOpenText);
    EXPECT_EQ(directory.status.error, EISDIR);
}

struct BigCase {
    const char* label;
    std::string head;
    std::string unit;  // one character, repeated to well past the limit
};
void PrintTo(const BigCase& c, std::ostream* os) { *os << c.label; }

class BigDescription : public testing::TestWithParam<BigCase> {};

TEST_P(BigDescription, CutToLimitOnACharacterBoundary) {
    const BigCase& c = GetParam();
    std::string joined = c.head;
    std::string text = c.head;
    std::string line;
    for (int i = 0; i < 1000; ++i)
        line += c.unit;
    while (joined.size() < kMaxDescriptionBytes + 5000) {
        joined += line;
        text += line + "\n";  // many lines, joined with nothing between them
    }
    text += "\nNext\n";
    TempDir dir;
    WriteFile(dir.file("t.txt"), text);

    const DescriptionResult r = ReadDescriptionFromPath(dir.file("t.txt"), 0);
    ASSERT_TRUE(r.ok());
    EXPECT_LE(r.strText.size(), kMaxDescriptionBytes);
    EXPECT_GT(r.strText.size() + c.unit.size(), kMaxDescriptionBytes);
    EXPECT_EQ(joined.compare(0, r.strText.size(), r.strText), 0);
    EXPECT_EQ(IsValidUtf8(r.strText), IsValidUtf8(c.unit));
}

INSTANTIATE_TEST_SUITE_P(
    Units, BigDescription,
    testing::Values(BigCase{"Ascii", "", "x"},
                    BigCase{"TwoByteShifted", "a", "\xC3\xA9"},
                    BigCase{"ThreeByteShifted", "ab", "\xE2\x80\x94"},
                    BigCase{"FourByteShifted1", "a", "\xF0\x9F\x98\x80"},
                    BigCase{"FourByteShifted3", "abc", "\xF0\x9F\x98\x80"},
                    BigCase{"Cp1251", "", "\xE9"}),
    [](const testing::TestParamInfo<BigCase>& param) { return std::string(param.param.label); });

TEST(DescriptionReader, ByteOrderMarkBeforeOffsetZeroIsSkipped) {
    TempDir dir;
    WriteFile(dir.file("t.txt"), "\xEF\xBB\xBF" "abc\ndef\n\nNext\n");
    EXPECT_EQ(ReadDescriptionFromPath(dir.file("t.txt"), 0).strText, "abcdef");
    EXPECT_EQ(ReadDescriptionFromPath(dir.file("t.txt"), 4).strText, "bcdef");
}

TEST(DescriptionReader, ExactlyAtLimitIsKeptWhole) {
    TempDir dir;
    const std::string body(kMaxDescriptionBytes - 2, 'q');
    WriteFile(dir.file("t.txt"), body + "\n\xC3\xA9\n\nNext\n");
    const DescriptionResult r = ReadDescriptionFromPath(dir.file("t.txt"), 0);
    EXPECT_EQ(r.strText.size(), kMaxDescriptionBytes);
    EXPECT_EQ(r.strText.substr(r.strText.size() - 2), "\xC3\xA9");
}
