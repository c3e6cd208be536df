#pragma once
// Every message the program shows or prints about a failure, in one place.
// Texts are UTF-8; the two Russian ones are the program's own words.

#include <string>
#include <string_view>

namespace messages {

// No index file for the class, or it cannot be opened.
inline constexpr std::string_view kNoIndex = "нету индекса";
// Asked before an index build: Yes builds the wizard index, No the priest's.
inline constexpr std::string_view kCreateIndexQuestion = "Вы хотите создать индекс для Wizard?";
// Caption of every message box.
inline constexpr std::string_view kCaption = "Spells";
// The reason given for a FIFO, a device or a socket where a file should be.
inline constexpr std::string_view kNotRegularFile = "not a regular file";

// "<what> <name>", followed by ": <reason>" when a reason is given.
inline std::string WithReason(std::string_view what, std::string_view name,
                              std::string_view reason = {}) {
    std::string text;
    text.reserve(what.size() + name.size() + reason.size() + 3);
    text.append(what).append(name);
    if (!reason.empty())
        text.append(": ").append(reason);
    return text;
}

// "can't open file wizard.txt[: reason]"
inline std::string CannotOpenFile(std::string_view name, std::string_view reason = {}) {
    return WithReason("can't open file ", name, reason);
}
// "can't read file wizard.txt: reason"
inline std::string CannotReadFile(std::string_view name, std::string_view reason) {
    return WithReason("can't read file ", name, reason);
}
// "can't write index wizard.idx: reason"
inline std::string CannotWriteIndex(std::string_view name, std::string_view reason) {
    return WithReason("can't write index ", name, reason);
}
// "can't read index wizard.idx: reason"
inline std::string CannotReadIndex(std::string_view name, std::string_view reason) {
    return WithReason("can't read index ", name, reason);
}
// "can't index wizard.txt: spells past 2 GiB cannot be stored in the index"
inline std::string CannotIndexText(std::string_view name) {
    return WithReason("can't index ", name, "spells past 2 GiB cannot be stored in the index");
}
// "can't create a file in /data: reason", the reason for a failed build
// when the index's directory does not take a new file.
inline std::string CannotCreateFileIn(std::string_view directory, std::string_view reason) {
    return WithReason("can't create a file in ", directory, reason);
}
// "can't write output: reason", when standard output takes no more.
inline std::string CannotWriteOutput(std::string_view reason) {
    return WithReason("can't write output", "", reason);
}
// "can't open index /data/wizard.idx: reason"
inline std::string CannotOpenIndex(std::string_view name, std::string_view reason) {
    return WithReason("can't open index ", name, reason);
}
// "can't insert spell <name>": the literal ends in a blank.
inline std::string CannotInsertSpell(std::string_view spellName) {
    return WithReason("can't insert spell ", spellName);
}

}  // namespace messages
