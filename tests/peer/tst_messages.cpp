#include "PeerTestKit.h"

#include "peer/PeerGreeting.h"
#include "peer/PeerMessageCode.h"
#include "peer/PeerMessageHandler.h"
#include "peer/PeerMessages.h"
#include "peer/PeerMessenger.h"
#include "wire/Compression.h"

#include <QtTest>

#include <zlib.h>

namespace {

QString Raw(const std::string& bytes)
{
    return QString::fromLatin1(QByteArray::fromStdString(bytes).toHex());
}

// One line per signal of the handler, its arguments joined by "|".
class Recorder
{
public:
    explicit Recorder(PeerMessageHandler& handler)
    {
        auto line = [this](const QStringList& fields) { lines << fields.join('|'); };
        QObject::connect(&handler, &PeerMessageHandler::SharedFileListRequested, [=](QString user) {
            line({"ShareListRequested", user});
        });
        QObject::connect(&handler, &PeerMessageHandler::UserInfoRequested, [=](QString user) {
            line({"UserInfoRequested", user});
        });
        QObject::connect(&handler, &PeerMessageHandler::UserShare,
                         [=](QString user, const FileInfoMap& share, const AttributeTranslationTable& table) {
                             QStringList fields{"UserShare", user};
                             for (const auto& [folder, files] : share)
                                 for (const FileInfo& file : files)
                                     fields << QString::fromStdString(folder + "\\" + file.name);
                             fields << QString("table %1").arg(table.size());
                             line(fields);
                         });
        QObject::connect(&handler, &PeerMessageHandler::UserInfoReceived,
                         [=](QString user, QString description, bool hasPicture, QByteArray picture, int uploadSlots,
                             int queued, bool free) {
                             line({"UserInfo", user, description, hasPicture ? "picture" : "none",
                                   QString::fromLatin1(picture), QString::number(uploadSlots), QString::number(queued),
                                   free ? "free" : "busy"});
                         });
        QObject::connect(&handler, &PeerMessageHandler::SharedFilesInFolderRequested,
                         [=](QString user, quint32 token, QString folder) {
                             line({"FolderRequested", user, QString::number(token), folder});
                         });
        QObject::connect(&handler, &PeerMessageHandler::FileTransferRequested,
                         [=](QString user, int direction, uint token, std::string file, qint64 size) {
                             line({"TransferRequested", user, QString::number(direction), QString::number(token),
                                   Raw(file), direction == 1 ? QString::number(size) : "-"});
                         });
        QObject::connect(&handler, &PeerMessageHandler::FileTransferResponse,
                         [=](QString user, uint token, bool allowed, bool hasSize, qint64 size, QString reason) {
                             line({"TransferResponse", user, QString::number(token), allowed ? "yes" : "no",
                                   hasSize ? QString::number(size) : "-", reason});
                         });
        QObject::connect(&handler, &PeerMessageHandler::QueueUploadRequested, [=](QString user, QString file) {
            line({"QueueUpload", user, file});
        });
        QObject::connect(&handler, &PeerMessageHandler::QueueDownloadRequested,
                         [=](QString user, std::string file, qint64 size) {
                             line({"QueueDownload", user, Raw(file), QString::number(size)});
                         });
        QObject::connect(&handler, &PeerMessageHandler::UploadFailed, [=](QString user, std::string file) {
            line({"UploadFailed", user, Raw(file)});
        });
        QObject::connect(&handler, &PeerMessageHandler::UploadDenied,
                         [=](QString user, std::string file, QString reason) {
                             line({"UploadDenied", user, Raw(file), reason});
                         });
        QObject::connect(&handler, &PeerMessageHandler::UploadPlaceInLineRequested, [=](QString user, QString file) {
            line({"PlaceRequested", user, file});
        });
        QObject::connect(&handler, &PeerMessageHandler::DownloadPlaceInLine,
                         [=](QString user, std::string file, int place) {
                             line({"Place", user, Raw(file), QString::number(place)});
                         });
    }

