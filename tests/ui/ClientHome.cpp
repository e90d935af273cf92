#include "ClientHome.h"

#include "LocalServer.h"

#include "app/Settings.h"
#include "store/Data.h"
#include "store/DataSaver.h"
#include "ui/MainWindow.h"

#include <QTabWidget>

ClientHome::ClientHome()
    : previousHome(qgetenv("HOME"))
{
    d.Clear();
    qputenv("HOME", dir.path().toLocal8Bit());
}

ClientHome::~ClientHome()
{
    d.Clear();
    qputenv("HOME", previousHome);
}

QMap<QString, QString> ReadSavedSettings(const QString& path)
{
    d.Clear();
    QMap<QString, QString> settings;
    {
        DataSaver saver;
        DeclareSettingsSchema();
        saver.Load(path);
        for (ItemPtr setting : g("global"))
            settings.insert(setting.AsString(), setting["global_value"].AsString());
    }
    d.Clear();
    return settings;
}

void WriteSavedSettings(const QString& path, const QMap<QString, QString>& settings)
{
    d.Clear();
    {
        DataSaver saver;
        DeclareSettingsSchema();
        for (auto setting = settings.cbegin(); setting != settings.cend(); ++setting)
            SetSetting(setting.key(), setting.value());
        saver.Save(path);
    }
    d.Clear();
}

std::unique_ptr<MainWindow> StartClient()
{
    d.Clear();
    auto window = std::make_unique<MainWindow>();
    window->show();
    window->Init();
    return window;
}

QStringList TabTitles(const QTabWidget* tabs)
{
    QStringList titles;
    for (int index = 0; index < tabs->count(); ++index)
        titles.append(tabs->tabText(index));
    return titles;
}

std::unique_ptr<localserver::LocalServer> StartLocalServer(const QString& accountsFile)
{
    localserver::ServerOptions options;
    options.quiet = true;
    options.accountsFile = accountsFile;
    auto server = std::make_unique<localserver::LocalServer>(options);
    if (!server->Listen(QHostAddress::LocalHost))
        return nullptr;
    return server;
}

void SaveLogin(const ClientHome& home, const QString& username, quint16 port, const QMap<QString, QString>& settings)
{
    QMap<QString, QString> saved = settings;
    saved.insert("username", username);
    saved.insert("password", "secret");
    saved.insert("server_host", "127.0.0.1");
    saved.insert("server_port", QString::number(port));
    saved.insert("use_upnp", "no");
    WriteSavedSettings(home.ConfigurationPath(), saved);
}
