// SPDX-License-Identifier: MIT
#pragma once
// The browser's icons, loaded from the program's resources.

#include <QIcon>
#include <QList>
#include <QString>

// The nine school icons in image-index order (0 Alteration .. 8 all
// schools), each a 16 x 16 image in 16 colours and a 32 x 32 one, which Qt
// draws where the screen has two device pixels to the pixel. An icon that
// fails to load is a null icon at its place. The icons are made once in a
// process and shared; each image is read when first shown.
QList<QIcon> LoadSchoolImageList();

// What the school icon of image index `image` stands for, in words: the
// class name of the school table ("Necromancy"), the last one as "All
// schools (no school recognised)"; empty outside 0..8.
QString SchoolClassText(int image);

// The legend of the nine school icons: an HTML table of each icon and its
// class name, in image-index order, for tooltips and the About box.
QString SchoolLegendHtml();

// The application icon IDR_MAINFRAME, at 16, 32 and 48 pixels, with 64 and
// 96 for doubled scales; made once, each image read when first shown.
QIcon LoadMainIcon();
