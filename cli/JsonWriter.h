// SPDX-License-Identifier: MIT
#pragma once
// Minimal JSON Lines output for spellindex.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

// Builds one JSON object, keys in the order they are added.
class JsonObject {
public:
    void AddInt(std::string_view key, int64_t value);
    // Valid UTF-8 is written as is; other text is decoded as the display
    // decodes it (Windows-1251), so the output is always valid UTF-8.
    void AddString(std::string_view key, std::string_view text);
    void AddNull(std::string_view key);
    // The finished object, "{...}", followed by `end`.
    std::string Finish(std::string_view end = {}) && {
        text_.append("}").append(end);
        return std::move(text_);
    }

private:
    void AddKey(std::string_view key);
    std::string text_ = "{";
};

// Appends `text` as a JSON string literal, quotes included, decoded as
// AddString decodes it.
void AppendJsonQuoted(std::string& out, std::string_view text);
