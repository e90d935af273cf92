#include "ui/TransferExpandActions.h"

#include "app/Settings.h"
#include "ui/TransferTree.h"

#include <QAction>
#include <QToolBar>

namespace {

void Toggle(const char* setting)
{
    SetSetting(setting, IsSettingOn(setting) ? "no" : "yes");
}

QString OnOff(const QString& text, bool on)
{
    return text + (on ? " [on]" : " [off]");
}

} // namespace

TransferExpandActions::TransferExpandActions(QToolBar* toolBar, TransferTree& transferList, const char* users,
                                             const char* folders)
    : list(transferList)
    , usersSetting(users)
    , foldersSetting(folders)
    , expandUsers(toolBar->addAction(QString(), this, [users] { Toggle(users); }))
    , expandFolders(toolBar->addAction(QString(), this, [folders] { Toggle(folders); }))
    , watch(QStringList{users, folders}, [this] { Apply(); })
{
    expandUsers->setObjectName("expand_users");
    expandFolders->setObjectName("expand_folders");
    Apply();
}

void TransferExpandActions::Apply()
{
    const bool users = IsSettingOn(usersSetting);
    const bool folders = IsSettingOn(foldersSetting);
    expandUsers->setText(OnOff("Expand Users", users));
    expandFolders->setText(OnOff("Expand Folders", folders));
    list.SetExpandUsers(users);
    list.SetExpandFolders(folders);
}
