// The start and the body of a file connection as the transfer threads read
// them, on the calling thread, over a device that hands out the input: the
// first byte picks the side and the sizes.
//   bit 0: the uploader (the input is what the downloader sends: the offset,
//          then anything) or the downloader (the input is the file's bytes);
//   bits 1 to 7: the file's size (upload) or the size announced (download),
//          times 37; the downloader's partial file holds the next byte's
//          value of bytes.
// Whatever arrives, nothing may read or write out of bounds, and a transfer
// ends: complete exactly when the bytes add up, else with an error text.
#include "transfers/DownloadThread.h"
#include "transfers/UploadSpeedLimiter.h"
#include "transfers/UploadThread.h"

#include <QBuffer>
#include <QCoreApplication>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

// Hands out the input and swallows what is written; closed once read dry and waited on.
class InputDevice : public QIODevice
{
public:
    explicit InputDevice(QByteArray bytes)
        : input(std::move(bytes))
    {
        open(QIODevice::ReadWrite);
    }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return input.size() - taken + QIODevice::bytesAvailable(); }
    bool waitForReadyRead(int) override { return false; }
    qint64 written = 0;

protected:
    qint64 readData(char* out, qint64 max) override
    {
        const qint64 count = std::min<qint64>(max, input.size() - taken);
        std::copy_n(input.constData() + taken, count, out);
        taken += count;
        return count;
    }
    qint64 writeData(const char*, qint64 count) override
    {
        written += count;
        return count;
    }

private:
    QByteArray input;
    qint64 taken = 0;
};

const BlockingConnection::Patience Hasty{0, 1};

void Upload(qint64 size, const QByteArray& input)
{
    QByteArray source(int(size), 'u');
    QBuffer file(&source);
    file.open(QIODevice::ReadOnly);
    InputDevice socket(input);
    UploadSpeedLimiter limiter;
    UploadThread thread(&socket, &file, 7, limiter, Hasty);
    const bool done = thread.PerformUpload();
    // The connection never closes by itself here, so an upload cannot end in success; what it sent must fit.
    if (done || socket.written > 4 + size)
        std::abort();
}

void Download(qint64 size, qint64 partial, const QByteArray& input)
{
    QBuffer file;
    file.open(QIODevice::WriteOnly);
    InputDevice socket(input);
    DownloadThread thread(&socket, &file, size, partial, Hasty);
    const bool done = thread.PerformDownload();
    const qint64 wanted = std::max<qint64>(size - partial, 0);
    if (done != (partial <= size && input.size() >= wanted) || file.size() > wanted)
        std::abort();
    if (!done && thread.ErrorText().isEmpty())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_transfer_connection_start";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    if (size < 2)
        return 0;
    const qint64 fileSize = qint64(data[0] >> 1) * 37;
    const QByteArray input(reinterpret_cast<const char*>(data + 2), int(size - 2));
    if (data[0] & 1)
        Upload(fileSize, input);
    else
        Download(fileSize, data[1], input);
    return 0;
}
