#ifndef UI_CHATLOGFORM_H
#define UI_CHATLOGFORM_H

#include "store/ItemPtr.h"
#include "ui/ChatLogFile.h"

#include <QWidget>

class QLabel;
class QPlainTextEdit;

// A window showing the chat log file of a room or a user, with the lines
// logged while it is open added at the end. A long file shows only its most
// recent part. One viewer per room or user, tied to it by its "chat_log_form".
class ChatLogForm : public QWidget
{
    Q_OBJECT
public:
    // Shown from a long file: its end, so that opening stays quick.
    static constexpr qint64 MaxShownBytes = 2 * 1024 * 1024;

    // Declares "chat_log_form", related one to one to "room" and to "user".
    static void DeclareTypes();
    // The open viewer of a room or a user, or null.
    static ChatLogForm* Find(ChatLogFile::Kind kind, const QString& name);
    // Brings up the viewer of a room or a user, opening it when needed as a
    // window of its own that closes with the given one.
    static ChatLogForm* Open(ChatLogFile::Kind kind, const QString& name, QWidget* owningWindow);

    ~ChatLogForm() override;

    void AppendLine(const QString& line);
    QPlainTextEdit* Text() const { return text; }

private:
    ChatLogForm(ChatLogFile::Kind kind, const QString& name, QWidget* owningWindow);
    void LoadFile();

    ItemPtr owner;
    ChatLogFile::Kind kind;
    QString name;
    QLabel* note;
    QPlainTextEdit* text;
};

#endif
