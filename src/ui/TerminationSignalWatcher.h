#ifndef UI_TERMINATIONSIGNALWATCHER_H
#define UI_TERMINATIONSIGNALWATCHER_H

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT (a desktop session ending, a kill, Ctrl+C) into a
// Qt signal on the event-loop thread, so that the program quits through its
// orderly shut-down and saves its configuration. The signal handler only
// writes one byte to a socket pair; everything else runs in the event loop.
class TerminationSignalWatcher : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignalWatcher(QObject* parent = nullptr);
    ~TerminationSignalWatcher() override;

    bool WasRequested() const { return requested; }

signals:
    void TerminationRequested(int signalNumber);

private slots:
    void OnSignalByte();

private:
    static void HandleSignal(int signalNumber);

    static int writeEnd;
    int readEnd = -1;
    QSocketNotifier* notifier = nullptr;
    bool requested = false;
};

#endif
