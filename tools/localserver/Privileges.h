#ifndef LOCALSERVER_PRIVILEGES_H
#define LOCALSERVER_PRIVILEGES_H

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

namespace localserver {

// Who has privileges and until when.
class Privileges
{
public:
    // Reads "name seconds" lines (the count is the last word, so names may
    // hold spaces; '#' starts a comment line). False when the file cannot be
    // read.
    bool Load(const QString& path);
    void Grant(const QString& name, qint64 seconds);
    // Moves seconds from one user to another; false when the giver has fewer.
    bool Transfer(const QString& from, const QString& to, qint64 seconds);

    qint64 SecondsLeft(const QString& name) const;
    bool IsPrivileged(const QString& name) const { return SecondsLeft(name) > 0; }
    QStringList PrivilegedUsers() const;

private:
    QHash<QString, QDateTime> m_until;
};

} // namespace localserver

#endif
