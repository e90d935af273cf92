#ifndef TRANSFERS_BLOCKINGCONNECTION_H
#define TRANSFERS_BLOCKINGCONNECTION_H

#include <QString>
#include <QtGlobal>

#include <functional>

class QIODevice;

// A file connection as a transfer thread uses it: blocking reads and writes
// whose waits are bounded. Each wait lasts at most waitMs, and `waits` waits
// in a row without progress give up (30 s of silence ends a transfer). The
// thread's exit flag is read before each wait, and a wait ends early once the
// connection has closed. Works on any device; a socket counts as closed when
// it is no longer connected.
class BlockingConnection
{
public:
    struct Patience
    {
        int waitMs = 1000;
        int waits = 30;
    };

    enum class Result
    {
        Done,
        ExitRequested,
        // Nothing came (or went) within the waits, or the connection closed first.
        WaitFailed,
        // The device reported an error.
        Failed,
    };

    BlockingConnection(QIODevice& device, std::function<bool()> askedToExit, Patience patience);

    // Waits until at least one byte can be read.
    Result WaitForData();
    // Reads up to `max` bytes once some are there; `got` tells how many.
    Result ReadSome(char* buffer, qint64 max, qint64& got);
    Result ReadExactly(char* buffer, qint64 count);
    // Writes all the bytes and waits until the device has sent them.
    Result WriteAll(const char* bytes, qint64 count);
    Result Flush();
    // Waits for the far end to close, dropping anything it still sends.
    Result WaitForClose();

    bool IsConnected() const;
    QString ErrorString() const;

private:
    QIODevice& device;
    std::function<bool()> askedToExit;
    Patience patience;
};

#endif
