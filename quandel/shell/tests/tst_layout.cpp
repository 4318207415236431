#include "Layout.h"

#include <QTest>

class TestLayout final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void minimumSize_data();
    void minimumSize();
    void panes_data();
    void panes();
    void pixelConversion();
};

void TestLayout::minimumSize_data()
{
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::addColumn<float>("expectedWidth");
    QTest::addColumn<float>("expectedHeight");
    QTest::addColumn<bool>("resized");

    QTest::newRow("far below snaps to minimum") << 6000.0F << 5000.0F << 8560.0F << 7810.0F << true;
    QTest::newRow("8550 wide is enlarged") << 8550.0F << 9000.0F << 8560.0F << 9000.0F << true;
    QTest::newRow("8551 wide is kept") << 8551.0F << 9000.0F << 8551.0F << 9000.0F << false;
    QTest::newRow("7800 high is enlarged") << 9000.0F << 7800.0F << 9000.0F << 7810.0F << true;
    QTest::newRow("7801 high is kept") << 9000.0F << 7801.0F << 9000.0F << 7801.0F << false;
    QTest::newRow("large window untouched") << 15000.0F << 12000.0F << 15000.0F << 12000.0F << false;
}

void TestLayout::minimumSize()
{
    QFETCH(float, width);
    QFETCH(float, height);
    const Layout::Result r = Layout::compute({width, height, true, 2000.0F});
    QFETCH(float, expectedWidth);
    QCOMPARE(r.width, expectedWidth);
    QFETCH(float, expectedHeight);
    QCOMPARE(r.height, expectedHeight);
    QFETCH(bool, resized);
    QCOMPARE(r.resized, resized);
    // Nothing may end up with a negative size, whatever the input.
    for (const QRectF &pane : {r.dateien, r.background, r.text, r.webBrowser}) {
        QVERIFY(pane.width() > 0);
        QVERIFY(pane.height() > 0);
    }
}

void TestLayout::panes_data()
{
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::addColumn<bool>("picture");
    QTest::addColumn<QRectF>("list");
    QTest::addColumn<float>("backgroundLeft");
    QTest::addColumn<QRectF>("text");
    QTest::addColumn<float>("procedures");

    // The worked example: the minimum window with the picture pane.
    QTest::newRow("minimum with picture")
        << 8560.0F << 7810.0F << true << QRectF(90, 135, 4705, 7810.0F / 3.0F) << 4865.0F
        << QRectF(90, 135 + 7810.0F / 3.0F + 75, 8145, 7810.0F - (135 + 7810.0F / 3.0F + 75 + 970)) << 0.0F;
    QTest::newRow("minimum without picture")
        << 8560.0F << 7810.0F << false << QRectF(90, 135, 8160, 7810.0F / 3.0F) << 8320.0F
        << QRectF(90, 135 + 7810.0F / 3.0F + 75, 8160, 7810.0F - (135 + 7810.0F / 3.0F + 75 + 970)) << 0.0F;
    QTest::newRow("large with picture") << 15000.0F << 12000.0F << true << QRectF(90, 135, 11145, 4000) << 11305.0F
                                        << QRectF(90, 4210, 14585, 12000 - 5180) << 0.0F;
    // The procedure list takes its height from the top of the editor.
    QTest::newRow("large with the procedure list")
        << 15000.0F << 12000.0F << true << QRectF(90, 135, 11145, 4000) << 11305.0F
        << QRectF(90, 4210 + 360, 14585, 12000 - 5180 - 360) << 360.0F;
}

void TestLayout::panes()
{
    QFETCH(float, width);
    QFETCH(float, height);
    QFETCH(bool, picture);
    QFETCH(QRectF, list);
    QFETCH(QRectF, text);
    QFETCH(float, procedures);
    const Layout::Result r = Layout::compute({width, height, picture, 2000.0F, procedures});

    const auto near = [](const QRectF &a, const QRectF &b) {
        return qAbs(a.x() - b.x()) < 0.01 && qAbs(a.y() - b.y()) < 0.01 && qAbs(a.width() - b.width()) < 0.01 &&
               qAbs(a.height() - b.height()) < 0.01;
    };
    QVERIFY2(near(r.dateien, list), "document list");
    QCOMPARE(r.dateienImt, r.dateien);
    QFETCH(float, backgroundLeft);
    QCOMPARE(float(r.background.left()), backgroundLeft);
    QCOMPARE(r.background.width(), 3380.0);
    QCOMPARE(r.background.height(), r.dateien.height());
    QCOMPARE(r.frame1.width(), double(width));
    QVERIFY2(near(r.text, text), "editor");
    QCOMPARE(r.textImt, r.text);
    QCOMPARE(r.webBrowser, r.text);
    QVERIFY2(near(r.procedures, QRectF(text.x(), text.y() - procedures, text.width(), procedures)), "procedures");
    // The artwork is centred vertically in the picture pane.
    QVERIFY(qAbs(r.pictures.center().y() - r.background.height() / 2) < 0.01);
}

void TestLayout::pixelConversion()
{
    QCOMPARE(Layout::twipsPerPixel(96), 15.0F);
    QCOMPARE(Layout::toPixels(8560, 96), 571);
    QCOMPARE(Layout::toPixels(500, 96), 33);
    QCOMPARE(Layout::toTwips(571, 96), 8565.0F);
    QCOMPARE(Layout::toPixels(1440, 120), 120);
}

QTEST_GUILESS_MAIN(TestLayout)
#include "tst_layout.moc"
