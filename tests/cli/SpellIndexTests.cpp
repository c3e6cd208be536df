// SPDX-License-Identifier: MIT
// Runs the spellindex executable and checks what it prints and returns.

#include <csignal>
#include <cstdlib>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <tuple>
#include <sys/wait.h>
#include <vector>

#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "ResourceLimit.h"
#include "TestFiles.h"

namespace {

struct RunResult {
    int status = -1;  // exit status, -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Prepares the child process before spellindex replaces it.
using Prepare = std::function<void()>;

// Runs spellindex in a child process, its output to files, after
// `prepare` has run in that child.
RunResult SpellIndex(const std::vector<std::string>& args, const Prepare& prepare = {}) {
    TempDir io;
    const std::string outPath = io.file("stdout");
    const std::string errPath = io.file("stderr");
    Child child([&] {
        for (const auto& [fd, path] : {std::pair{1, &outPath}, std::pair{2, &errPath}}) {
            const int file = ::open(path->c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (file < 0 || ::dup2(file, fd) < 0)
                ::_exit(126);
        }
        if (prepare)
            prepare();
        std::vector<std::string> argStrings = {SPELLINDEX_PATH};
        argStrings.insert(argStrings.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : argStrings)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(SPELLINDEX_PATH, argv.data());
        ::_exit(127);
        return std::string();
    });
    const ChildOutcome outcome = child.Wait();
    RunResult run;
    run.status = outcome.exited ? outcome.status : -1;
    run.out = ReadFile(outPath);
    run.err = ReadFile(errPath);
    return run;
}

// File writes past `bytes` fail with EFBIG (SIGXFSZ ignored).
Prepare FileSizeLimit(rlim_t bytes) {
    return [bytes] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, bytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    };
}

// At most `bytes` of address space (unused where ASan leaves out its tests).
[[maybe_unused]] Prepare AddressSpaceLimit(rlim_t bytes) {
    return [bytes] {
        const rlimit limit{bytes, bytes};
        ::setrlimit(RLIMIT_AS, &limit);
    };
}

// Standard output goes to `fd` instead.
Prepare StdoutTo(int fd) {
    return [fd] { ::dup2(fd, 1); };
}

// Runs as the unprivileged user (when the tests run as root).
Prepare Unprivileged() {
    return [] {
        if (RunningAsRoot() &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kUnprivilegedId) != 0 || ::setuid(kUnprivilegedId) != 0))
            ::_exit(125);
    };
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(text.substr(start, nl - start));
    if (start < text.size())
        lines.push_back(text.substr(start) + "<no newline>");
    return lines;
}

