#ifndef SHARES_FILESCANNER_H
#define SHARES_FILESCANNER_H

#include "shares/FolderScan.h"
#include "shares/Mp3Header.h"

#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>

#include <deque>
#include <memory>
#include <optional>

// The slow disk work of sharing, on a thread of its own: walking shared
// folder trees and reading MP3 headers. It never touches the item graph; it
// receives paths and reports by signals.
class FileScanner : public QObject
{
    Q_OBJECT
public:
    explicit FileScanner(QObject* parent = nullptr);

    // Makes running and queued work end at its next check. Any thread.
    void Quit();
    bool IsStopped() const;

    // The header of the file, or nothing when it cannot be read as MP3.
    std::optional<Mp3Header> ScanMP3(const QString& path);

public slots:
    void ScanFolders(QStringList roots);
    // Headers are read one file at a time in request order; a walk asked for
    // meanwhile runs before the next one, not after all of them.
    void OnMP3ScanRequired(QString path);

signals:
    void FoldersScanned(FolderScanPtr scan);
    // A folder of a walk could not be listed and is left out of the share.
    void FolderUnlisted(QString folder, QString error);
    void MP3Scanned(QString path, int mpegVersion, QString channelMode, int sampleRateIndex, bool vbr, int bitrate);

private:
    void ReadNextHeader();

    mutable QMutex stopMutex;
    bool stopped = false;
    // One buffer for every header read.
    std::unique_ptr<char[]> block;
    std::deque<QString> headerRequests;
};

#endif
