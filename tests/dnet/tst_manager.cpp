#include "DNetTestKit.h"

#include "app/Settings.h"
#include "dnet/DNetManager.h"
#include "dnet/DNetMessages.h"
#include "dnet/DNetSchema.h"
#include "server/ServerMessageCode.h"
#include "store/Data.h"
#include "wire/FrameWriter.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

QByteArray SearchBytes(const QString& user, uint32_t token, const QString& query)
{
    return BuildDNetSearch(user, token, query).GetPendingBytes();
}

QDateTime Later(qint64 ms)
{
    return QDateTime::currentDateTime().addMSecs(ms);
}

ItemPtr User(const QString& name)
{
    return d.GetType("user")->GetItem(name);
}

} // namespace

// One manager against a scripted server session and raw connections on
// loopback: a parent, possible parents and children.
class TestManager : public QObject
{
    Q_OBJECT

    std::unique_ptr<DNetFixture> f;

    DNetManager& Manager() { return f->Manager(); }

private slots:
    void initTestCase() { qRegisterMetaType<ItemPtr>("ItemPtr"); }
    void init() { f = std::make_unique<DNetFixture>(); }
    void cleanup() { f.reset(); }

    // The parent's level and leader become this client's, go to the server
    // and down to the children; a repeated one changes nothing. An unknown
    // level unsets the own one. Whoever else the parent says, it is ignored.
    void LevelAndLeaderFromTheParent()
    {
        auto child = f->Child("kid");
        auto parent = f->Parent("dad");
        QCOMPARE(f->Reports(), QStringList{Report(SM_SEND_DISTRIBUTIONS, true)});
        QCOMPARE(child->NextBytes(), SearchBytes("someone", 1, "first"));

        for (int round = 0; round < 2; ++round) {
            parent->Send(BuildDNetLevel(0));
            parent->Send(BuildDNetLeader("root"));
            parent->Send(BuildMessage(uint8_t(9), uint32_t(1)));
            parent->Send(BuildDNetSearch("x", 2, "sync"));
            QCOMPARE(child->NextBytes(),
                     round == 0 ? BuildDNetLevel(1).GetPendingBytes() : SearchBytes("x", 2, "sync"));
            if (round == 0) {
                QCOMPARE(child->NextBytes(), BuildDNetLeader("root").GetPendingBytes());
                QCOMPARE(child->NextBytes(), SearchBytes("x", 2, "sync"));
                QCOMPARE(f->Reports(),
                         (QStringList{Report(SM_DNET_LEVEL, 1u), Report(SM_DNET_GROUP_LEADER, QString("root"))}));
            } else {
                QVERIFY(f->Reports().isEmpty());
            }
        }
        QCOMPARE(GetDNetValue(DNetLevel), QString("1"));

        parent->Send(BuildDNetLevel(DNetUnknownLevel));
        QCOMPARE(child->NextBytes(), BuildDNetLevel(DNetUnknownLevel).GetPendingBytes());
        QCOMPARE(f->Reports(), QStringList{Report(SM_DNET_LEVEL, DNetUnknownLevel)});
        QVERIFY(!HasDNetValue(DNetLevel));

        // A new child hears the leader at once (the level is unknown).
        auto late = f->Child("late");
        QCOMPARE(late->NextBytes(), BuildDNetLeader("root").GetPendingBytes());
        QVERIFY(late->Quiet());
    }

    // Only file searches are answered here; every search goes down as it came.
    void SearchesOfOtherKindsArePassedOnUnanswered()
    {
        auto child = f->Child("kid");
        auto parent = f->Parent("dad");
        QCOMPARE(child->NextBytes(), SearchBytes("someone", 1, "first"));
        f->Reports();
        QSignalSpy searches(&Manager(), &DNetManager::DNetSearchRequest);
        const MemStream other = BuildMessage(uint8_t(DNetSearchCode), uint32_t(50), QString("opaque"), uint8_t(1));
        parent->Send(other);
        parent->Send(BuildDNetSearch("ann", 7, "blue train"));
        QCOMPARE(child->NextBytes(), other.GetPendingBytes());
        QCOMPARE(child->NextBytes(), SearchBytes("ann", 7, "blue train"));
        QCOMPARE(searches.count(), 1);
        QCOMPARE(searches.at(0), (QList<QVariant>{"ann", 7u, "blue train"}));

        // Relayed by the server: answered and passed on; a level changes nothing.
        f->FromServer(BuildMessage(uint32_t(SM_DNET_MESSAGE), uint8_t(DNetLevelCode), 4u));
        MemStream relayed = BuildMessage(uint32_t(SM_DNET_MESSAGE));
        relayed.WriteBuffer(SearchBytes("bob", 8, "moon").constData(), SearchBytes("bob", 8, "moon").size());
        f->FromServer(relayed);
        QCOMPARE(child->NextBytes(), SearchBytes("bob", 8, "moon"));
        QCOMPARE(searches.count(), 2);
        QVERIFY(!HasDNetValue(DNetLevel));
        QVERIFY(f->Reports().isEmpty());
    }

