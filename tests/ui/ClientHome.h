#ifndef TESTS_UI_CLIENTHOME_H
#define TESTS_UI_CLIENTHOME_H

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class MainWindow;
class QTabWidget;

namespace localserver {
class LocalServer;
}

// A temporary home folder for one test: HOME points at it while the object
// lives, and the global store is emptied on the way in and out, so each test
// starts the client as if for the first time on this machine.
class ClientHome
{
public:
    ClientHome();
    ~ClientHome();

    QString Path() const { return dir.path(); }
    QString ConfigurationPath() const { return dir.path() + "/.Quillmer"; }

private:
    QTemporaryDir dir;
    QByteArray previousHome;
};

// The settings stored in a configuration file, read back into a scratch
// store (which is emptied again afterwards).
QMap<QString, QString> ReadSavedSettings(const QString& path);
// Writes a configuration file that holds just these settings.
void WriteSavedSettings(const QString& path, const QMap<QString, QString>& settings);

// One run of the client, shown and initialised; the store starts empty as in
// a new process.
std::unique_ptr<MainWindow> StartClient();

QStringList TabTitles(const QTabWidget* tabs);

// A local network server on an ephemeral loopback port, or null.
std::unique_ptr<localserver::LocalServer> StartLocalServer(const QString& accountsFile = QString());
// Saves a login on the local server (and the further settings) where the
// client will load them; port mapping stays off.
void SaveLogin(const ClientHome& home, const QString& username, quint16 port,
               const QMap<QString, QString>& settings = {});

#endif
