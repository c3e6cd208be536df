#pragma once
// Reading index files: in sequence for the list, or one record at an
// offset for the details.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "SpellRecord.h"

class IndexReader {
public:
    IndexReader() = default;
    ~IndexReader();
    IndexReader(const IndexReader&) = delete;
    IndexReader& operator=(const IndexReader&) = delete;

    // Opens `path` for reading from its first record, closing what was open
    // before. False, with errno set, when it cannot be opened or is a
    // directory.
    bool Open(const std::string& path);

    // Whole records in the file when it was opened: its length / 432.
    int64_t RecordCount() const { return recordCount_; }

    // Reads the next whole record. False at the end of the file, on a
    // trailing partial record, or on a read error (Failed()).
    bool Next(SpellRecord& record);
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

// The record at byte `offset` of the index file `path`; nothing when the
// file cannot be opened, the offset is negative, or fewer than 432 bytes
// stand there.
std::optional<SpellRecord> ReadRecordAt(const std::string& path, int64_t offset);