// A 432-byte record: offset, name, level, school image; other fields empty.
std::string RawRecord(int32_t textOffset, std::string_view name, int32_t level, int32_t image) {
    std::string bytes(432, '\0');
    const auto put32 = [&](std::size_t pos, int32_t value) {
        const auto v = static_cast<uint32_t>(value);
        for (int i = 0; i < 4; ++i)
            bytes[pos + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    put32(0, textOffset);
    bytes.replace(4, name.size(), name);
    put32(104, level);
    put32(108, image);
    return bytes;
}

const std::string kText =
    "Quill of Patient Copying\n"
    "Alteration\n"
    "Range: Touch\tComponents: V, S, M\n"
    "Duration: 1 hr./level\tCasting Time: 1 rd.\n"
    "Area of Effect: One quill\tSaving Throw: None\n"
    "Source: Tome.\n"
    "A quill copies \"one\" page\\sheet.\n"
    "\tSand is the \x01 component.\n"
    "\n"
    "Second-Level Spells\n"
    "Ember Mote\n"
    "(Evocation)\n"
    "Range: 10 yds.\tComponent: V\n"
    "Duration: Instantaneous\tCasting Time: 1\n"
    "Area of Effect: One creature\tSaving Throw: 1/2\n"
    "Source: Tome.\n"
    "A spark leaps.\n";

class SpellIndexCli : public testing::Test {
protected:
    std::string Dir() const { return dir.path().string(); }
    std::string TextOffsetOf(std::string_view what) const { return std::to_string(kText.find(what)); }
    // wizard.txt of two spells, the second's description starting one byte
    // past INT32_MAX, after a hole of zero bytes.
    void WriteTextPastTwoGigabytes() const {
        const std::string head = "Ember Mote\nEvocation\nRange: 0\tComponents: V\nDuration: 1\tCasting Time: 1\n"
                                 "Area of Effect: 1\tSaving Throw: None\nSource.\nA spark";
        const std::string tail = "\n\nFrost Rime\nAlteration\nRange: 0\tComponents: V\nDuration: 1\tCasting Time: 1\n"
                                 "Area of Effect: 1\tSaving Throw: None\nSource.\nThin ice.\n";
        const int64_t gap = int64_t{INT32_MAX} + 1 - static_cast<int64_t>(head.size() + tail.find("Thin ice."));
        WriteSparse(dir.file("wizard.txt"), head, gap, tail);
    }
    TempDir dir;
};

}  // namespace

TEST_F(SpellIndexCli, BuildThenDump) {
    WriteFile(dir.file("wizard.txt"), kText);
    const RunResult build = SpellIndex({"build", Dir(), "wizard"});
    EXPECT_EQ(build.status, 0);
    EXPECT_EQ(build.out, "2 records written to " + dir.file("wizard.idx") + "\n");
    EXPECT_EQ(build.err, "");
    EXPECT_EQ(ReadFile(dir.file("wizard.idx")).size(), 2 * 432u);

    const RunResult dump = SpellIndex({"dump", dir.prefix(), "wizard"});
    EXPECT_EQ(dump.status, 0);
    EXPECT_EQ(dump.err, "");
    const auto lines = Lines(dump.out);
    ASSERT_EQ(lines.size(), 2u) << dump.out;
    EXPECT_EQ(lines[0], "{\"offset\":0,\"text_offset\":" + TextOffsetOf("A quill") +
                            ",\"name\":\"Quill of Patient Copying\",\"level\":1,\"school_image\":0,"
                            "\"school\":\"Alteration\",\"range\":\"Touch\",\"duration\":\"1 hr./level\","
                            "\"area\":\"One quill\",\"components\":\" V, S, M\",\"saving_throw\":\"None\","
                            "\"casting_time\":\"1 rd.\"}");
    EXPECT_EQ(lines[1], "{\"offset\":432,\"text_offset\":" + TextOffsetOf("A spark") +
                            ",\"name\":\"Ember Mote\",\"level\":2,\"school_image\":5,"
                            "\"school\":\"(Evocation)\",\"range\":\"10 yds.\",\"duration\":\"Instantaneous\","
                            "\"area\":\"One creature\",\"components\":\"V\",\"saving_throw\":\"1/2\","
                            "\"casting_time\":\"1\"}");
}

TEST_F(SpellIndexCli, DescriptionsAreEscapedOrNullWithoutText) {
    WriteFile(dir.file("wizard.txt"), kText);
    ASSERT_EQ(SpellIndex({"build", Dir(), "wizard"}).status, 0);

    RunResult dump = SpellIndex({"dump", Dir(), "wizard", "--descriptions"});
    EXPECT_EQ(dump.status, 0);
    auto lines = Lines(dump.out);
    ASSERT_EQ(lines.size(), 2u) << dump.out;
    const std::string firstTail =
        ",\"casting_time\":\"1 rd.\",\"description\":"
        "\"A quill copies \\\"one\\\" page\\\\sheet.\\tSand is the \\u0001 component.\"}";
    EXPECT_EQ(lines[0].substr(lines[0].size() - std::min(lines[0].size(), firstTail.size())), firstTail);
    EXPECT_NE(lines[1].find(",\"casting_time\":\"1\",\"description\":\"A spark leaps.\"}"), std::string::npos)
        << lines[1];

    std::filesystem::remove(dir.file("wizard.txt"));
    dump = SpellIndex({"dump", Dir(), "wizard", "--descriptions"});
    EXPECT_EQ(dump.status, 0);
    lines = Lines(dump.out);
    ASSERT_EQ(lines.size(), 2u) << dump.out;
    for (const auto& line : lines)
        EXPECT_NE(line.find(",\"description\":null}"), std::string::npos) << line;
}

TEST_F(SpellIndexCli, ByteOrderMarkStaysOutOfTheFirstName) {
    WriteFile(dir.file("wizard.txt"), "\xEF\xBB\xBF" + kText);
    ASSERT_EQ(SpellIndex({"build", Dir(), "wizard"}).status, 0);
    const RunResult dump = SpellIndex({"dump", Dir(), "wizard"});
    EXPECT_EQ(dump.status, 0);
    const auto lines = Lines(dump.out);
    ASSERT_EQ(lines.size(), 2u) << dump.out;
    const std::string start = "{\"offset\":0,\"text_offset\":" + std::to_string(kText.find("A quill") + 3) +
                              ",\"name\":\"Quill of Patient Copying\",";
    EXPECT_EQ(lines[0].substr(0, start.size()), start);
}

TEST_F(SpellIndexCli, Cp1251TextIsWrittenAsUtf8) {
    // "Призыв" and "Школа" in Windows-1251; the description mixes in a 0x98.
    WriteFile(dir.file("wizard.txt"),
              "\xCF\xF0\xE8\xE7\xFB\xE2\n\xD8\xEA\xEE\xEB\xE0\n"
              "Range: Touch\tComponents: V\nDuration: 1\tCasting Time: 1\n"
              "Area of Effect: 1\tSaving Throw: None\nSource.\n\xC4\xE0\x98\n");
    ASSERT_EQ(SpellIndex({"build", Dir(), "wizard"}).status, 0);
    const RunResult dump = SpellIndex({"dump", Dir(), "wizard", "--descriptions"});
    EXPECT_EQ(dump.status, 0);
    EXPECT_NE(dump.out.find("\"name\":\"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB7\xD1\x8B\xD0\xB2\""),
              std::string::npos) << dump.out;
    EXPECT_NE(dump.out.find("\"school\":\"\xD0\xA8\xD0\xBA\xD0\xBE\xD0\xBB\xD0\xB0\""),
              std::string::npos) << dump.out;
    EXPECT_NE(dump.out.find("\"description\":\"\xD0\x94\xD0\xB0\xEF\xBF\xBD\""), std::string::npos)
        << dump.out;
}

TEST_F(SpellIndexCli, HandMadeIndexRecords) {
    const std::string longName(100, 'N');  // no terminator: read at full width
    WriteFile(dir.file("wizard.txt"), "Only text.\n");
    WriteFile(dir.file("wizard.idx"), RawRecord(-1, "Quote\"Back\\slash\ttab", -3, 8) +
                                          RawRecord(0, longName, 7, 1) + std::string(100, 'x'));
    const RunResult dump = SpellIndex({"dump", Dir(), "wizard", "--descriptions"});
    EXPECT_EQ(dump.status, 0);
    const auto lines = Lines(dump.out);
    ASSERT_EQ(lines.size(), 2u) << dump.out;  // the 100-byte tail is no record
    EXPECT_EQ(lines[0], "{\"offset\":0,\"text_offset\":-1,\"name\":\"Quote\\\"Back\\\\slash\\ttab\","
                        "\"level\":-3,\"school_image\":8,\"school\":\"\",\"range\":\"\",\"duration\":\"\","
                        "\"area\":\"\",\"components\":\"\",\"saving_throw\":\"\",\"casting_time\":\"\","
                        "\"description\":null}");
    EXPECT_EQ(lines[1], "{\"offset\":432,\"text_offset\":0,\"name\":\"" + longName +
                            "\",\"level\":7,\"school_image\":1,\"school\":\"\",\"range\":\"\","
                            "\"duration\":\"\",\"area\":\"\",\"components\":\"\",\"saving_throw\":\"\","
                            "\"casting_time\":\"\",\"description\":\"Only text.\"}");
}

TEST_F(SpellIndexCli, FailuresExitWithOneAndOneLine) {
    const RunResult build = SpellIndex({"build", Dir(), "wizard"});
    EXPECT_EQ(build.status, 1);
    EXPECT_EQ(build.out, "");
    EXPECT_EQ(build.err, "spellindex: can't open file " + dir.file("wizard.txt") + ": No such file or directory\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("wizard.idx")));

    const RunResult dump = SpellIndex({"dump", Dir(), "wizard"});
    EXPECT_EQ(dump.status, 1);
    EXPECT_EQ(dump.out, "");
    EXPECT_EQ(Lines(dump.err).size(), 1u) << dump.err;
    EXPECT_EQ(dump.err.rfind("spellindex: can't open index " + dir.file("wizard.idx"), 0), 0u) << dump.err;

    // An index that is a directory: the reason is named.
    std::filesystem::create_directory(dir.file("wizard.idx"));
    const RunResult dirDump = SpellIndex({"dump", Dir(), "wizard"});
    EXPECT_EQ(dirDump.status, 1);
    EXPECT_EQ(dirDump.out, "");
    EXPECT_EQ(dirDump.err, "spellindex: can't open index " + dir.file("wizard.idx") + ": Is a directory\n");
}

TEST_F(SpellIndexCli, WriteErrorExitsWithOneAndKeepsOldIndex) {
    const std::size_t bodyStart = kText.find("\nAlteration");
    const std::string body = kText.substr(bodyStart, kText.find("Second-Level") - bodyStart);
    std::string text;
    for (int i = 0; i < 300; ++i)  // an index of 300 x 432 bytes
        text += "Spell " + std::to_string(i) + body;
    WriteFile(dir.file("wizard.txt"), text);
    const std::string oldIndex(1000, 'O');
    WriteFile(dir.file("wizard.idx"), oldIndex);
    const RunResult build = SpellIndex({"build", Dir(), "wizard"}, FileSizeLimit(8192));
    EXPECT_EQ(build.status, 1);
    EXPECT_EQ(build.out, "");
    EXPECT_EQ(build.err, "spellindex: can't write index " + dir.file("wizard.idx") + ": File too large\n");
    EXPECT_EQ(ReadFile(dir.file("wizard.idx")), oldIndex);
    EXPECT_EQ(SpellIndex({"build", Dir(), "wizard"}).out, "300 records written to " + dir.file("wizard.idx") + "\n");
}

// Not built under ASan: AddressSanitizer reserves far more address space than the limit.
#if !defined(__SANITIZE_ADDRESS__)
TEST_F(SpellIndexCli, GigabyteLineTakesBoundedMemory) {
    const std::string head = "Long\nAlteration\nRange: 0\tComponents: V\nDuration: 1\tCasting Time: 1\n"
                             "Area of Effect: 1\tSaving Throw: None\nSource.\n";
    WriteSparse(dir.file("wizard.txt"), head, int64_t{1} << 30, "\n\nNext\n");
    const Prepare limit = AddressSpaceLimit(rlim_t{64} << 20);

    const RunResult build = SpellIndex({"build", Dir(), "wizard"}, limit);
    EXPECT_EQ(build.status, 0) << build.err;
    EXPECT_EQ(build.out, "1 records written to " + dir.file("wizard.idx") + "\n");

    const RunResult run = SpellIndex({"dump", Dir(), "wizard", "--descriptions"}, limit);
    EXPECT_EQ(run.status, 0) << run.err;
    // 1 MiB of zero bytes, each written as \u0000; compared without
    // printing megabytes on a failure.
    const std::string prefix = "{\"offset\":0,\"text_offset\":" + std::to_string(head.size()) +
                               ",\"name\":\"Long\",\"level\":1,\"school_image\":0,\"school\":\"Alteration\","
                               "\"range\":\"0\",\"duration\":\"1\",\"area\":\"1\",\"components\":\" V\","
                               "\"saving_throw\":\"None\",\"casting_time\":\"1\",\"description\":\"";
    const std::string& dump = run.out;
    EXPECT_EQ(dump.substr(0, prefix.size()), prefix);
    ASSERT_EQ(dump.size(), prefix.size() + 6 * 1024 * 1024 + 3);
    EXPECT_EQ(dump.substr(dump.size() - 9), "\\u0000\"}\n");
    EXPECT_EQ(dump.find_first_not_of("\\u0", prefix.size()), dump.size() - 3);
}
#endif

// The second entry's description starts one byte past INT32_MAX, after a
// hole of zero bytes.
TEST_F(SpellIndexCli, SpellsPastTwoGigabytesFailTheBuild) {
    WriteTextPastTwoGigabytes();
    const std::string oldIndex(432, 'O');
    WriteFile(dir.file("wizard.idx"), oldIndex);
    const RunResult build = SpellIndex({"build", Dir(), "wizard"});
    EXPECT_EQ(build.status, 1);
    EXPECT_EQ(build.out, "");
    EXPECT_EQ(build.err, "spellindex: can't index " + dir.file("wizard.txt") +
                             ": spells past 2 GiB cannot be stored in the index\n");
    EXPECT_EQ(ReadFile(dir.file("wizard.idx")), oldIndex);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

// Standard output that takes nothing: a full device, a pipe nobody reads.
TEST_F(SpellIndexCli, OutputThatCannotBeWrittenIsAFailure) {
    WriteFile(dir.file("wizard.txt"), kText);
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full, 0);
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ::close(pipeEnds[0]);  // nobody reads
    const struct {
        std::vector<std::string> args;
        int fd;
        const char* reason;
    } kCases[] = {
        {{"build", Dir(), "wizard"}, full, "No space left on device"},
        {{"dump", Dir(), "wizard"}, full, "No space left on device"},
        {{"dump", Dir(), "wizard", "--descriptions"}, pipeEnds[1], "Broken pipe"},
        {{"--help"}, full, "No space left on device"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.args[0] + " " + c.reason);
        const RunResult run = SpellIndex(c.args, StdoutTo(c.fd));
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, std::string("spellindex: can't write output: ") + c.reason + "\n");
    }
    ::close(full);
    ::close(pipeEnds[1]);
}

// More output than one buffer holds: a write fails before the last flush.
TEST_F(SpellIndexCli, FindOutputThatCannotBeWrittenIsAFailure) {
    std::string index;
    for (int i = 0; i < 100; ++i)
        index += RawRecord(0, "Lantern " + std::to_string(i), 1, 0);
    WriteFile(dir.file("wizard.idx"), index);
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full, 0);
    const RunResult run = SpellIndex({"find", Dir(), "wizard", "lantern"}, StdoutTo(full));
    ::close(full);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "spellindex: can't write output: No space left on device\n");
}

