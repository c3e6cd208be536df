// SPDX-License-Identifier: MIT
#pragma once
// The words for the reasons and statuses that the files, the readers and
// the builder return: the one place where a failure below the services
// becomes the message the browser shows and spellindex prints.

#include <string>

#include "Status.h"

class ReplacementFile;

// The words for an error code: the system's, or "not a regular file" for
// kNotRegularFile (RegularFile.h). Safe on any thread. Every message that
// gives a system reason uses it.
std::string ErrorReason(int error);

// Why a ReplacementFile failed: the system's reason, after "can't create a
// file in <directory>: " when its directory refused the new file.
std::string ReplacementReason(const ReplacementFile& file);

// How a message names the file of a status.
enum class FileNaming {
    kPath,  // as its path was given
    kName,  // by its name alone
};

// The message for a failed status, naming its file: "can't open file
// wizard.txt: No such file or directory", ... Empty for kOk, and for the
// codes that the caller words itself (kBadOffset, kShortRead, kCancelled,
// kOutOfMemory).
std::string StatusMessage(const Status& status, FileNaming naming = FileNaming::kPath);
