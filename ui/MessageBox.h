// SPDX-License-Identifier: MIT
#pragma once
// Every message the browser shows goes through ShowMessageBox, so that
// tests can read the text and give the answer instead of a user.

#include <functional>

#include <QMessageBox>
#include <QString>

class QWidget;

// Shows `text` in a modal box captioned "Spells" with `buttons`, centred on
// MessageBoxOwner(parent), and returns the button pressed. No busy cursor
// shows while the box is up. Escape and the close box answer an OK-only box
// with Ok; a box with several buttons they answer with Cancel, never with
// one of its buttons.
QMessageBox::StandardButton ShowMessageBox(
    const QString& text, QMessageBox::StandardButtons buttons = QMessageBox::Ok,
    QWidget* parent = nullptr);

// The window a box for `parent` stands by: the window of `parent` when it
// is shown, else the nearest shown window it belongs to (a dialog that is
// still being set up belongs to the window that opens it), else the
// active window.
QWidget* MessageBoxOwner(QWidget* parent);

// While set, ShowMessageBox calls the hook instead of showing a box.
using MessageBoxHook =
    std::function<QMessageBox::StandardButton(const QString& text, QMessageBox::StandardButtons)>;
void SetMessageBoxHook(MessageBoxHook hook);