    // Both announce themselves; the first to pass a search is adopted with
    // what it announced, the other is closed, and so is one that comes late.
    void FirstSearchDecidesBetweenTwoCandidates()
    {
        auto child = f->Child("kid");
        auto alice = f->Candidate("alice");
        auto bob = f->Candidate("bob");
        alice->Send(BuildDNetLevel(2));
        alice->Send(BuildDNetLeader("top"));
        bob->Send(BuildDNetLevel(5));
        bob->Send(BuildDNetLeader("other"));
        QVERIFY(WaitUntil([] { return g("dnet_candidate_leader").Size() == 2; }));
        QVERIFY(f->Reports().isEmpty());
        QVERIFY(child->Quiet());

        bob->Send(BuildDNetSearch("ann", 3, "tune"));
        QCOMPARE(child->NextBytes(), BuildDNetLevel(6).GetPendingBytes());
        QCOMPARE(child->NextBytes(), BuildDNetLeader("other").GetPendingBytes());
        QCOMPARE(child->NextBytes(), SearchBytes("ann", 3, "tune"));
        QVERIFY(alice->WaitClosed());
        QCOMPARE(GetDNetValue(DNetParentUser), QString("bob"));
        QCOMPARE(Manager().CandidateCount(), size_t(0));
        QCOMPARE(f->Reports(),
                 (QStringList{Report(SM_DNET_LEVEL, 6u), Report(SM_DNET_GROUP_LEADER, QString("other")),
                              Report(SM_SEND_DISTRIBUTIONS, true)}));
        // The parent hears the depth below this client.
        QCOMPARE(bob->NextBytes(), BuildDNetChildDepth(0).GetPendingBytes());

        auto late = f->Candidate("late");
        QVERIFY(late->WaitClosed());
        bob->Send(BuildDNetSearch("ann", 4, "more"));
        QCOMPARE(child->NextBytes(), SearchBytes("ann", 4, "more"));
    }

    // Each user is tried once; a list that comes with a parent is not looked
    // at; when every attempt has ended without a parent the server hears so
    // again, for a new list.
    void PossibleParentsAreTriedOnce()
    {
        QSignalSpy requested(&Manager(), &DNetManager::RequestDNetConnection);
        Manager().OnDNetPossibleParents(
            {{"ann", {0x7f000001, 4000}}, {"", {1, 4001}}, {"bob", {0x7f000001, 0}}, {"cat", {0x7f000001, 4002}}});
        Manager().OnDNetPossibleParents({{"cat", {0x7f000001, 4002}}, {"dan", {0x7f000001, 4003}}});
        QCOMPARE(requested.count(), 3);
        QCOMPARE(requested.at(2).at(0).toString(), QString("dan"));
        QCOMPARE(User("ann").GetItem("user_address").AsUInt(), 0x7f000001u);
        QCOMPARE(User("ann").GetItem("user_port").AsInt(), 4000);

        for (const char* user : {"ann", "cat"})
            Manager().OnConnectionToUserFailed(user, "D");
        Manager().OnConnectionToUserFailed("dan", "P");
        QVERIFY(f->Reports().isEmpty());
        Manager().OnConnectionToUserFailed("dan", "D");
        QCOMPARE(f->Reports(), QStringList{Report(SM_SEND_DISTRIBUTIONS, false)});

        auto parent = f->Parent("eve");
        Manager().OnDNetPossibleParents({{"fay", {0x7f000001, 4004}}});
        QCOMPARE(requested.count(), 3);
    }

