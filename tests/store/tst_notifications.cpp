#include "Recorder.h"
#include "store/Data.h"

#include <QtTest>

#include <memory>

namespace {

// Counts its calls; when told to, destroys another handler's owner and then
// changes the store, which notifies the same event again from inside.
class Meddler : public DataHandler
{
public:
    int calls = 0;
    std::unique_ptr<Meddler>* victim = nullptr;
    ItemPtr from;
    ItemPtr to;

    void OnCreated(ItemPtr)
    {
        ++calls;
        if (victim && *victim) {
            victim->reset();
            if (from && to)
                from += to;
        }
    }
};

} // namespace

class TestNotifications : public QObject
{
    Q_OBJECT

private:
    Type* user = nullptr;
    Type* room = nullptr;
    Type* isOnline = nullptr;
    Type* isIgnored = nullptr;
    Type* global = nullptr;
    Type* globalValue = nullptr;

private slots:
    void init()
    {
        d.Clear();
        user = d.NewType("user", Primary, false, true);
        room = d.NewType("room", Primary, false, true);
        isOnline = d.NewType("is_online", Tertiary, true, false);
        isIgnored = d.NewType("is_ignored", Tertiary, true, false);
        global = d.NewType("global", Primary, false, true);
        globalValue = d.NewType("global_value", Tertiary, false, true);
        user->RelateToType(room, Many, Many, false);
        user->RelateToType(isOnline, Many, One, false);
        user->RelateToType(isIgnored, Many, One, false);
        global->RelateToType(globalValue, Many, One, false);
    }

    void cleanupTestCase() { d.Clear(); }

    void handlersAddedDuringANotificationWaitForTheNextOne()
    {
        struct Adder : DataHandler
        {
            int calls = 0;
            int addedCalls = 0;
            void OnCreated(ItemPtr)
            {
                if (calls++ == 0)
                    d.itemCreated.Add(AddDataHandler(new EventHandler<Adder, ItemPtr>(this, &Adder::OnAdded)));
            }
            void OnAdded(ItemPtr) { ++addedCalls; }
        } adder;
        d.itemCreated.Add(adder.AddDataHandler(new EventHandler<Adder, ItemPtr>(&adder, &Adder::OnCreated)));
        user->GetItem("a");
        QCOMPARE(adder.addedCalls, 0);
        user->GetItem("b");
        QCOMPARE(adder.addedCalls, 1);
    }

    void aFlaggedHandlerOutlivesTheOuterSnapshot()
    {
        // The first handler destroys the other's owner and, from inside,
        // creates an item: the inner notification meets the flagged handler
        // while the outer one still holds it.
        auto first = std::make_unique<Meddler>();
        auto second = std::make_unique<Meddler>();
        Meddler* firstRaw = first.get();
        Meddler* secondRaw = second.get();
        struct Creator : DataHandler
        {
            bool done = false;
            void OnConnected(ConnectionInfo&)
            {
                if (!done) {
                    done = true;
                    room->GetItem("created inside");
                }
            }
            Type* room = nullptr;
        } creator;
        creator.room = room;
        d.AddConnectionEventHandler(
            user, room,
            creator.AddDataHandler(new EventHandler<Creator, ConnectionInfo&>(&creator, &Creator::OnConnected)));
        for (Meddler* meddler : {firstRaw, secondRaw}) {
            meddler->from = user->GetItem("u");
            meddler->to = room->GetItem("r");
        }
        first->victim = &second;
        second->victim = &first;
        d.itemCreated.Add(first->AddDataHandler(new EventHandler<Meddler, ItemPtr>(firstRaw, &Meddler::OnCreated)));
        d.itemCreated.Add(second->AddDataHandler(new EventHandler<Meddler, ItemPtr>(secondRaw, &Meddler::OnCreated)));

        user->GetItem("trigger");

        QVERIFY(creator.done);
        QVERIFY(!first != !second);
        QCOMPARE((first ? first : second)->calls, 2);
        user->GetItem("after");
        QCOMPARE((first ? first : second)->calls, 3);
    }

    void pairHandlersSeeTheirFirstTypeAsFrom()
    {
        QStringList log;
        Recorder recorder(&log);
        recorder.ListenToPair(d, user, room);
        ItemPtr alice = user->GetItem("alice");
        ItemPtr lounge = room->GetItem("lounge");
        alice += lounge;
        alice -= lounge;
        lounge += alice;
        lounge -= alice;
        QCOMPARE(log,
                 QStringList({"pair connected alice lounge", "pair disconnected alice lounge",
                              "pair connected alice lounge", "pair disconnected alice lounge"}));
    }

