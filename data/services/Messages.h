// SPDX-License-Identifier: MIT
#pragma once
// Every message the program shows or prints about a failure, in one place.
// Texts are UTF-8; the two Russian ones are the program's own words.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace messages {

// No index file for the class, or it cannot be opened.
inline constexpr std::string_view kNoIndex = "нету индекса";
// Asked before an index build: Yes builds the wizard index, No the priest's.
inline constexpr std::string_view kCreateIndexQuestion = "Вы хотите создать индекс для Wizard?";
// Caption of every message box.
inline constexpr std::string_view kCaption = "Spells";
// The reason given when the browser runs out of memory while it loads a list.
inline constexpr std::string_view kNotEnoughMemory = "not enough memory";
// The reason given for a FIFO, a device or a socket where a file should be.
inline constexpr std::string_view kNotRegularFile = "not a regular file";

// "<what> <name>", followed by ": <reason>" when a reason is given.
inline std::string WithReason(std::string_view what, std::string_view name,
                              std::string_view reason = {}) {
    std::string text;
    text.reserve(what.size() + name.size() + reason.size() + 3);
    text.append(what).append(name);
    if (!reason.empty())
        text.append(": ").append(reason);
    return text;
}

// "can't open file wizard.txt[: reason]"
inline std::string CannotOpenFile(std::string_view name, std::string_view reason = {}) {
    return WithReason("can't open file ", name, reason);
}
// "can't read file wizard.txt: reason"
inline std::string CannotReadFile(std::string_view name, std::string_view reason) {
    return WithReason("can't read file ", name, reason);
}
// "can't write index wizard.idx: reason"
inline std::string CannotWriteIndex(std::string_view name, std::string_view reason) {
    return WithReason("can't write index ", name, reason);
}
// "can't open index wizard.idx: reason"
inline std::string CannotOpenIndex(std::string_view name, std::string_view reason) {
    return WithReason("can't open index ", name, reason);
}
// "can't read index wizard.idx: reason"
inline std::string CannotReadIndex(std::string_view name, std::string_view reason) {
    return WithReason("can't read index ", name, reason);
}
// "can't use data folder /path/: reason": a data directory given on the
// command line or in SPELLS_DATA_DIR that is missing or no directory.
inline std::string CannotUseDataDir(std::string_view dir, std::string_view reason) {
    return WithReason("can't use data folder ", dir, reason);
}
// "can't create data folder /path/: reason"
inline std::string CannotCreateDataDir(std::string_view dir, std::string_view reason) {
    return WithReason("can't create data folder ", dir, reason);
}
// Neither XDG_DATA_HOME, HOME nor the password database names a home folder.
inline constexpr std::string_view kNoHomeFolder = "can't find the home folder for the data folder";
// Command-line mistakes of the browser, printed before its usage.
inline constexpr std::string_view kDataDirTwice = "--data-dir given more than once";
inline constexpr std::string_view kEmptyDataDir = "--data-dir needs a folder";
inline constexpr std::string_view kPdfOptionsWithoutPdf = "--cards and --book go with --pdf";
inline constexpr std::string_view kPdfOptionTwice = "--pdf and --book are given once";
inline constexpr std::string_view kPdfNeedsFile = "--pdf needs a file name";
inline constexpr std::string_view kPdfNeedsClass = "--pdf needs a class: wizard or priest";
inline std::string UnknownSpellClass(std::string_view name) {
    return "unknown spell class '" + std::string(name) + "': wizard or priest";
}
inline std::string TooManyArguments(std::string_view extra) {
    return "unexpected argument '" + std::string(extra) + "'";
}
// "can't write output: reason"
inline std::string CannotWriteOutput(std::string_view reason) {
    return WithReason("can't write output", "", reason);
}
// "can't search the list: not enough memory": a search of the find bar
// that ran out of memory; the whole list is shown again.
inline std::string CannotSearchList(std::string_view reason) {
    return WithReason("can't search the list", "", reason);
}
// Mistakes in the query of the find bar and `spellindex find`: the field
// is marked with the reason and nothing is filtered.
inline std::string UnknownQueryField(std::string_view name) {
    return "unknown field '" + std::string(name) +
           ":': name, level, school, sphere, range, duration, area, comp, time, save or desc";
}
inline constexpr std::string_view kUnclosedQuote = "a quote is not closed";
inline std::string EmptyQueryTerm(std::string_view name) {
    return "nothing follows '" + std::string(name) + ":'";
}
inline std::string BadQueryLevel(std::string_view term) {
    return "level: wants a level or a range such as 2-4, not '" + std::string(term) + "'";
}
// "can't index wizard.txt: spells past 2 GiB cannot be stored in the index"
inline std::string CannotIndexText(std::string_view name) {
    return WithReason("can't index ", name, "spells past 2 GiB cannot be stored in the index");
}
// The text was saved while its index was built from it.
inline std::string TextChangedWhileIndexed(std::string_view name) {
    return WithReason("can't index ", name, "it changed while it was read; build the index again");
}
// "can't create a file in /data: reason", the reason for a failed build
// when the index's directory does not take a new file.
inline std::string CannotCreateFileIn(std::string_view directory, std::string_view reason) {
    return WithReason("can't create a file in ", directory, reason);
}
// "can't insert spell <name>": the literal ends in a blank.
inline std::string CannotInsertSpell(std::string_view spellName) {
    return WithReason("can't insert spell ", spellName);
}

