#ifndef LOCALSERVER_ACCOUNTS_H
#define LOCALSERVER_ACCOUNTS_H

#include <QHash>
#include <QString>

namespace localserver {

// The accounts of the network: the first login of a name creates its account
// with the password given. Kept in a file when one is named: one
// "name<TAB>password" per line; lines that are not of that form are skipped.
class Accounts
{
public:
    enum class Verdict
    {
        Created,
        Accepted,
        WrongPassword
    };

    // Reads the file (a missing file is an empty one); false when it exists
    // but cannot be read.
    bool Load(const QString& path);

    bool Exists(const QString& name) const { return m_passwords.contains(name); }
    // Accepts the password of an existing account, or creates the account.
    Verdict LogIn(const QString& name, const QString& password);

    // A name that can have an account: not empty, at most MaxNameLength
    // characters, no space at either end and no control characters.
    static bool IsValidName(const QString& name);
    static constexpr int MaxNameLength = 30;

private:
    bool Append(const QString& name, const QString& password);

    QString m_path;
    QHash<QString, QString> m_passwords;
};

} // namespace localserver

#endif
