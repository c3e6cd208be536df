// SPDX-License-Identifier: MIT
#pragma once
// Every control a test touches is named by its resource identifier.

#include <QString>

// Gives `widget` the object name `objectName` (a RESOURCE_NAME) and returns it.
template <class Widget>
Widget* Named(Widget* widget, const char* objectName) {
    widget->setObjectName(QString::fromLatin1(objectName));
    return widget;
}
