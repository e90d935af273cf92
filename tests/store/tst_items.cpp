#include "Recorder.h"
#include "store/Data.h"

#include <QtTest>

#include <memory>

class TestItems : public QObject
{
    Q_OBJECT

private:
    Type* global = nullptr;
    Type* globalValue = nullptr;

    void DeclareSettings()
    {
        global = d.NewType("global", Primary, false, true);
        globalValue = d.NewType("global_value", Tertiary, false, true);
        global->RelateToType(globalValue, Many, One, false);
    }

    template <typename Exception, typename Call>
    static bool Throws(Call call)
    {
        try {
            call();
        } catch (Exception* e) {
            delete e;
            return true;
        }
        return false;
    }

private slots:
    void init()
    {
        d.Clear();
        DeclareSettings();
    }

    void cleanupTestCase() { d.Clear(); }

    void valuesAreBytesAndNameItemsExactly()
    {
        QString withNul = QStringLiteral("ab");
        withNul += QChar(0);
        int object = 0;
        char buffer[] = "abc";
        QCOMPARE(Value(-12).Bytes(), std::string("-12"));
        QCOMPARE(Value(4000000000u).Bytes(), std::string("4000000000"));
        QCOMPARE(Value(-9000000000LL).Bytes(), std::string("-9000000000"));
        QCOMPARE(Value(QString::fromUtf8("caf\xc3\xa9")).Bytes(), std::string("caf\xc3\xa9"));
        QCOMPARE(Value(withNul + "cd").Bytes(), std::string("ab"));
        QCOMPARE(Value(&object).Bytes(), std::to_string(reinterpret_cast<std::uintptr_t>(&object)));
        // A character buffer is text, not an address.
        QCOMPARE(Value(buffer).Bytes(), std::string("abc"));

        ItemPtr seven = globalValue->NewItem(Value(7));
        QCOMPARE(globalValue->HasItem("7"), seven);
        QVERIFY(globalValue->HasItem("07").IsNull());
        QVERIFY(globalValue->NewItem("07") != seven);
    }

    void schemaMisuseThrows()
    {
        QVERIFY(Throws<TypeAlreadyExistsException>([] { d.NewType("global", Primary, false, false); }));
        QVERIFY(Throws<AlreadyRelatedException>([this] { global->RelateToType(globalValue, One, One, false); }));
        QVERIFY(Throws<AlreadyRelatedException>([this] { globalValue->RelateToType(global, One, One, false); }));
        QVERIFY(Throws<TypeNotFoundException>([] { d.GetType("no_such_type"); }));
        QVERIFY(d.HasType("no_such_type") == nullptr);

        Type* flag = d.NewType("flag", Tertiary, true, false);
        QVERIFY(Throws<NullTypeException>([flag] { flag->HasItem("x"); }));
        QVERIFY(Throws<NullTypeException>([flag] { flag->GetItem("x"); }));
        QVERIFY(Throws<NullTypeException>([this] { global->NewItem(); }));
        QVERIFY(Throws<NullTypeException>([this] { global->GetGlobalNullItem(); }));

        ItemPtr setting = global->NewItem("a");
        ItemPtr loose = flag->NewItem();
        QVERIFY(Throws<NotRelatedException>([&] { setting.Connect(loose); }));
        QVERIFY(Throws<NotRelatedException>([&] { setting.GetItems("flag"); }));
        QVERIFY(Throws<NotRelatedException>([&] { setting.NewItem("flag"); }));
        QVERIFY(Throws<NullTypeException>([&] { setting.NewItem("global_value"); }));
        QVERIFY(Throws<NotRelatedException>([&] { global->GetRelation(flag); }));
    }

    void relationIsKeptMirroredAtBothTypes()
    {
        Type* user = d.NewType("user", Primary, false, false);
        Type* entry = d.NewType("download_entry", Secondary, true, false);
        user->RelateToType(entry, One, Many, true);

        const RelationInfo atUser = user->GetRelation(entry);
        QVERIFY(atUser.thisPerFar == One && atUser.farPerThis == Many && atUser.owns && !atUser.ownedBy);
        const RelationInfo atEntry = entry->GetRelation(user);
        QVERIFY(atEntry.thisPerFar == Many && atEntry.farPerThis == One && !atEntry.owns && atEntry.ownedBy);
        std::map<Type*, RelationInfo> related;
        entry->GetRelatedTypes(related);
        QVERIFY(related.size() == 1 && related.count(user));
    }

