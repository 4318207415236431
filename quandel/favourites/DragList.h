#pragma once

#include <QCursor>
#include <QElapsedTimer>
#include <QList>
#include <QListWidget>
#include <QString>

class QTimer;

// One list entry with the number that belongs to it; the widget forms keep
// the number in Qt::UserRole. Every move carries both.
struct ListEntry
{
    QString text;
    qint32 number = 0;

    friend bool operator==(const ListEntry &, const ListEntry &) = default;
};

// The moves over plain data. selected is the selected index (-1: none) and is
// updated to where the entry went. Each returns false when it left the list
// as it was; the widget forms beep for the two one-place moves then.

// Swaps the selected entry with the one above it.
bool MoveItemUp(QList<ListEntry> &entries, int &selected);
// Swaps the selected entry with the one below it.
bool MoveItemDown(QList<ListEntry> &entries, int &selected);
// Moves the selected entry so that it stands before the entry that was at
// target; target == entries.size() moves it to the end.
bool MoveItemTo(QList<ListEntry> &entries, int &selected, int target);

QList<ListEntry> listEntries(const QListWidget *list);
// The row of the current item when it is selected, else -1.
int selectedRow(const QListWidget *list);
bool MoveItemUp(QListWidget *list);
bool MoveItemDown(QListWidget *list);
bool MoveItemTo(QListWidget *list, int target);

// A list whose selected entry can be dragged with the left mouse button to a
// new place. It reports the phases of a drag to its dialog (begin, every
// pointer move, drop, cancel) with the row under the pointer (-1 outside the
// entries), draws a line above the entry the drag would land before, scrolls
// when the pointer is above or below it, and shows a drag pointer meanwhile.
// A drop on another entry moves the dragged one before it; Esc, or the list
// losing the mouse, cancels.
class DragListWidget final : public QListWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DragListWidget)

public:
    explicit DragListWidget(QWidget *parent = nullptr);

    // The row under a point in screen coordinates, -1 when no entry lies
    // there. With autoScroll, a point above or below the list scrolls it by
    // one row (at most once per scroll interval).
    int itemFromPoint(const QPoint &globalPos, bool autoScroll);

    bool isDragging() const { return m_state == DragState::Pressed || m_state == DragState::Dragging; }
    // The row where the latest drag began.
    int dragStart() const { return m_dragStart; }
    // The row the insertion mark stands above, -1 while none is drawn.
    int insertMarkIndex() const { return m_insertMark; }

    // While detached the list neither drags nor reports; detaching also cuts
    // the connections of the four drag signals, so a closing dialog leaves
    // nothing behind that still points at it.
    bool isAttached() const { return m_attached; }
    void attach();
    void detach();

    static constexpr int kScrollInterval = 100;

Q_SIGNALS:
    void dragBegan(int index);
    void dragging(int index);
    void dropped(int index);
    void dragCancelled();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // Cancelled: the button is still down after a cancel; its moves and its
    // release belong to no drag and must not select either.
    enum class DragState
    {
        Idle,
        Pressed,
        Dragging,
        Cancelled
    };

    void dragTo(const QPoint &globalPos);
    void autoScrollTick();
    void resetPointerAndMark();
    void cancelDrag();

    DragState m_state = DragState::Idle;
    int m_dragStart = -1;
    int m_insertMark = -1;
    bool m_attached = true;
    QPoint m_pressGlobal;
    QPoint m_lastGlobal;
    QCursor m_dragCursor;
    QTimer *m_scrollTimer = nullptr;
    QElapsedTimer m_sinceScroll;
};
