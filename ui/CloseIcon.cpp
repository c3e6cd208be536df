// SPDX-License-Identifier: MIT
#include "CloseIcon.h"

#include <algorithm>

#include <QAbstractButton>
#include <QCheckBox>
#include <QEvent>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

namespace {

QIcon CrossIcon(const QColor& colour, int size) {
    QIcon icon;
    for (const int ratio : {1, 2}) {
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
        icon.addPixmap(pixmap);
    }
    return icon;
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
