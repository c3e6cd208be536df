#include "LineReader.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr std::size_t kBufferSize = 64 * 1024;
}

LineReader::~LineReader() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool LineReader::Open(const std::string& path) {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    error_ = fd_ < 0 ? errno : 0;
    begin_ = end_ = 0;
    bufferPos_ = 0;
    if (fd_ >= 0)
        buffer_.resize(kBufferSize);
    return fd_ >= 0;
}

// Replaces the (fully consumed) buffer with the next block of the file.
// False at the end of the file or on an error.
bool LineReader::Fill() {
    if (fd_ < 0 || error_ != 0)
        return false;
    bufferPos_ += static_cast<int64_t>(end_);
    begin_ = end_ = 0;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
        if (n >= 0) {
            end_ = static_cast<std::size_t>(n);
            return n > 0;
        }
        if (errno != EINTR) {
            error_ = errno;
            return false;
        }
    }
}

bool LineReader::ReadLine(std::string_view& line) {
    if (begin_ == end_ && !Fill())
        return false;

    const char* start = buffer_.data() + begin_;
    const std::size_t avail = end_ - begin_;
    if (const auto* nl = static_cast<const char*>(std::memchr(start, '\n', avail))) {
        std::size_t len = static_cast<std::size_t>(nl - start);
        begin_ += len + 1;
        if (len > 0 && start[len - 1] == '\r')
            --len;
        line = std::string_view(start, len);
        return true;
    }

    // The line runs past the buffer: gather it in spill_.
    spill_.assign(start, avail);
    begin_ = end_;
    for (;;) {
        if (!Fill()) {
            if (Failed())
                return false;
            line = spill_;  // last line, no terminator
            return true;
        }
        const char* chunk = buffer_.data();
        if (const auto* nl = static_cast<const char*>(std::memchr(chunk, '\n', end_))) {
            const auto len = static_cast<std::size_t>(nl - chunk);
            spill_.append(chunk, len);
            begin_ = len + 1;
            if (!spill_.empty() && spill_.back() == '\r')
                spill_.pop_back();
            line = spill_;
            return true;
        }
        spill_.append(chunk, end_);
        begin_ = end_;
    }
}

bool LineReader::ReadString(std::string& line) {
    std::string_view view;
    if (!ReadLine(view))
        return false;
    line.assign(view);
    return true;
}

bool LineReader::Seek(int64_t position) {
    if (fd_ < 0 || position < 0)
        return false;
    if (position >= bufferPos_ && position <= bufferPos_ + static_cast<int64_t>(end_)) {
        begin_ = static_cast<std::size_t>(position - bufferPos_);
        return true;
    }
    if (::lseek(fd_, position, SEEK_SET) < 0) {
        error_ = errno;
        return false;
    }
    bufferPos_ = position;
    begin_ = end_ = 0;
    return true;
}
