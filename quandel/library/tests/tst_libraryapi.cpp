#include "DocumentKinds.h"
#include "DocumentLibrary.h"
#include "ScriptedPrompts.h"
#include "TestEnvironment.h"
#include "WebView.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using Answer = Prompts::Answer;

namespace {

// The library over panes of its own, without the main window.
struct Library
{
    TestEnvironment env;
    ScriptedPrompts prompts;
    QString folder = env.path(u"Dokumente"_s);
    QWidget window;
    QAction webAction;
    std::array<std::unique_ptr<QAction>, 4> kinds;
    std::unique_ptr<DocumentLibrary> library;

    Library()
    {
        QDir().mkpath(folder);
        window.setWindowTitle(u"Bibliothek"_s);
        webAction.setCheckable(true);
        DocumentWidgets w;
        w.window = &window;
        w.dateien = new QListWidget(&window);
        w.text = new QPlainTextEdit(&window);
        w.webBrowser = new WebView(&window);
        w.webBrowser->hide();
        w.status = new QLabel(&window);
        w.wordSearch = new QLineEdit(&window);
        w.webAction = &webAction;
        for (size_t i = 0; i < kinds.size(); ++i) {
            kinds[i] = std::make_unique<QAction>();
            kinds[i]->setCheckable(true);
            w.kindActions[i] = kinds[i].get();
        }
        library = std::make_unique<DocumentLibrary>(w);
        library->setFolder(folder);
    }
    QString put(const QString &relative, const QByteArray &bytes) const
    {
        return env.writeFile(u"Dokumente/"_s + relative, bytes);
    }
    void type(const QString &text) const { QTest::keyClicks(window.findChild<QPlainTextEdit *>(), text); }
};

} // namespace

class TestLibraryApi final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void entriesOfEachKind_data();
    void entriesOfEachKind();
    void selectDocumentAsksAboutUnsavedChanges_data();
    void selectDocumentAsksAboutUnsavedChanges();
    void shownDocumentTellsHowItWasRead_data();
    void shownDocumentTellsHowItWasRead();
};

void TestLibraryApi::entriesOfEachKind_data()
{
    QTest::addColumn<int>("kind");
    // Per entry: text | display name | path below the folder.
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("help documents") << 0 << QStringList{u"Notiz|Notiz|Notiz.txt"_s};
    // A class file's entry ends in a tab; its path is the class file's.
    QTest::newRow("classes and modules") << 1 << QStringList{u"Modul|Modul|Modul.bas"_s, u"Modul\t|Modul|Modul.cls"_s};
    // A project's path is its folder.
    QTest::newRow("project folders") << 2 << QStringList{u"Projekt A|Projekt A|Projekt A"_s};
    QTest::newRow("help projects") << 3 << QStringList{u"Zeta|Zeta|Zeta.vbp"_s};
}

void TestLibraryApi::entriesOfEachKind()
{
    Library l;
    l.put(u"Notiz.txt"_s, "notiz\r\n");
    l.put(u"Modul.bas"_s, "modul\r\n");
    l.put(u"Modul.cls"_s, "klasse\r\n");
    l.put(u"Zeta.vbp"_s, "zeta\r\n");
    l.put(u"Projekt A/Quandel.ini"_s, "projekt\r\n");
    QFETCH(int, kind);
    l.library->selectKind(kind);

    QFETCH(QStringList, expected);
    const QList<LibraryEntry> entries = l.library->entries();
    QCOMPARE(entries.size(), expected.size());
    QCOMPARE(l.library->entryCount(), expected.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QStringList parts = expected.at(i).split(u'|');
        const LibraryEntry &e = entries.at(i);
        QCOMPARE(e.text, parts.at(0));
        QCOMPARE(e.displayName, parts.at(1));
        QCOMPARE(e.path, l.folder + u'/' + parts.at(2));
        QCOMPARE(e.kind, kind);
        QCOMPARE(e.index, int(i));
    }
    QCOMPARE(l.library->entryTexts().first(), expected.first().section(u'|', 0, 0));
    QCOMPARE(l.library->entry(int(entries.size())).index, -1);
    // The first entry is shown.
    QCOMPARE(l.library->selectedIndex(), 0);
    QCOMPARE(l.library->shownDocument().path,
             kind == 2 ? l.folder + u"/Projekt A/Quandel.ini"_s : entries.first().path);
}

