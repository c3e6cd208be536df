// SPDX-License-Identifier: MIT
#include "Arguments.h"

#include <getopt.h>

#include <algorithm>
#include <string>

namespace {

constexpr int kOperand = 1;  // getopt_long's code for a word in order
constexpr int kHelp = 0x100;
constexpr int kFirstSpec = 0x101;

bool IsSingleDashWord(const char* arg) {
    return arg[0] == '-' && arg[1] != '\0' && arg[1] != '-';
}

}  // namespace

bool Arguments::Has(std::string_view name) const {
    return std::any_of(given.begin(), given.end(), [&](const auto& option) { return option.first == name; });
}

std::optional<std::string_view> Arguments::Value(std::string_view name) const {
    for (auto it = given.rbegin(); it != given.rend(); ++it)
        if (it->first == name)
            return it->second;
    return std::nullopt;
}

std::optional<Arguments> ParseArguments(std::span<char* const> args, std::span<const OptionSpec> specs) {
    std::vector<option> options;
    for (std::size_t i = 0; i < specs.size(); ++i)
        options.push_back({specs[i].name, specs[i].takesValue ? required_argument : no_argument, nullptr,
                           kFirstSpec + static_cast<int>(i)});
    options.push_back({"help", no_argument, nullptr, kHelp});
    options.push_back({nullptr, 0, nullptr, 0});

    static char program[] = "spellindex";
    std::vector<char*> argv = {program};
    argv.insert(argv.end(), args.begin(), args.end());
    const int argc = static_cast<int>(argv.size());
    argv.push_back(nullptr);

    // "-": words come back in order (code 1); ":": a missing value is ':'.
    constexpr const char* kOptString = "-:";
    opterr = 0;
    // optind 0 makes getopt_long start afresh; the empty call does that
    // without reading any word.
    optind = 0;
    getopt_long(1, argv.data(), kOptString, options.data(), nullptr);

    Arguments parsed;
    std::vector<int> uses(specs.size(), 0);
    while (optind < argc) {
        // getopt_long would read "-comp:m" as the short options c, o, m...:
        // such a word is a term, taken before it sees it.
        if (IsSingleDashWord(argv[static_cast<std::size_t>(optind)])) {
            parsed.operands.emplace_back(argv[static_cast<std::size_t>(optind)]);
            ++optind;
            continue;
        }
        const int code = getopt_long(argc, argv.data(), kOptString, options.data(), nullptr);
        if (code == -1) {  // "--": the rest are operands
            for (; optind < argc; ++optind)
                parsed.operands.emplace_back(argv[static_cast<std::size_t>(optind)]);
            break;
        }
        if (code == kOperand) {
            parsed.operands.emplace_back(optarg);
        } else if (code == kHelp) {
            parsed.help = true;
        } else if (code >= kFirstSpec && code < kFirstSpec + static_cast<int>(specs.size())) {
            const auto index = static_cast<std::size_t>(code - kFirstSpec);
            if (++uses[index] > 1 && !specs[index].repeatable)
                return std::nullopt;
            parsed.given.emplace_back(specs[index].name, optarg ? std::string_view(optarg) : std::string_view());
        } else {  // '?' or ':'
            return std::nullopt;
        }
    }
    return parsed;
}
