// SPDX-License-Identifier: MIT
#pragma once
// Every message the program shows or prints about a failure, in one place.
// Texts are UTF-8; the two Russian ones are the program's own words.
//
// The English texts are the one table a translation starts from: each is
// marked with SPELLS_TR (SPELLS_TR_N for one with a count), which leaves the
// text as it is and lets lupdate collect it under the context "messages".
// A message with values is a pattern whose %1, %2 ... a translation may move.
// The window installs a Translator (SetTranslator); without one, as in
// spellindex and the tests of this layer, every message is the English text.
// Texts that are the program's own fixed words are not marked: they read
// the same in every language.

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// Marks `text` for lupdate's -tr-function-alias QT_TRANSLATE_NOOP+=SPELLS_TR
// and QT_TRANSLATE_N_NOOP+=SPELLS_TR_N; the text itself is unchanged.
#define SPELLS_TR(context, text) text
#define SPELLS_TR_N(context, text) text

namespace messages {

// The translation of a marked text, or an empty string when there is none.
// `count` is the number a SPELLS_TR_N text counts, with %n filled in by the
// translation; -1 for other texts.
using Translator = std::string (*)(std::string_view text, int count);

inline std::atomic<Translator> g_pTranslator{nullptr};

// Installs `translator` for every message made from now on; nullptr goes
// back to English.
inline void SetTranslator(Translator translator) { g_pTranslator.store(translator); }

// The installed translation of `text` (see Translator), or an empty string
// when there is none.
inline std::string TranslationOf(std::string_view text, int count = -1) {
    const Translator translator = g_pTranslator.load();
    return translator ? translator(text, count) : std::string();
}

// `text` in the installed translation, or `text` itself: a marked text, or
// any other (a system's reason), which comes back as it is.
inline std::string Translate(std::string_view text) {
    std::string translated = TranslationOf(text);
    return translated.empty() ? std::string(text) : translated;
}

// `pattern` with %1 .. %9 replaced by the values in order; a value is not
// scanned again, and any other % stays.
inline std::string Format(std::string_view pattern, std::initializer_list<std::string_view> values) {
    std::string text;
    text.reserve(pattern.size() + 32);
    // The text up to each %, appended whole.
    for (std::size_t i = 0; i < pattern.size();) {
        const std::size_t percent = std::min(pattern.find('%', i), pattern.size());
        text.append(pattern.substr(i, percent - i));
        if (percent == pattern.size())
            break;
        i = percent + 1;
        if (i < pattern.size() && pattern[i] >= '1' && pattern[i] <= '9') {
            const auto index = static_cast<std::size_t>(pattern[i] - '1');
            if (index < values.size()) {
                text.append(*(values.begin() + index));
                ++i;
                continue;
            }
        }
        text.push_back('%');
    }
    return text;
}

// A pattern, translated, with its values.
inline std::string Translated(std::string_view pattern, std::initializer_list<std::string_view> values) {
    const std::string translated = TranslationOf(pattern);
    return Format(translated.empty() ? pattern : std::string_view(translated), values);  // no copy of the pattern
}

// "1 spell", "2 spells": `one` or `many` with %n replaced by `n` (a form
// without %n gets the number and a blank before it); `many` is the marked
// text a translation gives its own plural forms.
inline std::string Plural(std::size_t n, std::string_view one, std::string_view many) {
    if (std::string translated = TranslationOf(many, static_cast<int>(std::min<std::size_t>(n, INT_MAX)));
        !translated.empty())
        return translated;
    const std::string_view pattern = n == 1 ? one : many;
    const std::string number = std::to_string(n);
    if (pattern.find("%n") == std::string_view::npos)
        return number + " " + std::string(pattern);
    std::string text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 'n') {
            text.append(number);
            ++i;
        } else {
            text.push_back(pattern[i]);
        }
    }
    return text;
}

// The program's own words, the same in every language.
// No index file for the class, or it cannot be opened.
inline constexpr std::string_view kNoIndex = "нету индекса";
// Asked before an index build: Yes builds the wizard index, No the priest's.
inline constexpr std::string_view kCreateIndexQuestion = "Вы хотите создать индекс для Wizard?";
// Caption of every message box.
inline constexpr std::string_view kCaption = "Spells";

