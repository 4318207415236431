#pragma once

class DocumentLibrary;
class QWidget;

// Where a modeless tool window of the main window (" Alle Treffer", " In
// allen Dokumenten ersetzen") first shows, and where it shows again.
namespace BesideWindow {

// Beside or below the main window where the screen has room, else at the
// lower right of the screen; where it stood when last closed when the main
// window keeps that under keptProperty.
void place(QWidget *tool, const QWidget *window, const char *keptProperty);
// Keeps the tool window's geometry with the main window for the next place().
void keep(const QWidget *tool, const char *keptProperty);
// When the tool window goes: the focus back to target (the widget that had
// it before the tool opened) in its own window, or to the document list when
// target is gone, hidden or disabled.
void giveFocusBack(const QWidget *tool, QWidget *target, DocumentLibrary &library);

} // namespace BesideWindow
