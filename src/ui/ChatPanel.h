#ifndef UI_CHATPANEL_H
#define UI_CHATPANEL_H

#include "store/Events.h"
#include "ui/ChatLogFile.h"

#include <QDateTime>
#include <QWidget>

class ChatView;
class QLineEdit;
class QSplitter;
class QVBoxLayout;

// What a room's chat and a private chat share: the view with its line
// formats, time stamps and activity marks, the input that sends on Enter, the
// status lines and the log file. RoomForm and ChatForm add what is theirs.
class ChatPanel : public QWidget, public DataHandler
{
    Q_OBJECT
public:
    // Quiet time after which activity-based chat is taken as ended.
    static constexpr int DefaultInactivityMs = 300000;
    static void SetInactivityPeriod(int ms);

    ChatPanel(ChatLogFile::Kind logKind, const QString& name, bool boundedView, QWidget* parent = nullptr);
    ~ChatPanel() override;

    // The room's or the other user's name.
    const QString& Name() const { return chatName; }
    ChatView* View() const { return view; }
    QLineEdit* Input() const { return input; }
    bool IsChatActive() const { return chatActive; }

    // A status line: "* " and the text in the status colour.
    void ShowStatus(const QString& text);

public slots:
    // Ends an activity-based chat after the quiet time (run on the half-minute tick).
    void CheckChatInactivity();

protected:
    // Shows and logs a line of the user; false for an action ("/me ...").
    bool ShowChat(const QString& user, const QString& text);
    // Sends what the user typed (not empty); the input is cleared when it went.
    virtual bool Send(const QString& text) = 0;
    // Tells the user that a line could not go out while disconnected.
    void ShowNotSent();

    void AddToolBar(QWidget* toolBar);
    QSplitter* Splitter() const { return splitter; }

    void showEvent(QShowEvent* event) override;

private slots:
    void OnReturnPressed();

private:
    void LogChat(const QString& line);

    static int inactivityMs;

    ChatLogFile::Kind logKind;
    QString chatName;
    QVBoxLayout* layout;
    QSplitter* splitter;
    ChatView* view;
    QLineEdit* input;
    bool chatActive = false;
    QDateTime lastChatTime;
};

#endif
