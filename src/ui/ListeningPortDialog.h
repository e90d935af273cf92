#ifndef UI_LISTENINGPORTDIALOG_H
#define UI_LISTENINGPORTDIALOG_H

#include <QDialog>

class QLineEdit;

// Asks for a new peer listening port. A valid, changed port is stored as
// new_listening_port, which the peer network takes over at the next start;
// the port in use withdraws such a pending change.
class ListeningPortDialog : public QDialog
{
    Q_OBJECT
public:
    enum class Outcome
    {
        OutOfRange,
        Unchanged,
        Pending
    };

    explicit ListeningPortDialog(QWidget* parent = nullptr);

    // How an entry compares with the current listening port.
    static Outcome Judge(const QString& entry, const QString& currentPort);

    QLineEdit* PortEdit() const { return portEdit; }

public slots:
    // Tells the user the outcome; stays open for an out-of-range entry.
    void accept() override;

private:
    QLineEdit* portEdit;
};

#endif
