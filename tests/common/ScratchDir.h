// SPDX-License-Identifier: MIT
#pragma once
// A fresh directory of the process's own, removed with everything in it
// when the object ends. The tests, the benchmarks and the fuzz targets
// share it.

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>

class ScratchDir {
public:
    enum class Place {
        kTemp,    // the system's temporary directory
        kMemory,  // /dev/shm (tmpfs) when it is writable, else the temporary directory
    };

    explicit ScratchDir(std::string_view tag = "spells-test", Place place = Place::kTemp) {
        std::filesystem::path base = std::filesystem::temp_directory_path();
        if (place == Place::kMemory && ::access("/dev/shm", W_OK) == 0)
            base = "/dev/shm";
        std::string pattern = (base / (std::string(tag) + "-XXXXXX")).string();
        if (!::mkdtemp(pattern.data()))
            throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
        path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The directory as a data-directory prefix, ending in '/'.
    std::string prefix() const { return path_.string() + "/"; }
    std::string file(std::string_view name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};
