// SPDX-License-Identifier: MIT
// `spellindex find` run in this process, so that a test can step in
// between its matching and its printing.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FindCommand.h"
#include "TestFiles.h"

namespace {

// A 432-byte record with a text offset and a name; other fields empty.
std::string RawRecord(int32_t textOffset, std::string_view name) {
    std::string bytes(432, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<char>((static_cast<uint32_t>(textOffset) >> (8 * i)) & 0xFF);
    bytes.replace(4, name.size(), name);
    return bytes;
}

std::string Find(const TempDir& dir, std::vector<std::string> args, const std::function<void()>& between = {}) {
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    testing::internal::CaptureStdout();
    const std::optional<Arguments> parsed = ParseArguments(argv, FindOptions());
    EXPECT_TRUE(parsed);
    const std::optional<int> status = RunFind(dir.path().string() + "/", "wizard", *parsed, between);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(status, 0);
    return out;
}

TEST(FindCommand, PrintsTheRecordsItMatchedThoughANewIndexIsRenamedOverIt) {
    TempDir dir;
    WriteFile(dir.file("wizard.idx"), RawRecord(0, "Other 1") + RawRecord(0, "Lantern") + RawRecord(0, "Other 2"));
    WriteFile(dir.file("new.idx"), RawRecord(0, "Other 3") + RawRecord(0, "Other 4") + RawRecord(0, "Other 5"));
    const std::string out = Find(dir, {"lantern"}, [&] {
        std::filesystem::rename(dir.file("new.idx"), dir.file("wizard.idx"));
    });
    EXPECT_EQ(out.rfind("{\"offset\":432,\"text_offset\":0,\"name\":\"Lantern\",", 0), 0u) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1);
}

TEST(FindCommand, EachTermIsDecodedOnItsOwn) {
    TempDir dir;
    // "Жук Огонь" in UTF-8.
    WriteFile(dir.file("wizard.idx"), RawRecord(0, "\xD0\x96\xD1\x83\xD0\xBA \xD0\x9E\xD0\xB3\xD0\xBE\xD0\xBD\xD1\x8C") +
                                          RawRecord(0, "Other"));
    // жук in UTF-8 and огонь in Windows-1251, each alone and together.
    for (const std::vector<std::string>& terms :
         {std::vector<std::string>{"\xD0\xB6\xD1\x83\xD0\xBA"}, {"\xEE\xE3\xEE\xED\xFC"},
          {"\xD0\xB6\xD1\x83\xD0\xBA", "\xEE\xE3\xEE\xED\xFC"}}) {
        const std::string out = Find(dir, terms);
        EXPECT_EQ(out.rfind("{\"offset\":0,\"text_offset\":0,", 0), 0u) << testing::PrintToString(terms) << out;
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1);
    }
}

std::vector<std::string> Names(const std::string& out) {
    std::vector<std::string> names;
    for (std::size_t at = out.find("\"name\":\""); at != std::string::npos; at = out.find("\"name\":\"", at + 1)) {
        const std::size_t begin = at + 8;
        names.push_back(out.substr(begin, out.find('"', begin) - begin));
    }
    return names;
}

TEST(FindCommand, EachArgumentIsOneTermAsTheFindBarReadsIt) {
    TempDir dir;
    WriteFile(dir.file("wizard.idx"), RawRecord(0, "Ice Storm") + RawRecord(0, "Storm of Ice") + RawRecord(0, "Lantern"));
    using Names_ = std::vector<std::string>;
    EXPECT_EQ(Names(Find(dir, {"\"ice storm\""})), Names_{"Ice Storm"});
    EXPECT_EQ(Names(Find(dir, {"ice storm"})), (Names_{"Ice Storm", "Storm of Ice"}));
    EXPECT_EQ(Names(Find(dir, {"-name:ice"})), Names_{"Lantern"});  // no -- needed
    EXPECT_EQ(Names(Find(dir, {"storm", "-name:\"ice storm\""})), Names_{"Storm of Ice"});
    EXPECT_EQ(Names(Find(dir, {"--", "-lantern"})), (Names_{"Ice Storm", "Storm of Ice"}));
}

TEST(FindCommand, AQueryErrorIsOneLineAndExitStatus2) {
    TempDir dir;
    WriteFile(dir.file("wizard.idx"), RawRecord(0, "Lantern"));
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"lantern", "colour:red"},
         "spellindex: unknown field 'colour:': name, level, school, sphere, range, duration, area, comp, time, "
         "save or desc\n"},
        {{"\"ice storm"}, "spellindex: a quote is not closed\n"},
        {{"level:x"}, "spellindex: level: wants a level or a range such as 2-4, not 'x'\n"},
    };
    for (auto c : cases) {
        std::vector<char*> argv;
        for (std::string& a : c.args)
            argv.push_back(a.data());
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const std::optional<Arguments> parsed = ParseArguments(argv, FindOptions());
        ASSERT_TRUE(parsed);
        const std::optional<int> status = RunFind(dir.path().string() + "/", "wizard", *parsed);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.err);
        EXPECT_EQ(status, 2) << c.args.back();
    }
}

// How options and terms are told apart, read as getopt_long reads them.
TEST(Arguments, OptionsTakeTheirValueEitherWayAndSingleDashWordsAreTerms) {
    const OptionSpec specs[] = {{"descriptions"}, {"level", true, true}, {"book", true}};
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> operands;
        std::vector<std::string> given;  // name=value, in order
    } cases[] = {
        {{"--level=4", "fire"}, {"fire"}, {"level=4"}},
        {{"--level", "4", "fire"}, {"fire"}, {"level=4"}},
        {{"-comp:m", "--level", "-3", "-x"}, {"-comp:m", "-x"}, {"level=-3"}},
        {{"--desc", "ice"}, {"ice"}, {"descriptions="}},  // an unambiguous abbreviation
        {{"a", "--", "--level", "-h"}, {"a", "--level", "-h"}, {}},
        {{"--level", "2", "--level=3"}, {}, {"level=2", "level=3"}},
        {{"--book=", "x"}, {"x"}, {"book="}},
    };
    for (auto c : cases) {
        std::vector<char*> argv;
        for (std::string& a : c.args)
            argv.push_back(a.data());
        const std::optional<Arguments> parsed = ParseArguments(argv, specs);
        ASSERT_TRUE(parsed) << testing::PrintToString(c.args);
        EXPECT_FALSE(parsed->help);
        EXPECT_EQ(std::vector<std::string>(parsed->operands.begin(), parsed->operands.end()), c.operands);
        std::vector<std::string> given;
        for (const auto& [name, value] : parsed->given)
            given.push_back(std::string(name) + "=" + std::string(value));
        EXPECT_EQ(given, c.given) << testing::PrintToString(c.args);
    }

    for (std::vector<std::string> wrong : std::vector<std::vector<std::string>>{
             {"--level"}, {"--descriptions=yes"}, {"--fuzzy"}, {"--book", "a", "--book", "b"}}) {
        std::vector<char*> argv;
        for (std::string& a : wrong)
            argv.push_back(a.data());
        EXPECT_FALSE(ParseArguments(argv, specs)) << testing::PrintToString(wrong);
    }
    std::string help = "--help", term = "x";
    std::vector<char*> argv = {term.data(), help.data()};
    const std::optional<Arguments> parsed = ParseArguments(argv, specs);
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(parsed->help);
}

}  // namespace
