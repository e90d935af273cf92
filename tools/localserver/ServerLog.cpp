#include "ServerLog.h"

#include "server/ServerMessageCode.h"

#include <QDateTime>

#include <cstdio>

namespace localserver {

namespace {

QString Describe(quint32 code)
{
    const QString name = ServerMessageCodeName(code);
    return name.isEmpty() ? QStringLiteral("unknown code %1").arg(code) : QStringLiteral("%1 (%2)").arg(name).arg(code);
}

} // namespace

void ServerLog::Received(const QString& who, quint32 code, qint64 bytes)
{
    if (!m_quiet)
        Write(QStringLiteral("<- %1 %2, %3 bytes").arg(who, Describe(code)).arg(bytes));
}

void ServerLog::Sent(const QString& who, quint32 code, qint64 bytes)
{
    if (!m_quiet)
        Write(QStringLiteral("-> %1 %2, %3 bytes").arg(who, Describe(code)).arg(bytes));
}

void ServerLog::WriteNote(const QString& who, const QString& text)
{
    Write(QStringLiteral("-- %1 %2").arg(who, text));
}

void ServerLog::Write(const QString& line)
{
    const QByteArray text = (QDateTime::currentDateTime().toString(Qt::ISODate) + ' ' + line + '\n').toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fflush(stdout);
}

} // namespace localserver
