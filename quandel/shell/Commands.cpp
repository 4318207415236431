#include "Commands.h"

#include <QAction>

#include <algorithm>

namespace {

// Laid out by hand: an entry added leaves the other lines as they are.
// clang-format off
constexpr std::array<const char16_t *, CommandCount> ObjectNames = {
    u"mnuneues_0",        u"mnuneues_1",
    u"mnuneues_2",        u"mnuneues_3",
    u"mnuoeffnen",        u"mnuspeichern",
    u"mnuspeichernunter", u"mnuUmbenennen",
    u"mnuloesche",        u"mnuEigenschaften",
    u"mnuSendenDatei_1",  u"mnuSendenDatei_2",
    u"mnuSendenDatei_3",  u"mnuseiteeinrichten",
    u"mnudrucken",        u"mnuKomprimieren",
    u"mnuverzeichnis",    u"mnubeenden",
    u"mnuRückgängig",     u"mnuausschneiden",
    u"mnukopieren",       u"mnueinfuegen",
    u"mnuloeschen",       u"mnumarkieren",
    u"mnuGeheZuZeile",    u"mnuErsetzen",
    u"mnuSchriftarten",
    u"mnuAnsicht_0",      u"mnuAnsicht_1",
    u"mnuAnsicht_2",      u"mnuAnsicht_3",
    u"mnuWebansicht",     u"mnuaktualisieren",
    u"mnuoptionen",       u"mnuSyntaxhervorhebung",
    u"mnuSuchen",         u"mnuWeitersuchen",
    u"mnuAlleTreffer",    u"mnuAlleErsetzen",
    u"mnuErsetzenRueckgaengig", u"mnuVerlauf",
    u"mnuhinzufügen",     u"mnuverwalten",
    u"mnuHilfethemen",    u"mnuSoftware",
    u"mnulinks1",         u"mnulinks2",
    u"mnulinks3",         u"mnulinks4",
    u"mnuProgramme_1",    u"mnuProgramme_2",
    u"mnuProgramme_3",    u"mnuinfo",
};
// clang-format on

} // namespace

QString commandObjectName(Command command)
{
    const int i = int(command);
    return i >= 0 && i < CommandCount ? QString::fromUtf16(ObjectNames[std::size_t(i)]) : QString();
}

void ActionTable::add(Command command, QAction *action)
{
    action->setObjectName(commandObjectName(command));
    m_actions[std::size_t(command)] = action;
}

bool ActionTable::isComplete() const
{
    return std::all_of(m_actions.begin(), m_actions.end(), [](const QAction *a) { return a != nullptr; });
}
