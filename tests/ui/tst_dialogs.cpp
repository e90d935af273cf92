#include "ClientHome.h"
#include "ModalDriver.h"

#include "app/Settings.h"
#include "store/Data.h"
#include "store/DataSaver.h"
#include "ui/ListeningPortDialog.h"
#include "ui/UserPassDialog.h"

#include <QDialogButtonBox>
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
    void listeningPortOutOfRange_data();
    void listeningPortOutOfRange();
    void listeningPortUnchanged();
    void listeningPortPending();
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

void DialogsTest::listeningPortOutOfRange_data()
{
    QTest::addColumn<QString>("entry");
    QTest::newRow("zero") << "0";
    QTest::newRow("above 65535") << "65536";
    QTest::newRow("far above") << "99999999999999999999";
    QTest::newRow("negative") << "-1";
    QTest::newRow("not a number") << "port";
    QTest::newRow("empty") << "";
}

void DialogsTest::listeningPortOutOfRange()
{
    QFETCH(QString, entry);
    ListeningPortDialog dialog;
    QCOMPARE(dialog.PortEdit()->text(), QString("2235"));
    QCOMPARE(SubmitPort(dialog, entry), QStringList({"Port number must be in the range of 1 to 65535."}));
    // Nothing changes and the dialog stays open for a correction.
    QVERIFY(GetSetting("new_listening_port").isEmpty());
    QVERIFY(dialog.isVisible());
}

void DialogsTest::listeningPortUnchanged()
{
    ListeningPortDialog dialog;
    QCOMPARE(SubmitPort(dialog, "2235"), QStringList({"Port number has not been changed."}));
    QVERIFY(GetSetting("new_listening_port").isEmpty());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void DialogsTest::listeningPortPending()
{
    ListeningPortDialog dialog;
    QCOMPARE(SubmitPort(dialog, " 65535 "),
             QStringList({"Changes to the listening port will take effect after a client restart."}));
    QCOMPARE(GetSetting("new_listening_port"), QString("65535"));
    // The port in use is the peer network's to change at the next start.
    QCOMPARE(GetSetting("listening_port"), QString("2235"));
    QCOMPARE(ListeningPortDialog::Judge("1", "2235"), ListeningPortDialog::Outcome::Pending);
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
}

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
