// SPDX-License-Identifier: MIT
#pragma once
// The browser's icons, loaded from the program's resources.

#include <QIcon>
#include <QList>

// The nine school icons in image-index order (0 Alteration .. 8 all
// schools), each a 16 x 16 image in 16 colours and a 32 x 32 one, which Qt
// draws where the screen has two device pixels to the pixel. An icon that
// fails to load is a null icon at its place.
QList<QIcon> LoadSchoolImageList();

// The application icon IDR_MAINFRAME, at 16, 32 and 48 pixels, with 64 and
// 96 for doubled scales.
QIcon LoadMainIcon();
