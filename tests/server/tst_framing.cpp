#include "server/Server.h"
#include "wire/FrameReader.h"

#include "WaitUntil.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

// Cutting the byte stream from the server into whole messages with the
// session's bounds, over a real loopback connection.
class TestFraming : public QObject
{
    Q_OBJECT

private:
    QTcpServer listener;
    std::unique_ptr<QTcpSocket> sender;
    QTcpSocket* receiver = nullptr;
    FrameReader reader{Server::MaxMessageLength, Server::MinMessageLength};
    MemStream message;

    static QByteArray Frame(uint32_t code, const QByteArray& body)
    {
        MemStream out;
        out.Write(uint32_t(4 + body.size()));
        out.Write(code);
        return out.GetPendingBytes() + body;
    }

    // Sends the bytes and waits until the receiving end holds `available` bytes in all.
    void Deliver(const QByteArray& bytes, qint64 available)
    {
        sender->write(bytes);
        sender->flush();
        QVERIFY(WaitUntil([&] { return receiver->bytesAvailable() >= available; }));
    }

    void ExpectMessage(uint32_t code, const QByteArray& body)
    {
        uint32_t readCode = 0;
        QVERIFY(message.Read(readCode));
        QCOMPARE(readCode, code);
        QCOMPARE(message.GetPendingBytes(), body);
    }

private slots:
    void init()
    {
        reader.Reset();
        QVERIFY(listener.listen(QHostAddress::LocalHost, 0));
        sender = std::make_unique<QTcpSocket>();
        sender->connectToHost(QHostAddress::LocalHost, listener.serverPort());
        QVERIFY(sender->waitForConnected(5000));
        QVERIFY(WaitUntil([&] { return listener.hasPendingConnections(); }));
        receiver = listener.nextPendingConnection();
    }

    void cleanup()
    {
        sender.reset();
        delete receiver;
        listener.close();
    }

    void messageSplitOverManyReads()
    {
        const QByteArray frame = Frame(13, "room and text");
        for (int n = 0; n < frame.size() - 1; ++n) {
            // The length word stays in the socket until all of it is there.
            const qint64 unread = n < 4 ? n + 1 : 1;
            Deliver(frame.mid(n, 1), unread);
            QCOMPARE(reader.ReadFrom(*receiver, message), FrameReader::Result::NeedMore);
            QCOMPARE(receiver->bytesAvailable(), n < 3 ? unread : qint64(0));
        }
        Deliver(frame.right(1), 1);
        QCOMPARE(reader.ReadFrom(*receiver, message), FrameReader::Result::Complete);
        ExpectMessage(13, "room and text");
    }

    void severalMessagesInOneReadStayApart()
    {
        const QByteArray first = Frame(13, "first");
        const QByteArray second = Frame(22, "second message");
        Deliver(first + second, first.size() + second.size());
        QCOMPARE(reader.ReadFrom(*receiver, message), FrameReader::Result::Complete);
        QCOMPARE(receiver->bytesAvailable(), qint64(second.size()));
        ExpectMessage(13, "first");
        QCOMPARE(reader.ReadFrom(*receiver, message), FrameReader::Result::Complete);
        ExpectMessage(22, "second message");
    }

    void lengthBounds_data()
    {
        QTest::addColumn<uint32_t>("length");
        QTest::addColumn<int>("result");
        QTest::newRow("below a code") << 3u << int(FrameReader::Result::BadLength);
        QTest::newRow("a code alone") << 4u << int(FrameReader::Result::Complete);
        QTest::newRow("at the limit") << Server::MaxMessageLength << int(FrameReader::Result::NeedMore);
        QTest::newRow("above the limit") << Server::MaxMessageLength + 1 << int(FrameReader::Result::BadLength);
    }

    // An out-of-bounds length is refused before anything behind it is read.
    void lengthBounds()
    {
        QFETCH(uint32_t, length);
        QFETCH(int, result);
        MemStream out;
        out.Write(length);
        out.Write(uint32_t(13));
        Deliver(out.GetPendingBytes(), 8);
        QCOMPARE(int(reader.ReadFrom(*receiver, message)), result);
        QCOMPARE(reader.Length(), length);
        if (result == int(FrameReader::Result::BadLength))
            QCOMPARE(receiver->bytesAvailable(), qint64(4));
    }

    void resetForgetsPartMessage()
    {
        const QByteArray frame = Frame(13, "abc");
        Deliver(frame.left(6), 6);
        QCOMPARE(reader.ReadFrom(*receiver, message), FrameReader::Result::NeedMore);
        reader.Reset();
        const QByteArray next = Frame(15, "r");
        Deliver(next, next.size());
        QCOMPARE(reader.ReadFrom(*receiver, message), FrameReader::Result::Complete);
        ExpectMessage(15, "r");
    }
};

QTEST_GUILESS_MAIN(TestFraming)
#include "tst_framing.moc"
