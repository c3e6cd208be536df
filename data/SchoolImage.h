#pragma once
// Reduces a free-text school line to one of nine icon classes.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

inline constexpr int kSchoolImageCount = 9;
inline constexpr int kSchoolImageOther = 8;  // no keyword recognised

// Class names of the nine image indices, in image order.
extern const std::array<std::string_view, kSchoolImageCount> kSchoolClassNames;

// Image index 0..8 of a school text: the first keyword of a fixed table
// found anywhere in it (case-sensitive), or 8 when none is.
int GetSchoolImage(std::string_view school);

// GetSchoolImage for a run of school lines, most of which repeat: the
// image of each short line met lately is remembered by its text.
class SchoolImageCache {
public:
    int Get(std::string_view school);

private:
    static constexpr std::size_t kSlots = 32;      // a power of two
    static constexpr std::size_t kMaxLength = 64;  // longer lines are not kept
    struct Slot {
        std::string text;
        int image = -1;  // none yet
    };
    std::array<Slot, kSlots> slots_;
};
