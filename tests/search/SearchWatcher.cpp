#include "SearchWatcher.h"

#include "wire/FrameWriter.h"

#include <QCryptographicHash>
#include <QHostAddress>
#include <QTest>

#include <string>

bool SearchWatcher::LogIn(quint16 port, const QString& name)
{
    connect(&socket, &QTcpSocket::readyRead, this, &SearchWatcher::OnReadyRead);
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(WaitMs))
        return false;
    const QString password = "secret";
    const QByteArray digest = QCryptographicHash::hash((name + password).toUtf8(), QCryptographicHash::Md5).toHex();
    socket.write(
        FrameMessage(BuildMessage(uint32_t(1), name, password, uint32_t(157), digest.toStdString(), uint32_t(100))));
    return QTest::qWaitFor([this] { return loggedIn; }, WaitMs);
}

QString SearchWatcher::NextSearch()
{
    if (!QTest::qWaitFor([this] { return !searches.isEmpty(); }, WaitMs))
        return QString();
    return searches.takeFirst();
}

void SearchWatcher::OnReadyRead()
{
    MemStream body;
    while (reader.ReadFrom(socket, body) == FrameReader::Result::Complete) {
        uint32_t code = 0;
        body.Read(code);
        if (code == 1) {
            body.Read(loggedIn);
        } else if (code == 26) {
            QString user;
            uint32_t token = 0;
            QString text;
            if (body.Read(user) && body.Read(token) && body.Read(text))
                searches << user + ": " + text;
        }
    }
}
