#include "dnet/DNetDecisions.h"
#include "dnet/DNetMessages.h"

#include <QtTest>

// The arithmetic of the tree: room for children, the depth below, the level
// under a parent.
class TestDecisions : public QObject
{
    Q_OBJECT

private slots:
    void Capacity_data()
    {
        QTest::addColumn<qint64>("speed");
        QTest::addColumn<int>("minSpeed");
        QTest::addColumn<int>("ratio");
        QTest::addColumn<qint64>("children"); // -1: below the minimum, -2: no usable ratio
        QTest::newRow("the worked example") << qint64(102400) << 10 << 50 << qint64(20);
        QTest::newRow("exactly the minimum") << qint64(10240) << 10 << 50 << qint64(2);
        QTest::newRow("just below the minimum") << qint64(10239) << 10 << 50 << qint64(-1);
        QTest::newRow("truncated toward zero") << qint64(5119) << 1 << 50 << qint64(0);
        QTest::newRow("one child") << qint64(5120) << 1 << 50 << qint64(1);
        QTest::newRow("no minimum, no speed") << qint64(0) << 0 << 50 << qint64(0);
        QTest::newRow("ratio zero") << qint64(102400) << 10 << 0 << qint64(-2);
        QTest::newRow("negative ratio") << qint64(102400) << 10 << -5 << qint64(-2);
        QTest::newRow("huge minimum") << qint64(102400) << INT_MAX << 50 << qint64(-1);
        QTest::newRow("fast link") << (qint64(1) << 40) << 10 << 1 << (qint64(10) << 30);
    }

    void Capacity()
    {
        QFETCH(qint64, speed);
        QFETCH(int, minSpeed);
        QFETCH(int, ratio);
        QFETCH(qint64, children);
        const ChildCapacity capacity = ComputeChildCapacity(speed, minSpeed, ratio);
        QCOMPARE(capacity.belowMinimum, children == -1);
        QCOMPARE(capacity.badRatio, children == -2);
        if (children >= 0)
            QCOMPARE(capacity.children, children);
    }

    void UploadSpeed()
    {
        QCOMPARE(ParseUploadSpeed("102400"), std::optional<int64_t>(102400));
        QCOMPARE(ParseUploadSpeed("0"), std::optional<int64_t>(0));
        for (const char* text : {"", "fast", "-1", "12kb", "99999999999999999999"})
            QVERIFY2(!ParseUploadSpeed(text), text);
    }

    void Depth()
    {
        QCOMPARE(ComputeChildDepth({}), uint64_t(0));
        QCOMPARE(ComputeChildDepth({0, 0}), uint64_t(1));
        QCOMPARE(ComputeChildDepth({2, 0}), uint64_t(3));
        QCOMPARE(ComputeChildDepth({0xFFFFFFFF}), uint64_t(0x100000000));
    }

    void Level()
    {
        QCOMPARE(LevelBelow(0), 1u);
        QCOMPARE(LevelBelow(7), 8u);
        QCOMPARE(LevelBelow(DNetUnknownLevel), DNetUnknownLevel);
    }
};

QTEST_GUILESS_MAIN(TestDecisions)
#include "tst_decisions.moc"
