#include "store/Data.h"
#include "store/DataSaver.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>

namespace {

const QFile::Permissions OthersAndGroup
    = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
// Expected file contents, built field by field.
class FileBytes
{
public:
    FileBytes& Int(qint32 value)
    {
        QDataStream out(&bytes, QIODevice::Append);
        out.setByteOrder(QDataStream::LittleEndian);
        out << value;
        return *this;
    }
    FileBytes& Flag(char value)
    {
        bytes.append(value);
        return *this;
    }
    FileBytes& Text(const QByteArray& text)
    {
        Int(text.size());
        bytes.append(text);
        return *this;
    }
    FileBytes& Record(const QByteArray& typeName, bool isNull, qint32 itemCount)
    {
        return Text(typeName).Flag(isNull ? 1 : 0).Int(itemCount);
    }
    QByteArray bytes;
};

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

// The names in the folder, joined for readable comparisons.
QString Entries(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name).join(" ");
}

// The settings schema: a value is saved only while a setting uses it.
void DeclareSettings(DataSaver& saver)
{
    Type* global = d.NewType("global", Primary, false, true);
    Type* value = d.NewType("global_value", Tertiary, false, true);
    Type* runValue = d.NewType("vglobal", Primary, false, true);
    global->RelateToType(value, Many, One, false);
    runValue->RelateToType(value, Many, One, false);
    saver.AddSavedType("global");
    saver.AddSavedByConnectionType("global_value", "global");
}

void SetSetting(const char* name, const char* value)
{
    d.GetType("global")->GetItem(name) += d.GetType("global_value")->GetItem(value);
}

QByteArray SettingValue(const char* name)
{
    ItemSet values = d.GetType("global")->HasItem(name).GetItems("global_value");
    return values.Size() == 1 ? QByteArray::fromStdString(ItemPtr(values).AsStdString()) : QByteArray("<not one>");
}

// A share in the shape the sharing manager keeps: null file items tied to a folder, with a name and a flag.
void DeclareShare(DataSaver& saver)
{
    Type* sharedFolder = d.NewType("shared_folder", Primary, false, true);
    Type* folder = d.NewType("shared_file_folder", Secondary, false, true);
    Type* file = d.NewType("shared_file", Secondary, true, true);
    Type* name = d.NewType("shared_file_name", Secondary, false, true);
    Type* scanned = d.NewType("is_scanned", Tertiary, true, true);
    Type* word = d.NewType("search_token", Tertiary, false, true);
    sharedFolder->RelateToType(folder, Many, Many, false);
    file->RelateToType(folder, Many, One, false);
    file->RelateToType(name, Many, One, false);
    file->RelateToType(scanned, Many, One, false);
    word->RelateToType(file, Many, Many, false);
    saver.AddSavedType("shared_folder");
    saver.AddSavedType("is_scanned");
    saver.AddSavedByConnectionType("shared_file_folder", "shared_folder");
    saver.AddSavedByConnectionType("shared_file", "shared_file_folder");
    saver.AddSavedByConnectionType("shared_file_name", "shared_file");
}

ItemPtr AddSharedFile(ItemPtr folder, const char* name)
{
    ItemPtr file = d.GetType("shared_file")->NewItem();
    if (folder)
        file += folder;
    file += d.GetType("shared_file_name")->GetItem(name);
    file += d.GetType("search_token")->GetItem(name);
    return file;
}

ItemPtr FileNamed(const char* name)
{
    return d.GetType("shared_file_name")->HasItem(name).GetItems("shared_file");
}

class Recorder : public DataLoadedEventHandler
{
public:
    explicit Recorder(QStringList& callLog)
        : calls(callLog)
    {
    }
    void DataLoaded() override { calls << "DataLoaded"; }
    void NoData() override { calls << "NoData"; }

private:
    QStringList& calls;
};

// Runs a save with the process unable to write files beyond a few bytes, as on a full disk.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous);
        rlimit limited = previous;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
    }

private:
    rlimit previous;
    void (*previousHandler)(int);
};