// The reason given when the browser runs out of memory while it loads a list.
inline constexpr std::string_view kNotEnoughMemory = SPELLS_TR("messages", "not enough memory");
// The reason given for a FIFO, a device or a socket where a file should be.
inline constexpr std::string_view kNotRegularFile = SPELLS_TR("messages", "not a regular file");

// The translated `pattern` with `name` for %1, followed by ": <reason>" when
// a reason is given; a marked reason is translated, a system's stays.
inline std::string WithReason(std::string_view pattern, std::string_view name,
                              std::string_view reason = {}) {
    std::string text = Translated(pattern, {name});
    if (!reason.empty())
        text.append(": ").append(Translate(reason));
    return text;
}

// "can't open file wizard.txt[: reason]": the program's own words, not
// translated.
inline std::string CannotOpenFile(std::string_view name, std::string_view reason = {}) {
    std::string text = "can't open file " + std::string(name);
    if (!reason.empty())
        text.append(": ").append(Translate(reason));
    return text;
}
// "can't read file wizard.txt: reason"
inline std::string CannotReadFile(std::string_view name, std::string_view reason) {
    return WithReason(SPELLS_TR("messages", "can't read file %1"), name, reason);
}
// "can't write index wizard.idx: reason"
inline std::string CannotWriteIndex(std::string_view name, std::string_view reason) {
    return WithReason(SPELLS_TR("messages", "can't write index %1"), name, reason);
}
// "can't open index wizard.idx: reason"
inline std::string CannotOpenIndex(std::string_view name, std::string_view reason) {
    return WithReason(SPELLS_TR("messages", "can't open index %1"), name, reason);
}
// "can't read index wizard.idx: reason"
inline std::string CannotReadIndex(std::string_view name, std::string_view reason) {
    return WithReason(SPELLS_TR("messages", "can't read index %1"), name, reason);
}
// "can't use data folder /path/: reason": a data directory given on the
// command line or in SPELLS_DATA_DIR that is missing or no directory.
inline std::string CannotUseDataDir(std::string_view dir, std::string_view reason) {
    return WithReason(SPELLS_TR("messages", "can't use data folder %1"), dir, reason);
}
// "can't create data folder /path/: reason"
inline std::string CannotCreateDataDir(std::string_view dir, std::string_view reason) {
    return WithReason(SPELLS_TR("messages", "can't create data folder %1"), dir, reason);
}
// Neither XDG_DATA_HOME, HOME nor the password database names a home folder.
inline constexpr std::string_view kNoHomeFolder =
    SPELLS_TR("messages", "can't find the home folder for the data folder");
// Command-line mistakes of the browser, printed before its usage.
inline constexpr std::string_view kDataDirTwice = SPELLS_TR("messages", "--data-dir given more than once");
inline constexpr std::string_view kEmptyDataDir = SPELLS_TR("messages", "--data-dir needs a folder");
inline constexpr std::string_view kPdfOptionsWithoutPdf = SPELLS_TR("messages", "--cards and --book go with --pdf");
inline constexpr std::string_view kPdfOptionTwice = SPELLS_TR("messages", "--pdf and --book are given once");
inline constexpr std::string_view kPdfNeedsFile = SPELLS_TR("messages", "--pdf needs a file name");
inline constexpr std::string_view kPdfNeedsClass = SPELLS_TR("messages", "--pdf needs a class: wizard or priest");
inline std::string UnknownSpellClass(std::string_view name) {
    return Translated(SPELLS_TR("messages", "unknown spell class '%1': wizard or priest"), {name});
}
inline std::string TooManyArguments(std::string_view extra) {
    return Translated(SPELLS_TR("messages", "unexpected argument '%1'"), {extra});
}
// "can't write output: reason"
inline std::string CannotWriteOutput(std::string_view reason) {
    return WithReason(SPELLS_TR("messages", "can't write output"), "", reason);
}
// "can't search the list: not enough memory": a search of the find bar
// that ran out of memory; the whole list is shown again.
inline std::string CannotSearchList(std::string_view reason) {
    return WithReason(SPELLS_TR("messages", "can't search the list"), "", reason);
}
// Mistakes in the query of the find bar and `spellindex find`: the field
// is marked with the reason and nothing is filtered. The field names are
// the query's own words.
inline std::string UnknownQueryField(std::string_view name) {
    return Translated(SPELLS_TR("messages", "unknown field '%1:': name, level, school, sphere, range, duration, "
                                            "area, comp, time, save or desc"),
                      {name});
}
inline constexpr std::string_view kUnclosedQuote = SPELLS_TR("messages", "a quote is not closed");
inline std::string EmptyQueryTerm(std::string_view name) {
    return Translated(SPELLS_TR("messages", "nothing follows '%1:'"), {name});
}
inline std::string BadQueryLevel(std::string_view term) {
    return Translated(SPELLS_TR("messages", "level: wants a level or a range such as 2-4, not '%1'"), {term});
}
// "can't index wizard.txt: spells past 2 GiB cannot be stored in the index"
inline std::string CannotIndexText(std::string_view name) {
    return WithReason(SPELLS_TR("messages", "can't index %1"), name,
                      SPELLS_TR("messages", "spells past 2 GiB cannot be stored in the index"));
}
// The text was saved while its index was built from it.
inline std::string TextChangedWhileIndexed(std::string_view name) {
    return WithReason(SPELLS_TR("messages", "can't index %1"), name,
                      SPELLS_TR("messages", "it changed while it was read; build the index again"));
}
// "can't create a file in /data: reason", the reason for a failed build
// when the index's directory does not take a new file.
inline std::string CannotCreateFileIn(std::string_view directory, std::string_view reason) {
    return WithReason(SPELLS_TR("messages", "can't create a file in %1"), directory, reason);
}
// "can't insert spell <name>": the program's own words, not translated; the
// literal ends in a blank.
inline std::string CannotInsertSpell(std::string_view spellName) {
    return "can't insert spell " + std::string(spellName);
}

