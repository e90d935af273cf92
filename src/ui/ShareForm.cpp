#include "ui/ShareForm.h"

#include "app/Settings.h"
#include "shares/SharedFoldersManager.h"
#include "store/Data.h"
#include "store/TextDecoding.h"
#include "ui/FilterBox.h"
#include "ui/SizeText.h"
#include "ui/UserShareBuilder.h"

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int FolderIndexRole = Qt::UserRole;

enum FileColumns
{
    FileNameColumn,
    FileSizeColumn,
    FileAttributesColumn,
};

// A file of the list; sizes sort by their number.
class FileRow : public QTreeWidgetItem
{
public:
    FileRow(ItemPtr shareFile, quint64 bytes)
        : file(shareFile)
        , size(bytes)
    {
    }
    bool operator<(const QTreeWidgetItem& other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const auto& row = static_cast<const FileRow&>(other);
        if (column == FileSizeColumn && size != row.size)
            return size < row.size;
        const int order = text(column).compare(other.text(column), Qt::CaseInsensitive);
        return order != 0 ? order < 0 : text(FileNameColumn).compare(other.text(FileNameColumn)) < 0;
    }
    const ItemPtr file;
    const quint64 size;
};

QString NameOf(ItemPtr file)
{
    return ToQString(file.GetItem("user_share_file_name").AsStdString());
}

ItemPtr ParentFolder(ItemPtr folder)
{
    return folder.GetItem("user_share_folder_parent").GetItem("user_share_folder_child").GetItem("user_share_folder");
}

TransferBatch::File RemoteFile(const std::string& folder, ItemPtr file, int level)
{
    return {folder, file.GetItem("user_share_file_name").AsStdString(), file.GetItem("file_size").AsInt64(), level};
}

} // namespace

const QString ShareForm::NoFilesText = "No files returned. The user is either not sharing any files, or is sharing "
                                       "all of their files privately.";

QString ShareForm::ConnectionFailedText()
{
    return QString("A connection could not be successfully formed to the user.\n\nIf this happens with many users, "
                   "they cannot reach you either: the network's port test page tells whether your listening port "
                   "(%1) can be reached from the Internet.")
        .arg(GetSetting("listening_port"));
}

ShareForm::ShareForm(const QString& shareUser, Mode shareMode, QWidget* parent)
    : QWidget(parent)
    , user(shareUser)
    , mode(shareMode)
    , toolBar(new QToolBar("Share"))
    , filterBox(new FilterBox(FilterBox::Kind::Share))
    , status(new QLabel)
    , folderTree(new QTreeWidget)
    , fileList(new QTreeWidget)
    // Made once: each icon the style makes is read from its picture again.
    , folderIcon(QApplication::style()->standardIcon(QStyle::SP_DirIcon))
    , fileIcon(QApplication::style()->standardIcon(QStyle::SP_FileIcon))
{
    status->setObjectName("share_status");
    status->setWordWrap(true);
    status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    folderTree->setObjectName("share_folders");
    folderTree->setHeaderLabels({"Folder"});
    folderTree->setUniformRowHeights(true);
    folderTree->setSelectionMode(QAbstractItemView::SingleSelection);
    fileList->setObjectName("share_files");
    fileList->setHeaderLabels({"File", "Size", "Attributes"});
    fileList->setRootIsDecorated(false);
    fileList->setUniformRowHeights(true);
    fileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    fileList->setContextMenuPolicy(Qt::CustomContextMenu);
    folderTree->setContextMenuPolicy(Qt::CustomContextMenu);
    fileList->setSortingEnabled(true);
    fileList->sortByColumn(FileNameColumn, Qt::AscendingOrder);
    folderTree->setTextElideMode(Qt::ElideMiddle);
    fileList->setTextElideMode(Qt::ElideMiddle);
    const QFontMetrics metrics = fileList->fontMetrics();
    fileList->header()->resizeSection(FileNameColumn,
                                      metrics.horizontalAdvance("01 - A Long Song Title Here.mp3") + 48);
    fileList->header()->resizeSection(FileSizeColumn, metrics.horizontalAdvance("4,831,838,208 (4.5 GiB)") + 28);

    BuildToolBar();
    auto* splitter = new QSplitter;
    splitter->addWidget(folderTree);
    splitter->addWidget(fileList);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(toolBar);
    layout->addWidget(filterBox);
    layout->addWidget(status);
    layout->addWidget(splitter, 1);

    connect(folderTree, &QTreeWidget::itemSelectionChanged, this, &ShareForm::OnFolderSelected);
    connect(filterBox, &FilterBox::FilterChanged, this, &ShareForm::OnFilterChanged);
    connect(fileList, &QWidget::customContextMenuRequested, this, &ShareForm::OnFileContextMenu);
    connect(folderTree, &QWidget::customContextMenuRequested, this, &ShareForm::OnFolderContextMenu);
    if (mode == Mode::Browse)
        connect(fileList, &QTreeWidget::itemDoubleClicked, this, &ShareForm::DownloadFiles);
    buildSlice.setInterval(0);
    connect(&buildSlice, &QTimer::timeout, this, &ShareForm::BuildSlice);
}

