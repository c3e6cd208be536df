// SPDX-License-Identifier: MIT
#include "StatusMessage.h"

#include <cstring>
#include <string_view>

#include "Messages.h"
#include "RegularFile.h"
#include "ReplacementFile.h"

namespace {

// The directory as the user knows it: without the trailing separator.
std::string DirectoryShown(std::string_view dir) {
    if (dir.empty())
        return ".";
    if (dir.size() > 1 && dir.back() == '/')
        dir.remove_suffix(1);
    return std::string(dir);
}

std::string Reason(int error, bool inDirectory, std::string_view directory) {
    if (inDirectory)
        return messages::CannotCreateFileIn(DirectoryShown(directory), ErrorReason(error));
    return ErrorReason(error);
}

}  // namespace

std::string ErrorReason(int error) {
    if (error == kNotRegularFile)
        return std::string(messages::kNotRegularFile);
    // strerror may share one buffer between threads; the GNU strerror_r
    // returns the words, in `buffer` or in a static table.
    char buffer[256];
    return ::strerror_r(error, buffer, sizeof buffer);
}

std::string ReplacementReason(const ReplacementFile& file) {
    return Reason(file.Error(), file.ErrorInDirectory(), file.Directory());
}

std::string StatusMessage(const Status& status, FileNaming naming) {
    const std::string_view path = status.path;
    // Up to and including the last separator: the directory a new file was
    // to be created in, as it was given.
    const std::string_view directory = path.substr(0, path.rfind('/') + 1);
    const std::string_view file = naming == FileNaming::kName ? path.substr(directory.size()) : path;
    switch (status.code) {
    case StatusCode::kCannotOpenText: return messages::CannotOpenFile(file, ErrorReason(status.error));
    case StatusCode::kCannotReadText: return messages::CannotReadFile(file, ErrorReason(status.error));
    case StatusCode::kTextTooLarge: return messages::CannotIndexText(file);
    case StatusCode::kTextChanged: return messages::TextChangedWhileIndexed(file);
    case StatusCode::kCannotOpenIndex: return messages::CannotOpenIndex(file, ErrorReason(status.error));
    case StatusCode::kCannotReadIndex: return messages::CannotReadIndex(file, ErrorReason(status.error));
    case StatusCode::kCannotWriteIndex:
        return messages::CannotWriteIndex(file, Reason(status.error, status.inDirectory, directory));
    case StatusCode::kOk:
    case StatusCode::kShortRead:
    case StatusCode::kBadOffset:
    case StatusCode::kCancelled:
    case StatusCode::kOutOfMemory: break;
    }
    return {};
}