// ---- The check of a spell text, and the notices about an index ----------
// Quoted texts from the spell file come in as UTF-8, quotes included.

inline std::string Plural(std::size_t n, std::string_view one, std::string_view many) {
    return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

// "190 spells, 3 warnings", and ", 1 note" when there are notes.
inline std::string CheckSummary(std::size_t spells, std::size_t warnings, std::size_t notes) {
    std::string text = Plural(spells, "spell", "spells") + ", " + Plural(warnings, "warning", "warnings");
    if (notes > 0)
        text += ", " + Plural(notes, "note", "notes");
    return text;
}

// Names of the record's fields in messages, in field order.
inline constexpr std::string_view kFieldLabels[] = {
    "name", "level", "school", "range", "duration", "area of effect", "components",
    "saving throw", "casting time"};
inline constexpr std::string_view kSphereLabel = "sphere";
// Names of the field lines in messages: "the range line".
inline constexpr std::string_view kSphereLine = "sphere";
inline constexpr std::string_view kRangeLine = "range";
inline constexpr std::string_view kDurationLine = "duration";
inline constexpr std::string_view kAreaLine = "area";

inline std::string ParagraphReadAsSpell(std::string_view previousSpell, std::size_t missing,
                                        std::size_t markers, std::string_view missingMarkers) {
    const std::string lack = "lack " + std::to_string(missing) + " of their " +
                             std::to_string(markers) + " markers (" + std::string(missingMarkers) + ")";
    if (previousSpell.empty())
        return "the field lines of this spell " + lack;
    return "this line begins with a capital letter after a blank line in the description of " +
           std::string(previousSpell) + ", so it starts a new spell, whose field lines " + lack +
           "; to keep it in the description, indent it or begin it with a lower-case letter";
}
inline std::string MissingMarker(std::string_view marker, std::string_view lineLabel,
                                 std::string_view field, std::string_view quotedValue) {
    return "no \"" + std::string(marker) + "\" on the " + std::string(lineLabel) + " line: the " +
           std::string(field) + " field" +
           (quotedValue.empty() ? std::string(" comes out empty") : " comes out as " + std::string(quotedValue));
}
inline std::string MissingTab(std::string_view lineLabel, std::string_view field) {
    return "no tab on the " + std::string(lineLabel) + " line: the " + std::string(field) +
           " field comes out empty";
}
inline std::string TabBeforeValue(std::string_view lineLabel, std::string_view field) {
    return "the first tab of the " + std::string(lineLabel) + " line stands before the " +
           std::string(field) + ": the " + std::string(field) + " field comes out empty";
}
inline std::string FieldTooLong(std::string_view field, std::size_t bytes, std::size_t kept,
                                std::string_view quotedKept) {
    return "the " + std::string(field) + " field is " + std::to_string(bytes) +
           " bytes long; the index keeps " + std::to_string(kept) + ": " + std::string(quotedKept);
}
inline std::string CapitalOutsideAtoZ(std::string_view quotedLetter) {
    return "begins with the capital " + std::string(quotedLetter) +
           " after a blank line: only A to Z begin a new spell, so the line is read as description text";
}
inline std::string UnknownSchool(std::string_view quotedSchool) {
    return "the school " + std::string(quotedSchool) +
           " matches no school keyword: the spell gets the generic icon";
}
inline constexpr std::string_view kLevelHeaderFirst =
    "level header before the first spell: levels count from 1 and each header adds one, so the "
    "spells under it come out as level 2; first-level spells stand before any header";
inline constexpr std::string_view kEntryCutOff =
    "the file ends before this spell's description: the spell is not indexed";
inline constexpr std::string_view kEndInDescription =
    "the file ends inside this description: the spell is indexed, but older readers of the format "
    "drop it";
inline std::string BlankLinesBefore(std::size_t blanks) {
    return std::to_string(blanks) +
           " blank lines before this spell: one or two separate spells; older readers of the format "
           "read it as part of the description before";
}
inline std::string CarriageReturnEnds(std::size_t lines) {
    return "line ends in a carriage return (CR CR LF): every field keeps the CR, blank lines are not "
           "blank and spells run together; " +
           Plural(lines, "line ends", "lines end") + " so";
}
inline constexpr std::string_view kCarriageReturnInside =
    "carriage return inside the line: lines that end in a CR alone run together into one";
inline std::string NotUtf8AmongUtf8(std::size_t utf8Lines) {
    return "not valid UTF-8, unlike " + Plural(utf8Lines, "other line", "other lines") +
           ": a field or description holding it is shown as Windows-1251";
}
inline std::string Utf8AmongOthers(std::size_t otherLines) {
    return "valid UTF-8, unlike " + Plural(otherLines, "other line", "other lines") +
           ": a description holding both is shown as Windows-1251";
}
inline constexpr std::string_view kPastTwoGiB =
    "this spell's description starts past 2 GiB, where no index record can point: the build fails here "
    "(spells past 2 GiB cannot be stored in the index)";
inline std::string DuplicateName(int64_t firstLine) {
    std::string text;
    text.reserve(48);
    return text.append("the spell at line ").append(std::to_string(firstLine)).append(" has the same name");
}

// The browser's notice below the list, and the problems dialog.
inline std::string IndexChanged(std::string_view textName) {
    return std::string(textName) + " changed after its index was built: descriptions may be wrong";
}
inline std::string IndexTextMissing(std::string_view textName) {
    return std::string(textName) + " is missing: descriptions cannot be shown";
}
inline constexpr std::string_view kRebuild = "Rebuild";
// The first start found no sample lists to set up the data folder with.
inline std::string NoSpellLists(std::string_view folder) {
    return "No spell lists yet: put wizard.txt or priest.txt into " + std::string(folder) +
           " and press Create Index";
}
// At start neither class has an index.
inline std::string NoIndexYet(std::string_view folder) {
    return "No index yet: press Create Index to build one from wizard.txt or priest.txt in " +
           std::string(folder);
}
inline std::string IndexedWithProblems(std::string_view textName, std::size_t spells, std::size_t lines) {
    return std::string(textName) + ": indexed " + Plural(spells, "spell", "spells") + "; " +
           Plural(lines, "line looks", "lines look") + " wrong";
}
inline constexpr std::string_view kShowProblems = "Show Problems...";
inline constexpr std::string_view kCloseNotice = "Close this notice";
inline std::string ProblemsTitle(std::string_view textName) {
    return "Problems in " + std::string(textName);
}
inline constexpr std::string_view kProblemColumns[] = {"Line", "Message", "Spell"};
// Below the list when the build kept only the first warnings.
inline std::string ProblemsNotListed(std::size_t warnings) {
    return Plural(warnings, "more warning is", "more warnings are") + " not listed";
}
inline constexpr std::string_view kClose = "Close";

// ---- Spellbooks ------------------------------------------------------------
inline std::string CannotReadBook(std::string_view path, std::string_view reason) {
    return WithReason("can't read spellbook ", path, reason);
}
inline std::string CannotWriteBook(std::string_view path, std::string_view reason) {
    return WithReason("can't write spellbook ", path, reason);
}
inline std::string CannotDeleteBook(std::string_view path, std::string_view reason) {
    return WithReason("can't delete spellbook ", path, reason);
}
// "no spellbook 'Name' in /data/wizard.book or /data/wizard-<n>.book"
inline std::string UnknownBook(std::string_view name, std::string_view dataDir, std::string_view spellClass) {
    const std::string stem = std::string(dataDir) + std::string(spellClass);
    return "no spellbook '" + std::string(name) + "' in " + stem + ".book or " + stem + "-<n>.book";
}
// The list's count of a book: "12 marked", or "12 marked, 1 not in the list".
inline std::string BookCount(std::size_t marked, std::size_t missing) {
    std::string text = std::to_string(marked) + " marked";
    if (missing > 0)
        text += ", " + std::to_string(missing) + " not in the list";
    return text;
}
// Asked before a book is deleted.
inline std::string DeleteBookQuestion(std::string_view name) {
    return "Delete the spellbook \"" + std::string(name) + "\" and its marks?";
}
inline constexpr std::string_view kNewBookPrompt = "Name of the new spellbook:";
inline constexpr std::string_view kRenameBookPrompt = "New name of the spellbook:";
// "can't write PDF out.pdf: reason"
inline std::string CannotWritePdf(std::string_view path, std::string_view reason) {
    return WithReason("can't write PDF ", path, reason);
}

}  // namespace messages
