// File transfers between two client cores on loopback, each in a process of
// its own with its own home: alice (this process) shares sparse files, bob (a
// child process) downloads them. They reach each other directly at addresses
// written into their graphs, as the server would tell them. Set against a
// plain TCP copy of the same bytes (file to socket to file, two threads) in
// the same run:
//  - one 1 GiB transfer, and ten transfers of 100 MiB at once (ten slots);
//  - the CPU time per GiB of the uploading and the downloading process;
//  - the busiest second of each event-loop thread during the transfer (its
//    CPU time per second), which progress must not flood;
//  - one upload of 6 MiB limited to 2 MiB/s: the speed it reaches on average.
//
//     bench_transfers [benchmark options]
#include "app/ClientCore.h"
#include "app/Settings.h"
#include "peer/PeerMessenger.h"
#include "shares/SharedFoldersManager.h"
#include "store/Data.h"
#include "transfers/TransferQueueManager.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr const char* DownloaderRole = "--downloader";
constexpr qint64 GiB = qint64(1) << 30;
constexpr qint64 TenthBytes = 100 * 1024 * 1024;
constexpr int CopyBufferBytes = 256 * 1024;
constexpr qint64 LimitedBytes = 6 * 1024 * 1024;
constexpr int LimitKiBPerSecond = 2048;

// Runs the events until done() or the time is up, sleeping while there are none (so that waiting costs this
// thread no CPU time of its own).
template <class Done>
bool RunUntil(Done done, int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    QTimer wake;
    wake.start(50);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

quint16 FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

qint64 ProcessCpuMicroseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000 + usage.ru_utime.tv_usec
        + usage.ru_stime.tv_usec;
}

qint64 ThreadCpuMicroseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

// The most CPU time the calling (event-loop) thread spent in any second: sampled every tenth of a second by a
// timer on it, summed over the last ten samples.
class BusiestSecond : public QObject
{
public:
    BusiestSecond()
    {
        connect(&timer, &QTimer::timeout, this, [this] {
            const qint64 now = ThreadCpuMicroseconds();
            samples[next++ % Samples] = now - last;
            last = now;
            qint64 second = 0;
            for (qint64 sample : samples)
                second += sample;
            busiest = std::max(busiest, second);
        });
        Reset();
    }
    void Reset()
    {
        last = ThreadCpuMicroseconds();
        std::fill(std::begin(samples), std::end(samples), 0);
        busiest = 0;
        timer.start(1000 / Samples);
    }
    qint64 Microseconds() const { return busiest; }

private:
    static constexpr int Samples = 10;
    QTimer timer;
    qint64 last = 0;
    qint64 samples[Samples] = {};
    unsigned next = 0;
    qint64 busiest = 0;
};

// A client core in the given home, listening on loopback at the port, never logging in.
std::unique_ptr<ClientCore> StartCore(const QString& home, const QString& user, quint16 port)
{
    qputenv("HOME", home.toLocal8Bit());
    auto core = std::make_unique<ClientCore>();
    core->CreateManagers();
    core->WriteSettingDefaults();
    peerMessenger->SetListeningAddress(QHostAddress::LocalHost);
    SetSetting("username", user);
    SetSetting("server_host", "127.0.0.1");
    SetSetting("use_upnp", "no");
    SetSetting("listening_port", QString::number(port));
    SetSetting("obfuscated_listening_port", QString::number(FreePort()));
    core->LoadConfiguration();
    core->Start();
    return core;
}

// What the server would tell about a user: online, at 127.0.0.1 and the plain port.
void KnowPeer(const QString& user, quint16 port)
{
    const ItemPtr userItem = d.GetType("user")->GetItem(Value(user));
    userItem += d.GetType("user_address")->GetItem(Value(static_cast<unsigned int>(0x7f000001)));
    userItem += d.GetType("user_port")->GetItem(Value(int(port)));
    userItem += d.GetType("user_obfuscated_port")->GetItem(Value(0));
    userItem.NewItem("is_online");
}

