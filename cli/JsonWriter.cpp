// SPDX-License-Identifier: MIT
#include "JsonWriter.h"

#include <cstdio>

#include "TextDecoding.h"

void AppendJsonQuoted(std::string& out, std::string_view text) {
    // JSON is UTF-8: other bytes (a folder name in another encoding) are
    // decoded as the display decodes them.
    std::string decoded;
    if (!IsValidUtf8(text)) {
        decoded = DecodeForDisplay(text);
        text = decoded;
    }
    out += '"';
    // Runs of characters that need no escape are appended whole.
    std::size_t plain = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '"' && c != '\\' && static_cast<unsigned char>(c) >= 0x20)
            continue;
        out.append(text.substr(plain, i - plain));
        plain = i + 1;
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            out += escape;
        }
    }
    out.append(text.substr(plain));
    out += '"';
}

void JsonObject::AddKey(std::string_view key) {
    if (text_.size() > 1)
        text_ += ',';
    AppendJsonQuoted(text_, key);
    text_ += ':';
}

void JsonObject::AddInt(std::string_view key, int64_t value) {
    AddKey(key);
    text_ += std::to_string(value);
}

void JsonObject::AddString(std::string_view key, std::string_view text) {
    AddKey(key);
    AppendJsonQuoted(text_, text);
}

void JsonObject::AddNull(std::string_view key) {
    AddKey(key);
    text_ += "null";
}
