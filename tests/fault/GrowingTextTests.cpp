// SPDX-License-Identifier: MIT
// A spell text that grows or shrinks while it is read: the reading sees
// the file as it was when it was opened, and an end, once met, stays.

#include <fcntl.h>
#include <unistd.h>

#include "LineReader.h"
#include "TestRecords.h"

namespace {

void Append(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

std::vector<std::string> RestOfLines(LineReader& reader) {
    std::vector<std::string> lines;
    std::string line;
    while (reader.ReadString(line))
        lines.push_back(line);
    return lines;
}

TEST(GrowingText, AppendedBytesNeitherLengthenTheLastLineNorAddLines) {
    TempDir dir;
    const std::string path = dir.file("wizard.txt");
    WriteFile(path, "Line one\nLine tw");
    LineReader reader;
    ASSERT_TRUE(reader.Open(path));
    std::string line;
    ASSERT_TRUE(reader.ReadString(line));
    EXPECT_EQ(line, "Line one");
    ASSERT_NO_FATAL_FAILURE(Append(path, "o\nLine three\n"));
    EXPECT_EQ(RestOfLines(reader), (std::vector<std::string>{"Line tw"}));
    ASSERT_NO_FATAL_FAILURE(Append(path, "Line four\n"));
    EXPECT_EQ(RestOfLines(reader), std::vector<std::string>{});
    EXPECT_FALSE(reader.Failed());
}

TEST(GrowingText, AShrunkFileEndsWhereItEndedAndStaysEnded) {
    TempDir dir;
    const std::string path = dir.file("wizard.txt");
    const std::string line(1000, 'x');
    std::string text;
    for (int i = 0; i < 200; ++i)  // 200 KB: more than one read block
        text += line + "\n";
    WriteFile(path, text);
    LineReader reader;
    ASSERT_TRUE(reader.Open(path));
    ASSERT_EQ(::truncate(path.c_str(), 100000), 0);
    const std::vector<std::string> lines = RestOfLines(reader);
    // The first block was read before the cut; the rest ends at the cut.
    ASSERT_GE(lines.size(), 65u);
    EXPECT_LE(reader.GetPosition(), 100000);
    WriteFile(path, text);  // back to its old length: the end stays
    EXPECT_EQ(RestOfLines(reader), std::vector<std::string>{});
}

// Appends to the text when the first record arrives.
struct AppendingSink final : RecordSink {
    void Put(const SpellRecord& record) override {
        if (list.records.empty())
            Append(path, appended);
        list.Put(record);
    }
    std::string path;
    std::string appended;
    RecordList list;
};

TEST(GrowingText, BuildReadsTheTextAsItWasWhenOpened) {
    TempDir dir;
    const std::string path = dir.file("wizard.txt");
    // The last description runs to the end of the file without a line end.
    const std::string text = Entry("Ember Mote", "A spark.\n\n") + Entry("Frost Rime", "Thin ice.\n\n") +
                             Entry("Glass Eye", "The caster sees through gla");
    for (const bool crlf : {false, true}) {
        SCOPED_TRACE(crlf ? "CR LF" : "LF");
        WriteFile(path, crlf ? ToCrlf(text) : text);
        LineReader reader;
        ASSERT_TRUE(reader.Open(path));
        AppendingSink sink;
        sink.path = path;
        sink.appended = "ss.\n\nFourth Spell\nAlteration\nRange: 1\tComponents: V\nDuration: 1\tCasting Time: 1\n"
                        "Area of Effect: 1\tSaving Throw: None\nSource.\nWords.\n";
        const ParsedText parsed = ParseSpells(reader, false, 1, sink);
        EXPECT_EQ(parsed.end, ParseResult::kEnd);
        EXPECT_EQ(parsed.nRecords, 3u);
        Strings names;
        for (const SpellRecord& r : sink.list.records)
            names.push_back(std::string(FieldText(r.szName)));
        EXPECT_EQ(names, (Strings{"Ember Mote", "Frost Rime", "Glass Eye"}));
    }
}

}  // namespace