ShareForm::~ShareForm()
{
    DropShare();
}

void ShareForm::BuildToolBar()
{
    toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    if (mode == Mode::Browse) {
        QAction* refresh = toolBar->addAction("Refresh", this, [this] { emit RefreshRequested(user); });
        refresh->setObjectName("refresh_share");
        toolBar->addSeparator();
        filesAction = toolBar->addAction("Download File(s)", this, &ShareForm::DownloadFiles);
        filesAction->setObjectName("download_files");
        folderAction = toolBar->addAction("Download Folder", this, &ShareForm::DownloadFolder);
        folderAction->setObjectName("download_folder");
    } else {
        filesAction = toolBar->addAction("Upload File", this, &ShareForm::UploadFiles);
        filesAction->setObjectName("upload_file");
        folderAction = toolBar->addAction("Upload Folder", this, &ShareForm::UploadFolder);
        folderAction->setObjectName("upload_folder");
    }
    toolBar->addSeparator();
    toolBar->addAction("Expand All", this, &ShareForm::ExpandAll)->setObjectName("expand_all");
    toolBar->addAction("Collapse All", this, &ShareForm::CollapseAll)->setObjectName("collapse_all");
    expandLevelAction = toolBar->addAction(QString(), this, &ShareForm::ExpandLevel);
    expandLevelAction->setObjectName("expand_level");
    expandLevelAction->setText(QString("Expand Level [%1]").arg(expandLevel));
}

void ShareForm::DropShare()
{
    buildSlice.stop();
    folderTree->clear();
    fileList->clear();
    folderShown.clear();
    rowHidden.clear();
    shown = false;
    if (!builder)
        return;
    const ItemPtr share = builder->Share();
    builder.reset();
    if (mode == Mode::Browse && sharedFoldersManager) {
        sharedFoldersManager->RemoveUserShare(user);
        return;
    }
    // The own share shown for upload belongs to no user.
    const ItemSet folders = share.GetItems("user_share_folder");
    folders.GetItems("user_share_file").Remove();
    folders.GetItems("user_share_folder_parent").Remove();
    folders.GetItems("user_share_folder_child").Remove();
    folders.Remove();
    share.Remove();
}

void ShareForm::ShowRequesting()
{
    ShowMessage("Requesting file list...");
    requesting = true;
}

void ShareForm::ShowMessage(const QString& text)
{
    requesting = false;
    DropShare();
    status->setText(text);
}

void ShareForm::ShowListing(const FileInfoMap& listing)
{
    requesting = false;
    DropShare();
    if (listing.empty()) {
        status->setText(NoFilesText);
        return;
    }
    const ItemPtr share = d.GetType("user_share")->NewItem();
    if (mode == Mode::Browse)
        share += d.GetType("user")->GetItem(Value(user));
    builder = std::make_unique<UserShareBuilder>(share, listing);
    status->setText("Reading the file list...");
    BuildSlice();
}

void ShareForm::BuildSlice()
{
    if (!builder->Step(FilesPerSlice)) {
        buildSlice.start();
        return;
    }
    buildSlice.stop();
    ShowTree();
}

QTreeWidgetItem* ShareForm::AddFolderRow(ItemPtr folder, QTreeWidgetItem* parent)
{
    const QString path = PathOf(folder);
    QString name = path;
    if (parent) {
        // Below its parent a folder shows the rest of its path.
        const QString parentPath = parent->toolTip(0);
        name = path.mid(parentPath.size());
        while (name.startsWith('\\') || name.startsWith('/'))
            name.remove(0, 1);
    }
    auto* row = new QTreeWidgetItem({name});
    row->setToolTip(0, path);
    row->setIcon(0, folderIcon);
    if (parent)
        parent->addChild(row);
    return row;
}

