#include "AppPaths.h"
#include "DocumentLibrary.h"
#include "RootFixture.h"
#include "SearchController.h"
#include "SearchHistory.h"
#include "Suchen.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString Searching = u" Begriff: ''zzz'' wird in Ihren Dokumenten gesucht ..."_s;

QByteArray bytesOrMissing(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

template <typename T> T *child(QObject *parent, const QString &name)
{
    T *found = parent->findChild<T *>(name);
    if (!found) {
        qFatal("no child %s", qPrintable(name));
    }
    return found;
}

bool progressVisible()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(),
                       [](QWidget *w) { return w->objectName() == u"Weitersuchen" && w->isVisible(); });
}

// Clicks the progress window's cancel button as soon as the window shows, and
// notes the status line at that moment.
struct CancelWhenProgressShows
{
    QTimer timer;
    QString statusDuringRun;

    explicit CancelWhenProgressShows(QLabel *status)
    {
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, &timer, [this, status] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (w->objectName() == u"Weitersuchen" && w->isVisible()) {
                    statusDuringRun = status->text();
                    child<QPushButton>(w, u"BAbbrechen"_s)->click();
                    timer.stop();
                }
            }
        });
        timer.start();
    }
};

using Documents = QList<QByteArray>;

void addRow(const char *name, const Documents &documents, int selected, bool forward, bool findNext, int hit,
            int selectionStart = 0, bool caseSensitive = false, const QString &typed = {})
{
    QTest::newRow(name) << documents << selected << forward << findNext << hit << selectionStart << caseSensitive
                        << typed;
}

} // namespace

class TestSearch final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void dialog();
    void search_data();
    void search();
    void runAcrossUnsavedChanges_data();
    void runAcrossUnsavedChanges();
    void cancelledRun();
    void cancelledFindNext();
    void runOnEmptyList();
    void clearHistory_data();
    void clearHistory();
    void termIsSearchedAsTyped_data();
    void termIsSearchedAsTyped();

private:
    // Writes the documents d0.txt … and starts the main window on them.
    void start(const Documents &documents);
    Suchen *openDialog(const QString &term);
    bool panesShown() const;
    QStringList messages() const;

    std::unique_ptr<RootFixture> m_f;
};

void TestSearch::init()
{
    m_f = std::make_unique<RootFixture>();
    QVERIFY(RootFixture::seedQuietStart());
}

void TestSearch::cleanup()
{
    m_f.reset();
}

void TestSearch::start(const Documents &documents)
{
    for (int i = 0; i < documents.size(); ++i) {
        m_f->env.writeFile(u"Dokumente/d%1.txt"_s.arg(i), documents.at(i));
    }
    QVERIFY(m_f->startAsStored());
    QCOMPARE(m_f->list()->count(), documents.size());
    m_f->prompts.calls.clear();
}

Suchen *TestSearch::openDialog(const QString &term)
{
    child<QAction>(m_f->root.get(), u"mnuSuchen"_s)->trigger();
    Suchen *dialog = m_f->root->search()->dialog();
    QTest::keyClicks(child<QComboBox>(dialog, u"Text1"_s)->lineEdit(), term);
    return dialog;
}

bool TestSearch::panesShown() const
{
    return m_f->list()->isVisible() && m_f->editor()->isVisible() &&
           !child<QWidget>(m_f->root.get(), u"Dateien_Imt"_s)->isVisible() &&
           !child<QWidget>(m_f->root.get(), u"Text_Imt"_s)->isVisible() && !progressVisible();
}

QStringList TestSearch::messages() const
{
    QStringList texts;
    for (const ScriptedPrompts::Call &call : m_f->prompts.callsOf(u"message"_s)) {
        texts.append(call.text);
    }
    return texts;
}

