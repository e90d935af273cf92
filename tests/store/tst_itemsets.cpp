#include "store/Data.h"

#include <QtTest>

#include <algorithm>
#include <vector>

namespace {

std::vector<ItemPtr> Members(const ItemSet& set)
{
    return std::vector<ItemPtr>(set.begin(), set.end());
}

QStringList Values(const std::list<ItemPtr>& items)
{
    QStringList values;
    for (ItemPtr item : items)
        values << item.AsString();
    return values;
}

std::vector<ItemPtr> ByAddress(std::vector<ItemPtr> items)
{
    std::sort(items.begin(), items.end());
    return items;
}

} // namespace

class TestItemSets : public QObject
{
    Q_OBJECT

private:
    Type* user = nullptr;
    Type* room = nullptr;
    Type* file = nullptr;
    Type* fileSize = nullptr;

private slots:
    void init()
    {
        d.Clear();
        user = d.NewType("user", Primary, false, true);
        room = d.NewType("room", Primary, false, true);
        file = d.NewType("file", Secondary, false, true);
        fileSize = d.NewType("file_size", Tertiary, false, true);
        user->RelateToType(room, Many, Many, false);
        file->RelateToType(fileSize, Many, One, false);
        user->RelateToType(file, Many, Many, false);
    }

    void cleanupTestCase() { d.Clear(); }

    void growsFromInlineToOrderedAndBackWithDeepCopies()
    {
        ItemPtr a = user->GetItem("a");
        ItemPtr b = user->GetItem("b");
        ItemPtr c = user->GetItem("c");
        ItemSet set;
        QVERIFY(set.Empty() && set.Begin() == set.End());
        set.Insert(a);
        set.Insert(a);
        set.Insert(ItemPtr());
        QCOMPARE(Members(set), std::vector<ItemPtr>({a}));
        set.Insert(c);
        set.Insert(b);
        QCOMPARE(Members(set), ByAddress({a, b, c}));
        QCOMPARE(*set.Find(b), b);

        ItemSet copy = set;
        copy.Erase(a);
        copy.Erase(c);
        QCOMPARE(Members(copy), std::vector<ItemPtr>({b}));
        QVERIFY(copy.Find(a) == copy.End());
        QCOMPARE(set.Size(), std::size_t(3));
        ItemSet moved = std::move(copy);
        QVERIFY(copy.Empty());
        moved.Erase(b);
        QVERIFY(moved.Empty());
    }

    void emptySetGivesANullHandleThatAnswersEmpty()
    {
        const ItemPtr none = ItemSet();
        QVERIFY(none.IsNull() && none.GetType() == nullptr);
        QCOMPARE(none.AsInt(), 0);
        QCOMPARE(none.AsUInt64(), 0ULL);
        QVERIFY(none.AsString().isEmpty() && none.AsStdString().empty());
        QVERIFY(none["room"].IsNull());
        QVERIFY(none.GetItems("room").Empty());
        QVERIFY(!none.IsConnected("room") && none.IsDisconnectedFromAll());
        QVERIFY(none.NewItem("room").IsNull());
        ItemPtr lounge = room->GetItem("lounge");
        QCOMPARE(none.Connect(lounge), lounge);
        QVERIFY(lounge.IsDisconnectedFromAll());
        none.Remove();
        ItemSet two{user->GetItem("x"), user->GetItem("y")};
        QCOMPARE(ItemPtr(two), std::min(user->GetItem("x"), user->GetItem("y")));
    }

    void algebra()
    {
        ItemPtr a = user->GetItem("a");
        ItemPtr b = user->GetItem("b");
        ItemPtr c = user->GetItem("c");
        ItemSet ab{a, b};
        ItemSet bc{b, c};
        QCOMPARE(Members(ab + bc), ByAddress({a, b, c}));
        QCOMPARE(Members(ab.Common(bc)), std::vector<ItemPtr>({b}));
        QVERIFY(ab.Common(ItemSet()).Empty());
        ItemSet sum;
        sum.Add(ab);
        sum.Add(bc);
        QCOMPARE(sum, ab + bc);
        sum.Clear();
        QVERIFY(sum.Empty());
    }

