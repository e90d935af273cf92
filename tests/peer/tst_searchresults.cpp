#include "PeerTestKit.h"

#include "app/Log.h"
#include "app/Settings.h"
#include "peer/PeerMessageHandler.h"
#include "peer/SearchResults.h"
#include "search/SearchRequestRecord.h"
#include "shares/FileInfo.h"
#include "store/Data.h"
#include "wire/Compression.h"

#include <QSignalSpy>
#include <QtTest>

#include <vector>

namespace {

// A search reply as a peer sends it, compressed.
MemStream Reply(const QString& user, uint32_t token, const std::vector<FileInfo>& files, bool withTail = true)
{
    MemStream body;
    body.Write(user);
    body.Write(token);
    body.Write(files);
    if (withTail) {
        body.Write(true);
        body.Write(uint32_t(640));
        body.Write(uint32_t(3));
    }
    return BuildCompressedMessage(9, body);
}

FileInfo Mp3(const std::string& path, uint64_t size = 1000)
{
    AttributeMap attributes;
    attributes.SetKind("mp3");
    attributes.Add(AttributeMap::Bitrate, 320);
    attributes.Add(AttributeMap::LengthSeconds, 215);
    attributes.Add(AttributeMap::VariableBitrate, 1);
    attributes.Add(9, 9);
    return FileInfo(path, size, attributes);
}

ItemSet ResultsOf(const char* user, unsigned int token)
{
    return d.GetType("search_request")->HasItem(Value(token)).GetItems("search_results").Connected("user", user);
}

std::vector<QString> FileNames(const ItemSet& results)
{
    std::vector<QString> names;
    for (ItemPtr result : results.GetItems("search_result").SortAlphabeticBy("search_result_file_name", true, true))
        names.push_back(result.GetItem("search_result_file_folder").AsString() + "|"
                        + result.GetItem("search_result_file_name").AsString());
    return names;
}

} // namespace

// Search replies into the graph: what matches the search's own text, each
// file once per user and search, nothing from impostors.
class TestSearchResults : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PeerGraph> graph;
    std::unique_ptr<PeerMessageHandler> handler;

    bool Handle(const QString& connectionUser, MemStream reply)
    {
        uint32_t code = 0;
        reply.Read(code);
        return handler->Handle(connectionUser, code, reply);
    }

