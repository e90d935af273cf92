#include "ui/SharedFoldersView.h"

#include "shares/SharedFoldersManager.h"
#include "store/Data.h"
#include "ui/ShareFolderDialog.h"
#include "ui/ShareScanIndicator.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The connections of a shared folder that change whom it is shared with.
const char* const VisibilityTypes[] = {"shared_public", "shared_userlist", "user_list_group"};

} // namespace

SharedFoldersView::SharedFoldersView(QWidget* parent)
    : QWidget(parent)
    , list(new QTreeWidget)
    , totals(new QLabel)
    , scanIndicator(new ShareScanIndicator)
    , selectionButtons(new QWidget)
{
    list->setObjectName("shared_folders");
    list->setHeaderLabels({"Folder", "Shared with"});
    list->setRootIsDecorated(false);
    list->setSortingEnabled(true);
    list->sortByColumn(0, Qt::AscendingOrder);
    list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    list->header()->setStretchLastSection(false);
    list->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    totals->setObjectName("share_totals");

    auto* share = new QPushButton("Share Folder...");
    share->setObjectName("share_folder_button");
    auto* unshare = new QPushButton("Unshare Folder");
    unshare->setObjectName("unshare_folder_button");
    auto* permissions = new QPushButton("Set Folder Permissions...");
    permissions->setObjectName("set_folder_permissions");
    auto* rescan = new QPushButton("Rescan Shares");
    rescan->setObjectName("rescan_shares_button");
    auto* selected = new QHBoxLayout(selectionButtons);
    selected->setContentsMargins(0, 0, 0, 0);
    selected->addWidget(unshare);
    selected->addWidget(permissions);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(share);
    buttons->addWidget(selectionButtons);
    buttons->addStretch(1);
    buttons->addWidget(rescan);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(list, 1);
    auto* footer = new QHBoxLayout;
    footer->addWidget(totals);
    footer->addStretch(1);
    footer->addWidget(scanIndicator);
    layout->addLayout(footer);

    connect(share, &QPushButton::clicked, this, &SharedFoldersView::ShareFolder);
    connect(unshare, &QPushButton::clicked, this, &SharedFoldersView::UnshareSelected);
    connect(permissions, &QPushButton::clicked, this, &SharedFoldersView::SetSelectedPermissions);
    connect(rescan, &QPushButton::clicked, this, &SharedFoldersView::Rescan);
    connect(list, &QTreeWidget::itemDoubleClicked, this, &SharedFoldersView::SetSelectedPermissions);
    connect(list, &QTreeWidget::itemSelectionChanged, this, &SharedFoldersView::ShowButtons);
    if (sharedFoldersManager)
        connect(sharedFoldersManager, &SharedFoldersManager::ScanningChanged, this, &SharedFoldersView::ShowTotals);

    Type* folders = d.GetType("shared_folder");
    folders->itemCreated.Add(
        AddDataHandler(new EventHandler<SharedFoldersView, ItemPtr>(this, &SharedFoldersView::OnFoldersChanged)));
    folders->itemRemoved.Add(
        AddDataHandler(new EventHandler<SharedFoldersView, ItemPtr>(this, &SharedFoldersView::OnFoldersChanged)));
    d.GetType("user_list_group")
        ->itemRemoved.Add(
            AddDataHandler(new EventHandler<SharedFoldersView, ItemPtr>(this, &SharedFoldersView::OnFoldersChanged)));
    for (const char* visibility : VisibilityTypes) {
        for (PathNodeRelation relation : {PathOnConnect, PathOnDisconnect}) {
            auto* root = new PathNode(&d, "shared_folder");
            new PathNode(root, visibility, relation);
            d.AddPathEventHandler(root,
                                  AddDataHandler(new EventHandler<SharedFoldersView, ItemPtr>(
                                      this, &SharedFoldersView::OnFoldersChanged)));
        }
    }
    Refresh();
}

SharedFoldersView::~SharedFoldersView()
{
    RemoveDataHandlers();
}

QString SharedFoldersView::VisibilityText(ItemPtr folder)
{
    QStringList whom;
    if (folder.IsConnected("shared_public"))
        whom << "Everybody";
    if (folder.IsConnected("shared_userlist"))
        whom << "My user list";
    for (ItemPtr group : folder.GetItems("user_list_group").SortAlphabetic(true))
        whom << "Group " + group.AsString();
    return whom.isEmpty() ? QString("Nobody (indexed only)") : whom.join(", ");
}

void SharedFoldersView::OnFoldersChanged(ItemPtr)
{
    // Many changes come together (a folder and its markers); a removed item is
    // still in the store while its removal is announced.
    if (refreshPending)
        return;
    refreshPending = true;
    QTimer::singleShot(0, this, &SharedFoldersView::Refresh);
}

void SharedFoldersView::Refresh()
{
    refreshPending = false;
    const QString selected = SelectedFolder();
    list->clear();
    for (ItemPtr folder : g("shared_folder")) {
        auto* row = new QTreeWidgetItem(list, {folder.AsString(), VisibilityText(folder)});
        row->setToolTip(0, folder.GetItem("shared_folder_id").AsString());
    }
    SelectFolder(selected);
    ShowButtons();
    ShowTotals();
}

void SharedFoldersView::ShowTotals()
{
    const QLocale locale;
    totals->setText(QString("%1 files in %2 folders")
                        .arg(locale.toString(qint64(d.GetType("shared_file")->ItemCount())),
                             locale.toString(qint64(d.GetType("shared_file_folder")->ItemCount()))));
}

void SharedFoldersView::ShowButtons()
{
    selectionButtons->setEnabled(!SelectedFolder().isEmpty());
}

QString SharedFoldersView::SelectedFolder() const
{
    const QList<QTreeWidgetItem*> rows = list->selectedItems();
    return rows.isEmpty() ? QString() : rows.first()->text(0);
}

void SharedFoldersView::SelectFolder(const QString& path)
{
    for (int index = 0; index < list->topLevelItemCount(); ++index) {
        QTreeWidgetItem* row = list->topLevelItem(index);
        if (row->text(0) == path) {
            list->setCurrentItem(row);
            return;
        }
    }
}

bool SharedFoldersView::ShareFolder()
{
    ShareFolderDialog dialog(ItemPtr(), this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    Refresh();
    SelectFolder(dialog.SharedFolder().AsString());
    return true;
}

bool SharedFoldersView::UnshareSelected()
{
    const ItemPtr folder = d.GetType("shared_folder")->HasItem(Value(SelectedFolder()));
    if (!folder)
        return false;
    folder.Remove();
    // The folder's index goes with it, unless another shared folder holds it too.
    d.RemoveDisconnectedItems();
    return true;
}

bool SharedFoldersView::SetSelectedPermissions()
{
    const ItemPtr folder = d.GetType("shared_folder")->HasItem(Value(SelectedFolder()));
    if (!folder)
        return false;
    ShareFolderDialog(folder, this).exec();
    return true;
}

void SharedFoldersView::Rescan()
{
    if (sharedFoldersManager)
        sharedFoldersManager->RescanShares();
}
