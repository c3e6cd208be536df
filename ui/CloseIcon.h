// SPDX-License-Identifier: MIT
#pragma once
// The cross of a close button, drawn in the text colour of the button's
// palette so that it stands out on the bar behind it, light or dark.

class QAbstractButton;
class QCheckBox;

// Gives `button` the cross, and draws it again when its palette changes.
void SetCloseIcon(QAbstractButton* button);

// Outlines the box of `box` in a shade of its text colour: the Fusion style
// shades the window colour, which leaves the box nearly invisible on a
// dark palette.
void OutlineCheckBox(QCheckBox* box);
