#include "ui/ChatPanel.h"

#include "app/Settings.h"
#include "app/TimerManager.h"
#include "ui/ChatLogForm.h"
#include "ui/ChatText.h"
#include "ui/ChatView.h"
#include "ui/EventToolBar.h"

#include <QLineEdit>
#include <QSplitter>
#include <QVBoxLayout>

using namespace ChatText;

int ChatPanel::inactivityMs = ChatPanel::DefaultInactivityMs;

void ChatPanel::SetInactivityPeriod(int ms)
{
    inactivityMs = ms;
}

ChatPanel::ChatPanel(ChatLogFile::Kind kind, const QString& name, bool boundedView, QWidget* parent)
    : QWidget(parent)
    , logKind(kind)
    , chatName(name)
    , layout(new QVBoxLayout(this))
    , splitter(new QSplitter(Qt::Horizontal))
    , view(new ChatView(boundedView))
    , input(new QLineEdit)
{
    layout->setContentsMargins(4, 4, 4, 4);
    auto* column = new QWidget;
    auto* columnLayout = new QVBoxLayout(column);
    columnLayout->setContentsMargins(0, 0, 0, 0);
    columnLayout->addWidget(view);
    columnLayout->addWidget(input);
    splitter->addWidget(column);
    splitter->setStretchFactor(0, 1);
    splitter->setChildrenCollapsible(false);
    layout->addWidget(splitter);

    input->setObjectName("chat_input");
    input->setPlaceholderText("Type a message and press Enter");
    setFocusProxy(input);
    connect(input, &QLineEdit::returnPressed, this, &ChatPanel::OnReturnPressed);
    if (timerManager)
        connect(timerManager, &TimerManager::HalfMinuteTick, this, &ChatPanel::CheckChatInactivity);
}

ChatPanel::~ChatPanel()
{
    if (eventToolBar)
        eventToolBar->RemoveEvents(this);
}

void ChatPanel::AddToolBar(QWidget* toolBar)
{
    layout->insertWidget(0, toolBar);
}

void ChatPanel::ShowStatus(const QString& text)
{
    view->AppendHtml(StatusLine(text, GetSetting("color_chat_status")));
}

bool ChatPanel::ShowChat(const QString& user, const QString& rawText)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QString text = rawText.trimmed();
    if (IsAction(text)) {
        const QString action = ActionText(user, text);
        view->AppendHtml(StatusLine(action, GetSetting("color_chat_status")), user);
        LogChat(ActionLogLine(now, action));
        return false;
    }
    const TimestampMode mode = ModeFromWord(GetSetting("chat_timestamps"));
    lastChatTime = now;
    if (!chatActive) {
        chatActive = true;
        if (mode == TimestampMode::ActivityBased)
            ShowStatus("Chat started " + LongTime(now));
    }
    view->AppendHtml(
        ChatLine(mode, now, user, text, GetSetting("color_chat_timestamp"), GetSetting("color_chat_username")), user);
    LogChat(LogLine(now, user, text));
    return true;
}

void ChatPanel::CheckChatInactivity()
{
    if (!chatActive || lastChatTime.msecsTo(QDateTime::currentDateTime()) < inactivityMs)
        return;
    chatActive = false;
    if (ModeFromWord(GetSetting("chat_timestamps")) == TimestampMode::ActivityBased)
        ShowStatus("Chat ended " + LongTime(lastChatTime));
}

void ChatPanel::LogChat(const QString& line)
{
    if (!ChatLogFile::IsLogging(logKind))
        return;
    ChatLogFile::Append(logKind, chatName, line);
    if (ChatLogForm* viewer = ChatLogForm::Find(logKind, chatName))
        viewer->AppendLine(line);
}

void ChatPanel::OnReturnPressed()
{
    const QString text = input->text();
    if (text.trimmed().isEmpty())
        return;
    if (Send(text))
        input->clear();
}

void ChatPanel::ShowNotSent()
{
    ShowStatus("Not sent: you are not connected to the server. The line stays in the input; press Enter again "
               "once connected.");
}

void ChatPanel::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (eventToolBar)
        eventToolBar->RemoveEvents(this);
}
