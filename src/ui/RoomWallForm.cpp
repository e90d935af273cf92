#include "ui/RoomWallForm.h"

#include "app/Settings.h"
#include "server/Server.h"
#include "store/Data.h"
#include "ui/ChatText.h"
#include "ui/ObjectLinks.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const char* const LinkType = "room_wall_form";
} // namespace

void RoomWallForm::DeclareTypes()
{
    ObjectLinks::DeclareLinkType(LinkType, {"room"});
}

RoomWallForm* RoomWallForm::Open(ItemPtr room, QWidget* owningWindow)
{
    auto* form = ObjectLinks::LinkedAs<RoomWallForm>(room, LinkType);
    if (!form)
        form = new RoomWallForm(room, owningWindow);
    form->show();
    form->raise();
    form->activateWindow();
    return form;
}

RoomWallForm::RoomWallForm(ItemPtr roomItem, QWidget* owningWindow)
    : QWidget(owningWindow, Qt::Window)
    , room(roomItem)
    , view(new QTextBrowser)
    , input(new QLineEdit)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString("Room Wall: %1").arg(room.AsString()));
    input->setObjectName("ticker_input");
    input->setPlaceholderText("Your line on the wall; press Enter to set it");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view);
    layout->addWidget(input);
    resize(560, 420);
    connect(input, &QLineEdit::returnPressed, this, &RoomWallForm::OnReturnPressed);

    ObjectLinks::Link(room, LinkType, this);
    // A new ticker is complete once it has its order; a removed one goes with
    // its connection to the room.
    auto* added = new PathNode(room);
    auto* ticker = new PathNode(added, "room_ticker", PathOnConnect);
    new PathNode(ticker, "room_ticker_order", PathOnConnect);
    d.AddPathEventHandler(
        added, AddDataHandler(new EventHandler<RoomWallForm, ItemPtr>(this, &RoomWallForm::OnTickersChanged)));
    auto* removed = new PathNode(room);
    new PathNode(removed, "room_ticker", PathOnDisconnect);
    d.AddPathEventHandler(
        removed, AddDataHandler(new EventHandler<RoomWallForm, ItemPtr>(this, &RoomWallForm::OnTickersChanged)));
    UpdateText();
}

RoomWallForm::~RoomWallForm()
{
    ObjectLinks::Unlink(room, LinkType, this);
}

void RoomWallForm::OnTickersChanged(ItemPtr)
{
    // Once the change is complete: a ticker is replaced by removing the old one
    // and adding the new one.
    if (updatePending)
        return;
    updatePending = true;
    QTimer::singleShot(0, this, &RoomWallForm::UpdateText);
}

void RoomWallForm::UpdateText()
{
    updatePending = false;
    const QString usernameColour = GetSetting("color_chat_username");
    QString html = "<table>";
    bool grey = false;
    for (ItemPtr ticker : room.GetItems("room_ticker").SortNumericBy("room_ticker_order", false)) {
        html += grey ? "<tr width=\"%100\"><td bgcolor=#d3d3d3>" : "<tr width=\"%100\"><td bgcolor=#ffffff>";
        html += "<b><big>" + ChatText::EscapeHtml(ticker["room_ticker_text"].AsString()) + "</big></b><font color=\""
            + usernameColour + "\"> -" + ChatText::EscapeHtml(ticker["user"].AsString()) + "</font></td></tr>";
        grey = !grey;
    }
    html += "</table>";
    view->setHtml(html);
    view->verticalScrollBar()->setValue(0);
}

void RoomWallForm::OnReturnPressed()
{
    const QString text = input->text().trimmed();
    if (text.isEmpty() || !gp_server)
        return;
    gp_server->SetRoomTicker(room.AsString(), text);
    input->clear();
}
