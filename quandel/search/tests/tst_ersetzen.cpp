#include "DocumentLibrary.h"
#include "EditingState.h"
#include "Ersetzen.h"
#include "RootFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

template <typename T> T *child(QObject *parent, const QString &name)
{
    T *found = parent->findChild<T *>(name);
    if (!found) {
        qFatal("no child %s", qPrintable(name));
    }
    return found;
}

// The access letter of a caption, lower case; none when it has no &.
QChar accessLetter(const QString &caption)
{
    const qsizetype at = caption.indexOf(u'&');
    return at >= 0 && at + 1 < caption.size() ? caption.at(at + 1).toLower() : QChar();
}

} // namespace

class TestErsetzen final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void dialogAndMenu();
    void replaceAll_data();
    void replaceAll();
    void oneByOne();
    void readOnlyRefuses_data();
    void readOnlyRefuses();

private:
    // Starts the main window on one document and opens the dialog with the
    // options given as letters: c case, w whole words, r expression.
    Ersetzen *start(const QByteArray &document, const QString &term = {}, const QString &flags = {},
                    const QString &replacement = {});
    void click(const QString &button) const;

    std::unique_ptr<RootFixture> m_f;
    Ersetzen *m_dialog = nullptr;
};

void TestErsetzen::init()
{
    m_f = std::make_unique<RootFixture>();
    QVERIFY(RootFixture::seedQuietStart());
}

void TestErsetzen::cleanup()
{
    m_dialog = nullptr;
    m_f.reset();
}

Ersetzen *TestErsetzen::start(const QByteArray &document, const QString &term, const QString &flags,
                              const QString &replacement)
{
    m_f->env.writeFile(u"Dokumente/d0.txt"_s, document);
    if (!m_f->startAsStored() || m_f->list()->count() != 1) {
        return nullptr;
    }
    m_f->list()->setCurrentRow(0);
    m_f->prompts.calls.clear();
    m_f->run(u"mnuErsetzen"_s);
    m_dialog = m_f->root->findChild<Ersetzen *>();
    if (!m_dialog || !m_dialog->isVisible()) {
        return nullptr;
    }
    m_dialog->termBox()->setEditText(term);
    m_dialog->replacementBox()->setText(replacement);
    child<QCheckBox>(m_dialog, u"BSchreibung"_s)->setChecked(flags.contains(u'c'));
    child<QCheckBox>(m_dialog, u"BWoerter"_s)->setChecked(flags.contains(u'w'));
    child<QCheckBox>(m_dialog, u"BAusdruck"_s)->setChecked(flags.contains(u'r'));
    return m_dialog;
}

void TestErsetzen::click(const QString &button) const
{
    QPushButton *b = child<QPushButton>(m_dialog, button);
    QVERIFY(b->isEnabled());
    b->click();
}

