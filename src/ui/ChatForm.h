#ifndef UI_CHATFORM_H
#define UI_CHATFORM_H

#include "store/ItemPtr.h"
#include "ui/ChatPanel.h"

// A private conversation with one user: the user's lines and the own ones,
// the user's away and available changes, and the log file of the user. Tied
// to the user by its "user_chat_widget".
class ChatForm : public ChatPanel
{
    Q_OBJECT
public:
    static void DeclareTypes();
    // The open chat with the user, or null.
    static ChatForm* Find(const QString& user);

    explicit ChatForm(const QString& user, QWidget* parent = nullptr);
    ~ChatForm() override;

    // Shows a line of the conversation (the other user's or the own) and, for
    // a line that is not an action, posts a private chat event.
    void AddChat(const QString& user, const QString& text);

protected:
    bool Send(const QString& text) override;

private:
    void OnAwayChanged(ItemPtr user);
    void OnAvailable(ItemPtr user);

    ItemPtr user;
};

#endif