    QStringList lines;
};

const std::string Latin1Path = "a\xe9.mp3"; // not UTF-8: passed on as bytes

QByteArray Compressed(const QByteArray& bytes)
{
    return BuildCompressedMessage(0, MemStream(bytes)).GetPendingBytes().mid(4);
}

// A few hundred bytes of zlib that inflate to `size` zero bytes.
QByteArray ZeroBomb(uLong size)
{
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, 15, 8, Z_RLE);
    QByteArray out;
    const QByteArray zeros(1 << 20, '\0');
    char buffer[1 << 16];
    for (uLong left = size; left > 0;) {
        const uLong take = std::min<uLong>(left, uLong(zeros.size()));
        left -= take;
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.constData()));
        stream.avail_in = uInt(take);
        do {
            stream.next_out = reinterpret_cast<Bytef*>(buffer);
            stream.avail_out = sizeof buffer;
            deflate(&stream, left == 0 ? Z_FINISH : Z_NO_FLUSH);
            out.append(buffer, int(sizeof buffer - stream.avail_out));
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return out;
}

QByteArray Listing(bool withTable)
{
    FileInfoMap share;
    share["Music"].insert(FileInfo("b.mp3", 2));
    share["Music"].insert(FileInfo("a.mp3", 1));
    share["Video"].insert(FileInfo("c.mkv", 3));
    MemStream body;
    body.Write(share);
    if (withTable)
        body.Write(AttributeTranslationTable{{0, "bitrate"}});
    return body.GetPendingBytes();
}

} // namespace

// Every message layout both ways, the greetings, and what compressed bodies
// may and may not do.
class TestPeerMessages : public QObject
{
    Q_OBJECT

private slots:
    void codeNames()
    {
        QCOMPARE(PeerMessenger::MessageCodeToString(9), QString("PM_FILE_SEARCH_RESULT"));
        QCOMPARE(PeerMessenger::MessageCodeToString(51), QString("PM_UPLOAD_PLACE_IN_LINE_REQUEST"));
        QCOMPARE(PeerMessenger::MessageCodeToString(60), QString("60 (unknown)"));
        QCOMPARE(PeerMessenger::MessageCodeToString(2), QString("2 (unknown)"));
        QCOMPARE(PeerMessageCodes().size(), size_t(26));
        for (PeerMessageCode code : PeerMessageCodes())
            QVERIFY(code == PM_UPLOAD_OFFER || !PeerMessageCodeName(int(code)).contains("unknown"));
    }

