// SPDX-License-Identifier: MIT
#pragma once
// Spell text from the files as a QString for display.

#include <string>
#include <string_view>

#include <QString>

#include "Messages.h"
#include "TextDecoding.h"

// Text the program itself holds as UTF-8 (its messages).
inline QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A text of the messages table, or a message made from it elsewhere, in
// the installed translation: a marked text is looked up, others stay.
inline QString Message(std::string_view text) { return Utf8(messages::Translate(text)); }

// A field without the blanks before its text: fields cut at a fixed place
// after their marker keep the blank that followed it, which means nothing.
inline std::string_view WithoutLeadingBlanks(std::string_view raw) {
    const std::size_t first = raw.find_first_not_of(" \t");
    return first == std::string_view::npos ? std::string_view{} : raw.substr(first);
}

// `raw` decoded by the display rule: UTF-8 when valid, else Windows-1251.
inline QString DisplayText(std::string_view raw) {
    const std::string text = DecodeForDisplay(raw);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A record field as the list and the details show it: without leading blanks.
inline QString FieldDisplayText(std::string_view raw) { return DisplayText(WithoutLeadingBlanks(raw)); }
