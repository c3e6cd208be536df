// SPDX-License-Identifier: MIT
// spellindex: builds and inspects spell index files from the command line.

#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "BuildConfig.h"
#include "CheckCommand.h"
#include "FindCommand.h"
#include "IndexBuilder.h"
#include "IndexReader.h"
#include "Messages.h"
#include "Output.h"
#include "RecordJson.h"
#include "RegularFile.h"
#include "SpellBook.h"
#include "SpellFiles.h"
#include "SpellRecord.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: spellindex build DATADIR CLASS\n"
    "       spellindex dump DATADIR CLASS [--descriptions] [--book NAME]\n"
    "       spellindex find DATADIR CLASS [--descriptions] [--book NAME] [--level N] [--school TEXT] [TERM...]\n"
    "       spellindex check DATADIR CLASS [--json]\n"
    "       spellindex --version\n"
    "\n"
    "  build  builds DATADIR/CLASS.idx from the spell text DATADIR/CLASS.txt\n"
    "         and prints the number of records written\n"
    "  dump   prints DATADIR/CLASS.idx as JSON Lines, one object per record;\n"
    "         --descriptions adds each spell's description from CLASS.txt\n"
    "  find   prints the records that match, as dump does: every TERM occurs,\n"
    "         case-insensitively, in one of the fields or, with --descriptions,\n"
    "         in the description; --level and --school keep only that level\n"
    "         and School/Sphere. Each TERM argument is one term:\n"
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
    "         or an unclosed quote prints one line and exits 2\n"
    "  --book NAME  (dump, find) keeps only the spells of the spellbook NAME,\n"
    "         kept in DATADIR/CLASS.book or DATADIR/CLASS-<n>.book\n"
    "  check  reports lines of DATADIR/CLASS.txt that are probably not read as\n"
    "         meant, as FILE:LINE: warning: MESSAGE; --json prints JSON Lines;\n"
    "         exits 1 when there are warnings\n"
    "\n"
    "CLASS is the file name without extension, normally wizard or priest.\n";

int Usage(std::FILE* out, int status) {
    std::fputs(kUsage, out);
    if (out == stdout && FinishOutput() != kExitOk)
        return kExitFailure;
    return status;
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
        return Fail(result.strPathMessage);
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
        if (bookName && !book.Has(std::string(FieldText(record.szName))))
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
    if (argc < 4)
        return Usage(stderr, kExitUsage);

    const std::string_view command = argv[1];
    const std::string_view spellClass = argv[3];
    if (!IsValidClass(spellClass)) {
        std::fprintf(stderr, "spellindex: bad class name '%s'\n", argv[3]);
        return Usage(stderr, kExitUsage);
    }
    const std::string dataDir = DataDirPrefix(argv[2]);

    if (command == "build" && argc == 4)
        return Build(dataDir, spellClass);
    if (command == "find") {
        const std::optional<int> status = RunFind(dataDir, spellClass, {argv + 4, argv + argc});
        return status ? *status : Usage(stderr, kExitUsage);
    }
    if (command == "dump") {
        bool descriptions = false;
        std::optional<std::string_view> book;
        for (int i = 4; i < argc; ++i) {
            if (std::strcmp(argv[i], "--descriptions") == 0 && !descriptions)
                descriptions = true;
            else if (std::strcmp(argv[i], "--book") == 0 && !book && i + 1 < argc)
                book = argv[++i];
            else
                return Usage(stderr, kExitUsage);
        }
        return Dump(dataDir, spellClass, descriptions, book);
    }
    if (command == "check" && (argc == 4 || (argc == 5 && std::strcmp(argv[4], "--json") == 0)))
        return RunCheck(dataDir, spellClass, argc == 5);
    return Usage(stderr, kExitUsage);
}
