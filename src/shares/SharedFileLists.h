#ifndef SHARES_SHAREDFILELISTS_H
#define SHARES_SHAREDFILELISTS_H

#include "shares/ShareListWalk.h"
#include "shares/SharesSchema.h"
#include "wire/MemStream.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <QTimer>

#include <deque>
#include <memory>
#include <string>
#include <vector>

class ItemSet;

// Builds share list messages (code 5) without holding up the event loop: the
// records are read from the index in slices of a few milliseconds, then put
// in order, written and compressed on a worker thread, and the message comes
// out as Ready. One list is built at a time, so memory holds one list however many
// ask; users who see the same shared folders share a build while it waits or
// runs, and a user who asks again meanwhile is answered once. When memory runs
// out for a list, it is logged and not sent.
class SharedFileLists : public QObject
{
    Q_OBJECT
public:
    // Work time of one slice; the event loop runs between slices.
    static constexpr int SliceMs = 5;

    explicit SharedFileLists(const ShareTypes& types, QObject* parent = nullptr);
    // Waits for a list being compressed; lists not finished are not sent.
    ~SharedFileLists() override;

    // Lists the shared folders for the user (those the user may see).
    void Request(const QString& user, const ItemSet& visibleSharedFolders);
    // Whether lists are being built or wait to be.
    bool IsBusy() const { return !builds.empty(); }

signals:
    void Ready(QString user, MemStream message);

private:
    struct Build
    {
        // The paths of the listed shared folders, sorted: what the list depends on.
        std::vector<std::string> sharedFolders;
        QStringList users;
        std::unique_ptr<ShareListWalk> walk;
    };

    void OnSlice();
    void Compress(ShareListing listing);
    void Deliver(const MemStream& message, bool built);

    const ShareTypes& types;
    QTimer sliceTimer;
    // The build in progress (first) and those waiting.
    std::deque<Build> builds;
    // The one thread that compresses; last, so that it goes first.
    QThreadPool compressor;
};

#endif
