#include "LineReader.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <unistd.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "BlankLineSearch.h"
#include "RegularFile.h"

namespace {
constexpr std::size_t kBufferSize = 64 * 1024;
// Bytes after the buffer that may be read, never used: room for FindLf's
// step of 64 bytes at a block's end.
constexpr std::size_t kReadSlack = 64;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The first LF in [p, end), or null; bytes up to `readable` may be read.
// Most lines the parse reads are field lines shorter than 64 bytes: their
// end is found in one step of 64 bytes without a call, and without a
// branch on their length; longer lines go on with memchr.
const char* FindLf(const char* p, const char* end, const char* readable) {
#if defined(__SSE2__)
    if (readable - p >= static_cast<std::ptrdiff_t>(kReadSlack)) {
        const __m128i lf = _mm_set1_epi8('\n');
        const auto lfs = [&](int at) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
            return uint64_t{static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lf)))} << at;
        };
        if (const uint64_t mask = lfs(0) | lfs(16) | lfs(32) | lfs(48)) {
            const char* const hit = p + std::countr_zero(mask);
            return hit < end ? hit : nullptr;
        }
        if (end - p <= 64)
            return nullptr;
        p += 64;
    }
#else
    (void)readable;
#endif
    return static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
}

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
    readable_ = nullptr;
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
    buffer_.resize(kBufferSize + kReadSlack);
    data_ = buffer_.data();
    readable_ = data_ + buffer_.size();
    return true;
}

void LineReader::OpenMemory(std::string_view text, std::size_t windowBytes) {
    Close();
    memory_ = text.empty() ? "" : text.data();
    readable_ = memory_ + text.size();
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
    if (const char* nl = FindLf(start, start + avail, readable_)) {
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

void LineReader::SkipNonBlankLines() {
    // At the start of the text a byte-order mark may stand before the
    // terminator of a blank line: ReadLine tells.
    if (bufferPos_ == 0 && begin_ == 0)
        return;
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
    begin_ = static_cast<std::size_t>(p - block);
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
