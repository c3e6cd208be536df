// SPDX-License-Identifier: MIT
#pragma once
// Icons whose images are made at their first use. QIcon reads or draws
// every image as it is added; a window shows one size of each icon, often
// none at start-up.

#include <functional>

#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QSize>

// An icon of images of the pixel sizes `sizes`, each one device pixel to
// the pixel; `make(i)` makes image i when a pixmap of about its size is
// first asked for (a null pixmap leaves it out). Qt chooses among the
// images as among those of a QIcon holding them all: the smallest that is
// at least as large as asked, else the largest. Null when `sizes` is empty.
QIcon LazyIcon(QList<QSize> sizes, std::function<QPixmap(qsizetype)> make);

// An icon of the images `make(0)` .. `make(count - 1)`, all made at the
// icon's first use, of any sizes and device pixel ratios.
QIcon LazyIconMadeWhole(qsizetype count, std::function<QPixmap(qsizetype)> make);