void ShareForm::ShowTree()
{
    const std::vector<ItemPtr>& folders = builder->Folders();
    std::unordered_map<Item*, QTreeWidgetItem*> rows;
    QList<QTreeWidgetItem*> topLevel;
    for (std::size_t index = 0; index < folders.size(); ++index) {
        const ItemPtr folder = folders[index];
        const auto parent = rows.find(ParentFolder(folder).Get());
        QTreeWidgetItem* row = AddFolderRow(folder, parent == rows.end() ? nullptr : parent->second);
        row->setData(0, FolderIndexRole, int(index));
        if (parent == rows.end())
            topLevel.append(row);
        rows.emplace(folder.Get(), row);
    }
    folderTree->addTopLevelItems(topLevel);
    folderTree->sortItems(0, Qt::AscendingOrder);
    folderShown.assign(folders.size(), true);
    rowHidden.assign(folders.size(), false);
    shown = true;
    if (IsSettingOn("expand_new_shares"))
        folderTree->expandAll();
    OnFilterChanged(filterBox->Text());
    ShowCounts();
    if (!folderToSelect.isEmpty())
        SelectFolder(folderToSelect);
    else if (folderTree->topLevelItemCount() > 0)
        folderTree->setCurrentItem(folderTree->topLevelItem(0));
}

void ShareForm::ShowCounts()
{
    QString text = QString("%1 %2 in %3 %4")
                       .arg(GroupedBytes(quint64(builder->FileCount())))
                       .arg(builder->FileCount() == 1 ? "file" : "files")
                       .arg(GroupedBytes(quint64(builder->Folders().size())))
                       .arg(builder->Folders().size() == 1 ? "folder" : "folders");
    if (builder->SkippedFiles() > 0)
        text += QString("; %1 more files are not shown (a share shows at most %2)")
                    .arg(GroupedBytes(quint64(builder->SkippedFiles())), GroupedBytes(quint64(builder->FileLimit())));
    if (mode == Mode::Upload)
        text = QString("Your files that %1 may see: %2").arg(user, text);
    if (!queuedNote.isEmpty())
        text += '\n' + queuedNote;
    status->setText(text);
}

ItemPtr ShareForm::FolderOf(const QTreeWidgetItem* row) const
{
    if (!row || !builder)
        return ItemPtr();
    const int index = row->data(0, FolderIndexRole).toInt();
    return index >= 0 && std::size_t(index) < builder->Folders().size() ? builder->Folders()[std::size_t(index)]
                                                                        : ItemPtr();
}

QString ShareForm::PathOf(ItemPtr folder)
{
    return ToQString(folder.GetItem("user_share_folder_name").AsStdString());
}

void ShareForm::SelectFolder(const QString& path)
{
    folderToSelect = path;
    if (!shown)
        return;
    const QList<QTreeWidgetItem*> found
        = folderTree->findItems(QStringLiteral("*"), Qt::MatchWildcard | Qt::MatchRecursive, 0);
    for (QTreeWidgetItem* row : found) {
        if (row->toolTip(0) != path)
            continue;
        folderToSelect.clear();
        for (QTreeWidgetItem* up = row->parent(); up; up = up->parent())
            up->setExpanded(true);
        folderTree->setCurrentItem(row);
        folderTree->scrollToItem(row);
        return;
    }
}

void ShareForm::SetFilter(const QString& text)
{
    filterBox->SetText(text);
}

void ShareForm::OnFilterChanged(const QString& text)
{
    filter = FilterParser();
    filter.Parse(text);
    if (!shown)
        return;
    for (int index = 0; index < folderTree->topLevelItemCount(); ++index)
        FilterFolderNode(folderTree->topLevelItem(index));
    ShowFiles(folderTree->currentItem());
}

bool ShareForm::FilterFolderNode(QTreeWidgetItem* row)
{
    const ItemPtr folder = FolderOf(row);
    const std::size_t index = std::size_t(row->data(0, FolderIndexRole).toInt());
    const FolderFilter rule(filter, PathOf(folder));
    if (rule.Rejected()) {
        folderShown[index] = false;
        SetRowHidden(row, index, true);
        return false;
    }
    bool own = rule.Whole();
    if (!own) {
        int passing = 0;
        for (ItemPtr file : folder.GetItems("user_share_file"))
            passing += rule.Passes(NameOf(file), file) ? 1 : 0;
        own = rule.Shows(passing);
    }
    folderShown[index] = own;
    // A folder whose own files do not pass stays as the way to a subfolder whose files do.
    bool any = own;
    for (int child = 0; child < row->childCount(); ++child)
        any = FilterFolderNode(row->child(child)) || any;
    SetRowHidden(row, index, !any);
    return any;
}

void ShareForm::SetRowHidden(QTreeWidgetItem* row, std::size_t index, bool hidden)
{
    if (rowHidden[index] == hidden)
        return;
    rowHidden[index] = hidden;
    row->setHidden(hidden);
}

void ShareForm::OnFolderSelected()
{
    const QList<QTreeWidgetItem*> selected = folderTree->selectedItems();
    ShowFiles(selected.isEmpty() ? nullptr : selected.first());
}

