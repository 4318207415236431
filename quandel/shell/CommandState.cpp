#include "CommandState.h"

namespace CommandState {

Result evaluate(const Snapshot &s)
{
    Result r;
    const auto set = [&r](std::initializer_list<const char16_t *> names, bool enabled) {
        for (const char16_t *name : names) {
            r.insert(QString::fromUtf16(name), enabled);
        }
    };

    // Document commands.
    const std::initializer_list<const char16_t *> documentCommands = {
        u"mnuoeffnen",       u"mnuspeichern",     u"mnuloesche",  u"mnuEigenschaften", u"mnuSendenDatei_1",
        u"mnuSendenDatei_2", u"mnuSendenDatei_3", u"mnukopieren", u"mnuSuchen"};
    if (!s.fileSelected) {
        set(documentCommands, s.documentSelected);
        set({u"mnuUmbenennen", u"mnudrucken", u"mnuhinzufügen"}, false);
    } else {
        set(documentCommands, true);
        set({u"mnuUmbenennen", u"mnudrucken", u"mnuhinzufügen"}, true);
    }
    // A document without an entry can still be saved; the commands on the
    // selected entry have nothing to act on.
    if (s.unlistedDocument) {
        set({u"mnuspeichern"}, true);
    }

    // Edit commands.
    if (s.textEmpty) {
        set({u"mnuausschneiden", u"mnuloeschen", u"mnuspeichernunter", u"mnumarkieren", u"mnuGeheZuZeile"}, false);
    } else {
        if (s.selectionEmpty) {
            set({u"mnuausschneiden", u"mnuloeschen"}, false);
        } else {
            set({u"mnuausschneiden", u"mnukopieren", u"mnuloeschen"}, true);
        }
        set({u"mnuspeichernunter"}, s.checkedKind != 2);
        set({u"mnumarkieren", u"mnuGeheZuZeile"}, true);
    }

    // Paste.
    set({u"mnueinfuegen"}, s.focusInEditor && s.clipboardHasText);

    // Find next.
    set({u"mnuWeitersuchen"}, !s.searchTermEmpty);

    // Web view: for help documents only.
    set({u"mnuWebansicht"}, s.checkedKind == 0);

    // Sibling programs: checked until the first one is found missing; from
    // then on all three keep their state.
    if (s.firstSiblingEnabled) {
        for (int i = 0; i < 3; ++i) {
            r.insert(QStringLiteral("mnuProgramme_%1").arg(i + 1), s.siblingExists[size_t(i)]);
        }
    }
    return r;
}

} // namespace CommandState
