#include "BesideWindow.h"

#include "DocumentLibrary.h"

#include <QList>
#include <QRect>
#include <QScreen>
#include <QVariant>
#include <QWidget>

#include <algorithm>

namespace BesideWindow {

void place(QWidget *tool, const QWidget *window, const char *keptProperty)
{
    if (const QRect kept = window->property(keptProperty).toRect(); kept.isValid()) {
        tool->setGeometry(kept);
        return;
    }
    const QScreen *screen = window->screen();
    if (!screen) {
        return;
    }
    const QRect room = screen->availableGeometry();
    const QRect main = window->frameGeometry();
    // The frame the window manager adds, as the main window has it.
    const QSize frame = window->frameGeometry().size() - window->geometry().size();
    const QSize outer = tool->size() + frame;
    const QList<QPoint> places = {
        {main.right() + 1, main.top()},             // beside, right
        {main.left() - outer.width(), main.top()},  // beside, left
        {main.left(), main.bottom() + 1},           // below
        {main.left(), main.top() - outer.height()}, // above
    };
    for (const QPoint &at : places) {
        QRect wanted(at, outer);
        // Along the main window's edge it may slide to stay on the screen.
        if (wanted.right() > room.right()) {
            wanted.moveRight(room.right());
        }
        if (wanted.bottom() > room.bottom()) {
            wanted.moveBottom(room.bottom());
        }
        wanted.moveLeft(std::max(wanted.left(), room.left()));
        wanted.moveTop(std::max(wanted.top(), room.top()));
        if (room.contains(wanted) && !wanted.intersects(main)) {
            tool->move(wanted.topLeft());
            return;
        }
    }
    // No room beside the main window: the lower right of the screen, where
    // it covers the least of the editor's left part.
    tool->move(room.right() - outer.width() + 1, room.bottom() - outer.height() + 1);
}

void keep(const QWidget *tool, const char *keptProperty)
{
    if (QWidget *window = tool->parentWidget()) {
        window->setProperty(keptProperty, tool->geometry());
    }
}

void giveFocusBack(const QWidget *tool, QWidget *target, DocumentLibrary &library)
{
    if (!target || !target->isVisible() || !target->isEnabled()) {
        library.focusDocumentList();
        return;
    }
    if (QWidget *window = target->window(); window && window != tool) {
        window->activateWindow();
    }
    target->setFocus(Qt::OtherFocusReason);
}

} // namespace BesideWindow
