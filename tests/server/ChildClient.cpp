#include "ChildClient.h"

#include "ClientRole.h"
#include "WaitUntil.h"

#include <QCoreApplication>

ChildClient::~ChildClient()
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
}

bool ChildClient::Start(quint16 port, const QString& name, const QString& password)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home.path());
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QCoreApplication::applicationFilePath(), {ClientRoleArgument, QString::number(port), name, password});
    return process.waitForStarted(5000);
}

void ChildClient::Command(const QStringList& fields)
{
    process.write((fields.join('\t') + '\n').toUtf8());
}

bool ChildClient::WaitFor(const QStringList& fields)
{
    const QByteArray wanted = (fields.join('\t') + '\n').toUtf8();
    return WaitUntil(
        [&] {
            output += process.readAllStandardOutput();
            int lineStart = 0;
            while (lineStart < output.size()) {
                const int lineEnd = output.indexOf('\n', lineStart);
                if (lineEnd < 0)
                    break;
                if (output.mid(lineStart, lineEnd + 1 - lineStart) == wanted) {
                    output.remove(0, lineEnd + 1);
                    return true;
                }
                lineStart = lineEnd + 1;
            }
            output.remove(0, lineStart);
            return false;
        },
        10000);
}

bool ChildClient::Quit()
{
    Command({"quit"});
    process.closeWriteChannel();
    return process.waitForFinished(10000);
}
