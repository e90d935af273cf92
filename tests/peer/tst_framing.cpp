#include "PeerTestKit.h"

#include "peer/PeerFraming.h"
#include "wire/FrameWriter.h"

#include <QtTest>

#include <vector>

namespace {

using Event = PeerReadState::Event;

// Everything the state makes of the bytes fed so far: bodies as they are,
// tokens as "token:<n>", a bad length as "bad".
QList<QByteArray> Drain(PeerReadState& state, ByteFeed& feed, bool* activity = nullptr)
{
    QList<QByteArray> seen;
    while (feed.bytesAvailable() > 0) {
        PeerReadState::Step step = state.Next(feed);
        if (activity && step.activity)
            *activity = true;
        if (step.event == Event::NeedMore)
            break;
        if (step.event == Event::BadLength) {
            seen << "bad";
            break;
        }
        seen << (step.event == Event::FileToken ? "token:" + QByteArray::number(step.token)
                                                : step.body.GetPendingBytes());
    }
    return seen;
}

QByteArray Frame(const QByteArray& body, bool obfuscated)
{
    return FramePeerMessage(MemStream(body), obfuscated);
}

} // namespace

// The read path of a peer connection on top of the shared frame reader: what
// arrives in pieces, together, raw after a file greeting, or too long.
class TestPeerFraming : public QObject
{
    Q_OBJECT

private slots:
    void framesHoweverTheBytesArrive_data()
    {
        QTest::addColumn<bool>("obfuscated");
        QTest::addColumn<int>("piece");
        for (const bool obfuscated : {false, true})
            for (const int piece : {1, 5, 1 << 20})
                QTest::addRow("%s, pieces of %d", obfuscated ? "obfuscated" : "plain", piece) << obfuscated << piece;
    }

    void framesHoweverTheBytesArrive()
    {
        QFETCH(bool, obfuscated);
        QFETCH(int, piece);
        const QList<QByteArray> bodies{"greeting", QByteArray(3, '\0'), QByteArray(70000, 'x'), "odd"};
        QByteArray wire;
        for (const QByteArray& body : bodies)
            wire += Frame(body, obfuscated);
        PeerReadState state(obfuscated);
        ByteFeed feed;
        QList<QByteArray> seen;
        for (int at = 0; at < wire.size(); at += piece) {
            feed.Feed(wire.mid(at, piece));
            seen += Drain(state, feed);
        }
        QCOMPARE(seen, bodies);
    }

    // Worked by hand: the key turns left one bit before each group of four
    // frame bytes; byte j takes key byte j, lowest first; the last group of
    // two takes the two low bytes.
    void scrambledFrameByHand()
    {
        PeerReadState state(true);
        ByteFeed feed;
        feed.Feed(QByteArray::fromHex("78563412 f6ac6824 813bb22c a5d5"));
        QCOMPARE(Drain(state, feed), QList<QByteArray>{"abcdef"});
    }

    void everyObfuscatedFrameHasItsOwnKey()
    {
        const QByteArray first = Frame("same body", true);
        const QByteArray second = Frame("same body", true);
        QCOMPARE(first.size(), second.size());
        QVERIFY(first.left(4) != second.left(4));
        QVERIFY(first.mid(4) != second.mid(4));
        for (const QByteArray& wire : {first, second}) {
            PeerReadState state(true);
            ByteFeed feed;
            feed.Feed(wire);
            QCOMPARE(Drain(state, feed), QList<QByteArray>{"same body"});
        }
        QCOMPARE(Frame("same body", false), FrameMessage(MemStream(QByteArray("same body"))));
    }

    void fileTokenIsTakenRaw_data()
    {
        QTest::addColumn<bool>("obfuscated");
        QTest::addColumn<bool>("sameRead");
        for (const bool obfuscated : {false, true})
            for (const bool sameRead : {true, false})
                QTest::addRow("%s, token %s", obfuscated ? "obfuscated" : "plain",
                              sameRead ? "in the same read" : "later, in pieces")
                    << obfuscated << sameRead;
    }

    // The owner sees the greeting, asks for the token; the four bytes that
    // follow are never descrambled, and nothing after them is taken.
    void fileTokenIsTakenRaw()
    {
        QFETCH(bool, obfuscated);
        QFETCH(bool, sameRead);
        const QByteArray token = Bytes(uint32_t(0xdeadbeef));
        PeerReadState state(obfuscated);
        ByteFeed feed;
        feed.Feed(Frame("F greeting", obfuscated) + (sameRead ? token + "file bytes" : token.left(1)));
        PeerReadState::Step step = state.Next(feed);
        QCOMPARE(step.event, Event::Message);
        state.AwaitFileToken("bob");
        if (!sameRead) {
            QCOMPARE(state.Next(feed).event, Event::NeedMore);
            feed.Feed(token.mid(1, 2));
            QCOMPARE(state.Next(feed).event, Event::NeedMore);
            feed.Feed(token.mid(3) + "file bytes");
        }
        step = state.Next(feed);
        QCOMPARE(step.event, Event::FileToken);
        QCOMPARE(step.token, 0xdeadbeefu);
        QCOMPARE(state.User(), QString("bob"));
        QVERIFY(!state.AwaitingFileToken());
        QCOMPARE(feed.readAll(), QByteArray("file bytes"));
    }

    void lengthBound_data()
    {
        QTest::addColumn<bool>("obfuscated");
        for (const bool obfuscated : {false, true})
            QTest::newRow(obfuscated ? "obfuscated" : "plain") << obfuscated;
    }

    void lengthBound()
    {
        QFETCH(bool, obfuscated);
        const QByteArray largest(int(MaxPeerFrameLength), 'z');
        PeerReadState state(obfuscated);
        ByteFeed feed;
        feed.Feed(Frame(largest, obfuscated));
        bool activity = false;
        const QList<QByteArray> seen = Drain(state, feed, &activity);
        QCOMPARE(seen.size(), 1);
        QVERIFY(seen.first() == largest);

        feed.Feed(Frame(largest + "z", obfuscated));
        QCOMPARE(Drain(state, feed), QList<QByteArray>{"bad"});
    }

    // A long message keeps its connection alive as it arrives, once for every
    // 100 KiB, not once per read.
    void longMessagesReportActivity()
    {
        PeerReadState state(false);
        ByteFeed feed;
        const QByteArray wire = Frame(QByteArray(300 * 1024, 'a'), false);
        int reported = 0;
        for (int at = 0; at < wire.size(); at += 10 * 1024) {
            feed.Feed(wire.mid(at, 10 * 1024));
            reported += state.Next(feed).activity ? 1 : 0;
        }
        QCOMPARE(reported, 3);
    }
};

QTEST_GUILESS_MAIN(TestPeerFraming)
#include "tst_framing.moc"
