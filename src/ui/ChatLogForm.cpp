#include "ui/ChatLogForm.h"

#include "store/Data.h"
#include "ui/ObjectLinks.h"

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

const char* const LinkType = "chat_log_form";

ItemPtr OwnerItem(ChatLogFile::Kind kind, const QString& name)
{
    return d.GetType(kind == ChatLogFile::Kind::Room ? "room" : "user")->GetItem(name);
}

} // namespace

void ChatLogForm::DeclareTypes()
{
    ObjectLinks::DeclareLinkType(LinkType, {"room", "user"});
}

ChatLogForm* ChatLogForm::Find(ChatLogFile::Kind kind, const QString& name)
{
    Type* owners = d.GetType(kind == ChatLogFile::Kind::Room ? "room" : "user");
    return ObjectLinks::LinkedAs<ChatLogForm>(owners->HasItem(name), LinkType);
}

ChatLogForm* ChatLogForm::Open(ChatLogFile::Kind kind, const QString& name, QWidget* owningWindow)
{
    ChatLogForm* form = Find(kind, name);
    if (!form)
        form = new ChatLogForm(kind, name, owningWindow);
    form->show();
    form->raise();
    form->activateWindow();
    return form;
}

ChatLogForm::ChatLogForm(ChatLogFile::Kind logKind, const QString& logName, QWidget* owningWindow)
    : QWidget(owningWindow, Qt::Window)
    , owner(OwnerItem(logKind, logName))
    , kind(logKind)
    , name(logName)
    , note(new QLabel)
    , text(new QPlainTextEdit)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString("Chat Log: %1").arg(name));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    note->setWordWrap(true);
    note->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(text);
    resize(640, 480);
    ObjectLinks::Link(owner, LinkType, this);
    LoadFile();
}

ChatLogForm::~ChatLogForm()
{
    ObjectLinks::Unlink(owner, LinkType, this);
}

void ChatLogForm::LoadFile()
{
    const QString path = ChatLogFile::FilePath(kind, name);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        note->setText(
            ChatLogFile::IsLogging(kind)
                ? QString("Nothing has been logged yet. Lines will appear here and in %1.").arg(path)
                : QString("Chat logging is off (Options, Chat Logs), so nothing is written to %1.").arg(path));
        return;
    }
    QByteArray bytes;
    if (file.size() > MaxShownBytes) {
        file.seek(file.size() - MaxShownBytes);
        bytes = file.read(MaxShownBytes);
        // Starts at a whole line.
        bytes.remove(0, bytes.indexOf('\n') + 1);
        note->setText(QString("The most recent part of %1:").arg(path));
    } else {
        bytes = file.readAll();
        note->setText(path);
    }
    if (bytes.endsWith('\n'))
        bytes.chop(1);
    text->setPlainText(QString::fromUtf8(bytes));
    text->verticalScrollBar()->setValue(text->verticalScrollBar()->maximum());
}

void ChatLogForm::AppendLine(const QString& line)
{
    text->appendPlainText(line);
}
