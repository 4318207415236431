#include "Tooltips.h"

#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

quint32 colorRef(const QColor &color)
{
    return static_cast<quint32>(color.red()) | static_cast<quint32>(color.green()) << 8 |
           static_cast<quint32>(color.blue()) << 16;
}

// A form with one control that gets a tool and one that never does, and the
// tooltip object for it (declared last, so it goes first).
struct Form
{
    QWidget window;
    QPushButton *button = new QPushButton(QStringLiteral("Ok"), &window);
    QLabel *label = new QLabel(QStringLiteral("ohne Tipp"), &window);
    Tooltips_Class tips;

    explicit Form(bool create = true)
    {
        window.setGeometry(100, 100, 300, 200);
        button->setGeometry(10, 10, 100, 30);
        label->setGeometry(10, 100, 100, 30);
        if (create) {
            tips.Create(&window);
        }
    }
    TooltipWindow *tip() const { return tips.tipWindow(); }
    bool show()
    {
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }
};

// Counts the pointer's events at a control. Installed before the tooltip's
// own filter, it sees each of them after the tooltip has.
struct PointerEvents final : QObject
{
    int seen = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) {
            ++seen;
        }
        return false;
    }
};

// Runs the event loop until a precise timer started now has fired: every
// coarser timer the code under test started before it with a shorter time
// (a tip's delay) has fired by then.
bool waitPast(int milliseconds)
{
    bool fired = false;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, [&fired] { fired = true; });
    return QTest::qWaitFor([&fired] { return fired; }, 100 * milliseconds);
}

} // namespace

class TestTooltips final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QCursor::setPos(0, 0); }
    void inertWithoutWindow();
    void createStartsAfresh();
    void windowLifetime();
    void toolsFollowTheirControls();
    void membersForControlWithoutTool_data();
    void membersForControlWithoutTool();
    void margins_data();
    void margins();
    void colours_data();
    void colours();
    void delayTimes_data();
    void delayTimes();
    void hitTest_data();
    void hitTest();
    void sizeConversions();
    void wrapping_data();
    void wrapping();
    void hover_data();
    void hover();
    void autoPopHidesUntilThePointerReturns();
    void tracking();
};

void TestTooltips::inertWithoutWindow()
{
    Form form(false);
    Tooltips_Class &tips = form.tips;
    tips.setEnabled(true);
    tips.setTitle(QStringLiteral("vorher"));
    tips.setIcon(1);
    tips.AddTool(form.button, 0, QStringLiteral("Text"));
    tips.SetDelayTime(3, 100);
    tips.setMarginTop(5);
    tips.setBackColor(0xFF);
    QVERIFY(!tips.Enabled());
    QCOMPARE(tips.Title(), QString());
    // Each on its own: a sum of zero could hide a negative beside a positive.
    QCOMPARE(tips.Icon(), 0);
    QCOMPARE(tips.ToolCount(), 0);
    QCOMPARE(tips.GetDelayTime(3), 0);
    QCOMPARE(tips.MarginTop(), 0);
    QCOMPARE(tips.MaxTipWidth(), 0);
    QCOMPARE(tips.BackColor(), 0u);
    QVERIFY(!tips.HitTest(form.button, 1, 1));
    QCOMPARE(tips.ToolTipWidthFromText(form.window.fontMetrics(), QStringLiteral("abc")), 0);
    QCOMPARE(Tooltips_Class::MakeLong(1, 2), 0x00020001);

    tips.Create(&form.window);
    QVERIFY(tips.Enabled());
    QCOMPARE(tips.Title(), QString());
    QCOMPARE(tips.ToolCount(), 0);
}

void TestTooltips::createStartsAfresh()
{
    Form form;
    form.tips.AddTool(form.button, 0, QStringLiteral("Text"));
    form.tips.setTitle(QStringLiteral("Verknüpfungsfehler"));
    form.tips.setIcon(3);
    // The icon goes to the window together with the title already set.
    QCOMPARE(form.tip()->title(), QStringLiteral("Verknüpfungsfehler"));
    QCOMPARE(form.tip()->titleIcon(), 3);
    form.tips.setEnabled(false);
    const QPointer<TooltipWindow> first = form.tip();

    form.tips.Create(&form.window);
    QVERIFY(first.isNull());
    QVERIFY(form.tip());
    QVERIFY(form.tips.Enabled());
    QCOMPARE(form.tips.Icon(), 0);
    QCOMPARE(form.tips.Title(), QString());
    QCOMPARE(form.tips.ToolCount(), 0);
}