    void connectionFilters()
    {
        ItemPtr a = user->GetItem("a");
        ItemPtr b = user->GetItem("b");
        ItemPtr c = user->GetItem("c");
        ItemPtr lounge = room->GetItem("lounge");
        ItemPtr hall = room->GetItem("hall");
        a += lounge;
        b += hall;
        const ItemSet users = g("user");

        QCOMPARE(Members(users.Connected(lounge)), std::vector<ItemPtr>({a}));
        QCOMPARE(Members(users.NotConnected(lounge)), ByAddress({b, c}));
        QCOMPARE(Members(users.Connected(ItemSet{lounge, hall})), ByAddress({a, b}));
        QCOMPARE(Members(users.NotConnected(ItemSet{lounge, hall})), std::vector<ItemPtr>({c}));
        QCOMPARE(Members(users.Connected("room")), ByAddress({a, b}));
        QCOMPARE(Members(users.NotConnected("room")), std::vector<ItemPtr>({c}));
        QCOMPARE(Members(users.Connected("room", "hall")), std::vector<ItemPtr>({b}));
        QCOMPARE(Members(users.NotConnected("room", "hall")), ByAddress({a, c}));
        // An absent item is connected to nothing, and is never created.
        QVERIFY(users.Connected("room", "attic").Empty());
        QCOMPARE(users.NotConnected("room", "attic"), users);
        QVERIFY(room->HasItem("attic").IsNull());
        QVERIFY(i("room", "attic").Empty());
        QCOMPARE(ItemPtr(i("room", "hall")), hall);
    }

    void stepsUniteTheConnectedItems()
    {
        ItemPtr a = user->GetItem("a");
        ItemPtr b = user->GetItem("b");
        ItemPtr lounge = room->GetItem("lounge");
        ItemPtr hall = room->GetItem("hall");
        a += lounge;
        b += lounge;
        b += hall;
        QCOMPARE(Members(ItemSet{a, b}.GetItems("room")), ByAddress({lounge, hall}));
        QCOMPARE(d.GetItems(g("user"), "room"), (ItemSet{lounge, hall}));
        QCOMPARE(a.GetItems("room"), ItemSet(lounge));
        try {
            g("user").GetItems("file_size");
            QFAIL("stepped to an unrelated type");
        } catch (NotRelatedException* e) {
            delete e;
        }
    }

    void subsetIsTheIntersection()
    {
        ItemPtr a = user->GetItem("a");
        ItemPtr b = user->GetItem("b");
        ItemPtr c = user->GetItem("c");
        std::vector<ItemPtr> rooms;
        for (int n = 0; n < 6; ++n)
            rooms.push_back(a += room->GetItem(n));
        for (int n : {1, 4, 5})
            b += rooms[n];
        for (int n : {4, 5, 0})
            c += rooms[n];

        QCOMPARE(Members(d.GetItemSubset(ItemSet{a, b, c}, "room")), ByAddress({rooms[4], rooms[5]}));
        QCOMPARE(Members(d.GetItems(a, b, "room")), ByAddress({rooms[1], rooms[4], rooms[5]}));
        QCOMPARE(d.GetItem(a, c, "room"), std::min({rooms[0], rooms[4], rooms[5]}));
        QVERIFY(d.GetItemSubset(ItemSet(), "room").Empty());

        ItemPtr loner = user->GetItem("loner");
        QVERIFY(d.GetItem(a, loner, "room").IsNull());
        QVERIFY(d.GetItemSubset(ItemSet{a, b, loner}, "room").Empty());
        ItemPtr d1 = user->GetItem("d1");
        d1 += rooms[2];
        QVERIFY(d.GetItem(b, d1, "room").IsNull());
        QVERIFY(d.GetItem(ItemPtr(), a, "room").IsNull());
        QVERIFY(d.GetItem(ItemSet{b, c}, "room") != ItemPtr());
    }

    void bulkChangesSkipMembersThatHandlersRemove()
    {
        // Changing the first member makes a handler remove the second and
        // create a replacement, which may take the freed address: the
        // replacement must stay untouched by the rest of the bulk change.
        struct Replacer : DataHandler
        {
            Type* user = nullptr;
            Type* room = nullptr;
            ItemPtr first;
            ItemPtr victim;
            void Replace(Item* changed)
            {
                if (changed != first.Get() || !victim)
                    return;
                victim.Remove();
                victim = ItemPtr();
                user->GetItem("replacement") += room->GetItem("kept");
            }
            void OnRemoved(ItemPtr item) { Replace(item.Get()); }
            void OnDisconnected(ConnectionInfo info) { Replace(info.from); }
        } replacer;
        replacer.user = user;
        replacer.room = room;
        user->itemRemoved.Add(
            replacer.AddDataHandler(new EventHandler<Replacer, ItemPtr>(&replacer, &Replacer::OnRemoved)));
        user->itemDisconnected.Add(
            replacer.AddDataHandler(new EventHandler<Replacer, ConnectionInfo>(&replacer, &Replacer::OnDisconnected)));

        for (bool removing : {true, false}) {
            ItemPtr a = user->GetItem("a");
            ItemPtr b = user->GetItem("b");
            a += room->GetItem("lounge");
            b += room->GetItem("lounge");
            replacer.first = std::min(a, b);
            replacer.victim = std::max(a, b);
            if (removing)
                ItemSet{a, b}.Remove();
            else
                ItemSet{a, b}.Disconnect("room");
            QVERIFY2(user->HasItem("replacement").IsConnected(room->HasItem("kept")),
                     removing ? "removing" : "disconnecting");
            QCOMPARE(user->ItemCount(), std::size_t(removing ? 1 : 2));
            QVERIFY(removing || replacer.first.IsDisconnectedFromAll());
            user->HasItem("replacement").Remove();
            if (!removing)
                replacer.first.Remove();
        }
    }