void TestSearch::dialog()
{
    start({"x"});
    QVERIFY(SearchHistory::save(AppPaths::historyFile(), u"xyz"_s));
    QVERIFY(SearchHistory::save(AppPaths::historyFile(), u"abc"_s));
    Suchen *first = openDialog(u"z"_s);
    QCOMPARE(first->windowTitle(), u" Suchen"_s);
    auto *search = child<QPushButton>(first, u"CSuchen"_s);
    QVERIFY(search->isEnabled());
    QTest::keyClick(child<QComboBox>(first, u"Text1"_s)->lineEdit(), Qt::Key_Backspace);
    QVERIFY(!search->isEnabled());
    child<QRadioButton>(first, u"ORückwärts"_s)->click();
    child<QCheckBox>(first, u"BSchreibung"_s)->setChecked(true);

    QPointer<Suchen> again = openDialog(QString());
    QVERIFY(again->isVisible());
    QCOMPARE(again->term(), QString());
    QVERIFY(child<QRadioButton>(again, u"OVorwärts"_s)->isChecked());
    QVERIFY(!child<QCheckBox>(again, u"BSchreibung"_s)->isChecked());
    QVERIFY(!child<QPushButton>(again, u"CSuchen"_s)->isEnabled());
    auto *box = child<QComboBox>(again, u"Text1"_s);
    QCOMPARE(box->count(), 2);
    QCOMPARE(box->itemText(0), u"abc"_s);

    child<QPushButton>(again, u"CAbbrechen"_s)->click();
    QVERIFY(!again->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(again.isNull());
    QCOMPARE(m_f->root->search()->term(), QString());
}

void TestSearch::search_data()
{
    QTest::addColumn<Documents>("documents");
    QTest::addColumn<int>("selected");
    QTest::addColumn<bool>("forward");
    QTest::addColumn<bool>("findNext"); // mnuWeitersuchen rather than CSuchen
    QTest::addColumn<int>("hit");       // -1 = none
    QTest::addColumn<int>("selectionStart");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<QString>("typed"); // into the editor first

    const Documents later{"eins\r\n", "xABCx\r\n", "abc\r\n"};
    addRow("run: next document", later, 0, true, false, 1, 1);
    addRow("run: case-sensitive", later, 0, true, false, 2, 0, true);
    addRow("run: selected one first", {"x\r\nabc", "abc"}, 0, true, false, 0, 2);
    addRow("run: unsaved edits searched", {"eins", "abc"}, 0, true, false, 0, 0, false, u"ABC "_s);
    addRow("run: no wrap-around", {"abc", "x", "y"}, 1, true, false, -1);
    addRow("run: nothing selected, from the top", {"x", "abc"}, -1, true, false, 1);
    addRow("run: backward, nearest first", {"abc", "abc", "x"}, 2, false, false, 1);
    addRow("run: backward, never the selected one", {"x", "y", "abc"}, 2, false, false, -1);
    addRow("run: backward from the first", {"abc", "abc"}, 0, false, false, -1);
    addRow("run: backward, nothing selected", {"abc", "abc"}, -1, false, false, -1);
    addRow("run: after umlauts, Windows-1252 CR LF", {"x", u"Größe\r\nMüller ABC\r\n"_s.toLatin1()}, 0, true, false, 1,
           13);
    addRow("run: after umlauts, UTF-8 LF", {"x", u"Größe\nMüller ABC\n"_s.toUtf8()}, 0, true, false, 1, 13);

    const Documents twice{"abc abc", "x", "abc"};
    addRow("next: never the selected one again", twice, 0, true, true, 2);
    addRow("next: backward from the one before", twice, 2, false, true, 0);
    addRow("next: backward from the first", twice, 0, false, true, -1);
    addRow("next: no wrap-around", {"abc", "x", "y"}, 1, true, true, -1);
    addRow("next: last one selected", twice, 2, true, true, -1);
    addRow("next: nothing selected, from the top", {"x", "abc"}, -1, true, true, 1);
    addRow("next: nothing selected, no hit", {"x", "y"}, -1, true, true, -1);
}

void TestSearch::search()
{
    QFETCH(Documents, documents);
    QFETCH(int, selected);
    QFETCH(bool, forward);
    QFETCH(bool, findNext);
    QFETCH(int, hit);
    QFETCH(int, selectionStart);
    QFETCH(bool, caseSensitive);
    QFETCH(QString, typed);
    start(documents);
    m_f->list()->setCurrentRow(selected);
    QTest::keyClicks(m_f->editor(), typed);
    const QString term = u"abc"_s;
    QPointer<Suchen> dialog = openDialog(term);
    child<QRadioButton>(dialog, forward ? u"OVorwärts"_s : u"ORückwärts"_s)->click();
    child<QCheckBox>(dialog, u"BSchreibung"_s)->setChecked(caseSensitive);
    if (findNext) {
        child<QAction>(m_f->root.get(), u"mnuWeitersuchen"_s)->trigger();
    } else {
        child<QPushButton>(dialog, u"CSuchen"_s)->click();
        QCOMPARE(SearchHistory::read(AppPaths::historyFile()), QStringList{term});
    }

    QVERIFY(panesShown());
    QVERIFY(!dialog.isNull());
    QCOMPARE(dialog->term(), term);
    if (hit < 0) {
        QCOMPARE(m_f->list()->currentRow(), selected);
        QCOMPARE(messages(), QStringList{u"Begriff ''abc'' konnte nicht gefunden werden.  "_s});
        const ScriptedPrompts::Call call = m_f->prompts.calls.constFirst();
        QCOMPARE(call.title, u" Tivorn Quandel Library"_s);
        QCOMPARE(call.buttons, Prompts::Buttons::Ok);
        QCOMPARE(call.icon, Prompts::Icon::Information);
        QVERIFY(dialog->isVisible());
        return;
    }
    QCOMPARE(messages(), QStringList());
    QCOMPARE(m_f->list()->currentRow(), hit);
    QCOMPARE(dialog->isVisible(), findNext);
    const QTextCursor cursor = m_f->editor()->textCursor();
    QCOMPARE(cursor.selectionStart(), selectionStart);
    QCOMPARE(cursor.selectedText().compare(term, Qt::CaseInsensitive), 0);
}

void TestSearch::runAcrossUnsavedChanges_data()
{
    QTest::addColumn<Prompts::Answer>("answer");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QByteArray>("originFile");

    QTest::newRow("Yes saves, then shows the hit") << Prompts::Answer::Yes << 1 << "neu eins\r\n"_ba;
    QTest::newRow("No discards, shows the hit") << Prompts::Answer::No << 1 << "eins\r\n"_ba;
    QTest::newRow("Cancel keeps the edits") << Prompts::Answer::Cancel << 0 << "eins\r\n"_ba;
}

void TestSearch::runAcrossUnsavedChanges()
{
    QFETCH(Prompts::Answer, answer);
    QFETCH(int, selected);
    QFETCH(QByteArray, originFile);
    start({"eins\r\n", "zwei abc\r\n"});
    QTest::keyClicks(m_f->editor(), u"neu "_s);
    m_f->prompts.messageAnswers.enqueue(answer);
    child<QPushButton>(openDialog(u"abc"_s), u"CSuchen"_s)->click();

    const QStringList asked = messages();
    QCOMPARE(asked.size(), 1);
    QVERIFY2(asked[0].startsWith(u"d0"_s) && asked[0].contains(u"wurde geändert."_s), qPrintable(asked[0]));
    QCOMPARE(m_f->list()->currentRow(), selected);
    QCOMPARE(bytesOrMissing(m_f->folder + u"/d0.txt"_s), originFile);
    QVERIFY(panesShown());
    if (selected == 1) {
        QCOMPARE(m_f->editor()->textCursor().selectionStart(), 5);
        QCOMPARE(m_f->editor()->textCursor().selectedText(), u"abc"_s);
    } else {
        QCOMPARE(m_f->editor()->toPlainText(), u"neu eins\n"_s);
        QVERIFY(m_f->root->library()->state().mChange);
    }
}

void TestSearch::cancelledRun()
{
    start({"eins", "zwei", "drei", "vier"});
    m_f->list()->setCurrentRow(1);
    QPointer<Suchen> dialog = openDialog(u"zzz"_s);
    CancelWhenProgressShows canceller(child<QLabel>(m_f->root.get(), u"LStatus"_s));
    child<QPushButton>(dialog, u"CSuchen"_s)->click();

    QCOMPARE(canceller.statusDuringRun, Searching);
    QCOMPARE(messages(), QStringList());
    QCOMPARE(m_f->list()->currentRow(), 1);
    QVERIFY(panesShown());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(dialog.isNull());
    QCOMPARE(m_f->root->search()->term(), QString());
}

void TestSearch::cancelledFindNext()
{
    start({"eins", "zwei", "drei", "vier", "fünf"});
    openDialog(u"zzz"_s);
    m_f->list()->setCurrentRow(1);
    CancelWhenProgressShows canceller(child<QLabel>(m_f->root.get(), u"LStatus"_s));
    m_f->root->search()->findNext();

    QCOMPARE(canceller.statusDuringRun, Searching);
    QCOMPARE(messages(), QStringList());
    // Where the run stopped depends on how far the workers got: never before
    // the document the run started from.
    QVERIFY(m_f->list()->currentRow() >= 1);
    QVERIFY(panesShown());
    QVERIFY(!m_f->root->search()->isRunning());
    QCOMPARE(m_f->root->search()->term(), u"zzz"_s);
}

void TestSearch::runOnEmptyList()
{
    start({});
    Suchen *dialog = openDialog(u"zzz"_s);
    child<QPushButton>(dialog, u"CSuchen"_s)->click();
    QCOMPARE(bytesOrMissing(AppPaths::historyFile()), "zzz\r\n"_ba);
    QCOMPARE(m_f->status(), Searching);
    QCOMPARE(messages(), QStringList());
    QVERIFY(dialog->isVisible());
    QVERIFY(m_f->list()->isVisible());
    QVERIFY(!progressVisible());
}

void TestSearch::clearHistory_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<Prompts::Answer>("answer");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("Yes clears") << true << Prompts::Answer::Yes << "\r\n\r\n"_ba;
    QTest::newRow("No keeps") << true << Prompts::Answer::No << "abc\r\n"_ba;
    QTest::newRow("no file, no question") << false << Prompts::Answer::Yes << "<missing>"_ba;
}