void TestTooltips::windowLifetime()
{
    auto *owner = new QWidget;
    QPointer<TooltipWindow> window;
    {
        Tooltips_Class tips;
        tips.Create(owner);
        window = tips.tipWindow();
        // The form owns the window, so the form's tests can look for it.
        QCOMPARE(owner->findChild<TooltipWindow *>(), window.data());
    }
    QVERIFY(window.isNull());

    // The form going first must leave an instance that does nothing.
    Tooltips_Class tips;
    tips.Create(owner);
    QLabel control;
    delete owner;
    QVERIFY(!tips.tipWindow());
    QVERIFY(!tips.Enabled());
    tips.AddTool(&control, 0, QStringLiteral("Text"));
    QCOMPARE(tips.ToolCount(), 0);
}

void TestTooltips::toolsFollowTheirControls()
{
    Form form;
    form.tips.AddTool(form.button, 0, QStringLiteral("Eintrag"));
    // The manager registers its list again with each selection.
    form.tips.AddTool(form.button, 0, QStringLiteral("Position: 2 / 3"));
    QCOMPARE(form.tips.ToolCount(), 1);
    QCOMPARE(form.tip()->toolText(form.button), QStringLiteral("Position: 2 / 3"));
    auto *gone = new QLabel(&form.window);
    form.tips.AddTool(gone, 0, QStringLiteral("weg"));
    delete gone;
    QCOMPARE(form.tips.ToolCount(), 1);
    form.tips.DeleteTool(form.button);
    QCOMPARE(form.tips.ToolCount(), 0);
}

void TestTooltips::membersForControlWithoutTool_data()
{
    QTest::addColumn<QString>("member");
    for (const char *member : {"DeleteTool", "SetTipText", "SetToolRect", "SetTracking"}) {
        QTest::newRow(member) << QString::fromLatin1(member);
    }
}

void TestTooltips::membersForControlWithoutTool()
{
    Form form;
    form.tips.AddTool(form.button, 0, QStringLiteral("Text"));
    QFETCH(QString, member);
    if (member == QLatin1String("DeleteTool")) {
        form.tips.DeleteTool(form.label);
    } else if (member == QLatin1String("SetTipText")) {
        form.tips.SetTipText(form.label, QStringLiteral("anders"));
    } else if (member == QLatin1String("SetToolRect")) {
        form.tips.SetToolRect(form.label, 0, 0, 5, 5);
    } else {
        form.tips.SetTracking(form.label, true);
    }
    QCOMPARE(form.tips.ToolCount(), 1);
    QCOMPARE(form.tip()->toolText(form.button), QStringLiteral("Text"));
    QCOMPARE(form.tip()->toolRect(form.button), form.button->rect());
    QVERIFY(!form.tips.HitTest(form.label, 1, 1));
    QVERIFY(!form.tip()->isVisible());
}

void TestTooltips::margins_data()
{
    QTest::addColumn<int>("side");
    QTest::newRow("left") << 0;
    QTest::newRow("top") << 1;
    QTest::newRow("right") << 2;
    QTest::newRow("bottom") << 3;
}

void TestTooltips::margins()
{
    Form form;
    const QList<void (Tooltips_Class::*)(qint32)> setters{&Tooltips_Class::setMarginLeft, &Tooltips_Class::setMarginTop,
                                                          &Tooltips_Class::setMarginRight,
                                                          &Tooltips_Class::setMarginBottom};
    for (int side = 0; side < 4; ++side) {
        (form.tips.*setters[side])(side + 1);
    }
    QFETCH(int, side);
    (form.tips.*setters[side])(9);
    QList<int> expected{1, 2, 3, 4};
    expected[side] = 9;
    const Tooltips_Class &tips = form.tips;
    QCOMPARE((QList<int>{tips.MarginLeft(), tips.MarginTop(), tips.MarginRight(), tips.MarginBottom()}), expected);
}

void TestTooltips::colours_data()
{
    const QPalette palette = QApplication::palette();
    QTest::addColumn<bool>("background");
    QTest::addColumn<quint32>("given");
    QTest::addColumn<QColor>("shown");

    QTest::newRow("rgb background") << true << 9809894u << QColor(230, 175, 149);
    QTest::newRow("rgb text") << false << 0x000000FFu << QColor(255, 0, 0);
    QTest::newRow("system tip background") << true << 0x80000018u << palette.color(QPalette::ToolTipBase);
    QTest::newRow("system tip text") << false << 0x80000017u << palette.color(QPalette::ToolTipText);
    QTest::newRow("unknown system index") << true << 0x800000FFu << QColor(Qt::black);
}

