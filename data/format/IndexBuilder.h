// SPDX-License-Identifier: MIT
#pragma once
// Builds a class's index file from its spell text file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "SpellRecord.h"
#include "SpellText.h"
#include "Status.h"

class LineReader;

// Receives the records of a build, in the order of their entries.
class RecordSink {
public:
    virtual ~RecordSink() = default;
    virtual void Put(const SpellRecord& record) = 0;
};

// Buffered writer of index records to an open file descriptor. A write
// error is kept and reported by Flush().
class IndexWriter final : public RecordSink {
public:
    explicit IndexWriter(int fd);
    IndexWriter(const IndexWriter&) = delete;
    IndexWriter& operator=(const IndexWriter&) = delete;

    void Append(const SpellRecord& record);
    void Put(const SpellRecord& record) override { Append(record); }
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

struct ParsedText {
    // Where the parse stopped: kEnd (the end of the text), kReadError
    // (reading failed midway) or kOffsetTooLarge (an entry's description
    // starts past 2 GiB).
    ParseResult end = ParseResult::kEnd;
    std::size_t nRecords = 0;  // records given to the sink
    int32_t nEndLevel = 1;     // the level counter after the last header
};

// Parses the entries of `text` from its position to its end, levels
// counted on from `startLevel`, and gives each complete entry's record to
// `sink`. An entry that the end of the text cuts off before its
// description is dropped. Stops at a complete entry whose description
// starts past 2 GiB, which no record can point to (kOffsetTooLarge). An
// observer is told what the parse sees.
ParsedText ParseSpells(LineReader& text, bool bPriest, int32_t startLevel, RecordSink& sink,
                       SpellTextObserver* observer = nullptr);

// Fails with kCannotOpenText, kCannotReadText, kTextTooLarge,
// kCannotWriteIndex or kTextChanged, with the path of the file that
// failed; StatusMessage (StatusMessage.h) words it.
struct [[nodiscard]] BuildResult {
    Status status;
    std::size_t nRecords = 0;  // records written, on success
    int32_t nEndLevel = 1;     // the level counter where the parse ended

    bool ok() const { return status.ok(); }
};

// Builds dataDir + spellClass + ".idx" from the class's ".txt", one record
// per complete entry, levels counted on from `startLevel`. `dataDir` ends
// in a separator (or is empty for the current directory). The index is
// written beside the old one and renamed over it once complete and synced
// (ReplacementFile.h), so on any failure, or when the build is killed, the
// old index stays as it was; an old index this process may not write is
// not replaced. Without a text file nothing is touched.
// The new index carries the text's modification time as the build found
// it, so an index is never older than the text it was built from, and a
// text saved after the build started is newer than the index. A text
// found changed at the end of the build (another size or time, or another
// file under its name) fails the build with kTextChanged. Keeps no state:
// builds may run in any thread. An observer is told what the parse sees;
// it changes nothing of the index.
BuildResult BuildIndexIn(const std::string& dataDir, std::string_view spellClass, int32_t startLevel,
                         SpellTextObserver* observer = nullptr);
