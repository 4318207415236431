#include "AlleErsetzen.h"
#include "DocumentLibrary.h"
#include "EditingState.h"
#include "HitModel.h"
#include "ReplaceSession.h"
#include "RootFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTest>
#include <QTreeView>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QByteArray cp1252(const QString &text)
{
    QStringEncoder encoder("windows-1252");
    return encoder.encode(text);
}

// A character Windows-1252 has no place for.
const QString Arrow = u"\u2192"_s;

} // namespace

class TestAlleErsetzen final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void refusesPatternsItCannotReplaceWith_data();
    void refusesPatternsItCannotReplaceWith();
    void asksOnceAboutWindows1252Documents_data();
    void asksOnceAboutWindows1252Documents();
    void unsavedShownDocumentIsReplacedInTheEditor();
    void undoPutsEveryFileBackByteForByte();
    void outsideChangesAreLeftAlone();
    void undoDataOfAnEndedProgramAreOffered();

private:
    void startOn(const QList<std::pair<QString, QByteArray>> &files);
    AlleErsetzen *openWindow();
    bool preview(AlleErsetzen *w, const QString &term, const QString &replacement, bool expression = false);
    bool replace(AlleErsetzen *w);
    QByteArray fileBytes(const QString &name) const { return bytesOf(m_f->folder + u'/' + name); }
    // As hex, so that a failed comparison shows the bytes.
    QString bytesAt(const QString &name) const { return QString::fromLatin1(fileBytes(name).toHex()); }

    std::unique_ptr<RootFixture> m_f;
};

void TestAlleErsetzen::init()
{
    m_f = std::make_unique<RootFixture>();
}

void TestAlleErsetzen::cleanup()
{
    m_f.reset();
}

void TestAlleErsetzen::startOn(const QList<std::pair<QString, QByteArray>> &files)
{
    for (const auto &[name, bytes] : files) {
        m_f->put(name, bytes);
    }
    QVERIFY(m_f->start());
    QCOMPARE(m_f->list()->count(), files.size());
}

AlleErsetzen *TestAlleErsetzen::openWindow()
{
    m_f->run(u"mnuAlleErsetzen"_s);
    auto *w = m_f->root->findChild<AlleErsetzen *>();
    if (w) {
        w->setThreads(2);
    }
    return w;
}

bool TestAlleErsetzen::preview(AlleErsetzen *w, const QString &term, const QString &replacement, bool expression)
{
    QSignalSpy ended(w, &AlleErsetzen::previewEnded);
    w->termBox()->setEditText(term);
    w->findChild<QLineEdit *>(u"TErsatz"_s)->setText(replacement);
    w->findChild<QCheckBox *>(u"BAusdruck"_s)->setChecked(expression);
    w->findChild<QPushButton *>(u"CVorschau"_s)->click();
    return ended.wait(20000) && !ended.constLast().at(0).toBool();
}

bool TestAlleErsetzen::replace(AlleErsetzen *w)
{
    QSignalSpy reported(w, &AlleErsetzen::reported);
    QPushButton *button = w->findChild<QPushButton *>(u"CErsetzen"_s);
    if (!button->isEnabled()) {
        return false;
    }
    button->click();
    return reported.wait(20000);
}

void TestAlleErsetzen::refusesPatternsItCannotReplaceWith_data()
{
    QTest::addColumn<QString>("term");
    QTest::addColumn<QString>("message");
    QTest::newRow("invalid expression") << u"Alt(("_s << u"Position"_s;
    QTest::newRow("matches the empty string") << u"x*"_s << u"leeren Text"_s;
}

