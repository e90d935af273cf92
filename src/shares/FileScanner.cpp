#include "shares/FileScanner.h"

#include <QFile>
#include <QMutexLocker>

FileScanner::FileScanner(QObject* parent)
    : QObject(parent)
{
    qRegisterMetaType<FolderScanPtr>("FolderScanPtr");
}

void FileScanner::Quit()
{
    QMutexLocker lock(&stopMutex);
    stopped = true;
}

bool FileScanner::IsStopped() const
{
    QMutexLocker lock(&stopMutex);
    return stopped;
}

void FileScanner::ScanFolders(QStringList roots)
{
    auto scan = std::make_shared<FolderScan>();
    const auto stop = [this] { return IsStopped(); };
    const auto unlisted = [this](const QString& folder, const QString& error) { emit FolderUnlisted(folder, error); };
    for (const QString& root : roots)
        scan->roots.push_back(WalkSharedFolder(root, stop, unlisted));
    if (!IsStopped())
        emit FoldersScanned(scan);
}

std::optional<Mp3Header> FileScanner::ScanMP3(const QString& path)
{
    if (IsStopped())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 1)
        return std::nullopt;
    if (!block)
        block = std::make_unique<char[]>(Mp3HeaderReader::BlockSize);
    Mp3HeaderReader reader;
    for (;;) {
        const qint64 got = file.read(block.get(), qint64(Mp3HeaderReader::BlockSize));
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        reader.AddBlock(reinterpret_cast<const uint8_t*>(block.get()), std::size_t(got));
        if (IsStopped())
            return std::nullopt;
    }
    return reader.Result();
}

void FileScanner::OnMP3ScanRequired(QString path)
{
    headerRequests.push_back(std::move(path));
    if (headerRequests.size() == 1)
        QMetaObject::invokeMethod(this, &FileScanner::ReadNextHeader, Qt::QueuedConnection);
}

void FileScanner::ReadNextHeader()
{
    const QString path = std::move(headerRequests.front());
    headerRequests.pop_front();
    if (const std::optional<Mp3Header> header = ScanMP3(path))
        emit MP3Scanned(path, header->mpegVersion, header->channelMode, header->sampleRateIndex, header->vbr,
                        header->bitrate);
    // Posted after the read, so that a walk asked for meanwhile comes first.
    if (!headerRequests.empty())
        QMetaObject::invokeMethod(this, &FileScanner::ReadNextHeader, Qt::QueuedConnection);
}
