#ifndef SERVICES_UPDATECHECKER_H
#define SERVICES_UPDATECHECKER_H

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

class QNetworkReply;

// Once per program run, after the first login, fetches the version file and
// tells of a newer build that the user has not chosen to skip (the setting
// skip_version). Every failure ends the check silently (but for a line in
// the diagnostics log), with no retry within the run.
//
// The address is https: a plain-HTTP answer could be altered on the way and
// send the user to a forged download. Plain http is taken only for a server
// on this machine. The reply is bounded in size and in time.
class UpdateChecker : public QObject
{
    Q_OBJECT
public:
    // All that a version file needs.
    static constexpr int MaxReplyBytes = 8 * 1024;
    static constexpr int DefaultTimeoutMs = 30 * 1000;

    // An empty address means that no check is made. timeoutMs bounds the
    // whole fetch.
    explicit UpdateChecker(const QUrl& address, int timeoutMs = DefaultTimeoutMs, QObject* parent = nullptr);
    ~UpdateChecker() override;

    // Checks when the server session logs in.
    void Init();

public slots:
    void OnConnectedToServer();
    // Starts the fetch, once per run.
    void CheckForNewVersion();

signals:
    void NewVersion(qint64 build, QString downloadAddress, QStringList notes);

private slots:
    void OnReadyRead();
    void OnRequestFinished();

private:
    // Adds what the reply has brought; false when that is more than a
    // version file may be.
    bool TakeReceived(QNetworkReply* from);

    QNetworkAccessManager network;
    QUrl address;
    int timeoutMs;
    QNetworkReply* reply = nullptr;
    QByteArray received;
    bool checkStarted = false;
};

extern UpdateChecker* updateChecker;

#endif
