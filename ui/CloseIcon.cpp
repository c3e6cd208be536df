// SPDX-License-Identifier: MIT
#include "CloseIcon.h"

#include <algorithm>

#include <QAbstractButton>
#include <QCheckBox>
#include <QEvent>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include "LazyIcon.h"

namespace {

// The cross at `size` pixels, drawn `ratio` device pixels to the pixel.
QPixmap CrossPixmap(const QColor& colour, int size, int ratio) {
    QPixmap pixmap(size * ratio, size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour, std::max(1.5, size / 8.0), Qt::SolidLine, Qt::RoundCap));
    const qreal near = size * 0.25;
    const qreal far = size - near;
    painter.drawLine(QPointF(near, near), QPointF(far, far));
    painter.drawLine(QPointF(far, near), QPointF(near, far));
    return pixmap;
}

// The cross at 1 and 2 device pixels to the pixel, drawn when first shown.
QIcon CrossIcon(const QColor& colour, int size) {
    return LazyIconMadeWhole(2, [colour, size](qsizetype i) { return CrossPixmap(colour, size, static_cast<int>(i) + 1); });
}

// Keeps the palette-drawn parts of a control in step with its palette.
class PaletteFollower : public QObject {
public:
    PaletteFollower(QWidget* widget, void (*apply)(QWidget*)) : QObject(widget), apply_(apply) {
        apply_(widget);
        widget->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::PaletteChange && !applying_) {
            applying_ = true;
            apply_(static_cast<QWidget*>(watched));
            applying_ = false;
        }
        return false;
    }

private:
    void (*apply_)(QWidget*);
    bool applying_ = false;
};

}  // namespace

void SetCloseIcon(QAbstractButton* button) {
    new PaletteFollower(button, [](QWidget* widget) {
        auto* close = static_cast<QAbstractButton*>(widget);
        close->setIcon(CrossIcon(close->palette().color(QPalette::WindowText), close->iconSize().height()));
    });
}

void OutlineCheckBox(QCheckBox* box) {
    new PaletteFollower(box, [](QWidget* widget) {
        // Fusion outlines the box in the window colour made darker, then a
        // little lighter; the box's background is its parent's. Three parts
        // text to one part window keep a contrast of 4 or more to it.
        QPalette colours = widget->parentWidget() ? widget->parentWidget()->palette() : widget->palette();
        const QColor text = colours.color(QPalette::WindowText);
        const QColor window = colours.color(QPalette::Window);
        colours = widget->palette();
        colours.setColor(QPalette::Window, QColor((3 * text.red() + window.red()) / 4,
                                                  (3 * text.green() + window.green()) / 4,
                                                  (3 * text.blue() + window.blue()) / 4));
        widget->setPalette(colours);
    });
}
