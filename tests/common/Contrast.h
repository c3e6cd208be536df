// SPDX-License-Identifier: MIT
#pragma once
// Whether drawn things stand out: the WCAG contrast ratio, and a dark
// palette to draw on.

#include <algorithm>
#include <cmath>

#include <QColor>
#include <QPalette>

// WCAG contrast ratio of two opaque colours, 1 to 21.
inline double Contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto linear = [](int channel) {
            const double v = channel / 255.0;
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.red()) + 0.7152 * linear(c.green()) + 0.0722 * linear(c.blue());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// `pixel` drawn over `background`.
inline QColor Over(QRgb pixel, const QColor& background) {
    const int alpha = qAlpha(pixel);
    const auto mix = [alpha](int over, int under) { return (over * alpha + under * (255 - alpha)) / 255; };
    return QColor(mix(qRed(pixel), background.red()), mix(qGreen(pixel), background.green()),
                  mix(qBlue(pixel), background.blue()));
}

// A dark desktop palette: light text on dark grey.
inline QPalette DarkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(53, 53, 53));
    p.setColor(QPalette::WindowText, Qt::white);
    p.setColor(QPalette::Base, QColor(25, 25, 25));
    p.setColor(QPalette::AlternateBase, QColor(53, 53, 53));
    p.setColor(QPalette::Text, Qt::white);
    p.setColor(QPalette::Button, QColor(53, 53, 53));
    p.setColor(QPalette::ButtonText, Qt::white);
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, Qt::black);
    return p;
}
