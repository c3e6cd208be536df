// SPDX-License-Identifier: MIT
#include "IndexBuilder.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "LineReader.h"
#include "RegularFile.h"
#include "ReplacementFile.h"
#include "SpellFiles.h"
#include "SpellText.h"

namespace {

constexpr std::size_t kWriteBlock = 152 * kRecordSize;  // about 64 KiB

std::string FileName(std::string_view spellClass, std::string_view extension) {
    return std::string(spellClass) + std::string(extension);
}

bool WriteAll(int fd, const uint8_t* data, std::size_t size, int& error) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

BuildResult Failure(Status status, int32_t endLevel) { return {std::move(status), 0, endLevel}; }

bool SameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Whether the text read through `fd`, which was `before` when the build
// began, is still the file at `path` and unchanged.
bool TextUnchanged(int fd, const std::string& path, const struct stat& before) {
    struct stat now {};
    if (::fstat(fd, &now) != 0 || now.st_size != before.st_size || !SameTime(now.st_mtim, before.st_mtim))
        return false;
    struct stat named {};
    return ::stat(path.c_str(), &named) == 0 && named.st_dev == before.st_dev && named.st_ino == before.st_ino;
}

}  // namespace

IndexWriter::IndexWriter(int fd) : fd_(fd), buffer_(kWriteBlock) {}

void IndexWriter::Append(const SpellRecord& record) {
    if (used_ == buffer_.size())
        Flush();
    EncodeRecord(record, RecordBytes(buffer_.data() + used_, kRecordSize));
    used_ += kRecordSize;
}

bool IndexWriter::Flush() {
    if (error_ == 0 && used_ > 0)
        WriteAll(fd_, buffer_.data(), used_, error_);
    used_ = 0;
    return error_ == 0;
}

ParsedText ParseSpells(LineReader& text, bool bPriest, int32_t startLevel, RecordSink& sink,
                       SpellTextObserver* observer) {
    ParsedText parsed;
    ParseState state;
    state.nLevel = startLevel;
    state.pObserver = observer;
    SpellRecord record;
    ClearRecord(record);
    for (;;) {
        const ParseResult result = ParseSpell(text, record, bPriest, state);
        if (result == ParseResult::kReadError || result == ParseResult::kOffsetTooLarge ||
            result == ParseResult::kEnd) {
            parsed.end = result;
            break;
        }
        sink.Put(record);
        ++parsed.nRecords;
        if (result == ParseResult::kLastEntry)
            break;
        ClearRecord(record, state.fieldZeros);
    }
    parsed.nEndLevel = state.nLevel;
    return parsed;
}

BuildResult BuildIndexIn(const std::string& dataDir, std::string_view spellClass, int32_t startLevel,
                         SpellTextObserver* observer) {
    const std::string textPath = TextPath(dataDir, spellClass);
    const std::string indexPath = IndexPath(dataDir, spellClass);
    int32_t endLevel = startLevel;
    const auto textFailure = [&](StatusCode code, int error) {
        return Failure({code, error, textPath}, endLevel);
    };
    const auto indexFailure = [&](int error, bool inDirectory = false) {
        return Failure({StatusCode::kCannotWriteIndex, error, indexPath, inDirectory}, endLevel);
    };

    LineReader text;
    if (!text.Open(textPath))
        return textFailure(StatusCode::kCannotOpenText, text.Error());
    struct stat textAtStart {};
    if (::fstat(text.FileDescriptor(), &textAtStart) != 0)
        return textFailure(StatusCode::kCannotReadText, errno);

    ReplacementFile replacement;
    if (!replacement.Create(dataDir, FileName(spellClass, kIndexExtension)))
        return indexFailure(replacement.Error(), replacement.ErrorInDirectory());

    IndexWriter index(replacement.fd());
    const ParsedText parsed = ParseSpells(text, IsPriestClass(spellClass), startLevel, index, observer);
    endLevel = parsed.nEndLevel;
    if (parsed.end == ParseResult::kReadError)
        return textFailure(StatusCode::kCannotReadText, text.Error());
    if (parsed.end == ParseResult::kOffsetTooLarge)
        return textFailure(StatusCode::kTextTooLarge, 0);

    if (!index.Flush())
        return indexFailure(index.Error());
    if (!TextUnchanged(text.FileDescriptor(), textPath, textAtStart))
        return textFailure(StatusCode::kTextChanged, 0);
    replacement.SetModificationTime(textAtStart.st_mtim);
    if (!replacement.Commit())
        return indexFailure(replacement.Error(), replacement.ErrorInDirectory());
    return {{}, parsed.nRecords, endLevel};
}
