// SPDX-License-Identifier: MIT
#pragma once
// What the browser remembers between runs, in the desktop's usual place
// for settings: the window's size and place, the column widths per field
// the class last shown and the text size. Nothing else is stored there.

#include <array>
#include <string>

#include <QByteArray>

#include "ColumnTables.h"

class QSettings;

struct ViewSettings {
    QByteArray geometry;                     // QWidget::saveGeometry(); empty: none
    std::array<int, kColumnCount> widths{};  // per field; 0: the user set none
    std::string lastClass;                   // "wizard", "priest" or empty
    int textStep = 0;                        // points added to the text size
};

// The text size steps the user can choose, in points from the default.
inline constexpr int kMinTextStep = -4;
inline constexpr int kMaxTextStep = 16;

// The settings store of the program (QSettings in its usual place).
// Thread contract: window thread only.
class SettingsStore {
public:
    // Values that cannot be read, or that are out of range, read as unset:
    // a damaged file changes nothing but what it holds.
    static ViewSettings Read(QSettings& settings);
    // Failures to write are QSettings' own and change nothing else.
    static void Write(QSettings& settings, const ViewSettings& view);
};
