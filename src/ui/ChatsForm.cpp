#include "ui/ChatsForm.h"

#include "ui/ChatForm.h"
#include "ui/ChatIcons.h"
#include "ui/MessageListForm.h"
#include "ui/UserMenu.h"

#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

void ChatsForm::DeclareTypes()
{
    ChatForm::DeclareTypes();
    MessageListForm::DeclareTypes();
}

ChatsForm::ChatsForm(QWidget* parent)
    : QWidget(parent)
    , tabs(new QTabWidget)
    , messageList(new MessageListForm)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabs);
    tabs->setObjectName("chat_tabs");
    tabs->setDocumentMode(true);
    tabs->setTabsClosable(true);
    tabs->setMovable(true);
    tabs->addTab(messageList, "Messages");
    tabs->tabBar()->setTabButton(0, QTabBar::RightSide, nullptr);
    tabs->tabBar()->setTabButton(0, QTabBar::LeftSide, nullptr);
    connect(tabs, &QTabWidget::tabCloseRequested, this, &ChatsForm::OnTabCloseRequested);
    // A conversation brought to the front is ready for typing.
    connect(tabs, &QTabWidget::currentChanged, this, [this] {
        if (auto* chat = qobject_cast<ChatForm*>(tabs->currentWidget()))
            chat->setFocus();
    });
    connect(messageList, &MessageListForm::ChatRequested, this, &ChatsForm::OpenAndFocus);
    tabs->tabBar()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tabs->tabBar(), &QWidget::customContextMenuRequested, this, &ChatsForm::OnTabContextMenu);
}

ChatForm* ChatsForm::OpenChat(const QString& user, bool focus)
{
    ChatForm* chat = ChatForm::Find(user);
    if (!chat) {
        chat = new ChatForm(user);
        tabs->addTab(chat, ChatIcon(), user);
    }
    if (focus) {
        tabs->setCurrentWidget(chat);
        chat->setFocus();
    }
    return chat;
}

void ChatsForm::OpenAndFocus(const QString& user)
{
    OpenChat(user, true);
}

void ChatsForm::OnTabContextMenu(const QPoint& position)
{
    // A conversation's tab bears the other user's name.
    auto* chat = qobject_cast<ChatForm*>(tabs->widget(tabs->tabBar()->tabAt(position)));
    if (!chat)
        return;
    UserMenu menu(chat->Name(), this);
    connect(&menu, &UserMenu::ChatRequested, this, &ChatsForm::OpenAndFocus);
    menu.exec(tabs->tabBar()->mapToGlobal(position));
}

void ChatsForm::OnTabCloseRequested(int index)
{
    if (auto* chat = qobject_cast<ChatForm*>(tabs->widget(index)))
        delete chat;
}
