// SPDX-License-Identifier: MIT
#include "IndexAge.h"

#include <sys/stat.h>

#include "SpellFiles.h"

namespace {

bool Later(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec > b.tv_nsec;
}

}  // namespace

IndexAge GetIndexAge(const std::string& dataDir, std::string_view spellClass) {
    struct stat index {};
    if (::stat(IndexPath(dataDir, spellClass).c_str(), &index) != 0)
        return IndexAge::kIndexMissing;
    struct stat text {};
    if (::stat(TextPath(dataDir, spellClass).c_str(), &text) != 0 || !S_ISREG(text.st_mode))
        return IndexAge::kTextMissing;
    return Later(text.st_mtim, index.st_mtim) ? IndexAge::kTextChanged : IndexAge::kCurrent;
}
