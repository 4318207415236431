#include "Placement.h"

#include <QTest>

// Window placement restored from a key store that may be damaged or come
// from another screen set-up.
class TestPlacement final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fit_data();
    void fit();
};

void TestPlacement::fit_data()
{
    QTest::addColumn<QRect>("stored");
    QTest::addColumn<QList<QRect>>("areas");
    QTest::addColumn<QRect>("expected");

    const QList<QRect> one{QRect(0, 0, 1024, 768)};
    // Two screens side by side; the primary on the right, with a panel at
    // its top.
    const QList<QRect> two{QRect(1280, 30, 1920, 1050), QRect(0, 0, 1280, 1024)};

    QTest::newRow("fits: kept") << QRect(100, 80, 800, 600) << one << QRect(100, 80, 800, 600);
    QTest::newRow("huge size: cut to the screen") << QRect(100, 80, 6666666, 6666666) << one << QRect(0, 0, 1024, 768);
    QTest::newRow("wider than the screen only") << QRect(10, 20, 3000, 500) << one << QRect(0, 20, 1024, 500);
    QTest::newRow("far left and up: moved inside") << QRect(-6666, -6666, 800, 600) << one << QRect(0, 0, 800, 600);
    QTest::newRow("far right and down: moved inside")
        << QRect(6666666, 6666666, 200, 200) << one << QRect(824, 568, 200, 200);
    QTest::newRow("title bar above the top edge") << QRect(100, -10, 800, 600) << one << QRect(100, 0, 800, 600);
    QTest::newRow("partly off to the right: moved inside")
        << QRect(700, 100, 800, 600) << one << QRect(224, 100, 800, 600);
    QTest::newRow("empty size: one pixel") << QRect(100, 80, 0, -5) << one << QRect(100, 80, 1, 1);
    QTest::newRow("on the second screen: kept there")
        << QRect(100, 100, 1000, 800) << two << QRect(100, 100, 1000, 800);
    QTest::newRow("larger than the second screen: cut to it")
        << QRect(10, 10, 1270, 1500) << two << QRect(10, 0, 1270, 1024);
    QTest::newRow("between screens under the panel: moved below it")
        << QRect(1500, 5, 800, 600) << two << QRect(1500, 30, 800, 600);
    QTest::newRow("nowhere: onto the primary screen")
        << QRect(-5000, 4000, 500, 400) << two << QRect(1280, 680, 500, 400);
    QTest::newRow("no screens known: as stored") << QRect(-5, -5, 9, 9) << QList<QRect>() << QRect(-5, -5, 9, 9);
}

void TestPlacement::fit()
{
    QFETCH(QRect, stored);
    QFETCH(QList<QRect>, areas);
    QFETCH(QRect, expected);
    QCOMPARE(Placement::fit(stored, areas), expected);
}

QTEST_APPLESS_MAIN(TestPlacement)
#include "tst_placement.moc"