// Neither starts a run (a matcher that is not valid must never reach the
// workers): a German message, and nothing to replace.
void TestAlleErsetzen::refusesPatternsItCannotReplaceWith()
{
    QFETCH(QString, term);
    QFETCH(QString, message);
    startOn({{u"a.txt"_s, "Alt\r\n"}});
    AlleErsetzen *w = openWindow();
    QVERIFY(w);
    w->termBox()->setEditText(term);
    w->findChild<QCheckBox *>(u"BAusdruck"_s)->setChecked(true);
    w->findChild<QPushButton *>(u"CVorschau"_s)->click();
    const QList<ScriptedPrompts::Call> calls = m_f->prompts.callsOf(u"message"_s);
    QCOMPARE(calls.size(), 1);
    QVERIFY2(calls.first().text.contains(message), qPrintable(calls.first().text));
    QVERIFY(!w->isPreviewRunning());
    QVERIFY(!w->findChild<QPushButton *>(u"CErsetzen"_s)->isEnabled());
    QCOMPARE(w->model()->documentCount(), 0);
}

void TestAlleErsetzen::asksOnceAboutWindows1252Documents_data()
{
    QTest::addColumn<int>("answer"); // Prompts::Answer
    QTest::addColumn<QString>("w1After");
    QTest::addColumn<bool>("replaced");

    const QByteArray w1 = cp1252(u"Größe Alt\r\nAlt Ende\r\n"_s);
    QTest::newRow("yes: made UTF-8, line ends kept")
        << int(Prompts::Answer::Yes)
        << QString::fromLatin1(u"Größe Neu%1\r\nNeu%1 Ende\r\n"_s.arg(Arrow).toUtf8().toHex()) << true;
    QTest::newRow("no: left out") << int(Prompts::Answer::No) << QString::fromLatin1(w1.toHex()) << true;
    QTest::newRow("cancel: nothing written")
        << int(Prompts::Answer::Cancel) << QString::fromLatin1(w1.toHex()) << false;
}

void TestAlleErsetzen::asksOnceAboutWindows1252Documents()
{
    QFETCH(int, answer);
    QFETCH(QString, w1After);
    QFETCH(bool, replaced);
    const QByteArray w2 = cp1252(u"Alt ß\r\n"_s);
    const QByteArray u = u"Größe Alt\n"_s.toUtf8();
    startOn({{u"w1.txt"_s, cp1252(u"Größe Alt\r\nAlt Ende\r\n"_s)}, {u"w2.txt"_s, w2}, {u"u.txt"_s, u}});
    AlleErsetzen *w = openWindow();
    QVERIFY(preview(w, u"Alt"_s, u"Neu"_s + Arrow));
    QCOMPARE(w->model()->hitCount(), 4);

    m_f->prompts.messageAnswers.enqueue(Prompts::Answer(answer));
    if (replaced) {
        QVERIFY(replace(w));
    } else {
        w->findChild<QPushButton *>(u"CErsetzen"_s)->click();
    }
    // One question for both Windows-1252 documents, none for the UTF-8 one.
    const QList<ScriptedPrompts::Call> calls = m_f->prompts.callsOf(u"message"_s);
    QCOMPARE(calls.size(), 1);
    QVERIFY(calls.first().text.contains(u"w1"_s) && calls.first().text.contains(u"w2"_s));
    QVERIFY(!calls.first().text.contains(u"\n  u"_s));

    QCOMPARE(bytesAt(u"w1.txt"_s), w1After);
    const bool yes = Prompts::Answer(answer) == Prompts::Answer::Yes;
    QCOMPARE(bytesAt(u"w2.txt"_s), QString::fromLatin1((yes ? u"Neu%1 ß\r\n"_s.arg(Arrow).toUtf8() : w2).toHex()));
    QCOMPARE(bytesAt(u"u.txt"_s), QString::fromLatin1((replaced ? u"Größe Neu%1\n"_s.arg(Arrow).toUtf8() : u).toHex()));
    if (Prompts::Answer(answer) == Prompts::Answer::No) {
        QVERIFY2(w->reportText().contains(u"nicht in UTF-8 umgestellt, ausgelassen (2):\n  w1\n  w2"_s),
                 qPrintable(w->reportText()));
    }
    if (!replaced) {
        QVERIFY(w->reportText().isEmpty());
        QVERIFY(w->findChild<QPushButton *>(u"CErsetzen"_s)->isEnabled());
    }
}

