// SPDX-License-Identifier: MIT
#include "DialogUnits.h"

#include <algorithm>

#include <QFontMetrics>

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    // The average width of the 52 Latin letters, rounded, as dialog
    // managers measure it.
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX_ = (letters / 26 + 1) / 2;
    baseY_ = metrics.height();
}

std::vector<int> ShareRoom(int room, const std::vector<int>& weights, const std::vector<int>& minimums) {
    std::vector<int> widths(weights.size(), 0);
    std::vector<bool> fixed(weights.size(), false);
    for (std::size_t round = 0; round <= weights.size(); ++round) {
        int left = room;
        int weight = 0;
        for (std::size_t i = 0; i < weights.size(); ++i) {
            if (fixed[i])
                left -= minimums[i];
            else
                weight += weights[i];
        }
        bool settled = true;
        int given = 0;
        int shared = 0;
        for (std::size_t i = 0; i < weights.size(); ++i) {
            if (fixed[i]) {
                widths[i] = minimums[i];
                continue;
            }
            // Rounded so that the shares add up to what is left.
            shared += weights[i];
            const int upTo = weight > 0 ? static_cast<int>(static_cast<long long>(std::max(left, 0)) * shared / weight) : 0;
            widths[i] = upTo - given;
            given = upTo;
            if (widths[i] < minimums[i]) {
                fixed[i] = true;
                settled = false;
            }
        }
        if (settled)
            break;
    }
    return widths;
}