    // The depth below is one more than the deepest child's; the server and the
    // parent hear every change, also when children go.
    void ChildDepth()
    {
        auto parent = f->Parent("dad");
        QCOMPARE(parent->NextBytes(), BuildDNetChildDepth(0).GetPendingBytes());
        f->Reports();
        auto deep = f->Child("deep");
        auto flat = f->Child("flat");
        deep->Send(BuildDNetChildDepth(2));
        flat->Send(BuildDNetChildDepth(0));
        QCOMPARE(parent->NextBytes(), BuildDNetChildDepth(3).GetPendingBytes());
        QCOMPARE(GetDNetValue(DNetChildDepth), QString("3"));
        deep->Send(BuildDNetChildDepth(0));
        QCOMPARE(parent->NextBytes(), BuildDNetChildDepth(1).GetPendingBytes());
        QCOMPARE(f->Reports(), (QStringList{Report(SM_DNET_CHILD_DEPTH, true), Report(SM_DNET_CHILD_DEPTH, true)}));

        // A short depth is dropped without closing; children that go take their depth along.
        flat->SendBytes(FrameMessage(BuildMessage(uint8_t(DNetChildDepthCode), uint16_t(1))));
        deep.reset();
        flat.reset();
        QCOMPARE(parent->NextBytes(), BuildDNetChildDepth(0).GetPendingBytes());
        QCOMPARE(f->Reports(), QStringList{Report(SM_DNET_CHILD_DEPTH, false)});
        QVERIFY(!HasDNetValue(DNetChildDepth));
    }

    // Nothing is said before both parameters and the own speed are known;
    // after that only changes are, also those that children bring, and a
    // new session hears the answer again.
    void CanParent()
    {
        SetSetting("upload_speed", "102400");
        Manager().OnDNetParentMinSpeed(10);
        QVERIFY(f->Reports().isEmpty());
        Manager().OnDNetParentSpeedConnectionRatio(50);
        QCOMPARE(f->Reports(), QStringList{Report(SM_CAN_PARENT, true)}); // room for 20
        Manager().OnDNetParentSpeedConnectionRatio(0);
        SetSetting("upload_speed", "1000");
        QCOMPARE(f->Reports(), QStringList{Report(SM_CAN_PARENT, false)});

        SetSetting("upload_speed", "5120");
        Manager().OnDNetParentMinSpeed(1);
        Manager().OnDNetParentSpeedConnectionRatio(50);
        QCOMPARE(f->Reports(), QStringList{Report(SM_CAN_PARENT, true)}); // room for 1
        auto child = f->Child("kid");
        QCOMPARE(f->Reports(), QStringList{Report(SM_CAN_PARENT, false)});
        child.reset();
        QVERIFY(WaitUntil([&] { return Manager().ChildCount() == 0; }));
        QCOMPARE(f->Reports(), QStringList{Report(SM_CAN_PARENT, true)});
        Manager().OnConnected();
        QCOMPARE(f->Reports(), (QStringList{Report(SM_SEND_DISTRIBUTIONS, false), Report(SM_CAN_PARENT, true)}));
    }

    // A frame longer than the longest message closes the connection; the
    // longest search is taken. Malformed and unasked-for messages close theirs.
    void BoundsAndMalformedMessages()
    {
        auto huge = f->Candidate("huge");
        huge->SendBytes(Bytes(MaxDNetFrameLength + 1) + QByteArray(1000, 'x'));
        QVERIFY(huge->WaitClosed());
        auto cut = f->Candidate("cut");
        cut->Send(BuildMessage(uint8_t(DNetLevelCode), uint16_t(1)));
        QVERIFY(cut->WaitClosed());
        auto empty = f->Child("empty");
        empty->SendBytes(Bytes(0u));
        QVERIFY(empty->WaitClosed());
        QCOMPARE(Manager().CandidateCount() + Manager().ChildCount(), size_t(0));

        auto longest = f->Candidate("longest");
        const QString name(int(MaxWireStringLength), 'u');
        const QString query(int(MaxWireStringLength), 'q');
        QCOMPARE(uint32_t(BuildDNetSearch(name, 1, query).GetLength()), MaxDNetFrameLength);
        QSignalSpy searches(&Manager(), &DNetManager::DNetSearchRequest);
        longest->Send(BuildDNetSearch(name, 1, query));
        QVERIFY(WaitUntil([&] { return HasDNetValue(DNetParentUser); }));
        QCOMPARE(searches.count(), 1);

        MemStream level = BuildDNetLevel(1);
        QTcpServer listener;
        listener.listen(QHostAddress::LocalHost, 0);
        SocketPair unknown = ConnectPair(listener);
        Manager().HandleMessage(unknown.near, level);
        QVERIFY(unknown.far->WaitClosed());
        longest->Send(BuildMessage(uint8_t(DNetSearchCode), DNetFileSearchKind, QString("cut short")));
        QVERIFY(longest->WaitClosed());
        QVERIFY(!HasDNetValue(DNetParentUser));
    }

