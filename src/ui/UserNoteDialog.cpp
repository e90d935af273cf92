#include "ui/UserNoteDialog.h"

#include "ui/UserListState.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

UserNoteDialog::UserNoteDialog(ItemPtr userItem, QWidget* parent)
    : QDialog(parent)
    , user(userItem)
    , noteEdit(new QPlainTextEdit)
{
    setWindowTitle("Note on [" + user.AsString() + "]");
    noteEdit->setObjectName("user_note");
    noteEdit->setPlainText(user.GetItem("user_note").AsString());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(noteEdit);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &UserNoteDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &UserNoteDialog::reject);
    resize(420, 260);
}

void UserNoteDialog::accept()
{
    UserListState::SetNote(user, noteEdit->toPlainText());
    QDialog::accept();
}
