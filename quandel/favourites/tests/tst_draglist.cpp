#include "DragList.h"

#include <QDialog>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

namespace {

// One entry per letter; each letter's number is fixed, so a number that does
// not travel with its text shows as a wrong pair.
QList<ListEntry> entriesOf(const QString &letters)
{
    QList<ListEntry> entries;
    for (const QChar letter : letters) {
        entries.append(ListEntry{QString(letter), letter.unicode() * 10});
    }
    return entries;
}

QStringList describe(const QList<ListEntry> &entries)
{
    QStringList pairs;
    for (const ListEntry &entry : entries) {
        pairs.append(entry.text + QLatin1Char(':') + QString::number(entry.number));
    }
    return pairs;
}

void fill(QListWidget *list, const QList<ListEntry> &entries)
{
    for (const ListEntry &entry : entries) {
        auto *item = new QListWidgetItem(entry.text, list);
        item->setData(Qt::UserRole, entry.number);
    }
}

// The list inside a dialog, as the favourites manager holds it.
struct ShownList
{
    QDialog dialog;
    DragListWidget *list = new DragListWidget(&dialog);
    QWidget *viewport = list->viewport();

    explicit ShownList(const QList<ListEntry> &entries, int height = 200)
    {
        fill(list, entries);
        list->setGeometry(0, 0, 200, height);
        dialog.resize(200, height);
        dialog.show();
    }
    QPoint rowCenter(int row) const { return list->visualItemRect(list->item(row)).center(); }
};

} // namespace

class TestDragList final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void moves_data();
    void moves();
    void listWidgetMoves_data() { moves_data(); }
    void listWidgetMoves();
    void dragAndDrop_data();
    void dragAndDrop();
    void escapeCancelsWithoutClosingTheDialog();
    void scrollsWhilePointerIsOutside_data();
    void scrollsWhilePointerIsOutside();
    void detachedListNeitherDragsNorReports();
};

void TestDragList::moves_data()
{
    QTest::addColumn<QString>("move"); // "up", "down" or "to" target
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("selectedAfter");

    const auto row = [](const char *name, const char *move, int target, const char *before, int selected,
                        const char *after, int selectedAfter) {
        QTest::newRow(name) << QString::fromLatin1(move) << target << QString::fromLatin1(before) << selected
                            << QString::fromLatin1(after) << selectedAfter;
    };
    row("A onto C", "to", 2, "ABCD", 0, "BACD", 1);
    row("D onto B", "to", 1, "ABCD", 3, "ADBC", 1);
    row("C onto the first", "to", 0, "ABCD", 2, "CABD", 0);
    row("to the end", "to", 4, "ABCD", 0, "BCDA", 3);
    row("onto itself keeps the selection", "to", 1, "ABCD", 1, "ABCD", 1);
    row("before its successor", "to", 2, "ABCD", 1, "ABCD", 1);
    row("outside (-1)", "to", -1, "ABCD", 0, "ABCD", 0);
    row("nothing selected", "to", 2, "ABCD", -1, "ABCD", -1);
    row("past the end", "to", 5, "ABCD", 0, "ABCD", 0);
    row("up from B", "up", 0, "ABC", 1, "BAC", 0);
    row("up from the first", "up", 0, "ABC", 0, "ABC", 0);
    row("up with nothing selected", "up", 0, "ABC", -1, "ABC", -1);
    row("down from the middle", "down", 0, "ABC", 1, "ACB", 2);
    row("down from the first of two", "down", 0, "AB", 0, "BA", 1);
    row("down from the last", "down", 0, "ABC", 2, "ABC", 2);
    row("down with nothing selected", "down", 0, "ABC", -1, "ABC", -1);
}

void TestDragList::moves()
{
    QFETCH(QString, move);
    QFETCH(int, target);
    QFETCH(QString, before);
    QFETCH(int, selected);
    QFETCH(QString, after);
    QList<ListEntry> entries = entriesOf(before);
    const bool moved = move == QLatin1String("up")     ? MoveItemUp(entries, selected)
                       : move == QLatin1String("down") ? MoveItemDown(entries, selected)
                                                       : MoveItemTo(entries, selected, target);
    QCOMPARE(moved, before != after);
    QCOMPARE(describe(entries), describe(entriesOf(after)));
    QTEST(selected, "selectedAfter");
}

