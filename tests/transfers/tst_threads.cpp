#include "TransferFixture.h"

#include "transfers/DownloadThread.h"
#include "transfers/FileConnectionStart.h"
#include "transfers/UploadSpeedLimiter.h"
#include "transfers/UploadThread.h"

#include <QBuffer>
#include <QSignalSpy>
#include <QtTest>

// The transfer threads alone, each over a socket pair and a file in memory.
class TestThreads : public QObject
{
    Q_OBJECT

private slots:
    // With a limit of 50 KiB/s, 100 KiB take about two seconds (the bounds are wide: the machine is shared);
    // progress reaches the event loop at most twice a second.
    void uploadKeepsToTheLimit()
    {
        SocketPair pair;
        QByteArray source = Pattern(100 * 1024);
        QBuffer file(&source);
        file.open(QIODevice::ReadOnly);
        UploadSpeedLimiter limiter;
        limiter.SetLimits(50, 50);
        UploadThread thread(pair.handed, &file, 7, limiter);
        QSignalSpy progress(&thread, &UploadThread::UploadProgress);
        QSignalSpy complete(&thread, &UploadThread::UploadComplete);
        pair.handed->moveToThread(&thread);
        QElapsedTimer clock;
        clock.start();
        thread.start();
        QCOMPARE(FileConnectionStart::DecodeToken(ReadExactly(*pair.far, 4).constData()), 7u);
        pair.far->write(FileConnectionStart::EncodeOffset(0));
        QCOMPARE(ReadExactly(*pair.far, source.size(), 20000), source);
        const qint64 elapsed = clock.elapsed();
        pair.far->close();
        QVERIFY(WaitUntil([&] { return complete.count() == 1; }));
        QVERIFY2(elapsed > 1200 && elapsed < 6000, qPrintable(QString::number(elapsed)));
        QVERIFY(progress.count() <= elapsed / UploadThread::ProgressIntervalMs + 1);
        QCOMPARE(progress.last().at(0).toLongLong(), qint64(source.size()));
        thread.wait();
        delete pair.handed;
    }

    // A thread waiting for data hears the exit request within one wait.
    void downloadHearsTheExitRequest()
    {
        SocketPair pair;
        QBuffer file;
        file.open(QIODevice::WriteOnly);
        DownloadThread thread(pair.handed, &file, 1000, 0);
        QSignalSpy failed(&thread, &DownloadThread::DownloadError);
        pair.handed->moveToThread(&thread);
        thread.start();
        pair.far->write("abc");
        QVERIFY(WaitUntil([&] { return file.size() == 3; }));
        QElapsedTimer clock;
        clock.start();
        thread.SignalExit();
        QVERIFY(thread.wait(5000));
        QVERIFY(clock.elapsed() < 2000);
        QVERIFY(WaitUntil([&] { return failed.count() == 1; }));
        QCOMPARE(failed.at(0).at(0).toString(), QString("Exit requested."));
        QCOMPARE(pair.handed->thread(), QThread::currentThread());
        delete pair.handed;
    }

    // A far end that goes away ends the transfer at once, without waiting out the silence.
    void downloadEndsWhenTheUploaderGoes()
    {
        SocketPair pair;
        QBuffer file;
        file.open(QIODevice::WriteOnly);
        DownloadThread thread(pair.handed, &file, 1000, 0);
        QSignalSpy failed(&thread, &DownloadThread::DownloadError);
        pair.handed->moveToThread(&thread);
        QElapsedTimer clock;
        clock.start();
        thread.start();
        pair.far->write("abc");
        pair.far->flush();
        pair.far->close();
        QVERIFY(WaitUntil([&] { return failed.count() == 1; }));
        QVERIFY(clock.elapsed() < 3000);
        QVERIFY(failed.at(0).at(0).toString().startsWith("Waiting for data to read failed. Error string: "));
        QCOMPARE(file.data(), QByteArray("abc"));
        thread.wait();
        delete pair.handed;
    }
};

QTEST_GUILESS_MAIN(TestThreads)
#include "tst_threads.moc"
