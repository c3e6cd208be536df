// SPDX-License-Identifier: MIT
#pragma once
// A new version of a file, written beside it and renamed over it only when
// complete and synced, so that the file is always the old one or the whole
// new one.
//
// The new file has no name while it is written (O_TMPFILE) where the file
// system allows. Otherwise, and for the moment between its linking and the
// rename, it is named "<name>.tmp-XXXXXX" and locked (flock) by its writer.
// So a writer killed at any point leaves nothing that lasts: an unnamed
// file goes with its writer, and the next Create() for the same file
// removes the named ones whose lock is free.

#include <string>
#include <ctime>
#include <sys/types.h>

class ReplacementFile {
public:
    ReplacementFile() = default;
    // Removes the new file unless Commit() put it in place.
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Prepares to replace `name` in the directory `dir` (a prefix ending
    // in '/', or empty for the current directory). An existing file must be
    // a regular file this process may open for writing; its permission bits
    // pass to the new file, which otherwise gets 0666 less the umask.
    // False when that does not hold or the new file cannot be created;
    // Error() says why, and ErrorInDirectory() whether the cause lies with
    // the directory.
    bool Create(const std::string& dir, const std::string& name);

    // The new file, open for writing.
    int fd() const { return fd_; }

    // Gives the new file this modification time when it is committed
    // (instead of the time of its last write).
    void SetModificationTime(const struct timespec& time);

    // Syncs the new file and renames it over the old one. False on failure,
    // with Error() set; the old file then stays as it was.
    bool Commit();

    // Why the last call failed: an errno value, or kNotRegularFile
    // (RegularFile.h) for an old file that is no regular file.
    // ReplacementReason (StatusMessage.h) words it.
    int Error() const { return error_; }
    // The directory refused the new file (no permission, no room, ...).
    bool ErrorInDirectory() const { return inDirectory_; }
    // The directory, as given to Create().
    const std::string& Directory() const { return dir_; }

    // Test seam: named files even where the file system has unnamed ones.
    static void UseNamedFilesOnly(bool namedOnly);

private:
    bool Fail(int error);
    bool FailToCreate(int error);
    bool CreateNamed();

    std::string dir_;     // the directory, as given
    std::string target_;  // dir_ + name
    std::string path_;    // the new file's name, once it has one
    int error_ = 0;
    bool inDirectory_ = false;
    int fd_ = -1;
    bool stamp_ = false;
    struct timespec time_ {};
    bool named_ = false;
    bool committed_ = false;
};
