#ifndef UI_USERMENU_H
#define UI_USERMENU_H

#include "store/ItemPtr.h"

#include <QMenu>

#include <functional>

// The context menu of a user wherever a user name is shown: a private chat
// with the user, the user's shares, the own shares to upload to the user, the
// user's information, the user list with its groups, the online alert,
// ignoring, withholding the shares, the note, a gift of privileges, the
// user's log and, for the private rooms that the own user owns or operates,
// the user's membership and operator status there. Of an entry and its
// opposite, the one that changes the present state is offered.
class UserMenu : public QMenu
{
    Q_OBJECT
public:
    explicit UserMenu(const QString& user, QWidget* parent = nullptr);

signals:
    // "Message user"; with nobody listening, the main window opens the chat.
    void ChatRequested(QString user);

private:
    void RequestChat();
    QAction* AddEntry(const char* name, const QString& text, const std::function<void()>& effect);
    void AddListEntries();
    void AddMarkEntries();
    void AddPrivateRooms();
    // Where the dialogs of the entries open.
    QWidget* DialogParent() const;

    QString user;
    ItemPtr userItem;
};

#endif
