// SPDX-License-Identifier: MIT
#include "IndexReader.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "RegularFile.h"

namespace {

constexpr std::size_t kReadBlock = 150 * kRecordSize;  // about 64 KiB

// Reads up to `size` bytes at `offset`, or at the current position when
// `offset` is negative, retrying short reads. Returns the count read, or -1
// with errno set.
ssize_t ReadFully(int fd, uint8_t* data, std::size_t size, int64_t offset = -1) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = offset < 0 ? ::read(fd, data + done, size - done)
                                     : ::pread(fd, data + done, size - done, offset + static_cast<int64_t>(done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

}  // namespace

IndexReader::~IndexReader() { Close(); }

void IndexReader::Close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    error_ = 0;
    recordCount_ = 0;
    nextOffset_ = 0;
    begin_ = end_ = 0;
}

bool IndexReader::Open(const std::string& path) {
    Close();
    const OpenedFile file = OpenRegularFile(path);
    error_ = file.error;
    if (file.fd < 0)
        return false;
    fd_ = file.fd;
    recordCount_ = file.size / static_cast<int64_t>(kRecordSize);
    buffer_.resize(kReadBlock);
    return true;
}

bool IndexReader::Next(SpellRecord& record) {
    if (fd_ < 0 || error_ != 0)
        return false;
    if (end_ - begin_ < kRecordSize) {
        // Keep the partial record, if any, and fill up behind it.
        const std::size_t rest = end_ - begin_;
        std::memmove(buffer_.data(), buffer_.data() + begin_, rest);
        begin_ = 0;
        end_ = rest;
        const ssize_t n = ReadFully(fd_, buffer_.data() + rest, buffer_.size() - rest);
        if (n < 0) {
            error_ = errno;
            return false;
        }
        end_ += static_cast<std::size_t>(n);
        if (end_ < kRecordSize)
            return false;
    }
    DecodeRecord(ConstRecordBytes(buffer_.data() + begin_, kRecordSize), record);
    begin_ += kRecordSize;
    nextOffset_ += static_cast<int64_t>(kRecordSize);
    return true;
}

bool IndexReader::Rewind() {
    if (fd_ < 0 || error_ != 0)
        return false;
    if (::lseek(fd_, 0, SEEK_SET) != 0) {
        error_ = errno;
        return false;
    }
    nextOffset_ = 0;
    begin_ = end_ = 0;
    return true;
}

RecordResult ReadRecordAt(const std::string& path, int64_t offset) {
    RecordResult result;
    if (offset < 0) {
        result.status.code = StatusCode::kBadOffset;
        return result;
    }
    const OpenedFile file = OpenRegularFile(path);
    if (file.fd < 0) {
        result.status = {StatusCode::kCannotOpenIndex, file.error};
        return result;
    }
    if (file.size - offset < static_cast<int64_t>(kRecordSize)) {  // past the end, also for the system
        ::close(file.fd);
        result.status.code = StatusCode::kShortRead;
        return result;
    }
    uint8_t bytes[kRecordSize];
    const ssize_t n = ReadFully(file.fd, bytes, kRecordSize, offset);
    const int error = errno;
    ::close(file.fd);
    if (n < 0) {
        result.status = {StatusCode::kCannotReadIndex, error};
    } else if (n != static_cast<ssize_t>(kRecordSize)) {
        result.status.code = StatusCode::kShortRead;
    } else {
        result.record = DecodeRecord(ConstRecordBytes(bytes, kRecordSize));
    }
    return result;
}
