// SPDX-License-Identifier: MIT
#include "MatchHighlight.h"

#include <cstddef>
#include <string_view>
#include <vector>

#include "SpellSearch.h"

TextRanges MatchRanges(const QString& text, const SpellQuery& query, int field) {
    const QByteArray utf8 = text.toUtf8();
    const std::vector<MatchSpan> spans =
        MatchSpans(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), query, field);
    TextRanges ranges;
    if (spans.empty())
        return ranges;
    // One pass turns the spans' byte offsets into positions: each UTF-16
    // unit of `text` took so many bytes of its UTF-8.
    std::size_t byte = 0;
    int position = 0;
    const auto advanceTo = [&](std::size_t target) {
        while (byte < target && position < text.size()) {
            const char16_t unit = text[position].unicode();
            if (QChar::isHighSurrogate(unit) && position + 1 < text.size() &&
                QChar::isLowSurrogate(text[position + 1].unicode())) {
                byte += 4;
                position += 2;
            } else {
                byte += unit < 0x80 ? 1 : unit < 0x800 ? 2 : 3;
                ++position;
            }
        }
        return byte == target;
    };
    for (const MatchSpan& span : spans) {
        if (!advanceTo(span.begin))
            return {};  // not the text's UTF-8 after all: nothing marked rather than the wrong thing
        const int start = position;
        if (!advanceTo(span.end))
            return {};
        ranges.append({start, position - start});
    }
    return ranges;
}

QColor MatchBackground() { return QColor(0xFF, 0xE0, 0x33); }

QColor MatchForeground() { return QColor(0x00, 0x00, 0x00); }
