// SPDX-License-Identifier: MIT
#pragma once
// Spellbooks: the spells a player marked in one class's list, kept by name
// in a plain text file beside the class's lists.
//
// File names, in the data directory: "<class>.book" for a class's first
// book, "<class>-<n>.book" (n = 2, 3, ...) for more.
// File format, UTF-8 text, lines ending in LF:
//   line 1        the book's name, as the user gave it
//   later lines   one spell name each, in the order the spells were marked
// Reading forgives what an editor may leave: a byte-order mark at the start,
// CR LF line ends, blank lines (skipped) and a name given twice (kept once,
// at its first place). Names are kept byte for byte: a name from a
// Windows-1251 list is its raw bytes. A name no longer in the index stays in
// the book; only the user's unmarking removes a name.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

inline constexpr std::string_view kBookExtension = ".book";
inline constexpr std::string_view kDefaultBookName = "Spellbook";

// The marked spell names of one book, in the order they were marked.
// Not thread-safe; a value like any other.
class SpellBook {
public:
    SpellBook() = default;
    explicit SpellBook(std::string name) : strName(std::move(name)) {}

    std::string strName;

    const std::vector<std::string>& Spells() const { return spells_; }
    std::size_t size() const { return spells_.size(); }
    bool Has(std::string_view spell) const { return set_.contains(spell); }
    // Appends `spell` unless it is marked already or empty. True when added.
    bool Add(const std::string& spell);
    // Removes `spell`; true when it was marked.
    bool Remove(const std::string& spell);

private:
    // Looked up by std::string_view too: a list's row names are not copied.
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
    };

    std::vector<std::string> spells_;
    std::unordered_set<std::string, NameHash, std::equal_to<>> set_;
};

// The book in `bytes`, read by the rules above. Every input gives a book:
// an empty first line gives the default name.
SpellBook ParseBook(std::string_view bytes);
// The file's bytes for `book`: its name (CR and LF in it become blanks) and
// its spells, each on a line ending in LF.
std::string FormatBook(const SpellBook& book);

struct [[nodiscard]] BookRead {
    SpellBook book;
    std::string strMessage;  // "can't read spellbook PATH: reason" on failure
    int error = 0;           // errno or kNotRegularFile on failure

    bool ok() const { return strMessage.empty(); }
};
// Reads the book at `path`. A FIFO or device in its place is refused.
BookRead ReadBook(const std::string& path);

// Writes `book` as `fileName` in `dataDir` (a prefix ending in '/'), in
// place of the old file only when the new one is complete. Empty on
// success, else "can't write spellbook PATH: reason"; the old file then
// stays as it was.
std::string WriteBook(const std::string& dataDir, const std::string& fileName, const SpellBook& book);

// Removes the book file. Empty on success (also when it is gone already),
// else "can't delete spellbook PATH: reason".
std::string DeleteBook(const std::string& dataDir, const std::string& fileName);

struct BookFile {
    std::string strFileName;  // "wizard-2.book"
    std::string strName;      // the name on its first line
    std::string strMessage;   // why it cannot be read; the name is then the file name
};

// The book files of `spellClass` in `dataDir`, "<class>.book" first, then
// by number. An unreadable directory gives none.
std::vector<BookFile> ListBooks(const std::string& dataDir, std::string_view spellClass);

// The file name for a new book of `spellClass` that none of `books` has:
// "<class>.book" if free, else "<class>-<n>.book" with the lowest free n >= 2.
std::string NewBookFileName(const std::vector<BookFile>& books, std::string_view spellClass);

// The first of `books` named `name`, if any.
std::optional<BookFile> FindBook(const std::vector<BookFile>& books, std::string_view name);

// The number of a book file name of `spellClass`: 1 for "<class>.book",
// n for "<class>-<n>.book" (n >= 2, no leading zero); nothing otherwise.
std::optional<unsigned> BookFileNumber(std::string_view fileName, std::string_view spellClass);

// The book of `spellClass` in `dataDir` named `name`. On failure the
// message names the files looked at: messages::UnknownBook.
BookRead ReadBookNamed(const std::string& dataDir, std::string_view spellClass, std::string_view name);
