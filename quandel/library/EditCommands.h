#pragma once

#include <QObject>
#include <QPointer>

class DocumentLibrary;
class QWidget;

// Cut, Copy, Paste, Delete and Select all of the menu "&Bearbeiten ": each
// acts on the control of the main window that has the keyboard focus.
//
// Text boxes get all five. The document list gets Copy only: removing or
// adding entries would make the list disagree with the files it stands for,
// and the next selection would load another document than its name says.
class EditCommands final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EditCommands)

public:
    EditCommands(DocumentLibrary *library, QWidget *window, QObject *parent = nullptr);

    void cut();       // mnuausschneiden
    void copy();      // mnukopieren
    void paste();     // mnueinfuegen
    void remove();    // mnuloeschen
    void selectAll(); // mnumarkieren

private:
    QWidget *target() const;
    void markChanged();

    DocumentLibrary *m_library = nullptr;
    QWidget *m_window = nullptr;
    // The last control of the window that had the focus; the menu bar takes
    // it while the menus are worked with the keyboard.
    QPointer<QWidget> m_lastFocus;
};
