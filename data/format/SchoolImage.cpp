// SPDX-License-Identifier: MIT
#include "SchoolImage.h"

namespace {

struct SchoolKeyword {
    std::string_view keyword;
    int image;
};

// Tested in this order; the first hit decides. "vocation" is lower case so
// that it matches inside Evocation and Invocation; "Conjuration" comes last
// so that any other school named beside it wins.
constexpr SchoolKeyword kSchoolKeywords[] = {
    {"Alteration", kImageAlteration},   {"Abjuration", kImageAbjuration}, {"Summoning", kImageConjuration},
    {"Charm", kImageEnchantment},       {"Enchantment", kImageEnchantment}, {"vocation", kImageEvocation},
    {"Divination", kImageDivination},   {"Illusion", kImageIllusion},   {"Necromancy", kImageNecromancy},
    {"Conjuration", kImageConjuration},
};

}  // namespace

const std::array<std::string_view, kSchoolImageCount> kSchoolClassNames = {
    "Alteration",        "Abjuration",           "Conjuration/Summoning",
    "Enchantment/Charm", "Illusion/Phantasm",    "Evokation/Invokation",
    "Divination",        "Necromancy",           "All schools",
};

int GetSchoolImage(std::string_view school) {
    for (const auto& [keyword, image] : kSchoolKeywords)
        if (school.find(keyword) != std::string_view::npos)
            return image;
    return kSchoolImageOther;
}
