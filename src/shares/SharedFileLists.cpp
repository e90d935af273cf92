#include "shares/SharedFileLists.h"

#include "app/Log.h"
#include "shares/ShareMessages.h"
#include "store/Data.h"

#include <QElapsedTimer>

#include <algorithm>
#include <new>

SharedFileLists::SharedFileLists(const ShareTypes& shareTypes, QObject* parent)
    : QObject(parent)
    , types(shareTypes)
{
    sliceTimer.setSingleShot(true);
    sliceTimer.setInterval(0);
    connect(&sliceTimer, &QTimer::timeout, this, &SharedFileLists::OnSlice);
    compressor.setMaxThreadCount(1);
}

SharedFileLists::~SharedFileLists()
{
    compressor.waitForDone();
}

void SharedFileLists::Request(const QString& user, const ItemSet& visibleSharedFolders)
{
    std::vector<std::string> sharedFolders;
    for (ItemPtr folder : visibleSharedFolders)
        sharedFolders.push_back(folder->GetValue().Bytes());
    std::sort(sharedFolders.begin(), sharedFolders.end());
    for (Build& build : builds)
        if (build.sharedFolders == sharedFolders) {
            if (!build.users.contains(user))
                build.users << user;
            return;
        }
    builds.push_back({std::move(sharedFolders), {user}, nullptr});
    if (builds.size() == 1)
        sliceTimer.start();
}

void SharedFileLists::OnSlice()
{
    Build& build = builds.front();
    if (!build.walk) {
        // The shared folders as they are now; one that went meanwhile is not listed.
        ItemSet sharedFolders;
        for (const std::string& path : build.sharedFolders)
            if (const ItemPtr folder = types.sharedFolder->HasItem(Value(path)))
                sharedFolders.Insert(folder);
        build.walk = std::make_unique<ShareListWalk>(types, sharedFolders);
    }
    QElapsedTimer clock;
    clock.start();
    if (build.walk->Step([&clock] { return clock.elapsed() >= SliceMs; }))
        Compress(build.walk->Take());
    else
        sliceTimer.start();
}

void SharedFileLists::Compress(ShareListing listing)
{
    auto records = std::make_shared<ShareListing>(std::move(listing));
    compressor.start([this, records] {
        MemStream message;
        bool built = true;
        try {
            PutInOrder(*records);
            message = BuildSharedFileListMessage(*records);
        } catch (const std::bad_alloc&) {
            built = false;
        }
        records->clear();
        QMetaObject::invokeMethod(
            this, [this, message, built] { Deliver(message, built); }, Qt::QueuedConnection);
    });
}

void SharedFileLists::Deliver(const MemStream& message, bool built)
{
    const QStringList users = builds.front().users;
    builds.pop_front();
    if (!builds.empty())
        sliceTimer.start();
    if (!built) {
        Log("Shared", 1, QStringLiteral("Out of memory building the shared file list for %1").arg(users.join(", ")),
            ItemPtr());
        return;
    }
    // Each user gets a buffer of its own: copies of a stream share its read position.
    for (int n = 0; n < users.size(); ++n)
        emit Ready(users[n], n + 1 == users.size() ? message : MemStream(message.GetPendingBytes()));
}