// Files the user may not read or write: the full path and the reason. As
// root the runs drop to the unprivileged user first.
TEST_F(SpellIndexCli, ErrorsNameThePathAndTheReason) {
    WriteFile(dir.file("wizard.txt"), kText);
    ::chmod(dir.file("wizard.txt").c_str(), 0600);
    ::chmod(dir.path().c_str(), 0777);
    RunResult run = SpellIndex({"build", Dir(), "wizard"}, Unprivileged());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "spellindex: can't open file " + dir.file("wizard.txt") + ": Permission denied\n");

    ::chmod(dir.file("wizard.txt").c_str(), 0644);
    WriteFile(dir.file("wizard.idx"), std::string(432, 'O'));
    ::chmod(dir.file("wizard.idx").c_str(), 0444);
    run = SpellIndex({"build", Dir(), "wizard"}, Unprivileged());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "spellindex: can't write index " + dir.file("wizard.idx") + ": Permission denied\n");

    ::chmod(dir.file("wizard.idx").c_str(), 0);
    run = SpellIndex({"dump", Dir(), "wizard"}, Unprivileged());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "spellindex: can't open index " + dir.file("wizard.idx") + ": Permission denied\n");

    std::filesystem::remove(dir.file("wizard.idx"));
    ::chmod(dir.path().c_str(), 0555);
    run = SpellIndex({"build", Dir(), "wizard"}, Unprivileged());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "spellindex: can't write index " + dir.file("wizard.idx") + ": can't create a file in " +
                           Dir() + ": Permission denied\n");
    ::chmod(dir.path().c_str(), 0700);
}