    void connectingAtAOneEndReplacesThePartnerAfterTellingTheDisconnection()
    {
        QStringList log;
        Recorder recorder(&log);
        recorder.ListenToStore(d);
        ItemPtr setting = global->GetItem("download_folder");
        ItemPtr other = global->GetItem("other");
        ItemPtr a = globalValue->GetItem("A");
        ItemPtr b = globalValue->GetItem("B");
        log.clear();

        setting += a;
        setting += b;
        QVERIFY(!setting.IsConnected(a) && a.IsDisconnectedFromAll());
        QCOMPARE(setting.GetItems("global_value"), ItemSet(b));
        QCOMPARE(log,
                 QStringList(
                     {"connected download_folder A", "disconnected download_folder A", "connected download_folder B"}));

        // One value may serve many settings, and connecting from the value's
        // end still replaces the setting's single value.
        b += other;
        QCOMPARE(b.GetItems("global"), (ItemSet{setting, other}));
        a += setting;
        QCOMPARE(setting.GetItems("global_value"), ItemSet(a));
        QCOMPARE(b.GetItems("global"), ItemSet(other));
    }

    void connectionNotifiesInOrderAndRepeatsNotifyNothing()
    {
        QStringList log;
        Recorder store(&log, "store");
        store.ListenToStore(d);
        Recorder types(&log, "type");
        types.ListenToType(global);
        types.ListenToType(globalValue);
        Recorder pair(&log, "pair");
        pair.ListenToPair(d, globalValue, global);
        ItemPtr setting = global->GetItem("s");
        ItemPtr value = globalValue->GetItem("v");
        log.clear();

        QCOMPARE(setting.Connect(value), value);
        const QStringList once
            = {"type type connected s v", "store connected s v", "type type connected v s", "pair pair connected v s"};
        QCOMPARE(log, once);
        setting += value;
        value += setting;
        QCOMPARE(log, once);

        log.clear();
        QCOMPARE(value -= setting, setting);
        QCOMPARE(log,
                 QStringList({"type type disconnected v s", "store disconnected v s", "type type disconnected s v",
                              "pair pair disconnected v s"}));
        // Disconnecting what is not connected changes and tells nothing.
        log.clear();
        value -= setting;
        setting.Disconnect(value);
        QVERIFY(log.isEmpty());
    }

    void getItemCreatesOnlyForAutoCreateTypes()
    {
        QStringList log;
        Recorder recorder(&log);
        recorder.ListenToStore(d);
        Type* plain = d.NewType("user", Primary, false, false);

        QVERIFY(plain->GetItem("nobody").IsNull());
        QCOMPARE(plain->ItemCount(), std::size_t(0));
        QVERIFY(log.isEmpty());

        ItemPtr created = global->GetItem("new_setting");
        QVERIFY(!created.IsNull());
        QCOMPARE((*global)["new_setting"], created);
        QCOMPARE(global->NewItem("new_setting"), created);
        QCOMPARE(log, QStringList({"created new_setting"}));
    }

    void itemNewItemFollowsTheRelationCounts()
    {
        Type* user = d.NewType("user", Primary, false, false);
        Type* entry = d.NewType("upload_entry", Secondary, true, false);
        Type* privileged = d.NewType("is_privileged", Tertiary, true, false);
        Type* onlineFlag = d.NewType("is_online", Tertiary, true, false);
        user->RelateToType(entry, One, Many, false);
        user->RelateToType(privileged, Many, One, false);
        user->RelateToType(onlineFlag, One, One, false);
        ItemPtr alice = user->NewItem("alice");
        ItemPtr bob = user->NewItem("bob");

        // Many per user: a new anonymous item each time.
        QVERIFY(alice.NewItem("upload_entry") != alice.NewItem("upload_entry"));
        QCOMPARE(alice.GetItems("upload_entry").Size(), std::size_t(2));

        // One per user, shared by many users: the global null item.
        ItemPtr shared = alice.NewItem("is_privileged");
        QCOMPARE(shared, privileged->GetGlobalNullItem());
        QCOMPARE(bob.NewItem("is_privileged"), shared);
        QCOMPARE(alice.NewItem("is_privileged"), shared);

        // One at both ends: a new item per user, kept on the second call.
        ItemPtr online = alice.NewItem("is_online");
        QVERIFY(bob.NewItem("is_online") != online);
        QCOMPARE(alice.NewItem("is_online"), online);
        QCOMPARE(onlineFlag->ItemCount(), std::size_t(2));

        // The global null item stays the same among anonymous items until removed.
        for (int n = 0; n < 50; ++n)
            privileged->NewItem();
        QCOMPARE(privileged->GetGlobalNullItem(), shared);
        shared.Remove();
        QCOMPARE(privileged->GetGlobalNullItem(), privileged->GetItems().First());
        QCOMPARE(privileged->ItemCount(), std::size_t(50));
    }

    void firstConnectedItemIsTheLowestAddress()
    {
        Type* user = d.NewType("user", Primary, false, false);
        Type* room = d.NewType("room", Primary, false, false);
        user->RelateToType(room, Many, Many, false);
        ItemPtr alice = user->NewItem("alice");
        ItemPtr lowest;
        for (int n = 0; n < 10; ++n) {
            ItemPtr r = alice += room->NewItem(n);
            if (lowest.IsNull() || r < lowest)
                lowest = r;
        }
        QCOMPARE(alice["room"], lowest);
        QCOMPARE(alice.HasItem("room"), lowest);
        QVERIFY(alice["global"].IsNull());
    }

