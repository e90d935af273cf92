#ifndef UI_TRANSFERICONS_H
#define UI_TRANSFERICONS_H

#include <QIcon>

// The pictures of the transfers window, drawn here so that they look the same
// on every desktop theme: an arrow into a tray for downloads (and their
// events), one out of it for uploads, and both for the window's tab.
QIcon DownloadIcon();
QIcon UploadIcon();
QIcon TransfersIcon();

#endif
