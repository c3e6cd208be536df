// SPDX-License-Identifier: MIT
#pragma once
// What an operation on the spell files came to: what failed, on which file,
// and the system's reason as a code. One type for the build, the check, the
// search and the readers of records and descriptions.

#include <string>
#include <utility>

enum class StatusCode {
    kOk,
    kCannotOpenText,    // the spell text file cannot be opened
    kCannotReadText,    // reading the spell text file failed midway
    kTextTooLarge,      // an entry's description starts past 2 GiB
    kTextChanged,       // the text was written to or replaced while it was read
    kCannotOpenIndex,   // the index file cannot be opened, or is no regular file
    kCannotReadIndex,   // reading the index file failed
    kShortRead,         // fewer than 432 bytes stand at a record offset
    kCannotWriteIndex,  // the index file cannot be created or written
    kBadOffset,         // a negative record or text offset
    kCancelled,         // a search's cancel flag was set
    kOutOfMemory,       // memory ran out
};

struct Status {
    Status() = default;
    Status(StatusCode code_, int error_ = 0, std::string path_ = {}, bool inDirectory_ = false)
        : code(code_), error(error_), path(std::move(path_)), inDirectory(inDirectory_) {}

    StatusCode code = StatusCode::kOk;
    // The system's reason: an errno value, or kNotRegularFile (RegularFile.h)
    // for a FIFO, device or socket; 0 when it gave none.
    int error = 0;
    // The file that failed, as its path was given; empty where the caller
    // holds it.
    std::string path;
    // The reason lies with the directory of `path`, which refused a new file.
    bool inDirectory = false;

    bool ok() const { return code == StatusCode::kOk; }
};
