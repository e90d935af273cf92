#include "RoleProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcessEnvironment>
#include <QThread>

#include <cstdio>
#include <unistd.h>

void ReportLine(const QStringList& fields)
{
    std::fputs((fields.join('\t') + '\n').toUtf8().constData(), stdout);
    std::fflush(stdout);
}

CommandReader::CommandReader(std::function<void(const QStringList&)> obeyCommand, QObject* parent)
    : QObject(parent)
    , obey(std::move(obeyCommand))
    , notifier(STDIN_FILENO, QSocketNotifier::Read)
{
    connect(&notifier, &QSocketNotifier::activated, this, &CommandReader::OnReadable);
}

void CommandReader::OnReadable()
{
    char bytes[4096];
    const ssize_t count = ::read(STDIN_FILENO, bytes, sizeof bytes);
    if (count <= 0) {
        notifier.setEnabled(false);
        QCoreApplication::quit();
        return;
    }
    pending.append(bytes, int(count));
    for (int end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
        const QStringList command = QString::fromUtf8(pending.left(end)).split('\t');
        pending.remove(0, end + 1);
        obey(command);
    }
}

void RoleProcess::Stop()
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.closeWriteChannel();
    if (!process.waitForFinished(5000))
        Kill();
}

bool RoleProcess::Launch(const QStringList& arguments, const QString& home)
{
    pending.clear();
    lines.clear();
    waited = 0;
    if (!home.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home);
        process.setProcessEnvironment(environment);
    }
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QCoreApplication::applicationFilePath(), arguments);
    return process.waitForStarted(5000);
}

void RoleProcess::Command(const QStringList& fields)
{
    process.write((fields.join('\t') + '\n').toUtf8());
}

void RoleProcess::ReadLines()
{
    pending += process.readAllStandardOutput();
    for (int end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
        lines << QString::fromUtf8(pending.left(end));
        pending.remove(0, end + 1);
    }
}

const QStringList& RoleProcess::Lines()
{
    process.waitForReadyRead(0);
    ReadLines();
    return lines;
}

bool RoleProcess::WaitFor(const QStringList& fields, int ms)
{
    const QString wanted = fields.join('\t');
    const int from = waited;
    const QDeadlineTimer deadline(ms);
    for (;;) {
        ReadLines();
        for (; waited < lines.size(); ++waited)
            if (lines.at(waited) == wanted) {
                ++waited;
                return true;
            }
        if (deadline.hasExpired())
            break;
        // Keeps serving what runs in this process (the local server) while it waits.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    if (ms >= 1000)
        qWarning("waited for %s, passed over:\n%s", qPrintable(wanted),
                 qPrintable(lines.mid(from).join('\n').right(2000)));
    return false;
}

bool RoleProcess::Quit(int ms)
{
    Command({"quit"});
    process.closeWriteChannel();
    return process.waitForFinished(ms);
}

void RoleProcess::Kill()
{
    process.kill();
    process.waitForFinished(5000);
}
