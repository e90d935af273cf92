#include "ui/ChatForm.h"

#include "app/Settings.h"
#include "server/Server.h"
#include "store/Data.h"
#include "ui/ChatIcons.h"
#include "ui/ChatLogForm.h"
#include "ui/EventToolBar.h"
#include "ui/ObjectLinks.h"

#include <QToolBar>

namespace {

const char* const LinkType = "user_chat_widget";
// Shown in the event's text; the rest is in the chat.
constexpr int EventTextLength = 100;

void WatchFlag(ItemPtr user, const char* flag, PathNodeRelation relation, EventHandlerBase<ItemPtr>* handler)
{
    auto* root = new PathNode(user);
    new PathNode(root, flag, relation);
    d.AddPathEventHandler(root, handler);
}

} // namespace

void ChatForm::DeclareTypes()
{
    ObjectLinks::DeclareLinkType(LinkType, {"user"});
}

ChatForm* ChatForm::Find(const QString& user)
{
    return ObjectLinks::LinkedAs<ChatForm>(d.GetType("user")->HasItem(user), LinkType);
}

ChatForm::ChatForm(const QString& userName, QWidget* parent)
    : ChatPanel(ChatLogFile::Kind::User, userName, false, parent)
    , user(d.GetType("user")->GetItem(userName))
{
    auto* toolBar = new QToolBar;
    toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    QAction* log
        = toolBar->addAction("Chat Log", [this] { ChatLogForm::Open(ChatLogFile::Kind::User, Name(), window()); });
    log->setObjectName("chat_log");
    AddToolBar(toolBar);

    ObjectLinks::Link(user, LinkType, this);
    WatchFlag(user, "is_away", PathOnConnect,
              AddDataHandler(new EventHandler<ChatForm, ItemPtr>(this, &ChatForm::OnAwayChanged)));
    WatchFlag(user, "is_away", PathOnDisconnect,
              AddDataHandler(new EventHandler<ChatForm, ItemPtr>(this, &ChatForm::OnAvailable)));
    if (user.IsConnected("is_away"))
        OnAwayChanged(user);
    // The server tells of the user's away changes only to those who watch.
    if (gp_server) {
        gp_server->TrackUser(userName);
        gp_server->GetUserStatus(userName);
    }
}

ChatForm::~ChatForm()
{
    ObjectLinks::Unlink(user, LinkType, this);
}

void ChatForm::AddChat(const QString& speaker, const QString& text)
{
    if (!ShowChat(speaker, text) || !eventToolBar)
        return;
    const QString trimmed = text.trimmed();
    const QString shown = trimmed.size() > EventTextLength ? trimmed.left(EventTextLength) + " ..." : trimmed;
    eventToolBar->AddEvent(Name(), ChatIcon(), this, QString("[%1] %2").arg(speaker, shown), "private_chat", false);
}

bool ChatForm::Send(const QString& text)
{
    if (!gp_server || !gp_server->IsConnected()) {
        ShowNotSent();
        return false;
    }
    AddChat(GetSetting("username"), text);
    gp_server->SendPrivateChat(Name(), text);
    return true;
}

void ChatForm::OnAwayChanged(ItemPtr)
{
    ShowStatus(Name() + " is away.");
}

void ChatForm::OnAvailable(ItemPtr)
{
    ShowStatus(Name() + " is available.");
}
