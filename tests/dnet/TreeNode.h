#ifndef TESTS_DNET_TREENODE_H
#define TESTS_DNET_TREENODE_H

#include "wire/FrameReader.h"
#include "wire/MemStream.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QTcpSocket>

#include <vector>

// A client core in a process of its own (the graph is one per process): this
// test program started again with TreeNodeArgument, the server's port, a user
// name, its two listening ports and the name of the one file it shares. It
// listens on loopback, logs in, takes its place in the tree and obeys
// commands on standard input, one per line, fields separated by tabs:
//   "search\ttext"   searches the network
//   "quit"
// It reports on standard output, one line each: "CONNECTED", "SHARED" (its
// file is indexed), "PARENT\tuser" and "NOPARENT" as its parent changes,
// "SEARCHED\tquery\tyes|no" for each search of another user it answered
// (yes: with a reply; the query cut to 40 characters), "RESULT\tuser\tfile"
// for each result of its own searches.
constexpr const char* TreeNodeArgument = "--tree-node";

int RunTreeNode(int argc, char** argv);

// Ports on 127.0.0.1 that were free a moment ago.
std::vector<quint16> FreePorts(int count);

// Drives such a node from the test.
class TreeNode
{
public:
    ~TreeNode();

    bool Start(quint16 serverPort, const QString& name, const QString& sharedFile);
    quint16 Port() const { return port; }
    void Command(const QStringList& fields);
    // Waits (bounded) for a reported line equal to the fields; the lines
    // before it are passed over.
    bool WaitFor(const QStringList& fields, int ms = 10000);
    // Ends the process at once, as a crash would.
    void Kill();

private:
    QProcess process;
    QByteArray output;
    quint16 port = 0;
};

// A raw session with the server that searches the network and reads
// whatever it is sent. It says it has a parent, so that it is no root of the
// tree, and it listens nowhere, so that it is nobody's parent.
class SearchDriver
{
public:
    bool LogIn(quint16 serverPort, const QString& name);
    void Search(uint32_t token, const QString& text);
    // Searches again and again until the condition (which may wait a little
    // itself) holds, for at most the time.
    template <class Condition>
    bool SearchUntil(Condition condition, int ms = 15000)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) {
            Search(token++, "warm up");
            if (condition())
                return true;
            Drain();
        }
        return false;
    }

private:
    void Send(const MemStream& message);
    void Drain();

    QTcpSocket socket;
    uint32_t token = 1000;
};

#endif
