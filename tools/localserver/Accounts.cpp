#include "Accounts.h"

#include "TextLines.h"

#include <QFile>

#include <algorithm>

namespace localserver {

bool Accounts::Load(const QString& path)
{
    m_path = path;
    if (!QFile::exists(path))
        return true;
    return ReadTextLines(path, [this](const QString& line) {
        const int tab = line.indexOf('\t');
        const QString name = line.left(tab);
        if (tab > 0 && IsValidName(name))
            m_passwords.insert(name, line.mid(tab + 1));
    });
}

Accounts::Verdict Accounts::LogIn(const QString& name, const QString& password)
{
    const auto existing = m_passwords.constFind(name);
    if (existing != m_passwords.constEnd())
        return *existing == password ? Verdict::Accepted : Verdict::WrongPassword;
    m_passwords.insert(name, password);
    Append(name, password);
    return Verdict::Created;
}

bool Accounts::IsValidName(const QString& name)
{
    if (name.isEmpty() || name.size() > MaxNameLength)
        return false;
    if (name.front().isSpace() || name.back().isSpace())
        return false;
    return std::none_of(name.begin(), name.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

bool Accounts::Append(const QString& name, const QString& password)
{
    // A password with a line break would split its line; such an account
    // lives only as long as the server runs.
    if (m_path.isEmpty() || password.contains('\n') || password.contains('\r'))
        return false;
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return false;
    const QByteArray line = (name + '\t' + password + '\n').toUtf8();
    return file.write(line) == line.size();
}

} // namespace localserver
