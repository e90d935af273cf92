#include "ClientHome.h"
#include "ModalDriver.h"

#include "app/Settings.h"
#include "server/Server.h"
#include "store/Data.h"
#include "store/DataSaver.h"
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
    void userPassNeedsBothFields();

private:
    std::unique_ptr<ClientHome> home;
    std::unique_ptr<DataSaver> saver;
};

void DialogsTest::init()
{
    home = std::make_unique<ClientHome>();
    saver = std::make_unique<DataSaver>();
    DeclareSettingsSchema();
}

void DialogsTest::cleanup()
{
    saver.reset();
    home.reset();
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