// The bytes of a file that holds the setting "username" = "alice".
QByteArray UsernameFile()
{
    return FileBytes()
        .Int(2)
        .Record("global", false, 1)
        .Int(1)
        .Text("username")
        .Record("global_value", false, 1)
        .Int(2)
        .Text("alice")
        .Int(1)
        .Int(1)
        .Int(2)
        .bytes;
}
} // namespace

class TestDataSaver : public QObject
{
    Q_OBJECT

private slots:
    // The diagnostics log writes its files under the home folder.
    void initTestCase() { qputenv("HOME", home.path().toUtf8()); }
    void init()
    {
        d.Clear();
        dir.reset(new QTemporaryDir);
        path = dir->filePath(".Quillmer");
        saver.reset(new DataSaver);
    }
    void cleanup()
    {
        saver.reset();
        d.Clear();
    }

    void savesOnlyTheRegisteredItems();
    void savesSettingWithItsValue();
    void savesNullItemsAndConnectionsInIdOrder();
    void saveReplacesThroughTheFirstFreeTemporaryName();
    void failedSaveLeavesOldFileUntouched();
    void saveAllWritesEveryType();

    void loadMergesIntoDefaultsWithoutDuplicates();
    void loadRestoresNullItemsAndFlags();
    void loadSkipsWhatTheProgramNoLongerDeclares();
    void loadSkipsItemsThatHandlersRemove();
    void loadTellsHandlers();
    void largeShareRoundTrips();
    void loadAcceptsUnorderedAndSparseIds();

    void damagedFileIsKeptAndStoreEmptied();
    void damagedFileFailsCleanly_data();
    void damagedFileFailsCleanly();
    void keptCopiesAreNeverOverwritten();

private:
    // The store as a new start of the program finds it: empty, with a new saver.
    void Restart()
    {
        saver.reset();
        d.Clear();
        saver.reset(new DataSaver);
    }

    QTemporaryDir home;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<DataSaver> saver;
    QString path;
};

void TestDataSaver::savesOnlyTheRegisteredItems()
{
    d.NewType("global", Primary, false, true);
    saver->AddSavedType("global");
    saver->Save(path);
    QCOMPARE(ReadAll(path), FileBytes().Int(1).Record("global", false, 0).Int(0).bytes);

    // A value that no setting uses is not saved...
    Restart();
    DeclareSettings(*saver);
    d.GetType("global_value")->GetItem("unused");
    saver->Save(path);
    QCOMPARE(ReadAll(path),
             FileBytes().Int(2).Record("global", false, 0).Record("global_value", false, 0).Int(0).bytes);
    // ...unless the type is also registered plainly: one record with every item.
    saver->AddSavedType("global_value");
    saver->Save(path);
    QCOMPARE(ReadAll(path),
             FileBytes()
                 .Int(2)
                 .Record("global", false, 0)
                 .Record("global_value", false, 1)
                 .Int(1)
                 .Text("unused")
                 .Int(0)
                 .bytes);
}

void TestDataSaver::savesSettingWithItsValue()
{
    DeclareSettings(*saver);
    SetSetting("username", "alice");
    d.GetType("vglobal")->GetItem("session") += d.GetType("global_value")->GetItem("not saved");
    saver->Save(path);
    QCOMPARE(ReadAll(path), UsernameFile());
}

void TestDataSaver::savesNullItemsAndConnectionsInIdOrder()
{
    DeclareShare(*saver);
    ItemPtr root = d.GetType("shared_folder")->GetItem("/music");
    ItemPtr folder = d.GetType("shared_file_folder")->GetItem("/music/a");
    root += folder;
    ItemPtr first = AddSharedFile(folder, "one.mp3");
    ItemPtr second = AddSharedFile(folder, "two.mp3");
    second += d.GetType("is_scanned")->GetGlobalNullItem();
    saver->Save(path);

    // Ids follow the records in type-name order, items in address order; the word index is not saved.
    ItemPtr lowFile = std::min(first, second);
    ItemPtr highFile = std::max(first, second);
    ItemPtr lowName = std::min(first["shared_file_name"], second["shared_file_name"]);
    ItemPtr highName = std::max(first["shared_file_name"], second["shared_file_name"]);
    auto nameId = [&](ItemPtr file) { return file["shared_file_name"] == lowName ? 5 : 6; };
    QByteArray expected = FileBytes()
                              .Int(5)
                              .Record("is_scanned", true, 1)
                              .Int(1)
                              .Record("shared_file", true, 2)
                              .Int(2)
                              .Int(3)
                              .Record("shared_file_folder", false, 1)
                              .Int(4)
                              .Text("/music/a")
                              .Record("shared_file_name", false, 2)
                              .Int(5)
                              .Text(lowName.GetValue().Bytes().c_str())
                              .Int(6)
                              .Text(highName.GetValue().Bytes().c_str())
                              .Record("shared_folder", false, 1)
                              .Int(7)
                              .Text("/music")
                              .Int(6)
                              .Int(1)
                              .Int(second == lowFile ? 2 : 3)
                              .Int(2)
                              .Int(4)
                              .Int(2)
                              .Int(nameId(lowFile))
                              .Int(3)
                              .Int(4)
                              .Int(3)
                              .Int(nameId(highFile))
                              .Int(4)
                              .Int(7)
                              .bytes;
    QCOMPARE(ReadAll(path).toHex(), expected.toHex());
}

