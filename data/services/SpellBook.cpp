// SPDX-License-Identifier: MIT
#include "SpellBook.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <dirent.h>
#include <memory>
#include <unistd.h>

#include "Messages.h"
#include "RegularFile.h"
#include "ReplacementFile.h"
#include "StatusMessage.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Reads all of `fd` into `bytes`; an errno value on failure, else 0.
int ReadAll(int fd, std::string& bytes) {
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (got == 0)
            return 0;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

// Writes all of `bytes` to `fd`; an errno value on failure, else 0.
int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(put));
    }
    return 0;
}

}  // namespace

bool SpellBook::Add(const std::string& spell) {
    if (spell.empty() || !set_.insert(spell).second)
        return false;
    spells_.push_back(spell);
    return true;
}

bool SpellBook::Remove(const std::string& spell) {
    if (set_.erase(spell) == 0)
        return false;
    spells_.erase(std::find(spells_.begin(), spells_.end(), spell));
    return true;
}

SpellBook ParseBook(std::string_view bytes) {
    if (bytes.starts_with(kByteOrderMark))
        bytes.remove_prefix(kByteOrderMark.size());
    SpellBook book;
    bool first = true;
    while (!bytes.empty() || first) {
        const std::size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (first) {
            book.strName = line.empty() ? std::string(kDefaultBookName) : std::string(line);
            first = false;
        } else {
            book.Add(std::string(line));
        }
    }
    return book;
}

std::string FormatBook(const SpellBook& book) {
    std::string name = book.strName.empty() ? std::string(kDefaultBookName) : book.strName;
    std::replace(name.begin(), name.end(), '\n', ' ');
    std::replace(name.begin(), name.end(), '\r', ' ');
    std::string bytes = name + "\n";
    for (const std::string& spell : book.Spells())
        bytes.append(spell).push_back('\n');
    return bytes;
}

BookRead ReadBook(const std::string& path) {
    BookRead result;
    const OpenedFile file = OpenRegularFile(path);
    std::string bytes;
    int error = file.error;
    if (file.fd >= 0) {
        error = ReadAll(file.fd, bytes);
        ::close(file.fd);
    }
    if (error != 0) {
        result.error = error;
        result.strMessage = messages::CannotReadBook(path, ErrorReason(error));
        return result;
    }
    result.book = ParseBook(bytes);
    return result;
}

std::string WriteBook(const std::string& dataDir, const std::string& fileName, const SpellBook& book) {
    const std::string path = dataDir + fileName;
    ReplacementFile replacement;
    if (!replacement.Create(dataDir, fileName))
        return messages::CannotWriteBook(path, ReplacementReason(replacement));
    if (const int error = WriteAll(replacement.fd(), FormatBook(book)); error != 0)
        return messages::CannotWriteBook(path, ErrorReason(error));
    if (!replacement.Commit())
        return messages::CannotWriteBook(path, ReplacementReason(replacement));
    return {};
}

std::string DeleteBook(const std::string& dataDir, const std::string& fileName) {
    const std::string path = dataDir + fileName;
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        return messages::CannotDeleteBook(path, ErrorReason(errno));
    return {};
}

std::optional<unsigned> BookFileNumber(std::string_view fileName, std::string_view spellClass) {
    if (!fileName.starts_with(spellClass) || !fileName.ends_with(kBookExtension))
        return std::nullopt;
    fileName.remove_prefix(spellClass.size());
    fileName.remove_suffix(kBookExtension.size());
    if (fileName.empty())
        return 1u;
    if (fileName.size() < 2 || fileName[0] != '-' || fileName[1] == '0')
        return std::nullopt;
    fileName.remove_prefix(1);
    unsigned number = 0;
    const auto [end, error] = std::from_chars(fileName.data(), fileName.data() + fileName.size(), number);
    if (error != std::errc() || end != fileName.data() + fileName.size() || number < 2)
        return std::nullopt;
    return number;
}

std::vector<BookFile> ListBooks(const std::string& dataDir, std::string_view spellClass) {
    std::vector<std::pair<unsigned, std::string>> numbered;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(dataDir.empty() ? "." : dataDir.c_str()),
                                                  &::closedir);
    if (!dir)
        return {};
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (const std::optional<unsigned> number = BookFileNumber(name, spellClass))
            numbered.emplace_back(*number, std::string(name));
    }
    std::sort(numbered.begin(), numbered.end());
    std::vector<BookFile> books;
    books.reserve(numbered.size());
    for (auto& [number, fileName] : numbered) {
        BookRead read = ReadBook(dataDir + fileName);
        BookFile book{fileName, read.ok() ? std::move(read.book.strName) : fileName, read.strMessage};
        books.push_back(std::move(book));
    }
    return books;
}

std::string NewBookFileName(const std::vector<BookFile>& books, std::string_view spellClass) {
    const auto taken = [&](const std::string& fileName) {
        return std::any_of(books.begin(), books.end(),
                           [&](const BookFile& book) { return book.strFileName == fileName; });
    };
    std::string fileName = std::string(spellClass) + std::string(kBookExtension);
    for (unsigned n = 2; taken(fileName); ++n)
        fileName = std::string(spellClass) + "-" + std::to_string(n) + std::string(kBookExtension);
    return fileName;
}

std::optional<BookFile> FindBook(const std::vector<BookFile>& books, std::string_view name) {
    for (const BookFile& book : books)
        if (book.strMessage.empty() && book.strName == name)
            return book;
    return std::nullopt;
}

BookRead ReadBookNamed(const std::string& dataDir, std::string_view spellClass, std::string_view name) {
    const std::optional<BookFile> file = FindBook(ListBooks(dataDir, spellClass), name);
    if (!file) {
        BookRead result;
        result.error = ENOENT;
        result.strMessage = messages::UnknownBook(name, dataDir, spellClass);
        return result;
    }
    return ReadBook(dataDir + file->strFileName);
}
