#include "ui/CreateRoomDialog.h"

#include "server/Server.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CreateRoomDialog::CreateRoomDialog(QWidget* parent)
    : QDialog(parent)
    , nameEdit(new QLineEdit)
    , privateBox(new QCheckBox("Private room: only members you invite may enter"))
    , buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel))
{
    setWindowTitle("Create Room");
    nameEdit->setObjectName("room_name");
    privateBox->setObjectName("room_private");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->addRow("Room name:", nameEdit);
    form->addRow(privateBox);
    layout->addLayout(form);
    layout->addWidget(buttons);
    buttons->button(QDialogButtonBox::Ok)->setText("Create");
    buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    connect(nameEdit, &QLineEdit::textChanged, this, [this](const QString& text) {
        buttons->button(QDialogButtonBox::Ok)->setEnabled(!text.trimmed().isEmpty());
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &CreateRoomDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CreateRoomDialog::reject);
}

void CreateRoomDialog::accept()
{
    const QString name = nameEdit->text().trimmed();
    if (name.isEmpty() || !gp_server)
        return;
    gp_server->EnterRoom(name, privateBox->isChecked());
    QDialog::accept();
}