void Say(const QStringList& fields)
{
    std::fputs((fields.join('\t') + '\n').toUtf8().constData(), stdout);
    std::fflush(stdout);
}

// Bob: downloads what he is told to ("get\tfolder\tname\tsize"), reports "DONE\tname" when a file is complete,
// forgets one ("forget\tfolder\tname": entry and file), and reports his CPU time and busiest second since the
// last "reset" ("stats").
int RunDownloader(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    const QString home = arguments.value(2);
    const quint16 port = quint16(arguments.value(3).toUInt());
    const quint16 alicePort = quint16(arguments.value(4).toUInt());
    std::unique_ptr<ClientCore> core = StartCore(home, "bob", port);
    KnowPeer("alice", alicePort);
    BusiestSecond busiest;
    qint64 cpuAtReset = ProcessCpuMicroseconds();
    std::vector<ItemPtr> waiting;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (auto at = waiting.begin(); at != waiting.end();) {
            if (at->GetItem("download_entry_status").AsString() == "complete") {
                Say({"DONE", at->GetItem("file_name").AsString()});
                at = waiting.erase(at);
            } else {
                ++at;
            }
        }
    });
    watch.start(20);
    Say({"READY"});

    QByteArray pending;
    QSocketNotifier commands(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&commands, &QSocketNotifier::activated, [&] {
        char bytes[4096];
        const ssize_t count = ::read(STDIN_FILENO, bytes, sizeof bytes);
        if (count <= 0) {
            commands.setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        pending.append(bytes, int(count));
        for (int end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            const QStringList command = QString::fromUtf8(pending.left(end)).split('\t');
            pending.remove(0, end + 1);
            if (command.value(0) == "get") {
                waiting.push_back(transferQueueManager->AddDownload("alice", command.value(2).toStdString(),
                                                                    command.value(1).toStdString(),
                                                                    command.value(3).toLongLong(), true, 0));
            } else if (command.value(0) == "forget") {
                const ItemPtr entry = transferQueueManager->GetDownloadEntry("alice", command.value(2).toStdString(),
                                                                             command.value(1).toStdString());
                QFile::remove(transferQueueManager->GetDownloadTargetPath(entry, true).replace('\\', '/'));
                transferQueueManager->RemoveDownload(entry);
            } else if (command.value(0) == "reset") {
                cpuAtReset = ProcessCpuMicroseconds();
                busiest.Reset();
            } else if (command.value(0) == "stats") {
                Say({"STATS", QString::number(ProcessCpuMicroseconds() - cpuAtReset),
                     QString::number(busiest.Microseconds())});
            }
        }
    });
    const int result = application.exec();
    core.reset();
    return result;
}

// Alice in this process, sharing sparse files, and bob in a child process.
class Network
{
public:
    static Network& Get()
    {
        if (!instance)
            instance.reset(new Network);
        return *instance;
    }
    // Before the application object goes.
    static void Stop() { instance.reset(); }

    bool Ready() const { return ready; }

    // Bob downloads the files at once; the wall time in seconds, or a negative number when they do not all come.
    double Transfer(const QStringList& names, qint64 size, qint64& uploadCpu, qint64& downloadCpu,
                    qint64& uploadBusiest, qint64& downloadBusiest)
    {
        Command({"reset"});
        busiest.Reset();
        const qint64 cpuBefore = ProcessCpuMicroseconds();
        QElapsedTimer clock;
        clock.start();
        for (const QString& name : names)
            Command({"get", folder, name, QString::number(size)});
        int done = 0;
        for (int n = 0; n < names.size(); ++n)
            done += WaitFor("DONE", 600000).isEmpty() ? 0 : 1;
        const double seconds = clock.nsecsElapsed() / 1e9;
        uploadCpu = ProcessCpuMicroseconds() - cpuBefore;
        uploadBusiest = busiest.Microseconds();
        Command({"stats"});
        const QStringList stats = WaitFor("STATS", 10000);
        downloadCpu = stats.value(1).toLongLong();
        downloadBusiest = stats.value(2).toLongLong();
        for (const QString& name : names)
            Command({"forget", folder, name});
        return done == names.size() ? seconds : -1;
    }

