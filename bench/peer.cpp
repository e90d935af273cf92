// The peer network on loopback, each case against a plain baseline measured
// in the same run:
//  - 10,000 search replies of 100 results through one messaging connection
//    (the messenger frames, scrambles and writes them; the far end reads them
//    with the messenger's read path), plain and obfuscated, against the same
//    bytes copied through a plain socket pair;
//  - the heap that open, idle messaging connections cost, against as many
//    plain socket pairs.
//
//     bench_peer [benchmark options]
#include "app/Settings.h"
#include "peer/PeerFraming.h"
#include "peer/PeerGreeting.h"
#include "peer/PeerMessageCode.h"
#include "peer/PeerMessenger.h"
#include "server/Server.h"
#include "shares/FileInfo.h"
#include "store/Data.h"
#include "store/DataSaver.h"
#include "wire/Compression.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <memory>
#include <vector>

namespace {

constexpr int MessageCount = 10000;
constexpr int ResultsPerMessage = 100;

template <class Done>
bool RunUntil(Done done, int milliseconds = 60000)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

qint64 HeapInUse()
{
    return qint64(mallinfo2().uordblks);
}

// A search reply as a sharing client sends it: 100 files of a music share,
// with names varied enough to compress about as real ones do.
MemStream SearchReply()
{
    static const char* const words[] = {"moon",  "river", "night", "blue",  "electric", "garden", "silver", "road",
                                        "dream", "fire",  "ocean", "ghost", "velvet",   "summer", "winter", "echo",
                                        "stone", "glass", "heart", "storm", "golden",   "city",   "shadow", "light"};
    uint32_t seed = 12345;
    auto next = [&] { return (seed = seed * 1103515245 + 12345) >> 16; };
    auto title = [&](int length) {
        std::string text;
        for (int n = 0; n < length; ++n)
            text += std::string(n ? " " : "") + words[next() % 24] + (next() % 3 ? "" : std::to_string(next() % 100));
        return text;
    };
    std::vector<FileInfo> files;
    for (int n = 0; n < ResultsPerMessage; ++n) {
        AttributeMap attributes;
        attributes.SetKind("mp3");
        attributes.Add(AttributeMap::Bitrate, 128 + next() % 193);
        attributes.Add(AttributeMap::VariableBitrate, next() % 2);
        const std::string path = "Music\\" + title(2) + "\\" + title(3) + " (" + std::to_string(1960 + next() % 60)
            + ")\\" + std::to_string(n % 14 + 1) + " - " + title(4) + ".mp3";
        files.emplace_back(path, 2000000 + next() * 97, attributes);
    }
    MemStream body;
    body.Write(QString("bob"));
    body.Write(uint32_t(1));
    body.Write(files);
    body.Write(true);
    body.Write(uint32_t(1200));
    body.Write(uint32_t(0));
    return BuildCompressedMessage(PM_FILE_SEARCH_RESULT, body);
}

// Two ends of a loopback connection in this process.
struct SocketPair
{
    SocketPair(QTcpServer& listener, quint16 port)
    {
        near.connectToHost(QHostAddress::LocalHost, port);
        RunUntil([&] { return listener.hasPendingConnections() && near.state() == QAbstractSocket::ConnectedState; });
        far.reset(listener.nextPendingConnection());
        far->setParent(nullptr);
    }
    QTcpSocket near;
    std::unique_ptr<QTcpSocket> far;
};

// A client core's messenger without a window or a server, listening on loopback.
class Messenger
{
public:
    Messenger()
    {
        qputenv("HOME", home.path().toUtf8());
        saver = std::make_unique<DataSaver>();
        DeclareSettingsSchema();
        Server::CreateData();
        messenger = std::make_unique<PeerMessenger>();
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        QTcpServer probe2;
        probe2.listen(QHostAddress::LocalHost, 0);
        SetSetting("listening_port", QString::number(probe.serverPort()));
        SetSetting("obfuscated_listening_port", QString::number(probe2.serverPort()));
        probe.close();
        probe2.close();
        messenger->SetListeningAddress(QHostAddress::LocalHost);
        messenger->DataLoaded();
    }

    ~Messenger()
    {
        messenger.reset();
        d.Clear();
    }