// The shown document's unsaved text is replaced in the editor, where it
// can be undone and saved or not; its file stays as it is.
void TestAlleErsetzen::unsavedShownDocumentIsReplacedInTheEditor()
{
    const QByteArray a = "Alt eins\r\n";
    startOn({{u"a.txt"_s, a}, {u"b.txt"_s, "Alt zwei\r\n"}});
    QVERIFY(m_f->root->library()->selectDocument(0));
    QTRY_COMPARE(m_f->shownText(), u"Alt eins\n"_s);
    QPlainTextEdit *editor = m_f->editor();
    editor->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor, u"Alt drei"_s);
    QVERIFY(m_f->state().mChange);

    AlleErsetzen *w = openWindow();
    QVERIFY(preview(w, u"alt"_s, u"Neu"_s));
    QCOMPARE(w->model()->hitCount(), 3);
    QVERIFY(replace(w));
    QCOMPARE(m_f->shownText(), u"Neu eins\nNeu drei"_s);
    QVERIFY(m_f->state().mChange);
    QCOMPARE(fileBytes(u"a.txt"_s), a);
    QCOMPARE(fileBytes(u"b.txt"_s), QByteArray("Neu zwei\r\n"));
    QVERIFY2(
        w->reportText().contains(
            u"Im Editor ersetzt, noch nicht gespeichert; Strg+Z im Editor nimmt es zurück (1):\n  a (2 Ersetzungen)"_s),
        qPrintable(w->reportText()));
    QVERIFY(w->reportText().contains(u"Geschrieben (1):\n  b (1 Ersetzung)"_s));
    // One step of the editor's undo.
    editor->undo();
    QCOMPARE(m_f->shownText(), u"Alt eins\nAlt drei"_s);
}