    void received_data()
    {
        QTest::addColumn<uint32_t>("code");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<QString>("signal");
        const QByteArray file = Bytes(Latin1Path);
        const QByteArray name = Bytes(QString("dir\\song.mp3"));
        auto row = [](const char* rowName, uint32_t code, const QByteArray& body, bool kept, const QString& signal) {
            QTest::newRow(rowName) << code << body << kept << signal;
        };
        row("4", 4, {}, true, "ShareListRequested|bob");
        row("15", 15, {}, true, "UserInfoRequested|bob");
        row("16 with picture", 16,
            Bytes(QString("hi"), true, uint32_t(3), uint8_t('P'), uint8_t('N'), uint8_t('G'), uint32_t(2), uint32_t(7),
                  false),
            true, "UserInfo|bob|hi|picture|PNG|2|7|busy");
        row("16 without picture: no length", 16, Bytes(QString("hi"), false, uint32_t(2), uint32_t(0), true), true,
            "UserInfo|bob|hi|none||2|0|free");
        row("16 picture longer than the body", 16, Bytes(QString("hi"), true, uint32_t(1000), uint32_t(2)), false, "");
        row("36", 36, Bytes(uint32_t(5), QString("dir")), true, "FolderRequested|bob|5|dir");
        row("40 upload, with size", 40, Bytes(uint32_t(1), uint32_t(9)) + file + Bytes(uint64_t(1) << 40), true,
            "TransferRequested|bob|1|9|61e92e6d7033|1099511627776");
        row("40 download, no size", 40, Bytes(uint32_t(0), uint32_t(9)) + file, true,
            "TransferRequested|bob|0|9|61e92e6d7033|-");
        row("40 upload without its size", 40, Bytes(uint32_t(1), uint32_t(9)) + file, false, "");
        row("41 allowed with size", 41, Bytes(uint32_t(9), true, uint64_t(77)), true, "TransferResponse|bob|9|yes|77|");
        row("41 allowed without size", 41, Bytes(uint32_t(9), true), true, "TransferResponse|bob|9|yes|-|");
        row("41 refused", 41, Bytes(uint32_t(9), false, QString("Queued")), true, "TransferResponse|bob|9|no|-|Queued");
        row("41 refused without reason", 41, Bytes(uint32_t(9), false), false, "");
        row("43", 43, name, true, "QueueUpload|bob|dir\\song.mp3");
        row("44", 44, file + Bytes(uint32_t(12)), true, "Place|bob|61e92e6d7033|12");
        row("44 without place", 44, file, false, "");
        row("46", 46, file, true, "UploadFailed|bob|61e92e6d7033");
        row("50", 50, file + Bytes(QString("Banned")), true, "UploadDenied|bob|61e92e6d7033|Banned");
        row("51", 51, name, true, "PlaceRequested|bob|dir\\song.mp3");
        row("60", 60, file + Bytes(uint64_t(5)), true, "QueueDownload|bob|61e92e6d7033|5");
        row("60 string too long", 60, Bytes(uint32_t(0x20001)), false, "");
        row("5", 5, Compressed(Listing(true)), true, "UserShare|bob|Music\\a.mp3|Music\\b.mp3|Video\\c.mkv|table 1");
        row("5 without attribute table", 5, Compressed(Listing(false)), true,
            "UserShare|bob|Music\\a.mp3|Music\\b.mp3|Video\\c.mkv|table 0");
        row("5 not zlib", 5, QByteArray("not zlib at all"), false, "");
        row("5 cut short", 5, Compressed(Listing(true)).left(20), false, "");
        row("5 not a share map", 5, Compressed(Bytes(uint32_t(3))), false, "");
        for (uint32_t ignored : {1u, 8u, 10u, 14u, 33u, 34u, 37u, 42u, 47u, 48u, 49u, 52u, 999u})
            row(qPrintable(QString("ignored %1").arg(ignored)), ignored, "anything", true, "");
    }

    void received()
    {
        QFETCH(uint32_t, code);
        QFETCH(QByteArray, body);
        QFETCH(bool, kept);
        QFETCH(QString, signal);
        PeerGraph graph;
        PeerMessageHandler handler;
        Recorder recorder(handler);
        MemStream message(body);
        QCOMPARE(handler.Handle("bob", code, message), kept);
        QCOMPARE(recorder.lines, signal.isEmpty() ? QStringList() : QStringList{signal});
    }

    // A few KiB that claim gigabytes are dropped; the connection stays.
    void zlibBombIsDropped()
    {
        PeerGraph graph;
        const QByteArray bomb = ZeroBomb(uLong(MaxInflatedBodyLength) + 1);
        QVERIFY(bomb.size() < 512 * 1024);
        PeerMessageHandler handler;
        Recorder recorder(handler);
        for (uint32_t code : {5u, 9u}) {
            MemStream message(bomb);
            QVERIFY(handler.Handle("bob", code, message));
        }
        QVERIFY(recorder.lines.isEmpty());

        // Exactly the bound inflates; one byte more does not.
        for (const uLong size : {1000ul, 200000ul}) {
            MemStream compressed(ZeroBomb(size));
            InflatedBody inflated;
            QCOMPARE(InflateBody(compressed, inflated, size - 1), InflateResult::TooLarge);
            compressed = MemStream(ZeroBomb(size));
            QCOMPARE(InflateBody(compressed, inflated, size), InflateResult::Inflated);
            QCOMPARE(inflated.GetPendingReadLength(), uint64_t(size));
            QCOMPARE(compressed.GetPendingReadLength(), uint64_t(0));
        }
    }

