#include "ClientHome.h"

#include "app/Log.h"
#include "app/Settings.h"
#include "store/Data.h"
#include "store/DataSaver.h"
#include "ui/AreaLogTabs.h"
#include "ui/DiagnosticsForm.h"
#include "ui/ItemLogDialog.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QTabWidget>
#include <QtTest>

#include <memory>

namespace {

// The text after the "[time] " prefix of each line.
QStringList LineTexts(const QPlainTextEdit* view)
{
    QStringList texts;
    for (const QString& line : view->toPlainText().split('\n'))
        texts.append(line.mid(line.indexOf("] ") + 2));
    return texts;
}

} // namespace

class DiagnosticsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void areasGetTheirOwnTabs();
    void itemLogShowsOneItemsLines();
    void itemLogClosesWhenItsItemGoes();

private:
    std::unique_ptr<ClientHome> home;
    std::unique_ptr<DataSaver> saver;
};

void DiagnosticsTest::init()
{
    home = std::make_unique<ClientHome>();
    saver = std::make_unique<DataSaver>();
    DeclareSettingsSchema();
    d.NewType("user", Primary, false, true);
    RegisterLoggableItemType("user");
    SetSetting("show_diagnostics", "yes");
}

void DiagnosticsTest::cleanup()
{
    saver.reset();
    home.reset();
}

void DiagnosticsTest::areasGetTheirOwnTabs()
{
    DiagnosticsForm form;
    SetSetting("show_diagnostics", "no");
    Log("Peer Messenger", 1, "hidden", ItemPtr());
    QCOMPARE(form.AreaTabs()->count(), 0);
    SetSetting("show_diagnostics", "yes");
    Log("Transfer Queue", 1, "queued a file", ItemPtr());
    Log("server", 2, "sent a message", ItemPtr());
    Log("Transfer Queue", 3, "a detail", ItemPtr());
    QCOMPARE(TabTitles(form.AreaTabs()), QStringList({"Transfer Queue", "server"}));
    QCOMPARE(LineTexts(form.AreaTabs()->AreaView("Transfer Queue")), QStringList({"queued a file", "      a detail"}));
    QCOMPARE(LineTexts(form.AreaTabs()->AreaView("server")), QStringList({"   sent a message"}));
    QVERIFY(form.AreaTabs()->AreaView("server")->isReadOnly());
    QVERIFY(form.AreaTabs()->AreaView("server")->toPlainText().startsWith("["));
}

void DiagnosticsTest::itemLogShowsOneItemsLines()
{
    SetSetting("user_level_logging", "yes");
    ItemPtr alice = d.GetType("user")->GetItem("alice");
    ItemPtr bob = d.GetType("user")->GetItem("bob");
    Log("Transfer Queue", 1, "first", alice);
    Log("Peer Messenger", 2, "second", alice);
    Log("Transfer Queue", 1, "bob's", bob);
    Log("Transfer Queue", 1, "third", alice);

    QPointer<ItemLogDialog> dialog = new ItemLogDialog(alice);
    dialog->show();
    QCOMPARE(TabTitles(dialog->AreaTabs()), QStringList({"Transfer Queue", "Peer Messenger"}));
    QCOMPARE(LineTexts(dialog->AreaTabs()->AreaView("Transfer Queue")), QStringList({"first", "third"}));
    QCOMPARE(LineTexts(dialog->AreaTabs()->AreaView("Peer Messenger")), QStringList({"   second"}));

    // Lines logged while it is open appear; other items' lines do not.
    Log("Transfer Queue", 2, "fourth", alice);
    Log("Transfer Queue", 1, "bob again", bob);
    Log("Wish List", 1, "fifth", alice);
    QCOMPARE(LineTexts(dialog->AreaTabs()->AreaView("Transfer Queue")), QStringList({"first", "third", "   fourth"}));
    QCOMPARE(LineTexts(dialog->AreaTabs()->AreaView("Wish List")), QStringList({"fifth"}));
    dialog->close();
    QTRY_VERIFY(dialog.isNull());
    // A closed view stops listening.
    Log("Transfer Queue", 1, "after closing", alice);
}

void DiagnosticsTest::itemLogClosesWhenItsItemGoes()
{
    SetSetting("user_level_logging", "yes");
    ItemPtr carol = d.GetType("user")->GetItem("carol");
    Log("server", 1, "online", carol);
    QPointer<ItemLogDialog> dialog = new ItemLogDialog(carol);
    dialog->show();
    carol.Remove();
    QVERIFY(!dialog->isVisible());
    QTRY_VERIFY(dialog.isNull());
}

QTEST_MAIN(DiagnosticsTest)
#include "tst_diagnostics.moc"
