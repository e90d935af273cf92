// One client session of the local server fed with arbitrary input, next to a
// logged-in bystander that receives whatever the session's messages fan out.
// The first byte picks the mode: raw bytes straight into the session's framing,
// or a sequence of well-framed messages (code picked from the known codes, body
// from the input) so that the message handlers see mostly framed input.
#include "LocalServer.h"

#include "wire/MemStream.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QtEndian>

#include <cstddef>
#include <cstdint>

namespace {

QByteArray Frame(const MemStream& message)
{
    const QByteArray body = message.GetPendingBytes();
    QByteArray frame(4, Qt::Uninitialized);
    qToLittleEndian<quint32>(quint32(body.size()), frame.data());
    return frame + body;
}

QByteArray LoginFrame(const QString& name)
{
    const QString password = QStringLiteral("pw");
    MemStream login;
    login.Write(uint32_t(1));
    login.Write(name);
    login.Write(password);
    login.Write(uint32_t(157));
    login.Write(std::string(QCryptographicHash::hash((name + password).toUtf8(), QCryptographicHash::Md5).toHex()));
    login.Write(uint32_t(100));
    return Frame(login);
}

QByteArray JoinFrame(const QString& room)
{
    MemStream join;
    join.Write(uint32_t(14));
    join.Write(room);
    join.Write(uint32_t(0));
    return Frame(join);
}

const quint32 Codes[]
    = {1,   2,   3,   5,   6,   7,   13,  14,  15,  18,  22,  23,  26,  28,  32,  35,  36,  42,  64,   71,  92,
       100, 103, 116, 120, 121, 123, 126, 127, 129, 132, 134, 135, 136, 137, 141, 143, 144, 153, 1001, 9999};

QByteArray FramedMessages(const uint8_t* data, size_t size)
{
    QByteArray frames;
    size_t at = 0;
    while (at + 3 <= size) {
        const quint32 code = Codes[data[at] % (sizeof(Codes) / sizeof(Codes[0]))];
        const size_t length = std::min<size_t>(qFromLittleEndian<quint16>(data + at + 1), size - at - 3);
        at += 3;
        MemStream message;
        message.Write(uint32_t(code));
        message.WriteBuffer(data + at, length);
        at += length;
        frames += Frame(message);
    }
    return frames;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    if (size == 0)
        return 0;

    localserver::ServerOptions options;
    options.quiet = true;
    options.treeOnlySearch = data[0] & 2;
    options.privileges.insert(QStringLiteral("fuzzer"), 3600);
    localserver::LocalServer server(options);

    localserver::ClientSession* bystander = server.AttachSession(nullptr);
    const QByteArray bystanderSetup = LoginFrame(QStringLiteral("bystander")) + JoinFrame(QStringLiteral("room"));
    bystander->Receive(bystanderSetup.constData(), bystanderSetup.size());

    localserver::ClientSession* session = server.AttachSession(nullptr);
    QByteArray input;
    if (data[0] & 1) {
        input = LoginFrame(QStringLiteral("fuzzer")) + JoinFrame(QStringLiteral("room"))
            + FramedMessages(data + 1, size - 1);
    } else {
        input = QByteArray(reinterpret_cast<const char*>(data + 1), int(size - 1));
    }
    // In pieces, as a socket would deliver it.
    const int piece = 1 + data[0] / 4;
    for (int at = 0; at < input.size(); at += piece)
        session->Receive(input.constData() + at, std::min(piece, input.size() - at));
    QCoreApplication::sendPostedEvents();
    return 0;
}