TEST(SpellIndexUsage, HelpAndWrongArguments) {
    for (const char* help : {"--help", "-h"}) {
        const RunResult run = SpellIndex({help});
        EXPECT_EQ(run.status, 0) << help;
        EXPECT_EQ(run.out.rfind("usage: spellindex build DATADIR CLASS\n", 0), 0u) << run.out;
        EXPECT_EQ(run.err, "");
    }
    // Each command's own help, wherever --help stands before "--".
    const std::vector<std::vector<std::string>> kCommandHelp = {
        {"build", "--help"}, {"dump", "/tmp", "--help"}, {"find", "/tmp", "wizard", "fire", "--help"}, {"check", "--help"}};
    for (const auto& args : kCommandHelp) {
        const RunResult run = SpellIndex(args);
        EXPECT_EQ(run.status, 0) << args[0];
        EXPECT_EQ(run.out.rfind("usage: spellindex " + args[0] + " DATADIR CLASS", 0), 0u) << run.out;
        EXPECT_EQ(run.out.find("usage: spellindex " + args[0] + " DATADIR CLASS", 1), std::string::npos) << run.out;
        EXPECT_EQ(run.err, "");
    }
    const std::vector<std::vector<std::string>> kWrong = {
        {},
        {"build"},
        {"build", "/tmp"},
        {"dump", "/tmp"},
        {"frob", "/tmp", "wizard"},
        {"build", "/tmp", "wizard", "extra"},
        {"dump", "/tmp", "wizard", "--verbose"},
        {"dump", "/tmp", "wizard", "--descriptions", "extra"},
        {"build", "/tmp", ""},
        {"build", "/tmp", "../wizard"},
        {"--help", "extra"},
    };
    for (const auto& args : kWrong) {
        std::string shown;
        for (const auto& a : args)
            shown += "'" + a + "' ";
        SCOPED_TRACE("arguments: " + shown);
        const RunResult run = SpellIndex(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("usage: spellindex"), std::string::npos) << run.err;
    }
}

