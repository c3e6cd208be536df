// SPDX-License-Identifier: MIT
#pragma once
// An event filter that notes the paints of the widget it watches, for the
// tests and benchmarks that wait for a frame or act at each one.

#include <functional>

#include <QEvent>
#include <QObject>

class PaintWatch : public QObject {
public:
    bool painted = false;           // set at every paint; clear it to wait for the next
    std::function<void()> onPaint;  // called at every paint, when set

    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted = true;
            if (onPaint)
                onPaint();
        }
        return false;
    }
};