    QString SharedPath(const QString& name) const { return shareFolder + "/" + name; }
    QString DownloadFolder() const { return bobHome.path(); }

private:
    Network()
    {
        shareFolder = aliceHome.path() + "/share";
        QDir().mkpath(shareFolder);
        if (!Sparse(SharedPath("one.bin"), GiB))
            return;
        for (int n = 0; n < 10; ++n)
            if (!Sparse(SharedPath(QString("tenth%1.bin").arg(n)), TenthBytes))
                return;
        if (!Sparse(SharedPath("limited.bin"), LimitedBytes))
            return;
        folder = QString(shareFolder).replace('/', '\\');

        const quint16 alicePort = FreePort();
        const quint16 bobPort = FreePort();
        alice = StartCore(aliceHome.path(), "alice", alicePort);
        SetSetting("upload_slots", "10");
        sharedFoldersManager->AddSharedFolder(shareFolder).NewItem("shared_public");
        if (!RunUntil([] { return !sharedFoldersManager->IsScanning(); }, 30000))
            return;
        KnowPeer("bob", bobPort);

        bob.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        bob.start(QCoreApplication::applicationFilePath(),
                  {DownloaderRole, bobHome.path(), QString::number(bobPort), QString::number(alicePort)});
        ready = bob.waitForStarted(5000) && !WaitFor("READY", 20000).isEmpty();
    }

public:
    ~Network()
    {
        bob.closeWriteChannel();
        bob.waitForFinished(20000);
        alice.reset();
    }

private:
    static bool Sparse(const QString& path, qint64 size)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.resize(size);
    }

    void Command(const QStringList& fields) { bob.write((fields.join('\t') + '\n').toUtf8()); }

    // The next line from bob that starts with the word, as fields; empty when none comes in time.
    QStringList WaitFor(const QString& word, int milliseconds)
    {
        QStringList found;
        RunUntil(
            [&] {
                pending += bob.readAllStandardOutput();
                for (int end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
                    const QStringList fields = QString::fromUtf8(pending.left(end)).split('\t');
                    pending.remove(0, end + 1);
                    if (fields.value(0) == word) {
                        found = fields;
                        return true;
                    }
                }
                return false;
            },
            milliseconds);
        return found;
    }

    static std::unique_ptr<Network> instance;

    QTemporaryDir aliceHome;
    QTemporaryDir bobHome;
    QString shareFolder;
    QString folder;
    std::unique_ptr<ClientCore> alice;
    QProcess bob;
    QByteArray pending;
    BusiestSecond busiest;
    bool ready = false;
};

std::unique_ptr<Network> Network::instance;

// The same bytes from the file through a loopback connection into a file, by two threads with plain calls.
bool PlainCopy(const QString& from, const QString& to, qint64 size)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener, 1) != 0
        || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(listener);
        return false;
    }
    qint64 received = 0;
    std::thread receiver([&] {
        const int connection = ::accept(listener, nullptr, nullptr);
        const int file = ::open(to.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<char> buffer(CopyBufferBytes);
        for (ssize_t got; (got = ::recv(connection, buffer.data(), buffer.size(), 0)) > 0;)
            received += ::write(file, buffer.data(), size_t(got));
        ::close(file);
        ::close(connection);
    });
    const int connection = ::socket(AF_INET, SOCK_STREAM, 0);
    bool sent = ::connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    const int file = ::open(from.toLocal8Bit().constData(), O_RDONLY);
    std::vector<char> buffer(CopyBufferBytes);
    for (ssize_t got; sent && (got = ::read(file, buffer.data(), buffer.size())) > 0;)
        for (ssize_t at = 0; sent && at < got;) {
            const ssize_t put = ::send(connection, buffer.data() + at, size_t(got - at), 0);
            sent = put > 0;
            at += put;
        }
    ::close(file);
    ::close(connection);
    receiver.join();
    ::close(listener);
    return sent && received == size;
}

