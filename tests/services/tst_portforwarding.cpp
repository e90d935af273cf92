#include "HttpServer.h"
#include "IsolatedNetwork.h"

#include "app/Log.h"
#include "app/Settings.h"
#include "services/GatewayRules.h"
#include "services/PortForwarder.h"
#include "services/ThreadedServices.h"
#include "services/WorkerThread.h"
#include "store/Data.h"
#include "store/DataSaver.h"

#include <QElapsedTimer>
#include <QNetworkInterface>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>

namespace {
const QByteArray ServiceType = "urn:schemas-upnp-org:service:WANIPConnection:1";

// An Internet gateway device with its connection service, or without one.
QByteArray Description(bool withConnectionService)
{
    const QByteArray service = "<serviceList><service><serviceType>" + ServiceType
        + "</serviceType><serviceId>urn:upnp-org:serviceId:WANIPConn1</serviceId>"
          "<controlURL>/ctl/IPConn</controlURL><eventSubURL>/evt/IPConn</eventSubURL>"
          "<SCPDURL>/WANIPCn.xml</SCPDURL></service></serviceList>";
    return "<?xml version=\"1.0\"?><root xmlns=\"urn:schemas-upnp-org:device-1-0\">"
           "<specVersion><major>1</major><minor>0</minor></specVersion><device>"
           "<deviceType>urn:schemas-upnp-org:device:InternetGatewayDevice:1</deviceType>"
           "<friendlyName>Test gateway</friendlyName><deviceList><device>"
           "<deviceType>urn:schemas-upnp-org:device:WANDevice:1</deviceType><deviceList><device>"
           "<deviceType>urn:schemas-upnp-org:device:WANConnectionDevice:1</deviceType>"
        + (withConnectionService ? service : QByteArray())
        + "</device></deviceList></device></deviceList></device></root>";
}

QByteArray SoapAnswer(const QByteArray& action, int errorCode)
{
    const QByteArray body = errorCode == 0
        ? "<u:" + action + "Response xmlns:u=\"" + ServiceType + "\"></u:" + action + "Response>"
        : "<s:Fault><faultcode>s:Client</faultcode><faultstring>UPnPError</faultstring><detail>"
          "<UPnPError xmlns=\"urn:schemas-upnp-org:control-1-0\"><errorCode>"
            + QByteArray::number(errorCode) + "</errorCode><errorDescription>Refused</errorDescription>"
            + "</UPnPError></detail></s:Fault>";
    return "<?xml version=\"1.0\"?><s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\" "
           "s:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\"><s:Body>"
        + body + "</s:Body></s:Envelope>";
}

// A gateway on 127.0.0.1: it serves its device description and answers each
// port mapping action with the next result scripted for it (success once the
// script has run out), noting the action and its arguments.
class FakeGateway
{
public:
    explicit FakeGateway(bool withConnectionService = true)
        : description(Description(withConnectionService))
        , server([this](const HttpServer::Request& request) { return Answer(request); })
    {
    }

    bool Listen() { return server.Listen(); }
    QString DescriptionUrl() const { return server.Url("/rootDesc.xml"); }

    // Results to give, by action name, in order.
    QMap<QByteArray, QList<int>> script;
    // The action's name, then its arguments as name=value.
    QStringList actions;

private:
    HttpServer::Response Answer(const HttpServer::Request& request)
    {
        HttpServer::Response response;
        if (request.method == "GET" && request.path == "/rootDesc.xml") {
            response.contentType = "text/xml";
            response.body = description;
            return response;
        }
        QByteArray action = request.Header("soapaction");
        action = action.mid(action.indexOf('#') + 1);
        action.replace('"', "");
        QStringList noted{QString::fromLatin1(action)};
        static const QRegularExpression argument("<New(\\w+)>([^<]*)</New\\1>");
        for (QRegularExpressionMatchIterator it = argument.globalMatch(QString::fromUtf8(request.body));
             it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            if (match.captured(1) != "RemoteHost" && match.captured(1) != "LeaseDuration")
                noted << match.captured(1) + "=" + match.captured(2);
        }
        actions << noted.join(' ');
        QList<int>& results = script[action];
        const int result = results.isEmpty() ? 0 : results.takeFirst();
        response.status = result == 0 ? 200 : 500;
        response.contentType = "text/xml";
        response.body = SoapAnswer(action, result);
        return response;
    }

