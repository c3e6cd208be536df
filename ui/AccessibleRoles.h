// SPDX-License-Identifier: MIT
#pragma once
// Roles that Qt's widgets do not give on their own: the count of the find
// bar is a status bar (CStatusLabel), the notice below the list an alert
// (CNoticeBar). Screen readers read a status bar on request and speak an
// alert when it appears.

// Registers the accessible interfaces of those classes with Qt, once; call
// before the first widget of them is asked for its interface.
void InstallAccessibleRoles();
