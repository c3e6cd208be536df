// SPDX-License-Identifier: MIT
#pragma once
// Spell texts and indexes are regular files. A FIFO, a device or a socket
// in their place (directly or through a link) is refused at once, without
// blocking on the open and without reading from it.

#include <cstdint>
#include <string>
#include <sys/types.h>

// An error code beside the errno values: the path names something other
// than a regular file or a directory. ErrorReason (StatusMessage.h) words
// it.
inline constexpr int kNotRegularFile = -1;

// 0 for a regular file, EISDIR for a directory, kNotRegularFile otherwise.
int RegularFileError(mode_t mode);

struct OpenedFile {
    int fd = -1;       // -1 on failure
    int error = 0;     // errno, EISDIR or kNotRegularFile on failure
    int64_t size = 0;  // the file's length when it was opened
};

// Opens `path` read-only, following links. The caller closes the descriptor.
OpenedFile OpenRegularFile(const std::string& path);
