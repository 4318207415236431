#include "CommandState.h"

namespace CommandState {

Result evaluate(const Snapshot &s)
{
    Result r;
    const auto set = [&r](std::initializer_list<Command> commands, bool enabled) {
        for (const Command command : commands) {
            r.set(command, enabled);
        }
    };

    // Document commands.
    const std::initializer_list<Command> documentCommands = {
        Command::Oeffnen,      Command::Speichern,    Command::Loesche,  Command::Eigenschaften, Command::SendenDatei1,
        Command::SendenDatei2, Command::SendenDatei3, Command::Kopieren, Command::Suchen};
    const std::initializer_list<Command> fileCommands = {Command::Umbenennen, Command::Drucken, Command::Hinzufuegen};
    if (!s.fileSelected) {
        set(documentCommands, s.documentSelected);
        set(fileCommands, false);
    } else {
        set(documentCommands, true);
        set(fileCommands, true);
    }
    // A document without an entry can still be saved; the commands on the
    // selected entry have nothing to act on.
    if (s.unlistedDocument) {
        set({Command::Speichern}, true);
    }

    // Edit commands.
    if (s.textEmpty) {
        set({Command::Ausschneiden, Command::Loeschen, Command::SpeichernUnter, Command::Markieren,
             Command::GeheZuZeile, Command::Ersetzen},
            false);
    } else {
        if (s.selectionEmpty) {
            set({Command::Ausschneiden, Command::Loeschen}, false);
        } else {
            set({Command::Ausschneiden, Command::Kopieren, Command::Loeschen}, true);
        }
        set({Command::SpeichernUnter}, s.checkedKind != 2);
        set({Command::Markieren, Command::GeheZuZeile, Command::Ersetzen}, true);
    }

    // Paste.
    set({Command::Einfuegen}, s.focusInEditor && s.clipboardHasText);

    // Find next.
    set({Command::Weitersuchen}, !s.searchTermEmpty);

    // Replacing across the documents goes with searching them; its undo
    // only while there is something to put back.
    set({Command::AlleErsetzen}, r.value(Command::Suchen));
    set({Command::ErsetzenRueckgaengig}, s.replaceUndoAvailable);

    // Web view: for help documents only.
    set({Command::Webansicht}, s.checkedKind == 0);

    // Sibling programs: checked until the first one is found missing; from
    // then on all three keep their state.
    if (s.firstSiblingEnabled) {
        for (int i = 0; i < 3; ++i) {
            r.set(nthCommand(Command::Programme1, i), s.siblingExists[size_t(i)]);
        }
    }
    return r;
}

} // namespace CommandState
