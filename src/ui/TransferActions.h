#ifndef UI_TRANSFERACTIONS_H
#define UI_TRANSFERACTIONS_H

#include "store/ItemPtr.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QMenu;
class QTreeWidgetItem;
class TransferTree;

// What the transfer lists do outside themselves.

// Opens a local file or folder with the desktop's handler.
void OpenLocalPath(const QString& path);
// Puts another opener in the desktop's place (tests record the paths); an empty one restores the desktop's.
void SetLocalPathOpener(std::function<void(const QString&)> opener);

// The text of the search a download (or its record) came from; empty when none is known.
QString SearchTextOf(ItemPtr item);
// Starts a new search of the whole network for the text and shows its tab.
void RerunSearch(const QString& text);

// Does the action to each entry that is still there: what is done to one entry may remove others.
void ForEachLive(const std::vector<ItemPtr>& entries, const std::function<void(ItemPtr)>& action);

// The context menu of the rows: the user's own menu (and a separator) when they are one user's row, else an empty
// menu.
std::unique_ptr<QMenu> NewRowMenu(const TransferTree& list, const QList<QTreeWidgetItem*>& rows);

// A local path from the internal form of the download folders (backslashes).
QString NativePath(QString internal);

#endif