// ---- The check of a spell text, and the notices about an index ----------
// Quoted texts from the spell file come in as UTF-8, quotes included. A
// message kept as a constant is translated where it is shown.

// "190 spells, 3 warnings", and ", 1 note" when there are notes.
inline std::string CheckSummary(std::size_t spells, std::size_t warnings, std::size_t notes) {
    std::string text = Plural(spells, "%n spell", SPELLS_TR_N("messages", "%n spells")) + ", " +
                       Plural(warnings, "%n warning", SPELLS_TR_N("messages", "%n warnings"));
    if (notes > 0)
        text += ", " + Plural(notes, "%n note", SPELLS_TR_N("messages", "%n notes"));
    return text;
}

// Names of the record's fields in messages, in field order.
inline constexpr std::string_view kFieldLabels[] = {
    SPELLS_TR("messages", "name"),           SPELLS_TR("messages", "level"),
    SPELLS_TR("messages", "school"),         SPELLS_TR("messages", "range"),
    SPELLS_TR("messages", "duration"),       SPELLS_TR("messages", "area of effect"),
    SPELLS_TR("messages", "components"),     SPELLS_TR("messages", "saving throw"),
    SPELLS_TR("messages", "casting time")};
inline constexpr std::string_view kSphereLabel = SPELLS_TR("messages", "sphere");
// Names of the field lines in messages: "the range line".
inline constexpr std::string_view kSphereLine = SPELLS_TR("messages", "sphere");
inline constexpr std::string_view kRangeLine = SPELLS_TR("messages", "range");
inline constexpr std::string_view kDurationLine = SPELLS_TR("messages", "duration");
inline constexpr std::string_view kAreaLine = SPELLS_TR("messages", "area");

