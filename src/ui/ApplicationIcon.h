#ifndef UI_APPLICATIONICON_H
#define UI_APPLICATIONICON_H

#include <QIcon>

// The program's icon for the window and the tray, from the images built into the program.
QIcon ApplicationIcon();

#endif
