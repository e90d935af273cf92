#include "ui/GiftPrivilegesDialog.h"

#include "app/Settings.h"
#include "server/Server.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <climits>

GiftPrivilegesDialog::GiftPrivilegesDialog(const QString& userName, QWidget* parent)
    : QDialog(parent)
    , user(userName)
    , status(new QLabel)
    , days(new QSpinBox)
    , giftButton(new QPushButton("Gift"))
{
    setWindowTitle("Gift Privileges");
    status->setObjectName("gift_status");
    status->setWordWrap(true);
    days->setObjectName("gift_days");
    days->setSuffix(" days");
    giftButton->setObjectName("gift");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
    buttons->addButton(giftButton, QDialogButtonBox::AcceptRole);
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(QString("Give %1 part of your own privileges on the network.").arg(user));
    // The name comes from the network: never taken as markup.
    intro->setTextFormat(Qt::PlainText);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    auto* form = new QFormLayout;
    form->addRow("Days to give:", days);
    layout->addLayout(form);
    layout->addWidget(status);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &GiftPrivilegesDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &GiftPrivilegesDialog::reject);
    if (gp_server) {
        connect(gp_server, &Server::ReceivedOwnPrivilegesStatus, this, &GiftPrivilegesDialog::Refresh);
        connect(gp_server, &Server::Connected, this, &GiftPrivilegesDialog::Refresh);
        connect(gp_server, &Server::Disconnected, this, &GiftPrivilegesDialog::Refresh);
        gp_server->GetOwnPrivilegesStatus();
    }
    Refresh();
}

int GiftPrivilegesDialog::DaysLeft()
{
    const qint64 seconds = GetSetting("privileges_time_left").toLongLong();
    return int(qBound<qint64>(0, seconds / SecondsPerDay, INT_MAX));
}

void GiftPrivilegesDialog::Refresh()
{
    const int left = DaysLeft();
    const bool online = gp_server && gp_server->IsConnected();
    days->setRange(1, qMax(1, left));
    if (!online)
        status->setText("Must be online to gift privileges.");
    else if (left < 1)
        status->setText("You have no whole days of privileges to give.");
    else
        status->setText(QString("You have %1 days of privileges left.").arg(left));
    days->setEnabled(online && left >= 1);
    giftButton->setEnabled(online && left >= 1);
}

void GiftPrivilegesDialog::accept()
{
    if (!giftButton->isEnabled() || days->value() > DaysLeft())
        return;
    gp_server->GiftPrivileges(user, days->value());
    QDialog::accept();
}
