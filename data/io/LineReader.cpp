// SPDX-License-Identifier: MIT
#include "LineReader.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <unistd.h>

#include "BlankLineSearch.h"
#include "RegularFile.h"

namespace {
constexpr std::size_t kBufferSize = 64 * 1024;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
}  // namespace

LineReader::LineReader(std::size_t maxLineBytes) : maxLineBytes_(maxLineBytes) {}

LineReader::~LineReader() { Close(); }

void LineReader::Close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    memory_ = nullptr;
    error_ = 0;
    endOfText_ = 0;
    limit_ = -1;
    bytesRead_ = 0;
    data_ = nullptr;
    begin_ = end_ = 0;
    bufferPos_ = 0;
}

bool LineReader::Open(const std::string& path) {
    Close();
    const OpenedFile file = OpenRegularFile(path);
    error_ = file.error;
    if (file.fd < 0)
        return false;
    fd_ = file.fd;
    endOfText_ = file.size;
    buffer_.resize(kBufferSize);
    data_ = buffer_.data();
    return true;
}

void LineReader::OpenMemory(std::string_view text, std::size_t windowBytes) {
    Close();
    memory_ = text.empty() ? "" : text.data();
    endOfText_ = static_cast<int64_t>(text.size());
    window_ = windowBytes == 0 ? text.size() : windowBytes;
}

// Replaces the (fully consumed) block with the next one. False at the end
// of the text or on an error.
bool LineReader::Fill() {
    bufferPos_ += static_cast<int64_t>(end_);
    begin_ = end_ = 0;
    const int64_t endOfText = limit_ >= 0 ? std::min(endOfText_, limit_) : endOfText_;
    if (error_ != 0 || !IsOpen() || bufferPos_ >= endOfText)
        return false;
    const auto rest = static_cast<uint64_t>(endOfText - bufferPos_);
    if (memory_) {
        data_ = memory_ + bufferPos_;
        end_ = static_cast<std::size_t>(std::min<uint64_t>(rest, window_));
        bytesRead_ += end_;
        return true;
    }
    const auto want = static_cast<std::size_t>(std::min<uint64_t>(rest, kBufferSize));
    for (;;) {
        const ssize_t n = ::pread(fd_, buffer_.data(), want, bufferPos_);
        if (n > 0) {
            end_ = static_cast<std::size_t>(n);
            bytesRead_ += end_;
            return true;
        }
        if (n == 0) {  // the file shrank: its end is here from now on
            endOfText_ = bufferPos_;
            return false;
        }
        if (errno != EINTR) {
            error_ = errno;
            return false;
        }
    }
}

// The part of a line that is kept: its first maxLineBytes_ bytes, without a
// byte-order mark at the start of the text.
std::string_view LineReader::Kept(const char* start, std::size_t length, bool atTextStart) const {
    std::string_view line(start, std::min(length, maxLineBytes_));
    if (atTextStart && line.starts_with(kByteOrderMark))
        line.remove_prefix(kByteOrderMark.size());
    return line;
}

bool LineReader::ReadLine(std::string_view& line) {
    if (begin_ == end_ && !Fill())
        return false;

    const bool atTextStart = bufferPos_ == 0 && begin_ == 0;
    const char* start = data_ + begin_;
    const std::size_t avail = end_ - begin_;
    if (const auto* nl = static_cast<const char*>(std::memchr(start, '\n', avail))) {
        std::size_t len = static_cast<std::size_t>(nl - start);
        begin_ += len + 1;
        if (len > 0 && start[len - 1] == '\r')
            --len;
        line = std::string_view(start, len);
        if (len > maxLineBytes_ || atTextStart) [[unlikely]]
            line = Kept(start, len, atTextStart);
        return true;
    }

    // The line runs past the block. spill_ keeps its first bytes, one more
    // than are kept, so that a CR before the LF can still be told.
    const std::size_t room = maxLineBytes_ + 1;
    spill_.assign(start, std::min(avail, room));
    uint64_t length = avail;
    begin_ = end_;
    for (;;) {
        if (!Fill()) {
            if (Failed())
                return false;
            line = Kept(spill_.data(), spill_.size(), atTextStart);  // last line, no terminator
            return true;
        }
        const auto* nl = static_cast<const char*>(std::memchr(data_, '\n', end_));
        const std::size_t n = nl ? static_cast<std::size_t>(nl - data_) : end_;
        if (spill_.size() < room)
            spill_.append(data_, std::min(n, room - spill_.size()));
        length += n;
        if (nl) {
            begin_ = n + 1;
            std::size_t len = spill_.size();
            if (length == len && len > 0 && spill_[len - 1] == '\r')
                --len;
            line = Kept(spill_.data(), len, atTextStart);
            return true;
        }
        begin_ = end_;
    }
}

std::string_view LineReader::SkipNonBlankLines() {
    // At the start of the text a byte-order mark may stand before the
    // terminator of a blank line: ReadLine tells.
    if (bufferPos_ == 0 && begin_ == 0)
        return {};
    const char* const block = data_;
    const char* const end = block + end_;
    const char* p = block + begin_;
    // p is a line's start. A blank line is its terminator alone, LF or CR
    // LF; a line whose second byte lies past the block is left to ReadLine.
    const auto stopsHere = [end](const char* start) {
        return start + 1 >= end || *start == '\n' || (*start == '\r' && start[1] == '\n');
    };
    while (!stopsHere(p)) {
        const char* const lf = FindLfBeforeLfOrCr(p, end);
        if (!lf) {
            // No blank line in the block: the last line start is as far as
            // lines can be passed over here.
            const void* last = ::memrchr(p, '\n', static_cast<std::size_t>(end - p));
            if (last)
                p = static_cast<const char*>(last) + 1;
            break;
        }
        p = lf + 1;  // a line beginning with LF or CR: blank unless a lone CR
    }
    const std::string_view passed(block + begin_, static_cast<std::size_t>(p - (block + begin_)));
    begin_ = static_cast<std::size_t>(p - block);
    return passed;
}

bool LineReader::ReadString(std::string& line) {
    std::string_view view;
    if (!ReadLine(view))
        return false;
    line.assign(view);
    return true;
}

bool LineReader::Seek(int64_t position) {
    if (!IsOpen() || position < 0)
        return false;
    if (position >= bufferPos_ && position <= bufferPos_ + static_cast<int64_t>(end_)) {
        begin_ = static_cast<std::size_t>(position - bufferPos_);
        return true;
    }
    bufferPos_ = position;
    begin_ = end_ = 0;
    return true;
}
