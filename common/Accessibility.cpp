#include "Accessibility.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QSizeGrip>
#include <QSplitterHandle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QWidget>

namespace {

constexpr const char *RoleProperty = "accessibleRoleOfKind";

// A read-only text field of the given role. Offsets are those of the
// document's plain text: blocks are joined by one line feed.
class ReadingTextAccessible final : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    ReadingTextAccessible(QTextEdit *edit, QAccessible::Role role) : QAccessibleWidget(edit, role) {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface) {
            return static_cast<QAccessibleTextInterface *>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }

    QString text(QAccessible::Text t) const override
    {
        // A heading without a name of its own is called by its text.
        if (t == QAccessible::Name && edit()->accessibleName().isEmpty() && role() == QAccessible::Heading) {
            return plain();
        }
        return QAccessibleWidget::text(t);
    }

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
        const QTextCursor c = edit()->textCursor();
        if (selectionIndex == 0 && c.hasSelection()) {
            *startOffset = c.selectionStart();
            *endOffset = c.selectionEnd();
        }
    }
    int selectionCount() const override { return edit()->textCursor().hasSelection() ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
    void removeSelection(int selectionIndex) override
    {
        if (selectionIndex == 0) {
            QTextCursor c = edit()->textCursor();
            c.clearSelection();
            edit()->setTextCursor(c);
        }
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override
    {
        if (selectionIndex != 0) {
            return;
        }
        QTextCursor c = edit()->textCursor();
        c.setPosition(clamp(startOffset));
        c.setPosition(clamp(endOffset), QTextCursor::KeepAnchor);
        edit()->setTextCursor(c);
    }

    int cursorPosition() const override { return edit()->textCursor().position(); }
    void setCursorPosition(int position) override
    {
        QTextCursor c = edit()->textCursor();
        c.setPosition(clamp(position));
        edit()->setTextCursor(c);
    }

    QString text(int startOffset, int endOffset) const override
    {
        const QString all = plain();
        const int start = std::clamp(startOffset, 0, int(all.size()));
        const int end = endOffset < 0 ? int(all.size()) : std::clamp(endOffset, start, int(all.size()));
        return all.mid(start, end - start);
    }
    int characterCount() const override { return int(plain().size()); }

    QRect characterRect(int offset) const override
    {
        QTextCursor c(edit()->document());
        c.setPosition(clamp(offset));
        QRect r = edit()->cursorRect(c);
        if (c.position() < characterCount()) {
            c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
            r.setWidth(std::max(1, edit()->fontMetrics().horizontalAdvance(c.selectedText())));
        }
        return QRect(edit()->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        const QPoint local = edit()->viewport()->mapFromGlobal(point);
        if (!edit()->viewport()->rect().contains(local)) {
            return -1;
        }
        return edit()->cursorForPosition(local).position();
    }
    void scrollToSubstring(int startIndex, int endIndex) override
    {
        QTextCursor c(edit()->document());
        c.setPosition(clamp(endIndex));
        edit()->setTextCursor(c);
        edit()->ensureCursorVisible();
        c.setPosition(clamp(startIndex));
        edit()->setTextCursor(c);
        edit()->ensureCursorVisible();
    }
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        Q_UNUSED(offset)
        *startOffset = 0;
        *endOffset = characterCount();
        return QString();
    }

private:
    QTextEdit *edit() const { return static_cast<QTextEdit *>(object()); }
    QString plain() const { return edit()->document()->toPlainText(); }
    int clamp(int offset) const { return std::clamp(offset, 0, characterCount()); }
};

// A label of the given role (a heading) whose text reads through the text
// interface; it has no caret.
class LabelTextAccessible final : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    LabelTextAccessible(QLabel *label, QAccessible::Role role) : QAccessibleWidget(label, role) {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface) {
            return static_cast<QAccessibleTextInterface *>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        return s;
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && label()->accessibleName().isEmpty()) {
            return plain();
        }
        return QAccessibleWidget::text(t);
    }

    void selection(int, int *startOffset, int *endOffset) const override { *startOffset = *endOffset = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override
    {
        const QString all = plain();
        const int start = std::clamp(startOffset, 0, int(all.size()));
        const int end = endOffset < 0 ? int(all.size()) : std::clamp(endOffset, start, int(all.size()));
        return all.mid(start, end - start);
    }
    int characterCount() const override { return int(plain().size()); }
    QRect characterRect(int offset) const override
    {
        // One line: the advance of the text before the character.
        const QFontMetrics metrics = label()->fontMetrics();
        const QString all = plain();
        const int at = std::clamp(offset, 0, int(all.size()));
        const QRect contents = label()->contentsRect();
        const QRect r(contents.left() + metrics.horizontalAdvance(all.left(at)), contents.top(),
                      std::max(1, metrics.horizontalAdvance(all.mid(at, 1))), metrics.height());
        return QRect(label()->mapToGlobal(r.topLeft()), r.size());
    }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = 0;
        *endOffset = characterCount();
        return QString();
    }

