#include "ClientHome.h"
#include "ModalDriver.h"

#include "app/Log.h"
#include "app/ProgramVersion.h"
#include "app/Settings.h"
#include "services/UpdateChecker.h"
#include "store/Data.h"
#include "ui/MainWindow.h"
#include "ui/NewVersionDialog.h"
#include "ui/OptionsForm.h"

#include <QAction>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTcpServer>
#include <QtEndian>
#include <QtTest>

namespace {
const qint64 NewBuild = 20270102;
const QString Download = "https://example.org/files/Linux/quillmer-64bit.tgz";
const QString ImportTitle = "Importing user list from original Quillmer client";
const char* const IsolatedMarker = "QUILLMER_TEST_ISOLATED_NETWORK";

// Takes the client's connection and says nothing, so that it stays connecting.
QTcpServer& SilentServer()
{
    static QTcpServer server;
    if (!server.isListening())
        server.listen(QHostAddress::LocalHost, 0);
    return server;
}

QMap<QString, QString> KnownUser()
{
    return {{"username", "alice"},
            {"password", "secret"},
            {"use_upnp", "no"},
            {"server_host", "127.0.0.1"},
            {"server_port", QString::number(SilentServer().serverPort())}};
}

QByteArray UserListFile(const QList<QByteArray>& names, int count)
{
    QByteArray file(4, '\0');
    qToLittleEndian(qint32(count), file.data());
    for (const QByteArray& name : names) {
        QByteArray length(4, '\0');
        qToLittleEndian(quint32(name.size()), length.data());
        file += length + name;
    }
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

// Chooses the file in the open-file dialog, or cancels it for an empty path.
ModalDriver::Step ChooseFile(const QString& path)
{
    return [path](QWidget* widget) {
        auto* dialog = qobject_cast<QFileDialog*>(widget);
        if (!dialog || path.isEmpty()) {
            widget->close();
            return;
        }
        // Typed, as the dialog's own view of the folder may lag behind a file just rewritten.
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(path);
        QMetaObject::invokeMethod(dialog, "accept");
    };
}
} // namespace

// Where the download button sends the browser.
class Browser : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened << url; }
};

// The windows of the network services: the new-version dialog, the user-list
// import command and the UPnP option.
class ServiceWindowsTest : public QObject
{
    Q_OBJECT

private slots:
    void newVersionIsOfferedForDownloadOrSkipped()
    {
        ClientHome home;
        WriteSavedSettings(home.ConfigurationPath(), KnownUser());
        auto window = StartClient();
        Browser browser;
        QDesktopServices::setUrlHandler("https", &browser, "Open");

        emit updateChecker->NewVersion(NewBuild, Download, {"faster searches", "<b>not bold</b>"});
        auto* dialog = window->findChild<NewVersionDialog*>("new_version");
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QString("QuillmerQt Update"));
        QCOMPARE(dialog->findChild<QLabel*>("current_build")->text(),
                 "Your version: Build " + VersionDateText(ProgramVersion));
        QCOMPARE(dialog->findChild<QLabel*>("new_build")->text(), QString("New version: Build 1/2/2027"));
        QCOMPARE(dialog->findChild<QPlainTextEdit*>("release_notes")->toPlainText(),
                 QString("faster searches\n<b>not bold</b>"));
        dialog->findChild<QPushButton*>("download")->click();
        QCOMPARE(browser.opened, QList<QUrl>({QUrl(Download)}));
        QVERIFY(GetSetting("skip_version").isEmpty());
        QTRY_VERIFY(!window->findChild<NewVersionDialog*>("new_version"));

