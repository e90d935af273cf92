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

    void growsFromInlineToOrderedAndBack()
    {
        ItemPtr a = user->GetItem("a");
        ItemPtr b = user->GetItem("b");
        ItemPtr c = user->GetItem("c");
        ItemSet set;
        QVERIFY(set.Empty());
        QCOMPARE(set.Begin(), set.End());
        set.Insert(a);
        set.Insert(a);
        set.Insert(ItemPtr());
        QCOMPARE(set.Size(), std::size_t(1));
        QCOMPARE(Members(set), std::vector<ItemPtr>({a}));
        set.Insert(c);
        set.Insert(b);
        QCOMPARE(set.Size(), std::size_t(3));
        QCOMPARE(Members(set), ByAddress({a, b, c}));
        QVERIFY(set.Find(b) != set.End());
        QCOMPARE(*set.Find(b), b);
        set.Erase(a);
        set.Erase(c);
        QCOMPARE(Members(set), std::vector<ItemPtr>({b}));
        QVERIFY(set.Find(a) == set.End());
        set.Erase(b);
        QVERIFY(set.Empty());
    }

    void copiesAreDeep()
    {
        ItemSet original{user->GetItem("a"), user->GetItem("b")};
        ItemSet copy = original;
        copy.Insert(user->GetItem("c"));
        copy.Erase(user->GetItem("a"));
        QCOMPARE(original.Size(), std::size_t(2));
        QVERIFY(original.Contains(user->GetItem("a")));
        ItemSet moved = std::move(copy);
        QCOMPARE(moved.Size(), std::size_t(2));
        QVERIFY(copy.Empty());
    }

    void emptySetGivesANullHandle()
    {
        const ItemPtr none = ItemSet();
        QVERIFY(none.IsNull());
        QVERIFY(none["room"].IsNull());
        QCOMPARE(none.AsInt(), 0);
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
        bool threw = false;
        try {
            g("user").GetItems("file_size");
        } catch (NotRelatedException* e) {
            delete e;
            threw = true;
        }
        QVERIFY(threw);
    }

    void subsetIsTheIntersection()
    {
        ItemPtr a = user->GetItem("a");
        ItemPtr b = user->GetItem("b");
        ItemPtr c = user->GetItem("c");
        std::vector<ItemPtr> rooms;
        for (int n = 0; n < 6; ++n)
            rooms.push_back(room->GetItem(n));
        for (int n = 0; n < 6; ++n)
            a += rooms[n];
        b += rooms[1];
        b += rooms[4];
        b += rooms[5];
        c += rooms[4];
        c += rooms[5];
        c += rooms[0];

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

    void bulkChanges()
    {
        ItemPtr a = user->GetItem("a");
        ItemPtr b = user->GetItem("b");
        ItemPtr lounge = room->GetItem("lounge");
        a += lounge;
        b += lounge;
        b += room->GetItem("hall");
        ItemSet{a, b}.Disconnect("room");
        QVERIFY(a.IsDisconnectedFromAll() && b.IsDisconnectedFromAll());

        g("room").Remove();
        QCOMPARE(room->ItemCount(), std::size_t(0));
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

    void typeItemsMapKeepsOneSetPerType()
    {
        TypeItemsMap map;
        QVERIFY(map.Find(room) == nullptr);
        map[room].Insert(room->GetItem("r"));
        map[user];
        QCOMPARE(map.Size(), std::size_t(2));
        QCOMPARE(map.Find(room)->Size(), std::size_t(1));
        Type* previous = nullptr;
        for (const TypeItemsMap::Entry& entry : map) {
            QVERIFY(previous == nullptr || std::less<Type*>()(previous, entry.GetType()));
            previous = entry.GetType();
        }
        map.Erase(user);
        QVERIFY(map.Find(user) == nullptr);

        ItemPtr a = user->GetItem("a");
        a += room->GetItem("r");
        TypeItemsMap connections;
        a.GetConnectedItems(connections);
        QCOMPARE(connections.Size(), std::size_t(1));
        QCOMPARE(connections.begin()->GetType(), room);
        QCOMPARE(connections.begin()->Set(), ItemSet(room->GetItem("r")));
    }
};

QTEST_GUILESS_MAIN(TestItemSets)
#include "tst_itemsets.moc"
