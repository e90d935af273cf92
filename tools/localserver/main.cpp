// The local network server program: options, signals, and the server.

#include "LocalServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

// Turns SIGINT and SIGTERM into a quit of the event loop: the handler only
// writes a byte, the loop does the rest.
bool QuitOnSignals(QCoreApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return false;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [notifier] {
        notifier->setEnabled(false);
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(g_signalPipe[0], &byte, 1);
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0 && ::sigaction(SIGTERM, &action, nullptr) == 0;
}

bool ReadNumber(const QCommandLineParser& parser, const QString& name, qint64 min, qint64 max, qint64& value)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    value = parser.value(name).toLongLong(&ok);
    if (ok && value >= min && value <= max)
        return true;
    std::fprintf(stderr, "--%s must be a number from %lld to %lld\n", qPrintable(name), min, max);
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("localserver"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A central server for a local network of Quillmer clients: accounts, presence, rooms, "
                       "private messages, brokered peer connections and searches."));
    parser.addHelpOption();
    parser.addOptions({
        {{"a", "address"}, "Listen on <address> (default 127.0.0.1).", "address", "127.0.0.1"},
        {{"p", "port"}, "Listen on <port> (default 2242).", "port", "2242"},
        {"accounts", "Keep accounts in <file>, one \"name<TAB>password\" per line.", "file"},
        {"privileges", "Read privileged users from <file>, one \"name seconds\" per line.", "file"},
        {"wishlist-interval", "Seconds between wish-list searches (default 720).", "seconds"},
        {"parent-min-speed", "Minimum upload speed of a distributed parent (default 1).", "speed"},
        {"parent-ratio", "Upload speed to children ratio of a distributed parent (default 50).", "ratio"},
        {"upload-speed", "Upload speed (bytes/s) reported for users that report none (default 0).", "speed"},
        {"login-timeout", "Close connections that have not logged in after <seconds> (default 30).", "seconds"},
        {"max-pending-logins", "Refuse connections while <count> others have not logged in (default 128).", "count"},
        {"tree-only-search", "Send network searches only to the roots of the distributed tree."},
        {{"q", "quiet"}, "Do not log messages."},
    });
    parser.process(app);

    localserver::ServerOptions options;
    options.accountsFile = parser.value("accounts");
    options.privilegesFile = parser.value("privileges");
    options.treeOnlySearch = parser.isSet("tree-only-search");
    options.quiet = parser.isSet("quiet");
    qint64 port = 2242;
    qint64 interval = options.wishListInterval;
    qint64 minSpeed = options.parentMinSpeed;
    qint64 ratio = options.parentSpeedConnectionRatio;
    qint64 uploadSpeed = options.userUploadSpeed;
    qint64 loginTimeout = options.loginTimeoutMs / 1000;
    qint64 maxPendingLogins = options.maxPendingLogins;
    if (!ReadNumber(parser, "port", 0, 65535, port) || !ReadNumber(parser, "wishlist-interval", 1, UINT32_MAX, interval)
        || !ReadNumber(parser, "parent-min-speed", 0, INT32_MAX, minSpeed)
        || !ReadNumber(parser, "parent-ratio", 1, INT32_MAX, ratio)
        || !ReadNumber(parser, "upload-speed", 0, UINT32_MAX, uploadSpeed)
        || !ReadNumber(parser, "login-timeout", 1, INT32_MAX / 1000, loginTimeout)
        || !ReadNumber(parser, "max-pending-logins", 1, INT32_MAX, maxPendingLogins))
        return 2;
    options.wishListInterval = quint32(interval);
    options.parentMinSpeed = qint32(minSpeed);
    options.parentSpeedConnectionRatio = qint32(ratio);
    options.userUploadSpeed = quint32(uploadSpeed);
    options.loginTimeoutMs = int(loginTimeout * 1000);
    options.maxPendingLogins = int(maxPendingLogins);

    const QHostAddress address(parser.value("address"));
    if (address.isNull()) {
        std::fprintf(stderr, "not an address: %s\n", qPrintable(parser.value("address")));
        return 2;
    }
    if (!QuitOnSignals(app)) {
        std::perror("cannot catch signals");
        return 1;
    }

    localserver::LocalServer server(options);
    if (!server.Listen(address, quint16(port))) {
        std::fprintf(stderr, "%s\n", qPrintable(server.ErrorString()));
        return 1;
    }
    const int status = app.exec();
    server.Close();
    return status;
}
