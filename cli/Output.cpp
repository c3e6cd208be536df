// SPDX-License-Identifier: MIT
#include "Output.h"

#include <cerrno>
#include <cstdio>

#include "Messages.h"
#include "StatusMessage.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;

// The reason of the first failed write to standard output, or 0.
int g_outputError = 0;

void NoteOutputError() {
    if (g_outputError == 0)
        g_outputError = errno != 0 ? errno : EIO;
}

}  // namespace

bool WriteOutput(std::string_view text) {
    if (g_outputError != 0)
        return false;
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
        NoteOutputError();
        return false;
    }
    return true;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "spellindex: %s\n", message.c_str());
    return kExitFailure;
}

int FinishOutput() {
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        NoteOutputError();
    if (g_outputError != 0)
        return Fail(messages::CannotWriteOutput(ErrorReason(g_outputError)));
    return kExitOk;
}
