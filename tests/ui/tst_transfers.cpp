#include "ClientHome.h"
#include "TransferPeer.h"

#include "LocalServer.h"

#include "app/ClientCore.h"
#include "app/Settings.h"
#include "server/Server.h"
#include "shares/SharedFoldersManager.h"
#include "store/Data.h"
#include "transfers/TransferQueueManager.h"
#include "transfers/TransferUsers.h"
#include "ui/CompleteDownloadsView.h"
#include "ui/DownloadsView.h"
#include "ui/EventToolBar.h"
#include "ui/MainWindow.h"
#include "ui/RoomsForm.h"
#include "ui/SearchForm.h"
#include "ui/SearchTab.h"
#include "ui/TransferActions.h"
#include "ui/TransferGroupStatus.h"
#include "ui/TransferProgress.h"
#include "ui/TransferTree.h"
#include "ui/TransfersForm.h"
#include "ui/UploadClearing.h"
#include "ui/UploadsView.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {

constexpr int WaitMs = 30000;
using Column = TransferTree::Column;

// A client core without windows or network in a home of its own, with the
// transfer lists' types.
struct OfflineCore
{
    OfflineCore()
    {
        core.CreateManagers();
        core.WriteSettingDefaults();
        TransfersForm::DeclareTypes();
    }
    ClientHome home;
    ClientCore core;
};

QByteArray Pattern(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int index = 0; index < size; ++index)
        bytes[index] = char((index * 31 + index / 7) & 0xff);
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

QAction* Find(QObject* owner, const char* name)
{
    return owner ? owner->findChild<QAction*>(name) : nullptr;
}

void Select(QTreeWidgetItem* row)
{
    row->treeWidget()->clearSelection();
    row->setSelected(true);
}

QString Status(QTreeWidgetItem* row)
{
    return row ? row->text(Column::StatusColumn) : QString();
}

QStringList TopLevel(const QTreeWidget* tree)
{
    QStringList users;
    for (int index = 0; index < tree->topLevelItemCount(); ++index)
        users << tree->topLevelItem(index)->text(Column::UserColumn);
    return users;
}

QColor Foreground(QTreeWidgetItem* row)
{
    return row->foreground(Column::FileColumn).color();
}

// The first file row of the user's with that name.
QTreeWidgetItem* FileRow(const TransferTree& list, const QString& user, const QString& name)
{
    QTreeWidgetItem* userRow = list.UserRow(user);
    for (int folder = 0; userRow && folder < userRow->childCount(); ++folder)
        for (int file = 0; file < userRow->child(folder)->childCount(); ++file)
            if (userRow->child(folder)->child(file)->text(Column::FileColumn) == name)
                return userRow->child(folder)->child(file);
    return nullptr;
}

void SaveScreenshot(QWidget* window, const QString& name)
{
    const QString folder = QCoreApplication::applicationDirPath() + "/../artifacts";
    QDir().mkpath(folder);
    const QString path = QDir(folder).absoluteFilePath(name);
    window->grab().toImage().save(path);
    qInfo("Screenshot: %s", qPrintable(QDir::cleanPath(path)));
}

ItemPtr NewUpload(const QString& user, const QString& status)
{
    const ItemPtr entry = d.GetType("upload_entry")->NewItem();
    entry += UserItem(user);
    entry += d.GetType("upload_entry_status")->GetItem(Value(status));
    return entry;
}

} // namespace

class TransfersTest : public QObject
{
    Q_OBJECT

private slots:
    void groupStatus_data();
    void groupStatus();
    void progress_data();
    void progress();
    void uploadClearing_data();
    void uploadClearing();
    void downloadList();
    void transfersBetweenClients();
};

void TransfersTest::groupStatus_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<bool>("uploads");
    QTest::addColumn<QString>("expected");
    QTest::newRow("queued and complete") << QStringList{"complete", "queued"} << false << "queued";
    QTest::newRow("denied and complete") << QStringList{"complete", "denied"} << false << "denied";
    QTest::newRow("all complete") << QStringList{"complete", "complete"} << false << "complete";
    QTest::newRow("running before queued") << QStringList{"queued", "denied", "downloading"} << false << "downloading";
    QTest::newRow("denied before aborted") << QStringList{"aborted", "denied"} << false << "denied";
    QTest::newRow("aborted and complete") << QStringList{"complete", "aborted"} << false << "aborted";
    QTest::newRow("local error and complete") << QStringList{"local error", "complete"} << false << "";
    QTest::newRow("none") << QStringList{} << false << "";
    QTest::newRow("uploading first") << QStringList{"queued", "uploading"} << true << "uploading";
    QTest::newRow("downloading is no upload word") << QStringList{"downloading", "complete"} << true << "";
    QTest::newRow("requesting and queued") << QStringList{"requesting", "queued"} << true << "queued";
}