void TestDataSaver::saveReplacesThroughTheFirstFreeTemporaryName()
{
    DeclareSettings(*saver);
    SetSetting("username", "alice");
    WriteAll(path, "an older, longer configuration file");
    // A file from before the password was kept private is tightened by the next save.
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    WriteAll(path + ".1", "left by a crash");
    QVERIFY(saver->Save(path));
    QCOMPARE(ReadAll(path), UsernameFile());
    QCOMPARE(ReadAll(path + ".1"), QByteArray("left by a crash"));
    QCOMPARE(Entries(*dir), QString(".Quillmer .Quillmer.1"));
    QCOMPARE(QFileInfo(path).permissions() & OthersAndGroup, QFile::Permissions());
}

void TestDataSaver::failedSaveLeavesOldFileUntouched()
{
    DeclareSettings(*saver);
    SetSetting("username", "alice");
    QByteArray old = FileBytes().Int(0).Int(0).bytes;
    WriteAll(path, old);
    {
        FileSizeLimit limit(old.size());
        QString reason;
        QVERIFY(!saver->Save(path, &reason));
        QVERIFY(!reason.isEmpty());
        QVERIFY(!saver->SaveAll(path));
    }
    QCOMPARE(ReadAll(path), old);
    QCOMPARE(Entries(*dir), QString(".Quillmer"));

    // A folder that cannot take the temporary file: nothing is written anywhere.
    QString unreachable = dir->filePath("missing/.Quillmer");
    saver->Save(unreachable);
    QVERIFY(!saver->SaveAll(unreachable));
    QCOMPARE(Entries(*dir), QString(".Quillmer"));
}

void TestDataSaver::saveAllWritesEveryType()
{
    DeclareSettings(*saver);
    d.GetType("vglobal")->GetItem("session") += d.GetType("global_value")->GetItem("this run");
    d.GetType("global_value")->GetItem("unused");
    QVERIFY(saver->SaveAll(path));
    Restart();
    DeclareSettings(*saver);
    saver->Load(path);
    QCOMPARE(d.GetType("vglobal")->HasItem("session")["global_value"].AsStdString(), std::string("this run"));
    QVERIFY(d.GetType("global_value")->HasItem("unused"));
}

void TestDataSaver::loadMergesIntoDefaultsWithoutDuplicates()
{
    DeclareSettings(*saver);
    SetSetting("username", "alice");
    SetSetting("description", "hello");
    saver->Save(path);
    saver->Load(path);
    saver->Load(path);
    QCOMPARE(g("global").Size(), size_t(2));
    QCOMPARE(g("global_value").Size(), size_t(2));
    QCOMPARE(SettingValue("description"), QByteArray("hello"));

    // A loaded value replaces the default; other defaults stay.
    Restart();
    WriteAll(path, UsernameFile());
    DeclareSettings(*saver);
    SetSetting("username", "default");
    SetSetting("minimize_to_tray", "yes");
    saver->Load(path);
    QCOMPARE(SettingValue("username"), QByteArray("alice"));
    QCOMPARE(SettingValue("minimize_to_tray"), QByteArray("yes"));
}

