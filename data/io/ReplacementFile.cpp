// SPDX-License-Identifier: MIT
#include "ReplacementFile.h"

#include <atomic>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "RegularFile.h"

namespace {

constexpr std::string_view kNewFileMarker = ".tmp-";
constexpr std::size_t kSuffixLength = 6;
constexpr int kNameTries = 100;

std::atomic<bool> namedFilesOnly{false};

std::string DirectoryPath(const std::string& dir) { return dir.empty() ? std::string(".") : dir; }

std::string NewFileName(const std::string& target) {
    static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::minstd_rand random(std::random_device{}());
    std::string name = target + std::string(kNewFileMarker);
    for (std::size_t i = 0; i < kSuffixLength; ++i)
        name += kChars[random() % (sizeof kChars - 1)];
    return name;
}

// Errors of a create that lie with the directory rather than the process.
bool IsDirectoryError(int error) {
    switch (error) {
    case EACCES: case EPERM: case EROFS: case ENOENT: case ENOTDIR: case ENOSPC: case EDQUOT:
        return true;
    default:
        return false;
    }
}

// O_TMPFILE is missing from this file system or kernel.
bool NoUnnamedFiles(int error) {
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL || error == ENOSYS;
}

// Removes the new files of `name` that earlier writers left behind: those
// whose lock is free.
void RemoveLeftovers(const std::string& dir, const std::string& name) {
    DIR* listing = ::opendir(DirectoryPath(dir).c_str());
    if (!listing)
        return;
    const int dirFd = ::dirfd(listing);
    const std::string prefix = name + std::string(kNewFileMarker);
    while (const dirent* entry = ::readdir(listing)) {
        const std::string_view file = entry->d_name;
        if (file.size() != prefix.size() + kSuffixLength || !file.starts_with(prefix))
            continue;
        const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat locked {};
        struct stat now {};
        // Removed only while it is locked here and still the file that was
        // locked.
        if (::fstat(fd, &locked) == 0 && S_ISREG(locked.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(dirFd, entry->d_name, &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_dev == locked.st_dev &&
            now.st_ino == locked.st_ino)
            ::unlinkat(dirFd, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(listing);
}

// Gives the unnamed file `fd` the name `path`.
int LinkUnnamed(int fd, const std::string& path) {
    if (::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0)
        return 0;
    // Without the capability AT_EMPTY_PATH needs, the link goes through /proc.
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW);
}

// Makes a rename in `dir` durable; a failure here loses nothing.
void SyncDirectory(const std::string& dir) {
    const int fd = ::open(DirectoryPath(dir).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

void ReplacementFile::UseNamedFilesOnly(bool namedOnly) { namedFilesOnly = namedOnly; }

ReplacementFile::~ReplacementFile() {
    if (named_ && !committed_)
        ::unlink(path_.c_str());
    if (fd_ >= 0)
        ::close(fd_);
}

bool ReplacementFile::Fail(int error) {
    error_ = error;
    inDirectory_ = false;
    return false;
}

bool ReplacementFile::FailToCreate(int error) {
    Fail(error);
    inDirectory_ = IsDirectoryError(error);
    return false;
}

bool ReplacementFile::Create(const std::string& dir, const std::string& name) {
    dir_ = dir;
    target_ = dir + name;

    struct stat old {};
    const bool replacing = ::stat(target_.c_str(), &old) == 0;
    if (!replacing && errno != ENOENT)
        return Fail(errno);
    if (replacing) {
        if (const int error = RegularFileError(old.st_mode))
            return Fail(error);
        // Only a file this process could write is replaced.
        const int probe = ::open(target_.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (probe < 0)
            return Fail(errno);
        ::close(probe);
    }

    RemoveLeftovers(dir_, name);
    if (!namedFilesOnly) {
        // Mode 0666 less the umask, applied by the kernel.
        fd_ = ::open(DirectoryPath(dir_).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
        if (fd_ < 0 && !NoUnnamedFiles(errno))
            return FailToCreate(errno);
    }
    if (fd_ >= 0)
        ::flock(fd_, LOCK_EX);  // for the moment it has a name
    else if (!CreateNamed())
        return false;

    if (replacing && ::fchmod(fd_, old.st_mode & 0777) != 0)
        return Fail(errno);
    return true;
}

bool ReplacementFile::CreateNamed() {
    for (int i = 0; i < kNameTries; ++i) {
        path_ = NewFileName(target_);
        fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ < 0) {
            if (errno == EEXIST)
                continue;
            return FailToCreate(errno);
        }
        named_ = true;
        ::flock(fd_, LOCK_EX);
        // Another writer may have taken it for a leftover before it was
        // locked here.
        struct stat st {};
        if (::fstat(fd_, &st) == 0 && st.st_nlink > 0)
            return true;
        named_ = false;
        ::close(fd_);
        fd_ = -1;
    }
    return FailToCreate(EEXIST);
}

void ReplacementFile::SetModificationTime(const struct timespec& time) {
    stamp_ = true;
    time_ = time;
}

bool ReplacementFile::Commit() {
    if (stamp_) {
        const struct timespec times[2] = {{0, UTIME_NOW}, time_};  // access, modification
        if (::futimens(fd_, times) != 0)
            return Fail(errno);
    }
    if (::fsync(fd_) != 0)
        return Fail(errno);
    for (int i = 0; !named_ && i < kNameTries; ++i) {
        path_ = NewFileName(target_);
        if (LinkUnnamed(fd_, path_) == 0)
            named_ = true;
        else if (errno != EEXIST)
            return Fail(errno);
    }
    if (!named_)
        return Fail(EEXIST);
    if (::rename(path_.c_str(), target_.c_str()) != 0)
        return Fail(errno);
    committed_ = true;
    ::close(fd_);  // after the sync, nothing is left to report
    fd_ = -1;
    SyncDirectory(dir_);
    return true;
}