void ShareForm::ShowFiles(QTreeWidgetItem* row)
{
    fileList->clear();
    const ItemPtr folder = FolderOf(row);
    if (!folder || !folderShown[std::size_t(row->data(0, FolderIndexRole).toInt())])
        return;
    const FolderFilter rule(filter, PathOf(folder));
    QList<QTreeWidgetItem*> files;
    for (ItemPtr file : folder.GetItems("user_share_file")) {
        const QString name = NameOf(file);
        if (!rule.Passes(name, file))
            continue;
        auto* item = new FileRow(file, file.GetItem("file_size").AsUInt64());
        item->setText(FileNameColumn, name);
        item->setIcon(FileNameColumn, fileIcon);
        item->setText(FileSizeColumn, SizeText(item->size));
        item->setTextAlignment(FileSizeColumn, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(FileAttributesColumn, SharedFoldersManager::GetFileItemDisplayString(file));
        files.append(item);
    }
    fileList->addTopLevelItems(files);
}

void ShareForm::ExpandAll()
{
    folderTree->expandAll();
}

void ShareForm::CollapseAll()
{
    folderTree->collapseAll();
    expandLevel = 1;
    expandLevelAction->setText(QString("Expand Level [%1]").arg(expandLevel));
}

void ShareForm::ExpandLevel()
{
    folderTree->collapseAll();
    folderTree->expandToDepth(expandLevel - 1);
    int depth = 0;
    for (QTreeWidgetItemIterator it(folderTree); *it; ++it) {
        int level = 0;
        for (QTreeWidgetItem* up = (*it)->parent(); up; up = up->parent())
            ++level;
        depth = std::max(depth, level);
    }
    // Round again from the first level after the deepest.
    expandLevel = expandLevel > depth ? 1 : expandLevel + 1;
    expandLevelAction->setText(QString("Expand Level [%1]").arg(expandLevel));
}

ItemPtr ShareForm::FileOf(const QTreeWidgetItem* row)
{
    return row ? static_cast<const FileRow*>(row)->file : ItemPtr();
}

std::vector<TransferBatch::File> ShareForm::SelectedFiles() const
{
    std::vector<TransferBatch::File> files;
    for (const QTreeWidgetItem* row : fileList->selectedItems()) {
        const ItemPtr file = FileOf(row);
        const ItemPtr folder = file.GetItem("user_share_folder");
        files.push_back(RemoteFile(folder.GetItem("user_share_folder_name").AsStdString(), file, 0));
    }
    return files;
}

std::vector<TransferBatch::File> ShareForm::CurrentFolderFiles() const
{
    std::vector<TransferBatch::File> files;
    const ItemPtr top = FolderOf(folderTree->currentItem());
    if (!top)
        return files;
    // Through the child links, each subfolder one level deeper than its parent.
    std::vector<std::pair<ItemPtr, int>> folders{{top, 0}};
    while (!folders.empty()) {
        const auto [folder, level] = folders.back();
        folders.pop_back();
        const std::string path = folder.GetItem("user_share_folder_name").AsStdString();
        for (ItemPtr file : folder.GetItems("user_share_file"))
            files.push_back(RemoteFile(path, file, level));
        for (ItemPtr link : folder.GetItems("user_share_folder_child"))
            folders.emplace_back(link.GetItem("user_share_folder_parent").GetItem("user_share_folder"), level + 1);
    }
    return files;
}

void ShareForm::Queue(TransferBatch::Kind kind, std::vector<TransferBatch::File> files)
{
    if (files.empty())
        return;
    const TransferBatch::Summary summary = TransferBatch::Start(kind, user, std::move(files));
    queuedNote = TransferBatch::Describe(kind, user, summary);
    if (shown)
        ShowCounts();
}

void ShareForm::DownloadFiles()
{
    Queue(TransferBatch::Kind::Files, SelectedFiles());
}

void ShareForm::DownloadFolder()
{
    Queue(TransferBatch::Kind::Folder, CurrentFolderFiles());
}

void ShareForm::UploadFiles()
{
    Queue(TransferBatch::Kind::Upload, SelectedFiles());
}

void ShareForm::UploadFolder()
{
    Queue(TransferBatch::Kind::Upload, CurrentFolderFiles());
}

void ShareForm::OnFileContextMenu(const QPoint& position)
{
    if (!fileList->itemAt(position))
        return;
    QMenu menu(this);
    menu.addAction(filesAction);
    menu.exec(fileList->viewport()->mapToGlobal(position));
}

void ShareForm::OnFolderContextMenu(const QPoint& position)
{
    QTreeWidgetItem* row = folderTree->itemAt(position);
    if (!row)
        return;
    folderTree->setCurrentItem(row);
    QMenu menu(this);
    menu.addAction(folderAction);
    menu.addSeparator();
    for (const char* name : {"expand_all", "collapse_all", "expand_level"})
        menu.addAction(toolBar->findChild<QAction*>(name));
    menu.exec(folderTree->viewport()->mapToGlobal(position));
}