    void alphabeticSortIsCaseSensitiveByCodeUnit()
    {
        ItemSet set{user->GetItem("b"), user->GetItem("A"), user->GetItem("a")};
        QCOMPARE(Values(set.SortAlphabetic(true)), QStringList({"A", "a", "b"}));
        QCOMPARE(Values(set.SortAlphabetic(false)), QStringList({"b", "a", "A"}));
    }

    void caseInsensitiveSortGroupsInAddressOrder()
    {
        std::vector<ItemPtr> files;
        ItemSet set;
        for (const char* name : {"one", "two", "three"}) {
            ItemPtr f = file->GetItem(name);
            files.push_back(f);
            set.Insert(f);
        }
        user->GetItem("b") += files[0];
        user->GetItem("A") += files[1];
        user->GetItem("a") += files[2];
        ItemPtr firstOfGroup = std::min(files[1], files[2]);
        ItemPtr secondOfGroup = std::max(files[1], files[2]);

        const std::list<ItemPtr> ascending = set.SortAlphabeticBy("user", true, false);
        QCOMPARE(std::vector<ItemPtr>(ascending.begin(), ascending.end()),
                 std::vector<ItemPtr>({firstOfGroup, secondOfGroup, files[0]}));
        const std::list<ItemPtr> descending = set.SortAlphabeticBy("user", false, false);
        QCOMPARE(std::vector<ItemPtr>(descending.rbegin(), descending.rend()),
                 std::vector<ItemPtr>(ascending.begin(), ascending.end()));
        const std::list<ItemPtr> sensitive = set.SortAlphabeticBy("user", true, true);
        QCOMPARE(std::vector<ItemPtr>(sensitive.begin(), sensitive.end()),
                 std::vector<ItemPtr>({files[1], files[2], files[0]}));
    }

    void numericSortTreatsTextAsZero()
    {
        ItemSet set;
        for (const char* value : {"10", "x", "2", "-3", "9", "0"})
            set.Insert(user->GetItem(value));
        const QStringList ascending = Values(set.SortNumeric(true));
        QCOMPARE(ascending.size(), 6);
        QCOMPARE(ascending.first(), QString("-3"));
        QCOMPARE(ascending.mid(3), QStringList({"2", "9", "10"}));
        // "x" and "0" share the key 0, in address order.
        const ItemPtr x = user->HasItem("x");
        const ItemPtr zero = user->HasItem("0");
        QCOMPARE(ascending.mid(1, 2), x < zero ? QStringList({"x", "0"}) : QStringList({"0", "x"}));
        QStringList descending = Values(set.SortNumeric(false));
        std::reverse(descending.begin(), descending.end());
        QCOMPARE(descending, ascending);
    }

    void numericSortByLeavesOutMembersWithoutTheType()
    {
        ItemPtr big = file->GetItem("big");
        ItemPtr small = file->GetItem("small");
        ItemPtr unknown = file->GetItem("unknown");
        big += fileSize->GetItem("5000000000");
        small += fileSize->GetItem("12");
        const std::list<ItemPtr> sorted = ItemSet{big, small, unknown}.SortNumericBy("file_size", true);
        QCOMPARE(std::vector<ItemPtr>(sorted.begin(), sorted.end()), std::vector<ItemPtr>({small, big}));
        const std::list<ItemPtr> reversed = ItemSet{big, small, unknown}.SortNumericBy("file_size", false);
        QCOMPARE(std::vector<ItemPtr>(reversed.begin(), reversed.end()), std::vector<ItemPtr>({big, small}));
    }

    void connectionsAreKeptOneSetPerTypeInTypeOrder()
    {
        ItemPtr a = user->GetItem("a");
        a += room->GetItem("r");
        a += file->GetItem("f");
        TypeItemsMap connections;
        a.GetConnectedItems(connections);
        QCOMPARE(connections.Size(), std::size_t(2));
        QVERIFY(std::less<Type*>()(connections.begin()->GetType(), std::next(connections.begin())->GetType()));
        QCOMPARE(*connections.Find(room), ItemSet(room->GetItem("r")));
        connections.Erase(room);
        QVERIFY(connections.Find(room) == nullptr);
        QCOMPARE(connections[file], ItemSet(file->GetItem("f")));
    }
};

QTEST_GUILESS_MAIN(TestItemSets)
#include "tst_itemsets.moc"