void TransfersTest::groupStatus()
{
    QFETCH(QStringList, words);
    QFETCH(bool, uploads);
    TransferGroupStatus status(uploads);
    for (const QString& word : words)
        status.Add(word);
    QTEST(status.Word(), "expected");
}

void TransfersTest::progress_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<qint64>("done");
    QTest::addColumn<qint64>("speed");
    QTest::addColumn<int>("percent");
    QTest::addColumn<QString>("timeLeft");
    QTest::newRow("half") << qint64(1000) << qint64(500) << qint64(100) << 50 << "5s";
    QTest::newRow("one byte short") << qint64(1000) << qint64(999) << qint64(1) << 99 << "1s";
    QTest::newRow("whole") << qint64(1000) << qint64(1000) << qint64(0) << 100 << "";
    QTest::newRow("empty file") << qint64(0) << qint64(0) << qint64(0) << 100 << "";
    QTest::newRow("no speed") << qint64(1) << qint64(0) << qint64(0) << 0 << "";
    QTest::newRow("minutes") << qint64(200) << qint64(0) << qint64(1) << 0 << "3:20";
    QTest::newRow("hours") << qint64(10000000) << qint64(0) << qint64(1000) << 0 << "2:46:40";
    QTest::newRow("beyond 4 GiB") << qint64(5000000000) << qint64(4950000000) << qint64(1000000) << 99 << "50s";
}

void TransfersTest::progress()
{
    QFETCH(qint64, size);
    QFETCH(qint64, done);
    QFETCH(qint64, speed);
    const TransferProgress progress{size, done, speed};
    QTEST(progress.Percent(), "percent");
    QTEST(TimeLeftText(progress.SecondsLeft()), "timeLeft");
}

void TransfersTest::uploadClearing_data()
{
    // Seconds ago; -1: never.
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("changed");
    QTest::addColumn<int>("received");
    QTest::addColumn<bool>("online");
    QTest::addColumn<int>("wentOffline");
    QTest::addColumn<bool>("due");
    QTest::newRow("complete 299 s ago") << "complete" << 299 << -1 << true << -1 << false;
    QTest::newRow("complete 300 s ago") << "complete" << 300 << -1 << true << -1 << true;
    QTest::newRow("aborted, user offline") << "aborted" << 400 << -1 << false << 10 << true;
    QTest::newRow("bytes came lately") << "uploading" << 600 << 100 << true << -1 << false;
    QTest::newRow("stalled") << "uploading" << 600 << 300 << true << -1 << true;
    QTest::newRow("no time at all") << "denied" << -1 << -1 << true << -1 << false;
    QTest::newRow("queued, user online") << "queued" << 900 << -1 << true << 900 << false;
    QTest::newRow("queued, offline 299 s") << "queued" << 900 << -1 << false << 299 << false;
    QTest::newRow("queued, offline 300 s") << "queued" << 300 << -1 << false << 300 << true;
    QTest::newRow("queued, offline long, changed lately") << "queued" << 299 << -1 << false << 900 << false;
    QTest::newRow("queued, offline since when unknown") << "queued" << 900 << -1 << false << -1 << false;
}

void TransfersTest::uploadClearing()
{
    QFETCH(QString, status);
    QFETCH(int, changed);
    QFETCH(int, received);
    QFETCH(bool, online);
    QFETCH(int, wentOffline);
    QFETCH(bool, due);
    OfflineCore offline;
    // Dates are kept to the second.
    const QDateTime now = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch());
    const ItemPtr entry = NewUpload("erin", status);
    const ItemPtr user = entry.GetItem("user");
    if (changed >= 0)
        WriteDate(entry, "last_status_change_time", now.addSecs(-changed));
    if (received >= 0)
        entry += const_cast<TransferCells&>(transferQueueManager->Cells())
                     .NewTime("last_receipt_time", now.addSecs(-received));
    if (online)
        user += d.GetType("is_online")->GetGlobalNullItem();
    if (wentOffline >= 0)
        WriteDate(user, "last_online_status_change", now.addSecs(-wentOffline));

    QCOMPARE(UploadClearing::IsDue(entry, now), due);
    // Only with the setting on does the tick clear anything.
    QCOMPARE(UploadClearing::ClearDue(now), 0);
    SetSetting("clear_complete_aborted_uploads", "yes");
    QCOMPARE(UploadClearing::ClearDue(now), due ? 1 : 0);
    QCOMPARE(g("upload_entry").Size(), due ? 0u : 1u);
}

