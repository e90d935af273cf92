#include "Privileges.h"

#include "TextLines.h"

#include <QRegExp>

namespace localserver {

bool Privileges::Load(const QString& path)
{
    return ReadTextLines(path, [this](const QString& text) {
        const QString line = text.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            return;
        const int split = line.lastIndexOf(QRegExp(QStringLiteral("\\s")));
        bool isNumber = false;
        const qint64 seconds = line.mid(split + 1).toLongLong(&isNumber);
        if (split > 0 && isNumber)
            Grant(line.left(split).trimmed(), seconds);
    });
}

void Privileges::Grant(const QString& name, qint64 seconds)
{
    constexpr qint64 Century = 100LL * 366 * 24 * 3600;
    seconds = qBound<qint64>(0, seconds, Century);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QDateTime from = std::max(now, m_until.value(name, now));
    m_until.insert(name, from.addSecs(seconds));
}

bool Privileges::Transfer(const QString& from, const QString& to, qint64 seconds)
{
    if (seconds <= 0 || SecondsLeft(from) < seconds)
        return false;
    m_until[from] = m_until[from].addSecs(-seconds);
    Grant(to, seconds);
    return true;
}

qint64 Privileges::SecondsLeft(const QString& name) const
{
    const auto until = m_until.constFind(name);
    if (until == m_until.constEnd())
        return 0;
    return std::max<qint64>(0, QDateTime::currentDateTimeUtc().secsTo(*until));
}

QStringList Privileges::PrivilegedUsers() const
{
    QStringList names;
    for (auto it = m_until.constBegin(); it != m_until.constEnd(); ++it)
        if (SecondsLeft(it.key()) > 0)
            names << it.key();
    names.sort();
    return names;
}

} // namespace localserver