    void destroyedHandlerOwnersAreNeverCalled()
    {
        QStringList log;
        auto view = std::make_unique<Recorder>(&log, "gone");
        view->ListenToStore(d);
        view->ListenToType(user);
        view->ListenToPair(d, user, room);
        view->ListenToPath(d, new PathNode(new PathNode(&d, "user"), "room", PathOnConnect));
        Recorder live(&log, "live");
        live.ListenToPath(d, new PathNode(new PathNode(&d, "user"), "room", PathOnConnect));
        view.reset();
        ItemPtr alice = user->GetItem("alice");
        alice += room->GetItem("lounge");
        alice += room->GetItem("hall");
        alice.Remove();
        QCOMPARE(log, QStringList({"live path alice", "live path alice"}));
    }

    void valuePathFiresOnEachNewValueOnly()
    {
        QStringList log;
        Recorder recorder(&log);
        ItemPtr username = global->GetItem("username");
        ItemPtr other = global->GetItem("other");
        recorder.ListenToPath(d, new PathNode(new PathNode(username), "global_value", PathOnConnect));

        username += globalValue->GetItem("first");
        username += globalValue->GetItem("second");
        // Connecting from the value's side is the same change.
        globalValue->GetItem("third") += username;
        other += globalValue->GetItem("elsewhere");
        username -= globalValue->GetItem("third");
        QCOMPARE(log, QStringList({"path username", "path username", "path username"}));
    }

    void negatedPathFiresOnDisconnectionWithTheRoot()
    {
        QStringList log;
        Recorder recorder(&log);
        recorder.ListenToPath(d, new PathNode(new PathNode(&d, "user"), "is_online", PathOnDisconnect));
        ItemPtr alice = user->GetItem("alice");
        ItemPtr bob = user->GetItem("bob");
        alice.NewItem("is_online");
        bob.NewItem("is_online");
        QVERIFY(log.isEmpty());
        bob.Disconnect("is_online");
        QCOMPARE(log, QStringList({"path bob"}));
    }

    void branchedPathChecksItsConditions()
    {
        QStringList log;
        Recorder recorder(&log);
        PathNode* root = new PathNode(&d, "user");
        new PathNode(root, "room", PathIfConnected);
        new PathNode(root, "is_ignored", PathIfNotConnected);
        recorder.ListenToPath(d, new PathNode(root, "is_online", PathOnConnect));
        ItemPtr alice = user->GetItem("alice");
        ItemPtr bob = user->GetItem("bob");
        ItemPtr carol = user->GetItem("carol");
        alice += room->GetItem("lounge");
        bob += room->GetItem("lounge");
        bob.NewItem("is_ignored");

        carol.NewItem("is_online"); // in no room
        bob.NewItem("is_online");   // ignored
        alice.NewItem("is_online");
        // Condition steps never fire by themselves.
        carol += room->GetItem("lounge");
        bob.Disconnect("is_ignored");
        QCOMPARE(log, QStringList({"path alice"}));
    }

    void deepPathReportsTheRootItem()
    {
        QStringList log;
        Recorder recorder(&log);
        PathNode* root = new PathNode(&d, "room");
        PathNode* member = new PathNode(root, "user", PathIfConnected);
        recorder.ListenToPath(d, new PathNode(member, "is_online", PathOnConnect));
        ItemPtr alice = user->GetItem("alice");
        alice += room->GetItem("lounge");
        alice += room->GetItem("hall");
        alice.NewItem("is_online");
        // One change, one call, with the first matching root.
        QCOMPARE(log,
                 QStringList(
                     {QString("path ") + ItemPtr(ItemSet{room->GetItem("lounge"), room->GetItem("hall")}).AsString()}));
        user->GetItem("bob").NewItem("is_online");
        QCOMPARE(log.size(), 1);
    }

    void exclusiveStepFiresOnlyOnItsOwnEdges()
    {
        QStringList log;
        Recorder exclusive(&log, "exclusive");
        Recorder shared(&log, "shared");
        {
            PathNode* root = new PathNode(&d, "room");
            PathNode* member = new PathNode(root, "user", PathOnConnectExclusive);
            exclusive.ListenToPath(d, new PathNode(member, "is_online", PathOnConnect));
        }
        {
            PathNode* root = new PathNode(&d, "room");
            PathNode* member = new PathNode(root, "user", PathOnConnect);
            shared.ListenToPath(d, new PathNode(member, "is_online", PathOnConnect));
        }
        ItemPtr alice = user->GetItem("alice");
        ItemPtr lounge = room->GetItem("lounge");
        alice += lounge;
        QVERIFY(log.isEmpty()); // not online yet
        alice.NewItem("is_online");
        QCOMPARE(log, QStringList({"shared path lounge"}));
        log.clear();
        ItemPtr hall = room->GetItem("hall");
        alice += hall;
        QCOMPARE(log.size(), 2);
        QVERIFY(log.contains("exclusive path hall"));
        QVERIFY(log.contains("shared path hall"));
    }

