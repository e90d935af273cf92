#ifndef UI_CHATSFORM_H
#define UI_CHATSFORM_H

#include <QWidget>

class ChatForm;
class MessageListForm;
class QTabWidget;

// The "Private Chats" tab: the list of all private messages, then one tab
// per open conversation. Closing a conversation's tab ends its view; the
// messages stay in the list and the log. A conversation's tab offers the
// other user's menu.
class ChatsForm : public QWidget
{
    Q_OBJECT
public:
    // Declares the link types of the private chat views.
    static void DeclareTypes();

    explicit ChatsForm(QWidget* parent = nullptr);

    QTabWidget* Tabs() const { return tabs; }
    MessageListForm* MessageList() const { return messageList; }

    // The conversation with the user, opened when needed; with focus it comes
    // to the front with its input focused.
    ChatForm* OpenChat(const QString& user, bool focus);

private slots:
    void OnTabCloseRequested(int index);
    void OpenAndFocus(const QString& user);
    void OnTabContextMenu(const QPoint& position);

private:
    QTabWidget* tabs;
    MessageListForm* messageList;
};

#endif
