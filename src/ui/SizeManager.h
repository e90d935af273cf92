#ifndef UI_SIZEMANAGER_H
#define UI_SIZEMANAGER_H

#include "store/ItemPtr.h"

#include <QList>
#include <QObject>
#include <QString>

class QSplitter;
class QTreeWidget;
class ResizableWindow;

// Remembers window geometry, tree column widths and splitter pane sizes in
// the store, so that they are saved with the configuration and restored when
// the same named widget registers at the next start.
class SizeManager : public QObject
{
    Q_OBJECT
public:
    // Declares the size types and registers them for saving.
    explicit SizeManager(QObject* parent = nullptr);
    ~SizeManager() override;

    void RegisterResizableWindow(const QString& name, ResizableWindow* window);
    void RegisterTreeWidget(const QString& name, QTreeWidget* tree);
    void RegisterSplitter(const QString& name, QSplitter* splitter, const QList<int>& defaultSizes);
    // Drops the remembered columns, so the next registration keeps the defaults.
    void ForgetTreeWidget(const QString& name);

private slots:
    void OnWindowResized(int width, int height);
    void OnWindowMoved(int x, int y);
    void OnWindowDestroyed(QObject* window);
    // Connected to both the resize and the move signal of a tree's header.
    void OnTreeColumnResizedMoved(int logicalIndex, int oldValue, int newValue);
    void OnSplitterMoved(int position, int index);
    void OnTreeDestroyed(QObject* tree);
    void OnSplitterDestroyed(QObject* splitter);

private:
    void DeclareTypes();
    ItemPtr NamedItemOfWidget(const char* widgetTypeName, const char* namedTypeName, const QObject* widget) const;
    void RemoveWidgetLink(const char* widgetTypeName, const QObject* widget);
    // Replaces the entries of `owner` (columns or panes) with the given sizes.
    void StoreSizes(ItemPtr owner, const char* entryTypeName, const char* numberTypeName, const QList<int>& sizes);
    // The stored sizes of `owner` by entry number; entries with a number
    // outside 0..count-1 are skipped.
    QList<QPair<int, int>> StoredSizes(ItemPtr owner, const char* entryTypeName, const char* numberTypeName,
                                       int count) const;
};

extern SizeManager* sizeManager;

#endif
