#ifndef UI_USERPASSDIALOG_H
#define UI_USERPASSDIALOG_H

#include <QDialog>

class QDialogButtonBox;
class QLineEdit;

// "Set Username/Password": writes the settings username and password. It can
// only be accepted with both fields filled in. The first-run mode greets a
// new user, explains what the name is for, and offers the server's host and
// port (filled with the defaults) for users of another network.
class UserPassDialog : public QDialog
{
    Q_OBJECT
public:
    enum class Mode
    {
        Change,
        FirstRun
    };

    explicit UserPassDialog(Mode mode, QWidget* parent = nullptr);

    QLineEdit* UsernameEdit() const { return usernameEdit; }
    QLineEdit* PasswordEdit() const { return passwordEdit; }
    // Null outside the first-run mode.
    QLineEdit* HostEdit() const { return hostEdit; }
    QLineEdit* PortEdit() const { return portEdit; }

public slots:
    void accept() override;

private slots:
    void OnTextEdited();

private:
    bool IsComplete() const;

    QLineEdit* usernameEdit;
    QLineEdit* passwordEdit;
    QLineEdit* hostEdit = nullptr;
    QLineEdit* portEdit = nullptr;
    QDialogButtonBox* buttons;
};

#endif
