#include "ui/ApplicationIcon.h"

// Outside any namespace, as Qt's macro requires.
static void LoadIconResources()
{
    // The user interface is a static library: its resources are registered by hand.
    Q_INIT_RESOURCE(icons);
}

QIcon ApplicationIcon()
{
    LoadIconResources();
    // The same images that the installation puts into the desktop's icon theme.
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QString(":/icons/quillmer-%1.png").arg(size), QSize(size, size));
    return icon;
}