private:
    QLabel *label() const { return static_cast<QLabel *>(object()); }
    QString plain() const { return label()->text().remove(u'&'); }
};

QAccessibleInterface *roleOfKind(const QString &, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget) {
        return nullptr;
    }
    const QVariant role = widget->property(RoleProperty);
    if (!role.isValid()) {
        return nullptr;
    }
    const auto r = QAccessible::Role(role.toInt());
    if (auto *edit = qobject_cast<QTextEdit *>(widget)) {
        return new ReadingTextAccessible(edit, r);
    }
    if (auto *label = qobject_cast<QLabel *>(widget)) {
        return new LabelTextAccessible(label, r);
    }
    return new QAccessibleWidget(widget, r);
}

bool isModifierKey(int key)
{
    return key == Qt::Key_Alt || key == Qt::Key_Meta || key == Qt::Key_AltGr || key == Qt::Key_Super_L ||
           key == Qt::Key_Super_R;
}

// The focus event a screen reader speaks for the widget: for an item view its
// current entry, for anything else the widget.
void announceFocus(QWidget *widget)
{
    if (!widget || !widget->hasFocus() || !QAccessible::isActive()) {
        return;
    }
    if (auto *view = qobject_cast<QAbstractItemView *>(widget)) {
        const QModelIndex current = view->currentIndex();
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(view);
        QAccessibleTableInterface *table = iface ? iface->tableInterface() : nullptr;
        if (current.isValid() && table) {
            if (QAccessibleInterface *cell = table->cellAt(current.row(), current.column())) {
                QAccessibleEvent event(view, QAccessible::Focus);
                event.setChild(iface->indexOfChild(cell));
                QAccessible::updateAccessibility(&event);
                return;
            }
        }
    }
    QAccessibleEvent event(widget, QAccessible::Focus);
    QAccessible::updateAccessibility(&event);
}

class FocusAnnouncer final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const bool activated = event->type() == QEvent::WindowActivate && watched->isWidgetType() &&
                               static_cast<QWidget *>(watched)->isWindow() &&
                               static_cast<QWidget *>(watched)->windowType() != Qt::Popup;
        const bool viewFocused = event->type() == QEvent::FocusIn && qobject_cast<QAbstractItemView *>(watched);
        if (activated || viewFocused) {
            // After the platform has told of the window or the view itself.
            QTimer::singleShot(0, this, [] { announceFocus(QApplication::focusWidget()); });
        }
        return QObject::eventFilter(watched, event);
    }
};

class MenuKeyGuard final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::Show:
            // A menu opening while none is open starts a new round.
            if (qobject_cast<QMenu *>(watched) && !QApplication::activePopupWidget()) {
                m_releaseCameBack = false;
            }
            break;
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            // Keys straight from the window system are the user's own at
            // the moment they arrive; only the ones posted back matter.
            const auto *key = static_cast<QKeyEvent *>(event);
            if (event->spontaneous() || !isModifierKey(key->key()) ||
                !qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                break;
            }
            if (event->type() == QEvent::KeyRelease) {
                m_releaseCameBack = true;
                break;
            }
            if (!m_releaseCameBack) {
                return true;
            }
            break;
        }
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_releaseCameBack = true;
};

} // namespace

namespace Accessibility {

void giveRolesOfKind(QWidget &dialog)
{
    for (QFrame *frame : dialog.findChildren<QFrame *>()) {
        if (frame->metaObject() == &QFrame::staticMetaObject) {
            const bool line = frame->frameShape() == QFrame::HLine || frame->frameShape() == QFrame::VLine;
            setRole(frame, line ? QAccessible::Separator : QAccessible::Pane);
        }
    }
    // A splitter's handle separates its panes; the size grip is for the
    // mouse alone. Both would report a role the desktop does not know.
    for (QSplitterHandle *handle : dialog.findChildren<QSplitterHandle *>()) {
        setRole(handle, QAccessible::Separator);
    }
    for (QSizeGrip *grip : dialog.findChildren<QSizeGrip *>()) {
        setRole(grip, QAccessible::Client);
    }
}

void installFocusAnnouncements()
{
    static FocusAnnouncer *announcer = [] {
        auto *a = new FocusAnnouncer(qApp);
        qApp->installEventFilter(a);
        return a;
    }();
    Q_UNUSED(announcer)
}

void installMenuKeyGuard()
{
    static MenuKeyGuard *guard = [] {
        auto *g = new MenuKeyGuard(qApp);
        qApp->installEventFilter(g);
        return g;
    }();
    Q_UNUSED(guard)
}

void setRole(QWidget *widget, QAccessible::Role role)
{
    static const bool installed = [] {
        QAccessible::installFactory(roleOfKind);
        return true;
    }();
    Q_UNUSED(installed)
    widget->setProperty(RoleProperty, int(role));
}

} // namespace Accessibility
