#include "ui/ChatLogFile.h"

#include "app/Settings.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ChatLogFile {

namespace {

const char* const Extension = ".log";
// Leaves room for the extension and stays well below the 255 bytes that file
// systems allow for one name.
constexpr int MaxEncodedBytes = 200;
constexpr int KeptBytesOfLongName = 150;

// Characters written as %XX: the escape itself, the shortening mark, path
// separators, and control characters.
bool MustEscape(QChar c)
{
    return c == '%' || c == '~' || c == '/' || c == '\\' || c.unicode() < 0x20 || c.unicode() == 0x7f;
}

QString Escaped(const QString& name)
{
    QString encoded;
    encoded.reserve(name.size());
    for (int n = 0; n < name.size(); ++n) {
        const QChar c = name.at(n);
        // A leading dot would make "." and ".." or a hidden file.
        if (MustEscape(c) || (n == 0 && c == '.'))
            encoded += QString("%%1").arg(c.unicode(), 2, 16, QChar('0')).toUpper();
        else
            encoded += c;
    }
    return encoded;
}

// Cuts at a character boundary, so that the name stays valid UTF-8.
QString LeadingBytes(const QString& text, int maxBytes)
{
    QString kept;
    int bytes = 0;
    for (int n = 0; n < text.size(); ++n) {
        const int length = text.at(n).isHighSurrogate() && n + 1 < text.size() ? 2 : 1;
        const QString piece = text.mid(n, length);
        bytes += piece.toUtf8().size();
        if (bytes > maxBytes)
            break;
        kept += piece;
        n += length - 1;
    }
    return kept;
}

} // namespace

QString FolderPath(Kind kind)
{
    return QDir::homePath() + (kind == Kind::Room ? "/Quillmer Chat Logs/Rooms/" : "/Quillmer Chat Logs/Users/");
}

QString FileName(const QString& name)
{
    const QString encoded = Escaped(name);
    if (encoded.toUtf8().size() <= MaxEncodedBytes)
        return encoded + Extension;
    // "~" never appears in an escaped name, so a shortened name cannot meet
    // one that was not shortened.
    const QByteArray digest = QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha256).toHex();
    return LeadingBytes(encoded, KeptBytesOfLongName) + "~" + QString::fromLatin1(digest) + Extension;
}

QString FilePath(Kind kind, const QString& name)
{
    return FolderPath(kind) + FileName(name);
}

bool IsLogging(Kind kind)
{
    return IsSettingOn(kind == Kind::Room ? "log_room_chat" : "log_private_chat");
}

bool Append(Kind kind, const QString& name, const QString& line)
{
    if (!IsLogging(kind))
        return false;
    const QString folder = FolderPath(kind);
    if (!QDir().mkpath(folder))
        return false;
    const QString path = FilePath(kind, name);
    // The name cannot leave the folder; checked all the same, as a last guard.
    if (QDir::cleanPath(QFileInfo(path).absolutePath()) != QDir::cleanPath(QDir(folder).absolutePath()))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray bytes = line.toUtf8() + '\n';
    return file.write(bytes) == bytes.size();
}

} // namespace ChatLogFile
