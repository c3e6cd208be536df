// SPDX-License-Identifier: MIT
#pragma once
// Scratch directories and small file helpers for tests.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "ScratchDir.h"

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object ends.
using TempDir = ScratchDir;

inline void WriteFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return std::move(bytes).str();
}

// Writes `head`, then `gap` zero bytes as a hole (nothing is written, so
// gigabytes cost nothing), then `tail`.
inline void WriteSparse(const std::string& path, std::string_view head, int64_t gap, std::string_view tail) {
    WriteFile(path, head);
    std::filesystem::resize_file(path, head.size() + static_cast<uintmax_t>(gap));
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out.write(tail.data(), static_cast<std::streamsize>(tail.size()));
}

// Descriptors this process has open.
inline std::size_t OpenDescriptors() {
    std::size_t n = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        (void)entry;
        ++n;
    }
    return n;
}

// Text with "\n" line ends turned into "\r\n".
inline std::string ToCrlf(std::string_view lf) {
    std::string out;
    for (const char c : lf) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}
