#include "IndexReader.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kReadBlock = 150 * kRecordSize;  // about 64 KiB

// Reads up to `size` bytes at the current position, retrying short reads.
// Returns the count read, or -1 with errno set.
ssize_t ReadFully(int fd, uint8_t* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, data + done, size - done);
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

IndexReader::~IndexReader() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool IndexReader::Open(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        return false;
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
        const int error = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd_);
        errno = error;
        fd_ = -1;
        return false;
    }
    if (S_ISREG(st.st_mode))
        recordCount_ = st.st_size / static_cast<int64_t>(kRecordSize);
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

std::optional<SpellRecord> ReadRecordAt(const std::string& path, int64_t offset) {
    if (offset < 0)
        return std::nullopt;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    uint8_t bytes[kRecordSize];
    ssize_t n = -1;
    if (::lseek(fd, offset, SEEK_SET) == offset)
        n = ReadFully(fd, bytes, kRecordSize);
    ::close(fd);
    if (n != static_cast<ssize_t>(kRecordSize))
        return std::nullopt;
    return DecodeRecord(ConstRecordBytes(bytes, kRecordSize));
}
