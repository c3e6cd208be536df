#pragma once
// Builds a class's index file from its spell text file.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "SpellRecord.h"

// Buffered writer of index records to an open file descriptor. A write
// error is kept and reported by Flush().
class IndexWriter {
public:
    explicit IndexWriter(int fd);
    IndexWriter(const IndexWriter&) = delete;
    IndexWriter& operator=(const IndexWriter&) = delete;

    void Append(const SpellRecord& record);
    // Writes out what is buffered. False on a write error; Error() holds
    // the errno.
    bool Flush();
    int Error() const { return error_; }

private:
    int fd_;
    int error_ = 0;
    std::vector<uint8_t> buffer_;  // whole records, written out when full
    std::size_t used_ = 0;
};

// Appends the record's 432 bytes to the index.
void WriteRecord(IndexWriter& index, const SpellRecord& record);

enum class BuildStatus {
    kOk,
    kCannotOpenText,    // the spell text file cannot be opened
    kCannotReadText,    // reading the spell text file failed midway
    kCannotWriteIndex,  // the index file cannot be created or written
};

struct [[nodiscard]] BuildResult {
    BuildStatus status = BuildStatus::kOk;
    std::size_t nRecords = 0;  // records written, on success
    std::string strMessage;    // what failed, for the user; empty on success

    bool ok() const { return status == BuildStatus::kOk; }
};

// Builds g_strDataDir + spellClass + ".idx" from the class's ".txt", one
// record per complete entry, levels counted on from g_nLevel. The index is
// written to a temporary file beside it and renamed over it once complete
// and synced, so on any failure the old index stays as it was. Without a
// text file nothing is touched.
BuildResult BuildIndex(std::string_view spellClass);
