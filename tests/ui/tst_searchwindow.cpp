#include "ClientHome.h"
#include "SharingPeer.h"

#include "LocalServer.h"
#include "app/ClientCore.h"
#include "app/Settings.h"
#include "peer/PeerMessenger.h"
#include "peer/SearchResults.h"
#include "search/SearchRequestRecord.h"
#include "search/WishListSearcher.h"
#include "server/Server.h"
#include "shares/SharedFoldersManager.h"
#include "store/Data.h"
#include "transfers/TransferQueueManager.h"
#include "ui/FilterBox.h"
#include "ui/MainWindow.h"
#include "ui/RelatedTermsView.h"
#include "ui/SearchForm.h"
#include "ui/SearchIcons.h"
#include "ui/SearchResultList.h"
#include "ui/SearchScopeChooser.h"
#include "ui/SearchTab.h"
#include "ui/ShareForm.h"
#include "ui/SharesForm.h"
#include "ui/UserInfoForm.h"
#include "ui/UserMenu.h"
#include "ui/UserPicture.h"
#include "ui/UserShareBuilder.h"
#include "ui/WishListView.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QTreeWidget>
#include <QtEndian>
#include <QtTest>

#include <memory>
#include <zlib.h>

Q_DECLARE_METATYPE(UserStanding)

namespace {

constexpr quint64 FiveGigabytes = 5000000000ull;

// A client core without windows, logged out, in a home folder of its own,
// with the search window's types: replies are written into its graph as the
// peer network writes them.
class OfflineCore
{
public:
    OfflineCore()
    {
        qputenv("HOME", home.path().toLocal8Bit());
        d.Clear();
        core = std::make_unique<ClientCore>();
        core->CreateManagers();
        core->WriteSettingDefaults();
        SearchForm::DeclareTypes();
    }
    ~OfflineCore()
    {
        core.reset();
        d.Clear();
    }

private:
    QTemporaryDir home;
    std::unique_ptr<ClientCore> core;
};

struct SharedFile
{
    QString path;
    quint64 size;
    int bitrate = -1;
};

// A search reply as it comes from a peer, written into the graph.
ItemPtr Reply(unsigned int token, const QString& user, const std::vector<SharedFile>& files, bool free,
              quint32 speed = 0, quint32 queue = 0)
{
    std::vector<FileInfo> infos;
    for (const SharedFile& file : files) {
        AttributeMap attributes;
        if (file.bitrate > 0) {
            attributes.Add(AttributeMap::Bitrate, quint32(file.bitrate));
            attributes.Add(AttributeMap::VariableBitrate, 0);
        }
        infos.emplace_back(file.path.toStdString(), file.size, attributes);
    }
    MemStream body;
    body.Write(user);
    body.Write(uint32_t(token));
    body.Write(infos);
    body.Write(uint8_t(free ? 1 : 0));
    body.Write(uint32_t(speed));
    body.Write(uint32_t(queue));
    return WriteSearchReply(user, body).results;
}

QStringList TopLevel(const QTreeWidget* tree, bool visibleOnly = true)
{
    QStringList names;
    for (int index = 0; index < tree->topLevelItemCount(); ++index)
        if (!visibleOnly || !tree->topLevelItem(index)->isHidden())
            names.append(tree->topLevelItem(index)->text(UserColumn));
    return names;
}

QAction* Action(const SearchTab& tab, const char* name)
{
    return tab.ToolBar()->findChild<QAction*>(name);
}

constexpr int WaitMs = 20000;

QByteArray Pattern(int size, char seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int index = 0; index < size; ++index)
        bytes[index] = char(seed + index * 7 + index / 251);
    return bytes;
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A folder as peers name it.
QString Remote(const QString& path)
{
    return QString(path).replace('/', '\\');
}

QString Status(ItemPtr entry)
{
    return entry.GetItem("download_entry_status").AsString();
}

// The finished download, where it lands in the downloads folder.
QByteArray Downloaded(ItemPtr entry)
{
    return ReadFile(transferQueueManager->GetDownloadTargetPath(entry, true).replace('\\', '/'));
}

void SaveScreenshot(QWidget* window, const QString& name)
{
    const QString folder = QCoreApplication::applicationDirPath() + "/../artifacts";
    QDir().mkpath(folder);
    const QString path = QDir(folder).absoluteFilePath(name);
    window->grab().toImage().save(path);
    qInfo("Screenshot: %s", qPrintable(QDir::cleanPath(path)));
}

SearchResultRow* Row(QTreeWidget* tree, const QString& text, int column)
{
    const QList<QTreeWidgetItem*> found = tree->findItems(text, Qt::MatchRecursive | Qt::MatchEndsWith, column);
    return found.size() == 1 ? static_cast<SearchResultRow*>(found.first()) : nullptr;
}

// The mouse events of a double click, as the window system sends them.
void DoubleClick(QTreeWidget* tree, QTreeWidgetItem* row)
{
    tree->scrollToItem(row);
    const QPoint point = tree->visualItemRect(row).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, point);
}

