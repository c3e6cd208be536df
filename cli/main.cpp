// SPDX-License-Identifier: MIT
// spellindex: builds and inspects spell index files from the command line.

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Arguments.h"
#include "BuildConfig.h"
#include "CheckCommand.h"
#include "FindCommand.h"
#include "IndexBuilder.h"
#include "IndexReader.h"
#include "Messages.h"
#include "Output.h"
#include "RecordJson.h"
#include "SpellBook.h"
#include "SpellFiles.h"
#include "SpellRecord.h"
#include "StatusMessage.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Each command's usage line and what it does; --help prints them all,
// COMMAND --help the command's own.
struct CommandHelp {
    std::string_view name;
    const char* usage;
    const char* text;
};

constexpr CommandHelp kCommands[] = {
    {"build", "spellindex build DATADIR CLASS\n",
     "  build  builds DATADIR/CLASS.idx from the spell text DATADIR/CLASS.txt\n"
     "         and prints the number of records written\n"},
    {"dump", "spellindex dump DATADIR CLASS [--descriptions] [--book NAME]\n",
     "  dump   prints DATADIR/CLASS.idx as JSON Lines, one object per record;\n"
     "         --descriptions adds each spell's description from CLASS.txt\n"
     "  --book NAME  keeps only the spells of the spellbook NAME,\n"
     "         kept in DATADIR/CLASS.book or DATADIR/CLASS-<n>.book\n"},
    {"find", "spellindex find DATADIR CLASS [--descriptions] [--book NAME] [--level N] [--school TEXT] [TERM...]\n",
     "  find   prints the records that match, as dump does: every TERM occurs,\n"
     "         case-insensitively, in one of the fields or, with --descriptions,\n"
     "         in the description; --level and --school keep only that level\n"
     "         and School/Sphere; --book NAME as for dump. Each TERM argument\n"
     "         is one term:\n"
     "           TERM            in any field\n"
     "           \"two words\"     a phrase, white space included\n"
     "           FIELD:TERM      in one field only; FIELD:\"two words\" too\n"
     "           -TERM  -FIELD:TERM   only records it does not match\n"
     "           level:3  level:2-4   a level, a range of levels\n"
     "           comp:m          V, S or M as an item of the components;\n"
     "                           -comp:m means no material component\n"
     "         FIELD is name, level, school (sphere), range, duration, area,\n"
     "         components (comp), time, save or desc (the description, read\n"
     "         with or without --descriptions), in any case. An unknown FIELD\n"
     "         or an unclosed quote prints one line and exits 2\n"},
    {"check", "spellindex check DATADIR CLASS [--json]\n",
     "  check  reports lines of DATADIR/CLASS.txt that are probably not read as\n"
     "         meant, as FILE:LINE: warning: MESSAGE; --json prints JSON Lines;\n"
     "         exits 1 when there are warnings\n"},
};

constexpr const char* kUsageEnd =
    "\n"
    "An option's value follows a blank or an equals sign (--level 4,\n"
    "--level=4); every command takes --help for its own usage.\n"
    "CLASS is the file name without extension, normally wizard or priest.\n";

int Finish(std::FILE* out, int status) {
    if (out == stdout && FinishOutput() != kExitOk)
        return kExitFailure;
    return status;
}

// The usage of every command.
int Usage(std::FILE* out, int status) {
    const char* prefix = "usage: ";
    for (const CommandHelp& command : kCommands) {
        std::fputs(prefix, out);
        std::fputs(command.usage, out);
        prefix = "       ";
    }
    std::fputs("       spellindex --version\n\n", out);
    for (const CommandHelp& command : kCommands)
        std::fputs(command.text, out);
    std::fputs(kUsageEnd, out);
    return Finish(out, status);
}

// One command's usage, for COMMAND --help.
int CommandUsage(const CommandHelp& command) {
    std::printf("usage: %s\n%s%s", command.usage, command.text, kUsageEnd);
    return Finish(stdout, kExitOk);
}

bool IsValidClass(std::string_view spellClass) {
    return !spellClass.empty() && spellClass.find('/') == std::string_view::npos;
}

