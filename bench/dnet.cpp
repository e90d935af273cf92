// The distributed network on loopback, each case against a plain baseline
// measured in the same run:
//  - searches relayed by one client to 20 children: 10,000 searches from the
//    parent, each read by every child, through the manager (which reads each
//    search, hands it on for answering and writes it to every child) against
//    a plain relay that copies each frame from one socket to the 20 others;
//  - the time one search takes from the parent to a child through the
//    manager (one level of the tree) against the same search written straight
//    to the child: the difference is what each level adds.
//
//     bench_dnet [benchmark options]
#include "app/Settings.h"
#include "dnet/DNetManager.h"
#include "dnet/DNetMessages.h"
#include "dnet/DNetSchema.h"
#include "peer/PeerSchema.h"
#include "server/Server.h"
#include "store/Data.h"
#include "store/DataSaver.h"
#include "wire/FrameReader.h"
#include "wire/FrameWriter.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

constexpr int SearchCount = 10000;

template <class Done>
bool RunUntil(Done done, int milliseconds = 60000)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return true;
}

// A search as the tree carries it, numbered.
MemStream Search(uint32_t token)
{
    return BuildDNetSearch(QString("listener%1").arg(token % 97), token, "pink floyd dark side of the moon");
}

QByteArray Searches(int count)
{
    QByteArray frames;
    for (int n = 0; n < count; ++n)
        frames += FrameMessage(Search(uint32_t(n)));
    return frames;
}

// A connection on loopback: the near end for the relay, the far end for the test.
struct Pair
{
    explicit Pair(QTcpServer& listener)
    {
        far->connectToHost(QHostAddress::LocalHost, listener.serverPort());
        far->waitForConnected(5000);
        listener.waitForNewConnection(5000);
        near = listener.nextPendingConnection();
        near->setParent(nullptr);
    }
    QTcpSocket* near = nullptr;
    std::unique_ptr<QTcpSocket> far = std::make_unique<QTcpSocket>();
};

// A child that counts the frames it reads.
struct Child
{
    explicit Child(QTcpServer& listener)
        : pair(listener)
    {
    }
    int Read()
    {
        MemStream body;
        while (reader.ReadFrom(*pair.far, body) == FrameReader::Result::Complete)
            ++received;
        return received;
    }
    Pair pair;
    FrameReader reader{MaxDNetFrameLength};
    int received = 0;
};

// Copies every frame from the parent's socket to the children's sockets.
class PlainRelay : public QObject
{
public:
    PlainRelay(QTcpSocket* parent, std::vector<QTcpSocket*> children)
        : from(parent)
        , to(std::move(children))
    {
        connect(from, &QTcpSocket::readyRead, this, &PlainRelay::Relay);
    }

private:
    void Relay()
    {
        MemStream body;
        while (reader.ReadFrom(*from, body) == FrameReader::Result::Complete) {
            const QByteArray frame = FrameMessage(body);
            for (QTcpSocket* child : to)
                child->write(frame);
        }
    }

    QTcpSocket* from;
    std::vector<QTcpSocket*> to;
    FrameReader reader{MaxDNetFrameLength};
};

// A manager without a server session, its parent adopted.
class Manager
{
public:
    explicit Manager(QTcpServer& listener)
    {
        qputenv("HOME", home.path().toUtf8());
        d.Clear();
        saver = std::make_unique<DataSaver>();
        DeclareSettingsSchema();
        Server::CreateData();
        DeclarePeerNetworkTypes();
        manager = std::make_unique<DNetManager>();
        parent = std::make_unique<Pair>(listener);
        manager->OnDNetConnectionAccepted("parent", parent->near);
        parent->far->write(FrameMessage(Search(0)));
        RunUntil([] { return HasDNetValue(DNetParentUser); });
    }
    ~Manager()
    {
        manager.reset();
        d.Clear();
    }
    void AddChild(const QString& user, QTcpSocket* socket) { manager->OnDNetConnectionRequested(user, socket); }
    QTcpSocket& Parent() { return *parent->far; }

private:
    QTemporaryDir home;
    std::unique_ptr<DataSaver> saver;
    std::unique_ptr<DNetManager> manager;
    std::unique_ptr<Pair> parent;
};

void Relay(benchmark::State& state, QTcpSocket& parent, std::vector<std::unique_ptr<Child>>& children)
{
    const QByteArray frames = Searches(SearchCount);
    int expected = 0;
    for (auto _ : state) {
        expected += SearchCount;
        parent.write(frames);
        const bool all = RunUntil([&] {
            for (auto& child : children)
                if (child->Read() < expected)
                    return false;
            return true;
        });
        if (!all)
            state.SkipWithError("the searches did not all arrive");
    }
    state.SetItemsProcessed(state.iterations() * SearchCount);
    state.counters["children"] = double(children.size());
}

void BM_PlainRelay(benchmark::State& state)
{
    QTcpServer listener;
    listener.listen(QHostAddress::LocalHost, 0);
    Pair parent(listener);
    std::vector<std::unique_ptr<Child>> children;
    std::vector<QTcpSocket*> sockets;
    for (int n = 0; n < state.range(0); ++n) {
        children.push_back(std::make_unique<Child>(listener));
        sockets.push_back(children.back()->pair.near);
    }
    PlainRelay relay(parent.near, sockets);
    Relay(state, *parent.far, children);
    for (QTcpSocket* socket : sockets)
        delete socket;
    delete parent.near;
}
BENCHMARK(BM_PlainRelay)->Arg(20)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

void BM_ManagerRelay(benchmark::State& state)
{
    QTcpServer listener;
    listener.listen(QHostAddress::LocalHost, 0);
    Manager manager(listener);
    std::vector<std::unique_ptr<Child>> children;
    for (int n = 0; n < state.range(0); ++n) {
        children.push_back(std::make_unique<Child>(listener));
        manager.AddChild(QString("child%1").arg(n), children.back()->pair.near);
    }
    Relay(state, manager.Parent(), children);
}
BENCHMARK(BM_ManagerRelay)->Arg(20)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

// One search at a time, each waited for at the child.
void Hop(benchmark::State& state, QTcpSocket& parent, Child& child)
{
    const QByteArray frame = FrameMessage(Search(1));
    int expected = child.received;
    for (auto _ : state) {
        ++expected;
        parent.write(frame);
        parent.flush();
        if (!RunUntil([&] { return child.Read() >= expected; }))
            state.SkipWithError("the search did not arrive");
    }
}

void BM_PlainHop(benchmark::State& state)
{
    QTcpServer listener;
    listener.listen(QHostAddress::LocalHost, 0);
    Child child(listener);
    Hop(state, *child.pair.near, child);
    delete child.pair.near;
}
BENCHMARK(BM_PlainHop)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(5000);

void BM_ManagerHop(benchmark::State& state)
{
    QTcpServer listener;
    listener.listen(QHostAddress::LocalHost, 0);
    Manager manager(listener);
    Child child(listener);
    manager.AddChild("child", child.pair.near);
    Hop(state, manager.Parent(), child);
}
BENCHMARK(BM_ManagerHop)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(5000);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
