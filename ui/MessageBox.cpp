#include "MessageBox.h"

#include <utility>

#include "Messages.h"

namespace {
MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}
}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) { Hook() = std::move(hook); }

QMessageBox::StandardButton ShowMessageBox(const QString& text,
                                           QMessageBox::StandardButtons buttons,
                                           QWidget* parent) {
    if (Hook())
        return Hook()(text, buttons);
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(messages::kCaption.data(), static_cast<qsizetype>(messages::kCaption.size())), text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
