// The local server under hostile load, run as its own process so that its
// memory is measured alone: 200 connections that never log in and each try to
// send a 1 MiB message, and a login while one user floods a room with 10,000
// messages. Each is set against a baseline in the same run: the idle server's
// memory, and a login without a flood.
//
//     bench_localserver_load [--server=<localserver program>] [benchmark options]
#include "wire/FrameWriter.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

QString g_serverProgram = QStringLiteral(LOCALSERVER_PROGRAM);

constexpr uint32_t Login = 1;
constexpr uint32_t SayInRoom = 13;
constexpr uint32_t JoinRoom = 14;

// Runs the events until done() or the time is up.
template <class Done>
bool RunUntil(Done done, int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// A quiet local server in its own process on a free loopback port.
class ServerProcess
{
public:
    ServerProcess()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port = probe.serverPort();
        probe.close();
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(g_serverProgram, {"-q", "-p", QString::number(port)});
        started = process.waitForStarted(5000) && RunUntil([this] { return Accepts(); }, 5000);
    }

    ~ServerProcess()
    {
        process.terminate();
        if (!process.waitForFinished(5000))
            process.kill();
    }

    // Kilobytes of the process from /proc: "VmRSS" now, "VmHWM" the peak.
    long Kilobytes(const QByteArray& field) const
    {
        QFile status(QStringLiteral("/proc/%1/status").arg(process.processId()));
        if (!status.open(QIODevice::ReadOnly))
            return -1;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith(field + ':'))
                return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLong();
        return -1;
    }

    bool Accepts() const
    {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        return socket.waitForConnected(100);
    }

    quint16 port = 0;
    bool started = false;

private:
    QProcess process;
};

// A client that frames what it sends and counts what it receives by code.
class Client
{
public:
    explicit Client(quint16 port)
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] { OnReadyRead(); });
        socket.connectToHost(QHostAddress::LocalHost, port);
        socket.waitForConnected(5000);
    }

    void Send(const MemStream& message) { socket.write(FrameMessage(message)); }

    void LogIn(const QString& name)
    {
        const QString password = QStringLiteral("pw");
        const QByteArray digest = QCryptographicHash::hash((name + password).toUtf8(), QCryptographicHash::Md5).toHex();
        Send(BuildMessage(Login, name, password, uint32_t(157), digest.toStdString(), uint32_t(100)));
    }

    int Count(uint32_t code) const { return code < counts.size() ? counts[code] : 0; }

    QTcpSocket socket;

private:
    void OnReadyRead()
    {
        buffer += socket.readAll();
        int at = 0;
        while (buffer.size() - at >= 8) {
            const uint32_t length = qFromLittleEndian<uint32_t>(buffer.constData() + at);
            if (uint32_t(buffer.size() - at - 4) < length)
                break;
            const uint32_t code = qFromLittleEndian<uint32_t>(buffer.constData() + at + 4);
            if (code < counts.size())
                ++counts[code];
            at += 4 + int(length);
        }
        buffer.remove(0, at);
    }

    QByteArray buffer;
    std::vector<int> counts = std::vector<int>(256);
};

void BM_UnloggedConnectionsSendingOneMiB(benchmark::State& state)
{
    const int connections = int(state.range(0));
    const QByteArray message = QByteArray(1024 * 1024 - 4, 'x');
    for (auto _ : state) {
        ServerProcess server;
        if (!server.started) {
            state.SkipWithError("the server did not start");
            return;
        }
        const long idle = server.Kilobytes("VmRSS");
        std::vector<std::unique_ptr<QTcpSocket>> sockets;
        for (int n = 0; n < connections; ++n) {
            auto socket = std::make_unique<QTcpSocket>();
            socket->connectToHost(QHostAddress::LocalHost, server.port);
            socket->write(FrameMessage(MemStream(message)));
            sockets.push_back(std::move(socket));
        }
        // Until every byte went out or the server closed the connection.
        RunUntil(
            [&] {
                for (const auto& socket : sockets)
                    if (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() > 0)
                        return false;
                return true;
            },
            20000);
        RunUntil([] { return false; }, 500);
        state.counters["idle_rss_kib"] = double(idle);
        state.counters["loaded_rss_kib"] = double(server.Kilobytes("VmRSS"));
        state.counters["peak_rss_kib"] = double(server.Kilobytes("VmHWM"));
        int open = 0;
        for (const auto& socket : sockets)
            open += socket->state() == QAbstractSocket::ConnectedState;
        state.counters["still_open"] = open;
    }
}
BENCHMARK(BM_UnloggedConnectionsSendingOneMiB)->Arg(200)->Iterations(1)->Unit(benchmark::kMillisecond);

// Args: messages of the flood (0: the baseline login), users in the room
// besides the flooder.
void BM_LoginDuringRoomFlood(benchmark::State& state)
{
    const int floodMessages = int(state.range(0));
    const int listenerCount = int(state.range(1));
    for (auto _ : state) {
        ServerProcess server;
        if (!server.started) {
            state.SkipWithError("the server did not start");
            return;
        }
        std::vector<std::unique_ptr<Client>> members;
        for (int n = 0; n <= listenerCount; ++n) {
            members.push_back(std::make_unique<Client>(server.port));
            members.back()->LogIn(QStringLiteral("member%1").arg(n));
            members.back()->Send(BuildMessage(JoinRoom, QString("flood"), uint32_t(0)));
        }
        const auto allReceived = [&](uint32_t code, int count) {
            return std::all_of(members.begin(), members.end(),
                               [&](const std::unique_ptr<Client>& member) { return member->Count(code) >= count; });
        };
        if (!RunUntil([&] { return allReceived(JoinRoom, 1); }, 5000)) {
            state.SkipWithError("no room");
            return;
        }

        QByteArray flood;
        for (int n = 0; n < floodMessages; ++n)
            flood += FrameMessage(BuildMessage(SayInRoom, QString("flood"), QString(100, QChar('a' + n % 26))));
        Client& flooder = *members.front();
        flooder.socket.write(flood);
        flooder.socket.flush();
        QElapsedTimer wait;
        wait.start();
        Client newcomer(server.port);
        newcomer.LogIn("newcomer");
        if (!RunUntil([&] { return newcomer.Count(Login) == 1; }, 60000)) {
            state.SkipWithError("no login reply");
            return;
        }
        state.counters["login_wait_ms"] = double(wait.nsecsElapsed()) / 1e6;
        RunUntil([&] { return allReceived(SayInRoom, floodMessages); }, 60000);
        state.counters["flood_delivered_ms"] = double(wait.nsecsElapsed()) / 1e6;
    }
}
BENCHMARK(BM_LoginDuringRoomFlood)
    ->Args({0, 20})
    ->Args({10000, 1})
    ->Args({10000, 20})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    for (const QString& argument : app.arguments())
        if (argument.startsWith("--server="))
            g_serverProgram = argument.mid(int(qstrlen("--server=")));
    std::vector<char*> benchmarkArguments;
    for (int n = 0; n < argc; ++n)
        if (!QByteArray(argv[n]).startsWith("--server="))
            benchmarkArguments.push_back(argv[n]);
    int benchmarkCount = int(benchmarkArguments.size());
    benchmark::Initialize(&benchmarkCount, benchmarkArguments.data());
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