void TestDataSaver::loadRestoresNullItemsAndFlags()
{
    DeclareShare(*saver);
    ItemPtr folder = d.GetType("shared_file_folder")->GetItem("/music/a");
    d.GetType("shared_folder")->GetItem("/music") += folder;
    AddSharedFile(folder, "one.mp3");
    AddSharedFile(folder, "two.mp3") += d.GetType("is_scanned")->GetGlobalNullItem();
    // In no folder: not saved, nor its name.
    AddSharedFile(ItemPtr(), "three.mp3");
    saver->Save(path);
    Restart();
    DeclareShare(*saver);
    saver->Load(path);
    QCOMPARE(g("shared_file").Size(), size_t(2));
    QCOMPARE(FileNamed("one.mp3")["shared_file_folder"].AsStdString(), std::string("/music/a"));
    QCOMPARE(FileNamed("two.mp3")["shared_file_folder"].AsStdString(), std::string("/music/a"));
    QVERIFY(!FileNamed("one.mp3").IsConnected("is_scanned"));
    QVERIFY(FileNamed("two.mp3").IsConnected("is_scanned"));
    QVERIFY(d.GetType("shared_folder")->HasItem("/music").IsConnected("shared_file_folder"));
    QVERIFY(g("search_token").Empty());
}

void TestDataSaver::loadSkipsWhatTheProgramNoLongerDeclares()
{
    WriteAll(path,
             FileBytes()
                 .Int(5)
                 .Record("dropped_type", false, 1)
                 .Int(1)
                 .Text("x")
                 .Record("global", false, 2)
                 .Int(2)
                 .Text("username")
                 .Int(3)
                 .Text("theme")
                 .Record("global_value", false, 2)
                 .Int(4)
                 .Text("alice")
                 .Int(5)
                 .Text("dark")
                 // Declared by the program, but no longer as a null type.
                 .Record("vglobal", true, 1)
                 .Int(6)
                 .Record("renamed_value", false, 1)
                 .Int(7)
                 .Text("y")
                 .Int(6)
                 .Int(1)
                 .Int(2)
                 .Int(2)
                 .Int(4)
                 .Int(3)
                 .Int(5)
                 .Int(3)
                 .Int(6)
                 .Int(3)
                 .Int(7)
                 // Two known types that are not related.
                 .Int(4)
                 .Int(5)
                 .bytes);
    DeclareSettings(*saver);
    saver->Load(path);
    QCOMPARE(SettingValue("username"), QByteArray("alice"));
    QCOMPARE(SettingValue("theme"), QByteArray("dark"));
    QVERIFY(g("vglobal").Empty());
    QVERIFY(!d.HasType("dropped_type"));
    QVERIFY(!d.GetType("global_value")->HasItem("alice").IsConnected(d.GetType("global_value")->HasItem("dark")));
}

void TestDataSaver::loadSkipsItemsThatHandlersRemove()
{
    // Connecting the first setting makes a handler remove the second setting and create another, which may
    // take the freed address: the loaded connection of the removed setting must not reach it.
    WriteAll(path,
             FileBytes()
                 .Int(2)
                 .Record("global", false, 2)
                 .Int(1)
                 .Text("first")
                 .Int(2)
                 .Text("second")
                 .Record("global_value", false, 2)
                 .Int(3)
                 .Text("one")
                 .Int(4)
                 .Text("two")
                 .Int(2)
                 .Int(1)
                 .Int(3)
                 .Int(2)
                 .Int(4)
                 .bytes);
    DeclareSettings(*saver);
    struct Replacer : DataHandler
    {
        void OnConnected(ConnectionInfo info)
        {
            if (ItemPtr(info.from).AsStdString() != "first")
                return;
            d.GetType("global")->HasItem("second").Remove();
            d.GetType("global")->GetItem("third");
        }
    } replacer;
    d.GetType("global")->itemConnected.Add(
        replacer.AddDataHandler(new EventHandler<Replacer, ConnectionInfo>(&replacer, &Replacer::OnConnected)));
    saver->Load(path);
    QCOMPARE(SettingValue("first"), QByteArray("one"));
    QVERIFY(d.GetType("global")->HasItem("second").IsNull());
    QVERIFY(d.GetType("global")->HasItem("third").IsDisconnectedFromAll());
}