    // A peer that has greeted the messenger as `user`.
    std::unique_ptr<QTcpSocket> Greeted(const QString& user, bool obfuscated)
    {
        auto socket = std::make_unique<QTcpSocket>();
        const ListeningPorts ports = messenger->GetListeningPorts();
        socket->connectToHost(QHostAddress::LocalHost, quint16(obfuscated ? ports.obfuscatedPort : ports.port));
        socket->write(FramePeerMessage(BuildDirectGreeting(user, "P"), obfuscated));
        ItemPtr userItem = d.GetType("user")->GetItem(user);
        RunUntil([&] { return userItem.IsConnected("peer_socket"); });
        return socket;
    }

    QTemporaryDir home;
    std::unique_ptr<DataSaver> saver;
    std::unique_ptr<PeerMessenger> messenger;
};

// The bytes of 10,000 replies copied through a plain socket pair, written one
// reply at a time and read as they come.
void BM_PlainSocketCopy(benchmark::State& state)
{
    const QByteArray reply = SearchReply().GetPendingBytes();
    QTcpServer listener;
    listener.listen(QHostAddress::LocalHost, 0);
    SocketPair pair(listener, listener.serverPort());
    const qint64 total = qint64(reply.size()) * MessageCount;
    char buffer[64 * 1024];
    for (auto _ : state) {
        qint64 received = 0;
        for (int n = 0; n < MessageCount; ++n)
            pair.near.write(reply);
        RunUntil([&] {
            for (qint64 got; (got = pair.far->read(buffer, sizeof buffer)) > 0;)
                received += got;
            return received >= total;
        });
    }
    state.SetItemsProcessed(state.iterations() * MessageCount);
    state.SetBytesProcessed(state.iterations() * total);
}
BENCHMARK(BM_PlainSocketCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The same replies sent to a user through the messenger (framed, scrambled
// when obfuscated, one write each) and read back frame by frame.
void BM_MessagingConnection(benchmark::State& state)
{
    const bool obfuscated = state.range(0) != 0;
    Messenger messenger;
    std::unique_ptr<QTcpSocket> bob = messenger.Greeted("bob", obfuscated);
    MemStream reply = SearchReply();
    const qint64 bodyBytes = qint64(reply.GetPendingReadLength()) * MessageCount;
    for (auto _ : state) {
        PeerReadState reader(obfuscated);
        int received = 0;
        for (int n = 0; n < MessageCount; ++n)
            messenger.messenger->SendMessage("bob", reply);
        RunUntil([&] {
            while (reader.Next(*bob).event == PeerReadState::Event::Message)
                ++received;
            return received == MessageCount;
        });
    }
    state.SetItemsProcessed(state.iterations() * MessageCount);
    state.SetBytesProcessed(state.iterations() * bodyBytes);
    state.counters["reply_bytes"] = double(reply.GetPendingReadLength());
}
BENCHMARK(BM_MessagingConnection)
    ->ArgName("obfuscated")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

// Heap per open, idle connection: plain socket pairs in this process, each
// of which has carried one greeting's bytes (sockets keep buffers once used).
void BM_IdlePlainSocketPairs(benchmark::State& state)
{
    const int count = int(state.range(0));
    const QByteArray greeting = FramePeerMessage(BuildDirectGreeting("user0", "P"), false);
    for (auto _ : state) {
        QTcpServer listener;
        listener.listen(QHostAddress::LocalHost, 0);
        const qint64 before = HeapInUse();
        std::vector<std::unique_ptr<SocketPair>> pairs;
        for (int n = 0; n < count; ++n) {
            pairs.push_back(std::make_unique<SocketPair>(listener, listener.serverPort()));
            SocketPair& pair = *pairs.back();
            pair.near.write(greeting);
            RunUntil([&] { return pair.far->read(greeting.size()).size() == greeting.size(); });
        }
        RunUntil([] { return false; }, 50);
        state.counters["bytes_per_connection"] = double(HeapInUse() - before) / count;
    }
}
BENCHMARK(BM_IdlePlainSocketPairs)->Arg(1)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond);

// The same with the messenger at the far end: each peer has greeted and holds
// a messaging connection, idle.
void BM_IdleMessagingConnections(benchmark::State& state)
{
    const int count = int(state.range(0));
    for (auto _ : state) {
        Messenger messenger;
        const qint64 before = HeapInUse();
        std::vector<std::unique_ptr<QTcpSocket>> peers;
        for (int n = 0; n < count; ++n)
            peers.push_back(messenger.Greeted(QString("user%1").arg(n), n % 2 == 1));
        RunUntil([] { return false; }, 50);
        state.counters["bytes_per_connection"] = double(HeapInUse() - before) / count;
        state.counters["connections"] = double(d.GetType("peer_socket")->ItemCount());
    }
}
BENCHMARK(BM_IdleMessagingConnections)->Arg(1)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
