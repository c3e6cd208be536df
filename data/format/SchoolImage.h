// SPDX-License-Identifier: MIT
#pragma once
// Reduces a free-text school line to one of nine icon classes.

#include <array>
#include <string_view>

// The nine image indices: the icons' order in the list's image list.
enum SchoolImageIndex : int {
    kImageAlteration,
    kImageAbjuration,
    kImageConjuration,
    kImageEnchantment,
    kImageIllusion,
    kImageEvocation,
    kImageDivination,
    kImageNecromancy,
    kImageAllSchools,
};

inline constexpr int kSchoolImageCount = 9;
inline constexpr int kSchoolImageOther = kImageAllSchools;  // no keyword recognised

// Class names of the nine image indices, in image order.
extern const std::array<std::string_view, kSchoolImageCount> kSchoolClassNames;

// Image index 0..8 of a school text: the first keyword of a fixed table
// found anywhere in it (case-sensitive), or 8 when none is.
int GetSchoolImage(std::string_view school);
