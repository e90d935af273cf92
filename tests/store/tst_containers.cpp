#include "store/AddressSet.h"
#include "store/Data.h"
#include "store/ItemPool.h"

#include <QtTest>

#include <algorithm>
#include <numeric>
#include <random>
#include <set>
#include <vector>

namespace {

// Addresses to put into sets: ascending, eight bytes apart, never dereferenced.
class Addresses
{
public:
    explicit Addresses(std::size_t count)
        : storage(count)
    {
    }
    Item* operator[](std::size_t index) { return reinterpret_cast<Item*>(&storage[index]); }

private:
    std::vector<std::uint64_t> storage;
};

std::vector<Item*> Members(const AddressSet& set)
{
    std::vector<Item*> members;
    for (AddressSet::Iterator it = set.begin(); it != set.end(); ++it)
        members.push_back(it.Item());
    return members;
}

// Checks every query of the set against the ordered set it should equal.
void Check(const AddressSet& set, const std::set<Item*>& expected, Addresses& pool, std::size_t poolSize)
{
    QCOMPARE(Members(set), std::vector<Item*>(expected.begin(), expected.end()));
    QCOMPARE(set.Size(), expected.size());
    QCOMPARE(set.Empty(), expected.empty());
    QCOMPARE(set.First(), expected.empty() ? nullptr : *expected.begin());
    for (std::size_t n = 0; n < poolSize; ++n) {
        const bool member = expected.count(pool[n]) != 0;
        QCOMPARE(set.Contains(pool[n]), member);
        AddressSet::Iterator found = set.Find(pool[n]);
        QCOMPARE(found == set.end(), !member);
        if (member && n % 61 == 0) {
            // Iterating on from a found member yields the rest in order.
            auto rest = std::distance(expected.find(pool[n]), expected.end());
            QCOMPARE(std::distance(found, set.end()), rest);
        }
    }
}

} // namespace

class TestContainers : public QObject
{
    Q_OBJECT

private slots:
    void init() { d.Clear(); }
    void cleanupTestCase() { d.Clear(); }

