#include "ui/ListeningPortDialog.h"

#include "app/Settings.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>

ListeningPortDialog::ListeningPortDialog(QWidget* parent)
    : QDialog(parent)
    , portEdit(new QLineEdit(GetSetting("listening_port")))
{
    setWindowTitle("Set Listening Port");
    portEdit->setObjectName("port");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* layout = new QFormLayout(this);
    layout->addRow("Listening port:", portEdit);
    layout->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &ListeningPortDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ListeningPortDialog::reject);
}

ListeningPortDialog::Outcome ListeningPortDialog::Judge(const QString& entry, const QString& currentPort)
{
    bool isNumber = false;
    const qlonglong port = entry.trimmed().toLongLong(&isNumber, 10);
    if (!isNumber || port < 1 || port > 65535)
        return Outcome::OutOfRange;
    if (port == currentPort.toLongLong())
        return Outcome::Unchanged;
    return Outcome::Pending;
}

void ListeningPortDialog::accept()
{
    const QString entry = portEdit->text();
    switch (Judge(entry, GetSetting("listening_port"))) {
    case Outcome::OutOfRange:
        QMessageBox::information(this, "Invalid Port Number", "Port number must be in the range of 1 to 65535.");
        return;
    case Outcome::Unchanged:
        // Choosing the port in use again withdraws a change still waiting for
        // the restart, which could not be undone otherwise.
        if (!GetSetting("new_listening_port").isEmpty())
            SetSetting("new_listening_port", QString());
        QMessageBox::information(this, "Port Number Not Changed", "Port number has not been changed.");
        break;
    case Outcome::Pending:
        SetSetting("new_listening_port", QString::number(entry.trimmed().toInt()));
        QMessageBox::information(this, "Change to Listening Port Pending",
                                 "Changes to the listening port will take effect after a client restart.");
        break;
    }
    QDialog::accept();
}