    void conversionsOfValues()
    {
        const auto item = [this](const char* text) { return globalValue->NewItem(text); };
        QCOMPARE(item("42").AsInt(), 42);
        QCOMPARE(item("-42").AsInt64(), -42LL);
        QCOMPARE(item("18446744073709551615").AsUInt64(), 18446744073709551615ULL);
        QCOMPARE(item("4294967295").AsUInt(), 4294967295u);
        for (const char* notAnInt : {"12abc", "yes", "", "99999999999"})
            QCOMPARE(item(notAnInt).AsInt(), 0);
        QCOMPARE(item("-1").AsUInt64(), 0ULL);
        QCOMPARE(item("caf\xc3\xa9").AsString(), QString::fromUtf8("caf\xc3\xa9"));
        QCOMPARE(item("caf\xe9").AsString(), QString::fromLatin1("caf\xe9"));
        QCOMPARE(item("caf\xe9").AsStdString(), std::string("caf\xe9"));
    }

    void removalIsToldOnceWhileConnectedThenDisconnects()
    {
        QStringList log;
        Recorder recorder(&log);
        recorder.ListenToStore(d);
        // A handler removing the item it is told of does nothing more.
        struct Remover : DataHandler
        {
            int calls = 0;
            void OnRemoved(ItemPtr item)
            {
                ++calls;
                item.Remove();
            }
        } remover;
        global->itemRemoved.Add(
            remover.AddDataHandler(new EventHandler<Remover, ItemPtr>(&remover, &Remover::OnRemoved)));
        ItemPtr setting = global->GetItem("s");
        ItemPtr value = globalValue->GetItem("v");
        setting += value;
        log.clear();

        setting.Remove();

        QCOMPARE(log, QStringList({"removed s connected", "disconnected s v"}));
        QCOMPARE(remover.calls, 1);
        QVERIFY(global->HasItem("s").IsNull());
        QVERIFY(value.IsDisconnectedFromAll());
    }

    void disconnectingATypeNameDropsEveryItemOfIt()
    {
        Type* user = d.NewType("user", Primary, false, false);
        Type* room = d.NewType("room", Primary, false, false);
        user->RelateToType(room, Many, Many, false);
        ItemPtr alice = user->NewItem("alice");
        for (int n = 0; n < 5; ++n)
            alice += room->NewItem(n);
        alice.Disconnect("room");
        QVERIFY(alice.IsDisconnectedFromAll());
        QCOMPARE(room->ItemCount(), std::size_t(5));
    }

    void removingAllItemsKeepsTypesAndRemovingATypeDropsItsRelations()
    {
        global->GetItem("a") += globalValue->GetItem("1");
        d.RemoveAllItems();
        QCOMPARE(global->ItemCount() + globalValue->ItemCount(), std::size_t(0));
        QCOMPARE(d.GetType("global"), global);

        global->GetItem("a") += globalValue->GetItem("1");
        globalValue->Remove();
        QVERIFY(d.HasType("global_value") == nullptr);
        QVERIFY(global->GetItem("a").IsDisconnectedFromAll());
        std::map<Type*, RelationInfo> related;
        global->GetRelatedTypes(related);
        QVERIFY(related.empty());
    }

    void renewKeepsTheGraphWithNewItems()
    {
        Type* flag = d.NewType("flag", Tertiary, true, false);
        global->RelateToType(flag, Many, One, false);
        global->GetItem("a") += globalValue->GetItem("1");
        global->GetItem("b") += globalValue->GetItem("1");
        global->GetItem("a").NewItem("flag");

        d.Renew();

        ItemPtr a = global->HasItem("a");
        QCOMPARE(a["global_value"], globalValue->HasItem("1"));
        QCOMPARE(globalValue->HasItem("1").GetItems("global").Size(), std::size_t(2));
        QCOMPARE(a["flag"], flag->GetGlobalNullItem());
        QCOMPARE(flag->ItemCount(), std::size_t(1));
    }

    void clearEmptiesTheStoreOfTypesAndHandlers()
    {
        QStringList log;
        auto recorder = std::make_unique<Recorder>(&log);
        recorder->ListenToStore(d);
        recorder->ListenToType(global);
        global->GetItem("a") += globalValue->GetItem("1");

        d.Clear();
        std::map<std::string, Type*> types;
        d.GetTypes(types);
        QVERIFY(types.empty());
        // The recorder outlives the store's tables and may still be destroyed safely.
        recorder.reset();

        DeclareSettings();
        log.clear();
        global->GetItem("again");
        QVERIFY(log.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestItems)
#include "tst_items.moc"