    QByteArray description;
    HttpServer server;
};

// ThreadedServices on a worker thread of its own, with the lines it hands over.
class Worker
{
public:
    explicit Worker(QObject* context)
    {
        QObject::connect(services, &ThreadedServices::LinesLogged, context, [this](const QStringList& batch) {
            lines << batch;
            ++batches;
        });
    }

    template <class Job>
    void Queue(Job job)
    {
        ThreadedServices* target = services;
        QMetaObject::invokeMethod(
            services, [target, job] { job(target); }, Qt::QueuedConnection);
    }

    // Queues the job and waits for its lines.
    template <class Job>
    QStringList Run(Job job)
    {
        const int before = batches;
        const int firstLine = lines.size();
        Queue(job);
        if (!QTest::qWaitFor([&] { return batches > before; }, 20000))
            return {"(no answer)"};
        return lines.mid(firstLine);
    }

    QStringList lines;
    int batches = 0;

private:
    ThreadedServices* services = new ThreadedServices;
    WorkerThread thread{services, 2500};
};

// Stands for a call to a router that does not answer.
class SleepyWorker : public QObject
{
    Q_OBJECT
public:
    SleepyWorker(std::atomic<bool>* sleepingFlag, std::atomic<bool>* freedFlag)
        : sleeping(sleepingFlag)
        , freed(freedFlag)
    {
    }
    ~SleepyWorker() override { *freed = true; }

    void Sleep(int ms)
    {
        *sleeping = true;
        QThread::msleep(ms);
    }

private:
    std::atomic<bool>* sleeping;
    std::atomic<bool>* freed;
};

const char* const Mapped = "Port 2235 successfully mapped.";
const char* const Conflict = "Port already mapped, attempting to remove existing mapping before retrying.";
const char* const Removing = "Removing mapping for port 2235";
const char* const AddAction = "AddPortMapping ExternalPort=2235 Protocol=TCP InternalPort=2235 "
                              "InternalClient=192.168.1.50 Enabled=1 PortMappingDescription=QuillmerQT";
const char* const DeleteAction = "DeletePortMapping ExternalPort=2235 Protocol=TCP";
} // namespace

class TestPortForwarding : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir home;