void TestDataSaver::loadTellsHandlers()
{
    DeclareSettings(*saver);
    QStringList calls;
    Recorder first(calls), second(calls), removed(calls);
    saver->AddDataLoadedEventHandler(&first);
    saver->AddDataLoadedEventHandler(&removed);
    saver->AddDataLoadedEventHandler(&second);
    saver->RemoveDataLoadedEventHandler(&removed);

    saver->Load(path);
    QCOMPARE(calls, QStringList({"DataLoaded", "DataLoaded", "NoData", "NoData"}));

    calls.clear();
    WriteAll(path, UsernameFile());
    saver->Load(path);
    QCOMPARE(calls, QStringList({"DataLoaded", "DataLoaded"}));

    calls.clear();
    WriteAll(path, UsernameFile().left(10));
    QVERIFY_EXCEPTION_THROWN(saver->Load(path), DataLoadFailure);
    QVERIFY(calls.isEmpty());
}

void TestDataSaver::largeShareRoundTrips()
{
    // More files in one folder than one sorted array holds, and words shared between files.
    DeclareShare(*saver);
    ItemPtr root = d.GetType("shared_folder")->GetItem("/music");
    std::vector<ItemPtr> folders{d.GetType("shared_file_folder")->GetItem("/music/big"),
                                 d.GetType("shared_file_folder")->GetItem("/music/small")};
    for (ItemPtr folder : folders)
        root += folder;
    for (int n = 0; n < 1500; ++n) {
        const std::string name = "song " + std::to_string(n) + ".mp3";
        ItemPtr file = AddSharedFile(folders[n % 7 == 0 ? 1 : 0], name.c_str());
        for (int w = 0; w < 3; ++w)
            d.GetType("search_token")->GetItem("word" + std::to_string((n * 7 + w) % 50)) += file;
        if (n % 3 == 0)
            file += d.GetType("is_scanned")->GetGlobalNullItem();
    }
    QVERIFY(saver->Save(path));
    const QByteArray first = ReadAll(path);
    QVERIFY(saver->Save(path));
    QCOMPARE(ReadAll(path), first);

    Restart();
    DeclareShare(*saver);
    saver->Load(path);
    QCOMPARE(g("shared_file").Size(), std::size_t(1500));
    QCOMPARE(d.GetType("shared_file_folder")->HasItem("/music/big").GetItems("shared_file").Size(),
             std::size_t(1500 - 215));
    for (int n = 0; n < 1500; n += 37) {
        const std::string name = "song " + std::to_string(n) + ".mp3";
        ItemPtr file = FileNamed(name.c_str());
        QCOMPARE(file["shared_file_folder"].AsStdString(), std::string(n % 7 == 0 ? "/music/small" : "/music/big"));
        QCOMPARE(file.IsConnected("is_scanned"), n % 3 == 0);
    }
    QVERIFY(saver->Save(path));
    QCOMPARE(ReadAll(path).size(), first.size());
}

void TestDataSaver::loadAcceptsUnorderedAndSparseIds()
{
    // Ids need not come in order nor be dense, and connections need not be sorted.
    const qint32 huge = 0x40000000;
    WriteAll(path,
             FileBytes()
                 .Int(2)
                 .Record("global", false, 2)
                 .Int(huge)
                 .Text("username")
                 .Int(7)
                 .Text("theme")
                 .Record("global_value", false, 2)
                 .Int(3)
                 .Text("alice")
                 .Int(huge - 1)
                 .Text("dark")
                 .Int(2)
                 .Int(huge - 1)
                 .Int(7)
                 .Int(3)
                 .Int(huge)
                 .bytes);
    DeclareSettings(*saver);
    saver->Load(path);
    QCOMPARE(SettingValue("username"), QByteArray("alice"));
    QCOMPARE(SettingValue("theme"), QByteArray("dark"));
}

