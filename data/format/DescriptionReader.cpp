// SPDX-License-Identifier: MIT
#include "DescriptionReader.h"

#include "LineReader.h"
#include "SpellText.h"
#include "TextDecoding.h"

namespace {

// Cuts a description that reached the size limit, dropping a UTF-8
// character split by the cut.
void CutAtLimit(std::string& text) {
    if (text.size() <= kMaxDescriptionBytes)
        return;
    // The limit may have split a character at the very end of what was
    // collected; drop that tail before judging the encoding.
    std::string_view whole = text;
    for (int drop = 0; drop < 4 && !whole.empty(); ++drop) {
        if (IsValidUtf8(whole))
            break;
        whole.remove_suffix(1);
    }
    if (!IsValidUtf8(whole))
        whole = text;
    text.resize(CutToLength(whole, kMaxDescriptionBytes).size());
}

}  // namespace

Status ReadDescriptionInto(LineReader& file, int64_t textOffset, std::string& text) {
    text.clear();
    if (textOffset < 0)
        return {StatusCode::kBadOffset};
    if (!file.Seek(textOffset)) {
        text.clear();
        return {StatusCode::kCannotReadText, file.Error()};
    }
    // A few bytes over the limit let CutAtLimit tell a split character.
    // The reading stops once that much is collected, and within its window
    // of the text whatever the text holds there.
    file.LimitTo(textOffset + static_cast<int64_t>(kMaxDescriptionReadBytes));
    const DescriptionEnd end = ScanDescription(file, &text, kMaxDescriptionBytes + 4);
    file.LimitTo(-1);
    if (end == DescriptionEnd::kReadError) {
        text.clear();
        return {StatusCode::kCannotReadText, file.Error()};
    }
    CutAtLimit(text);
    return {};
}

DescriptionResult ReadDescriptionFromPath(const std::string& textPath, int64_t textOffset) {
    if (textOffset < 0)
        return {{StatusCode::kBadOffset}, {}};
    LineReader file;
    if (!file.Open(textPath))
        return {{StatusCode::kCannotOpenText, file.Error()}, {}};
    return ReadDescriptionFromFile(file, textOffset);
}

DescriptionResult ReadDescriptionFromFile(LineReader& file, int64_t textOffset) {
    DescriptionResult result;
    result.status = ReadDescriptionInto(file, textOffset, result.strText);
    return result;
}
