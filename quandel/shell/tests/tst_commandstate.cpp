#include "CommandState.h"

#include <QTest>

#include <optional>

using CommandState::Snapshot;
Q_DECLARE_METATYPE(Snapshot)

namespace {

// The command whose entry has this object name; the rows speak of entries
// as the menus show them, so that a name the table lost fails the test.
std::optional<Command> commandNamed(const QString &name)
{
    for (int i = 0; i < CommandCount; ++i) {
        if (commandObjectName(Command(i)) == name) {
            return Command(i);
        }
    }
    return std::nullopt;
}

// "name=1 other=0": the entries a row expects, the rest is not looked at.
QHash<QString, bool> expect(const QString &wanted)
{
    QHash<QString, bool> result;
    for (const QString &part : wanted.split(u' ', Qt::SkipEmptyParts)) {
        const QStringList pair = part.split(u'=');
        result.insert(pair.at(0), pair.at(1) == u"1");
    }
    return result;
}

bool has(const CommandState::Result &result, const QString &name)
{
    const auto command = commandNamed(name);
    return command && result.contains(*command);
}

bool valueOf(const CommandState::Result &result, const QString &name)
{
    const auto command = commandNamed(name);
    return command && result.value(*command);
}

Snapshot base()
{
    Snapshot s;
    s.siblingExists = {true, true, true};
    return s;
}

} // namespace

class TestCommandState final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rules_data();
    void rules();
    void siblingsStopAfterTheFirstIsMissing();
};

void TestCommandState::rules_data()
{
    QTest::addColumn<Snapshot>("state");
    QTest::addColumn<QString>("expected");

    Snapshot nothing = base();
    QTest::newRow("nothing selected")
        << nothing
        << QStringLiteral("mnuoeffnen=0 mnuspeichern=0 mnuloesche=0 mnuEigenschaften=0 mnuSendenDatei_1=0 "
                          "mnuSendenDatei_2=0 mnuSendenDatei_3=0 mnukopieren=0 mnuSuchen=0 mnuUmbenennen=0 "
                          "mnudrucken=0 mnuhinzufügen=0 mnuAlleErsetzen=0 mnuErsetzenRueckgaengig=0");

    Snapshot listOnly = base();
    listOnly.documentSelected = true;
    QTest::newRow("list entry only (project folder)")
        << listOnly
        << QStringLiteral("mnuoeffnen=1 mnuspeichern=1 mnuloesche=1 mnuEigenschaften=1 mnuSendenDatei_3=1 "
                          "mnukopieren=1 mnuSuchen=1 mnuUmbenennen=0 mnudrucken=0 mnuhinzufügen=0 mnuAlleErsetzen=1");

    Snapshot file = base();
    file.fileSelected = true;
    file.documentSelected = true;
    QTest::newRow("file selected")
        << file << QStringLiteral("mnuoeffnen=1 mnuUmbenennen=1 mnudrucken=1 mnuhinzufügen=1 mnuSendenDatei_2=1");

    Snapshot empty = file;
    QTest::newRow("empty editor")
        << empty
        << QStringLiteral(
               "mnuausschneiden=0 mnuloeschen=0 mnuspeichernunter=0 mnumarkieren=0 mnuGeheZuZeile=0 mnuErsetzen=0");

    Snapshot text = file;
    text.textEmpty = false;
    QTest::newRow("text without selection")
        << text
        << QStringLiteral(
               "mnuausschneiden=0 mnuloeschen=0 mnukopieren=1 mnuspeichernunter=1 mnumarkieren=1 mnuGeheZuZeile=1 "
               "mnuErsetzen=1");

    Snapshot projectSelection = base();
    projectSelection.documentSelected = true;
    projectSelection.textEmpty = false;
    projectSelection.selectionEmpty = false;
    projectSelection.checkedKind = 2;
    QTest::newRow("selection in the project view")
        << projectSelection
        << QStringLiteral("mnuausschneiden=1 mnukopieren=1 mnuloeschen=1 mnuspeichernunter=0 mnumarkieren=1 "
                          "mnuErsetzen=1 mnuWebansicht=0");

    // Copy is switched off by the document rule and on again by the
    // selection rule in the same pass.
    Snapshot copyWins = base();
    copyWins.textEmpty = false;
    copyWins.selectionEmpty = false;
    QTest::newRow("selection re-enables copy") << copyWins << QStringLiteral("mnukopieren=1 mnuoeffnen=0");

    Snapshot paste = file;
    paste.clipboardHasText = true;
    QTest::newRow("focus outside the editor: no paste") << paste << QStringLiteral("mnueinfuegen=0");
    paste.focusInEditor = true;
    QTest::newRow("focus in the editor with text on the clipboard") << paste << QStringLiteral("mnueinfuegen=1");
    paste.clipboardHasText = false;
    QTest::newRow("focus in the editor, clipboard empty") << paste << QStringLiteral("mnueinfuegen=0");

    Snapshot term = base();
    QTest::newRow("empty search term") << term << QStringLiteral("mnuWeitersuchen=0");
    term.searchTermEmpty = false;
    QTest::newRow("search term") << term << QStringLiteral("mnuWeitersuchen=1");

    Snapshot undo = base();
    undo.replaceUndoAvailable = true;
    QTest::newRow("undo data of a replace, nothing selected")
        << undo << QStringLiteral("mnuErsetzenRueckgaengig=1 mnuAlleErsetzen=0");

    for (int kind = -1; kind < 4; ++kind) {
        Snapshot view = base();
        view.checkedKind = kind;
        QTest::addRow("web view entry, kind %d", kind)
            << view << QStringLiteral("mnuWebansicht=%1").arg(kind == 0 ? 1 : 0);
    }
}

void TestCommandState::rules()
{
    QFETCH(Snapshot, state);
    QFETCH(QString, expected);
    const CommandState::Result result = CommandState::evaluate(state);
    const QHash<QString, bool> wanted = expect(expected);
    for (auto it = wanted.begin(); it != wanted.end(); ++it) {
        QVERIFY2(has(result, it.key()), qPrintable(it.key()));
        QCOMPARE(valueOf(result, it.key()), it.value());
    }
    // Undo is never a rule's business: it stays disabled.
    QVERIFY(commandNamed(QStringLiteral("mnuRückgängig")));
    QVERIFY(!has(result, QStringLiteral("mnuRückgängig")));
}

void TestCommandState::siblingsStopAfterTheFirstIsMissing()
{
    Snapshot s = base();
    s.siblingExists = {false, true, false};
    CommandState::Result first = CommandState::evaluate(s);
    QCOMPARE(valueOf(first, QStringLiteral("mnuProgramme_1")), false);
    QCOMPARE(valueOf(first, QStringLiteral("mnuProgramme_2")), true);
    QCOMPARE(valueOf(first, QStringLiteral("mnuProgramme_3")), false);

    // The next tick sees the first entry disabled: the rule does not run and
    // the others keep the state of the first tick, even when files appear.
    s.firstSiblingEnabled = false;
    s.siblingExists = {true, true, true};
    const CommandState::Result next = CommandState::evaluate(s);
    for (int i = 1; i <= 3; ++i) {
        QVERIFY(commandNamed(QStringLiteral("mnuProgramme_%1").arg(i)));
        QVERIFY(!has(next, QStringLiteral("mnuProgramme_%1").arg(i)));
    }
}

QTEST_GUILESS_MAIN(TestCommandState)
#include "tst_commandstate.moc"
