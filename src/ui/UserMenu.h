#ifndef UI_USERMENU_H
#define UI_USERMENU_H

#include <QMenu>

// The context menu of a user wherever a user name is shown: a private chat
// with the user, the user's shares, the own shares to upload to the user, the
// user's information and, for the private rooms that the own user owns or
// operates, the user's membership and operator status there.
class UserMenu : public QMenu
{
    Q_OBJECT
public:
    explicit UserMenu(const QString& user, QWidget* parent = nullptr);

signals:
    void ChatRequested(QString user);

private:
    void AddPrivateRooms();

    QString user;
};

#endif