TEST_F(SpellIndexCli, FindPrintsMatchingRecordsAsDumpDoes) {
    WriteFile(dir.file("wizard.txt"), kText);
    ASSERT_EQ(SpellIndex({"build", Dir(), "wizard"}).status, 0);
    const auto dump = Lines(SpellIndex({"dump", Dir(), "wizard"}).out);
    const auto dumpWithText = Lines(SpellIndex({"dump", Dir(), "wizard", "--descriptions"}).out);
    ASSERT_EQ(dump.size(), 2u);
    ASSERT_EQ(dumpWithText.size(), 2u);

    const struct {
        std::vector<std::string> args;
        std::vector<std::string> lines;
    } cases[] = {
        {{"QUILL"}, {dump[0]}},
        {{"mote", "yds."}, {dump[1]}},
        {{"quill", "mote"}, {}},
        {{"spark"}, {}},
        {{"--descriptions", "spark"}, {dumpWithText[1]}},
        {{"SAND", "--descriptions", "copying"}, {dumpWithText[0]}},
        {{"--level", "2"}, {dump[1]}},
        {{"--level=2"}, {dump[1]}},
        {{"--level", "3"}, {}},
        {{"--school", "(EVOCATION)"}, {dump[1]}},
        {{"--school", "Evocation"}, {}},
        {{"--descriptions"}, dumpWithText},
        {{}, dump},
        {{"--", "--level"}, dump},  // a term: no record has "-level"
        {{"--", "\"--level\""}, {}},
        {{"level:2", "-comp:m"}, {dump[1]}},
        {{"range:touch", "--school", "Alteration"}, {dump[0]}},
        {{"desc:spark"}, {dump[1]}},  // descriptions read, though not printed
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"find", Dir(), "wizard"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult find = SpellIndex(args);
        EXPECT_EQ(find.status, 0) << testing::PrintToString(c.args);
        EXPECT_EQ(find.err, "");
        EXPECT_EQ(Lines(find.out), c.lines) << testing::PrintToString(c.args);
    }
    const std::string emberStart =
        "{\"offset\":432,\"text_offset\":" + TextOffsetOf("A spark") + ",\"name\":\"Ember Mote\",";
    EXPECT_EQ(dump[1].substr(0, emberStart.size()), emberStart);
}

