#pragma once
#include <QIcon>

// The program's icon at every size it is drawn in (16 to 256 pixels), for the window titles,
// the dialogs and the notification area. GUI thread only, as for any pixmap.
QIcon ProgramIcon();

// Makes it the icon of every window the program opens, the dialogs included, and names the
// desktop entry that the windows belong to.
void InstallProgramIcon();