    void addressSetKeepsAddressOrder_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("order");
        for (int count : {0, 1, 2, 3, 100, 512, 513, 3000})
            for (const char* order : {"ascending", "descending", "random"})
                QTest::addRow("%d %s", count, order) << count << QString(order);
    }

    void addressSetKeepsAddressOrder()
    {
        QFETCH(int, count);
        QFETCH(QString, order);
        const std::size_t poolSize = std::size_t(count) + 2;
        Addresses pool(poolSize);
        std::vector<std::size_t> indexes(std::size_t(count), 0);
        std::iota(indexes.begin(), indexes.end(), 1);
        std::mt19937 random{std::uint32_t(count)};
        if (order == "descending")
            std::reverse(indexes.begin(), indexes.end());
        else if (order == "random")
            std::shuffle(indexes.begin(), indexes.end(), random);

        AddressSet set;
        std::set<Item*> expected;
        for (std::size_t index : indexes) {
            QVERIFY(set.Insert(pool[index]));
            expected.insert(pool[index]);
        }
        QVERIFY(!set.Insert(nullptr));
        if (count > 0)
            QVERIFY(!set.Insert(pool[indexes.front()]));
        // Addresses below and above every member are absent.
        Check(set, expected, pool, poolSize);

        AddressSet copy = set;
        const std::vector<Item*> sorted(expected.begin(), expected.end());
        QCOMPARE(Members(AddressSet::FromSorted(sorted.data(), sorted.size())), sorted);

        // Erasing in a different order shrinks through every form back to empty.
        std::shuffle(indexes.begin(), indexes.end(), random);
        QVERIFY(!set.Erase(pool[0]));
        for (std::size_t n = 0; n < indexes.size(); ++n) {
            QVERIFY(set.Erase(pool[indexes[n]]));
            expected.erase(pool[indexes[n]]);
            if (n % 97 == 0 || expected.size() < 4)
                Check(set, expected, pool, poolSize);
        }
        QVERIFY(set.Empty());
        QCOMPARE(set.HeapBytes(), std::size_t(0));
        QCOMPARE(copy.Size(), std::size_t(count));

        AddressSet moved = std::move(copy);
        QCOMPARE(moved.Size(), std::size_t(count));
        QVERIFY(copy.Empty());
    }

    void addressSetIsErasedWhileACopyIsWalked()
    {
        // A change invalidates a set's own iterators, so bulk changes walk a copy: erasing each member of a
        // split set in address order leaves the copy whole.
        Addresses pool(600);
        AddressSet set;
        for (std::size_t n = 0; n < 600; ++n)
            set.Insert(pool[n]);
        const AddressSet copy = set;
        std::size_t left = 600;
        for (AddressSet::Iterator it = copy.begin(); it != copy.end(); ++it) {
            QVERIFY(set.Erase(it.Item()));
            QCOMPARE(set.Size(), --left);
            QCOMPARE(set.First(), left ? pool[600 - left] : nullptr);
        }
        QVERIFY(set.Empty());
        QCOMPARE(Members(copy).size(), std::size_t(600));
    }

    void addressSetStaysCompact()
    {
        // Ascending inserts, the usual case, fill the arrays; random ones leave them at least half full.
        const std::size_t count = 100000;
        Addresses pool(count);
        AddressSet ascending;
        for (std::size_t n = 0; n < count; ++n)
            ascending.Insert(pool[n]);
        QVERIFY2(ascending.HeapBytes() < count * sizeof(Item*) * 105 / 100,
                 qPrintable(QString::number(ascending.HeapBytes())));

        std::vector<std::size_t> indexes(count);
        std::iota(indexes.begin(), indexes.end(), 0);
        std::shuffle(indexes.begin(), indexes.end(), std::mt19937(1));
        AddressSet shuffled;
        for (std::size_t index : indexes)
            shuffled.Insert(pool[index]);
        QVERIFY(shuffled.HeapBytes() < count * sizeof(Item*) * 2);
        QCOMPARE(Members(shuffled), Members(ascending));

        // A single member costs no allocation; a few dozen cost one array sized closely.
        AddressSet one(pool[0]);
        QCOMPARE(one.HeapBytes(), std::size_t(0));
        AddressSet twenty = AddressSet::FromSorted(Members(ascending).data(), 20);
        QVERIFY(twenty.HeapBytes() <= 8 + 20 * sizeof(Item*));
    }

    void valueIndexFindsEveryValueThroughGrowthAndShrinking()
    {
        Type* word = d.NewType("word", Primary, false, true);
        std::vector<ItemPtr> items;
        for (int n = 0; n < 5000; ++n)
            items.push_back(word->NewItem("w" + std::to_string(n)));
        QCOMPARE(word->ItemCount(), std::size_t(5000));
        // Remove every other item, then check that every remaining value is still found and no removed one.
        for (int n = 0; n < 5000; n += 2)
            items[std::size_t(n)].Remove();
        for (int n = 0; n < 5000; ++n)
            QCOMPARE(word->HasItem("w" + std::to_string(n)).IsNull(), n % 2 == 0);
        for (int n = 1; n < 5000; n += 2)
            QCOMPARE(word->HasItem("w" + std::to_string(n)), items[std::size_t(n)]);
        // Shrinks as items go and grows again.
        for (int n = 1; n < 4990; n += 2)
            items[std::size_t(n)].Remove();
        QCOMPARE(word->ItemCount(), std::size_t(5));
        QCOMPARE(word->HasItem("w4995"), items[4995]);
        QVERIFY(word->NewItem("") != word->NewItem("w"));
        QCOMPARE(word->NewItem(""), word->HasItem(""));
        d.RemoveAllItems();
        QVERIFY(word->HasItem("w4995").IsNull());
    }

    void itemPoolReusesSlotsAndGivesBackEmptySlabs()
    {
        ItemPool pool(24);
        std::vector<void*> taken;
        for (int n = 0; n < 5000; ++n)
            taken.push_back(pool.Allocate());
        // Fresh taken come in ascending order within a slab, eight-byte aligned and apart.
        QVERIFY(std::less<void*>()(taken[0], taken[1]));
        QCOMPARE(reinterpret_cast<std::uintptr_t>(taken[1]) - reinterpret_cast<std::uintptr_t>(taken[0]),
                 std::uintptr_t(24));
        QVERIFY(std::all_of(taken.begin(), taken.end(),
                            [](void* slot) { return reinterpret_cast<std::uintptr_t>(slot) % 8 == 0; }));
        QCOMPARE(std::set<void*>(taken.begin(), taken.end()).size(), taken.size());
        const std::size_t slabs = pool.SlabCount();
        QVERIFY(slabs > 1);

        pool.Free(taken[10]);
        QCOMPARE(pool.Allocate(), taken[10]);
        for (void* slot : taken)
            pool.Free(slot);
        QCOMPARE(pool.SlabCount(), std::size_t(1));
        for (int n = 0; n < 5000; ++n)
            pool.Allocate();
        QVERIFY(pool.SlabCount() <= slabs);
    }

    void liveItemsForgetRemovedItemsEvenWhenTheirAddressIsTakenAgain()
    {
        Type* user = d.NewType("user", Primary, false, true);
        Type* room = d.NewType("room", Primary, false, true);
        user->RelateToType(room, Many, Many, false);
        LiveItems live(&d);
        for (const char* name : {"a", "b", "c"})
            live.Add(user->NewItem(name).Get());
        live.Add(live[1]);
        live.Settle();
        QCOMPARE(live[1], user->HasItem("b").Get());

        // "b" goes and a new item takes its slot: both entries of "b" become null, the new item is not listed.
        Item* b = live[1];
        user->HasItem("b").Remove();
        ItemPtr newcomer = user->NewItem("d");
        QCOMPARE(newcomer.Get(), b);
        live.Settle();
        QVERIFY(!live[1] && !live[3]);
        QCOMPARE(live[0], user->HasItem("a").Get());
        QCOMPARE(live[2], user->HasItem("c").Get());

        // An item removed by the very call that returned it is listed as null.
        struct Remover : DataHandler
        {
            void OnCreated(ItemPtr item)
            {
                if (item.AsStdString() == "doomed")
                    item.Remove();
            }
        } remover;
        room->itemCreated.Add(
            remover.AddDataHandler(new EventHandler<Remover, ItemPtr>(&remover, &Remover::OnCreated)));
        live.Add(room->NewItem("doomed").Get());
        live.Add(room->NewItem("lounge").Get());
        QVERIFY(!live[4]);
        QCOMPARE(live[5], room->HasItem("lounge").Get());
        QCOMPARE(live.Size(), std::size_t(6));
    }
};

QTEST_GUILESS_MAIN(TestContainers)
#include "tst_containers.moc"
