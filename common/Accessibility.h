#pragma once

#include <QAccessible>

class QWidget;

// What a screen reader is told about widgets whose own kind says too little:
// a plain widget that is a window, a line that separates, a panel, a heading,
// and read-only text fields whose text must be readable through the text
// interface with the caret.
namespace Accessibility {

// From now on the widget reports `role`. A QTextEdit also offers the text
// interface (text, caret, selection, character positions), a QLabel its
// text through the text interface; other widgets keep their name and
// description and get the role alone.
// Call it right after creating the widget: the first question for its
// accessible interface (setting its name or text asks one) fixes it.
void setRole(QWidget *widget, QAccessible::Role role);

// Plain frames inside a dialog built by Qt (the file dialog) report the
// role of their shape, a separator or a panel, instead of "frame".
void giveRolesOfKind(QWidget &dialog);

// Keeps a menu open when a modifier key reaches the program late. With a
// screen reader listening, every key goes to it first and comes back posted
// after its answer; the Alt press of Alt+V can then arrive after the menu
// has opened, and an open menu closes on Alt. Alt and Meta keys that come
// back once a menu is open are dropped until their release has come back;
// Alt pressed again after that closes the menu as it should. Installed once
// for the application; later calls do nothing.
void installMenuKeyGuard();

// Tells a screen reader where the focus is whenever it cannot know: once a
// window is active again (a message box or dialog has closed, the program
// was switched to), and for a list or tree that gets the focus, its current
// entry rather than the list alone. Installed once for the application.
void installFocusAnnouncements();

} // namespace Accessibility