TEST_F(SpellIndexCli, FindFailuresAndWrongArguments) {
    RunResult find = SpellIndex({"find", Dir(), "wizard", "x"});
    EXPECT_EQ(find.status, 1);
    EXPECT_EQ(find.out, "");
    EXPECT_EQ(find.err, "spellindex: can't open index " + dir.file("wizard.idx") +
                            ": No such file or directory\n");

    WriteFile(dir.file("wizard.txt"), kText);
    ASSERT_EQ(SpellIndex({"build", Dir(), "wizard"}).status, 0);
    std::filesystem::remove(dir.file("wizard.txt"));
    find = SpellIndex({"find", Dir(), "wizard", "quill"});
    EXPECT_EQ(find.status, 0);
    EXPECT_EQ(Lines(find.out).size(), 1u);
    find = SpellIndex({"find", Dir(), "wizard", "--descriptions", "quill"});
    EXPECT_EQ(find.status, 1);
    EXPECT_EQ(find.out, "");
    EXPECT_EQ(find.err, "spellindex: can't open file " + dir.file("wizard.txt") +
                            ": No such file or directory\n");

    // Something other than a regular file: the reason, never a stale one.
    ASSERT_EQ(::mkfifo(dir.file("wizard.txt").c_str(), 0644), 0);
    find = SpellIndex({"find", Dir(), "wizard", "--descriptions", "quill"});
    EXPECT_EQ(find.status, 1);
    EXPECT_EQ(find.err, "spellindex: can't open file " + dir.file("wizard.txt") + ": not a regular file\n");
    std::filesystem::remove(dir.file("wizard.idx"));
    ASSERT_EQ(::mkfifo(dir.file("wizard.idx").c_str(), 0644), 0);
    find = SpellIndex({"find", Dir(), "wizard", "quill"});
    EXPECT_EQ(find.status, 1);
    EXPECT_EQ(find.err, "spellindex: can't open index " + dir.file("wizard.idx") + ": not a regular file\n");
    std::filesystem::remove(dir.file("wizard.idx"));
    std::filesystem::create_directory(dir.file("wizard.idx"));
    find = SpellIndex({"find", Dir(), "wizard", "quill"});
    EXPECT_EQ(find.status, 1);
    EXPECT_EQ(find.err, "spellindex: can't open index " + dir.file("wizard.idx") + ": Is a directory\n");

    for (const std::vector<std::string>& args : {std::vector<std::string>{"--level"},
                                                  {"--level", "two"},
                                                  {"--level", "2x"},
                                                  {"--school"},
                                                  {"--fuzzy", "x"}}) {
        std::vector<std::string> all = {"find", Dir(), "wizard"};
        all.insert(all.end(), args.begin(), args.end());
        find = SpellIndex(all);
        EXPECT_EQ(find.status, 2) << testing::PrintToString(args);
        EXPECT_EQ(find.out, "");
        EXPECT_EQ(find.err.substr(0, 7), "usage: ");
    }
}

// ---- spellindex check ------------------------------------------------------

namespace {

// Two entries; the second's range line has no tab, and the text ends inside
// its description.
const std::string kCheckedText =
    "Quill of Patient Copying\n"
    "Alteration\n"
    "Range: Touch\tComponents: V, S, M\n"
    "Duration: 1 hr./level\tCasting Time: 1 rd.\n"
    "Area of Effect: One quill\tSaving Throw: None\n"
    "Source: Tome.\n"
    "A quill copies one page.\n"
    "\n"
    "Ember \"Mote\"\n"
    "Evokation\n"
    "Range: 10 yds. Components: V\n"
    "Duration: Instantaneous\tCasting Time: 1\n"
    "Area of Effect: One creature\tSaving Throw: 1/2\n"
    "Source: Tome.\n"
    "A spark leaps.\n";

}  // namespace

TEST_F(SpellIndexCli, CheckPrintsWarningsLikeACompiler) {
    WriteFile(dir.file("wizard.txt"), kCheckedText);
    const RunResult check = SpellIndex({"check", Dir(), "wizard"});
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.err, "");
    const std::string file = dir.file("wizard.txt");
    EXPECT_EQ(Lines(check.out),
              (std::vector<std::string>{
                  file + ":10: warning: Ember \"Mote\": the school \"Evokation\" matches no school keyword: the "
                         "spell gets the generic icon [unknown-school]",
                  file + ":11: warning: Ember \"Mote\": no tab on the range line: the range field comes out "
                         "empty [missing-tab]",
                  file + ":15: note: Ember \"Mote\": the file ends inside this description: the spell is indexed, "
                         "but older readers of the format drop it [end-in-description]",
                  "2 spells, 2 warnings, 1 note"}));
    // No index is written.
    EXPECT_FALSE(std::filesystem::exists(dir.file("wizard.idx")));
}

