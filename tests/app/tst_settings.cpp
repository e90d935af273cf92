#include "app/Settings.h"
#include "store/Data.h"
#include "store/DataSaver.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestSettings : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<DataSaver> saver;

private slots:
    void init()
    {
        d.Clear();
        saver = std::make_unique<DataSaver>();
        DeclareSettingsSchema();
    }

    void cleanup()
    {
        saver.reset();
        d.Clear();
    }

    void unsetSettingIsEmptyAndOff()
    {
        QCOMPARE(GetSetting("minimize_to_tray"), QString());
        QVERIFY(!IsSettingOn("minimize_to_tray"));
        // Reading must not create the setting.
        QVERIFY(d.GetType("global")->HasItem(Value("minimize_to_tray")).IsNull());

        d.Clear();
        QCOMPARE(GetSetting("show_diagnostics"), QString());
        QVERIFY(!IsVolatileSettingOn("show_diagnostics"));
    }

    void onlyYesIsOn()
    {
        SetSetting("show_diagnostics", "yes");
        QVERIFY(IsSettingOn("show_diagnostics"));
        for (const char* off : {"no", "Yes", "YES", "1", "true", ""}) {
            SetSetting("show_diagnostics", off);
            QVERIFY2(!IsSettingOn("show_diagnostics"), off);
        }
    }

    void writingReplacesTheValueOfThatSettingOnly()
    {
        SetSetting("download_folder", "/tmp");
        SetSetting("download_folder", QString::fromUtf8("/home/zoë/Quillmer Downloads"));
        QCOMPARE(GetSetting("download_folder"), QString::fromUtf8("/home/zoë/Quillmer Downloads"));
        ItemPtr setting = d.GetType("global")->HasItem(Value("download_folder"));
        QCOMPARE(setting.GetItems("global_value").Size(), std::size_t(1));

        // Settings sharing a text share its value item, not their fate.
        SetSetting("log_room_chat", "yes");
        SetSetting("log_private_chat", "yes");
        SetSetting("log_room_chat", "no");
        QCOMPARE(GetSetting("log_private_chat"), QString("yes"));
        QCOMPARE(GetSetting("log_room_chat"), QString("no"));
    }

    void volatileSettingsAreSeparate()
    {
        SetSetting("listening_port", "2234");
        SetVolatileSetting("listening_port", "50000");
        QCOMPARE(GetSetting("listening_port"), QString("2234"));
        QCOMPARE(GetVolatileSetting("listening_port"), QString("50000"));

        SetVolatileSetting("away", "yes");
        QVERIFY(IsVolatileSettingOn("away"));
        QVERIFY(!IsSettingOn("away"));
        SetVolatileSetting("away", "no");
        QVERIFY(!IsVolatileSettingOn("away"));
    }

    void onlySavedSettingsOutliveARunAndReplaceDefaults()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QString path = home.filePath(".Quillmer");
        SetSetting("username", "alice");
        SetSetting("minimize_to_tray", "no");
        SetVolatileSetting("session_token", "secret");
        saver->Save(path);

        cleanup();
        init();
        SetSetting("minimize_to_tray", "yes");
        saver->Load(path);
        QCOMPARE(GetSetting("username"), QString("alice"));
        QCOMPARE(GetSetting("minimize_to_tray"), QString("no"));
        QCOMPARE(GetVolatileSetting("session_token"), QString());
        // The volatile setting's value went unsaved with it.
        QVERIFY(d.GetType("global_value")->HasItem(Value("secret")).IsNull());
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
