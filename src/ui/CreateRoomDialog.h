#ifndef UI_CREATEROOMDIALOG_H
#define UI_CREATEROOMDIALOG_H

#include <QDialog>

class QCheckBox;
class QDialogButtonBox;
class QLineEdit;

// "Create Room": the name of a new room and whether it is private. Accepting
// enters the room, which creates it on the server.
class CreateRoomDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CreateRoomDialog(QWidget* parent = nullptr);

    QLineEdit* NameEdit() const { return nameEdit; }
    QCheckBox* PrivateBox() const { return privateBox; }

public slots:
    void accept() override;

private:
    QLineEdit* nameEdit;
    QCheckBox* privateBox;
    QDialogButtonBox* buttons;
};

#endif