// The directory as a data-directory prefix, ending in '/'.
std::string DataDirPrefix(std::string_view dir) {
    std::string prefix = dir.empty() ? std::string("./") : std::string(dir);
    if (prefix.back() != '/')
        prefix.push_back('/');
    return prefix;
}

int Build(const std::string& dataDir, std::string_view spellClass) {
    const BuildResult result = BuildIndexIn(dataDir, spellClass, 1);
    if (!result.ok())
        return Fail(StatusMessage(result.status));
    std::printf("%zu records written to %s\n", result.nRecords, IndexPath(dataDir, spellClass).c_str());
    return FinishOutput();
}

int Dump(const std::string& dataDir, std::string_view spellClass, bool withDescriptions,
         const std::optional<std::string_view>& bookName) {
    SpellBook book;
    if (bookName) {
        BookRead read = ReadBookNamed(dataDir, spellClass, *bookName);
        if (!read.ok())
            return Fail(read.strMessage);
        book = std::move(read.book);
    }
    const std::string path = IndexPath(dataDir, spellClass);
    IndexReader index;
    if (!index.Open(path))
        return Fail(messages::CannotOpenIndex(path, ErrorReason(index.Error())));
    const std::string textPath = TextPath(dataDir, spellClass);
    SpellRecord record;
    while (index.Next(record)) {
        if (bookName && !book.Has(FieldText(record.szName)))
            continue;
        const std::string line =
            RecordJson(record, index.LastOffset(), withDescriptions, textPath) + "\n";
        if (!WriteOutput(line))
            return FinishOutput();
    }
    if (index.Failed())
        return Fail(messages::CannotReadIndex(path, ErrorReason(index.Error())));
    return FinishOutput();
}

}  // namespace

int main(int argc, char** argv) {
    // A closed pipe is an output error like any other, reported with exit 1.
    std::signal(SIGPIPE, SIG_IGN);
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0))
        return Usage(stdout, kExitOk);
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("spellindex (Spells) %s\n", kProductVersion);
        return kExitOk;
    }
    if (argc < 2)
        return Usage(stderr, kExitUsage);
    const std::string_view name = argv[1];
    const auto command = std::find_if(std::begin(kCommands), std::end(kCommands),
                                      [&](const CommandHelp& c) { return c.name == name; });
    if (command == std::end(kCommands))
        return Usage(stderr, kExitUsage);

    static constexpr OptionSpec kDumpOptions[] = {{"descriptions"}, {"book", true}};
    static constexpr OptionSpec kCheckOptions[] = {{"json"}};
    std::span<const OptionSpec> specs;
    if (name == "dump")
        specs = kDumpOptions;
    else if (name == "check")
        specs = kCheckOptions;
    else if (name == "find")
        specs = FindOptions();
    std::optional<Arguments> arguments = ParseArguments({argv + 2, argv + argc}, specs);
    if (!arguments)
        return Usage(stderr, kExitUsage);
    if (arguments->help)
        return CommandUsage(*command);
    // DATADIR and CLASS, then find's terms.
    std::vector<std::string_view>& operands = arguments->operands;
    if (operands.size() < 2 || (name != "find" && operands.size() > 2))
        return Usage(stderr, kExitUsage);
    const std::string_view spellClass = operands[1];
    if (!IsValidClass(spellClass)) {
        std::fprintf(stderr, "spellindex: bad class name '%.*s'\n", static_cast<int>(spellClass.size()),
                     spellClass.data());
        return Usage(stderr, kExitUsage);
    }
    const std::string dataDir = DataDirPrefix(operands[0]);
    operands.erase(operands.begin(), operands.begin() + 2);

    if (name == "build")
        return Build(dataDir, spellClass);
    if (name == "find") {
        const std::optional<int> status = RunFind(dataDir, spellClass, *arguments);
        return status ? *status : Usage(stderr, kExitUsage);
    }
    if (name == "dump")
        return Dump(dataDir, spellClass, arguments->Has("descriptions"), arguments->Value("book"));
    return RunCheck(dataDir, spellClass, arguments->Has("json"));
}
