#include "import/ConfigurationImporter.h"
#include "import/UserListFile.h"

#include "app/Settings.h"
#include "server/Server.h"
#include "store/Data.h"
#include "store/DataSaver.h"
#include "wire/MemStream.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <memory>

namespace {
QByteArray Word(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

// A user-list file: the count, then each name with its length.
QByteArray UserList(qint32 count, const QList<QByteArray>& names)
{
    QByteArray file = Word(quint32(count));
    for (const QByteArray& name : names)
        file += Word(quint32(name.size())) + name;
    return file;
}

QStringList UserListNames()
{
    QStringList names;
    for (ItemPtr user : g("user").Connected("in_user_list"))
        names << user.AsString();
    names.sort();
    return names;
}
} // namespace

class TestUserListImport : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir folder;
    std::unique_ptr<DataSaver> saver;

    QString Write(const QByteArray& bytes)
    {
        const QString path = folder.filePath("favlist.cfg");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            return QString();
        return path;
    }

private slots:
    void init()
    {
        QVERIFY(folder.isValid());
        d.Clear();
        saver = std::make_unique<DataSaver>();
        DeclareSettingsSchema();
        Server::CreateData();
    }

    void cleanup()
    {
        saver.reset();
        d.Clear();
    }

    void importsWholeFilesOnly_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("imported");
        QTest::addColumn<QStringList>("list");
        const QByteArray tooLong(0x20001, 'x');
        QTest::newRow("no names") << UserList(0, {}) << true << QStringList({"listed"});
        QTest::newRow("two names") << UserList(2, {"bob", "carol"}) << true << QStringList({"bob", "carol", "listed"});
        QTest::newRow("same name twice") << UserList(2, {"bob", "bob"}) << true << QStringList({"bob", "listed"});
        QTest::newRow("name already listed") << UserList(1, {"listed"}) << true << QStringList({"listed"});
        QTest::newRow("cut at NUL, empty left out")
            << UserList(3, {QByteArray("dave\0junk", 9), QByteArray("\0x", 2), ""}) << true
            << QStringList({"dave", "listed"});
        QTest::newRow("UTF-8") << UserList(1, {"Zo\xc3\xab"}) << true
                               << QStringList({QString::fromUtf8("Zoë"), "listed"});
        QTest::newRow("bytes after the last name")
            << UserList(1, {"bob"}) + "trailing" << true << QStringList({"bob", "listed"});
        QTest::newRow("empty file") << QByteArray() << false << QStringList({"listed"});
        QTest::newRow("fewer names than counted") << UserList(2, {"bob"}) << false << QStringList({"listed"});
        QTest::newRow("name cut short") << UserList(2, {"bob", "carol"}).chopped(2) << false << QStringList({"listed"});
        QTest::newRow("count too large") << UserList(0x20001, {"bob"}) << false << QStringList({"listed"});
        QTest::newRow("count below zero") << UserList(-1, {"bob"}) << false << QStringList({"listed"});
        QTest::newRow("name too long") << UserList(2, {"bob", tooLong}) << false << QStringList({"listed"});
    }

    void importsWholeFilesOnly()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, imported);
        QFETCH(QStringList, list);
        // Already on the list, in a group that the import must not take away.
        const ItemPtr listed = d.GetType("user")->GetItem(Value(QString("listed")));
        const ItemPtr entry = d.GetType("in_user_list")->NewItem();
        listed += entry;
        entry += d.GetType("user_list_group")->GetItem(Value(QString("friends")));

        const QString path = Write(file);
        QVERIFY(!path.isEmpty());
        QCOMPARE(ConfigurationImporter::ImportUserList(path), imported);
        QCOMPARE(UserListNames(), list);
        QCOMPARE(listed.GetItem("in_user_list"), entry);
        QVERIFY(entry.IsConnected("user_list_group"));
        // Nothing half-made is left behind either.
        if (!imported)
            QCOMPARE(d.GetType("user")->ItemCount(), std::size_t(1));
    }

    void missingFileChangesNothing()
    {
        QVERIFY(!ConfigurationImporter::ImportUserList(folder.filePath("nowhere/favlist.cfg")));
        QVERIFY(UserListNames().isEmpty());
    }

    void namesAreBoundedInAll()
    {
        // The counts alone would allow 16 GiB of names.
        const QByteArray name(0x20000, 'n');
        MemStream in;
        in.Write(int32_t(200));
        std::set<std::string> names;
        for (int n = 0; n < 200; ++n) {
            QByteArray unique = name;
            unique[0] = char('a' + n % 26);
            unique[1] = char('a' + n / 26);
            in.Write(uint32_t(unique.size()));
            in.WriteBuffer(unique.constData(), size_t(unique.size()));
        }
        QVERIFY(!ReadUserListNames(in, names));
        QVERIFY(names.size() * name.size() <= MaxUserListNameBytes);
    }
};

QTEST_GUILESS_MAIN(TestUserListImport)
#include "tst_userlistimport.moc"