    void exclusiveDisconnectionStep()
    {
        QStringList log;
        Recorder recorder(&log);
        PathNode* root = new PathNode(&d, "room");
        PathNode* member = new PathNode(root, "user", PathOnDisconnectExclusive);
        new PathNode(member, "is_online", PathIfConnected);
        recorder.ListenToPath(d, member);
        ItemPtr alice = user->GetItem("alice");
        ItemPtr lounge = room->GetItem("lounge");
        alice += lounge;
        alice.NewItem("is_online");
        alice.Disconnect("is_online");
        alice.NewItem("is_online");
        QVERIFY(log.isEmpty());
        alice -= lounge;
        QCOMPARE(log, QStringList({"path lounge"}));
    }

    void collectionKeepsWhatAPrimaryItemReaches()
    {
        Type* entry = d.NewType("entry", Secondary, false, true);
        Type* part = d.NewType("part", Secondary, false, true);
        Type* tag = d.NewType("tag", Tertiary, false, true);
        entry->RelateToType(part, Many, Many, false);
        user->RelateToType(entry, Many, Many, false);
        tag->RelateToType(tag, Many, Many, false);
        user->RelateToType(tag, Many, Many, false);
        tag->RelateToType(part, Many, Many, false);
        // Secondary items live through a chain from a primary item.
        ItemPtr held = entry->GetItem("held");
        ItemPtr heldPart = part->GetItem("held part");
        held += heldPart;
        user->GetItem("alice") += held;
        entry->GetItem("loose") += part->GetItem("loose part");
        // Tertiary items live while connected to a living item and pass nothing on.
        ItemPtr kept = tag->GetItem("kept");
        user->GetItem("alice") += kept;
        kept += tag->GetItem("behind");
        kept += part->GetItem("behind tag");
        tag->GetItem("pair one") += tag->GetItem("pair two");
        isOnline->NewItem();

        d.RemoveDisconnectedItems();

        QCOMPARE(entry->GetItems(), ItemSet(held));
        QCOMPARE(part->GetItems(), ItemSet(heldPart));
        QCOMPARE(tag->GetItems(), ItemSet(kept));
        QVERIFY(isOnline->GetItems().Empty());
        QCOMPARE(user->ItemCount(), std::size_t(1));
    }

    void itemsMissingAnOwnerGoFirst()
    {
        Type* download = d.NewType("download_entry", Primary, true, false);
        Type* target = d.NewType("target", Tertiary, false, true);
        user->RelateToType(download, One, Many, true);
        download->RelateToType(target, Many, One, false);
        QStringList log;
        Recorder recorder(&log);
        recorder.ListenToType(user);
        d.itemRemoved.Add(
            recorder.AddDataHandler(new EventHandler<Recorder, ItemPtr>(&recorder, &Recorder::OnRemoved)));

        ItemPtr owned = user->GetItem("alice").NewItem("download_entry");
        owned += target->GetItem("kept.mp3");
        ItemPtr orphan = download->NewItem();
        orphan += target->GetItem("lost.mp3");

        d.RemoveDisconnectedItems();

        QCOMPARE(download->GetItems(), ItemSet(owned));
        QCOMPARE(target->ItemCount(), std::size_t(1));
        QVERIFY(log.contains("removed  connected"));
        QVERIFY(log.contains("removed lost.mp3 alone"));
    }

    void longChainsAndRemovalsByHandlersAreSafe()
    {
        Type* link = d.NewType("link", Secondary, false, true);
        link->RelateToType(link, Many, Many, false);
        user->RelateToType(link, Many, Many, false);
        const int length = 100000;
        ItemPtr previous = user->GetItem("head");
        for (int n = 0; n < length; ++n) {
            ItemPtr next = link->GetItem(n);
            previous += next;
            previous = next;
        }
        // A detached ring whose removals make a handler remove other members.
        std::vector<ItemPtr> ring;
        for (int n = 0; n < 50; ++n)
            ring.push_back(link->GetItem(QString("ring %1").arg(n)));
        for (int n = 0; n < 50; ++n)
            ring[n] += ring[(n + 1) % 50];
        struct Cascade : DataHandler
        {
            Type* link = nullptr;
            // Removing ring member n takes member n + 25 with it.
            void OnRemoved(ItemPtr item)
            {
                const QString name = item.AsString();
                if (name.startsWith("ring "))
                    link->HasItem(QString("ring %1").arg((name.mid(5).toInt() + 25) % 50)).Remove();
            }
        } cascade;
        cascade.link = link;
        link->itemRemoved.Add(
            cascade.AddDataHandler(new EventHandler<Cascade, ItemPtr>(&cascade, &Cascade::OnRemoved)));

        d.RemoveDisconnectedItems();

        QCOMPARE(link->ItemCount(), std::size_t(length));
    }
};

QTEST_GUILESS_MAIN(TestNotifications)
#include "tst_notifications.moc"
