#pragma once
// The browser's icons, loaded from the program's resources.

#include <QIcon>
#include <QList>

// The nine school icons in image-index order (0 Alteration .. 8 all
// schools). An icon that fails to load is a null icon at its place.
QList<QIcon> LoadSchoolImageList();

// The application icon IDR_MAINFRAME, at 16, 32 and 48 pixels.
QIcon LoadMainIcon();