QAction* Action(QWidget* owner, const char* name)
{
    return owner->findChild<QAction*>(name);
}

} // namespace

// The search window without a network: replies written into the graph as the
// peer network writes them.
class SearchWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void ordering_data()
    {
        QTest::addColumn<UserStanding>("a");
        QTest::addColumn<UserStanding>("b");
        QTest::addColumn<int>("byAvailability");
        QTest::addColumn<int>("bySpeed");
        QTest::newRow("free slot beats any speed")
            << UserStanding{"a", true, 0, 10} << UserStanding{"b", false, 0, 900000} << 1 << -1;
        QTest::newRow("shorter queue without free slots")
            << UserStanding{"a", false, 2, 10} << UserStanding{"b", false, 5, 90} << 1 << -1;
        QTest::newRow("queues of free users not compared")
            << UserStanding{"a", true, 9, 90} << UserStanding{"b", true, 1, 10} << 1 << 1;
        QTest::newRow("equal: speed") << UserStanding{"a", false, 3, 50} << UserStanding{"b", false, 3, 60} << -1 << -1;
        QTest::newRow("equal: name") << UserStanding{"Bob", true, 0, 50} << UserStanding{"alice", true, 0, 50} << 1
                                     << -1;
    }

    void ordering()
    {
        QFETCH(UserStanding, a);
        QFETCH(UserStanding, b);
        QTEST(qBound(-1, CompareByAvailability(a, b), 1), "byAvailability");
        QTEST(qBound(-1, CompareBySpeed(a, b), 1), "bySpeed");
        QCOMPARE(qBound(-1, CompareByAvailability(b, a), 1), -qBound(-1, CompareByAvailability(a, b), 1));
    }

    // Users, folders and files; orderings; expand actions; sizes.
    void groupingAndOrdering()
    {
        OfflineCore core;
        RecordSearchRequest(7, "abba", false);
        SearchTab tab("abba", SearchTab::Scope::All);
        tab.AddRequest(d.GetType("search_request")->HasItem(Value(7u)));
        tab.Enqueue(Reply(7, "slow", {{"Music\\ABBA\\Waterloo.mp3", 4000000, 192}}, false, 900 * 1024, 4));
        tab.Enqueue(
            Reply(7, "free", {{"ABBA\\Gold\\Waterloo.mp3", 3000}, {"ABBA\\Live\\SOS.mp3", FiveGigabytes}}, true, 0));
        tab.Enqueue(Reply(7, "busy", {{"abba\\Mamma Mia.mp3", 10}}, false, 100 * 1024, 1));
        tab.Flush();
        QTreeWidget* tree = tab.Tree();
        // A free slot first, then the shorter queue.
        QCOMPARE(TopLevel(tree), QStringList({"free", "busy", "slow"}));
        QTreeWidgetItem* free = tree->topLevelItem(0);
        QCOMPARE(free->text(FreeColumn), QString("Y"));
        QCOMPARE(free->text(SpeedColumn), QString());
        QCOMPARE(tree->topLevelItem(2)->text(FreeColumn), QString("4"));
        QCOMPARE(tree->topLevelItem(2)->text(SpeedColumn), QString("900.0"));
        QCOMPARE(free->childCount(), 2);
        QCOMPARE(free->child(0)->text(FolderColumn), QString("ABBA\\Gold"));
        QTreeWidgetItem* big = free->child(1)->child(0);
        QCOMPARE(big->text(FileColumn), QString("SOS.mp3"));
        QCOMPARE(big->text(SizeColumn), QString("5,000,000,000 (4.7 GiB)"));
        QCOMPARE(tree->topLevelItem(2)->child(0)->child(0)->text(AttributesColumn), QString("192 CBR"));
        QVERIFY(free->isExpanded() && free->child(0)->isExpanded());
        QCOMPARE(tab.Title(), QString("abba (4)"));
        QVERIFY(tab.CountLabel()->text().startsWith("4 files from 3 users"));

        // A later reply of the same user joins its row and tells its new standing.
        tab.Enqueue(Reply(7, "slow", {{"Music\\ABBA\\SOS.mp3", 5000}}, true, 900 * 1024));
        tab.Flush();
        QCOMPARE(TopLevel(tree), QStringList({"slow", "free", "busy"}));
        QCOMPARE(tree->topLevelItem(0)->child(0)->childCount(), 2);

        QCOMPARE(Action(tab, "order_by_available")->text(), QString("Order by Available [on]"));
        QCOMPARE(Action(tab, "order_by_fastest")->text(), QString("Order by Fastest"));
        Action(tab, "order_by_fastest")->trigger();
        QCOMPARE(Action(tab, "order_by_available")->text(), QString("Order by Available"));
        QCOMPARE(Action(tab, "order_by_fastest")->text(), QString("Order by Fastest [on]"));
        QVERIFY(tab.Flag("order_by_fastest") && !tab.Flag("order_by_available"));
        QCOMPARE(TopLevel(tree), QStringList({"slow", "busy", "free"}));
        Action(tab, "expand_users")->trigger();
        QCOMPARE(Action(tab, "expand_users")->text(), QString("Expand Users [off]"));
        QVERIFY(!tree->topLevelItem(0)->isExpanded());
        Action(tab, "expand_folders")->trigger();
        QVERIFY(!tree->topLevelItem(0)->child(0)->isExpanded());
    }

    // The filter hides files, folders and users; saved and default filters.
    void filtering()
    {
        OfflineCore core;
        RecordSearchRequest(3, "abba", false);
        {
            SearchTab tab("abba", SearchTab::Scope::All);
            tab.Enqueue(Reply(
                3, "alice",
                {{"ABBA\\Live\\Waterloo.mp3", 1}, {"ABBA\\Gold\\Waterloo.mp3", 2}, {"ABBA\\Gold\\SOS.mp3", 3}}, true));
            tab.Enqueue(Reply(3, "bob", {{"ABBA Live\\Waterloo.mp3", 1}}, true));
            tab.Flush();
            QTreeWidget* tree = tab.Tree();
            tab.SetFilter("-live");
            QCOMPARE(TopLevel(tree), QStringList({"alice"}));
            QTreeWidgetItem* alice = tree->topLevelItem(0);
            QVERIFY(alice->child(0)->text(FolderColumn) == "ABBA\\Gold" && !alice->child(0)->isHidden());
            QVERIFY(alice->child(1)->isHidden());
            QVERIFY(tab.CountLabel()->text().contains("2 hidden by the filter"));
            // Words split between a folder and its files, and a minimum of files.
            tab.SetFilter("gold sos");
            QVERIFY(!alice->child(0)->isHidden() && !alice->child(0)->child(0)->isHidden());
            QVERIFY(alice->child(0)->child(1)->isHidden());
            tab.SetFilter("waterloo mfif:2");
            QVERIFY(alice->isHidden());
            tab.SetFilter("");
            QCOMPARE(TopLevel(tree), QStringList({"alice", "bob"}));
            QVERIFY(!alice->child(1)->isHidden());

            tab.Filter()->SetText("gold");
            tab.Filter()->SaveFilter();
            QTRY_COMPARE(tab.Filter()->Chooser()->count(), 1);
            tab.Filter()->DefaultBox()->setChecked(true);
            QCOMPARE(GetSetting("default_search_filter"), QString("gold"));
        }
        QCOMPARE(d.GetType("saved_filter")->ItemCount(), std::size_t(1));
        // A new search starts with the default filter.
        SearchTab next("abba", SearchTab::Scope::All);
        QCOMPARE(next.Filter()->Text(), QString("gold"));
        QVERIFY(next.Filter()->DefaultBox()->isChecked());
        next.Enqueue(Reply(3, "carol", {{"ABBA\\Live\\SOS.mp3", 1}, {"ABBA\\Gold\\SOS.mp3", 1}}, true));
        next.Flush();
        QCOMPARE(next.Results().HiddenFileCount(), 1);
        next.Filter()->DefaultBox()->setChecked(false);
        QCOMPARE(GetSetting("default_search_filter"), QString());
    }

    // One row per file with all seven columns; the filter still works by folder.
    void flatMode()
    {
        OfflineCore core;
        SetSetting("use_old_style_search_results", "yes");
        RecordSearchRequest(4, "abba", false);
        SearchTab tab("abba", SearchTab::Scope::All);
        tab.Enqueue(Reply(4, "alice", {{"ABBA\\Gold\\SOS.mp3", 3}, {"ABBA\\Live\\SOS.mp3", 3}}, false, 2048, 2));
        tab.Flush();
        QTreeWidget* tree = tab.Tree();
        QCOMPARE(tree->topLevelItemCount(), 2);
        QTreeWidgetItem* row = tree->topLevelItem(0);
        QCOMPARE(QStringList({row->text(0), row->text(1), row->text(2), row->text(3), row->text(4), row->text(5)}),
                 QStringList({"alice", "2", "2.0", "ABBA\\Gold", "SOS.mp3", "3"}));
        tab.SetFilter("live");
        QVERIFY(row->isHidden() && !tree->topLevelItem(1)->isHidden());
        QVERIFY(!Action(tab, "expand_users")->isEnabled());
    }

    // A tab shows a bounded number of results: further ones are counted and
    // leave the graph; stopping and closing the tab.
    void limitStopAndClose()
    {
        OfflineCore core;
        const ItemPtr request = RecordSearchRequest(5, "flood", false);
        auto tab = std::make_unique<SearchTab>("flood", SearchTab::Scope::All, 5);
        tab->AddRequest(request);
        std::vector<SharedFile> files;
        for (int index = 0; index < 8; ++index)
            files.push_back({QString("flood\\%1.mp3").arg(index), 1});
        tab->Enqueue(Reply(5, "mallory", files, true));
        tab->Enqueue(Reply(5, "trudy", {{"flood\\x.mp3", 1}}, true));
        tab->Flush();
        QCOMPARE(tab->Results().FileCount(), 5);
        QCOMPARE(tab->NotShownCount(), 4);
        QVERIFY(tab->CountLabel()->text().contains("4 more not shown (a search shows at most 5)"));
        QCOMPARE(d.GetType("search_result")->ItemCount(), std::size_t(5));
        QCOMPARE(request.GetItems("search_results").Size(), std::size_t(1));

        const ItemPtr reply = Reply(5, "eve", {{"flood\\eve.mp3", 1}}, true);
        tab->Enqueue(reply);
        tab->Flush();
        QCOMPARE(tab->NotShownCount(), 5);
        QCOMPARE(TopLevel(tab->Tree()), QStringList({"mallory"}));

        Action(*tab, "stop_search")->trigger();
        QVERIFY(request.IsConnected("search_stopped"));
        QVERIFY(!Action(*tab, "stop_search")->isEnabled());
        QVERIFY(!Reply(5, "late", {{"flood\\late.mp3", 1}}, true));
        tab.reset();
        QCOMPARE(d.GetType("search_result")->ItemCount(), std::size_t(0));
        QCOMPARE(d.GetType("search_results_widget")->ItemCount(), std::size_t(0));
    }

    void resultsRemovedElsewhere()
    {
        OfflineCore core;
        RecordSearchRequest(6, "abba", false);
        SearchTab tab("abba", SearchTab::Scope::All);
        const ItemPtr alice = Reply(6, "alice", {{"ABBA\\SOS.mp3", 1}, {"ABBA\\Waterloo.mp3", 1}}, true);
        tab.Enqueue(alice);
        tab.Enqueue(Reply(6, "bob", {{"ABBA\\SOS.mp3", 1}}, true));
        tab.Flush();
        const ItemPtr waiting = Reply(6, "carol", {{"ABBA\\SOS.mp3", 1}}, true);
        tab.Enqueue(waiting);
        alice.GetItems("search_result").Remove();
        alice.Remove();
        waiting.GetItems("search_result").Remove();
        waiting.Remove();
        tab.Flush();
        QCOMPARE(TopLevel(tab.Tree()), QStringList({"bob"}));
        QCOMPARE(tab.Results().FileCount(), 1);
    }

    // Double-clicking a file queues it on its own; double-clicking a folder
    // queues its files but those of an excluded extension.
    void downloads()
    {
        OfflineCore core;
        d.GetType("excluded_download_extension")->GetItem(Value(".INI"));
        RecordSearchRequest(8, "abba", false);
        SearchTab tab("abba", SearchTab::Scope::All);
        tab.Enqueue(Reply(
            8, "alice",
            {{"Music\\ABBA\\SOS.mp3", 3}, {"Music\\ABBA\\desktop.ini", 1}, {"Music\\ABBA\\Live.mkv", FiveGigabytes}},
            true));
        tab.Flush();
        QTreeWidgetItem* folder = tab.Tree()->topLevelItem(0)->child(0);
        const auto entry
            = [](const char* name) { return transferQueueManager->GetDownloadEntry("alice", name, "Music\\ABBA"); };
        const QList<QTreeWidgetItem*> sos = tab.Tree()->findItems("SOS.mp3", Qt::MatchRecursive, FileColumn);
        QCOMPARE(sos.size(), 1);
        emit tab.Tree()->itemDoubleClicked(sos.first(), FileColumn);
        QVERIFY(entry("SOS.mp3").IsConnected("single_download"));
        QCOMPARE(entry("SOS.mp3").GetItem("file_size").AsString(), QString("3"));
        QVERIFY(!entry("Live.mkv"));
        QVERIFY(tab.CountLabel()->text().endsWith("1 file queued for download from alice."));

        emit tab.Tree()->itemDoubleClicked(folder, FolderColumn);
        QCOMPARE(entry("Live.mkv").GetItem("file_size").AsString(), QString("5000000000"));
        QVERIFY(!entry("Live.mkv").IsConnected("single_download"));
        QVERIFY(!entry("desktop.ini"));
        QVERIFY(tab.CountLabel()->text().endsWith(
            "2 files queued for download from alice. 1 left out (excluded extension)."));
    }

    // What a peer sends is bounded: a picture whose header declares a huge
    // image is not decoded, a listing keeps at most so many files, and
    // folders nested too deep stand at the top level.
    void hostilePeers()
    {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QImage(16, 16, QImage::Format_RGB32).save(&buffer, "PNG");
        qToBigEndian<quint32>(100000, png.data() + 16);
        qToBigEndian<quint32>(100000, png.data() + 20);
        const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.constData() + 12), 17);
        qToBigEndian<quint32>(quint32(crc), png.data() + 29);
        const UserPicture huge = UserPicture::Decode(png, UserInfoForm::PictureBox);
        QVERIFY(huge.image.isNull());
        QCOMPARE(huge.error, QString("The picture is too large to be shown (100000 by 100000 pixels)."));

        OfflineCore core;
        FileInfoMap listing;
        std::string path = "deep";
        for (int level = 0; level <= UserShareBuilder::MaxDepth + 1; ++level, path += "\\deep")
            listing[path] = {FileInfo("a.mp3", 1, AttributeMap()), FileInfo("b.mp3", 2, AttributeMap())};
        UserShareBuilder builder(d.GetType("user_share")->NewItem(), listing, 100);
        while (!builder.Step(7))
            ;
        QCOMPARE(builder.FileCount(), 100);
        QCOMPARE(builder.SkippedFiles(), 2 * int(listing.size()) - 100);
        const std::vector<ItemPtr>& folders = builder.Folders();
        QVERIFY(folders.at(UserShareBuilder::MaxDepth).IsConnected("user_share_folder_parent"));
        QVERIFY(!folders.at(UserShareBuilder::MaxDepth + 1).IsConnected("user_share_folder_parent"));
    }

    // The search line, scopes, related terms and the wish list of the window.
    void searchForm()
    {
        OfflineCore core;
        SearchForm form;
        // Rooms come and go in the scopes.
        const ItemPtr room = d.GetType("room")->GetItem(Value("nordic"));
        room += d.GetType("in_room")->GetGlobalNullItem();
        QCOMPARE(form.Scopes()->itemText(2), QString("Room: nordic"));
        room.Disconnect("in_room");
        QCOMPARE(form.Scopes()->count(), 2);

        form.Input()->setText("   ");
        QTest::keyClick(form.Input(), Qt::Key_Return);
        QCOMPARE(form.Tabs()->count(), 1);
        form.Input()->setText("  pink floyd ");
        QTest::keyClick(form.Input(), Qt::Key_Return);
        QCOMPARE(form.Tabs()->count(), 2);
        QVERIFY(form.Input()->text().isEmpty());
        SearchTab* tab = form.CurrentTab();
        QCOMPARE(tab->Text(), QString("pink floyd"));
        QCOMPARE(tab->GetScope(), SearchTab::Scope::All);
        QCOMPARE(form.Tabs()->tabText(1), QString("pink floyd (0)"));

        // Related terms of the server, best first; choosing one searches for it.
        const ItemPtr text = d.GetType("search_request_text")->GetItem(Value("pink floyd"));
        for (auto [term, rank] : {std::pair("the wall", 2), std::pair("roger waters", 9)}) {
            const ItemPtr correlation = text.NewItem("search_correlation");
            correlation += d.GetType("correlation_text")->GetItem(Value(term));
            correlation += d.GetType("correlation_rank")->GetItem(Value(rank));
        }
        form.OnSearchCorrelations("pink floyd");
        QVERIFY(!form.RelatedTerms()->isHidden());
        QCOMPARE(form.RelatedTerms()->List()->item(0)->text(), QString("roger waters"));
        emit form.RelatedTerms()->List()->itemActivated(form.RelatedTerms()->List()->item(1));
        QCOMPARE(form.CurrentTab()->Text(), QString("the wall"));
        QVERIFY(form.RelatedTerms()->isHidden());

        // Results reach the tab of their search.
        const ItemPtr request = d.GetType("search_request_text")->HasItem(Value("the wall")).GetItem("search_request");
        emit peerMessenger->SearchResults(Reply(request.AsUInt(), "dave", {{"The Wall\\Mother.mp3", 1}}, true));
        QTRY_COMPARE(form.CurrentTab()->Results().FileCount(), 1);

        // A search started elsewhere gets a tab.
        gp_server->FileSearch("meddle", false);
        QCOMPARE(form.CurrentTab()->Text(), QString("meddle"));
        form.CloseTab(form.CurrentTab());
        QCOMPARE(form.Tabs()->count(), 3);
    }

    // Wishes are added, switched on and off and removed in the window; a
    // wish's results open its tab.
    void wishList()
    {
        OfflineCore core;
        SearchForm form;
        WishListView* view = form.WishList();
        view->Entry()->setText(" dark side ");
        QTest::keyClick(view->Entry(), Qt::Key_Return);
        QVERIFY(WishListSearcher::FindWish("dark side"));
        QTRY_COMPARE(view->List()->topLevelItemCount(), 1);
        QTreeWidgetItem* wish = view->List()->topLevelItem(0);
        QCOMPARE(wish->checkState(0), Qt::Checked);
        wish->setCheckState(0, Qt::Unchecked);
        QVERIFY(WishListSearcher::EnabledWishes().empty());
        QTRY_COMPARE(view->List()->topLevelItem(0)->checkState(0), Qt::Unchecked);
        view->List()->topLevelItem(0)->setCheckState(0, Qt::Checked);
        QCOMPARE(WishListSearcher::EnabledWishes().size(), std::size_t(1));

        // From the search line, with a tab waiting for the wish's turn.
        form.Input()->setText("meddle");
        form.findChild<QPushButton*>("add_to_wish_list")->click();
        QTRY_COMPARE(view->List()->topLevelItemCount(), 2);
        SearchTab* waiting = form.FindWishTab("meddle");
        QVERIFY(waiting && form.CurrentTab() == waiting);
        QVERIFY(waiting->CountLabel()->text().startsWith("Waiting for the wish list's turn"));

        // A run of the wish: its results open the wish's tab.
        const unsigned int token = gp_server->FileSearch("dark side", true);
        emit peerMessenger->SearchResults(Reply(token, "erin", {{"Dark Side\\Time.mp3", 1}}, true));
        SearchTab* tab = form.FindWishTab("dark side");
        QVERIFY(tab);
        QTRY_COMPARE(tab->Results().FileCount(), 1);
        const int index = form.Tabs()->indexOf(tab);
        QCOMPARE(form.Tabs()->tabIcon(index).cacheKey(), WishListIcon().cacheKey());
        // A later run goes to the same tab; a file listed before is not listed again.
        const unsigned int again = gp_server->FileSearch("dark side", true);
        QVERIFY(!Reply(again, "erin", {{"Dark Side\\Time.mp3", 1}}, true));
        emit peerMessenger->SearchResults(Reply(again, "erin", {{"Dark Side\\Money.mp3", 1}}, true));
        QTRY_COMPARE(tab->Results().FileCount(), 2);

        Action(*tab, "remove_from_wish_list")->trigger();
        QVERIFY(!WishListSearcher::FindWish("dark side"));
        QTRY_COMPARE(view->List()->topLevelItemCount(), 1);
        view->List()->topLevelItem(0)->setSelected(true);
        view->findChild<QPushButton*>("remove_wishes")->click();
        QVERIFY(!WishListSearcher::FindWish("meddle"));
    }

    // Bob's window with two other users on the local server: alice (no free
    // upload slot) and carol, who shares a folder tree with a file too large
    // for 32 bits and tells about herself with a wide picture.
    void network()
    {
        QTemporaryDir files;
        const QString aliceShare = files.path() + "/alice";
        const QString carolShare = files.path() + "/carol";
        const QString bobShare = files.path() + "/bob";
        const QString gold = carolShare + "/ABBA/Gold";
        const QByteArray waterloo = Pattern(300000, 1);
        const QByteArray sos = Pattern(120000, 2);
        const QByteArray fernando = Pattern(70000, 3);
        QVERIFY(WriteFile(gold + "/Waterloo.mp3", waterloo) && WriteFile(gold + "/SOS.mp3", sos));
        QVERIFY(WriteFile(gold + "/Bonus/Fernando.mp3", fernando) && WriteFile(gold + "/Bonus/desktop.ini", "x"));
        QVERIFY(QDir().mkpath(carolShare + "/ABBA/Live"));
        QFile large(carolShare + "/ABBA/Live/Concert.mkv");
        QVERIFY(large.open(QIODevice::WriteOnly) && large.resize(qint64(FiveGigabytes))); // sparse
        large.close();
        QVERIFY(WriteFile(aliceShare + "/abba covers/Dancing Queen.mp3", Pattern(5000, 4)));
        QVERIFY(WriteFile(bobShare + "/mine/a.txt", "a") && WriteFile(bobShare + "/mine/deeper/b.txt", "b"));
        QImage wide(1600, 400, QImage::Format_RGB32);
        for (int x = 0; x < wide.width(); ++x)
            for (int y = 0; y < wide.height(); ++y)
                wide.setPixel(x, y, qRgb(x * 255 / 1600, 90 + y / 4, 160));
        QVERIFY(wide.save(files.path() + "/carol.png"));

        ClientHome home;
        const std::unique_ptr<localserver::LocalServer> server = StartLocalServer();
        QVERIFY(server);
        SharingPeer alice, carol;
        QVERIFY(alice.Start(server->ServerPort(), "alice", aliceShare, {{"upload_slots", "0"}}));
        QVERIFY(carol.Start(server->ServerPort(), "carol", carolShare,
                            {{"user_description", "Hello from carol\n<b>not bold</b>"},
                             {"user_picture_file", files.path() + "/carol.png"}}));
        // Bob's window opens no listening port (none is a port number) until
        // it has been told to listen on loopback only.
        SaveLogin(home, "bob", server->ServerPort(), {{"listening_port", "70000"}});
        const std::unique_ptr<MainWindow> window = StartClient();
        window->resize(1100, 700);
        peerMessenger->SetListeningAddress(QHostAddress::LocalHost);
        const QPair<quint16, quint16> ports = FreeListeningPorts();
        SetSetting("listening_port", QString::number(ports.first));
        SetSetting("obfuscated_listening_port", QString::number(ports.second));
        peerMessenger->DataLoaded();
        QVERIFY(peerMessenger->IsListening());
        QTRY_VERIFY_WITH_TIMEOUT(gp_server->IsConnected(), WaitMs);
        // What a first run excludes (the saved login stands for an earlier run).
        d.GetType("excluded_download_extension")->GetItem(Value(".ini"));

        // A search typed in the window: results grouped by user and folder,
        // the user with a free slot first.
        window->Tabs()->setCurrentWidget(window->Search());
        window->Search()->Input()->setText("abba");
        QTest::keyClick(window->Search()->Input(), Qt::Key_Return);
        SearchTab* tab = window->Search()->CurrentTab();
        QVERIFY(tab && tab->Text() == "abba");
        QTRY_COMPARE_WITH_TIMEOUT(tab->Results().FileCount(), 6, WaitMs);
        QTreeWidget* tree = tab->Tree();
        QCOMPARE(TopLevel(tree), QStringList({"carol", "alice"}));
        QCOMPARE(tree->topLevelItem(0)->text(FreeColumn), QString("Y"));
        QCOMPARE(tree->topLevelItem(1)->text(FreeColumn), QString("0"));
        QCOMPARE(tree->topLevelItem(0)->childCount(), 3);
        SearchResultRow* waterlooRow = Row(tree, "Waterloo.mp3", FileColumn);
        QVERIFY(waterlooRow && waterlooRow->parent()->text(FolderColumn) == Remote(gold));
        QCOMPARE(Row(tree, "Concert.mkv", FileColumn)->text(SizeColumn), QString("5,000,000,000 (4.7 GiB)"));
        QCOMPARE(window->Search()->Tabs()->tabText(window->Search()->Tabs()->indexOf(tab)), QString("abba (6)"));
        SaveScreenshot(window.get(), "search-results.png");

        // A filter that leaves nothing of alice hides her folder and her row.
        tab->SetFilter("-covers");
        QCOMPARE(TopLevel(tree), QStringList({"carol"}));
        QVERIFY(tree->topLevelItem(1)->child(0)->isHidden());
        tab->SetFilter("");

        // Double-clicking a file queues it and it downloads.
        DoubleClick(tree, waterlooRow);
        const ItemPtr waterlooEntry
            = transferQueueManager->GetDownloadEntry("carol", "Waterloo.mp3", Remote(gold).toStdString());
        QVERIFY(waterlooEntry);
        // It remembers its search, for the transfers window's "Re-run Search".
        QCOMPARE(waterlooEntry.GetItem("search_request_text").AsString(), QString("abba"));
        QTRY_COMPARE_WITH_TIMEOUT(Status(waterlooEntry), QString("complete"), WaitMs);
        QCOMPARE(Downloaded(waterlooEntry), waterloo);

        // "Browse folder" opens carol's share at the folder: the tree from the
        // listing, and the folder with its subfolders downloaded.
        emit tab->BrowseRequested("carol", Remote(gold));
        ShareForm* share = window->Shares()->FindShareBrowse("carol");
        QVERIFY(share);
        QCOMPARE(window->Tabs()->currentWidget(), static_cast<QWidget*>(window->Shares()));
        QTRY_VERIFY_WITH_TIMEOUT(share->Folders()->currentItem(), WaitMs);
        QCOMPARE(share->Folders()->topLevelItemCount(), 1);
        QCOMPARE(share->Folders()->topLevelItem(0)->toolTip(0), Remote(carolShare));
        QTreeWidgetItem* goldRow = share->Folders()->currentItem();
        QCOMPARE(goldRow->toolTip(0), Remote(gold));
        QCOMPARE(goldRow->childCount(), 1);
        QCOMPARE(goldRow->child(0)->text(0), QString("Bonus"));
        QCOMPARE(share->Files()->topLevelItemCount(), 2);
        QCOMPARE(share->Files()->topLevelItem(0)->text(0), QString("SOS.mp3"));
        QCOMPARE(share->Files()->topLevelItem(0)->text(1), QString("120,000 (117.2 KiB)"));
        Action(share, "download_folder")->trigger();
        QVERIFY(share->Status()->text().endsWith(
            "3 files queued for download from carol. 1 left out (excluded extension)."));
        const ItemPtr sosEntry = transferQueueManager->GetDownloadEntry("carol", "SOS.mp3", Remote(gold).toStdString());
        const ItemPtr fernandoEntry
            = transferQueueManager->GetDownloadEntry("carol", "Fernando.mp3", Remote(gold + "/Bonus").toStdString());
        QVERIFY(sosEntry && fernandoEntry);
        QVERIFY(!transferQueueManager->GetDownloadEntry("carol", "desktop.ini", Remote(gold + "/Bonus").toStdString()));
        QCOMPARE(g("download_entry").Size(), std::size_t(3));
        QTRY_VERIFY_WITH_TIMEOUT(Status(sosEntry) == "complete" && Status(fernandoEntry) == "complete", WaitMs);
        QCOMPARE(Downloaded(sosEntry), sos);
        QCOMPARE(Downloaded(fernandoEntry), fernando);
        QVERIFY(QFile::exists(home.Path() + "/Quillmer Downloads/complete/Gold/Bonus/Fernando.mp3"));
        SaveScreenshot(window.get(), "share-browser.png");

        // The user menu asks for carol's information: her description and
        // her picture scaled to fit.
        UserMenu("carol").findChild<QAction*>("get_user_info")->trigger();
        UserInfoForm* info = window->Shares()->FindUserInfo("carol");
        QVERIFY(info);
        QTRY_VERIFY_WITH_TIMEOUT(!info->IsRequesting() && !info->IsDecoding(), WaitMs);
        QCOMPARE(info->Description()->text(), QString("Hello from carol<br>&lt;b&gt;not bold&lt;/b&gt;"));
        QCOMPARE(info->Picture()->pixmap(Qt::ReturnByValue).size(), QSize(800, 200));
        QCOMPARE(info->Free()->text(), QString("Yes"));
        SaveScreenshot(window.get(), "user-info.png");

        // Bob's own files, as alice may see them, offered to her folder by folder.
        sharedFoldersManager->AddSharedFolder(bobShare).NewItem("shared_public");
        QTRY_VERIFY_WITH_TIMEOUT(!sharedFoldersManager->IsScanning(), WaitMs);
        UserMenu("alice").findChild<QAction*>("upload_to_user")->trigger();
        ShareForm* upload = window->Shares()->FindUploadBrowse("alice");
        QVERIFY(upload);
        QTRY_VERIFY_WITH_TIMEOUT(upload->Folders()->currentItem(), WaitMs);
        QCOMPARE(upload->Folders()->currentItem()->toolTip(0), Remote(bobShare));
        Action(upload, "upload_folder")->trigger();
        QStringList offered;
        for (ItemPtr entry : g("upload_entry"))
            offered << entry.GetItem("filename_as_requested").AsString();
        offered.sort();
        QCOMPARE(offered, QStringList({Remote(bobShare + "/mine/a.txt"), Remote(bobShare + "/mine/deeper/b.txt")}));
    }
};

int main(int argc, char** argv)
{
    if (argc > 1 && QByteArray(argv[1]) == SharingPeerArgument)
        return RunSharingPeer(argc, argv);
    QApplication application(argc, argv);
    SearchWindowTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_searchwindow.moc"
