// SPDX-License-Identifier: MIT
// Spellbook files: the reader's forgiveness, the writer's bytes, and the
// file names of a class's books.

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "SpellBook.h"
#include "TestFiles.h"

namespace {

using Names = std::vector<std::string>;
using namespace std::string_view_literals;

TEST(SpellBookTest, ParsesWhatAnEditorLeaves) {
    struct Case {
        std::string_view bytes;
        std::string_view name;
        Names spells;
    };
    const Case cases[] = {
        {"", "Spellbook", {}},
        {"\n", "Spellbook", {}},
        {"Tonight", "Tonight", {}},
        {"Tonight\nSleep\nMagic Missile\n", "Tonight", {"Sleep", "Magic Missile"}},
        {"Tonight\nSleep\nMagic Missile", "Tonight", {"Sleep", "Magic Missile"}},
        // CR LF, a byte-order mark, blank lines.
        {"Tonight\r\nSleep\r\n\r\nMagic Missile\r\n", "Tonight", {"Sleep", "Magic Missile"}},
        {"\xEF\xBB\xBFTonight\nSleep\n", "Tonight", {"Sleep"}},
        {"\xEF\xBB\xBF\nSleep\n\n\n", "Spellbook", {"Sleep"}},
        // A name twice stays at its first place.
        {"B\nSleep\nFly\nSleep\nFly\nHaste\n", "B", {"Sleep", "Fly", "Haste"}},
        // Odd names keep every byte: blanks, tabs, quotes, Windows-1251.
        {"B\n  Sleep \n\tTab\tbed\n\"Quoted\" / 'x'\n", "B", {"  Sleep ", "\tTab\tbed", "\"Quoted\" / 'x'"}},
        {"\xCA\xED\xE8\xE3\xE0\n\xD1\xEE\xED\r\n\xC2\xE8\xE4\xE5\xED\xE8\xE5\n", "\xCA\xED\xE8\xE3\xE0",
         {"\xD1\xEE\xED", "\xC2\xE8\xE4\xE5\xED\xE8\xE5"}},
        {"Книга\nСон\nNUL\0inside\n"sv, "Книга", {"Сон", std::string("NUL\0inside", 10)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.bytes)));
        const SpellBook book = ParseBook(c.bytes);
        EXPECT_EQ(book.strName, c.name);
        EXPECT_EQ(book.Spells(), c.spells);
    }
}

TEST(SpellBookTest, FormatsNameThenSpellsInMarkedOrder) {
    SpellBook book("Zed's book");
    EXPECT_TRUE(book.Add("Sleep"));
    EXPECT_TRUE(book.Add("\xD1\xEE\xED"));
    EXPECT_TRUE(book.Add("Fly"));
    EXPECT_TRUE(book.Remove("Sleep"));
    EXPECT_FALSE(book.Remove("Sleep"));
    EXPECT_TRUE(book.Add("Sleep"));  // marked again: last
    EXPECT_FALSE(book.Add(""));
    EXPECT_FALSE(book.Add("Fly"));
    EXPECT_EQ(FormatBook(book), "Zed's book\n\xD1\xEE\xED\nFly\nSleep\n");
    book.strName = "two\r\nlines";
    EXPECT_EQ(FormatBook(book).substr(0, 10), "two  lines");
}