private slots:
    void initTestCase()
    {
        QVERIFY(home.isValid());
        qputenv("HOME", home.path().toLocal8Bit());
    }

    void choosesTheGateway_data()
    {
        QTest::addColumn<QStringList>("devices");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QStringList>("lines");
        const QString gateway = "urn:schemas-upnp-org:device:InternetGatewayDevice:1";
        QTest::newRow("none") << QStringList() << -1 << QStringList();
        QTest::newRow("gateway first") << QStringList({"http://a/d.xml " + gateway, "http://b/d.xml upnp:rootdevice"})
                                       << 0 << QStringList({"http://a/d.xml, InternetGatewayDevice, found"});
        QTest::newRow("gateway later") << QStringList({"http://a/d.xml upnp:rootdevice", "http://b/d.xml " + gateway})
                                       << 1
                                       << QStringList({"http://a/d.xml, upnp:rootdevice skipping",
                                                       "http://b/d.xml, InternetGatewayDevice, found"});
        QTest::newRow("no gateway") << QStringList({"http://a/d.xml upnp:rootdevice", "http://b/d.xml urn:x:1"}) << 0
                                    << QStringList({"http://a/d.xml, upnp:rootdevice skipping",
                                                    "http://b/d.xml, urn:x:1 skipping",
                                                    "Defaulting to first device found, upnp:rootdevice"});
    }

    void choosesTheGateway()
    {
        QFETCH(QStringList, devices);
        QFETCH(int, chosen);
        QFETCH(QStringList, lines);
        std::vector<DiscoveredDevice> found;
        for (const QString& device : devices)
            found.push_back({device.section(' ', 0, 0), device.section(' ', 1)});
        QStringList log;
        QCOMPARE(ChooseGatewayDevice(found, log), chosen);
        QCOMPARE(log, lines);
    }

    void ownAddressOnTheGatewayNetwork_data()
    {
        QTest::addColumn<QString>("controlUrl");
        QTest::addColumn<QStringList>("addresses");
        QTest::addColumn<QString>("found");
        QTest::newRow("same network") << "http://192.168.1.1:5000/ctl/IPConn"
                                      << QStringList({"127.0.0.1", "::1", "fe80::1", "10.0.0.5", "192.168.1.23",
                                                      "192.168.1.24"})
                                      << "192.168.1.23";
        QTest::newRow("in IPv6 form") << "http://192.168.1.1/ctl" << QStringList({"::ffff:192.168.1.9"})
                                      << "192.168.1.9";
        QTest::newRow("part of the text only")
            << "http://192.168.10.1/ctl" << QStringList({"192.168.1.7"}) << QString();
        QTest::newRow("loopback itself never")
            << "http://127.0.0.1:5000/ctl" << QStringList({"127.0.0.1"}) << QString();
        QTest::newRow("other loopback") << "http://127.0.0.1:5000/ctl" << QStringList({"127.0.0.1", "127.0.0.2"})
                                        << "127.0.0.2";
        QTest::newRow("gateway by name") << "http://router.lan/ctl" << QStringList({"192.168.1.7"}) << QString();
    }

    void ownAddressOnTheGatewayNetwork()
    {
        QFETCH(QString, controlUrl);
        QFETCH(QStringList, addresses);
        QFETCH(QString, found);
        QList<QHostAddress> interfaces;
        for (const QString& address : addresses)
            interfaces << QHostAddress(address);
        QCOMPARE(OwnAddressOnGatewayNetwork(controlUrl, interfaces), found);
    }

    void mapsThroughTheGateway_data()
    {
        QTest::addColumn<QList<int>>("addResults");
        QTest::addColumn<QList<int>>("deleteResults");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("actions");
        QTest::newRow("mapped") << QList<int>() << QList<int>() << QStringList({Mapped}) << QStringList({AddAction});
        QTest::newRow("taken, freed and mapped")
            << QList<int>({718}) << QList<int>()
            << QStringList(
                   {Conflict, Removing, "Port mapping successfully removed.", "Second mapping attempt successful."})
            << QStringList({AddAction, DeleteAction, AddAction});
        QTest::newRow("taken twice") << QList<int>({718, 718}) << QList<int>()
                                     << QStringList({Conflict, Removing, "Port mapping successfully removed.",
                                                     "Second mapping attempt failed, miniupnp error: 718"})
                                     << QStringList({AddAction, DeleteAction, AddAction});
        QTest::newRow("taken, not freed")
            << QList<int>({718, 718}) << QList<int>({714})
            << QStringList({Conflict, Removing, "Port mapping removal failed, miniupnp error: 714",
                            "Second mapping attempt failed, miniupnp error: 718"})
            << QStringList({AddAction, DeleteAction, AddAction});
        QTest::newRow("refused") << QList<int>({501}) << QList<int>()
                                 << QStringList({"Port 2235 mapping failure, miniupnp error: 501"})
                                 << QStringList({AddAction});
    }

    void mapsThroughTheGateway()
    {
        QFETCH(QList<int>, addResults);
        QFETCH(QList<int>, deleteResults);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, actions);
        FakeGateway gateway;
        QVERIFY(gateway.Listen());
        gateway.script["AddPortMapping"] = addResults;
        gateway.script["DeletePortMapping"] = deleteResults;
        Worker worker(this);
        const QString url = gateway.DescriptionUrl();
        QCOMPARE(worker.Run([url](ThreadedServices* services) { services->UseGateway(url); }),
                 QStringList({"Device XML found."}));
        QCOMPARE(worker.Run([](ThreadedServices* services) { services->AddPortMapping("192.168.1.50", 2235); }), lines);
        QCOMPARE(gateway.actions, actions);
    }

    void mapsOnlyWhatItCan()
    {
        Worker worker(this);
        const auto map = [](const QString& address, int port) {
            return [address, port](ThreadedServices* services) { services->AddPortMapping(address, port); };
        };
        const QString notInitialized = "UPnP appears to not have been initialized, aborting.";
        QCOMPARE(worker.Run(map("192.168.1.50", 2235)), QStringList({notInitialized}));

        // Nothing listens where the description should be.
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QString nowhere = QString("http://127.0.0.1:%1/rootDesc.xml").arg(closed.serverPort());
        closed.close();
        QCOMPARE(worker.Run([nowhere](ThreadedServices* services) { services->UseGateway(nowhere); }),
                 QStringList({"Device XML not found."}));

        // A device without a connection service takes no mappings.
        FakeGateway bare(false);
        QVERIFY(bare.Listen());
        const QString bareUrl = bare.DescriptionUrl();
        QCOMPARE(worker.Run([bareUrl](ThreadedServices* services) { services->UseGateway(bareUrl); }),
                 QStringList({"Device XML found.", "The device offers no WAN connection service."}));
        QCOMPARE(worker.Run(map("192.168.1.50", 2235)), QStringList({notInitialized}));

        FakeGateway gateway;
        QVERIFY(gateway.Listen());
        const QString url = gateway.DescriptionUrl();
        worker.Run([url](ThreadedServices* services) { services->UseGateway(url); });
        QCOMPARE(worker.Run(map("192.168.1.50", 0)), QStringList({"Port 0 is not a port number; nothing mapped."}));

        // Reported as 127.0.0.1, the own address is looked for on the
        // gateway's network (here loopback, where the machine has no other
        // address as a rule).
        const QString own = OwnAddressOnGatewayNetwork(url.left(url.lastIndexOf('/')) + "/ctl/IPConn",
                                                       QNetworkInterface::allAddresses());
        QStringList expected{"Own address is reported as 127.0.0.1, checking all addresses."};
        if (own.isEmpty())
            expected << "No own address found on the gateway's network; port 2235 not mapped.";
        else
            expected << "Found own address to be " + own << Mapped;
        QCOMPARE(worker.Run(map("127.0.0.1", 2235)), expected);
        QCOMPARE(gateway.actions.size(), own.isEmpty() ? 0 : 1);
    }

    void shutDownDoesNotWaitForAStuckCall()
    {
        std::atomic<bool> sleeping{false};
        std::atomic<bool> freed{false};
        bool ranAfterStop = false;
        auto* worker = new SleepyWorker(&sleeping, &freed);
        QElapsedTimer stopping;
        {
            WorkerThread thread(worker, 200);
            QMetaObject::invokeMethod(
                worker, [worker] { worker->Sleep(1500); }, Qt::QueuedConnection);
            QMetaObject::invokeMethod(
                worker,
                [&ranAfterStop] {
                    if (!QThread::currentThread()->isInterruptionRequested())
                        ranAfterStop = true;
                },
                Qt::QueuedConnection);
            QTRY_VERIFY(sleeping);
            stopping.start();
        }
        QVERIFY2(stopping.elapsed() < 1000, qPrintable(QString::number(stopping.elapsed())));
        QVERIFY(!freed);
        QTRY_VERIFY_WITH_TIMEOUT(freed, 5000);
        QVERIFY(!ranAfterStop);
    }

    void noRouterFound()
    {
        if (!InIsolatedNetwork()) {
            QString output;
            const IsolatedRun run = RunInIsolatedNetwork("noRouterFound", output);
            if (run == IsolatedRun::Unavailable)
                QSKIP("No network namespace can be made here (unshare -rn).");
            QVERIFY2(run == IsolatedRun::Passed, qPrintable(output));
            return;
        }
        d.Clear();
        DataSaver saver;
        DeclareSettingsSchema();
        SetSetting("show_diagnostics", "yes");
        QStringList lines;
        connect(&DiagnosticsLog::Instance(), &DiagnosticsLog::LineLogged, this,
                [&lines](const QString& area, const QString& line) {
                    if (area == "Port Forwarding")
                        lines << line.mid(line.indexOf("] ") + 2);
                });
        QElapsedTimer timer;
        timer.start();
        {
            PortForwarder forwarder;
            QCOMPARE(portForwarder, &forwarder);
            QTcpSocket unconnected;
            forwarder.Init();
            forwarder.AddPortMapping(&unconnected, 2235);
            QTRY_COMPARE_WITH_TIMEOUT(lines.size(), 3, 15000);
        }
        QVERIFY(!portForwarder);
        QCOMPARE(lines.value(0), QString("Initializing UPnP"));
        QVERIFY2(lines.value(1).startsWith("No device list found during discovery. miniupnp error code: "),
                 qPrintable(lines.join('\n')));
        QCOMPARE(lines.value(2), QString("UPnP appears to not have been initialized, aborting."));
        qInfo("Discovery without a router took %lld ms", timer.elapsed());
        d.Clear();
    }
};

QTEST_GUILESS_MAIN(TestPortForwarding)
#include "tst_portforwarding.moc"
