// SPDX-License-Identifier: MIT
#pragma once
// Dialog units: window layouts are given in units of the dialog font, a
// quarter of its average character width across and an eighth of its
// height down, so that they scale with the font.

#include <vector>

#include <QRect>

class QFont;

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int X(int units) const { return Scale(units, baseX_, 4); }
    int Y(int units) const { return Scale(units, baseY_, 8); }
    QRect Rect(int x, int y, int width, int height) const {
        return {X(x), Y(y), X(width), Y(height)};
    }
    QRect Rect(const QRect& units) const {
        return Rect(units.x(), units.y(), units.width(), units.height());
    }
    // A width in pixels chosen for an 8-point dialog font, whose
    // horizontal base unit is 6 pixels, scaled to this font.
    int FromBaseUnit6Pixels(int pixels) const { return Scale(pixels, baseX_, 6); }

private:
    // units * base / divisor, rounded to nearest.
    static int Scale(int units, int base, int divisor) {
        return (units * base + divisor / 2) / divisor;
    }

    int baseX_;
    int baseY_;
};

// `room` pixels shared among items in proportion to their `weights`, no
// item below its entry of `minimums` (the others then share what is left).
// The widths add up to `room` unless the minimums need more.
std::vector<int> ShareRoom(int room, const std::vector<int>& weights, const std::vector<int>& minimums);
