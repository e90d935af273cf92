#include "IsolatedNetwork.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

namespace {
const char* const Marker = "QUILLMER_TEST_ISOLATED_NETWORK";
constexpr int StartMs = 5000;
constexpr int RunMs = 60 * 1000;

bool CanIsolate()
{
    QProcess probe;
    probe.start("unshare", {"-rn", "true"});
    return probe.waitForFinished(StartMs) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0;
}
} // namespace

bool InIsolatedNetwork()
{
    return qEnvironmentVariableIsSet(Marker);
}

IsolatedRun RunInIsolatedNetwork(const QString& testFunction, QString& output)
{
    if (!CanIsolate())
        return IsolatedRun::Unavailable;
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(Marker, "1");
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start("unshare", {"-rn", QCoreApplication::applicationFilePath(), testFunction});
    const bool finished = child.waitForFinished(RunMs);
    if (!finished) {
        child.kill();
        child.waitForFinished(StartMs);
    }
    output = QString::fromLocal8Bit(child.readAll());
    // QtTest's exit code counts the failures; the function must have run, not been skipped.
    const bool passed = finished && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0
        && output.contains("PASS   : ") && output.contains("::" + testFunction + "()") && !output.contains("SKIP   : ");
    return passed ? IsolatedRun::Passed : IsolatedRun::Failed;
}