void TestTooltips::colours()
{
    Form form;
    QFETCH(bool, background);
    QFETCH(quint32, given);
    QFETCH(QColor, shown);
    if (background) {
        form.tips.setBackColor(given);
    } else {
        form.tips.setForeColor(given);
    }
    const QColor painted = background ? form.tip()->backgroundColor() : form.tip()->textColor();
    QCOMPARE(painted.rgb(), shown.rgb());
    QCOMPARE(background ? form.tips.BackColor() : form.tips.ForeColor(), colorRef(shown));
}

void TestTooltips::delayTimes_data()
{
    QTest::addColumn<QList<QPoint>>("calls"); // x: mode, y: time
    QTest::addColumn<QList<int>>("expected"); // reshow, autopop, initial

    QTest::newRow("defaults") << QList<QPoint>{} << QList<int>{100, 5000, 500};
    QTest::newRow("autopop leaves the others") << QList<QPoint>{{2, 10000}} << QList<int>{100, 10000, 500};
    QTest::newRow("automatic sets all three") << QList<QPoint>{{0, 200}} << QList<int>{40, 2000, 200};
    QTest::newRow("negative restores that default")
        << QList<QPoint>{{3, 100}, {2, 9000}, {3, -1}} << QList<int>{100, 9000, 500};
    QTest::newRow("unknown mode") << QList<QPoint>{{7, 123}} << QList<int>{100, 5000, 500};
}

void TestTooltips::delayTimes()
{
    Form form;
    QFETCH(QList<QPoint>, calls);
    QFETCH(QList<int>, expected);
    for (const QPoint &call : calls) {
        form.tips.SetDelayTime(call.x(), call.y());
    }
    const Tooltips_Class &tips = form.tips;
    QCOMPARE((QList<int>{tips.GetDelayTime(1), tips.GetDelayTime(2), tips.GetDelayTime(3)}), expected);
}

void TestTooltips::hitTest_data()
{
    QTest::addColumn<QRect>("toolRect"); // null: the whole control (100 x 30)
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<bool>("hit");

    QTest::newRow("last pixel") << QRect() << QPoint(99, 29) << true;
    QTest::newRow("right edge is outside") << QRect() << QPoint(100, 5) << false;
    QTest::newRow("inside own rect") << QRect(10, 10, 10, 10) << QPoint(15, 15) << true;
    QTest::newRow("control outside own rect") << QRect(10, 10, 10, 10) << QPoint(5, 5) << false;
    QTest::newRow("own rect's right edge") << QRect(10, 10, 10, 10) << QPoint(20, 15) << false;
}

void TestTooltips::hitTest()
{
    Form form;
    form.tips.AddTool(form.button, 0, QStringLiteral("Text"));
    QFETCH(QRect, toolRect);
    QFETCH(QPoint, point);
    if (!toolRect.isNull()) {
        form.tips.SetToolRect(form.button, toolRect.left(), toolRect.top(), toolRect.right() + 1,
                              toolRect.bottom() + 1);
    }
    QTEST(form.tips.HitTest(form.button, point.x(), point.y()), "hit");
}

void TestTooltips::sizeConversions()
{
    Form form;
    const QFontMetrics metrics(form.window.font());
    const QString text = QStringLiteral("Position: 1 / 3");
    const int plainWidth = form.tips.ToolTipWidthFromText(metrics, text);
    const int plainHeight = form.tips.ToolTipHeightFromText(metrics, text);
    form.tips.setMarginLeft(5);
    form.tips.setMarginTop(3);
    form.tips.setMarginRight(7);
    form.tips.setMarginBottom(2);
    const int width = form.tips.ToolTipWidthFromText(metrics, text);
    const int height = form.tips.ToolTipHeightFromText(metrics, text);
    QCOMPARE(width - plainWidth, 12);
    QCOMPARE(height - plainHeight, 5);
    QCOMPARE(form.tips.TextWidthFromToolTipWidth(width), metrics.horizontalAdvance(text));
    QCOMPARE(form.tips.TextHeightFromToolTipHeight(height), metrics.height());
}

void TestTooltips::wrapping_data()
{
    QTest::addColumn<int>("maxWidth");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("severalLines");

    const QString hint = QStringLiteral("Klicken Sie den Eintrag mit der linken Maustaste und halten Sie diese "
                                        "gedrückt. Ziehen Sie nun das Element nun in die gewünschte Position.");
    QTest::newRow("no limit") << -1 << hint << false;
    QTest::newRow("zero is no limit") << 0 << hint << false;
    QTest::newRow("wraps at 260") << 260 << hint << true;
    QTest::newRow("line feed breaks without a limit") << -1 << QStringLiteral("Name\nPosition: 1 / 3") << true;
    QTest::newRow("one word does not break") << 20 << QStringLiteral("Verknüpfungsfehler") << false;
}