    void greetings_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("type");
        QTest::addColumn<uint32_t>("token");
        QTest::newRow("direct") << BuildDirectGreeting("alice", "F").GetPendingBytes()
                                << int(PeerGreeting::Kind::Direct) << "alice"
                                << "F" << 0u;
        QTest::newRow("direct, any non-zero direction")
            << Bytes(uint8_t(7), QString("bob"), QString("P"), uint32_t(3)) << int(PeerGreeting::Kind::Direct) << "bob"
            << "P" << 3u;
        QTest::newRow("direct without token")
            << Bytes(uint8_t(1), QString("bob"), QString("P")) << int(PeerGreeting::Kind::BadDirect) << "bob"
            << "P" << 0u;
        QTest::newRow("answer") << BuildAnswerGreeting(0xabcdef).GetPendingBytes() << int(PeerGreeting::Kind::Answer)
                                << ""
                                << "" << 0xabcdefu;
        QTest::newRow("answer without token")
            << Bytes(uint8_t(0), uint16_t(1)) << int(PeerGreeting::Kind::BadAnswer) << ""
            << "" << 0u;
        QTest::newRow("empty") << QByteArray() << int(PeerGreeting::Kind::NoDirection) << ""
                               << "" << 0u;
    }

    void greetings()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, kind);
        MemStream stream(body);
        const PeerGreeting greeting = PeerGreeting::Read(stream);
        QCOMPARE(int(greeting.kind), kind);
        QTEST(greeting.user, "user");
        QTEST(greeting.type, "type");
        QTEST(greeting.token, "token");
    }

    void sent_data()
    {
        QTest::addColumn<QByteArray>("built");
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray picture("PNG");
        QTest::newRow("16") << BuildUserInfoReply("me", &picture, 3, 1, true).GetPendingBytes()
                            << Bytes(16u, QString("me"), true, 3u) + "PNG" + Bytes(3u, 1u, true);
        QTest::newRow("16, no picture") << BuildUserInfoReply("me", nullptr, 3, 0, false).GetPendingBytes()
                                        << Bytes(16u, QString("me"), false, 3u, 0u, false);
        QTest::newRow("40") << BuildTransferRequest(8, "f", 9).GetPendingBytes()
                            << Bytes(40u, 1u, 8u, QString("f"), uint64_t(9));
        QTest::newRow("41 with size") << BuildTransferAcceptance(8, true, 9).GetPendingBytes()
                                      << Bytes(41u, 8u, uint8_t(1), uint64_t(9));
        QTest::newRow("41 without size") << BuildTransferAcceptance(8, false, 9).GetPendingBytes()
                                         << Bytes(41u, 8u, uint8_t(1));
        QTest::newRow("41 refused") << BuildTransferRefusal(8, "No").GetPendingBytes()
                                    << Bytes(41u, 8u, uint8_t(0), QString("No"));
        QTest::newRow("43 keeps the bytes")
            << BuildQueueDownload(Latin1Path).GetPendingBytes() << Bytes(43u, Latin1Path);
        QTest::newRow("44") << BuildUploadPlaceInLine("f", 4).GetPendingBytes() << Bytes(44u, QString("f"), 4u);
        QTest::newRow("50") << BuildUploadDenied("f", "No").GetPendingBytes()
                            << Bytes(50u, QString("f"), QString("No"));
        QTest::newRow("60") << BuildUploadOffer("f", 5).GetPendingBytes() << Bytes(60u, QString("f"), uint64_t(5));
        QTest::newRow("compressed") << BuildCompressedMessage(9, MemStream(QByteArray("body"))).GetPendingBytes()
                                    << Bytes(9u) + Compressed("body");
    }

    void sent()
    {
        QFETCH(QByteArray, built);
        QFETCH(QByteArray, bytes);
        QCOMPARE(built.toHex(), bytes.toHex());
    }
};

QTEST_GUILESS_MAIN(TestPeerMessages)
#include "tst_messages.moc"
