#ifndef TESTS_TRANSFERS_CLIENTPROCESS_H
#define TESTS_TRANSFERS_CLIENTPROCESS_H

#include <QByteArray>
#include <QProcess>
#include <QStringList>

// A second client core in a process of its own (the graph is one per
// process): this test program started again with ClientRoleArgument, the
// server's port, a user name, the two listening ports and its home folder. It
// listens on loopback, logs in and obeys commands on standard input, one per
// line, fields separated by tabs:
//   "share\tfolder"   shares the folder with everybody and indexes it
//   "limit\tKiB"      sets and turns on the upload speed limit (0: off)
//   "quit"            shuts down as the program does (saving its data)
// It reports on standard output, one line each: "LISTENING\tport\tport",
// "CONNECTED", "SHARED" (the index is up to date), and
// "UPLOAD\tpath\tstatus" whenever an upload entry's status changes.
//
// Search replies and share listings are sent as the sharing manager builds
// them (the core does not hand them to the peer network yet).
constexpr const char* ClientRoleArgument = "--client-role";

int RunClientRole(int argc, char** argv);

// Drives such a process from the test.
class ClientProcess
{
public:
    ~ClientProcess();

    bool Start(quint16 serverPort, const QString& user, quint16 port, quint16 obfuscatedPort, const QString& home);
    void Command(const QStringList& fields);
    // Waits (bounded) for a reported line equal to the fields; the lines before it are passed over.
    bool WaitFor(const QStringList& fields, int ms = 20000);
    // Every line reported so far (also those passed over by WaitFor).
    const QStringList& Lines();
    bool Quit();

private:
    void ReadLines();

    QProcess process;
    QByteArray pending;
    QStringList lines;
    int waited = 0;
};

#endif
