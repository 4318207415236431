#include "DragList.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

#include <iterator>

bool MoveItemUp(QList<ListEntry> &entries, int &selected)
{
    if (selected < 1 || selected >= entries.size()) {
        return false;
    }
    entries.swapItemsAt(selected - 1, selected);
    --selected;
    return true;
}

bool MoveItemDown(QList<ListEntry> &entries, int &selected)
{
    if (selected < 0 || selected >= entries.size() - 1) {
        return false;
    }
    entries.swapItemsAt(selected, selected + 1);
    ++selected;
    return true;
}

bool MoveItemTo(QList<ListEntry> &entries, int &selected, int target)
{
    const int source = selected;
    if (source < 0 || source >= entries.size() || target < 0 || target > entries.size()) {
        return false;
    }
    // Before itself or before its successor is where it stands already. Done
    // by insert-then-remove, the first would also remove the selected copy.
    if (target == source || target == source + 1) {
        return false;
    }
    const ListEntry moving = entries.at(source);
    entries.insert(target, moving);
    // The insertion above the old entry pushed it one down.
    entries.removeAt(target > source ? source : source + 1);
    selected = target > source ? target - 1 : target;
    return true;
}

QList<ListEntry> listEntries(const QListWidget *list)
{
    QList<ListEntry> entries;
    entries.reserve(list->count());
    for (int row = 0; row < list->count(); ++row) {
        const QListWidgetItem *item = list->item(row);
        entries.append(ListEntry{item->text(), item->data(Qt::UserRole).toInt()});
    }
    return entries;
}

int selectedRow(const QListWidget *list)
{
    QListWidgetItem *item = list->currentItem();
    return item && item->isSelected() ? list->row(item) : -1;
}

namespace {

// The plain move decides; the list's own item is then moved, so everything it
// carries besides text and number goes along too.
template <typename Move> bool moveInList(QListWidget *list, Move move)
{
    if (!list) {
        return false;
    }
    QList<ListEntry> entries = listEntries(list);
    const int from = selectedRow(list);
    int to = from;
    if (!move(entries, to)) {
        return false;
    }
    QListWidgetItem *item = nullptr;
    {
        // Only the final selection is news to the dialog, not the neighbour
        // that is current while the item is out of the list.
        const QSignalBlocker blocker(list);
        item = list->takeItem(from);
        list->insertItem(to, item);
    }
    list->setCurrentItem(item);
    return true;
}

QCursor makeDragCursor()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    static const QPoint arrow[] = {{0, 0}, {0, 16}, {4, 12}, {7, 19}, {9, 18}, {6, 11}, {11, 11}};
    painter.drawPolygon(arrow, static_cast<int>(std::size(arrow)));
    // The carried entry and the line it will be set on.
    painter.drawRect(12, 14, 14, 7);
    painter.drawLine(12, 24, 26, 24);
    painter.end();
    return QCursor(pixmap, 0, 0);
}

} // namespace

bool MoveItemUp(QListWidget *list)
{
    if (!moveInList(list, [](QList<ListEntry> &entries, int &selected) { return MoveItemUp(entries, selected); })) {
        QApplication::beep();
        return false;
    }
    return true;
}

bool MoveItemDown(QListWidget *list)
{
    if (!moveInList(list, [](QList<ListEntry> &entries, int &selected) { return MoveItemDown(entries, selected); })) {
        QApplication::beep();
        return false;
    }
    return true;
}

bool MoveItemTo(QListWidget *list, int target)
{
    return moveInList(
        list, [target](QList<ListEntry> &entries, int &selected) { return MoveItemTo(entries, selected, target); });
}

DragListWidget::DragListWidget(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    m_dragCursor = makeDragCursor();
    m_scrollTimer = new QTimer(this);
    m_scrollTimer->setInterval(kScrollInterval);
    // Holding the pointer still above or below the list keeps it scrolling.
    connect(m_scrollTimer, &QTimer::timeout, this, &DragListWidget::autoScrollTick);
}

int DragListWidget::itemFromPoint(const QPoint &globalPos, bool autoScroll)
{
    const QPoint pos = viewport()->mapFromGlobal(globalPos);
    const QRect area = viewport()->rect();
    if (area.contains(pos)) {
        const QListWidgetItem *hit = itemAt(pos);
        return hit ? row(hit) : -1;
    }
    if (autoScroll && (pos.y() < area.top() || pos.y() > area.bottom())) {
        // Pointer moves come in bursts; without a limit they would race
        // through the list.
        if (!m_sinceScroll.isValid() || m_sinceScroll.hasExpired(kScrollInterval / 2)) {
            verticalScrollBar()->triggerAction(pos.y() < area.top() ? QAbstractSlider::SliderSingleStepSub
                                                                    : QAbstractSlider::SliderSingleStepAdd);
            m_sinceScroll.start();
        }
    }
    return -1;
}

void DragListWidget::attach()
{
    m_attached = true;
}

