#include "services/UpdateChecker.h"

#include "app/Log.h"
#include "app/ProgramVersion.h"
#include "app/Settings.h"
#include "server/Server.h"
#include "services/VersionFile.h"

#include <QHostAddress>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <utility>

UpdateChecker* updateChecker = nullptr;

namespace {
void LogCheck(const QString& text)
{
    Log("Version Check", 1, text, ItemPtr());
}

bool IsTrustedAddress(const QUrl& address)
{
    if (address.scheme() == "https")
        return true;
    const QString host = address.host();
    return address.scheme() == "http" && (host == "localhost" || QHostAddress(host).isLoopback());
}
} // namespace

UpdateChecker::UpdateChecker(const QUrl& versionFileAddress, int fetchTimeoutMs, QObject* parent)
    : QObject(parent)
    , network(this)
    , address(versionFileAddress)
    , timeoutMs(fetchTimeoutMs)
{
    updateChecker = this;
    // A redirect may lead elsewhere, but never from https to plain http.
    network.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

UpdateChecker::~UpdateChecker()
{
    if (updateChecker == this)
        updateChecker = nullptr;
}

void UpdateChecker::Init()
{
    connect(gp_server, &Server::Connected, this, &UpdateChecker::OnConnectedToServer);
}

void UpdateChecker::OnConnectedToServer()
{
    CheckForNewVersion();
}

void UpdateChecker::CheckForNewVersion()
{
    if (checkStarted || address.isEmpty())
        return;
    // Reconnections later in the run do not check again.
    checkStarted = true;
    if (!address.isValid() || !IsTrustedAddress(address)) {
        LogCheck(QString("No version check: %1 is not an https address.").arg(address.toString()));
        return;
    }
    QNetworkRequest request(address);
    reply = network.get(request);
    // The reply holds no more than it may bring.
    reply->setReadBufferSize(MaxReplyBytes + 1);
    connect(reply, &QNetworkReply::readyRead, this, &UpdateChecker::OnReadyRead);
    connect(reply, &QNetworkReply::finished, this, &UpdateChecker::OnRequestFinished);
    // A silent or trickling server is given up on.
    QTimer::singleShot(timeoutMs, reply, &QNetworkReply::abort);
}

void UpdateChecker::OnReadyRead()
{
    if (!TakeReceived(reply))
        reply->abort();
}

bool UpdateChecker::TakeReceived(QNetworkReply* from)
{
    received += from->read(MaxReplyBytes + 1 - received.size());
    if (received.size() <= MaxReplyBytes)
        return true;
    LogCheck(QString("Version check failed: the reply is longer than %1 bytes.").arg(MaxReplyBytes));
    return false;
}

void UpdateChecker::OnRequestFinished()
{
    QNetworkReply* finished = reply;
    reply = nullptr;
    finished->deleteLater();
    if (finished->error() != QNetworkReply::NoError) {
        received.clear();
        LogCheck(QString("Version check failed: %1").arg(finished->errorString()));
        return;
    }
    const bool whole = TakeReceived(finished);
    const QByteArray file = std::exchange(received, QByteArray());
    const int status = finished->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 200) {
        LogCheck(QString("Version check failed: HTTP status %1").arg(status));
        return;
    }
    if (!whole)
        return;
    const std::optional<OfferedVersion> offer
        = ReadVersionFile(file, ProgramVersion, GetSetting("skip_version").toLongLong());
    if (!offer) {
        LogCheck("Version check done: no newer build to offer.");
        return;
    }
    LogCheck(QString("Version check done: build %1 is offered.").arg(offer->build));
    emit NewVersion(offer->build, offer->downloadAddress, offer->notes);
}
