#ifndef UI_USERPASSDIALOG_H
#define UI_USERPASSDIALOG_H

#include <QDialog>

class QDialogButtonBox;
class QLineEdit;

// "Set Username/Password": writes the settings username and password. It can
// only be accepted with both fields filled in. The first-run mode greets a
// new user and explains what the name is for.
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

public slots:
    void accept() override;

private slots:
    void OnTextEdited();

private:
    bool IsComplete() const;

    QLineEdit* usernameEdit;
    QLineEdit* passwordEdit;
    QDialogButtonBox* buttons;
};

#endif
