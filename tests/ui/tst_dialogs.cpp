#include "ClientHome.h"
#include "ModalDriver.h"

#include "app/Settings.h"
#include "server/Server.h"
#include "store/Data.h"
#include "store/DataSaver.h"
#include "ui/ListeningPortDialog.h"
#include "ui/UserPassDialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include <memory>

class DialogsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void listeningPort_data();
    void listeningPort();
    void userPassNeedsBothFields();

private:
    // Enters the text and presses OK; returns the titles of the boxes shown.
    QStringList SubmitPort(ListeningPortDialog& dialog, const QString& entry);

    std::unique_ptr<ClientHome> home;
    std::unique_ptr<DataSaver> saver;
};

void DialogsTest::init()
{
    home = std::make_unique<ClientHome>();
    saver = std::make_unique<DataSaver>();
    DeclareSettingsSchema();
    SetSetting("listening_port", "2235");
}

void DialogsTest::cleanup()
{
    saver.reset();
    home.reset();
}

QStringList DialogsTest::SubmitPort(ListeningPortDialog& dialog, const QString& entry)
{
    ModalDriver driver;
    driver.ThenPress(QMessageBox::Ok);
    dialog.show();
    dialog.PortEdit()->setText(entry);
    dialog.accept();
    return driver.Texts();
}

void DialogsTest::listeningPort_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("newPort");
    const QString range = "Port number must be in the range of 1 to 65535.";
    QTest::newRow("zero") << "0" << range << "";
    QTest::newRow("above 65535") << "65536" << range << "";
    QTest::newRow("far above") << "99999999999999999999" << range << "";
    QTest::newRow("negative") << "-1" << range << "";
    QTest::newRow("not a number") << "port" << range << "";
    QTest::newRow("empty") << "" << range << "";
    QTest::newRow("current port") << "2235"
                                  << "Port number has not been changed."
                                  << "";
    const QString pending = "Changes to the listening port will take effect after a client restart.";
    QTest::newRow("highest") << " 65535 " << pending << "65535";
    QTest::newRow("lowest") << "1" << pending << "1";
}

void DialogsTest::listeningPort()
{
    QFETCH(QString, entry);
    QFETCH(QString, message);
    QFETCH(QString, newPort);
    ListeningPortDialog dialog;
    QCOMPARE(dialog.PortEdit()->text(), QString("2235"));
    QCOMPARE(SubmitPort(dialog, entry), QStringList({message}));
    QCOMPARE(GetSetting("new_listening_port"), newPort);
    // The port in use is the peer network's to change at the next start.
    QCOMPARE(GetSetting("listening_port"), QString("2235"));
    // Only an out-of-range entry keeps the dialog open for a correction.
    QCOMPARE(dialog.isVisible(), message.startsWith("Port number must"));
}

void DialogsTest::userPassNeedsBothFields()
{
    UserPassDialog dialog(UserPassDialog::Mode::Change);
    dialog.show();
    QPushButton* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    QVERIFY(!ok->isEnabled());
    dialog.UsernameEdit()->setText("bob");
    QVERIFY(!ok->isEnabled());
    dialog.accept();
    QVERIFY(GetSetting("username").isEmpty());
    QVERIFY(dialog.isVisible());

    dialog.PasswordEdit()->setText("pw");
    QVERIFY(ok->isEnabled());
    ok->click();
    QCOMPARE(GetSetting("username"), QString("bob"));
    QCOMPARE(GetSetting("password"), QString("pw"));
    QVERIFY(!dialog.isVisible());

    // Reopened, it shows what is stored.
    UserPassDialog again(UserPassDialog::Mode::FirstRun);
    QCOMPARE(again.UsernameEdit()->text(), QString("bob"));
    QCOMPARE(again.windowTitle(), QString("Set Username/Password"));

    // The first run offers the server's address, filled with the defaults.
    QVERIFY(!dialog.HostEdit());
    QCOMPARE(again.HostEdit()->text(), QString(Server::DefaultHost));
    QCOMPARE(again.PortEdit()->text(), QString("2242"));
    again.show();
    const QString folder = QCoreApplication::applicationDirPath() + "/../artifacts";
    QDir().mkpath(folder);
    QVERIFY(again.grab().save(folder + "/first-run.png"));
    QPushButton* firstOk = again.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    again.PortEdit()->setText("0");
    QVERIFY(!firstOk->isEnabled());
    again.PortEdit()->setText("2242");
    firstOk->click();
    // The defaults stay unset, so that they follow the program...
    QVERIFY(GetSetting("server_host").isEmpty());
    QVERIFY(GetSetting("server_port").isEmpty());
    // ...and another network's address is kept.
    UserPassDialog third(UserPassDialog::Mode::FirstRun);
    third.HostEdit()->setText(" 192.0.2.7 ");
    third.PortEdit()->setText("3000");
    third.accept();
    QCOMPARE(GetSetting("server_host"), QString("192.0.2.7"));
    QCOMPARE(GetSetting("server_port"), QString("3000"));
}

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