    // A child that reads nothing is dropped once too much waits for it; the
    // other child gets every search meanwhile.
    void SlowChildIsDroppedWithoutHoldingUpTheOthers()
    {
        auto fast = f->Child("fast");
        auto slow = f->Child("slow");
        slow->Socket().setReadBufferSize(1024);
        auto parent = f->Parent("dad");
        QCOMPARE(fast->NextBytes(), SearchBytes("someone", 1, "first"));
        const QString query(60 * 1000, 'z');
        const int count = 160; // several times what the socket buffers and the bound hold
        for (int n = 0; n < count; ++n)
            parent->Send(BuildDNetSearch("ann", uint32_t(n), query));
        for (int n = 0; n < count; ++n)
            QCOMPARE(fast->NextBytes(), SearchBytes("ann", uint32_t(n), query));
        QVERIFY(slow->WaitClosed());
        QCOMPARE(Manager().ChildCount(), size_t(1));
    }

    // A possible parent that says nothing for a minute is closed, and so is
    // a parent that passes no search for a minute: the server and the
    // children learn of it.
    void SilentConnectionsAreClosed()
    {
        auto quiet = f->Candidate("quiet");
        Manager().ExpireSilentConnections(Later(30 * 1000));
        QVERIFY(quiet->Quiet());
        Manager().ExpireSilentConnections(Later(61 * 1000));
        QVERIFY(quiet->WaitClosed());
        QCOMPARE(f->Reports(), QStringList{Report(SM_SEND_DISTRIBUTIONS, false)});

        auto child = f->Child("kid");
        auto parent = f->Parent("dad");
        parent->Send(BuildDNetLevel(3));
        QVERIFY(WaitUntil([] { return HasDNetValue(DNetLevel); }));
        f->Reports();
        Manager().ExpireSilentConnections(Later(61 * 1000));
        QVERIFY(parent->WaitClosed());
        QCOMPARE(f->Reports(),
                 (QStringList{Report(SM_SEND_DISTRIBUTIONS, false), Report(SM_DNET_GROUP_LEADER, QString()),
                              Report(SM_DNET_LEVEL, DNetUnknownLevel)}));
        QCOMPARE(child->NextBytes(), SearchBytes("someone", 1, "first"));
        QCOMPARE(child->NextBytes(), BuildDNetLevel(4).GetPendingBytes());
        QCOMPARE(child->NextBytes(), BuildDNetLevel(DNetUnknownLevel).GetPendingBytes());
        QVERIFY(!HasDNetValue(DNetParentUser) && !HasDNetValue(DNetParentSocket));
    }

    // A second connection from a child takes over, the first stays open for
    // a while: should the second close, the first serves the child again.
    void SecondConnectionFromAChild()
    {
        auto parent = f->Parent("dad");
        auto first = f->Child("kid");
        first->Send(BuildDNetChildDepth(4));
        QVERIFY(WaitUntil([] { return HasDNetValue(DNetChildDepth); }));
        auto second = f->Child("kid");
        parent->Send(BuildDNetSearch("ann", 2, "one"));
        QCOMPARE(second->NextBytes(), SearchBytes("ann", 2, "one"));
        QVERIFY(first->Quiet());
        const Value secondSocket = g("dnet_child").First().GetValue();
        second.reset();
        QVERIFY(WaitUntil([&] { return g("dnet_child").First().GetValue() != secondSocket; }));
        QCOMPARE(Manager().ChildCount(), size_t(1));
        parent->Send(BuildDNetSearch("ann", 3, "two"));
        QCOMPARE(first->NextBytes(), SearchBytes("ann", 3, "two"));
        QCOMPARE(GetDNetValue(DNetChildDepth), QString("5"));

        auto third = f->Child("kid");
        Manager().ExpireSilentConnections(Later(DNetManager::SupersededChildGraceMs + 1000));
        QVERIFY(first->WaitClosed());
        QCOMPARE(Manager().ChildCount(), size_t(1));
        parent->Send(BuildDNetSearch("ann", 4, "three"));
        QCOMPARE(third->NextBytes(), SearchBytes("ann", 4, "three"));
    }
};

QTEST_GUILESS_MAIN(TestManager)
#include "tst_manager.moc"
