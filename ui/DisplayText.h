#pragma once
// Spell text from the files as a QString for display.

#include <string>
#include <string_view>

#include <QString>

#include "TextDecoding.h"

// Text the program itself holds as UTF-8 (its messages).
inline QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// `raw` decoded by the display rule: UTF-8 when valid, else Windows-1251.
inline QString DisplayText(std::string_view raw) {
    const std::string text = DecodeForDisplay(raw);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