// Every encoding and line-end style, the shown document among them: the
// replace writes only the ticked hits, the shown document is shown afresh,
// and undo from the menu gives every file its old bytes back.
void TestAlleErsetzen::undoPutsEveryFileBackByteForByte()
{
    const QList<std::pair<QString, QByteArray>> files = {
        {u"a.txt"_s, cp1252(u"Maß Alt\r\nalt\r\n"_s)},
        {u"b.txt"_s, "\xEF\xBB\xBF" + u"Grüße Alt\nAlt\n"_s.toUtf8()},
        {u"c.txt"_s, "Alt\r\nAlt\nAlt\r\n"},
        {u"d.txt"_s, "nichts\r\n"},
    };
    startOn(files);
    QVERIFY(m_f->root->library()->selectDocument(1));
    QTRY_COMPARE(m_f->shownText(), u"Grüße Alt\nAlt\n"_s);
    AlleErsetzen *w = openWindow();
    QVERIFY(preview(w, u"Alt"_s, u"Neu"_s));
    QCOMPARE(w->model()->hitCount(), 7);

    // The second hit of c unticked with the keyboard.
    QTreeView *tree = w->tree();
    const QModelIndex c = w->model()->index(2, 0);
    tree->expand(c);
    tree->setFocus();
    tree->setCurrentIndex(w->model()->index(1, 0, c));
    QTest::keyClick(tree, Qt::Key_Space);
    QCOMPARE(w->model()->index(1, 0, c).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    QCOMPARE(c.data(Qt::CheckStateRole).toInt(), int(Qt::PartiallyChecked));

    QVERIFY(replace(w));
    QCOMPARE(fileBytes(u"a.txt"_s), cp1252(u"Maß Neu\r\nNeu\r\n"_s));
    QCOMPARE(fileBytes(u"b.txt"_s), "\xEF\xBB\xBF" + u"Grüße Neu\nNeu\n"_s.toUtf8());
    QCOMPARE(fileBytes(u"c.txt"_s), QByteArray("Neu\r\nAlt\nNeu\r\n"));
    QVERIFY2(w->countText().startsWith(u"6 Ersetzungen in 3 Dokumenten"_s), qPrintable(w->countText()));
    QTRY_COMPARE(m_f->shownText(), u"Grüße Neu\nNeu\n"_s);
    QVERIFY(!m_f->state().mChange);

    QAction *undo = m_f->action(u"mnuErsetzenRueckgaengig"_s);
    QTRY_VERIFY(undo->isEnabled());
    QSignalSpy reported(w, &AlleErsetzen::reported);
    undo->trigger();
    QVERIFY(reported.wait(20000));
    for (const auto &[name, bytes] : files) {
        QCOMPARE(fileBytes(name), bytes);
    }
    QVERIFY2(w->reportText().contains(u"Zurückgestellt (3):"_s), qPrintable(w->reportText()));
    QTRY_COMPARE(m_f->shownText(), u"Grüße Alt\nAlt\n"_s);
    QTRY_VERIFY(!undo->isEnabled());
}

// A file changed since the preview is not written; one changed since the
// replace is not put back. Both are reported, the rest goes on.
void TestAlleErsetzen::outsideChangesAreLeftAlone()
{
    startOn({{u"a.txt"_s, "Alt a\r\n"}, {u"b.txt"_s, "Alt b\r\n"}, {u"c.txt"_s, "Alt c\r\n"}});
    AlleErsetzen *w = openWindow();
    QVERIFY(preview(w, u"Alt"_s, u"Neu"_s));
    m_f->put(u"a.txt"_s, "Alt a, anders\r\n");
    QVERIFY(replace(w));
    QCOMPARE(fileBytes(u"a.txt"_s), QByteArray("Alt a, anders\r\n"));
    QCOMPARE(fileBytes(u"b.txt"_s), QByteArray("Neu b\r\n"));
    QVERIFY2(w->reportText().contains(u"Seit der Vorschau geändert, nicht angetastet (1):\n  a"_s),
             qPrintable(w->reportText()));

    m_f->put(u"b.txt"_s, "Neu b, weiter bearbeitet\r\n");
    QSignalSpy reported(w, &AlleErsetzen::reported);
    w->findChild<QPushButton *>(u"CRueckgaengig"_s)->click();
    QVERIFY(reported.wait(20000));
    QCOMPARE(fileBytes(u"b.txt"_s), QByteArray("Neu b, weiter bearbeitet\r\n"));
    QCOMPARE(fileBytes(u"c.txt"_s), QByteArray("Alt c\r\n"));
    QVERIFY2(w->reportText().contains(u"Seit dem Ersetzen geändert, so belassen (1):\n  b"_s),
             qPrintable(w->reportText()));
}

// A program that ended without its exit (a kill) leaves the undo data; the
// next start offers them through the menu entry, quietly.
void TestAlleErsetzen::undoDataOfAnEndedProgramAreOffered()
{
    startOn({{u"a.txt"_s, "Alt\r\n"}});
    AlleErsetzen *w = openWindow();
    QVERIFY(preview(w, u"Alt"_s, u"Neu"_s));
    QVERIFY(replace(w));
    QCOMPARE(fileBytes(u"a.txt"_s), QByteArray("Neu\r\n"));
    // The window goes without the exit command.
    QVERIFY(m_f->restart());
    QVERIFY(m_f->prompts.calls.isEmpty());
    QAction *undo = m_f->action(u"mnuErsetzenRueckgaengig"_s);
    QTRY_VERIFY(undo->isEnabled());
    undo->trigger();
    w = m_f->root->findChild<AlleErsetzen *>();
    QVERIFY(w);
    QTRY_VERIFY(w->reportText().contains(u"früheren Lauf"_s));
    QCOMPARE(fileBytes(u"a.txt"_s), QByteArray("Alt\r\n"));
    QTRY_VERIFY(!undo->isEnabled());

    // The exit command removes this run's undo data: the next start has none.
    QVERIFY(preview(w, u"Alt"_s, u"Neu"_s));
    QVERIFY(replace(w));
    m_f->run(u"mnubeenden"_s);
    QVERIFY(m_f->restart());
    QVERIFY(!m_f->root->replaceSession()->canUndo());
}

QTEST_MAIN(TestAlleErsetzen)
#include "tst_alleersetzen.moc"