        emit updateChecker->NewVersion(NewBuild, Download, {});
        dialog = window->findChild<NewVersionDialog*>("new_version");
        QVERIFY(dialog && !dialog->findChild<QPlainTextEdit*>("release_notes"));
        dialog->findChild<QPushButton*>("skip")->click();
        QCOMPARE(GetSetting("skip_version"), QString::number(NewBuild));
        QCOMPARE(browser.opened.size(), 1);
        QDesktopServices::unsetUrlHandler("https");
    }

    void userListIsImportedFromTheFileMenu()
    {
        ClientHome home;
        WriteSavedSettings(home.ConfigurationPath(), KnownUser());
        auto window = StartClient();
        QAction* import = window->findChild<QAction*>("import_user_list");
        QVERIFY(import);
        const QString path = home.Path() + "/favlist.cfg";
        const auto write = [&path](const QByteArray& bytes) {
            QFile file(path);
            return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
        };
        const auto run = [import](const QString& chosen, bool answered) {
            ModalDriver steps;
            steps.ThenPress(QMessageBox::Ok);
            steps.Then(ChooseFile(chosen));
            if (answered)
                steps.ThenPress(QMessageBox::Ok);
            import->trigger();
            return steps.AllDone() ? steps.Texts().join('|') : QString("(dialogs left open)");
        };

        QVERIFY(write(UserListFile({"bob", "carol"}, 2)));
        const QString done = run(path, true);
        QVERIFY2(done.startsWith("To import your user list, your original Quillmer client must be set not to save "
                                 "configuration data to the registry (under Options->General)"),
                 qPrintable(done));
        QVERIFY(done.endsWith("||Import successful."));
        QCOMPARE(UserListNames(), QStringList({"bob", "carol"}));

        // Cancelled, nothing more is said or done.
        QVERIFY(run(QString(), false).endsWith("|"));

        QVERIFY(write(UserListFile({"dave"}, 2)));
        QVERIFY(run(path, true).endsWith("||Import could not be completed successfully."));
        QCOMPARE(UserListNames(), QStringList({"bob", "carol"}));
    }

    void switchingUpnpOnLooksForTheRouter()
    {
        // Discovery multicasts on every interface: it runs only in a child of
        // this program inside a network namespace that has nothing but loopback.
        if (!qEnvironmentVariableIsSet(IsolatedMarker)) {
            QProcess probe;
            probe.start("unshare", {"-rn", "true"});
            if (!probe.waitForFinished(5000) || probe.exitCode() != 0)
                QSKIP("No network namespace can be made here (unshare -rn).");
            QProcess child;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(IsolatedMarker, "1");
            child.setProcessEnvironment(environment);
            child.setProcessChannelMode(QProcess::MergedChannels);
            child.start("unshare",
                        {"-rn", QCoreApplication::applicationFilePath(), "switchingUpnpOnLooksForTheRouter"});
            QVERIFY(child.waitForFinished(60000));
            const QString output = QString::fromLocal8Bit(child.readAll());
            QVERIFY2(child.exitCode() == 0
                         && output.contains("PASS   : ServiceWindowsTest::switchingUpnpOnLooksForTheRouter()"),
                     qPrintable(output));
            return;
        }
        // A first start without a name: nothing connects.
        ClientHome home;
        ModalDriver driver;
        driver.Then([](QWidget* dialog) { QMetaObject::invokeMethod(dialog, "reject"); });
        driver.ThenPress(QMessageBox::No);
        driver.ThenPress(QMessageBox::Ok);
        auto window = StartClient();
        QVERIFY(driver.AllDone());
        SetSetting("show_diagnostics", "yes");
        QStringList lines;
        connect(&DiagnosticsLog::Instance(), &DiagnosticsLog::LineLogged, window.get(),
                [&lines](const QString& area, const QString& line) {
                    if (area == "Port Forwarding")
                        lines << line.mid(line.indexOf("] ") + 2);
                });
        QCheckBox* upnp = window->Options()->CheckBox("use_upnp");
        upnp->setChecked(false);
        QVERIFY(lines.isEmpty());
        upnp->setChecked(true);
        QCOMPARE(GetSetting("use_upnp"), QString("yes"));
        QTRY_COMPARE_WITH_TIMEOUT(lines.size(), 2, 15000);
        QCOMPARE(lines.value(0), QString("Initializing UPnP"));
        QVERIFY(lines.value(1).startsWith("No device list found during discovery."));
        // Off, nothing more is looked for.
        upnp->setChecked(false);
        QTest::qWait(100);
        QCOMPARE(lines.size(), 2);
    }
};

QTEST_MAIN(ServiceWindowsTest)
#include "tst_servicewindows.moc"
