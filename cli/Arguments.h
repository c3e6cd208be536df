// SPDX-License-Identifier: MIT
#pragma once
// The options of spellindex's commands, read by getopt_long: --name,
// --name=value or --name value, unambiguous abbreviations, and --help for
// every command.

#include <optional>
#include <span>
#include <string_view>
#include <vector>

struct OptionSpec {
    const char* name;       // without the leading "--"
    bool takesValue = false;
    bool repeatable = false;  // else a second use is a mistake
};

struct Arguments {
    bool help = false;
    std::vector<std::string_view> operands;  // in order

    bool Has(std::string_view name) const;
    // The value given last, if the option was given.
    std::optional<std::string_view> Value(std::string_view name) const;

    std::vector<std::pair<std::string_view, std::string_view>> given;  // name, value
};

// Reads `args` against `specs`. Every word after "--", and every word that
// begins with a single '-' ("-comp:m", "-3"), is an operand unless it is
// an option's value, so that find's terms need no "--". Nothing for an
// unknown option, a missing or unwanted value, or an option given twice
// that may not be.
std::optional<Arguments> ParseArguments(std::span<char* const> args, std::span<const OptionSpec> specs);