void TestErsetzen::dialogAndMenu()
{
    QVERIFY(start("Dim größe As Long\nx\n"));
    // In "Bearbeiten" after "Gehe zu Zeile", on Ctrl+H.
    QAction *entry = m_f->action(u"mnuErsetzen"_s);
    QCOMPARE(entry->text(), u"&Ersetzen ..."_s);
    QCOMPARE(entry->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
    const QList<QAction *> menu = child<QMenu>(m_f->root.get(), u"mnuBearbeiten"_s)->actions();
    const qsizetype at = menu.indexOf(m_f->action(u"mnuGeheZuZeile"_s));
    QVERIFY(at >= 0 && at + 1 < menu.size());
    QCOMPARE(menu.at(at + 1), entry);
    QCOMPARE(m_dialog->windowTitle(), u" Ersetzen"_s);
    QVERIFY(!m_dialog->isModal());

    // Every control has an accessible name; the access letters differ.
    QList<QChar> letters;
    for (QWidget *w : m_dialog->findChildren<QWidget *>()) {
        if (auto *label = qobject_cast<QLabel *>(w); label && label->buddy()) {
            letters.append(accessLetter(label->text()));
        } else if (auto *button = qobject_cast<QAbstractButton *>(w)) {
            letters.append(accessLetter(button->text()));
        }
        if (w->focusPolicy() != Qt::NoFocus && w->isVisibleTo(m_dialog)) {
            QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
        }
    }
    QCOMPARE(letters.size(), 9);
    QVERIFY(!letters.contains(QChar()));
    QCOMPARE(QSet<QChar>(letters.begin(), letters.end()).size(), letters.size());

    // The term comes from a selection within one line, not from one across
    // lines; the last term stays then.
    m_dialog->close();
    QTextCursor cursor = m_f->editor()->textCursor();
    cursor.setPosition(4);
    cursor.setPosition(9, QTextCursor::KeepAnchor);
    m_f->editor()->setTextCursor(cursor);
    m_f->run(u"mnuErsetzen"_s);
    QCOMPARE(m_dialog->termBox()->currentText(), u"größe"_s);
    m_dialog->close();
    cursor.setPosition(0);
    cursor.setPosition(19, QTextCursor::KeepAnchor);
    m_f->editor()->setTextCursor(cursor);
    m_f->run(u"mnuErsetzen"_s);
    QCOMPARE(m_dialog->termBox()->currentText(), u"größe"_s);

    // Replacing works on the text: the web view gives way to it.
    m_dialog->close();
    m_f->run(u"mnuWebansicht"_s);
    QVERIFY(m_f->editor()->isHidden());
    m_f->run(u"mnuErsetzen"_s);
    QVERIFY(!m_f->editor()->isHidden());
    QVERIFY(!m_f->action(u"mnuWebansicht"_s)->isChecked());
}

void TestErsetzen::replaceAll_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QString>("term");
    QTest::addColumn<QString>("flags");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("expected"); // the editor's text; empty: unchanged
    QTest::addColumn<QString>("status");

    const QByteArray module = u"Dim Größe As Long\r\nDim größe_1 As Integer\r\n' Größe\r\n"_s.toLatin1();
    QTest::newRow("as typed, Windows-1252 CR LF")
        << module << u"größe"_s << u""_s << u"Maß"_s << u"Dim Maß As Long\nDim Maß_1 As Integer\n' Maß\n"_s
        << u"Es wurden 3 Stellen ersetzt."_s;
    QTest::newRow("whole words with umlauts")
        << module << u"größe"_s << u"w"_s << u"Maß"_s << u"Dim Maß As Long\nDim größe_1 As Integer\n' Maß\n"_s
        << u"Es wurden 2 Stellen ersetzt."_s;
    QTest::newRow("captures, case counts")
        << module << u"Dim (\\w+) As (\\w+)"_s << u"cr"_s << u"Dim \\1 As \\2 ' $0"_s
        << u"Dim Größe As Long ' Dim Größe As Long\nDim größe_1 As Integer ' Dim größe_1 As Integer\n' Größe\n"_s
        << u"Es wurden 2 Stellen ersetzt."_s;
    QTest::newRow("across a line end, UTF-8") << "Ende\nAnfang\nEnde\n"_ba << u"Ende\\nAnfang"_s << u"r"_s << u"Mitte"_s
                                              << u"Mitte\nEnde\n"_s << u"Es wurde 1 Stelle ersetzt."_s;
    QTest::newRow("not found") << module << u"xyz"_s << u""_s << u"Maß"_s << QString()
                               << u"„xyz“ wurde nicht gefunden; es wurde nichts ersetzt."_s;
    QTest::newRow("matches the empty string")
        << module << u"x*"_s << u"r"_s << u"-"_s << QString()
        << u"Der Ausdruck passt auch auf leeren Text (wie a* oder ^): damit wird nichts ersetzt."_s;
    QTest::newRow("invalid expression")
        << module << u"Dim (\\w+"_s << u"r"_s << u"-"_s << QString()
        << TextMatcher(MatchOptions{u"Dim (\\w+"_s, Qt::CaseInsensitive, false, true}).errorText();
}

