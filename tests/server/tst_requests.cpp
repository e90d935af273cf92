#include "OperationLayouts.h"
#include "SessionFixture.h"

#include <QtTest>

// The outgoing messages, byte for byte, as a logged-in session sends them.
class TestRequests : public QObject
{
    Q_OBJECT

private slots:
    void layouts_data()
    {
        QTest::addColumn<int>("index");
        const std::vector<OperationLayout> layouts = OperationLayouts();
        for (size_t n = 0; n < layouts.size(); ++n)
            QTest::newRow(layouts[n].name) << int(n);
    }

    void layouts()
    {
        QFETCH(int, index);
        const OperationLayout layout = OperationLayouts().at(size_t(index));
        SessionFixture f;
        QVERIFY(f.LogIn());
        layout.operation(*f.server);
        f.server->EveryFiveMinutes();
        QByteArray sent;
        for (int n = 0; n < 10; ++n) {
            uint32_t code = 0;
            MemStream body;
            QVERIFY(f.far->ReadMessage(code, body));
            if (code == SM_HEARTBEAT)
                break;
            sent += Bytes(code) + body.GetPendingBytes();
        }
        QCOMPARE(sent, layout.bytes);
    }

    void codeNames()
    {
        QCOMPARE(Server::MessageCodeToString(1), QString("SM_LOGIN"));
        QCOMPARE(Server::MessageCodeToString(153), QString("SM_SEARCH_CORRELATIONS"));
        QCOMPARE(Server::MessageCodeToString(1002), QString("SE_CANT_CREATE_ROOM"));
        QCOMPARE(Server::MessageCodeToString(4), QString());
        QCOMPARE(Server::MessageCodeToString(-1), QString());
    }
};

QTEST_GUILESS_MAIN(TestRequests)
#include "tst_requests.moc"