TEST_F(SpellIndexCli, CheckJsonLines) {
    WriteFile(dir.file("wizard.txt"), kCheckedText);
    const RunResult check = SpellIndex({"check", Dir(), "wizard", "--json"});
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.err, "2 spells, 2 warnings, 1 note\n");
    const auto lines = Lines(check.out);
    ASSERT_EQ(lines.size(), 3u) << check.out;
    EXPECT_EQ(lines[1], "{\"file\":\"" + dir.file("wizard.txt") +
                            "\",\"line\":11,\"severity\":\"warning\",\"code\":\"missing-tab\",\"message\":\"no tab "
                            "on the range line: the range field comes out empty\",\"spell\":\"Ember \\\"Mote\\\"\"}");
    EXPECT_EQ(lines[2].rfind("{\"file\":\"" + dir.file("wizard.txt") +
                                 "\",\"line\":15,\"severity\":\"note\",\"code\":\"end-in-description\",",
                             0),
              0u)
        << lines[2];
}

TEST_F(SpellIndexCli, CheckOfACleanTextExitsWithZero) {
    // The current directory as DATADIR is not repeated in the file name.
    std::filesystem::copy_file(std::string(SPELLS_SAMPLES_DIR) + "/priest.txt", dir.file("priest.txt"));
    RunResult check;
    {
        const auto cwd = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
        check = SpellIndex({"check", ".", "priest"});
        std::filesystem::current_path(cwd);
    }
    EXPECT_EQ(check.status, 0);
    EXPECT_EQ(check.err, "");
    const auto lines = Lines(check.out);
    ASSERT_EQ(lines.size(), 2u) << check.out;
    EXPECT_EQ(lines[0].rfind("priest.txt:292: note: Heartwood Sanctuary: the file ends inside this description", 0),
              0u)
        << lines[0];
    EXPECT_EQ(lines[1], "29 spells, 0 warnings, 1 note");

    WriteFile(dir.file("wizard.txt"), "");
    const RunResult empty = SpellIndex({"check", Dir(), "wizard", "--json"});
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.out, "");
    EXPECT_EQ(empty.err, "0 spells, 0 warnings\n");
}

TEST_F(SpellIndexCli, CheckFailuresAndUsage) {
    const RunResult missing = SpellIndex({"check", Dir(), "wizard"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "spellindex: can't open file " + dir.file("wizard.txt") + ": No such file or directory\n");

    std::filesystem::create_directory(dir.file("priest.txt"));
    const RunResult directory = SpellIndex({"check", Dir(), "priest", "--json"});
    EXPECT_EQ(directory.status, 1);
    EXPECT_EQ(directory.out, "");
    EXPECT_EQ(Lines(directory.err).size(), 1u) << directory.err;
    EXPECT_EQ(directory.err.rfind("spellindex: can't ", 0), 0u) << directory.err;
    EXPECT_NE(directory.err.find("priest.txt: Is a directory"), std::string::npos) << directory.err;

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"check", Dir()}, {"check", Dir(), "wizard", "--yaml"}, {"check", Dir(), "wizard", "--json", "x"}}) {
        const RunResult run = SpellIndex(args);
        EXPECT_EQ(run.status, 2) << args.back();
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("spellindex check DATADIR CLASS [--json]"), std::string::npos) << run.err;
    }
}

// Findings are written as they are found: the check of 400,000 tiny
// entries (a warning each, 160 MB when they were all kept) takes no more
// memory than of a few.
#if !defined(__SANITIZE_ADDRESS__)
TEST_F(SpellIndexCli, CheckMemoryDoesNotGrowWithTheFindings) {
    std::string text;
    for (int i = 0; i < 400000; ++i)
        text += "A\nb\nc\nd\ne\nf\ng\n\n";
    WriteFile(dir.file("wizard.txt"), text);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(null, 0);
    const Prepare limit = AddressSpaceLimit(rlim_t{64} << 20);
    const RunResult check = SpellIndex({"check", Dir(), "wizard", "--json"}, [&] {
        limit();
        ::dup2(null, 1);
    });
    ::close(null);
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.err, "400000 spells, 400000 warnings, 1 note\n");
}
#endif

// Spells whose descriptions start past 2 GiB: a warning where the build
// fails, after a hole of zero bytes.
TEST_F(SpellIndexCli, CheckWarnsWhereTheBuildCannotIndex) {
    WriteTextPastTwoGigabytes();
    const RunResult check = SpellIndex({"check", Dir(), "wizard"});
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.err, "");
    EXPECT_EQ(Lines(check.out),
              (std::vector<std::string>{
                  dir.file("wizard.txt") + ":9: warning: Frost Rime: this spell's description starts past 2 GiB, "
                                           "where no index record can point: the build fails here (spells past 2 "
                                           "GiB cannot be stored in the index) [past-2-gib]",
                  "1 spell, 1 warning"}));
}

// A FIFO or a device as the text: the reason in words and the full path.
TEST_F(SpellIndexCli, CheckOfSomethingElseThanAFileNamesThePath) {
    ASSERT_EQ(::mkfifo(dir.file("wizard.txt").c_str(), 0644), 0);
    std::filesystem::create_symlink("/dev/zero", dir.file("priest.txt"));
    for (const std::string spellClass : {"wizard", "priest"}) {
        const RunResult run = SpellIndex({"check", Dir(), spellClass});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "spellindex: can't open file " + dir.file(spellClass + ".txt") + ": not a regular file\n");
    }
}