void TestErsetzen::replaceAll()
{
    QFETCH(QByteArray, document);
    QFETCH(QString, term);
    QFETCH(QString, flags);
    QFETCH(QString, replacement);
    QFETCH(QString, expected);
    QFETCH(QString, status);

    QVERIFY(start(document, term, flags, replacement));
    const QString before = m_f->shownText();
    // Edits typed before stay undoable on their own.
    QTest::keyClicks(m_f->editor(), u"' "_s);
    const QString typed = m_f->shownText();
    QVERIFY(m_f->state().mChange);
    // Saved, as far as the flag goes: the replace must set it again.
    m_f->root->library()->state().mChange = false;

    click(u"CAlleErsetzen"_s);
    QCOMPARE(m_dialog->statusText(), status);
    QCOMPARE(m_f->prompts.calls.size(), 0);
    if (expected.isEmpty()) {
        QCOMPARE(m_f->shownText(), typed);
        QVERIFY(!m_f->state().mChange);
        return;
    }
    QCOMPARE(m_f->shownText(), u"' "_s + expected);
    QVERIFY(m_f->state().mChange);
    // One step of undo puts the text back exactly, a second the typing.
    m_f->editor()->undo();
    QCOMPARE(m_f->shownText(), typed);
    m_f->editor()->undo();
    QCOMPARE(m_f->shownText(), before);
}

void TestErsetzen::oneByOne()
{
    QVERIFY(start("ab ab\nAB\nxab\n", u"ab"_s, u"w"_s, u"[$0]"_s));
    QPlainTextEdit *editor = m_f->editor();
    const auto selection = [editor] {
        const QTextCursor c = editor->textCursor();
        return std::pair{c.selectionStart(), c.selectionEnd()};
    };
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(4);
    editor->setTextCursor(cursor);
    // From the cursor on; the selection is no match yet, so Ersetzen finds.
    click(u"CErsetzen"_s);
    QCOMPARE(selection(), std::pair(6, 8));
    QCOMPARE(m_dialog->statusText(), u"Gefunden in Zeile 2."_s);
    QCOMPARE(m_f->shownText(), u"ab ab\nAB\nxab\n"_s);
    QVERIFY(!m_f->state().mChange);
    // Round the end, said so.
    click(u"CWeitersuchen"_s);
    QCOMPARE(selection(), std::pair(0, 2));
    QVERIFY(m_dialog->statusText().startsWith(u"Am Ende des Dokuments angekommen"_s));
    // As typed, the replacement keeps $0; each replace selects the next.
    click(u"CErsetzen"_s);
    QCOMPARE(m_f->shownText(), u"[$0] ab\nAB\nxab\n"_s);
    QCOMPARE(selection(), std::pair(5, 7));
    QVERIFY(m_f->state().mChange);
    click(u"CErsetzen"_s);
    QCOMPARE(m_f->shownText(), u"[$0] [$0]\nAB\nxab\n"_s);
    QCOMPARE(selection(), std::pair(10, 12));
    // Each replace is an undo step of its own.
    editor->undo();
    QCOMPARE(m_f->shownText(), u"[$0] ab\nAB\nxab\n"_s);
}

void TestErsetzen::readOnlyRefuses_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QString>("status");

    QTest::newRow("NUL") << "ab\0ab\n"_ba
                         << u"Das Dokument wird nur zum Lesen angezeigt: Es enthält Nullzeichen und ist wohl keine "
                            "Textdatei. Darin wird nichts ersetzt."_s;
    QTest::newRow("line too long for the editor")
        << QByteArray(2'000'000, 'a') << u"Das Dokument konnte nicht angezeigt werden; darin wird nichts ersetzt."_s;
}

void TestErsetzen::readOnlyRefuses()
{
    QFETCH(QByteArray, document);
    QFETCH(QString, status);

    QVERIFY(start(document, u"ab"_s, u""_s, u"x"_s));
    const QString before = m_f->shownText();
    for (const QString &button : {u"CAlleErsetzen"_s, u"CErsetzen"_s, u"CErsetzen"_s}) {
        click(button);
    }
    QCOMPARE(m_dialog->statusText(), before.isEmpty() ? u"„ab“ wurde nicht gefunden."_s : status);
    click(u"CAlleErsetzen"_s);
    QCOMPARE(m_dialog->statusText(), status);
    QCOMPARE(m_f->shownText(), before);
    QVERIFY(!m_f->state().mChange);
}

QTEST_MAIN(TestErsetzen)
#include "tst_ersetzen.moc"
