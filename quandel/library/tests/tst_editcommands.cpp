#include "DocumentLibrary.h"
#include "RootFixture.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>

using namespace Qt::StringLiterals;

class TestEditCommands final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void commandsOnTheFocusedControl_data();
    void commandsOnTheFocusedControl();
    void undoStaysDisabled();
    void pasteStaysAvailableWhileAMenuIsOpen();

private:
    std::unique_ptr<RootFixture> m_f;
};

void TestEditCommands::init()
{
    m_f = std::make_unique<RootFixture>();
}

void TestEditCommands::cleanup()
{
    m_f.reset();
}

void TestEditCommands::commandsOnTheFocusedControl_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("focus"); // "editor", "read-only editor", "list"
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("from"); // the editor's selection
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("clipboardBefore");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<QString>("selected"); // the editor's selection afterwards

    // The document: "abc d<no-break space>ef", "zwei".
    const QString shown = u"abc d\u00a0ef\nzwei\n"_s;
    const QString before = u"vorher"_s;
    QTest::newRow("editor, cut") << 0 << u"editor"_s << u"mnuausschneiden"_s << 0 << 3 << before
                                 << u" d\u00a0ef\nzwei\n"_s << u"abc"_s << true << QString();
    QTest::newRow("editor, copy over a line end and a no-break space")
        << 0 << u"editor"_s << u"mnukopieren"_s << 4 << 8 << before << shown << u"d\u00a0ef\nzwe"_s << false
        << u"d\u00a0ef\u2029zwe"_s;
    QTest::newRow("editor, copy without a selection empties the clipboard")
        << 0 << u"editor"_s << u"mnukopieren"_s << 2 << 0 << before << shown << QString() << false << QString();
    QTest::newRow("editor, paste replaces the selection") << 0 << u"editor"_s << u"mnueinfuegen"_s << 4 << 4 << u"neu"_s
                                                          << u"abc neu\nzwei\n"_s << u"neu"_s << true << QString();
    QTest::newRow("editor, paste at the caret, CR LF becomes a line end")
        << 0 << u"editor"_s << u"mnueinfuegen"_s << 0 << 0 << u"1\r\n2 "_s << u"1\n2 abc d\u00a0ef\nzwei\n"_s
        << u"1\r\n2 "_s << true << QString();
    QTest::newRow("editor, delete") << 0 << u"editor"_s << u"mnuloeschen"_s << 0 << 4 << before
                                    << u"d\u00a0ef\nzwei\n"_s << before << true << QString();
    QTest::newRow("editor, select all") << 0 << u"editor"_s << u"mnumarkieren"_s << 1 << 1 << before << shown << before
                                        << false << u"abc d\u00a0ef\u2029zwei\u2029"_s;
    QTest::newRow("read-only editor, cut copies only") << 0 << u"read-only editor"_s << u"mnuausschneiden"_s << 0 << 3
                                                       << before << shown << u"abc"_s << false << u"abc"_s;
    QTest::newRow("read-only editor, paste")
        << 0 << u"read-only editor"_s << u"mnueinfuegen"_s << 0 << 3 << before << shown << before << false << u"abc"_s;
    QTest::newRow("list, copy") << 0 << u"list"_s << u"mnukopieren"_s << 0 << 3 << before << shown << u"Notiz"_s
                                << false << u"abc"_s;
    QTest::newRow("list, copy of a class entry leaves its tab")
        << 1 << u"list"_s << u"mnukopieren"_s << 0 << 3 << before << shown << u"Modul"_s << false << u"abc"_s;
    for (const QString &command : {u"mnuausschneiden"_s, u"mnuloeschen"_s, u"mnueinfuegen"_s, u"mnumarkieren"_s}) {
        QTest::newRow(qPrintable(u"list, "_s + command + u" does nothing"_s))
            << 0 << u"list"_s << command << 0 << 3 << before << shown << before << false << u"abc"_s;
    }
}

void TestEditCommands::commandsOnTheFocusedControl()
{
    const QByteArray bytes = "abc d\xa0"
                             "ef\r\nzwei\r\n";
    const QString notiz = m_f->put(u"Notiz.txt"_s, bytes);
    const QString modul = m_f->put(u"Modul.cls"_s, bytes);
    QFETCH(int, kind);
    QVERIFY(m_f->start(kind));
    QFETCH(QString, clipboardBefore);
    QGuiApplication::clipboard()->setText(clipboardBefore);
    QPlainTextEdit *editor = m_f->editor();
    QFETCH(int, from);
    QFETCH(int, length);
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(from);
    cursor.setPosition(from + length, QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
    QFETCH(QString, focus);
    editor->setReadOnly(focus == u"read-only editor");
    if (focus == u"list") {
        m_f->list()->setFocus();
    } else {
        editor->setFocus();
    }
    QVERIFY(!m_f->state().mChange);
    const int entries = m_f->list()->count();
    QFETCH(QString, command);
    m_f->run(command);

    QFETCH(QString, text);
    QCOMPARE(m_f->shownText(), text);
    QFETCH(QString, clipboard);
    QCOMPARE(QGuiApplication::clipboard()->text(), clipboard);
    QFETCH(bool, changed);
    QCOMPARE(m_f->state().mChange, changed);
    QFETCH(QString, selected);
    QCOMPARE(editor->textCursor().selectedText(), selected);
    // The list keeps standing for the files, entry for entry, and no
    // command writes a file.
    QCOMPARE(m_f->list()->count(), entries);
    QCOMPARE(m_f->list()->currentRow(), 0);
    QCOMPARE(bytesOf(notiz), bytes);
    QCOMPARE(bytesOf(modul), bytes);
    QVERIFY(m_f->prompts.calls.isEmpty());
}

void TestEditCommands::undoStaysDisabled()
{
    m_f->put(u"Notiz.txt"_s, "abc\r\n");
    QVERIFY(m_f->start());
    m_f->editor()->setFocus();
    m_f->editor()->selectAll();
    QGuiApplication::clipboard()->setText(u"x"_s);
    QTest::qWait(450);
    QAction *undo = m_f->root->findChild<QAction *>(u"mnuRückgängig"_s);
    QVERIFY(!undo->isEnabled());
    QVERIFY(m_f->root->findChild<QAction *>(u"mnuausschneiden"_s)->isEnabled());
    QCOMPARE(undo->text(), u"&Rückgängig "_s);
    QCOMPARE(undo->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
}

void TestEditCommands::pasteStaysAvailableWhileAMenuIsOpen()
{
    m_f->put(u"Notiz.txt"_s, "abc\r\n");
    QVERIFY(m_f->start());
    QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
    QCoreApplication::sendEvent(m_f->editor(), &in);
    QVERIFY(m_f->state().mFocusText);
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QCoreApplication::sendEvent(m_f->editor(), &popup);
    QVERIFY(m_f->state().mFocusText);
    QFocusEvent away(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(m_f->editor(), &away);
    QVERIFY(!m_f->state().mFocusText);
}

QTEST_MAIN(TestEditCommands)
#include "tst_editcommands.moc"