void TestDragList::listWidgetMoves()
{
    QFETCH(QString, move);
    QFETCH(int, target);
    QFETCH(QString, before);
    QFETCH(int, selected);
    QFETCH(QString, after);
    QListWidget list;
    fill(&list, entriesOf(before));
    list.setCurrentRow(selected);
    QSignalSpy rowChanged(&list, &QListWidget::currentRowChanged);
    const bool moved = move == QLatin1String("up")     ? MoveItemUp(&list)
                       : move == QLatin1String("down") ? MoveItemDown(&list)
                                                       : MoveItemTo(&list, target);
    QCOMPARE(moved, before != after);
    QCOMPARE(describe(listEntries(&list)), describe(entriesOf(after)));
    QTEST(selectedRow(&list), "selectedAfter");
    // The dialog hears of the new selection once, not of a passing neighbour.
    QCOMPARE(rowChanged.size(), moved ? 1 : 0);
}

void TestDragList::dragAndDrop_data()
{
    QTest::addColumn<int>("pressRow");
    QTest::addColumn<int>("target"); // a row; -1 right of the list; -2 the blank below the entries
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("selectedAfter");
    QTest::addColumn<int>("droppedOn");

    QTest::newRow("A onto C") << 0 << 2 << QStringLiteral("BACD") << 1 << 2;
    QTest::newRow("D onto B") << 3 << 1 << QStringLiteral("ADBC") << 1 << 1;
    QTest::newRow("back onto its own entry") << 1 << 1 << QStringLiteral("ABCD") << 1 << 1;
    QTest::newRow("right of the list") << 0 << -1 << QStringLiteral("ABCD") << 0 << -1;
    QTest::newRow("below the entries") << 0 << -2 << QStringLiteral("ABCD") << 0 << -1;
}

void TestDragList::dragAndDrop()
{
    QFETCH(int, pressRow);
    QFETCH(int, target);
    QFETCH(QString, after);
    QFETCH(int, selectedAfter);
    QFETCH(int, droppedOn);
    ShownList shown(entriesOf(QStringLiteral("ABCD")));
    QVERIFY(QTest::qWaitForWindowExposed(&shown.dialog));
    DragListWidget *list = shown.list;
    QSignalSpy began(list, &DragListWidget::dragBegan);
    QSignalSpy dragging(list, &DragListWidget::dragging);
    QSignalSpy dropped(list, &DragListWidget::dropped);
    QSignalSpy cancelled(list, &DragListWidget::dragCancelled);

    QTest::mousePress(shown.viewport, Qt::LeftButton, {}, shown.rowCenter(pressRow));
    QCOMPARE(began.size(), 1);
    QCOMPARE(began.at(0).at(0).toInt(), pressRow);
    QTest::mouseMove(shown.viewport, shown.rowCenter(2));
    QCOMPARE(list->insertMarkIndex(), 2);
    QCOMPARE(shown.viewport->cursor().shape(), Qt::BitmapCursor);
    QCOMPARE(selectedRow(list), pressRow);
    const QPoint onMark(shown.viewport->width() / 2, list->visualItemRect(list->item(2)).top());
    QCOMPARE(QColor(shown.viewport->grab().toImage().pixel(onMark)), list->palette().color(QPalette::Text));

    const QPoint end = target >= 0    ? shown.rowCenter(target)
                       : target == -1 ? QPoint(shown.viewport->width() + 30, shown.rowCenter(1).y())
                                      : QPoint(20, shown.viewport->height() - 5);
    QTest::mouseMove(shown.viewport, end);
    QCOMPARE(list->insertMarkIndex(), droppedOn);
    QCOMPARE(dragging.last().at(0).toInt(), droppedOn);
    QTest::mouseRelease(shown.viewport, Qt::LeftButton, {}, end);

    QCOMPARE(dropped.size(), 1);
    QCOMPARE(dropped.at(0).at(0).toInt(), droppedOn);
    QCOMPARE(describe(listEntries(list)), describe(entriesOf(after)));
    QCOMPARE(selectedRow(list), selectedAfter);
    QCOMPARE(list->insertMarkIndex(), -1);
    QVERIFY(!shown.viewport->testAttribute(Qt::WA_SetCursor));
    QVERIFY(!list->isDragging());
    QVERIFY(cancelled.isEmpty());
}