void BM_PlainTcpCopy(benchmark::State& state)
{
    Network& network = Network::Get();
    if (!network.Ready()) {
        state.SkipWithError("the cores did not start");
        return;
    }
    for (auto _ : state) {
        const qint64 cpuBefore = ProcessCpuMicroseconds();
        QElapsedTimer clock;
        clock.start();
        if (!PlainCopy(network.SharedPath("one.bin"), network.DownloadFolder() + "/plain.bin", GiB)) {
            state.SkipWithError("the copy failed");
            return;
        }
        state.SetIterationTime(clock.nsecsElapsed() / 1e9);
        state.counters["cpu_ms_per_GiB"] = (ProcessCpuMicroseconds() - cpuBefore) / 1000.0;
        QFile::remove(network.DownloadFolder() + "/plain.bin");
    }
    state.SetBytesProcessed(state.iterations() * GiB);
}

void BM_Transfers(benchmark::State& state)
{
    Network& network = Network::Get();
    if (!network.Ready()) {
        state.SkipWithError("the cores did not start");
        return;
    }
    const int count = int(state.range(0));
    QStringList names;
    const qint64 size = count == 1 ? GiB : TenthBytes;
    for (int n = 0; n < count; ++n)
        names << (count == 1 ? QString("one.bin") : QString("tenth%1.bin").arg(n));
    const double gibs = double(size * count) / GiB;
    for (auto _ : state) {
        qint64 uploadCpu = 0, downloadCpu = 0, uploadBusiest = 0, downloadBusiest = 0;
        const double seconds = network.Transfer(names, size, uploadCpu, downloadCpu, uploadBusiest, downloadBusiest);
        if (seconds < 0) {
            state.SkipWithError("a transfer did not complete");
            return;
        }
        state.SetIterationTime(seconds);
        state.counters["upload_cpu_ms_per_GiB"] = uploadCpu / 1000.0 / gibs;
        state.counters["download_cpu_ms_per_GiB"] = downloadCpu / 1000.0 / gibs;
        state.counters["upload_loop_busiest_ms"] = uploadBusiest / 1000.0;
        state.counters["download_loop_busiest_ms"] = downloadBusiest / 1000.0;
    }
    state.SetBytesProcessed(qint64(state.iterations()) * size * count);
}

// One upload with a speed limit: what it reaches on average against the limit.
void BM_LimitedUpload(benchmark::State& state)
{
    Network& network = Network::Get();
    if (!network.Ready()) {
        state.SkipWithError("the cores did not start");
        return;
    }
    SetSetting("upload_speed_limit", QString::number(LimitKiBPerSecond));
    transferQueueManager->EnableUploadSpeedLimit(true);
    for (auto _ : state) {
        qint64 uploadCpu = 0, downloadCpu = 0, uploadBusiest = 0, downloadBusiest = 0;
        const double seconds
            = network.Transfer({"limited.bin"}, LimitedBytes, uploadCpu, downloadCpu, uploadBusiest, downloadBusiest);
        if (seconds < 0) {
            state.SkipWithError("the transfer did not complete");
            break;
        }
        state.SetIterationTime(seconds);
        state.counters["limit_KiB_per_s"] = LimitKiBPerSecond;
        state.counters["reached_KiB_per_s"] = LimitedBytes / 1024.0 / seconds;
    }
    transferQueueManager->EnableUploadSpeedLimit(false);
}

} // namespace

BENCHMARK(BM_PlainTcpCopy)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_Transfers)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_LimitedUpload)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

int main(int argc, char** argv)
{
    if (argc > 1 && QByteArray(argv[1]) == DownloaderRole)
        return RunDownloader(argc, argv);
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Network::Stop();
    return 0;
}
