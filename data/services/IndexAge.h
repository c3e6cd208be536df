// SPDX-License-Identifier: MIT
#pragma once
// Whether a class's index still matches its spell text: an index records
// byte offsets into the text, so any later edit of the text may move the
// descriptions.

#include <string>
#include <string_view>

enum class IndexAge {
    kIndexMissing,  // there is no index to be stale
    kCurrent,      // the text is no newer than the index
    kTextChanged,  // the text was modified after the index was written
    kTextMissing,  // there is an index but no text file beside it
};

// Compares the modification times of dataDir + spellClass + ".txt" and
// ".idx". A build gives the index the time its text had when the build
// began (IndexBuilder.h), so an index is current for the text it was built
// from whatever the clock said, and any later save makes the text newer.
// A text that cannot be looked at, or that is no regular file, counts as
// missing.
IndexAge GetIndexAge(const std::string& dataDir, std::string_view spellClass);