TEST(SpellBookTest, FileRoundTripKeepsNamesNotInAnyList) {
    TempDir dir;
    SpellBook book("Ёжик");
    for (const char* spell : {"Sleep", "Gone Since The Rebuild", "\xD1\xEE\xED"})
        book.Add(spell);
    ASSERT_EQ(WriteBook(dir.prefix(), "wizard.book", book), "");
    EXPECT_EQ(ReadFile(dir.file("wizard.book")), "Ёжик\nSleep\nGone Since The Rebuild\n\xD1\xEE\xED\n");
    const BookRead read = ReadBook(dir.file("wizard.book"));
    ASSERT_TRUE(read.ok()) << read.strMessage;
    EXPECT_EQ(read.book.strName, "Ёжик");
    EXPECT_EQ(read.book.Spells(), (Names{"Sleep", "Gone Since The Rebuild", "\xD1\xEE\xED"}));
    // Nothing but the book is left in the directory.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(SpellBookTest, ReadAndWriteFailuresNameTheFile) {
    TempDir dir;
    const BookRead missing = ReadBook(dir.file("wizard.book"));
    EXPECT_EQ(missing.strMessage, "can't read spellbook " + dir.file("wizard.book") + ": No such file or directory");
    std::filesystem::create_directory(dir.file("priest.book"));
    EXPECT_EQ(ReadBook(dir.file("priest.book")).strMessage,
              "can't read spellbook " + dir.file("priest.book") + ": Is a directory");
    ASSERT_EQ(::mkfifo(dir.file("fifo.book").c_str(), 0600), 0);
    EXPECT_EQ(ReadBook(dir.file("fifo.book")).strMessage,
              "can't read spellbook " + dir.file("fifo.book") + ": not a regular file");

    WriteFile(dir.file("wizard.book"), "Old\nSleep\n");
    if (::geteuid() != 0) {
        ::chmod(dir.file("wizard.book").c_str(), 0200);
        EXPECT_EQ(ReadBook(dir.file("wizard.book")).strMessage,
                  "can't read spellbook " + dir.file("wizard.book") + ": Permission denied");
        ::chmod(dir.file("wizard.book").c_str(), 0600);
        ::chmod(dir.path().c_str(), 0500);
        SpellBook book("New");
        const std::string message = WriteBook(dir.prefix(), "wizard.book", book);
        ::chmod(dir.path().c_str(), 0700);
        EXPECT_EQ(message.rfind("can't write spellbook " + dir.file("wizard.book") + ": ", 0), 0u) << message;
        EXPECT_EQ(ReadFile(dir.file("wizard.book")), "Old\nSleep\n");
    }
    EXPECT_EQ(WriteBook(dir.prefix() + "no-such-folder/", "wizard.book", SpellBook("x")).rfind(
                  "can't write spellbook " + dir.prefix() + "no-such-folder/wizard.book: ", 0),
              0u);
}

TEST(SpellBookTest, BookFileNames) {
    struct Case {
        std::string_view file;
        int number;  // 0: not a book of wizard
    };
    const Case cases[] = {
        {"wizard.book", 1},  {"wizard-2.book", 2}, {"wizard-17.book", 17}, {"wizard-1.book", 0},
        {"wizard-02.book", 0}, {"wizard-.book", 0}, {"wizard-2x.book", 0}, {"wizard.txt", 0},
        {"wizardry.book", 0}, {"priest.book", 0},  {"wizard.book.tmp-AbCdEf", 0},
    };
    for (const Case& c : cases) {
        const std::optional<unsigned> number = BookFileNumber(c.file, "wizard");
        EXPECT_EQ(number ? static_cast<int>(*number) : 0, c.number) << c.file;
    }
}

TEST(SpellBookTest, ListsBooksInNumberOrderAndFindsByName) {
    TempDir dir;
    EXPECT_EQ(NewBookFileName(ListBooks(dir.prefix(), "wizard"), "wizard"), "wizard.book");
    WriteFile(dir.file("wizard-10.book"), "Ten\n");
    WriteFile(dir.file("wizard-2.book"), "\xEF\xBB\xBFTwo\r\nSleep\r\n");
    WriteFile(dir.file("priest.book"), "Priestly\n");
    std::filesystem::create_directory(dir.file("wizard-3.book"));
    std::vector<BookFile> books = ListBooks(dir.prefix(), "wizard");
    ASSERT_EQ(books.size(), 3u);
    EXPECT_EQ(books[0].strFileName, "wizard-2.book");
    EXPECT_EQ(books[0].strName, "Two");
    EXPECT_EQ(books[1].strName, "wizard-3.book");
    EXPECT_EQ(books[1].strMessage, "can't read spellbook " + dir.file("wizard-3.book") + ": Is a directory");
    EXPECT_EQ(books[2].strName, "Ten");
    EXPECT_EQ(NewBookFileName(books, "wizard"), "wizard.book");
    WriteFile(dir.file("wizard.book"), "Ten\n");
    books = ListBooks(dir.prefix(), "wizard");
    EXPECT_EQ(NewBookFileName(books, "wizard"), "wizard-4.book");
    EXPECT_EQ(FindBook(books, "Ten")->strFileName, "wizard.book");
    EXPECT_FALSE(FindBook(books, "wizard-3.book"));
    EXPECT_FALSE(FindBook(books, "Priestly"));
    EXPECT_EQ(DeleteBook(dir.prefix(), "wizard.book"), "");
    EXPECT_EQ(DeleteBook(dir.prefix(), "wizard.book"), "");
    EXPECT_EQ(FindBook(ListBooks(dir.prefix(), "wizard"), "Ten")->strFileName, "wizard-10.book");
}

}  // namespace
