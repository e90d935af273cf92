#ifndef UI_GIFTPRIVILEGESDIALOG_H
#define UI_GIFTPRIVILEGESDIALOG_H

#include <QDialog>

class QLabel;
class QPushButton;
class QSpinBox;

// "Gift Privileges": gives a user whole days of the own privileges on the
// network. Only days the own user has can be given, and only while connected;
// the server is asked for the days left when the dialog opens.
class GiftPrivilegesDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr qint64 SecondsPerDay = 24 * 60 * 60;

    GiftPrivilegesDialog(const QString& user, QWidget* parent = nullptr);

    QSpinBox* DaysBox() const { return days; }
    QPushButton* GiftButton() const { return giftButton; }
    QLabel* Status() const { return status; }

public slots:
    void accept() override;

private slots:
    void Refresh();

private:
    // Whole days of privileges the own user has.
    static int DaysLeft();

    QString user;
    QLabel* status;
    QSpinBox* days;
    QPushButton* giftButton;
};

#endif
