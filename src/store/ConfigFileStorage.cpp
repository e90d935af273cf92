#include "store/ConfigFileStorage.h"

#include "store/DataSaverFailures.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Enough for any number of temporary or kept files a user could accumulate; bounds the search for a free name.
constexpr int maxNameAttempts = 10000;

bool NameIsTaken(const QString& name)
{
    QFileInfo info(name);
    return info.exists() || info.isSymLink();
}

std::string Describe(const QString& action, const QString& name, const QString& error)
{
    return QString("%1 %2: %3").arg(action, name, error).toStdString();
}

// The file holds the password: only its owner may read it.
constexpr mode_t ownerOnly = S_IRUSR | S_IWUSR;

// Opens a new, exclusively created temporary file beside path, readable by its owner only from the first moment
// (a reader that opened it before a later chmod would keep its access). Returns its name: a QFile opened on a
// descriptor has none.
QString OpenTemporary(const QString& path, QFile& temporary)
{
    for (int n = 1; n <= maxNameAttempts; ++n) {
        QString name = QString("%1.%2").arg(path).arg(n);
        if (NameIsTaken(name))
            continue;
        const int fd = ::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, ownerOnly);
        if (fd >= 0) {
            // fchmod: the umask may have taken away bits, never added them, but be exact.
            ::fchmod(fd, ownerOnly);
            if (temporary.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle))
                return name;
            ::close(fd);
            QFile::remove(name);
            throw DataSaveFailure(Describe("cannot open", name, temporary.errorString()));
        }
        const QString error = QString::fromLocal8Bit(std::strerror(errno));
        if (!NameIsTaken(name))
            throw DataSaveFailure(Describe("cannot create", name, error));
        // Someone else created that name between the test and the open: try the next one.
    }
    throw DataSaveFailure(Describe("no free temporary name for", path, "too many exist"));
}

// Makes the rename itself survive a power loss.
void SyncFolderOf(const QString& path)
{
    int folder = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (folder < 0)
        return;
    ::fsync(folder);
    ::close(folder);
}

void WriteAndSync(QFile& temporary, const QString& name, const QByteArray& bytes)
{
    if (temporary.write(bytes) != bytes.size())
        throw DataSaveFailure(Describe("cannot write", name, temporary.errorString()));
    if (::fsync(temporary.handle()) != 0)
        throw DataSaveFailure(Describe("cannot sync", name, QString::fromLocal8Bit(std::strerror(errno))));
    temporary.close();
    if (temporary.error() != QFileDevice::NoError)
        throw DataSaveFailure(Describe("cannot close", name, temporary.errorString()));
}
} // namespace

void ConfigFileStorage::Replace(const QString& path, const QByteArray& bytes)
{
    QFile temporary;
    const QString name = OpenTemporary(path, temporary);
    try {
        WriteAndSync(temporary, name, bytes);
        // POSIX rename replaces the old file in one step: there is no moment without a complete file at path.
        if (std::rename(QFile::encodeName(name).constData(), QFile::encodeName(path).constData()) != 0)
            throw DataSaveFailure(Describe("cannot rename over", path, QString::fromLocal8Bit(std::strerror(errno))));
    } catch (const DataSaveFailure&) {
        temporary.close();
        QFile::remove(name);
        throw;
    }
    SyncFolderOf(path);
}

QString ConfigFileStorage::KeepDamaged(const QString& path)
{
    QString base = path + ".damaged-" + QDateTime::currentDateTime().toString("yyyyMMdd-hhmmss");
    for (int n = 1; n <= maxNameAttempts; ++n) {
        QString name = n == 1 ? base : QString("%1-%2").arg(base).arg(n);
        if (NameIsTaken(name))
            continue;
        // QFile::rename never replaces an existing file.
        if (QFile::rename(path, name)) {
            ::chmod(QFile::encodeName(name).constData(), ownerOnly);
            return name;
        }
        if (!NameIsTaken(name))
            return QString();
    }
    return QString();
}
