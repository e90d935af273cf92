#ifndef UI_SHAREFORM_H
#define UI_SHAREFORM_H

#include "search/FilterParser.h"
#include "shares/FileInfo.h"
#include "store/ItemPtr.h"
#include "ui/TransferBatch.h"

#include <QIcon>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <vector>

class FilterBox;
class QAction;
class QLabel;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class UserShareBuilder;

// One user's shared files: the folder tree of a share listing beside the files
// of the chosen folder, with the result filter applied folder by folder. In
// the upload mode it shows the own shares as that user may see them, to pick
// files to send.
//
// The listing becomes graph items (UserShareBuilder) a slice at a time; the
// items go with the tab, or when a newer listing replaces them.
class ShareForm : public QWidget
{
    Q_OBJECT
public:
    enum class Mode
    {
        Browse,
        Upload,
    };

    // Files built per slice of the event loop.
    static constexpr int FilesPerSlice = 4000;

    ShareForm(const QString& user, Mode mode, QWidget* parent = nullptr);
    ~ShareForm() override;

    const QString& User() const { return user; }
    Mode GetMode() const { return mode; }

    // "Requesting file list..." until the listing comes.
    void ShowRequesting();
    bool IsRequesting() const { return requesting; }
    // Builds and shows the listing (replacing one shown before).
    void ShowListing(const FileInfoMap& listing);
    bool IsBuilding() const { return builder && !shown; }
    // A message in place of the listing.
    void ShowMessage(const QString& text);
    // Selects the folder with that path (as listed) now, or once the listing is shown.
    void SelectFolder(const QString& path);
    void SetFilter(const QString& text);

    QTreeWidget* Folders() const { return folderTree; }
    QTreeWidget* Files() const { return fileList; }
    FilterBox* Filter() const { return filterBox; }
    QLabel* Status() const { return status; }
    QToolBar* ToolBar() const { return toolBar; }
    // The share's folder item behind a row of the folder tree.
    ItemPtr FolderOf(const QTreeWidgetItem* row) const;
    // The path of a folder item as listed.
    static QString PathOf(ItemPtr folder);

    static const QString NoFilesText;
    static QString ConnectionFailedText();

    // The share's file item behind a row of the file list.
    static ItemPtr FileOf(const QTreeWidgetItem* row);

signals:
    void RefreshRequested(QString user);

public slots:
    void ExpandAll();
    void CollapseAll();
    void ExpandLevel();
    // "Download File(s)": the selected files, each on its own.
    void DownloadFiles();
    // The current folder with every file below it through its subfolders.
    void DownloadFolder();
    // "Upload File" and "Upload Folder": the same, offered to the user.
    void UploadFiles();
    void UploadFolder();

private slots:
    void BuildSlice();
    void OnFolderSelected();
    void OnFilterChanged(const QString& text);
    void OnFileContextMenu(const QPoint& position);
    void OnFolderContextMenu(const QPoint& position);

private:
    void BuildToolBar();
    void DropShare();
    void ShowTree();
    QTreeWidgetItem* AddFolderRow(ItemPtr folder, QTreeWidgetItem* parent);
    // Shows or hides a folder row and those below it by the filter; true when shown.
    bool FilterFolderNode(QTreeWidgetItem* row);
    void SetRowHidden(QTreeWidgetItem* row, std::size_t index, bool hidden);
    void ShowFiles(QTreeWidgetItem* row);
    void ShowCounts();
    // The selected files, or every file of the current folder and its subfolders, as the user names them.
    std::vector<TransferBatch::File> SelectedFiles() const;
    std::vector<TransferBatch::File> CurrentFolderFiles() const;
    void Queue(TransferBatch::Kind kind, std::vector<TransferBatch::File> files);

    QString user;
    Mode mode;
    bool requesting = false;
    QToolBar* toolBar;
    FilterBox* filterBox;
    QLabel* status;
    QTreeWidget* folderTree;
    QTreeWidget* fileList;
    const QIcon folderIcon;
    const QIcon fileIcon;
    QAction* expandLevelAction = nullptr;
    QAction* filesAction = nullptr;
    QAction* folderAction = nullptr;
    int expandLevel = 1;
    FilterParser filter;

    std::unique_ptr<UserShareBuilder> builder;
    // Set once the built share is shown.
    bool shown = false;
    QTimer buildSlice;
    QString folderToSelect;
    // What the last download or upload action queued, shown with the counts.
    QString queuedNote;
    // Folder rows whose own files pass the filter (rows shown only as the way
    // to a subfolder that does are not in it).
    std::vector<bool> folderShown;
    // Folder rows hidden by the filter (kept here: the tree looks a row up
    // among its siblings each time it is asked or told).
    std::vector<bool> rowHidden;
};

#endif
