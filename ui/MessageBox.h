#pragma once
// Every message the browser shows goes through ShowMessageBox, so that
// tests can read the text and give the answer instead of a user.

#include <functional>

#include <QMessageBox>
#include <QString>

class QWidget;

// Shows `text` in a modal box captioned "Spells" with `buttons`, owned by
// `parent`, and returns the button pressed.
QMessageBox::StandardButton ShowMessageBox(
    const QString& text, QMessageBox::StandardButtons buttons = QMessageBox::Ok,
    QWidget* parent = nullptr);

// While set, ShowMessageBox calls the hook instead of showing a box.
using MessageBoxHook =
    std::function<QMessageBox::StandardButton(const QString& text, QMessageBox::StandardButtons)>;
void SetMessageBoxHook(MessageBoxHook hook);
