#ifndef UI_APPLICATIONICON_H
#define UI_APPLICATIONICON_H

#include <QIcon>

// The program's icon, drawn at start so that it needs no image files.
QIcon ApplicationIcon();

#endif