inline std::string ParagraphReadAsSpell(std::string_view previousSpell, std::size_t missing,
                                        std::size_t markers, std::string_view missingMarkers) {
    const std::string missingCount = std::to_string(missing);
    const std::string markerCount = std::to_string(markers);
    if (previousSpell.empty())
        return Translated(SPELLS_TR("messages", "the field lines of this spell lack %1 of their %2 markers (%3)"),
                          {missingCount, markerCount, missingMarkers});
    return Translated(SPELLS_TR("messages",
                                "this line begins with a capital letter after a blank line in the description of "
                                "%1, so it starts a new spell, whose field lines lack %2 of their %3 markers (%4); "
                                "to keep it in the description, indent it or begin it with a lower-case letter"),
                      {previousSpell, missingCount, markerCount, missingMarkers});
}
// The line and field names are those above; they are translated here.
inline std::string MissingMarker(std::string_view marker, std::string_view lineLabel,
                                 std::string_view field, std::string_view quotedValue) {
    if (quotedValue.empty())
        return Translated(SPELLS_TR("messages", "no \"%1\" on the %2 line: the %3 field comes out empty"),
                          {marker, Translate(lineLabel), Translate(field)});
    return Translated(SPELLS_TR("messages", "no \"%1\" on the %2 line: the %3 field comes out as %4"),
                      {marker, Translate(lineLabel), Translate(field), quotedValue});
}
inline std::string MissingTab(std::string_view lineLabel, std::string_view field) {
    return Translated(SPELLS_TR("messages", "no tab on the %1 line: the %2 field comes out empty"),
                      {Translate(lineLabel), Translate(field)});
}
inline std::string TabBeforeValue(std::string_view lineLabel, std::string_view field) {
    return Translated(
        SPELLS_TR("messages", "the first tab of the %1 line stands before the %2: the %2 field comes out empty"),
        {Translate(lineLabel), Translate(field)});
}
inline std::string FieldTooLong(std::string_view field, std::size_t bytes, std::size_t kept,
                                std::string_view quotedKept) {
    return Translated(SPELLS_TR("messages", "the %1 field is %2 bytes long; the index keeps %3: %4"),
                      {Translate(field), std::to_string(bytes), std::to_string(kept), quotedKept});
}
inline std::string CapitalOutsideAtoZ(std::string_view quotedLetter) {
    return Translated(SPELLS_TR("messages", "begins with the capital %1 after a blank line: only A to Z begin a new "
                                            "spell, so the line is read as description text"),
                      {quotedLetter});
}
inline std::string UnknownSchool(std::string_view quotedSchool) {
    return Translated(
        SPELLS_TR("messages", "the school %1 matches no school keyword: the spell gets the generic icon"),
        {quotedSchool});
}
inline constexpr std::string_view kLevelHeaderFirst = SPELLS_TR(
    "messages",
    "level header before the first spell: levels count from 1 and each header adds one, so the "
    "spells under it come out as level 2; first-level spells stand before any header");
inline constexpr std::string_view kEntryCutOff =
    SPELLS_TR("messages", "the file ends before this spell's description: the spell is not indexed");
inline constexpr std::string_view kEndInDescription =
    SPELLS_TR("messages", "the file ends inside this description: the spell is indexed, but older readers of the "
                          "format drop it");
inline std::string BlankLinesBefore(std::size_t blanks) {
    return Translated(SPELLS_TR("messages", "%1 blank lines before this spell: one or two separate spells; older "
                                            "readers of the format read it as part of the description before"),
                      {std::to_string(blanks)});
}
inline std::string CarriageReturnEnds(std::size_t lines) {
    return Translated(SPELLS_TR("messages", "line ends in a carriage return (CR CR LF): every field keeps the CR, "
                                            "blank lines are not blank and spells run together; %1 so"),
                      {Plural(lines, "%n line ends", SPELLS_TR_N("messages", "%n lines end"))});
}
inline constexpr std::string_view kCarriageReturnInside = SPELLS_TR(
    "messages", "carriage return inside the line: lines that end in a CR alone run together into one");
inline std::string NotUtf8AmongUtf8(std::size_t utf8Lines) {
    return Translated(SPELLS_TR("messages", "not valid UTF-8, unlike %1: a field or description holding it is "
                                            "shown as Windows-1251"),
                      {Plural(utf8Lines, "%n other line", SPELLS_TR_N("messages", "%n other lines"))});
}
inline std::string Utf8AmongOthers(std::size_t otherLines) {
    return Translated(
        SPELLS_TR("messages", "valid UTF-8, unlike %1: a description holding both is shown as Windows-1251"),
        {Plural(otherLines, "%n other line", SPELLS_TR_N("messages", "%n other lines"))});
}
inline constexpr std::string_view kPastTwoGiB = SPELLS_TR(
    "messages",
    "this spell's description starts past 2 GiB, where no index record can point: the build fails here "
    "(spells past 2 GiB cannot be stored in the index)");
inline std::string DuplicateName(int64_t firstLine) {
    return Translated(SPELLS_TR("messages", "the spell at line %1 has the same name"), {std::to_string(firstLine)});
}

