// A peer connection's incoming bytes through the read path the messenger
// uses: the read state (frames, plain or obfuscated, and the raw token after
// a file greeting), the greeting, then every message code through the
// message handler, which writes search results into a graph holding a few
// searches. The first byte picks:
//   bit 0: an obfuscated connection;
//   bit 1: the rest is the wire as it is; otherwise it is a list of bodies
//          (uint16 length, then the bytes) that are framed, as a peer would,
//          before they arrive (so that obfuscated bodies are reached too);
//   bits 2 to 7: the size of the pieces in which the bytes arrive.
// Whatever arrives, nothing may read out of bounds, allocate without bound,
// or break the graph.
#include "app/Settings.h"
#include "peer/PeerFraming.h"
#include "peer/PeerGreeting.h"
#include "peer/PeerMessageHandler.h"
#include "peer/PeerSchema.h"
#include "search/SearchRequestRecord.h"
#include "server/Server.h"
#include "store/Data.h"
#include "store/DataSaver.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QTemporaryDir>
#include <QtEndian>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

// Hands out what has been delivered so far, like a socket.
class PieceDevice : public QIODevice
{
public:
    explicit PieceDevice(QByteArray bytes)
        : m_bytes(std::move(bytes))
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_delivered - m_taken + QIODevice::bytesAvailable(); }
    bool Deliver(qint64 count)
    {
        m_delivered = std::min<qint64>(m_delivered + count, m_bytes.size());
        return m_delivered < m_bytes.size();
    }

protected:
    qint64 readData(char* out, qint64 max) override
    {
        const qint64 count = std::min(max, m_delivered - m_taken);
        std::copy_n(m_bytes.constData() + m_taken, count, out);
        m_taken += count;
        return count;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_delivered = 0;
    qint64 m_taken = 0;
};

// The bodies framed as a peer frames them.
QByteArray Framed(const uint8_t* data, size_t size, bool obfuscated)
{
    QByteArray wire;
    for (size_t at = 0; at + 2 <= size;) {
        const size_t length = std::min<size_t>(qFromLittleEndian<uint16_t>(data + at), size - at - 2);
        at += 2;
        MemStream body;
        body.WriteBuffer(data + at, length);
        wire += FramePeerMessage(body, obfuscated);
        at += length;
    }
    return wire;
}

class Harness
{
public:
    Harness() { qputenv("HOME", home.path().toUtf8()); }

    void Run(const uint8_t* data, size_t size)
    {
        if (size < 1)
            return;
        const bool obfuscated = data[0] & 1;
        const bool raw = data[0] & 2;
        const qint64 piece = 1 + (data[0] >> 2) * 97;
        NewGraph();
        PieceDevice device(raw ? QByteArray(reinterpret_cast<const char*>(data + 1), int(size - 1))
                               : Framed(data + 1, size - 1, obfuscated));
        PeerReadState state(obfuscated);
        PeerMessageHandler handler;
        bool greeted = false;
        bool more = true;
        while (more) {
            more = device.Deliver(piece);
            for (;;) {
                PeerReadState::Step step = state.Next(device);
                if (step.event == PeerReadState::Event::NeedMore)
                    break;
                if (step.event != PeerReadState::Event::Message)
                    return; // a bad length closes it; a file connection is handed over
                if (!greeted) {
                    greeted = true;
                    const PeerGreeting greeting = PeerGreeting::Read(step.body);
                    if (greeting.kind == PeerGreeting::Kind::Direct && greeting.type == FileConnection)
                        state.AwaitFileToken(greeting.user);
                    else if (greeting.kind != PeerGreeting::Kind::Direct && greeting.kind != PeerGreeting::Kind::Answer)
                        return;
                    continue;
                }
                uint32_t code = 0;
                if (!step.body.Read(code) || !handler.Handle("bob", code, step.body))
                    return;
            }
        }
        d.RemoveDisconnectedItems();
    }

private:
    void NewGraph()
    {
        d.Clear();
        saver = std::make_unique<DataSaver>();
        DeclareSettingsSchema();
        Server::CreateData();
        DeclarePeerNetworkTypes();
        RecordSearchRequest(1, "moon", false);
        RecordSearchRequest(2, "dark side -live", true);
        RecordSearchRequest(3, "dark side -live", true);
    }

    QTemporaryDir home;
    std::unique_ptr<DataSaver> saver;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_peer_read_path";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    static Harness harness;
    harness.Run(data, size);
    return 0;
}
