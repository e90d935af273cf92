#include "ui/UploadsView.h"

#include "app/Settings.h"
#include "app/TimerManager.h"
#include "store/Data.h"
#include "transfers/TransferQueueManager.h"
#include "ui/SettingWatch.h"
#include "ui/TransferActions.h"
#include "ui/TransferExpandActions.h"
#include "ui/TransferTree.h"
#include "ui/UploadClearing.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const char* const ExpandUsers = "expand_upload_users";
const char* const ExpandFolders = "expand_upload_folders";
const char* const ClearFinishedSetting = "clear_complete_aborted_uploads";
const char* const SlotsSetting = "upload_slots";
const char* const LimitSetting = "upload_speed_limit";
const char* const LimitEnabledSetting = "upload_speed_limit_enabled";
constexpr int MaxSlots = 99;
constexpr int MaxLimitKiB = 1000000;

// The shared file's local path.
QString LocalPathOf(ItemPtr entry)
{
    const ItemPtr file = entry.GetItem("shared_file");
    return file.GetItem("shared_file_folder").AsString() + '/' + file.GetItem("shared_file_name").AsString();
}

} // namespace

UploadsView::UploadsView(QWidget* parent)
    : QWidget(parent)
    , toolBar(new QToolBar("Uploads"))
    , tree(new QTreeWidget)
    , slotCount(new QSpinBox)
    , limitEnabled(new QCheckBox("Limit speed to"))
    , limit(new QSpinBox)
{
    setObjectName("uploads");
    tree->setObjectName("upload_tree");
    list = std::make_unique<TransferTree>(TransferTree::Side::Uploads, tree);

    toolBar->setObjectName("upload_actions");
    expandActions = std::make_unique<TransferExpandActions>(toolBar, *list, ExpandUsers, ExpandFolders);
    toolBar->addSeparator();
    clearFinished = toolBar->addAction("Clear Finished After 5 Minutes", this,
                                       [](bool on) { SetSetting(ClearFinishedSetting, on ? "yes" : "no"); });
    clearFinished->setObjectName("clear_finished_uploads");
    clearFinished->setCheckable(true);
    toolBar->addSeparator();
    toolBar->addWidget(new QLabel("Upload slots: "));
    slotCount->setObjectName("upload_slots");
    slotCount->setRange(1, MaxSlots);
    toolBar->addWidget(slotCount);
    toolBar->addSeparator();
    limitEnabled->setObjectName("upload_speed_limit_enabled");
    toolBar->addWidget(limitEnabled);
    limit->setObjectName("upload_speed_limit");
    limit->setRange(1, MaxLimitKiB);
    limit->setSuffix(" KiB/s");
    toolBar->addWidget(limit);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(toolBar);
    layout->addWidget(tree, 1);

    connect(slotCount, qOverload<int>(&QSpinBox::valueChanged), this, [](int count) {
        if (transferQueueManager)
            transferQueueManager->SetUploadSlots(count);
    });
    connect(limitEnabled, &QCheckBox::toggled, this, [](bool on) {
        if (transferQueueManager)
            transferQueueManager->EnableUploadSpeedLimit(on);
    });
    connect(limit, qOverload<int>(&QSpinBox::valueChanged), this, [](int kib) {
        SetSetting(LimitSetting, QString::number(kib));
        if (transferQueueManager)
            transferQueueManager->DetermineUploadSpeedLimit();
    });
    tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tree, &QWidget::customContextMenuRequested, this, &UploadsView::ShowContextMenu);
    if (timerManager)
        connect(timerManager, &TimerManager::HalfMinuteTick, this,
                [this] { ClearFinished(QDateTime::currentDateTime()); });
    settings = std::make_unique<SettingWatch>(
        QStringList{ClearFinishedSetting, SlotsSetting, LimitSetting, LimitEnabledSetting},
        [this] { ApplySettings(); });
    ApplySettings();
}

UploadsView::~UploadsView() = default;

void UploadsView::ApplySettings()
{
    clearFinished->setChecked(IsSettingOn(ClearFinishedSetting));
    // Shown as they are stored; only the user's own changes go back to the queue.
    const QSignalBlocker slotsBlocker(slotCount);
    const QSignalBlocker enabledBlocker(limitEnabled);
    const QSignalBlocker limitBlocker(limit);
    slotCount->setValue(GetSetting(SlotsSetting).toInt());
    limitEnabled->setChecked(IsSettingOn(LimitEnabledSetting));
    limit->setValue(GetSetting(LimitSetting).toInt());
}

void UploadsView::ClearFinished(const QDateTime& now)
{
    UploadClearing::ClearDue(now);
}

void UploadsView::ShowContextMenu(const QPoint& position)
{
    if (std::unique_ptr<QMenu> menu = MenuForSelection())
        menu->exec(tree->viewport()->mapToGlobal(position));
}

std::unique_ptr<QMenu> UploadsView::MenuForSelection()
{
    const QList<QTreeWidgetItem*> selected = tree->selectedItems();
    if (selected.isEmpty() || !transferQueueManager)
        return nullptr;
    std::unique_ptr<QMenu> menu = NewRowMenu(*list, selected);
    const bool many = list->EntriesUnder(selected).size() > 1;
    menu->addAction(many ? "Remove uploads" : "Remove upload", this, &UploadsView::RemoveSelected)
        ->setObjectName("remove_uploads");
    menu->addSeparator();
    menu->addAction("Open File", this, [this] { OpenSelected(false); })->setObjectName("open_file");
    menu->addAction("Open Folder", this, [this] { OpenSelected(true); })->setObjectName("open_folder");
    return menu;
}

void UploadsView::RemoveSelected()
{
    ForEachLive(list->EntriesUnder(tree->selectedItems()),
                [](ItemPtr entry) { transferQueueManager->RemoveUpload(entry); });
}

void UploadsView::OpenSelected(bool folder)
{
    const std::vector<ItemPtr> entries = list->EntriesUnder(tree->selectedItems());
    if (entries.empty())
        return;
    const ItemPtr entry = entries.front();
    OpenLocalPath(folder ? entry.GetItem("shared_file").GetItem("shared_file_folder").AsString() : LocalPathOf(entry));
}