void TestDataSaver::damagedFileIsKeptAndStoreEmptied()
{
    // Cut inside the value of the last item record.
    QByteArray damaged = UsernameFile().left(66);
    WriteAll(path, damaged);
    DeclareSettings(*saver);
    SetSetting("username", "default");
    QStringList reported;
    saver->SetReporter([&reported](const QString& text) { reported << text; });
    QString kept;
    try {
        saver->Load(path);
        QFAIL("a cut file loaded");
    } catch (const DataLoadFailure& failure) {
        kept = failure.KeptCopyPath();
    }
    QVERIFY(g("global").Empty());
    QVERIFY(g("global_value").Empty());
    QVERIFY2(kept.startsWith(path + ".damaged-"), qPrintable(kept));
    QCOMPARE(ReadAll(kept), damaged);
    QCOMPARE(QFileInfo(kept).permissions() & OthersAndGroup, QFile::Permissions());
    QVERIFY2(reported.filter(kept).size() == 1, qPrintable(reported.join("\n")));

    SetSetting("username", "bob");
    saver->Save(path);
    QCOMPARE(ReadAll(kept), damaged);
    QCOMPARE(Entries(*dir).count(" "), 1);
}

void TestDataSaver::damagedFileFailsCleanly_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const qint32 huge = 0x7fffffff;
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("negative type count") << FileBytes().Int(-1).Int(0).bytes;
    QTest::newRow("huge type count") << FileBytes().Int(huge).Int(0).bytes;
    QTest::newRow("negative name length") << FileBytes().Int(1).Int(-6).Text("global").bytes;
    QTest::newRow("huge name length") << FileBytes().Int(1).Int(huge).Text("global").Int(0).bytes;
    QTest::newRow("negative item count") << FileBytes().Int(1).Record("global", false, -1).Int(0).bytes;
    QTest::newRow("huge item count") << FileBytes().Int(1).Record("global", false, huge).Int(1).Text("x").Int(0).bytes;
    QTest::newRow("huge null item count") << FileBytes().Int(1).Record("vglobal", true, 0x40000000).Int(1).Int(0).bytes;
    QTest::newRow("huge value length")
        << FileBytes().Int(1).Record("global", false, 1).Int(1).Int(huge - 8).Text("x").Int(0).bytes;
    QTest::newRow("negative value length") << FileBytes().Int(1).Record("global", false, 1).Int(1).Int(-1).Int(0).bytes;
    QTest::newRow("null flag 2") << FileBytes().Int(1).Text("global").Flag(2).Int(0).Int(0).bytes;
    QTest::newRow("zero id") << FileBytes().Int(1).Record("global", false, 1).Int(0).Text("x").Int(0).bytes;
    QTest::newRow("repeated id")
        << FileBytes().Int(1).Record("global", false, 2).Int(1).Text("x").Int(1).Text("y").Int(0).bytes;
    QTest::newRow("negative connection count") << FileBytes().Int(0).Int(-1).bytes;
    QTest::newRow("huge connection count") << FileBytes().Int(0).Int(0x10000000).Int(1).Int(2).bytes;
    QTest::newRow("cut connection") << FileBytes().Int(0).Int(1).Int(1).bytes;
}

void TestDataSaver::damagedFileFailsCleanly()
{
    QFETCH(QByteArray, bytes);
    WriteAll(path, bytes);
    DeclareSettings(*saver);
    SetSetting("username", "default");
    QVERIFY_EXCEPTION_THROWN(saver->Load(path), DataLoadFailure);
    QVERIFY(g("global").Empty());
    QVERIFY2(!Entries(*dir).contains(" "), qPrintable(Entries(*dir)));
    QVERIFY(!QFile::exists(path));
}

void TestDataSaver::keptCopiesAreNeverOverwritten()
{
    DeclareSettings(*saver);
    QStringList kept;
    QList<QByteArray> contents{FileBytes().Int(-1).bytes, FileBytes().Int(-2).bytes, FileBytes().Int(-3).bytes};
    for (const QByteArray& bytes : contents) {
        WriteAll(path, bytes);
        try {
            saver->Load(path);
        } catch (const DataLoadFailure& failure) {
            kept << failure.KeptCopyPath();
        }
    }
    QCOMPARE(kept.size(), 3);
    QCOMPARE(QSet<QString>(kept.begin(), kept.end()).size(), 3);
    for (int n = 0; n < 3; ++n)
        QCOMPARE(ReadAll(kept[n]), contents[n]);
}

QTEST_GUILESS_MAIN(TestDataSaver)
#include "tst_datasaver.moc"
