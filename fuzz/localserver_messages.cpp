// One client session of the local server fed with arbitrary input, next to a
// logged-in bystander that receives whatever the session's messages fan out.
// The first byte picks the mode:
//   bit 0 clear: raw bytes straight into the session's framing;
//   bit 0 set:   a login, then a sequence of well-framed messages (code picked
//                from the known codes, body from the input), so that the
//                message handlers see mostly framed input;
//   bit 1:       network searches go only to the roots of the search tree;
//   bit 2:       (framed) the login's name and password come from the input,
//                so that logins can be refused or take over the bystander's;
//   bits 3 to 7: the size of the pieces in which the bytes arrive.
#include "LocalServer.h"

#include "wire/FrameWriter.h"
#include "wire/MemStream.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QtEndian>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

QByteArray LoginFrame(const QByteArray& name, const QByteArray& password)
{
    const QByteArray digest = QCryptographicHash::hash(name + password, QCryptographicHash::Md5).toHex();
    return FrameMessage(BuildMessage(uint32_t(SM_LOGIN), name.toStdString(), password.toStdString(), uint32_t(157),
                                     digest.toStdString(), uint32_t(100)));
}

QByteArray JoinFrame(const QString& room)
{
    return FrameMessage(BuildMessage(uint32_t(SM_JOIN_ROOM), room, uint32_t(0)));
}

const quint32 Codes[]
    = {1,   2,   3,   5,   6,   7,   13,  14,  15,  18,  22,  23,  26,  28,  32,  35,  36,  42,  64,   71,  92,
       100, 103, 116, 120, 121, 123, 126, 127, 129, 132, 134, 135, 136, 137, 141, 143, 144, 153, 1001, 9999};

// Takes a byte count and that many bytes from the input; the count is cut to
// what is left.
QByteArray TakeText(const uint8_t* data, size_t size, size_t& at)
{
    if (at >= size)
        return QByteArray();
    const size_t length = std::min<size_t>(data[at], size - at - 1);
    ++at;
    const QByteArray text(reinterpret_cast<const char*>(data + at), int(length));
    at += length;
    return text;
}

// Records of a code index, a uint16 body length (cut to what is left) and the body.
QByteArray FramedMessages(const uint8_t* data, size_t size, size_t at)
{
    QByteArray frames;
    while (at + 3 <= size) {
        const quint32 code = Codes[data[at] % (sizeof(Codes) / sizeof(Codes[0]))];
        const size_t length = std::min<size_t>(qFromLittleEndian<quint16>(data + at + 1), size - at - 3);
        at += 3;
        MemStream message = BuildMessage(code);
        message.WriteBuffer(data + at, length);
        at += length;
        frames += FrameMessage(message);
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
    const uint8_t mode = data[0];

    localserver::ServerOptions options;
    options.quiet = true;
    options.treeOnlySearch = mode & 2;
    options.privileges.insert(QStringLiteral("fuzzer"), 3600);
    localserver::LocalServer server(options);

    localserver::ClientSession* bystander = server.AttachSession(nullptr);
    const QByteArray bystanderSetup = LoginFrame("bystander", "pw") + JoinFrame(QStringLiteral("room"));
    bystander->Receive(bystanderSetup.constData(), bystanderSetup.size());

    localserver::ClientSession* session = server.AttachSession(nullptr);
    QByteArray input;
    if (mode & 1) {
        size_t at = 1;
        if (mode & 4) {
            const QByteArray loginName = TakeText(data, size, at);
            input = LoginFrame(loginName, TakeText(data, size, at));
        } else {
            input = LoginFrame("fuzzer", "pw");
        }
        input += JoinFrame(QStringLiteral("room")) + FramedMessages(data, size, at);
    } else {
        input = QByteArray(reinterpret_cast<const char*>(data + 1), int(size - 1));
    }
    // In pieces, as a socket would deliver it.
    const int piece = 1 + (mode >> 3) * 16;
    for (int at = 0; at < input.size(); at += piece)
        session->Receive(input.constData() + at, std::min(piece, input.size() - at));
    QCoreApplication::sendPostedEvents();
    return 0;
}