void TestLibraryApi::selectDocumentAsksAboutUnsavedChanges_data()
{
    QTest::addColumn<bool>("edit");
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<int>("shownIndex");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<QByteArray>("firstFile");
    QTest::newRow("unchanged: not asked") << false << Answer::Ok << 1 << true << 1 << false << QByteArray("eins\r\n");
    QTest::newRow("cancel") << true << Answer::Cancel << 1 << false << 0 << true << QByteArray("eins\r\n");
    QTest::newRow("no") << true << Answer::No << 1 << true << 1 << false << QByteArray("eins\r\n");
    // Saved on the way; the list stays on the saved document.
    QTest::newRow("yes") << true << Answer::Yes << 1 << false << 0 << false << QByteArray("Xeins\r\n");
    QTest::newRow("no such entry") << true << Answer::Ok << 2 << false << 0 << true << QByteArray("eins\r\n");
}

void TestLibraryApi::selectDocumentAsksAboutUnsavedChanges()
{
    Library l;
    const QString first = l.put(u"Eins.txt"_s, "eins\r\n");
    const QString second = l.put(u"Zwei.txt"_s, "zwei\r\n");
    l.library->selectKind(0);
    QCOMPARE(l.library->shownDocument().path, first);
    QFETCH(bool, edit);
    if (edit) {
        l.type(u"X"_s);
        QVERIFY(l.library->shownDocument().changed);
    }
    QFETCH(Answer, answer);
    if (answer != Answer::Ok) {
        l.prompts.messageAnswers.enqueue(answer);
    }

    QFETCH(int, index);
    QFETCH(bool, selected);
    QCOMPARE(l.library->selectDocument(index), selected);
    QCOMPARE(l.prompts.callsOf(u"message"_s).size(), answer != Answer::Ok ? 1 : 0);
    QFETCH(int, shownIndex);
    QCOMPARE(l.library->selectedIndex(), shownIndex);
    const ShownDocumentInfo shown = l.library->shownDocument();
    QCOMPARE(shown.path, shownIndex == 0 ? first : second);
    QFETCH(bool, changed);
    QCOMPARE(shown.changed, changed);
    QFETCH(QByteArray, firstFile);
    QCOMPARE(bytesOf(first), firstFile);
}

void TestLibraryApi::shownDocumentTellsHowItWasRead_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("utf8");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("Windows-1252") << QByteArray("Gr\xfc\xdf\r\n") << false << true << false;
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xef\xbb\xbfGr\xc3\xbc\xc3\x9f\r\n") << true << true << false;
    QTest::newRow("NUL: shown read-only") << QByteArray("a\0b\r\n", 5) << false << false << true;
    QTest::newRow("line too long: not shown") << QByteArray(EditorDocument::MaxLineChars + 1, 'a') + "\r\n"
                                              << false << false << false;
}

void TestLibraryApi::shownDocumentTellsHowItWasRead()
{
    Library l;
    QFETCH(QByteArray, bytes);
    const QString path = l.put(u"Dokument.txt"_s, bytes);
    l.library->selectKind(0);
    const ShownDocumentInfo shown = l.library->shownDocument();
    QCOMPARE(shown.path, path);
    QFETCH(bool, utf8);
    QCOMPARE(shown.format.encoding == TextFormat::Encoding::Utf8, utf8);
    QFETCH(bool, loaded);
    QCOMPARE(shown.loaded, loaded);
    QFETCH(bool, readOnly);
    QCOMPARE(!shown.readOnlyReason.isEmpty(), readOnly);
    QVERIFY(!shown.changed);

    // A replaced text is an unsaved edit that can be undone, and never
    // reaches a document that is not to be changed.
    const QString before = l.library->shownText();
    QCOMPARE(l.library->replaceShownText(u"neu\nzwei\n"_s), loaded);
    QCOMPARE(l.library->shownDocument().changed, loaded);
    QCOMPARE(l.library->shownText(), loaded ? u"neu\nzwei\n"_s : before);
    l.window.findChild<QPlainTextEdit *>()->undo();
    QCOMPARE(l.library->shownText(), before);
    QCOMPARE(bytesOf(path), bytes);
}

QTEST_MAIN(TestLibraryApi)
#include "tst_libraryapi.moc"