// The browser's notice below the list, and the problems dialog. "Create
// Index" is the button's own name, the same in every language.
inline std::string IndexChanged(std::string_view textName) {
    return Translated(SPELLS_TR("messages", "%1 changed after its index was built: descriptions may be wrong"),
                      {textName});
}
inline std::string IndexTextMissing(std::string_view textName) {
    return Translated(SPELLS_TR("messages", "%1 is missing: descriptions cannot be shown"), {textName});
}
inline constexpr std::string_view kRebuild = SPELLS_TR("messages", "Rebuild");
// The first start found no sample lists to set up the data folder with.
inline std::string NoSpellLists(std::string_view folder) {
    return Translated(
        SPELLS_TR("messages", "No spell lists yet: put wizard.txt or priest.txt into %1 and press Create Index"),
        {folder});
}
// At start neither class has an index.
inline std::string NoIndexYet(std::string_view folder) {
    return Translated(
        SPELLS_TR("messages", "No index yet: press Create Index to build one from wizard.txt or priest.txt in %1"),
        {folder});
}
inline std::string IndexedWithProblems(std::string_view textName, std::size_t spells, std::size_t lines) {
    return Translated(SPELLS_TR("messages", "%1: indexed %2; %3 wrong"),
                      {textName, Plural(spells, "%n spell", SPELLS_TR_N("messages", "%n spells")),
                       Plural(lines, "%n line looks", SPELLS_TR_N("messages", "%n lines look"))});
}
inline constexpr std::string_view kShowProblems = SPELLS_TR("messages", "Show Problems...");
inline constexpr std::string_view kCloseNotice = SPELLS_TR("messages", "Close this notice");
inline std::string ProblemsTitle(std::string_view textName) {
    return Translated(SPELLS_TR("messages", "Problems in %1"), {textName});
}
inline constexpr std::string_view kProblemColumns[] = {
    SPELLS_TR("messages", "Line"), SPELLS_TR("messages", "Message"), SPELLS_TR("messages", "Spell")};
// Below the list when the build kept only the first warnings.
inline std::string ProblemsNotListed(std::size_t warnings) {
    return Plural(warnings, "%n more warning is not listed",
                  SPELLS_TR_N("messages", "%n more warnings are not listed"));
}
inline constexpr std::string_view kClose = SPELLS_TR("messages", "Close");

// ---- Spellbooks ------------------------------------------------------------
inline std::string CannotReadBook(std::string_view path, std::string_view reason) {
    return WithReason(SPELLS_TR("messages", "can't read spellbook %1"), path, reason);
}
inline std::string CannotWriteBook(std::string_view path, std::string_view reason) {
    return WithReason(SPELLS_TR("messages", "can't write spellbook %1"), path, reason);
}
inline std::string CannotDeleteBook(std::string_view path, std::string_view reason) {
    return WithReason(SPELLS_TR("messages", "can't delete spellbook %1"), path, reason);
}
// "no spellbook 'Name' in /data/wizard.book or /data/wizard-<n>.book"
inline std::string UnknownBook(std::string_view name, std::string_view dataDir, std::string_view spellClass) {
    const std::string stem = std::string(dataDir) + std::string(spellClass);
    return Translated(SPELLS_TR("messages", "no spellbook '%1' in %2.book or %2-<n>.book"), {name, stem});
}
// The list's count of a book: "12 marked", or "12 marked, 1 not in the list".
inline std::string BookCount(std::size_t marked, std::size_t missing) {
    std::string text = Translated(SPELLS_TR("messages", "%1 marked"), {std::to_string(marked)});
    if (missing > 0)
        text += Translated(SPELLS_TR("messages", ", %1 not in the list"), {std::to_string(missing)});
    return text;
}
// Asked before a book is deleted.
inline std::string DeleteBookQuestion(std::string_view name) {
    return Translated(SPELLS_TR("messages", "Delete the spellbook \"%1\" and its marks?"), {name});
}
inline constexpr std::string_view kNewBookPrompt = SPELLS_TR("messages", "Name of the new spellbook:");
inline constexpr std::string_view kRenameBookPrompt = SPELLS_TR("messages", "New name of the spellbook:");
// "can't write PDF out.pdf: reason"
inline std::string CannotWritePdf(std::string_view path, std::string_view reason) {
    return WithReason(SPELLS_TR("messages", "can't write PDF %1"), path, reason);
}

}  // namespace messages
