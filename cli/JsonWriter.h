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
    // `utf8` must be valid UTF-8; non-ASCII characters are written as is.
    void AddString(std::string_view key, std::string_view utf8);
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

// `utf8` as a JSON string literal, quotes included.
std::string JsonQuote(std::string_view utf8);
void AppendJsonQuoted(std::string& out, std::string_view utf8);
