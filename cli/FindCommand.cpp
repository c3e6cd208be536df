// SPDX-License-Identifier: MIT
#include "FindCommand.h"

#include <charconv>
#include <string>

#include "IndexReader.h"
#include "LineReader.h"
#include "Messages.h"
#include "Output.h"
#include "RecordJson.h"
#include "SpellBook.h"
#include "SpellFiles.h"
#include "SpellSearch.h"
#include "StatusMessage.h"

namespace {

constexpr int kExitQueryError = 2;  // as for a usage mistake

constexpr OptionSpec kFindOptions[] = {
    {"descriptions", false, true}, {"level", true, true}, {"school", true, true}, {"book", true, false}};

struct FindArguments {
    std::vector<QueryTerm> terms;  // each argument read as typed in the find bar
    std::string strError;          // why an argument is not a query term
    std::optional<int32_t> level;
    std::optional<std::string> school;
    bool descriptions = false;
    std::optional<std::string> book;  // keep only this spellbook's spells
};

std::optional<int32_t> ParseInt(std::string_view text) {
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<FindArguments> ReadFindArguments(const Arguments& arguments) {
    FindArguments parsed;
    parsed.descriptions = arguments.Has("descriptions");
    if (const auto level = arguments.Value("level"); level && !(parsed.level = ParseInt(*level)))
        return std::nullopt;
    if (const auto school = arguments.Value("school"))
        parsed.school = std::string(*school);
    if (const auto book = arguments.Value("book"))
        parsed.book = std::string(*book);
    // One argument is one term, so that `-comp:m` and '"ice storm"' mean
    // what they mean in the find bar.
    for (const std::string_view term : arguments.operands)
        if (parsed.strError.empty())
            parsed.strError = ParseTerms(term, parsed.terms);
    return parsed;
}

}  // namespace

std::span<const OptionSpec> FindOptions() {
    return kFindOptions;
}

std::optional<int> RunFind(const std::string& dataDir, std::string_view spellClass, const Arguments& args,
                           const std::function<void()>& afterMatching) {
    const std::optional<FindArguments> arguments = ReadFindArguments(args);
    if (!arguments)
        return std::nullopt;
    if (!arguments->strError.empty()) {
        Fail(arguments->strError);
        return kExitQueryError;
    }
    const std::string indexPath = IndexPath(dataDir, spellClass);
    const std::string textPath = TextPath(dataDir, spellClass);
    SpellBook book;
    if (arguments->book) {
        BookRead read = ReadBookNamed(dataDir, spellClass, *arguments->book);
        if (!read.ok())
            return Fail(read.strMessage);
        book = std::move(read.book);
    }

    IndexReader index;
    if (!index.Open(indexPath))
        return Fail(messages::CannotOpenIndex(indexPath, ErrorReason(index.Error())));
    if (arguments->descriptions) {
        LineReader text;
        if (!text.Open(textPath))
            return Fail(messages::CannotOpenFile(textPath, ErrorReason(text.Error())));
    }

    SpellSearchIndex rows;
    rows.Reserve(static_cast<std::size_t>(index.RecordCount()));
    SpellRecord record;
    while (index.Next(record))
        rows.AddRecord(record);
    if (index.Failed())
        return Fail(messages::CannotReadIndex(indexPath, ErrorReason(index.Error())));

    SpellQuery query =
        MakeQuery("", arguments->level,
                  arguments->school ? std::optional<std::string_view>(*arguments->school) : std::nullopt,
                  arguments->descriptions);
    query.terms = arguments->terms;
    const SearchResult found = FindSpells(rows, query, textPath);
    if (!found.ok())
        return Fail(found.strMessage);
    if (afterMatching)
        afterMatching();

    // The matching records, read again in file order from the file they
    // were matched in: an index renamed over it meanwhile is not read.
    if (!index.Rewind())
        return Fail(messages::CannotReadIndex(indexPath, ErrorReason(index.Error())));
    std::size_t next = 0;
    for (uint32_t row = 0; next < found.rows.size() && index.Next(record); ++row) {
        if (found.rows[next] != row)
            continue;
        ++next;
        if (arguments->book && !book.Has(FieldText(record.szName)))
            continue;
        if (!WriteOutput(RecordJson(record, index.LastOffset(), arguments->descriptions, textPath) + "\n"))
            return FinishOutput();
    }
    if (index.Failed())
        return Fail(messages::CannotReadIndex(indexPath, ErrorReason(index.Error())));
    return FinishOutput();
}
