#ifndef UI_TRANSFEREXPANDACTIONS_H
#define UI_TRANSFEREXPANDACTIONS_H

#include "ui/SettingWatch.h"

#include <QObject>

class QAction;
class QToolBar;
class TransferTree;

// The "Expand Users" and "Expand Folders" toggles of one transfer list: each
// flips its setting, and the list and the actions' "[on]"/"[off]" follow the
// settings, however they change. Its owner keeps it no longer than the list.
class TransferExpandActions : public QObject
{
    Q_OBJECT
public:
    TransferExpandActions(QToolBar* toolBar, TransferTree& list, const char* usersSetting, const char* foldersSetting);

private:
    void Apply();

    TransferTree& list;
    const char* usersSetting;
    const char* foldersSetting;
    QAction* expandUsers;
    QAction* expandFolders;
    SettingWatch watch;
};

#endif
