#pragma once
// Buffered line reading over a spell text file, with byte positions
// counted in the file as stored.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class LineReader {
public:
    LineReader() = default;
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Opens `path` for reading. False when it cannot be opened; Error()
    // then holds the errno.
    bool Open(const std::string& path);
    bool IsOpen() const { return fd_ >= 0; }

    // Reads the next line without its terminator (LF or CR LF; a lone CR is
    // an ordinary character). A last line without terminator is still read.
    // False at the end of the file, or on a read error (Failed()).
    // The view stays valid until the next call on this reader.
    bool ReadLine(std::string_view& line);
    // The same, copying the line.
    bool ReadString(std::string& line);

    // Byte offset of the start of the next unread line.
    int64_t GetPosition() const { return bufferPos_ + static_cast<int64_t>(begin_); }
    // Makes the next read start at byte `position` from the start of the
    // file. False for a negative position or when the file cannot seek.
    bool Seek(int64_t position);

    bool Failed() const { return error_ != 0; }
    int Error() const { return error_; }

private:
    bool Fill();

    int fd_ = -1;
    int error_ = 0;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;  // next unread byte in buffer_
    std::size_t end_ = 0;    // end of valid bytes in buffer_
    int64_t bufferPos_ = 0;  // file offset of buffer_[0]
    std::string spill_;      // a line that spans buffer refills
};
