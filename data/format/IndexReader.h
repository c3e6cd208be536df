// SPDX-License-Identifier: MIT
#pragma once
// Reading index files: in sequence for the list, or one record at an
// offset for the details.

#include <cstdint>
#include <string>
#include <vector>

#include "SpellRecord.h"
#include "Status.h"

class IndexReader {
public:
    IndexReader() = default;
    ~IndexReader();
    IndexReader(const IndexReader&) = delete;
    IndexReader& operator=(const IndexReader&) = delete;

    // Opens `path` for reading from its first record, closing what was open
    // before: regular files only, following links, and without blocking on
    // the open. False when it cannot be opened; Error() then holds the
    // errno, EISDIR for a directory or kNotRegularFile (RegularFile.h).
    bool Open(const std::string& path);

    // Whole records in the file when it was opened: its length / 432.
    int64_t RecordCount() const { return recordCount_; }

    // Reads the next whole record. False at the end of the file, on a
    // trailing partial record, or on a read error (Failed()).
    bool Next(SpellRecord& record);
    // Starts reading again at the first record of the same open file,
    // whatever has been renamed over its path meanwhile. False on an error.
    bool Rewind();
    // Record offset (ordinal x 432) of the record Next() returned last.
    int64_t LastOffset() const { return nextOffset_ - static_cast<int64_t>(kRecordSize); }

    bool Failed() const { return error_ != 0; }
    int Error() const { return error_; }

private:
    void Close();

    int fd_ = -1;
    int error_ = 0;
    int64_t recordCount_ = 0;
    int64_t nextOffset_ = 0;
    std::vector<uint8_t> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
};

// Fails with kCannotOpenIndex (EISDIR or kNotRegularFile when no regular
// file stands there), kBadOffset (a negative record offset), kShortRead
// (fewer than 432 bytes at the offset) or kCannotReadIndex.
struct [[nodiscard]] RecordResult {
    Status status;
    SpellRecord record;  // the record read, when ok()

    bool ok() const { return status.ok(); }
};

// The record at byte `offset` of the index file `path`.
RecordResult ReadRecordAt(const std::string& path, int64_t offset);
