#ifndef TESTS_SERVER_CHILDCLIENT_H
#define TESTS_SERVER_CHILDCLIENT_H

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// Drives a client core running in a child process (see ClientRole.h).
class ChildClient
{
public:
    ~ChildClient();

    // Starts this test program again in the client role, with its own home folder.
    bool Start(quint16 port, const QString& name, const QString& password = "secret");
    void Command(const QStringList& fields);
    // Waits (bounded) for a reported line equal to the fields; the lines
    // before it are passed over.
    bool WaitFor(const QStringList& fields);
    // Asks the child to end and waits for it.
    bool Quit();

private:
    QTemporaryDir home;
    QProcess process;
    QByteArray output;
};

#endif