void TestSearch::clearHistory()
{
    QFETCH(bool, exists);
    QFETCH(Prompts::Answer, answer);
    QFETCH(QByteArray, after);
    start({"x"});
    if (exists) {
        QVERIFY(SearchHistory::save(AppPaths::historyFile(), u"abc"_s));
    }
    m_f->prompts.messageAnswers.enqueue(answer);
    child<QAction>(m_f->root.get(), u"mnuVerlauf"_s)->trigger();

    QCOMPARE(bytesOrMissing(AppPaths::historyFile()), after);
    if (!exists) {
        QCOMPARE(messages(), QStringList());
        return;
    }
    QCOMPARE(messages(),
             QStringList{u"Möchten Sie Verlauf und History (Sucheingaben) aus dem Auswahlbox entfernen ?  "_s});
    const ScriptedPrompts::Call call = m_f->prompts.calls.constFirst();
    QCOMPARE(call.title, u" Verlauf und History"_s);
    QCOMPARE(call.buttons, Prompts::Buttons::YesNo);
    QCOMPARE(call.icon, Prompts::Icon::Question);
}

void TestSearch::termIsSearchedAsTyped_data()
{
    QTest::addColumn<QString>("history");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("matchCase");

    QTest::newRow("other case, case ticked") << u"abc"_s << u"ABC"_s << true;
    QTest::newRow("other case") << u"abc"_s << u"ABC"_s << false;
    QTest::newRow("start of an entry") << u"abc"_s << u"ab"_s << false;
    QTest::newRow("umlaut") << u"übung"_s << u"Übung"_s << true;
}

