#include "ui/ConnectionMessages.h"

#include "app/Settings.h"
#include "server/Server.h"

namespace ConnectionMessages {

namespace {
const char* const SocketError = "socket error";
} // namespace

QString ServerAddress()
{
    QString host = GetSetting("server_host");
    if (host.isEmpty())
        host = Server::DefaultHost;
    bool valid = false;
    const quint16 port = GetSetting("server_port").toUShort(&valid);
    return QString("%1:%2").arg(host).arg(valid && port != 0 ? port : Server::DefaultPort);
}

QString FailureReason(const QString& reason, const QString& socketError)
{
    if (reason != QLatin1String(SocketError))
        return reason;
    const QString cause = socketError.isEmpty() ? QString() : QString(" (%1)").arg(socketError);
    return QString("the server at %1 could not be reached%2").arg(ServerAddress(), cause);
}

QString FailureStatus(const QString& reason, const QString& socketError, bool retrying)
{
    const QString username = GetSetting("username");
    QString text;
    if (reason == QLatin1String(SocketError)) {
        text = QString("Not connected: %1. ").arg(FailureReason(reason, socketError));
        text += retrying ? QString("Trying again every 30 seconds.")
                         : QString("Check the server host and port in Options > Login, then press Connect.");
    } else if (reason == QLatin1String("INVALIDPASS")) {
        text = QString("Not connected: wrong password for \"%1\". Set the right one with Settings > Username/Password, "
                       "then press Connect.")
                   .arg(username);
    } else if (reason == QLatin1String("INVALIDUSERNAME")) {
        text = QString("Not connected: the server does not accept the user name \"%1\". Choose another with Settings > "
                       "Username/Password, then press Connect.")
                   .arg(username);
    } else {
        text = QString("Not connected: the server refused the login (%1).").arg(reason);
    }
    return text;
}

} // namespace ConnectionMessages
