#ifndef UI_ADDUSERDIALOG_H
#define UI_ADDUSERDIALOG_H

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// "Add User": asks the server whether the typed name exists and puts the user
// on the list when it does. The input stays locked while the answer is awaited.
class AddUserDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AddUserDialog(QWidget* parent = nullptr);

    QLineEdit* NameEdit() const { return nameEdit; }
    QLabel* Status() const { return status; }
    bool IsWaiting() const { return !awaited.isEmpty(); }

public slots:
    void Add();

private slots:
    void OnAddUserResponse(const QString& user, bool exists);
    void OnDisconnected();

private:
    void Show(const QString& text);
    void Lock(bool locked);

    QLineEdit* nameEdit;
    QLabel* status;
    QPushButton* addButton;
    // The name whose answer is awaited, empty when none is.
    QString awaited;
};

#endif
