#pragma once

#include <QString>

#include <array>
#include <cstddef>

class QAction;

// The menu commands of the main window. Each has the object name its menu
// entry carries; the enabled-state rules and the tick speak of commands, not
// of names, so that a misspelt entry does not compile.
enum class Command : int
{
    Neues0, // mnuneues_0 … mnuneues_3, one per document kind
    Neues1,
    Neues2,
    Neues3,
    Oeffnen,
    Speichern,
    SpeichernUnter,
    Umbenennen,
    Loesche,
    Eigenschaften,
    SendenDatei1, // mnuSendenDatei_1 … _3
    SendenDatei2,
    SendenDatei3,
    SeiteEinrichten,
    Drucken,
    Komprimieren,
    Verzeichnis,
    Beenden,
    Rueckgaengig,
    Ausschneiden,
    Kopieren,
    Einfuegen,
    Loeschen,
    Markieren,
    GeheZuZeile,
    Ersetzen,
    Schriftarten,
    Ansicht0, // mnuAnsicht_0 … _3, one per document kind
    Ansicht1,
    Ansicht2,
    Ansicht3,
    Webansicht,
    Aktualisieren,
    Optionen,
    Syntaxhervorhebung,
    Suchen,
    Weitersuchen,
    AlleTreffer,
    AlleErsetzen,
    ErsetzenRueckgaengig,
    Verlauf,
    Hinzufuegen, // built by the favourites menu
    Verwalten,   // built by the favourites menu
    Hilfethemen,
    Software,
    Links1, // mnulinks1 … mnulinks4
    Links2,
    Links3,
    Links4,
    Programme1, // mnuProgramme_1 … _3, the sibling programs
    Programme2,
    Programme3,
    Info,
};

constexpr int CommandCount = int(Command::Info) + 1;

// The i-th command of a run that starts at first (Neues0 + 2 is Neues2).
constexpr Command nthCommand(Command first, int i)
{
    return Command(int(first) + i);
}

// The object name of the command's menu entry ("mnuspeichern").
QString commandObjectName(Command command);

// The menu entry of each command, filled where the menus are built.
class ActionTable final
{
public:
    // Registers the entry of a command and gives it the command's object
    // name.
    void add(Command command, QAction *action);
    QAction *operator[](Command command) const { return m_actions[std::size_t(command)]; }
    // Every command has its entry.
    bool isComplete() const;

private:
    std::array<QAction *, CommandCount> m_actions{};
};