// The download list of a client without network: rows, group words and
// colours, the actions, and a long queue put in place in slices.
void TransfersTest::downloadList()
{
    OfflineCore offline;
    DownloadsView view;
    view.resize(900, 500);
    view.show();
    TransferTree& list = *view.List();
    QTreeWidget* tree = view.Tree();
    auto add = [](const QString& user, const char* folder, const char* name) {
        return transferQueueManager->AddDownload(user, name, folder, 2048, false, 0);
    };
    const ItemPtr first = add("carol", "music\\live", "one.mp3");
    const ItemPtr second = add("carol", "music\\live", "two.mp3");
    const ItemPtr third = add("carol", "music\\studio", "three.mp3");
    transferQueueManager->SetDownloadEntryStatus(second, "complete");
    QTRY_VERIFY(list.RowOf(first) && !list.HasPendingChanges());

    TransferRow* carol = list.UserRow("carol");
    QCOMPARE(carol->childCount(), 2);
    QTreeWidgetItem* live = list.RowOf(first)->parent();
    QCOMPARE(live->text(Column::FolderColumn), QString("music\\live"));
    QCOMPARE(live->childCount(), 2);
    QCOMPARE(Status(live), QString("queued"));
    QCOMPARE(live->text(Column::FileColumn), QString("2 files"));
    QCOMPARE(live->text(Column::SizeColumn), QString("4.0 KiB"));
    QCOMPARE(Status(list.RowOf(second)), QString("complete"));
    QCOMPARE(list.RowOf(second)->text(Column::ProgressColumn), QString("100%"));
    QCOMPARE(Foreground(list.RowOf(second)), QColor(GetSetting("color_transfer_complete")));
    QCOMPARE(Foreground(live), QColor(GetSetting("color_transfer_queued")));

    transferQueueManager->SetDownloadEntryStatus(first, "denied");
    list.Flush();
    QCOMPARE(Status(live), QString("denied"));
    QCOMPARE(Foreground(live), QColor(GetSetting("color_transfer_failed")));
    QCOMPARE(Status(carol), QString("queued"));

    // The folder row's menu acts on every file of it.
    Select(live);
    std::unique_ptr<QMenu> menu = view.MenuForSelection();
    QCOMPARE(Find(menu.get(), "retry_downloads")->text(), QString("Retry downloads"));
    QVERIFY(!Find(menu.get(), "rerun_search"));
    Find(menu.get(), "notify_folder")->trigger();
    QVERIFY(ItemPtr(TransferTree::AsRow(live)->Node()).IsConnected("complete_download_alert"));
    Find(menu.get(), "retry_downloads")->trigger();
    list.Flush();
    QCOMPARE(Status(list.RowOf(first)), QString("queued"));
    QCOMPARE(Status(list.RowOf(second)), QString("complete"));

    // A file from a search offers to run it again.
    first += d.GetType("search_request_text")->GetItem(Value("live music"));
    Select(list.RowOf(first));
    menu = view.MenuForSelection();
    QCOMPARE(Find(menu.get(), "rerun_search")->text(), QString("Re-run Search: live music"));
    QCOMPARE(Find(menu.get(), "remove_downloads")->text(), QString("Remove download"));
    Find(menu.get(), "notify_file")->trigger();
    QVERIFY(first.IsConnected("complete_download_alert"));
    QStringList opened;
    SetLocalPathOpener([&opened](const QString& path) { opened << path; });
    Find(menu.get(), "open_file")->trigger();
    SetLocalPathOpener(nullptr);
    QCOMPARE(opened, QStringList{offline.home.Path() + "/Quillmer Downloads/downloading/live/one.mp3"});

    Find(view.ToolBar(), "expand_folders")->trigger();
    QCOMPARE(GetSetting("expand_download_folders"), QString("no"));
    QCOMPARE(Find(view.ToolBar(), "expand_folders")->text(), QString("Expand Folders [off]"));
    QVERIFY(!live->isExpanded());
    QVERIFY(carol->isExpanded());

    // Removing the last file of a folder takes the folder's row too; Clear Complete only complete ones.
    Select(list.RowOf(third));
    view.MenuForSelection()->findChild<QAction*>("remove_downloads")->trigger();
    QCOMPARE(carol->childCount(), 1);
    Find(view.ToolBar(), "clear_complete")->trigger();
    QCOMPARE(live->childCount(), 1);
    QVERIFY(list.RowOf(first));
    // Cleared as soon as it arrives, when so set.
    Find(view.ToolBar(), "clear_complete_downloads")->trigger();
    QCOMPARE(GetSetting("clear_complete_downloads"), QString("yes"));
    const ItemPtr arrived = add("carol", "music\\live", "four.mp3");
    transferQueueManager->SetDownloadEntryStatus(arrived, "complete");
    emit transferQueueManager->DownloadComplete(arrived);
    QVERIFY(!transferQueueManager->GetDownloadEntry("carol", "four.mp3", "music\\live"));

    // A long queue comes in slices, the window answering in between.
    const int many = 3000;
    for (int index = 0; index < many; ++index)
        add("dave", "big\\pile", qPrintable(QString("file%1.bin").arg(index, 4, 10, QChar('0'))));
    QTRY_VERIFY_WITH_TIMEOUT(!list.HasPendingChanges(), WaitMs);
    TransferRow* dave = list.UserRow("dave");
    QCOMPARE(dave->child(0)->childCount(), many);
    QCOMPARE(dave->child(0)->child(0)->text(Column::FileColumn), QString("file0000.bin"));
    QCOMPARE(dave->child(0)->child(many - 1)->text(Column::FileColumn), QString("file2999.bin"));
    QCOMPARE(TopLevel(tree), QStringList({"carol", "dave"}));
}

