// SPDX-License-Identifier: MIT
#include "DataDirectory.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "IndexBuilder.h"
#include "Messages.h"
#include "SpellFiles.h"
#include "StatusMessage.h"

namespace {

constexpr std::string_view kUserFolderName = "spells";
constexpr mode_t kNewFolderMode = 0700;  // as the XDG base directory rules ask

std::string WithSlash(std::string_view dir) {
    std::string out(dir);
    if (out.empty() || out.back() != '/')
        out.push_back('/');
    return out;
}

std::string WithoutSlash(std::string_view dir) {
    while (dir.size() > 1 && dir.back() == '/')
        dir.remove_suffix(1);
    return std::string(dir);
}

// 0 when `path` is a directory, else the reason it is not.
int DirectoryError(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

bool HoldsSpellFiles(const std::string& prefix) {
    for (const std::string_view spellClass : kSpellClasses)
        for (const std::string_view extension : {kTextExtension, kIndexExtension}) {
            const std::string path = prefix + std::string(spellClass) + std::string(extension);
            if (::access(path.c_str(), F_OK) == 0)
                return true;
        }
    return false;
}

DataDirResult Given(DataDirSource source, std::string_view dir) {
    DataDirResult result{source, WithSlash(dir), false, {}};
    if (const int error = DirectoryError(result.strDir); error != 0)
        result.strMessage = messages::CannotUseDataDir(result.strDir, ErrorReason(error));
    return result;
}

// Creates `path` and its missing parents. 0 on success, else the errno.
int MakeDirectories(const std::string& path) {
    for (std::size_t end = 1; end <= path.size(); ++end) {
        if (end < path.size() && path[end] != '/')
            continue;
        const std::string part = path.substr(0, end);
        if (::mkdir(part.c_str(), kNewFolderMode) != 0 && errno != EEXIST)
            return errno;
    }
    return DirectoryError(path);
}

void SyncPath(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | flags);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Copies `from` to the new file `to` and syncs it. 0 or the errno.
int CopyNewFile(const std::string& from, const std::string& to) {
    std::error_code ec;
    std::filesystem::copy_file(from, to, ec);
    if (ec)
        return ec.value();
    SyncPath(to, 0);
    return 0;
}

// Moves `from` to `to` unless `to` exists. 0 or the errno.
int RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without RENAME_NOREPLACE: rename() still refuses to
    // replace a folder that has files in it.
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

constexpr std::size_t kScratchSuffixLength = 6;  // mkdtemp's XXXXXX

// "." + name + "-", the start of the scratch folders set up for `name`.
std::string ScratchPrefix(const std::string& name) { return "." + name + "-"; }

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// A scratch folder "<parent>/.<name>-XXXXXX", locked (flock) by its maker
// while it lives and removed with its contents unless Keep() was called.
// The lock tells a running set-up from a killed one's leftovers.
class ScratchFolder {
public:
    ScratchFolder(const std::string& parent, const std::string& name) {
        // A leftover remover may take a new folder before it is locked here.
        for (int tries = 0; tries < 100; ++tries) {
            path_ = WithSlash(parent) + ScratchPrefix(name) + std::string(kScratchSuffixLength, 'X');
            if (::mkdtemp(path_.data()) == nullptr) {
                error_ = errno;
                return;
            }
            lock_ = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (lock_ < 0) {
                if (errno == ENOENT)
                    continue;
                error_ = errno;
                return;
            }
            struct stat locked {};
            struct stat named {};
            if (::flock(lock_, LOCK_EX) == 0 && ::fstat(lock_, &locked) == 0 &&
                ::lstat(path_.c_str(), &named) == 0 && SameFile(locked, named)) {
                made_ = true;
                return;
            }
            ::close(lock_);
            lock_ = -1;
        }
        error_ = EEXIST;
    }
    ~ScratchFolder() {
        if (made_ && !kept_) {
            std::error_code ec;
            std::filesystem::remove_all(path_, ec);
        }
        if (lock_ >= 0)
            ::close(lock_);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    int error() const { return error_; }
    void Keep() { kept_ = true; }

private:
    std::string path_;
    int lock_ = -1;
    int error_ = 0;
    bool made_ = false;
    bool kept_ = false;
};

// Removes the scratch folders for `name` in `parent` that set-ups killed
// part way left behind: those whose lock is free.
void RemoveLeftovers(const std::string& parent, const std::string& name) {
    DIR* listing = ::opendir(parent.c_str());
    if (!listing)
        return;
    const int dirFd = ::dirfd(listing);
    const std::string prefix = ScratchPrefix(name);
    while (const dirent* entry = ::readdir(listing)) {
        const std::string_view file = entry->d_name;
        if (file.size() != prefix.size() + kScratchSuffixLength || !file.starts_with(prefix))
            continue;
        const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat locked {};
        struct stat now {};
        // Removed only while it is locked here and still the folder that
        // was locked.
        if (::fstat(fd, &locked) == 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(dirFd, entry->d_name, &now, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(locked, now)) {
            std::error_code ec;
            std::filesystem::remove_all(WithSlash(parent) + std::string(file), ec);
        }
        ::close(fd);
    }
    ::closedir(listing);
}

// Whether `samplesDir` holds the text of either class.
bool HoldsSamples(const std::string& samplesDir) {
    for (const std::string_view spellClass : kSpellClasses) {
        const std::string sample = samplesDir + std::string(spellClass) + std::string(kTextExtension);
        if (::access(sample.c_str(), F_OK) == 0)
            return true;
    }
    return false;
}

// Copies and indexes the sample lists into `folder` (ending in '/').
// Empty on success, else what failed.
std::string FillFolder(const std::string& folder, const std::string& samplesDir) {
    for (const std::string_view spellClass : kSpellClasses) {
        const std::string text = std::string(spellClass) + std::string(kTextExtension);
        const std::string sample = samplesDir + text;
        if (::access(sample.c_str(), F_OK) != 0)
            continue;
        if (const int error = CopyNewFile(sample, folder + text); error != 0)
            return messages::CannotOpenFile(sample, ErrorReason(error));
        const BuildResult built = BuildIndexIn(folder, spellClass, 1);
        if (!built.ok())
            return StatusMessage(built.status, FileNaming::kName);
    }
    return {};
}

// ASCII-only lower case, so that byte positions stay those of the original.
std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

}  // namespace

std::string DataDirFromHelpPath(std::string_view helpPath, std::string_view appName) {
    const std::string path = AsciiLower(helpPath);
    const std::string file = AsciiLower(appName) + ".hlp";
    // The last match is the file name itself, even when a directory above
    // happens to carry the same name.
    const auto p = path.rfind(file);
    return std::string(p == std::string::npos ? helpPath : helpPath.substr(0, p));
}

std::string ExecutableDataDir() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        exe = std::filesystem::current_path(ec) / "spellbrowser";
    std::filesystem::path help = exe;
    help.replace_extension(".hlp");
    return DataDirFromHelpPath(help.string(), exe.stem().string());
}

bool IsAbsolute(std::string_view path) { return !path.empty() && path.front() == '/'; }

std::string UserDataDir(const DataDirInputs& inputs) {
    if (IsAbsolute(inputs.strXdgDataHome))
        return WithSlash(inputs.strXdgDataHome) + std::string(kUserFolderName) + "/";
    if (!IsAbsolute(inputs.strHome))
        return {};
    return WithSlash(inputs.strHome) + ".local/share/" + std::string(kUserFolderName) + "/";
}

DataDirResult ChooseDataDir(const DataDirInputs& inputs) {
    if (!inputs.strCommandLine.empty())
        return Given(DataDirSource::kCommandLine, inputs.strCommandLine);
    if (!inputs.strEnvironment.empty())
        return Given(DataDirSource::kEnvironment, inputs.strEnvironment);
    if (HoldsSpellFiles(inputs.strExecutableDir))
        return {DataDirSource::kExecutable, inputs.strExecutableDir, false, {}};
    std::string user = UserDataDir(inputs);
    if (user.empty())
        return {DataDirSource::kUserFolder, {}, false, std::string(messages::kNoHomeFolder)};
    return {DataDirSource::kUserFolder, std::move(user), false, {}};
}

DataDirResult SeedUserDataDir(const std::string& dir, const std::string& samplesDir) {
    DataDirResult result{DataDirSource::kUserFolder, WithSlash(dir), false, {}};
    const std::string path = WithoutSlash(dir);
    const auto fail = [&result](int error) {
        result.strMessage = messages::CannotCreateDataDir(result.strDir, ErrorReason(error));
        return result;
    };

    const std::size_t slash = path.rfind('/');
    const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    RemoveLeftovers(parent, name);

    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode))
            result.strMessage = messages::CannotUseDataDir(result.strDir, ErrorReason(ENOTDIR));
        return result;
    }
    if (errno != ENOENT)
        return fail(errno);
    if (!HoldsSamples(WithSlash(samplesDir))) {
        result.bNoSamples = true;  // nothing to fill it with: the user is told
        return result;
    }
    if (const int error = MakeDirectories(parent); error != 0)
        return fail(error);

    ScratchFolder scratch(parent, name);
    if (scratch.error() != 0)
        return fail(scratch.error());
    if (std::string failure = FillFolder(scratch.path() + "/", WithSlash(samplesDir)); !failure.empty()) {
        result.strMessage = messages::CannotCreateDataDir(result.strDir, failure);
        return result;
    }
    SyncPath(scratch.path(), O_DIRECTORY);

    if (const int error = RenameNoReplace(scratch.path(), path); error != 0) {
        // Another start of the program set the folder up meanwhile: use it.
        if ((error == EEXIST || error == ENOTEMPTY) && DirectoryError(path) == 0)
            return result;
        return fail(error);
    }
    scratch.Keep();
    SyncPath(parent, O_DIRECTORY);
    result.bSeeded = true;
    return result;
}

DataDirResult SettleDataDir(const DataDirInputs& inputs, const std::string& samplesDir) {
    DataDirResult result = ChooseDataDir(inputs);
    if (result.ok() && result.source == DataDirSource::kUserFolder)
        result = SeedUserDataDir(result.strDir, samplesDir);
    return result;
}

DataDirInputs DataDirInputsOfProcess(std::string_view commandLineDir) {
    const auto env = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
    };
    DataDirInputs inputs;
    inputs.strCommandLine = std::string(commandLineDir);
    inputs.strEnvironment = env("SPELLS_DATA_DIR");
    inputs.strXdgDataHome = env("XDG_DATA_HOME");
    inputs.strHome = env("HOME");
    // A relative HOME names no home: the data folder would land wherever
    // the program was started.
    if (!IsAbsolute(inputs.strHome))
        inputs.strHome.clear();
    if (inputs.strHome.empty())
        if (const passwd* user = ::getpwuid(::getuid()); user && IsAbsolute(user->pw_dir ? user->pw_dir : ""))
            inputs.strHome = user->pw_dir;

    inputs.strExecutableDir = ExecutableDataDir();
    return inputs;
}