void TestSearch::termIsSearchedAsTyped()
{
    QFETCH(QString, history);
    QFETCH(QString, typed);
    QFETCH(bool, matchCase);

    start({"abc ABC ab übung Übung"});
    QVERIFY(SearchHistory::save(AppPaths::historyFile(), u"xyz"_s));
    QVERIFY(SearchHistory::save(AppPaths::historyFile(), history));
    m_f->root->show();
    QApplication::setActiveWindow(m_f->root.get());
    QVERIFY(QTest::qWaitForWindowActive(m_f->root.get()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
    Suchen *dialog = m_f->root->search()->dialog();
    QApplication::setActiveWindow(dialog);
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    child<QCheckBox>(dialog, u"BSchreibung"_s)->setChecked(matchCase);
    auto *box = child<QComboBox>(dialog, u"Text1"_s);
    QCOMPARE(box->count(), 2);
    QCOMPARE(QApplication::focusWidget(), box);
    for (const QChar c : std::as_const(typed)) {
        // Letters beyond ASCII as a keyboard layout sends them.
        QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(),
                            c.unicode() < 128 ? Qt::Key(c.toUpper().unicode()) : Qt::Key_unknown, QString(c),
                            Qt::NoModifier);
    }
    QCOMPARE(dialog->term(), typed);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

    // The run took the term as typed, and so did the history.
    QCOMPARE(dialog->term(), typed);
    QCOMPARE(SearchHistory::read(AppPaths::historyFile()).value(0), typed);
}

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
