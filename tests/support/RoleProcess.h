#ifndef TESTS_SUPPORT_ROLEPROCESS_H
#define TESTS_SUPPORT_ROLEPROCESS_H

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QSocketNotifier>
#include <QStringList>

#include <functional>

// A test program plays more than one client by starting itself again in a
// role (the graph is one per process). The role reads commands on standard
// input and reports on standard output, a line each, fields separated by tabs.

// The role's side: one reported line.
void ReportLine(const QStringList& fields);

// The role's side: hands each command line to the callback as it arrives;
// the end of standard input (the test went away) quits the application.
class CommandReader : public QObject
{
    Q_OBJECT
public:
    explicit CommandReader(std::function<void(const QStringList&)> obey, QObject* parent = nullptr);

private:
    void OnReadable();

    std::function<void(const QStringList&)> obey;
    QSocketNotifier notifier;
    QByteArray pending;
};

// The test's side: the program started again with the arguments.
class RoleProcess
{
public:
    ~RoleProcess() { Stop(); }

    // An empty home keeps the test's own.
    bool Launch(const QStringList& arguments, const QString& home = QString());
    void Command(const QStringList& fields);
    // Waits (bounded) for a reported line equal to the fields, after the line
    // found by the previous wait; a long wait that fails logs what came instead.
    bool WaitFor(const QStringList& fields, int ms = 20000);
    // Every line reported so far (also those passed over by WaitFor).
    const QStringList& Lines();
    // Asks the role to end ("quit") and waits for it.
    bool Quit(int ms = 15000);
    // Ends the process at once, as a crash would.
    void Kill();
    // Ends a role still running: first by closing its input, then by force. Roles with a home folder of their own
    // call it before the folder goes.
    void Stop();

private:
    void ReadLines();

    QProcess process;
    QByteArray pending;
    QStringList lines;
    int waited = 0;
};

#endif