void TestDragList::escapeCancelsWithoutClosingTheDialog()
{
    ShownList shown(entriesOf(QStringLiteral("ABCD")));
    QVERIFY(QTest::qWaitForWindowExposed(&shown.dialog));
    DragListWidget *list = shown.list;
    QSignalSpy dragging(list, &DragListWidget::dragging);
    QSignalSpy dropped(list, &DragListWidget::dropped);
    QSignalSpy cancelled(list, &DragListWidget::dragCancelled);
    QSignalSpy rejected(&shown.dialog, &QDialog::rejected);

    QTest::mousePress(shown.viewport, Qt::LeftButton, {}, shown.rowCenter(0));
    QTest::mouseMove(shown.viewport, shown.rowCenter(2));
    QTest::keyClick(list, Qt::Key_Escape);
    QCOMPARE(cancelled.size(), 1);
    QVERIFY(rejected.isEmpty());
    QCOMPARE(list->insertMarkIndex(), -1);
    QVERIFY(!shown.viewport->testAttribute(Qt::WA_SetCursor));

    // The button is still down: its moves and release belong to no drag.
    const qsizetype reports = dragging.size();
    QTest::mouseMove(shown.viewport, shown.rowCenter(3));
    QTest::mouseRelease(shown.viewport, Qt::LeftButton, {}, shown.rowCenter(3));
    QCOMPARE(dragging.size(), reports);
    QVERIFY(dropped.isEmpty());
    QCOMPARE(describe(listEntries(list)), describe(entriesOf(QStringLiteral("ABCD"))));
    QCOMPARE(selectedRow(list), 0);
}

void TestDragList::scrollsWhilePointerIsOutside_data()
{
    QTest::addColumn<bool>("below");
    QTest::newRow("below") << true;
    QTest::newRow("above") << false;
}

void TestDragList::scrollsWhilePointerIsOutside()
{
    QFETCH(bool, below);
    ShownList shown(entriesOf(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ")), 100);
    QVERIFY(QTest::qWaitForWindowExposed(&shown.dialog));
    DragListWidget *list = shown.list;
    QScrollBar *bar = list->verticalScrollBar();
    if (!below) {
        list->scrollToBottom();
    }
    const int start = list->row(list->itemAt(shown.viewport->rect().center()));
    QSignalSpy dragging(list, &DragListWidget::dragging);
    QSignalSpy dropped(list, &DragListWidget::dropped);

    QTest::mousePress(shown.viewport, Qt::LeftButton, {}, shown.rowCenter(start));
    QTest::mouseMove(shown.viewport, shown.rowCenter(start + 1));
    const int before = bar->value();
    const QPoint outside(20, below ? shown.viewport->height() + 20 : -20);
    QTest::mouseMove(shown.viewport, outside);
    QCOMPARE(dragging.last().at(0).toInt(), -1);
    const int first = bar->value();
    QVERIFY(below ? first > before : first < before);
    // Resting there keeps it scrolling.
    QTRY_VERIFY(below ? bar->value() > first : bar->value() < first);
    QTest::mouseRelease(shown.viewport, Qt::LeftButton, {}, outside);
    QCOMPARE(dropped.at(0).at(0).toInt(), -1);
    QCOMPARE(listEntries(list).at(start).text, QString(QLatin1Char('A' + start)));
}

void TestDragList::detachedListNeitherDragsNorReports()
{
    ShownList shown(entriesOf(QStringLiteral("ABCD")));
    QVERIFY(QTest::qWaitForWindowExposed(&shown.dialog));
    DragListWidget *list = shown.list;
    int reports = 0;
    const auto count = [&reports] { ++reports; };
    connect(list, &DragListWidget::dragBegan, &shown.dialog, count);
    connect(list, &DragListWidget::dragging, &shown.dialog, count);
    connect(list, &DragListWidget::dropped, &shown.dialog, count);
    connect(list, &DragListWidget::dragCancelled, &shown.dialog, count);

    QTest::mousePress(shown.viewport, Qt::LeftButton, {}, shown.rowCenter(0));
    QTest::mouseMove(shown.viewport, shown.rowCenter(2));
    QCOMPARE(reports, 2);
    // The dialog closing in the middle of a drag: told of the cancel, then cut off.
    list->detach();
    QCOMPARE(reports, 3);
    QCOMPARE(list->insertMarkIndex(), -1);
    QTest::mouseRelease(shown.viewport, Qt::LeftButton, {}, shown.rowCenter(2));

    QTest::mousePress(shown.viewport, Qt::LeftButton, {}, shown.rowCenter(0));
    QTest::mouseMove(shown.viewport, shown.rowCenter(2));
    QVERIFY(!list->isDragging());
    QTest::mouseRelease(shown.viewport, Qt::LeftButton, {}, shown.rowCenter(2));
    QCOMPARE(reports, 3);
    QCOMPARE(describe(listEntries(list)), describe(entriesOf(QStringLiteral("ABCD"))));
}

QTEST_MAIN(TestDragList)
#include "tst_draglist.moc"