void DragListWidget::detach()
{
    cancelDrag();
    disconnect(this, &DragListWidget::dragBegan, nullptr, nullptr);
    disconnect(this, &DragListWidget::dragging, nullptr, nullptr);
    disconnect(this, &DragListWidget::dropped, nullptr, nullptr);
    disconnect(this, &DragListWidget::dragCancelled, nullptr, nullptr);
    m_attached = false;
}

void DragListWidget::mousePressEvent(QMouseEvent *event)
{
    if (m_state == DragState::Cancelled) {
        // The release after the cancel went elsewhere.
        m_state = DragState::Idle;
    }
    if (m_state != DragState::Idle) {
        event->accept();
        return;
    }
    QListWidget::mousePressEvent(event);
    if (!m_attached || event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint global = event->globalPosition().toPoint();
    const int start = itemFromPoint(global, false);
    if (start < 0) {
        return;
    }
    m_state = DragState::Pressed;
    m_dragStart = start;
    m_pressGlobal = global;
    m_lastGlobal = global;
    emit dragBegan(start);
}

void DragListWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (m_state == DragState::Idle) {
        QListWidget::mouseMoveEvent(event);
        return;
    }
    // Never handed on while the button is down: the list would select
    // whatever entry the pointer crosses.
    event->accept();
    if (!(event->buttons() & Qt::LeftButton)) {
        // The release went elsewhere: the list has lost the mouse.
        cancelDrag();
        m_state = DragState::Idle;
        return;
    }
    if (m_state == DragState::Cancelled) {
        return;
    }
    const QPoint global = event->globalPosition().toPoint();
    m_lastGlobal = global;
    if (m_state == DragState::Pressed) {
        // A click that trembles a little is no drag.
        const bool moved = (global - m_pressGlobal).manhattanLength() >= QApplication::startDragDistance() ||
                           itemFromPoint(global, false) != m_dragStart;
        if (!moved) {
            return;
        }
        m_state = DragState::Dragging;
        viewport()->setCursor(m_dragCursor);
        m_scrollTimer->start();
    }
    dragTo(global);
}

void DragListWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_state == DragState::Idle) {
        QListWidget::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (m_state == DragState::Cancelled) {
        m_state = DragState::Idle;
        setState(NoState);
        return;
    }
    const bool click = m_state == DragState::Pressed;
    const int item = itemFromPoint(event->globalPosition().toPoint(), false);
    if (click) {
        QListWidget::mouseReleaseEvent(event);
    } else {
        setState(NoState);
    }
    resetPointerAndMark();
    m_state = DragState::Idle;
    if (item >= 0 && item != m_dragStart) {
        MoveItemTo(this, item);
    }
    emit dropped(item);
}

void DragListWidget::keyPressEvent(QKeyEvent *event)
{
    if (!isDragging()) {
        QListWidget::keyPressEvent(event);
        return;
    }
    // Keys would move the selection under the drag; Esc must not reach the
    // dialog, which would close.
    if (event->key() == Qt::Key_Escape) {
        cancelDrag();
    }
    event->accept();
}

void DragListWidget::focusOutEvent(QFocusEvent *event)
{
    QListWidget::focusOutEvent(event);
    cancelDrag();
}

void DragListWidget::hideEvent(QHideEvent *event)
{
    QListWidget::hideEvent(event);
    cancelDrag();
}

void DragListWidget::paintEvent(QPaintEvent *event)
{
    QListWidget::paintEvent(event);
    if (m_insertMark < 0 || m_insertMark >= count()) {
        return;
    }
    const int y = visualItemRect(item(m_insertMark)).top();
    const int width = viewport()->width();
    const QColor color = palette().color(QPalette::Text);
    QPainter painter(viewport());
    painter.fillRect(QRect(0, y, width, 2), color);
    // Small wedges at both ends keep the mark visible over a selected entry.
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    const QPoint left[] = {{0, y - 3}, {4, y + 1}, {0, y + 5}};
    const QPoint right[] = {{width - 1, y - 3}, {width - 5, y + 1}, {width - 1, y + 5}};
    painter.drawPolygon(left, 3);
    painter.drawPolygon(right, 3);
}

void DragListWidget::dragTo(const QPoint &globalPos)
{
    const int item = itemFromPoint(globalPos, true);
    if (item != m_insertMark) {
        m_insertMark = item;
        viewport()->update();
    }
    emit dragging(item);
}

void DragListWidget::autoScrollTick()
{
    if (m_state != DragState::Dragging) {
        m_scrollTimer->stop();
        return;
    }
    const QPoint pos = viewport()->mapFromGlobal(m_lastGlobal);
    if (pos.y() < 0 || pos.y() >= viewport()->height()) {
        dragTo(m_lastGlobal);
    }
}

void DragListWidget::resetPointerAndMark()
{
    m_scrollTimer->stop();
    viewport()->unsetCursor();
    m_insertMark = -1;
    viewport()->update();
}

void DragListWidget::cancelDrag()
{
    if (!isDragging()) {
        return;
    }
    resetPointerAndMark();
    m_state = DragState::Cancelled;
    emit dragCancelled();
}