private slots:
    void initTestCase() { qRegisterMetaType<ItemPtr>("ItemPtr"); }

    void init()
    {
        graph = std::make_unique<PeerGraph>();
        handler = std::make_unique<PeerMessageHandler>();
    }

    void cleanup()
    {
        handler.reset();
        graph.reset();
    }

    void matchingFilesBecomeResults()
    {
        SetSetting("show_diagnostics", "yes");
        QSignalSpy logged(&DiagnosticsLog::Instance(), &DiagnosticsLog::LineLogged);
        QSignalSpy written(handler.get(), &PeerMessageHandler::SearchResults);
        RecordSearchRequest(7, "pink -live", false);
        QVERIFY(Handle("bob",
                       Reply("bob", 7,
                             {Mp3("Music\\Pink Floyd\\Time.mp3"), Mp3("Music\\Pink Floyd Live\\Time.mp3"),
                              FileInfo("Pink.txt", 5), FileInfo("Other\\Blue.txt", 6)})));
        QCOMPARE(written.count(), 1);
        ItemPtr results = qvariant_cast<ItemPtr>(written.at(0).at(0));
        QCOMPARE(ItemSet(results), ResultsOf("bob", 7));
        QCOMPARE(results.GetItem("search_results_user_available").AsString(), QString("yes"));
        QCOMPARE(results.GetItem("search_results_user_speed").AsInt(), 640);
        QCOMPARE(results.GetItem("search_results_uploads_in_queue").AsInt(), 3);
        QCOMPARE(FileNames(results), (std::vector<QString>{"|Pink.txt", "Music\\Pink Floyd|Time.mp3"}));
        ItemPtr song = results.GetItems("search_result").Connected("search_result_file_name", "Time.mp3");
        QCOMPARE(song.GetItem("file_size").AsInt(), 1000);
        QCOMPARE(song.GetItem("bitrate").AsInt(), 320);
        QCOMPARE(song.GetItem("length_seconds").AsInt(), 215);
        QCOMPARE(song.GetItem("bitrate_mode").AsString(), QString("vbr"));

        QStringList filtered;
        for (const QList<QVariant>& line : logged)
            if (line.at(0).toString() == "Search")
                filtered << line.at(1).toString().section("] ", 1);
        QCOMPARE(filtered,
                 (QStringList{"Filtered out search result Music\\Pink Floyd Live\\Time.mp3 from user bob",
                              "Filtered out search result Other\\Blue.txt from user bob"}));
    }

    // The same file twice from one user is one result; from another user it
    // is another. A wish-list search counts all its runs as one.
    void duplicates()
    {
        RecordSearchRequest(1, "moon", false);
        QVERIFY(Handle("bob", Reply("bob", 1, {FileInfo("a\\moon.ogg", 1), FileInfo("a\\moon.ogg", 1)})));
        QVERIFY(Handle("bob", Reply("bob", 1, {FileInfo("a\\moon.ogg", 1), FileInfo("b\\moon.ogg", 1)})));
        QVERIFY(Handle("cat", Reply("cat", 1, {FileInfo("a\\moon.ogg", 1)})));
        QCOMPARE(FileNames(ResultsOf("bob", 1)), (std::vector<QString>{"a|moon.ogg", "b|moon.ogg"}));
        QCOMPARE(ResultsOf("bob", 1).Size(), size_t(2));
        QCOMPARE(FileNames(ResultsOf("cat", 1)), std::vector<QString>{"a|moon.ogg"});

        RecordSearchRequest(2, "moon", true);
        RecordSearchRequest(3, "moon", true);
        RecordSearchRequest(4, "moon", false);
        QVERIFY(Handle("bob", Reply("bob", 2, {FileInfo("a\\moon.ogg", 1)})));
        QVERIFY(Handle("bob", Reply("bob", 3, {FileInfo("a\\moon.ogg", 1), FileInfo("c\\moon.ogg", 1)})));
        QVERIFY(Handle("bob", Reply("bob", 4, {FileInfo("a\\moon.ogg", 1)})));
        QCOMPARE(FileNames(ResultsOf("bob", 3)), std::vector<QString>{"c|moon.ogg"});
        QCOMPARE(FileNames(ResultsOf("bob", 4)), std::vector<QString>{"a|moon.ogg"});
    }

    void repliesThatLeaveNothing()
    {
        QSignalSpy written(handler.get(), &PeerMessageHandler::SearchResults);
        RecordSearchRequest(5, "moon", false);
        // Nothing matches; an unknown search; a stopped one; results without the optional tail.
        QVERIFY(Handle("bob", Reply("bob", 5, {FileInfo("sun.ogg", 1)})));
        QVERIFY(Handle("bob", Reply("bob", 99, {FileInfo("moon.ogg", 1)})));
        QCOMPARE(d.GetType("search_results")->ItemCount(), size_t(0));
        QVERIFY(Handle("bob", Reply("bob", 5, {FileInfo("moon.ogg", 1)}, false)));
        QCOMPARE(ResultsOf("bob", 5).First().GetItem("search_results_user_available").AsString(), QString("no"));
        d.GetType("search_request")->HasItem(Value(5)).NewItem("search_stopped");
        QVERIFY(Handle("bob", Reply("bob", 5, {FileInfo("moon2.ogg", 1)})));
        QCOMPARE(written.count(), 1);
        QCOMPARE(d.GetType("search_results")->ItemCount(), size_t(1));
    }

    // A reply that names another user than the connection's, or that cannot
    // be read, closes the connection.
    void badReplies()
    {
        RecordSearchRequest(6, "moon", false);
        QVERIFY(!Handle("bob", Reply("mallory", 6, {FileInfo("moon.ogg", 1)})));
        MemStream files;
        files.Write(QString("bob"));
        files.Write(uint32_t(6));
        files.Write(uint32_t(2));
        files.Write(FileInfo("moon.ogg", 1));
        QVERIFY(!Handle("bob", BuildCompressedMessage(9, files)));
        QVERIFY(!Handle("bob", BuildCompressedMessage(9, Body(QString("bob")))));
        QCOMPARE(d.GetType("search_results")->ItemCount(), size_t(0));
    }

    void unsharedUsersAreNotHeard()
    {
        // The sharing part declares the mark; without it every user is heard.
        Type* unshared = d.NewType("unshared", Tertiary, true, true);
        d.GetType("user")->RelateToType(unshared, Many, One, false);
        RecordSearchRequest(8, "moon", false);
        d.GetType("user")->GetItem("bob").NewItem("unshared");
        QVERIFY(Handle("bob", Reply("mallory", 8, {FileInfo("moon.ogg", 1)})));
        QCOMPARE(d.GetType("search_results")->ItemCount(), size_t(0));
    }

    void pathsSplitAtTheLastSeparator_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::newRow("backslashes") << "a\\b\\c.mp3"
                                     << "a\\b"
                                     << "c.mp3";
        QTest::newRow("slashes") << "a/b/c.mp3"
                                 << "a/b"
                                 << "c.mp3";
        QTest::newRow("mixed") << "a\\b/c.mp3"
                               << "a\\b"
                               << "c.mp3";
        QTest::newRow("trailing separator") << "a\\b\\"
                                            << "a"
                                            << "b";
        QTest::newRow("no separator") << "c.mp3"
                                      << ""
                                      << "c.mp3";
    }

    void pathsSplitAtTheLastSeparator()
    {
        QFETCH(QString, path);
        QString folder;
        QString name;
        SplitResultPath(path, folder, name);
        QTEST(folder, "folder");
        QTEST(name, "name");
    }
};

QTEST_GUILESS_MAIN(TestSearchResults)
#include "tst_searchresults.moc"
