#ifndef SEARCH_WISHLISTSEARCHER_H
#define SEARCH_WISHLISTSEARCHER_H

#include "store/ItemPtr.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <list>

// Searches the network for the wishes of the wish list again and again: one
// enabled wish per turn, in the order of their texts, at the interval that the
// server sends after login. Idle until the server has sent one.
//
// A wish is a "wish_list_item" whose value is the search text; the wishes
// connected to "wish_list_item_enabled" take part. Both types are saved.
class WishListSearcher : public QObject
{
    Q_OBJECT
public:
    static constexpr int SecondMs = 1000;

    // Declares and saves the wish-list types and listens to the server session;
    // needs the settings schema, the configuration store and the session.
    // secondMs is the length of one second of the server's interval (tests
    // shorten it).
    explicit WishListSearcher(QObject* parent = nullptr, int secondMs = SecondMs);
    ~WishListSearcher() override;

    // The trimmed text becomes an enabled wish (an existing one is enabled);
    // null for an empty text.
    ItemPtr AddWish(const QString& text);
    // Wishes switched off keep their place in the list but are not searched.
    void SetWishEnabled(const QString& text, bool enabled);
    void RemoveWish(const QString& text);
    // The wish with that text, or null.
    static ItemPtr FindWish(const QString& text);
    // The enabled wishes in the order they take turns.
    static std::list<ItemPtr> EnabledWishes();

public slots:
    // The server's interval between two wish-list searches.
    void OnWishListWait(unsigned int seconds);
    // Searches for the wish whose turn it is.
    void OnSearchTimerTimeout();

private:
    QTimer timer;
    int secondMs;
};

extern WishListSearcher* wishListSearcher;

#endif