// Output that cannot be written ends the check with exit 1 and the reason.
TEST_F(SpellIndexCli, CheckOutputThatCannotBeWrittenIsAFailure) {
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += "A\nb\nc\nd\ne\nf\ng\n\n";
    WriteFile(dir.file("wizard.txt"), text);
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full, 0);
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ::close(pipeEnds[0]);
    for (const auto& [fd, json, reason] : {std::tuple{full, false, "No space left on device"},
                                           std::tuple{pipeEnds[1], true, "Broken pipe"}}) {
        SCOPED_TRACE(reason);
        std::vector<std::string> args = {"check", Dir(), "wizard"};
        if (json)
            args.push_back("--json");
        const RunResult run = SpellIndex(args, StdoutTo(fd));
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, std::string("spellindex: can't write output: ") + reason + "\n");
    }
    ::close(full);
    ::close(pipeEnds[1]);
}

// Every JSON string is UTF-8, also for a folder named in another encoding:
// decoded as the display decodes it (0xE9 is Windows-1251 "й").
TEST_F(SpellIndexCli, CheckJsonIsValidForAFolderNameThatIsNotUtf8) {
    const std::string folder = dir.file("caf\xE9");
    std::filesystem::create_directory(folder);
    WriteFile(folder + "/wizard.txt", kCheckedText);
    const RunResult check = SpellIndex({"check", folder, "wizard", "--json"});
    EXPECT_EQ(check.status, 1);
    const auto lines = Lines(check.out);
    ASSERT_EQ(lines.size(), 3u) << check.out;
    EXPECT_EQ(lines[0].rfind("{\"file\":\"" + dir.file("caf\xD0\xB9") + "/wizard.txt\",\"line\":10,", 0), 0u)
        << lines[0];
    // A strict parser takes every line.
    WriteFile(dir.file("out.json"), check.out);
    const std::string parse = "python3 -c 'import json, sys\n"
                              "for line in sys.stdin.buffer.read().decode(\"utf-8\").splitlines(): json.loads(line)' < " +
                              dir.file("out.json");
    EXPECT_EQ(std::system(parse.c_str()), 0);
}

TEST_F(SpellIndexCli, BookKeepsOnlyItsSpells) {
    WriteFile(dir.file("wizard.txt"), kText);
    ASSERT_EQ(SpellIndex({"build", Dir(), "wizard"}).status, 0);
    const auto dump = Lines(SpellIndex({"dump", Dir(), "wizard"}).out);
    ASSERT_EQ(dump.size(), 2u);
    // The book's order does not matter: records come in file order. A name
    // no longer in the index is passed over.
    WriteFile(dir.file("wizard.book"), "Spellbook\nEmber Mote\nGone Spell\n");
    WriteFile(dir.file("wizard-2.book"), "\xEF\xBB\xBFTonight\r\nEmber Mote\r\nQuill of Patient Copying\r\n");
    WriteFile(dir.file("wizard-3.book"), "Empty\n");
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> lines;
    } cases[] = {
        {{"dump", Dir(), "wizard", "--book", "Spellbook"}, {dump[1]}},
        {{"dump", Dir(), "wizard", "--book", "Tonight"}, dump},
        {{"dump", Dir(), "wizard", "--book", "Empty"}, {}},
        {{"find", Dir(), "wizard", "--book", "Tonight", "quill"}, {dump[0]}},
        {{"find", Dir(), "wizard", "mote", "--book", "Spellbook"}, {dump[1]}},
        {{"find", Dir(), "wizard", "--book", "Spellbook", "quill"}, {}},
    };
    for (const auto& c : cases) {
        const RunResult run = SpellIndex(c.args);
        EXPECT_EQ(run.status, 0) << testing::PrintToString(c.args) << run.err;
        EXPECT_EQ(Lines(run.out), c.lines) << testing::PrintToString(c.args);
    }
    const std::string withText = SpellIndex({"dump", Dir(), "wizard", "--book", "Spellbook", "--descriptions"}).out;
    EXPECT_NE(withText.find("A spark leaps."), std::string::npos) << withText;

    for (const char* command : {"dump", "find"}) {
        const RunResult unknown = SpellIndex({command, Dir(), "wizard", "--book", "Nope"});
        EXPECT_EQ(unknown.status, 1);
        EXPECT_EQ(unknown.out, "");
        EXPECT_EQ(unknown.err, "spellindex: no spellbook 'Nope' in " + dir.prefix() + "wizard.book or " +
                                   dir.prefix() + "wizard-<n>.book\n");
        for (const std::vector<std::string>& wrong :
             {std::vector<std::string>{command, Dir(), "wizard", "--book"},
              {command, Dir(), "wizard", "--book", "Empty", "--book", "Tonight"}}) {
            const RunResult usage = SpellIndex(wrong);
            EXPECT_EQ(usage.status, 2) << testing::PrintToString(wrong);
            EXPECT_NE(usage.err.find("usage: spellindex"), std::string::npos);
        }
    }
}