void TestTooltips::wrapping()
{
    Form form;
    QFETCH(int, maxWidth);
    QFETCH(QString, text);
    QFETCH(bool, severalLines);
    form.tips.AddTool(form.button, 0, text);
    form.tips.setMaxTipWidth(maxWidth);
    const int textHeight = form.tips.TextHeightFromToolTipHeight(form.tips.GetTooltipHeight(form.button));
    const int textWidth = form.tips.TextWidthFromToolTipWidth(form.tips.GetTooltipWidth(form.button));
    QCOMPARE(textHeight > QFontMetrics(form.tip()->font()).height(), severalLines);
    QVERIFY(!severalLines || maxWidth <= 0 || textWidth <= maxWidth);
}

void TestTooltips::hover_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<quint32>("flags");
    QTest::addColumn<bool>("shows");
    QTest::newRow("shows after the initial delay") << true << 0u << true;
    QTest::newRow("not while disabled") << false << 0u << false;
    QTest::newRow("track tools ignore the pointer") << true << 0x20u << false;
}

void TestTooltips::hover()
{
    Form form;
    QVERIFY(form.show());
    QFETCH(bool, enabled);
    QFETCH(quint32, flags);
    QFETCH(bool, shows);
    PointerEvents pointer;
    form.button->installEventFilter(&pointer);
    form.tips.AddTool(form.button, flags, QStringLiteral("Hallo"));
    form.tips.SetDelayTime(3, 50);
    form.tips.setEnabled(enabled);
    TooltipWindow *tip = form.tip();

    QTest::mouseMove(form.button, QPoint(20, 15));
    if (!shows) {
        // The tooltip has seen the pointer; a tip due after the initial delay
        // would be shown before a later, longer timer fires.
        QTRY_VERIFY(pointer.seen > 0);
        QVERIFY(waitPast(2 * 50));
        QVERIFY(!tip->isVisible());
        return;
    }
    QTRY_COMPARE(tip->shownTool(), form.button);
    QCOMPARE(tip->shownText(), QStringLiteral("Hallo"));
    QCOMPARE(tip->size(), QSize(form.tips.GetTooltipWidth(form.button), form.tips.GetTooltipHeight(form.button)));
    QTest::mousePress(form.button, Qt::LeftButton, {}, QPoint(20, 15));
    QVERIFY(!tip->isVisible());
    // The click may have changed the text: the tip comes back with the new one.
    form.tips.SetTipText(form.button, QStringLiteral("Neu"));
    QTest::mouseRelease(form.button, Qt::LeftButton, {}, QPoint(20, 15));
    QTRY_COMPARE(tip->shownText(), QStringLiteral("Neu"));
    form.tips.HideTips();
    QVERIFY(!tip->isVisible());
}

void TestTooltips::autoPopHidesUntilThePointerReturns()
{
    Form form;
    QVERIFY(form.show());
    PointerEvents pointer;
    form.button->installEventFilter(&pointer);
    form.tips.AddTool(form.button, 0, QStringLiteral("Hallo"));
    form.tips.SetDelayTime(3, 20);
    form.tips.SetDelayTime(2, 100);
    QTest::mouseMove(form.button, QPoint(20, 15));
    QTRY_VERIFY(form.tip()->isVisible());
    QTRY_VERIFY(!form.tip()->isVisible());
    // The pointer is told again that it is over the tool: the tip stays away.
    const int seen = pointer.seen;
    const QPointF within(22, 16);
    QEnterEvent enter(within, within, form.button->mapToGlobal(within));
    QApplication::sendEvent(form.button, &enter);
    QCOMPARE(pointer.seen, seen + 1);
    QVERIFY(waitPast(2 * 100)); // past the initial and the reshow delay
    QVERIFY(!form.tip()->isVisible());
    QTest::mouseMove(&form.window, QPoint(250, 150));
    QTest::mouseMove(form.button, QPoint(20, 15));
    QTRY_VERIFY(form.tip()->isVisible());
}

void TestTooltips::tracking()
{
    Form form;
    QVERIFY(form.show());
    form.tips.AddTool(form.button, 0x20, QStringLiteral("Spur"));
    form.tips.SetTrackPosition(form.button, 40, 50);
    form.tips.SetTracking(form.button, true);
    QVERIFY(form.tip()->isVisible());
    QCOMPARE(form.tip()->pos(), QPoint(40, 50));
    form.tips.SetTrackPosition(form.label, 60, 70);
    QCOMPARE(form.tip()->pos(), QPoint(40, 50));
    form.tips.SetTracking(form.button, false);
    QVERIFY(!form.tip()->isVisible());
}

QTEST_MAIN(TestTooltips)
#include "tst_tooltips.moc"
