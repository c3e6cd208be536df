// SPDX-License-Identifier: MIT
#pragma once
// Line reading over a spell text, from a file or from bytes in memory, with
// byte positions counted in the text as stored.
//
// A file is read as it was when it was opened: up to the length it had
// then, and an end of file, once met, stays the end (a file that grows or
// shrinks meanwhile cannot tear a line or add lines).
//
// Memory stays bounded whatever the line lengths: of each line only its
// first maxLineBytes bytes are kept (see the constructor). The rest of a
// longer line is read and passed over, so positions, blank lines, the first
// character and the end of the line stay exactly those of the whole line;
// a marker or a tab that stands only beyond the kept part is not seen.
//
// A UTF-8 byte-order mark (EF BB BF) at the very start of the text is not
// part of the first line; positions still count its three bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Kept bytes of a line: the longest description (1 MiB) and the few bytes
// past it that tell whether the cut split a character.
inline constexpr std::size_t kMaxLineBytes = 1024 * 1024 + 4;

class LineReader {
public:
    explicit LineReader(std::size_t maxLineBytes = kMaxLineBytes);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Opens `path` for reading: regular files only, following links, and
    // without blocking on the open. False when it cannot be opened; Error()
    // then holds the errno, EISDIR for a directory or kNotRegularFile
    // (RegularFile.h) for anything else.
    bool Open(const std::string& path);
    // Reads `text`, which must outlive the reading, handing it out in
    // pieces of `windowBytes` as a file would come in blocks (0: at once).
    void OpenMemory(std::string_view text, std::size_t windowBytes = 0);
    bool IsOpen() const { return fd_ >= 0 || memory_ != nullptr; }
    // The open file, for a look at its state; -1 when reading from memory.
    int FileDescriptor() const { return fd_; }

    // Reads the next line without its terminator (LF or CR LF; a lone CR is
    // an ordinary character), at most its first maxLineBytes bytes. A last
    // line without terminator is still read.
    // False at the end of the text, or on a read error (Failed()).
    // The view stays valid until the next call on this reader.
    bool ReadLine(std::string_view& line);
    // The same, copying the line.
    bool ReadString(std::string& line);
    // Passes over lines that are not blank, as ReadLine would, without
    // handing them out: afterwards the next line is blank, or is the line
    // that runs on past the current block, or the text has ended. Lines
    // passed over cannot be told apart from lines read, so a caller that
    // looks only for the next blank line may call this first. With
    // PeekByte it takes 8 to 17 % off the build of a 150 MB text against
    // reading every description line (TextBench/BuildVsFloor's build/floor,
    // 1.29 against 1.41 to 1.46). Returns the bytes passed over: whole
    // lines with their terminators, valid until the next call on this
    // reader.
    std::string_view SkipNonBlankLines();
    // The first byte of the next line when it is already in the current
    // block, else -1 (then ReadLine tells). Never at the start of the text,
    // where a byte-order mark may stand before it.
    int PeekByte() const {
        if (begin_ == end_ || (bufferPos_ == 0 && begin_ == 0))
            return -1;
        return static_cast<unsigned char>(data_[begin_]);
    }

    // Byte offset of the start of the next unread line.
    int64_t GetPosition() const { return bufferPos_ + static_cast<int64_t>(begin_); }
    // Makes the next read start at byte `position` from the start of the
    // text. False for a negative position or when nothing is open.
    bool Seek(int64_t position);
    // The most bytes of a line that ReadLine hands out.
    std::size_t MaxLineBytes() const { return maxLineBytes_; }

    // Lets reads stop at byte `end` of the text, as if the text ended
    // there (-1: at the text's real end again). What the current block
    // already holds may still be handed out. A reader that wants only a
    // few lines bounds with it what a damaged text can make it read.
    void LimitTo(int64_t end) { limit_ = end; }
    // Bytes taken from the file (or the text in memory) since the open.
    uint64_t BytesRead() const { return bytesRead_; }

    bool Failed() const { return error_ != 0; }
    int Error() const { return error_; }

private:
    bool Fill();
    void Close();
    std::string_view Kept(const char* start, std::size_t length, bool atTextStart) const;

    std::size_t maxLineBytes_;
    int fd_ = -1;
    const char* memory_ = nullptr;  // the text, when reading from memory
    std::size_t window_ = 0;        // bytes per Fill() from memory
    int error_ = 0;
    int64_t endOfText_ = 0;  // length at open; lowered to an end met early
    int64_t limit_ = -1;     // LimitTo's end, or -1
    uint64_t bytesRead_ = 0;
    std::vector<char> buffer_;
    const char* data_ = nullptr;      // the current block: buffer_ or memory_
    std::size_t begin_ = 0;           // next unread byte of the block
    std::size_t end_ = 0;             // end of valid bytes of the block
    int64_t bufferPos_ = 0;           // text offset of data_[0]
    std::string spill_;           // the kept part of a line that spans blocks
};
