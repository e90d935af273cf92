#include "DNetTestKit.h"
#include "TreeNode.h"

#include "LocalServer.h"
#include "dnet/DNetMessages.h"
#include "peer/PeerGreeting.h"
#include "store/ItemPtr.h"

#include <QtTest>

namespace {

// A raw connection that greets the node as a child.
std::unique_ptr<FarEnd> RawChild(quint16 port, const QString& user)
{
    auto* socket = new QTcpSocket;
    socket->connectToHost(QHostAddress::LocalHost, port);
    auto child = std::make_unique<FarEnd>(socket);
    if (socket->waitForConnected(5000))
        child->Send(BuildDirectGreeting(user, DNetConnection));
    return child;
}

QString QueryOf(MemStream body)
{
    uint8_t code = 0;
    uint32_t kind = 0;
    DNetSearch search;
    body.Read(code);
    body.Read(kind);
    ReadDNetSearch(body, search);
    return search.query;
}

} // namespace

// Client cores in processes of their own (each with its own home and
// share) and the local server, which sends network searches only to the
// roots of the tree. Each core has room for one child, so that cores that log
// in one after another form a chain.
class TestTree : public QObject
{
    Q_OBJECT

    std::unique_ptr<localserver::LocalServer> network;
    quint16 networkPort = 0;

    bool HasParent(const char* user) const
    {
        const std::optional<localserver::TreePosition> position = network->TreePositionOf(user);
        return position && position->hasParent;
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<ItemPtr>("ItemPtr");
        localserver::ServerOptions options;
        options.quiet = true;
        options.treeOnlySearch = true;
        options.parentMinSpeed = 1;
        options.parentSpeedConnectionRatio = 50;
        options.userUploadSpeed = 5120;
        network = std::make_unique<localserver::LocalServer>(options);
        QVERIFY(network->Listen(QHostAddress::LocalHost, 0));
        networkPort = network->ServerPort();
    }

    void cleanupTestCase() { network.reset(); }

    // A chain of five forms; a search from the last reaches the one three
    // levels above it (two below the root), whose reply comes back as
    // results; a child that reads nothing does not hold up the others; a
    // parent that goes away leaves its child without a parent until the next
    // list brings another.
    void TreeFormsRelaysAndHeals()
    {
        SearchDriver driver;
        QVERIFY(driver.LogIn(networkPort, "driver"));
        TreeNode ann, bob, cat, dan, sue;
        QVERIFY(ann.Start(networkPort, "ann", "ann plain song.mp3"));
        const struct
        {
            TreeNode& node;
            const char* name;
            const char* file;
            const char* parent;
        } chain[] = {{bob, "bob", "bob plain song.mp3", "ann"},
                     {cat, "cat", "cat rare tune.mp3", "bob"},
                     {dan, "dan", "dan plain song.mp3", "cat"},
                     {sue, "sue", "sue plain song.mp3", "dan"}};
        for (const auto& link : chain) {
            QVERIFY(link.node.Start(networkPort, link.name, link.file));
            QVERIFY2(driver.SearchUntil([&] { return link.node.WaitFor({"PARENT", link.parent}, 200); }), link.name);
            QVERIFY(WaitUntil([&] { return HasParent(link.name); }));
        }
        QVERIFY(!HasParent("ann"));

        sue.Command({"search", "rare tune"});
        QVERIFY(cat.WaitFor({"SEARCHED", "rare tune", "yes"}));
        QVERIFY(dan.WaitFor({"SEARCHED", "rare tune", "no"}));
        QVERIFY(sue.WaitFor({"RESULT", "cat", "cat rare tune.mp3"}));

        auto slow = RawChild(ann.Port(), "slowkid");
        auto fast = RawChild(ann.Port(), "fastkid");
        MemStream body;
        QVERIFY(driver.SearchUntil([&] { return fast->Next(body, 200); }));
        QVERIFY(slow->Next(body));
        slow->Socket().setReadBufferSize(1024);
        const QString big(100 * 1000, 'x');
        const int count = 60; // several times what the socket buffers and the bound hold
        for (int n = 0; n < count; ++n)
            driver.Search(uint32_t(n), QString("big %1 %2").arg(n).arg(big));
        for (int n = 0; n < count; ++n) {
            QString query;
            QVERIFY(WaitUntil([&] {
                query = fast->Next(body, 100) ? QueryOf(body) : QString();
                return query.startsWith("big ");
            }));
            QCOMPARE(query.section(' ', 1, 1), QString::number(n));
        }
        QVERIFY(slow->WaitClosed(10000));
        QVERIFY(dan.WaitFor({"SEARCHED", QString("big %1 %2").arg(count - 1).arg(big).left(40), "no"}));
        fast.reset();

        bob.Kill();
        QVERIFY(cat.WaitFor({"NOPARENT"}));
        QVERIFY(WaitUntil([&] { return !HasParent("cat"); }));
        QVERIFY(driver.SearchUntil([&] { return cat.WaitFor({"PARENT", "ann"}, 200); }));
        QVERIFY(WaitUntil([&] { return HasParent("cat"); }));
        driver.Search(1, "after");
        QVERIFY(dan.WaitFor({"SEARCHED", "after", "no"}));
    }
};

int main(int argc, char** argv)
{
    if (argc > 1 && QByteArray(argv[1]) == TreeNodeArgument)
        return RunTreeNode(argc, argv);
    QCoreApplication application(argc, argv);
    TestTree test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_tree.moc"