// Alice's window with bob and carol, each a client core of its own, and the
// local server: alice downloads from bob, then bob and carol download from her.
void TransfersTest::transfersBetweenClients()
{
    ClientHome home;
    const QString accounts = home.Path() + "/accounts";
    QVERIFY(WriteFile(accounts, "bob\tsecret\ncarol\tsecret\n"));
    std::unique_ptr<localserver::LocalServer> server = StartLocalServer(accounts);
    QVERIFY(server);
    QTcpServer probes[2];
    for (QTcpServer& probe : probes)
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const QString port = QString::number(probes[0].serverPort());
    const QString obfuscatedPort = QString::number(probes[1].serverPort());
    for (QTcpServer& probe : probes)
        probe.close();
    SaveLogin(home, "alice", server->ServerPort(),
              {{"listening_port", port}, {"obfuscated_listening_port", obfuscatedPort}, {"show_event_buttons", "yes"}});
    std::unique_ptr<MainWindow> window = StartClient();
    window->resize(1200, 640);
    QApplication::setActiveWindow(window.get());
    QTRY_VERIFY_WITH_TIMEOUT(gp_server->IsConnected(), WaitMs);
    window->Tabs()->setCurrentWidget(window->Transfers());
    DownloadsView* downloads = window->Transfers()->Downloads();
    TransferTree& downloadList = *downloads->List();

    // Alice queues two of bob's files while he is away.
    TransferPeer bob;
    QVERIFY(bob.Start(server->ServerPort(), "bob"));
    const QString bobShare = bob.Home() + "/share";
    const QByteArray movie = Pattern(384 * 1024);
    QVERIFY(WriteFile(bobShare + "/movie.bin", movie));
    QVERIFY(WriteFile(bobShare + "/song.bin", Pattern(40 * 1024)));
    const std::string bobFolder = QString(bobShare).replace('/', '\\').toStdString();
    const ItemPtr movieEntry = transferQueueManager->AddDownload("bob", "movie.bin", bobFolder, movie.size(), false, 0);
    transferQueueManager->AddDownload("bob", "song.bin", bobFolder, 40 * 1024, false, 0);
    QTRY_VERIFY(downloadList.RowOf(movieEntry));
    QTreeWidgetItem* movieRow = downloadList.RowOf(movieEntry);
    QCOMPARE(Status(movieRow), QString("queued"));
    QCOMPARE(Status(downloadList.UserRow("bob")), QString("queued"));

    // Told of the file, the folder and everything from bob.
    const std::pair<QTreeWidgetItem*, const char*> alerts[] = {{movieRow, "notify_file"},
                                                               {movieRow->parent(), "notify_folder"},
                                                               {movieRow->parent()->parent(), "notify_user"}};
    for (const auto& [row, action] : alerts) {
        Select(row);
        Find(downloads->MenuForSelection().get(), action)->trigger();
    }

    bob.Command({"share", bobShare});
    QVERIFY(bob.WaitFor({"SHARED"}));
    bob.Command({"limit", "96"});
    bob.Command({"connect"});
    QVERIFY(bob.WaitFor({"CONNECTED"}));
    QTRY_VERIFY_WITH_TIMEOUT(
        Status(movieRow) == "downloading" && movieRow->data(Column::ProgressColumn, PercentRole).toInt() > 0
            && movieRow->data(Column::ProgressColumn, PercentRole).toInt() < 100
            && !movieRow->text(Column::SpeedColumn).isEmpty() && !movieRow->text(Column::TimeLeftColumn).isEmpty(),
        WaitMs);
    QCOMPARE(Status(movieRow->parent()), QString("downloading"));
    QCOMPARE(Foreground(movieRow), QColor(GetSetting("color_transfer_in_progress")));
    downloads->Tree()->clearSelection();
    SaveScreenshot(window.get(), "transfers.png");

    // Out of sight, the alerts come as tray messages and event buttons.
    QSignalSpy tray(eventToolBar, &EventToolBar::TrayMessage);
    window->Tabs()->setCurrentWidget(window->Rooms());
    QTRY_COMPARE_WITH_TIMEOUT(tray.count(), 3, WaitMs);
    const QString folderText = QString::fromStdString(bobFolder);
    QCOMPARE(tray.at(0).at(1).toString(), QString("Download of file movie.bin complete"));
    QCOMPARE(tray.at(1).at(1).toString(), QString("Download of folder %1 complete").arg(folderText));
    QCOMPARE(tray.at(2).at(1).toString(), QString("All download from user bob complete"));
    QCOMPARE(eventToolBar->ButtonCount(), 3);
    window->Tabs()->setCurrentWidget(window->Transfers());
    QCOMPARE(eventToolBar->ButtonCount(), 0);
    downloadList.Flush();
    QCOMPARE(Status(movieRow), QString("complete"));
    QCOMPARE(movieRow->text(Column::ProgressColumn), QString("100%"));
    QCOMPARE(Status(downloadList.UserRow("bob")), QString("complete"));
    QTreeWidget* history = window->Transfers()->History()->Tree();
    QCOMPARE(history->topLevelItemCount(), 2);
    // Newest first.
    const QStringList song{"song.bin", "share", "bob", "40.0 KiB"};
    for (int column = 0; column < song.size(); ++column)
        QCOMPARE(history->topLevelItem(0)->text(column), song.at(column));

    QStringList opened;
    SetLocalPathOpener([&opened](const QString& path) { opened << path; });
    Select(movieRow);
    Find(downloads->MenuForSelection().get(), "open_file")->trigger();
    SetLocalPathOpener(nullptr);
    QCOMPARE(opened.size(), 1);
    QCOMPARE(opened.at(0), home.Path() + "/Quillmer Downloads/complete/share/movie.bin");
    QVERIFY(ReadFile(opened.at(0)) == movie);
    // A download found by a search can run it again.
    movieEntry += d.GetType("search_request_text")->GetItem(Value("movie"));
    Find(downloads->MenuForSelection().get(), "rerun_search")->trigger();
    QCOMPARE(window->Tabs()->currentWidget(), static_cast<QWidget*>(window->Search()));
    QCOMPARE(window->Search()->CurrentTab()->Text(), QString("movie"));
    window->Tabs()->setCurrentWidget(window->Transfers());
    Find(downloads->ToolBar(), "clear_complete")->trigger();
    QCOMPARE(downloads->Tree()->topLevelItemCount(), 0);
    QCOMPARE(history->topLevelItemCount(), 2);

    // Alice's uploads, slowed so that a queue forms behind her one slot.
    const QString aliceShare = home.Path() + "/share";
    const QByteArray big = Pattern(240 * 1024);
    QVERIFY(WriteFile(aliceShare + "/big.bin", big));
    for (const char* name : {"small1.bin", "small2.bin", "small3.bin"})
        QVERIFY(WriteFile(aliceShare + "/" + name, Pattern(8 * 1024)));
    sharedFoldersManager->AddSharedFolder(aliceShare).NewItem("shared_public");
    QTRY_VERIFY_WITH_TIMEOUT(sharedFoldersManager->GetSharedFileItem(aliceShare + "/small3.bin"), WaitMs);
    UploadsView* uploads = window->Transfers()->Uploads();
    TransferTree& uploadList = *uploads->List();
    window->Transfers()->Tabs()->setCurrentWidget(uploads);
    uploads->Limit()->setValue(48);
    uploads->LimitEnabled()->setChecked(true);
    QCOMPARE(GetSetting("upload_speed_limit"), QString("48"));
    QCOMPARE(GetSetting("upload_speed_limit_enabled"), QString("yes"));

    const QString aliceFolder = QString(aliceShare).replace('/', '\\');
    bob.Command({"download", "alice", aliceFolder, "big.bin", QString::number(big.size())});
    QTRY_COMPARE_WITH_TIMEOUT(Status(FileRow(uploadList, "bob", "big.bin")), QString("uploading"), WaitMs);
    bob.Command({"download", "alice", aliceFolder, "small1.bin", "8192"});
    TransferPeer carol;
    QVERIFY(carol.Start(server->ServerPort(), "carol"));
    carol.Command({"connect"});
    QVERIFY(carol.WaitFor({"CONNECTED"}));
    for (const char* name : {"small2.bin", "small3.bin"})
        carol.Command({"download", "alice", aliceFolder, name, "8192"});
    QTRY_COMPARE_WITH_TIMEOUT(Status(uploadList.UserRow("carol")), QString("queued"), WaitMs);
    QCOMPARE(Status(FileRow(uploadList, "bob", "small1.bin")), QString("queued"));
    QCOMPARE(TopLevel(uploads->Tree()), QStringList({"bob", "carol"}));
    QCOMPARE(Status(uploadList.UserRow("bob")), QString("uploading"));
    QCOMPARE(uploadList.UserRow("bob")->text(Column::FileColumn), QString("2 files"));

    // Carol joins a group with a download priority: her uploads go ahead.
    const ItemPtr inUserList = UserItem("carol").NewItem("in_user_list");
    const ItemPtr group = d.GetType("user_list_group")->GetItem(Value("friends"));
    inUserList += group;
    group += d.GetType("group_download_priority")->GetItem(Value("5"));
    QTRY_COMPARE_WITH_TIMEOUT(TopLevel(uploads->Tree()), QStringList({"carol", "bob"}), WaitMs);

    uploads->LimitEnabled()->setChecked(false);
    QVERIFY(bob.WaitFor({"DOWNLOAD", "big.bin", "complete"}, WaitMs));
    QVERIFY(bob.WaitFor({"DOWNLOAD", "small1.bin", "complete"}, WaitMs));
    QVERIFY(carol.WaitFor({"DOWNLOAD", "small3.bin", "complete"}, WaitMs));
    QVERIFY(ReadFile(bob.Home() + "/Quillmer Downloads/complete/share/big.bin") == big);
    QTRY_COMPARE_WITH_TIMEOUT(Status(uploadList.UserRow("carol")), QString("complete"), WaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(Status(uploadList.UserRow("bob")), QString("complete"), WaitMs);

    // Finished uploads stay five minutes after their last change, then go at the next tick.
    Find(uploads->ToolBar(), "clear_finished_uploads")->trigger();
    QCOMPARE(GetSetting("clear_complete_aborted_uploads"), QString("yes"));
    const QDateTime now = QDateTime::currentDateTime();
    uploads->ClearFinished(now.addSecs(200));
    QCOMPARE(TopLevel(uploads->Tree()), QStringList({"carol", "bob"}));
    uploads->ClearFinished(now.addSecs(301));
    QCOMPARE(uploads->Tree()->topLevelItemCount(), 0);
    QCOMPARE(g("upload_entry").Size(), 0u);
    uploads->Slots()->setValue(2);
    QCOMPARE(GetSetting("upload_slots"), QString("2"));
}

int main(int argc, char** argv)
{
    if (argc > 1 && QByteArray(argv[1]) == TransferPeerRoleArgument)
        return RunTransferPeerRole(argc, argv);
    QApplication application(argc, argv);
    TransfersTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_transfers.moc"
