#include "ui/TerminationSignalWatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

int TerminationSignalWatcher::writeEnd = -1;

namespace {
const int watchedSignals[] = {SIGTERM, SIGINT};
}

TerminationSignalWatcher::TerminationSignalWatcher(QObject* parent)
    : QObject(parent)
{
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0)
        qFatal("Cannot create the socket pair for termination signals");
    writeEnd = ends[0];
    readEnd = ends[1];
    notifier = new QSocketNotifier(readEnd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &TerminationSignalWatcher::OnSignalByte);

    struct sigaction action = {};
    action.sa_handler = &TerminationSignalWatcher::HandleSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : watchedSignals)
        ::sigaction(signalNumber, &action, nullptr);
}

TerminationSignalWatcher::~TerminationSignalWatcher()
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : watchedSignals)
        ::sigaction(signalNumber, &action, nullptr);
    delete notifier;
    ::close(readEnd);
    ::close(writeEnd);
    writeEnd = -1;
}

void TerminationSignalWatcher::HandleSignal(int signalNumber)
{
    // Only async-signal-safe calls here. A full socket buffer means a byte is
    // already waiting, which is enough.
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    const ssize_t written = ::write(writeEnd, &byte, 1);
    (void)written;
}

void TerminationSignalWatcher::OnSignalByte()
{
    unsigned char byte = 0;
    int signalNumber = 0;
    // The socket is non-blocking: this ends when the waiting bytes are read.
    while (::read(readEnd, &byte, 1) == 1)
        signalNumber = byte;
    if (signalNumber == 0)
        return;
    requested = true;
    emit TerminationRequested(signalNumber);
}
