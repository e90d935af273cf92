#ifndef APP_CLIENTCORE_H
#define APP_CLIENTCORE_H

#include "app/TimerManager.h"
#include "search/WishListSearcher.h"

#include <QObject>
#include <QString>

#include <memory>

class DataSaver;
class DelayedInvoker;
class DNetManager;
class ExtendedAsciiTranslator;
class PeerMessenger;
class Server;
class SharedFoldersManager;
class UpdateChecker;
class TransferQueueManager;

// The intervals of the periodic ticks, and the length of a second of the
// server's wish-list interval; tests shorten them.
struct TickIntervals
{
    int halfMinuteMs = TimerManager::HalfMinuteMs;
    int fiveMinutesMs = TimerManager::FiveMinutesMs;
    int hourMs = TimerManager::HourMs;
    int wishListSecondMs = WishListSearcher::SecondMs;
};

// The client without its windows: creates the managers in their start-up order, loads the configuration file,
// runs the periodic collection and saving, and shuts everything down in order. The main window drives it and adds
// the windows; tests and benchmarks run it headless. One instance per process.
class ClientCore : public QObject
{
    Q_OBJECT
public:
    // What loading the configuration file came to.
    struct LoadResult
    {
        bool loaded = true;
        // Where an unreadable file was kept, when it could be kept.
        QString keptCopyPath;
    };

    explicit ClientCore(TickIntervals tickIntervals = TickIntervals(), QObject* parent = nullptr);
    // Shuts down when that has not happened yet.
    ~ClientCore() override;

    // The configuration file, recomputed on every use.
    static QString ConfigurationPath();

    // Creates the managers in their fixed order; each declares its item types and handlers.
    void CreateManagers();
    // Writes the defaults of the core's settings; a loaded value replaces them.
    void WriteSettingDefaults();
    // Loads the configuration file; every data handler is told whether there was data.
    LoadResult LoadConfiguration();
    // After loading: marks the data's layout version, starts the periodic collection and saving, brings the
    // shares up to date with the disk, and has the version checked after the first login.
    void Start();
    // Logs in when a user name is known.
    void ConnectIfUserKnown();
    // Saves now; a failure is reported once per streak of failures through SaveFailed.
    bool SaveConfiguration();
    // The orderly shut-down: disconnect, collect, save (only if loading was tried, so that an interrupted start
    // never overwrites the user's file), then the managers in their order. Safe to call twice.
    void Shutdown();

signals:
    // The configuration could not be saved; the file on disk is still the last good one. Sent on the first
    // failure after a success (or after start), not on every retry.
    void SaveFailed(QString reason);

public slots:
    void EveryFiveMinutes();
    void EveryHour();

private:
    // Sharing answers other users through the peer network: searches, share
    // lists and folder contents.
    void ConnectSharing();
    // The tree's connections come from the peer network and its searches go to sharing.
    void ConnectDistributedNetwork();
    // Feeds the transfer queue's numbers to the peer messenger and sharing, and hands it the peer messages and
    // file connections of transfers.
    void ConnectTransfers();

    TickIntervals intervals;
    std::unique_ptr<TimerManager> timers;
    std::unique_ptr<DataSaver> saver;
    std::unique_ptr<Server> server;
    std::unique_ptr<PeerMessenger> messenger;
    std::unique_ptr<DelayedInvoker> invoker;
    std::unique_ptr<DNetManager> dnet;
    std::unique_ptr<SharedFoldersManager> shares;
    std::unique_ptr<WishListSearcher> wishes;
    std::unique_ptr<TransferQueueManager> transfers;
    std::unique_ptr<ExtendedAsciiTranslator> translator;
    std::unique_ptr<UpdateChecker> updates;
    bool loadAttempted = false;
    bool saveFailing = false;
    bool shutDown = false;
};

#endif
