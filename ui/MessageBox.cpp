// SPDX-License-Identifier: MIT
#include "MessageBox.h"

#include <utility>
#include <vector>

#include <QPushButton>
#include <QApplication>
#include <QCursor>
#include <QWidget>

#include "DisplayText.h"
#include "Messages.h"

namespace {

MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}

// Takes every override cursor (the busy cursor of a load) away for the
// life of the object and puts them back after.
class CursorPause {
public:
    CursorPause() {
        while (const QCursor* cursor = QApplication::overrideCursor()) {
            saved_.push_back(*cursor);
            QApplication::restoreOverrideCursor();
        }
    }
    ~CursorPause() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            QApplication::setOverrideCursor(*it);
    }
    CursorPause(const CursorPause&) = delete;
    CursorPause& operator=(const CursorPause&) = delete;

private:
    std::vector<QCursor> saved_;
};

}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) { Hook() = std::move(hook); }

QWidget* MessageBoxOwner(QWidget* parent) {
    for (QWidget* window = parent ? parent->window() : nullptr; window;
         window = window->parentWidget() ? window->parentWidget()->window() : nullptr)
        if (window->isVisible())
            return window;
    return QApplication::activeWindow();
}

QMessageBox::StandardButton ShowMessageBox(const QString& text,
                                           QMessageBox::StandardButtons buttons,
                                           QWidget* parent) {
    const CursorPause noBusyCursor;
    if (Hook())
        return Hook()(text, buttons);
    QMessageBox box(QMessageBox::NoIcon, Utf8(messages::kCaption), text, buttons,
                    MessageBoxOwner(parent));
    // A question is answered by its buttons only: without a Cancel of its
    // own, Escape and the close box press a hidden one.
    const bool question = box.buttons().size() > 1;
    if (question && !(buttons & QMessageBox::Cancel)) {
        QPushButton* cancel = box.addButton(QMessageBox::Cancel);
        cancel->hide();
        box.setEscapeButton(cancel);
    }
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
