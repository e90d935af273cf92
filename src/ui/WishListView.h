#ifndef UI_WISHLISTVIEW_H
#define UI_WISHLISTVIEW_H

#include "store/Events.h"
#include "store/ItemPtr.h"

#include <QWidget>

class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The wish list in the search window: the wishes with a check mark each for
// the ones searched in turn, a line to add one and a button that removes the
// selected ones. Double-clicking a wish opens its tab.
class WishListView : public QWidget, public DataHandler
{
    Q_OBJECT
public:
    explicit WishListView(QWidget* parent = nullptr);
    ~WishListView() override;

    QTreeWidget* List() const { return list; }
    QLineEdit* Entry() const { return entry; }

signals:
    void OpenRequested(QString wish);

public slots:
    // Adds the text of the entry line as an enabled wish.
    void AddWish();
    void RemoveSelected();
    void Refresh();

private:
    void OnWishChanged(ItemPtr wish);
    void OnItemChanged(QTreeWidgetItem* item, int column);

    QTreeWidget* list;
    QLineEdit* entry;
    bool refreshPending = false;
};

#endif
