#include "DocumentKinds.h"
#include "DocumentLibrary.h"
#include "EditorDocument.h"
#include "Registry.h"
#include "RootFixture.h"
#include "WebView.h"

#include <QAction>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;
using Answer = Prompts::Answer;

namespace {

const QString Caption = u"Tivorn Quandel Library"_s;

QString question(const QString &name)
{
    return name + u"\nwurde geändert.\n\nMöchten Sie die Änderungen speichern ? "_s;
}

// A file or folder whose name is the bytes given, below the folder.
bool putRaw(const QString &folder, const QByteArray &relative, const QByteArray &bytes, bool isFolder = false)
{
    const QByteArray path = QFile::encodeName(folder) + '/' + relative;
    if (isFolder) {
        return ::mkdir(path.constData(), 0755) == 0;
    }
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    const bool written = fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return fd >= 0 && ::close(fd) == 0 && written;
}

bool rawExists(const QString &folder, const QByteArray &relative)
{
    const QByteArray path = QFile::encodeName(folder) + '/' + relative;
    return ::access(path.constData(), F_OK) == 0;
}

QString saveFailure(const QString &name)
{
    return name + u" konnte nicht gespeichert werden. \nSchreibzugriff wird eventuell durch eine andere Anwendung "
                  u"blockiert. \nAndere Anwendungen schließen und Vorgang wiederholen. "_s;
}

} // namespace

class TestDocumentLibrary final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void kindsListTheirEntries_data();
    void kindsListTheirEntries();
    void emptyList_data();
    void emptyList();
    void unchangedDocumentRoundTrips_data();
    void unchangedDocumentRoundTrips();
    void manyLongLinesAreWrapped_data();
    void manyLongLinesAreWrapped();
    void editsAreSaved_data();
    void editsAreSaved();
    void userEditsMarkChanged_data();
    void userEditsMarkChanged();
    void answerWhenSelectingAnotherEntry_data();
    void answerWhenSelectingAnotherEntry();
    void commandsAskFirst_data();
    void commandsAskFirst();
    void newThenSaveAs_data();
    void newThenSaveAs();
    void cancelledSaveAsOfUntitledStopsTheNextCheck();
    void newProjectAsksForItsName_data();
    void newProjectAsksForItsName();
    void nameNotInUtf8IsOfferedItsWindows1252Reading_data();
    void nameNotInUtf8IsOfferedItsWindows1252Reading();
    void saveFailureKeepsTheText_data();
    void saveFailureKeepsTheText();
    void documentNotShownFaithfullyIsNeverWritten_data();
    void documentNotShownFaithfullyIsNeverWritten();
    void specialOrHugeDocumentIsExplainedNotRead_data();
    void specialOrHugeDocumentIsExplainedNotRead();
    void tenThousandDocuments();
    void openWithDefaultApplication_data();
    void openWithDefaultApplication();
    void chooseFolder_data();
    void chooseFolder();
    void webViewFollowsTheSelection();

private:
    void trigger(const QString &action) const { m_f->action(action)->trigger(); }
    void type(const QString &text) const;
    void select(int row, bool mouse) const;
    QStringList entries(const QString &listName = u"Dateien"_s) const;

    std::unique_ptr<RootFixture> m_f;
};

void TestDocumentLibrary::init()
{
    m_f = std::make_unique<RootFixture>();
}

void TestDocumentLibrary::cleanup()
{
    m_f.reset();
}

void TestDocumentLibrary::type(const QString &text) const
{
    for (const QChar c : text) {
        if (c == u'\n') {
            QTest::keyClick(m_f->editor(), Qt::Key_Return);
        } else if (c.unicode() < 0x80) {
            QTest::keyClick(m_f->editor(), c.toLatin1());
        } else {
            QTest::sendKeyEvent(QTest::Click, m_f->editor(), Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
}

void TestDocumentLibrary::select(int row, bool mouse) const
{
    if (mouse) {
        QTest::mouseClick(m_f->list()->viewport(), Qt::LeftButton, {},
                          m_f->list()->visualItemRect(m_f->list()->item(row)).center());
    } else {
        m_f->list()->setCurrentRow(row);
    }
}

QStringList TestDocumentLibrary::entries(const QString &listName) const
{
    // The frozen mirror is a view of the list's own entries.
    const QAbstractItemModel *model = m_f->root->findChild<QAbstractItemView *>(listName)->model();
    QStringList result;
    for (int i = 0; i < model->rowCount(); ++i) {
        result.append(model->index(i, 0).data().toString());
    }
    return result;
}

void TestDocumentLibrary::kindsListTheirEntries_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("firstText");
    QTest::newRow("help documents") << 0 << QStringList{u".versteckt"_s, u"a.b"_s, u"Notiz"_s} << u"versteckt\n"_s;
    QTest::newRow("classes and modules") << 1 << QStringList{u"Modul"_s, u"Modul\t"_s} << u"modul\n"_s;
    QTest::newRow("project folders") << 2 << QStringList{u"Projekt A"_s, u"Projekt B"_s} << u"projekt\n"_s;
    QTest::newRow("help projects") << 3 << QStringList{u"Zeta"_s} << u"zeta\n"_s;
}

void TestDocumentLibrary::kindsListTheirEntries()
{
    m_f->put(u"Notiz.txt"_s, "notiz\r\n");
    m_f->put(u"a.b.txt"_s, "ab\r\n");
    m_f->put(u".versteckt.txt"_s, "versteckt\r\n");
    m_f->put(u"Modul.bas"_s, "modul\r\n");
    m_f->put(u"Modul.cls"_s, "klasse\r\n");
    m_f->put(u"Zeta.vbp"_s, "zeta\r\n");
    m_f->put(u"Projekt A/Quandel.ini"_s, "projekt\r\n");
    QDir(m_f->folder).mkdir(u"Projekt B"_s);
    QVERIFY(m_f->start());

    QFETCH(int, kind);
    trigger(u"mnuAnsicht_%1"_s.arg(kind));
    for (int i = 0; i < DocumentKinds::Count; ++i) {
        QCOMPARE(m_f->root->findChild<QAction *>(u"mnuAnsicht_%1"_s.arg(i))->isChecked(), i == kind);
    }
    QFETCH(QStringList, expected);
    QCOMPARE(entries(), expected);
    QCOMPARE(m_f->list()->currentRow(), 0);
    QFETCH(QString, firstText);
    QCOMPARE(m_f->shownText(), firstText);
    QCOMPARE(m_f->state().mIndex, 0);
    QCOMPARE(m_f->state().mFile, DocumentKinds::documentName(expected.first()));
    QVERIFY(!m_f->state().mChange);

    // The hidden mirror list is rebuilt, not appended to.
    trigger(u"mnuaktualisieren"_s);
    trigger(u"mnuaktualisieren"_s);
    QCOMPARE(entries(u"Dateien_Imt"_s), expected);
}

void TestDocumentLibrary::emptyList_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("deleteFolder");
    QTest::newRow("empty folder") << QString() << false;
    QTest::newRow("no matching files") << u"Brief.doc"_s << false;
    QTest::newRow("folder deleted while shown") << u"Notiz.txt"_s << true;
}

void TestDocumentLibrary::emptyList()
{
    QFETCH(QString, file);
    if (!file.isEmpty()) {
        m_f->put(file, "text\r\n");
    }
    QVERIFY(m_f->start());
    QFETCH(bool, deleteFolder);
    if (deleteFolder) {
        QCOMPARE(m_f->list()->count(), 1);
        QVERIFY(QDir(m_f->folder).removeRecursively());
    }
    trigger(u"mnuaktualisieren"_s);
    QCOMPARE(m_f->list()->count(), 0);
    QCOMPARE(entries(u"Dateien_Imt"_s), QStringList());
    QCOMPARE(m_f->shownText(), QString());
    QCOMPARE(m_f->state().mFile, u"Unbenannt"_s);
    QCOMPARE(m_f->state().mIndex, -1);
}

void TestDocumentLibrary::unchangedDocumentRoundTrips_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::newRow("Windows-1252, CR LF") << QByteArray("Gr\xfc\xdf"
                                                       "e\r\nZeile 2\r\n")
                                         << u"Grüße\nZeile 2\n"_s;
    QTest::newRow("UTF-8, LF") << QByteArray("Gr\xc3\xbc\xc3\x9f"
                                             "e\nZeile\n")
                               << u"Grüße\nZeile\n"_s;
    QTest::newRow("UTF-8 with BOM, CR LF") << QByteArray("\xef\xbb\xbf\xc3\x84rger\r\n") << u"Ärger\n"_s;
    QTest::newRow("no-break space") << QByteArray("a\xa0"
                                                  "b\r\n")
                                    << u"a\u00a0b\n"_s;
    QTest::newRow("no final line end") << QByteArray("abc") << u"abc\n"_s;
    QTest::newRow("short last line without line end") << QByteArray("a\r\nb") << u"a\nb"_s;
    QTest::newRow("blank lines at the end") << QByteArray("abc\r\n\r\n\r\n") << u"abc\n\n"_s;
    QTest::newRow("only a line end") << QByteArray("\r\n") << u"\n"_s;
    QTest::newRow("empty") << QByteArray() << u"\n"_s;
    QTest::newRow("the longest line shown") << "a\r\n" + QByteArray(EditorDocument::MaxLineChars, 'b')
                                            << u"a\n"_s + QString(EditorDocument::MaxLineChars, u'b') + u'\n';
}

void TestDocumentLibrary::unchangedDocumentRoundTrips()
{
    QFETCH(QByteArray, bytes);
    const QString path = m_f->put(u"Doc.txt"_s, bytes);
    QVERIFY(m_f->start());
    QFETCH(QString, shown);
    QCOMPARE(m_f->shownText(), shown);
    QVERIFY(!m_f->editor()->isReadOnly());
    QVERIFY(!m_f->state().mChange);
    trigger(u"mnuspeichern"_s);
    QCOMPARE(bytesOf(path), bytes);
    QVERIFY(m_f->prompts.calls.isEmpty());
}

void TestDocumentLibrary::manyLongLinesAreWrapped_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("wrapped");
    const auto lines = [](int count, qsizetype length) {
        QByteArray text;
        for (int i = 0; i < count; ++i) {
            text += QByteArray(length, 'a') + "\r\n";
        }
        return text;
    };
    const int window = EditorDocument::WrapWindowLines;
    const qsizetype length = EditorDocument::WrapChars / window;
    QTest::newRow("short lines") << lines(500, 60) << false;
    QTest::newRow("long lines, as many as the view may lay out") << lines(window, length) << false;
    QTest::newRow("one character more") << lines(1, length + 1) + lines(window - 1, length) << true;
    QTest::newRow("two longest lines a window apart")
        << lines(1, EditorDocument::MaxLineChars) + lines(window - 1, 0) + lines(1, EditorDocument::MaxLineChars)
        << false;
}

void TestDocumentLibrary::manyLongLinesAreWrapped()
{
    QFETCH(QByteArray, bytes);
    m_f->put(u"Doc.txt"_s, bytes);
    m_f->put(u"Kurz.txt"_s, "kurz\r\n");
    QVERIFY(m_f->start());
    QFETCH(bool, wrapped);
    QCOMPARE(m_f->editor()->lineWrapMode(), wrapped ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    QVERIFY(!m_f->editor()->isReadOnly());
    m_f->list()->setCurrentRow(1);
    QCOMPARE(m_f->editor()->lineWrapMode(), QPlainTextEdit::NoWrap);
}

void TestDocumentLibrary::editsAreSaved_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("before"); // null: the file does not exist
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QString>("infoFor"); // the information message's first word, if any

    const QByteArray abc = "abc\r\n";
    QTest::newRow("umlaut stays Windows-1252") << 0 << u"Notiz.txt"_s << abc << false << u"ä"_s
                                               << QByteArray("\xe4"
                                                             "abc\r\n")
                                               << QString();
    QTest::newRow("omega switches to UTF-8") << 0 << u"Notiz.txt"_s << abc << false << u"Ω"_s
                                             << QByteArray("\xce\xa9"
                                                           "abc\r\n")
                                             << u"Notiz.txt"_s;
    QTest::newRow("UTF-8 BOM and LF stay") << 0 << u"Notiz.txt"_s
                                           << QByteArray("\xef\xbb\xbf"
                                                         "abc\n")
                                           << false << u"ä"_s
                                           << QByteArray("\xef\xbb\xbf\xc3\xa4"
                                                         "abc\n")
                                           << QString();
    QTest::newRow("typed line end follows CR LF")
        << 0 << u"Notiz.txt"_s << abc << false << u"x\ny"_s << QByteArray("x\r\nyabc\r\n") << QString();
    QTest::newRow("missing final line end stays missing")
        << 0 << u"Notiz.txt"_s << QByteArray("abc") << false << u"x"_s << QByteArray("xabc") << QString();
    QTest::newRow("read-only file") << 0 << u"Notiz.txt"_s << abc << true << u"x"_s << QByteArray("xabc\r\n")
                                    << QString();
    QTest::newRow("blanks, umlauts, several dots")
        << 0 << u"Grüße an v1.2.txt"_s << abc << false << u"x"_s << QByteArray("xabc\r\n") << QString();
    QTest::newRow("class") << 1 << u"Modul.cls"_s << abc << false << u"x"_s << QByteArray("xabc\r\n") << QString();
    QTest::newRow("project folder") << 2 << u"Projekt/Quandel.ini"_s << abc << false << u"x"_s << QByteArray("xabc\r\n")
                                    << QString();
    QTest::newRow("project folder without Quandel.ini")
        << 2 << u"Projekt/Quandel.ini"_s << QByteArray() << false << u"abc"_s << abc << QString();
}

void TestDocumentLibrary::editsAreSaved()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, before);
    const QString path = m_f->folder + u'/' + file;
    if (before.isNull()) {
        QDir().mkpath(QFileInfo(path).absolutePath());
    } else {
        m_f->put(file, before);
    }
    QFETCH(bool, readOnly);
    if (readOnly) {
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    }
    QFETCH(int, kind);
    QVERIFY(m_f->start(kind));
    QFETCH(QString, typed);
    type(typed);
    QVERIFY(m_f->state().mChange);
    trigger(u"mnuspeichern"_s);

    QFETCH(QByteArray, after);
    QCOMPARE(bytesOf(path), after);
    QVERIFY(!m_f->state().mChange);
    QVERIFY(QFileInfo(path).permissions() & QFileDevice::WriteOwner);
    QFETCH(QString, infoFor);
    const auto messages = m_f->prompts.callsOf(u"message"_s);
    QCOMPARE(messages.size(), infoFor.isEmpty() ? 0 : 1);
    if (!infoFor.isEmpty()) {
        QVERIFY(messages.first().text.startsWith(infoFor + u' '));
        QCOMPARE(messages.first().icon, Prompts::Icon::Information);
    }
}

void TestDocumentLibrary::userEditsMarkChanged_data()
{
    QTest::addColumn<QString>("savedFirst"); // typed and saved before the keys
    QTest::addColumn<QString>("keys");       // key sequences, comma-separated
    QTest::addColumn<bool>("changed");
    QTest::newRow("a") << QString() << u"A"_s << true;
    QTest::newRow("c") << QString() << u"C"_s << true;
    QTest::newRow("f") << QString() << u"F"_s << true;
    QTest::newRow("return") << QString() << u"Return"_s << true;
    QTest::newRow("delete") << QString() << u"Del"_s << true;
    QTest::newRow("paste") << QString() << u"Ctrl+V"_s << true;
    QTest::newRow("undo after saving") << u"x"_s << u"Ctrl+Z"_s << true;
    QTest::newRow("moving the caret") << QString() << u"Down,End"_s << false;
    QTest::newRow("select all and copy") << QString() << u"Ctrl+A,Ctrl+C"_s << false;
}

void TestDocumentLibrary::userEditsMarkChanged()
{
    m_f->put(u"Notiz.txt"_s, "abc\r\ndef\r\n");
    QGuiApplication::clipboard()->setText(u"eingefügt"_s);
    QVERIFY(m_f->start());
    QVERIFY(!m_f->state().mChange);
    QFETCH(QString, savedFirst);
    if (!savedFirst.isEmpty()) {
        type(savedFirst);
        trigger(u"mnuspeichern"_s);
        QVERIFY(!m_f->state().mChange);
    }
    QFETCH(QString, keys);
    for (const QString &key : keys.split(u',')) {
        QTest::keySequence(m_f->editor(), QKeySequence(key));
    }
    QFETCH(bool, changed);
    QCOMPARE(m_f->state().mChange, changed);
}

void TestDocumentLibrary::answerWhenSelectingAnotherEntry_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("mouse");
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<QByteArray>("saved");
    QTest::addColumn<int>("asked"); // questions after selecting the other entry once more

    for (const int kind : {0, 2}) {
        for (const bool mouse : {false, true}) {
            const char *what = kind == 0 ? "document" : "project";
            const char *how = mouse ? "click" : "code";
            QTest::addRow("%s, %s, cancel", what, how)
                << kind << mouse << Answer::Cancel << 0 << u"Xeins\n"_s << true << QByteArray("eins\r\n") << 2;
            QTest::addRow("%s, %s, no", what, how)
                << kind << mouse << Answer::No << 1 << u"zwei\n"_s << false << QByteArray("eins\r\n") << 1;
            QTest::addRow("%s, %s, yes", what, how)
                << kind << mouse << Answer::Yes << 0 << u"Xeins\n"_s << false << QByteArray("Xeins\r\n") << 1;
        }
    }
}

void TestDocumentLibrary::answerWhenSelectingAnotherEntry()
{
    QFETCH(int, kind);
    const QString first = m_f->put(kind == 0 ? u"Eins.txt"_s : u"Eins/Quandel.ini"_s, "eins\r\n");
    m_f->put(kind == 0 ? u"Zwei.txt"_s : u"Zwei/Quandel.ini"_s, "zwei\r\n");
    QVERIFY(m_f->start(kind));
    type(u"X"_s);
    QFETCH(bool, mouse);
    QFETCH(Answer, answer);
    m_f->prompts.messageAnswers.enqueue(answer);
    select(1, mouse);

    const auto messages = m_f->prompts.callsOf(u"message"_s);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first().text, question(u"Eins"_s));
    QCOMPARE(messages.first().title, Caption);
    QCOMPARE(messages.first().buttons, Prompts::Buttons::YesNoCancel);
    QCOMPARE(messages.first().icon, Prompts::Icon::Exclamation);
    QFETCH(int, row);
    QCOMPARE(m_f->list()->currentRow(), row);
    QCOMPARE(m_f->list()->selectedItems(), QList<QListWidgetItem *>{m_f->list()->currentItem()});
    QCOMPARE(m_f->state().mIndex, row);
    QFETCH(QString, shown);
    QCOMPARE(m_f->shownText(), shown);
    QFETCH(bool, changed);
    QCOMPARE(m_f->state().mChange, changed);
    QFETCH(QByteArray, saved);
    QCOMPARE(bytesOf(first), saved);

    // Selecting it again asks only while the changes are still unsaved.
    m_f->prompts.messageAnswers.enqueue(Answer::No);
    select(0, mouse);
    select(1, mouse);
    QFETCH(int, asked);
    QCOMPARE(m_f->prompts.callsOf(u"message"_s).size(), asked);
    QCOMPARE(m_f->shownText(), u"zwei\n"_s);
    QCOMPARE(m_f->list()->currentRow(), 1);
}

void TestDocumentLibrary::commandsAskFirst_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<Answer>("answer");
    for (const QString &command :
         {u"mnuaktualisieren"_s, u"mnuAnsicht_1"_s, u"mnuneues_0"_s, u"mnubeenden"_s, u"mnuverzeichnis"_s}) {
        QTest::newRow(qPrintable(command + u", cancel"_s)) << command << Answer::Cancel;
        QTest::newRow(qPrintable(command + u", yes"_s)) << command << Answer::Yes;
    }
}

void TestDocumentLibrary::commandsAskFirst()
{
    const QString first = m_f->put(u"Eins.txt"_s, "eins\r\n");
    m_f->put(u"Zwei.txt"_s, "zwei\r\n");
    QVERIFY(m_f->start());
    type(u"X"_s);
    QFETCH(Answer, answer);
    m_f->prompts.messageAnswers.enqueue(answer);
    QFETCH(QString, command);
    m_f->prompts.folderAnswers.enqueue(QString()); // after saving, the folder choice is cancelled
    trigger(command);

    const auto messages = m_f->prompts.callsOf(u"message"_s);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first().text, question(u"Eins"_s));
    QCOMPARE(m_f->shownText(), u"Xeins\n"_s);
    QCOMPARE(m_f->list()->currentRow(), 0);
    QVERIFY(!m_f->root->hasEnded());
    if (answer == Answer::Yes) {
        QCOMPARE(bytesOf(first), QByteArray("Xeins\r\n"));
        QVERIFY(!m_f->state().mChange);
        return;
    }
    QCOMPARE(bytesOf(first), QByteArray("eins\r\n"));
    QVERIFY(m_f->state().mChange);
    QCOMPARE(m_f->root->checkedKind(), 0);
    QVERIFY(m_f->prompts.callsOf(u"folder"_s).isEmpty());
    // Cancelling leaves nothing pending: the next selection asks again.
    m_f->prompts.messageAnswers.enqueue(Answer::No);
    m_f->list()->setCurrentRow(1);
    QCOMPARE(m_f->prompts.callsOf(u"message"_s).size(), 2);
    QCOMPARE(m_f->shownText(), u"zwei\n"_s);
}

void TestDocumentLibrary::newThenSaveAs_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("fromCheck"); // saved by answering Yes when selecting an entry
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("proposed");
    QTest::addColumn<QStringList>("filters");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("shown");

    const QString all = u"Alle Dateitypen (*)"_s;
    const QStringList help = {u"Hilfe Dokumente (*.txt)"_s, all};
    QTest::newRow("help document") << 0 << false << u"Notiz.txt"_s << u"Unbenannt.txt"_s << help << u"Notiz"_s
                                   << u"abc\n"_s;
    QTest::newRow("no extension: not listed, first entry")
        << 0 << false << u"Notiz"_s << u"Unbenannt.txt"_s << help << u"Alt"_s << u"alt\n"_s;
    // The class just written is shown, not the module of the same name.
    QTest::newRow("class beside a module of the same name")
        << 1 << false << u"Modul.cls"_s << u"Unbenannt.bas"_s << QStringList{u"Module (*.bas)"_s, all} << u"Modul\t"_s
        << u"abc\n"_s;
    QTest::newRow("help project") << 3 << false << u"Hilfe.vbp"_s << u"Unbenannt.vbp"_s
                                  << QStringList{u"Projekt Vorbereitungen (*.vbp)"_s, all} << u"Hilfe"_s << u"abc\n"_s;
    QTest::newRow("from the check") << 0 << true << u"Neu.txt"_s << u"Unbenannt.txt"_s << help << u"Neu"_s
                                    << u"abc\n"_s;
}

void TestDocumentLibrary::newThenSaveAs()
{
    m_f->put(u"Alt.txt"_s, "alt\r\n");
    m_f->put(u"Modul.bas"_s, "modul\r\n");
    QVERIFY(m_f->start());
    QFETCH(int, kind);
    trigger(u"mnuneues_%1"_s.arg(kind));
    QCOMPARE(m_f->root->checkedKind(), kind);
    QCOMPARE(m_f->list()->currentRow(), -1);
    QVERIFY(m_f->list()->selectedItems().isEmpty());
    QCOMPARE(m_f->shownText(), QString());
    QCOMPARE(m_f->state().mIndex, -1);
    QCOMPARE(m_f->state().mFile, u"Unbenannt"_s);
    QVERIFY(!m_f->state().mChange);

    type(u"abc"_s);
    QFETCH(QString, chosen);
    m_f->prompts.saveAnswers.enqueue(m_f->folder + u'/' + chosen);
    QFETCH(bool, fromCheck);
    if (fromCheck) {
        m_f->prompts.messageAnswers.enqueue(Answer::Yes);
        m_f->list()->setCurrentRow(0);
    } else {
        trigger(u"mnuspeichernunter"_s);
    }

    const auto saves = m_f->prompts.callsOf(u"save"_s);
    QCOMPARE(saves.size(), 1);
    QCOMPARE(saves.first().save.title, u"Speichern unter ..."_s);
    QFETCH(QString, proposed);
    QCOMPARE(saves.first().save.proposedPath, m_f->folder + u'/' + proposed);
    QFETCH(QStringList, filters);
    QCOMPARE(saves.first().save.filters, filters);
    // New documents are Windows-1252 with CR LF.
    QCOMPARE(bytesOf(m_f->folder + u'/' + chosen), QByteArray("abc\r\n"));
    QFETCH(QString, selected);
    QVERIFY(m_f->list()->currentItem());
    QCOMPARE(m_f->list()->currentItem()->text(), selected);
    QCOMPARE(m_f->state().mIndex, m_f->list()->currentRow());
    // A class entry carries a tab after the name; the editing state keeps the name.
    QCOMPARE(m_f->state().mFile, selected.endsWith(u'\t') ? selected.chopped(1) : selected);
    QFETCH(QString, shown);
    QCOMPARE(m_f->shownText(), shown);
    QVERIFY(!m_f->state().mChange);
}

void TestDocumentLibrary::cancelledSaveAsOfUntitledStopsTheNextCheck()
{
    m_f->put(u"Alt.txt"_s, "alt\r\n");
    QVERIFY(m_f->start());
    trigger(u"mnuneues_0"_s);
    type(u"abc"_s);
    m_f->prompts.saveAnswers.enqueue(QString()); // cancelled
    trigger(u"mnuspeichernunter"_s);
    QVERIFY(m_f->state().mChange);
    trigger(u"mnuaktualisieren"_s);
    QVERIFY(m_f->prompts.callsOf(u"message"_s).isEmpty());
    QCOMPARE(m_f->shownText(), u"abc"_s);
    QCOMPARE(m_f->list()->currentRow(), -1);

    m_f->prompts.messageAnswers.enqueue(Answer::No);
    trigger(u"mnuaktualisieren"_s);
    QCOMPARE(m_f->prompts.callsOf(u"message"_s).size(), 1);
    QCOMPARE(m_f->shownText(), u"alt\n"_s);
}

void TestDocumentLibrary::newProjectAsksForItsName_data()
{
    QTest::addColumn<QStringList>("names"); // typed and confirmed in turn; then Abbrechen
    QTest::addColumn<int>("refused");
    QTest::addColumn<bool>("fromCheck"); // saved by answering Yes when selecting an entry
    QTest::addColumn<QString>("created");

    QTest::newRow("created and selected") << QStringList{u"Gamma"_s} << 0 << false << u"Gamma"_s;
    QTest::newRow("from the unsaved-changes question") << QStringList{u"Gamma"_s} << 0 << true << u"Gamma"_s;
    // Beside Alt, alt would be the same folder on a memory stick.
    QTest::newRow("existing names refused")
        << QStringList{u"Alt"_s, u"alt"_s, u"Notiz.txt"_s, u"Gamma"_s} << 3 << false << u"Gamma"_s;
    QTest::newRow("no folder names refused")
        << QStringList{u"a:b"_s, u".."_s, u"x/y"_s, QString(256, u'a'), u"Gamma"_s} << 4 << false << u"Gamma"_s;
    QTest::newRow("cancelled") << QStringList{} << 0 << false << QString();
    QTest::newRow("cancelled after a refusal") << QStringList{u"Alt"_s} << 1 << true << QString();
}

void TestDocumentLibrary::newProjectAsksForItsName()
{
    m_f->put(u"Alt/Quandel.ini"_s, "alt\r\n");
    m_f->put(u"Beta/Quandel.ini"_s, "beta\r\n");
    m_f->put(u"Notiz.txt"_s, "notiz\r\n");
    QVERIFY(m_f->start(2));
    const QStringList before = RootFixture::tree(m_f->folder);
    trigger(u"mnuneues_2"_s);
    QCOMPARE(m_f->list()->currentRow(), -1);
    type(u"Grüße"_s);

    QFETCH(QStringList, names);
    QString proposed;
    m_f->prompts.dialogHandlers.enqueue([&](QDialog &dialog) {
        auto *text1 = dialog.findChild<QLineEdit *>(u"Text1"_s);
        proposed = text1->text();
        for (const QString &name : std::as_const(names)) {
            text1->setText(name);
            dialog.findChild<QPushButton *>(u"CReady"_s)->click();
        }
        if (dialog.result() != QDialog::Accepted) {
            dialog.findChild<QPushButton *>(u"CAbbrechen"_s)->click();
        }
        return dialog.result();
    });
    QFETCH(bool, fromCheck);
    if (fromCheck) {
        m_f->prompts.messageAnswers.enqueue(Answer::Yes);
        m_f->list()->setCurrentRow(1);
    } else {
        trigger(u"mnuspeichern"_s);
    }

    QCOMPARE(m_f->prompts.callsOf(u"dialog"_s).size(), 1);
    QCOMPARE(m_f->prompts.callsOf(u"dialog"_s).first().text, u"NeuesProjekt"_s);
    QCOMPARE(proposed, u"Neues Projekt"_s);
    // No file dialog: a project is a folder of the library.
    QVERIFY(m_f->prompts.callsOf(u"save"_s).isEmpty());
    int refusals = 0;
    for (const auto &call : m_f->prompts.callsOf(u"message"_s)) {
        refusals += call.title == u" Neues Projekt"_s ? 1 : 0;
    }
    QFETCH(int, refused);
    QCOMPARE(refusals, refused);
    QFETCH(QString, created);
    if (created.isEmpty()) {
        QCOMPARE(RootFixture::tree(m_f->folder), before);
        QCOMPARE(m_f->shownText(), u"Grüße"_s);
        QVERIFY(m_f->state().mChange);
        QCOMPARE(m_f->list()->currentRow(), -1);
        return;
    }
    QStringList after = QStringList(before) << created + u'/' << created + u"/Quandel.ini"_s;
    after.sort();
    QCOMPARE(RootFixture::tree(m_f->folder), after);
    // In the library's character set, with CR LF.
    QCOMPARE(bytesOf(m_f->folder + u'/' + created + u"/Quandel.ini"_s), QByteArray("Gr\xfc\xdf"
                                                                                   "e\r\n"));
    QVERIFY(m_f->list()->currentItem());
    QCOMPARE(m_f->list()->currentItem()->text(), created);
    QCOMPARE(m_f->state().mIndex, m_f->list()->currentRow());
    QCOMPARE(m_f->state().mFile, created);
    QCOMPARE(m_f->shownText(), u"Grüße\n"_s);
    QVERIFY(!m_f->state().mChange);
}

void TestDocumentLibrary::nameNotInUtf8IsOfferedItsWindows1252Reading_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("stem"); // as a Windows archive unpacks on a UTF-8 system
    QTest::addColumn<QString>("command"); // empty: the user selects the entry
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<bool>("taken"); // the Windows-1252 reading names another file
    QTest::addColumn<QString>("refusal");

    const QByteArray latin("lat\xe4in");
    QTest::newRow("selected, renamed") << 0 << latin << QString() << Answer::Yes << false << QString();
    QTest::newRow("selected, kept") << 0 << latin << QString() << Answer::No << false << QString();
    QTest::newRow("name taken") << 0 << latin << QString() << Answer::Yes << true << u"Es gibt bereits latäin.txt"_s;
    // Each ä takes two bytes in UTF-8: 263 are too many for a name.
    QTest::newRow("reading too long") << 0 << QByteArray("Z") + QByteArray(129, '\xe4') << QString() << Answer::Yes
                                      << false << u" konnte nicht umbenannt werden. "_s;
    QTest::newRow("delete asks first") << 0 << latin << u"mnuloesche"_s << Answer::No << false << QString();
    QTest::newRow("save asks first") << 0 << latin << u"mnuspeichern"_s << Answer::Yes << false << QString();
    QTest::newRow("favourite asks first") << 0 << latin << u"mnuhinzufügen"_s << Answer::No << false << QString();
    // The first entry, selected by the list itself: asked about only when
    // the user runs a command on it.
    QTest::newRow("project folder, rename") << 2 << latin << u"mnuUmbenennen"_s << Answer::Yes << false << QString();
}

void TestDocumentLibrary::nameNotInUtf8IsOfferedItsWindows1252Reading()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, stem);
    QFETCH(QString, command);
    QFETCH(Answer, answer);
    QFETCH(bool, taken);
    QFETCH(QString, refusal);
    const bool project = kind == 2;
    const QByteArray foreign = project ? stem : stem + ".txt";
    const QString shown = QString::fromLatin1(stem);
    const QString reading = QString::fromLatin1(foreign);
    const QString proper = project ? reading + u"/Quandel.ini"_s : reading;
    if (project) {
        QVERIFY(putRaw(m_f->folder, foreign, {}, true));
        QVERIFY(putRaw(m_f->folder, foreign + "/Quandel.ini", "latein\r\n"));
    } else {
        QVERIFY(putRaw(m_f->folder, foreign, "latein\r\n"));
    }
    // Where the user selects the entry it is the second; the first is shown
    // at the start without a question.
    if (command.isEmpty()) {
        m_f->put(u"Alt.txt"_s, "alt\r\n");
    }
    if (taken) {
        m_f->put(reading, "anders\r\n");
    }
    QVERIFY(m_f->start(kind));
    const int row = command.isEmpty() ? 1 : 0;
    QCOMPARE(m_f->entries().at(row), shown);
    const QListWidgetItem *item = m_f->list()->item(row);
    QVERIFY(!item->icon().isNull());
    QVERIFY(item->data(Qt::AccessibleDescriptionRole).toString().contains(u"nicht in UTF-8"_s));

    QCOMPARE(m_f->list()->currentRow(), command.isEmpty() ? 0 : row);
    m_f->prompts.messageAnswers.enqueue(answer);
    if (command.isEmpty()) {
        m_f->list()->setCurrentRow(row);
    } else {
        m_f->run(command);
    }
    const auto messages = m_f->prompts.callsOf(u"message"_s);
    QVERIFY(!messages.isEmpty());
    QVERIFY(messages.first().text.contains(u"Möchten Sie es in "_s + reading + u" umbenennen ? "_s));
    QCOMPARE(messages.size(), refusal.isEmpty() ? 1 : 2);
    if (!refusal.isEmpty()) {
        QVERIFY(messages.last().text.contains(refusal));
    }
    // Nothing is lost, whatever the answer.
    const bool renamed = answer == Answer::Yes && refusal.isEmpty();
    QCOMPARE(rawExists(m_f->folder, foreign), !renamed);
    QCOMPARE(bytesOf(m_f->folder + u'/' + proper), renamed ? QByteArray("latein\r\n")
                                                   : taken ? QByteArray("anders\r\n")
                                                           : QByteArray());
    if (renamed) {
        QCOMPARE(m_f->list()->currentItem()->text(), shown);
        QVERIFY(m_f->list()->currentItem()->icon().isNull());
        QCOMPARE(m_f->shownText(), u"latein\n"_s);
    } else {
        // Under the name listed no command reaches the file: nothing shown,
        // nothing saved.
        QCOMPARE(m_f->shownText(), QString());
        QVERIFY(m_f->editor()->isReadOnly());
    }
    QVERIFY(m_f->prompts.callsOf(u"dialog"_s).isEmpty());
}

void TestDocumentLibrary::saveFailureKeepsTheText_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("breakage");
    QTest::addColumn<bool>("fromCheck"); // saved by answering Yes on Refresh
    QTest::addColumn<QString>("name");
    QTest::newRow("document folder deleted") << 0 << u"deleteFolder"_s << false << u"Notiz.txt"_s;
    QTest::newRow("document folder deleted, Yes on refresh") << 0 << u"deleteFolder"_s << true << u"Notiz.txt"_s;
    QTest::newRow("document replaced by a folder") << 0 << u"folderInPlace"_s << false << u"Notiz.txt"_s;
    QTest::newRow("project text replaced by a folder") << 2 << u"folderInPlace"_s << false << u"Projekt"_s;
    QTest::newRow("project text replaced by a folder, Yes on refresh")
        << 2 << u"folderInPlace"_s << true << u"Projekt"_s;
    QTest::newRow("save as onto a folder") << 0 << u"saveAsOntoFolder"_s << false << u"Ordner.txt"_s;
    QTest::newRow("save as onto a link to a device") << 0 << u"saveAsOntoDeviceLink"_s << false << u"Geraet.txt"_s;
    QTest::newRow("read-only document, disk full") << 0 << u"readOnlyDiskFull"_s << false << u"Notiz.txt"_s;
}

void TestDocumentLibrary::saveFailureKeepsTheText()
{
    QFETCH(int, kind);
    const QString path = m_f->put(kind == 0 ? u"Notiz.txt"_s : u"Projekt/Quandel.ini"_s, "abc\r\n");
    QVERIFY(m_f->start(kind));
    type(u"x"_s);

    QFETCH(QString, breakage);
    QFETCH(bool, fromCheck);
    QString command = u"mnuspeichern"_s;
    if (breakage == u"deleteFolder") {
        QVERIFY(QDir(m_f->folder).removeRecursively());
    } else if (breakage == u"folderInPlace") {
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkdir(path));
    } else if (breakage == u"saveAsOntoDeviceLink") {
        if (m_f->env.makeSpecial(u"Dokumente/Geraet.txt"_s, u"null link"_s).isEmpty()) {
            QSKIP("this machine cannot make a device");
        }
        m_f->prompts.saveAnswers.enqueue(m_f->folder + u"/Geraet.txt"_s);
        command = u"mnuspeichernunter"_s;
    } else if (breakage == u"readOnlyDiskFull") {
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
    } else {
        QVERIFY(QDir(m_f->folder).mkdir(u"Ordner.txt"_s));
        m_f->prompts.saveAnswers.enqueue(m_f->folder + u"/Ordner.txt"_s);
        command = u"mnuspeichernunter"_s;
    }
    if (fromCheck) {
        m_f->prompts.messageAnswers.enqueue(Answer::Yes);
        command = u"mnuaktualisieren"_s;
    }
    {
        // No file may grow beyond a few bytes: what a full disk does.
        std::optional<DiskFillsAt> full;
        if (breakage == u"readOnlyDiskFull") {
            full.emplace(2);
        }
        trigger(command);
    }
    if (breakage == u"saveAsOntoDeviceLink") {
        QCOMPARE(TestEnvironment::nodeKind(m_f->folder + u"/Geraet.txt.node"_s), u"char device"_s);
        QVERIFY(QFileInfo(m_f->folder + u"/Geraet.txt"_s).isSymLink());
    }
    if (breakage == u"readOnlyDiskFull") {
        // Still read-only: the failed save must not leave it writable.
        QCOMPARE(QFile::permissions(path) & QFile::Permissions::fromInt(0x7077), QFile::ReadOwner | QFile::ReadGroup);
        QCOMPARE(bytesOf(path), QByteArray("abc\r\n"));
    }

    const auto messages = m_f->prompts.callsOf(u"message"_s);
    QCOMPARE(messages.size(), fromCheck ? 2 : 1);
    QFETCH(QString, name);
    QCOMPARE(messages.last().text, saveFailure(name));
    QCOMPARE(messages.last().title, u" "_s + Caption);
    QCOMPARE(messages.last().buttons, Prompts::Buttons::Ok);
    QCOMPARE(messages.last().icon, Prompts::Icon::Critical);
    QCOMPARE(m_f->shownText(), u"xabc\n"_s);
    QVERIFY(m_f->state().mChange);
    QCOMPARE(m_f->list()->currentRow(), 0);
    if (breakage == u"saveAsOntoFolder") {
        QCOMPARE(m_f->prompts.callsOf(u"save"_s).first().save.proposedPath, path);
        QCOMPARE(bytesOf(path), QByteArray("abc\r\n"));
    }
}

void TestDocumentLibrary::documentNotShownFaithfullyIsNeverWritten_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("deleted"); // removed between listing and loading
    QTest::addColumn<bool>("explained");

    QByteArray binary;
    for (int b = 255; b >= 0; --b) {
        binary.append(static_cast<char>(b));
    }
    QTest::newRow("all byte values") << binary << false << false;
    QTest::newRow("lone CR in an LF file") << QByteArray("a\nb\rc\n") << false << false;
    QTest::newRow("NUL bytes") << QByteArray("a\0b\r\n", 5) << false << false;
    QTest::newRow("over 16 MiB") << QByteArray(16 * 1024 * 1024 + 1, 'a') << false << true;
    QTest::newRow("a line too long to show")
        << "a\r\n" + QByteArray(EditorDocument::MaxLineChars + 1, 'b') << false << true;
    QTest::newRow("deleted before loading") << QByteArray("abc\r\n") << true << true;
}

void TestDocumentLibrary::documentNotShownFaithfullyIsNeverWritten()
{
    m_f->put(u"Aaa.txt"_s, "aaa\r\n");
    QFETCH(QByteArray, bytes);
    const QString path = m_f->put(u"Doc.txt"_s, bytes);
    QVERIFY(m_f->start());
    QFETCH(bool, deleted);
    if (deleted) {
        QVERIFY(QFile::remove(path));
    }
    m_f->list()->setCurrentRow(1);
    QVERIFY(m_f->editor()->isReadOnly());
    QVERIFY(!m_f->root->library()->isDocumentLoaded());
    QVERIFY(!m_f->state().mChange);
    QFETCH(bool, explained);
    QCOMPARE(!m_f->editor()->placeholderText().isEmpty(), explained);
    QCOMPARE(m_f->shownText().isEmpty(), explained);

    trigger(u"mnuspeichern"_s);
    m_f->prompts.saveAnswers.enqueue(path);
    trigger(u"mnuspeichernunter"_s);
    QCOMPARE(QFileInfo::exists(path), !deleted);
    QCOMPARE(bytesOf(path), deleted ? QByteArray() : bytes);
}

void TestDocumentLibrary::specialOrHugeDocumentIsExplainedNotRead_data()
{
    QTest::addColumn<QString>("kind"); // "huge": a sparse 2 GiB file
    QTest::addColumn<QString>("reason");

    const QString special = u"keine gewöhnliche Datei"_s;
    QTest::newRow("named pipe") << u"fifo"_s << special;
    QTest::newRow("link to /dev/zero") << u"zero link"_s << special;
    QTest::newRow("device") << u"null"_s << special;
    QTest::newRow("2 GiB") << u"huge"_s << u"zu groß"_s;
}

// The first document of the list being a named pipe kept the window from
// ever appearing; a huge one was hashed whole on the window thread first.
void TestDocumentLibrary::specialOrHugeDocumentIsExplainedNotRead()
{
    QFETCH(QString, kind);
    const QString relative = u"Dokumente/Aaa.txt"_s;
    QString path;
    if (kind == u"huge") {
        path = m_f->env.path(relative);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(2ll * 1024 * 1024 * 1024));
    } else {
        path = m_f->env.makeSpecial(relative, kind);
    }
    if (path.isEmpty()) {
        QSKIP("this machine cannot make such a node");
    }
    const QString kindBefore = TestEnvironment::nodeKind(path);
    m_f->put(u"Bbb.txt"_s, "bbb\r\n");
    // A pipe that was opened for reading never returns (the test then runs
    // into its time-out); a huge file read whole shows in the bytes read.
    const qint64 readBefore = bytesReadSoFar();
    QVERIFY(m_f->start());
    m_f->list()->setCurrentRow(1);
    m_f->list()->setCurrentRow(0);
    trigger(u"mnuaktualisieren"_s);
    if (readBefore >= 0) {
        const qint64 read = bytesReadSoFar() - readBefore;
        QVERIFY2(read < 64ll * 1024 * 1024, qPrintable(QString::number(read)));
    }

    QCOMPARE(m_f->list()->currentRow(), 0);
    QVERIFY(m_f->editor()->isReadOnly());
    QVERIFY(!m_f->root->library()->isDocumentLoaded());
    QFETCH(QString, reason);
    QVERIFY2(m_f->editor()->placeholderText().contains(reason), qPrintable(m_f->editor()->placeholderText()));
    trigger(u"mnuspeichern"_s);
    QCOMPARE(TestEnvironment::nodeKind(path), kindBefore);
}

void TestDocumentLibrary::tenThousandDocuments()
{
    for (int i = 0; i < 10000; ++i) {
        m_f->put(u"Dok%1.txt"_s.arg(i, 5, 10, QLatin1Char('0')), "Dok\r\n" + QByteArray::number(i));
    }
    QVERIFY(m_f->start());
    QCOMPARE(m_f->list()->count(), 10000);
    QCOMPARE(entries(u"Dateien_Imt"_s).size(), 10000);
    QCOMPARE(m_f->list()->item(9999)->text(), u"Dok09999"_s);
    QCOMPARE(m_f->list()->currentRow(), 0);
    QCOMPARE(m_f->shownText(), u"Dok\n0"_s);
}

void TestDocumentLibrary::openWithDefaultApplication_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("succeed");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("message");
    QTest::newRow("help document") << 0 << true << u"Notiz.txt"_s << QString();
    QTest::newRow("help document fails") << 0 << false << u"Notiz.txt"_s
                                         << u"Notiz.txt konnte nicht geöffnet werden. \nKeine Anwendung gefunden."_s;
    QTest::newRow("project folder fails")
        << 2 << false << u"Projekt"_s << u"Projekt konnte nicht geöffnet werden. \nKeine Anwendung gefunden."_s;
}

void TestDocumentLibrary::openWithDefaultApplication()
{
    m_f->put(u"Notiz.txt"_s, "abc\r\n");
    m_f->put(u"Projekt/Quandel.ini"_s, "abc\r\n");
    QFETCH(int, kind);
    QVERIFY(m_f->start(kind));
    QFETCH(bool, succeed);
    m_f->shell.succeed = succeed;
    trigger(u"mnuoeffnen"_s);

    const auto opened = m_f->shell.requestsOf(u"open"_s);
    QCOMPARE(opened.size(), 1);
    QFETCH(QString, target);
    QCOMPARE(opened.first().target, m_f->folder + u'/' + target);
    QFETCH(QString, message);
    const auto messages = m_f->prompts.callsOf(u"message"_s);
    QCOMPARE(messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(messages.first().text, message);
        QCOMPARE(messages.first().title, u" "_s + Caption);
        QCOMPARE(messages.first().icon, Prompts::Icon::Critical);
    }
    // An untitled document has nothing to open.
    trigger(u"mnuneues_%1"_s.arg(kind));
    trigger(u"mnuoeffnen"_s);
    QCOMPARE(m_f->shell.requestsOf(u"open"_s).size(), 1);
}

void TestDocumentLibrary::chooseFolder_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("chosen") << u"Anders"_s << QStringList{u"Fremd"_s};
    QTest::newRow("cancelled") << QString() << QStringList{u"Notiz"_s};
}

void TestDocumentLibrary::chooseFolder()
{
    m_f->put(u"Notiz.txt"_s, "abc\r\n");
    const QString other = QFileInfo(m_f->env.writeFile(u"Anders/Fremd.txt"_s, "fremd\r\n")).absolutePath();
    QVERIFY(m_f->start());
    QFETCH(QString, answer);
    m_f->prompts.folderAnswers.enqueue(answer.isEmpty() ? QString() : other);
    trigger(u"mnuverzeichnis"_s);

    const auto prompts = m_f->prompts.callsOf(u"folder"_s);
    QCOMPARE(prompts.size(), 1);
    QCOMPARE(prompts.first().text,
             u"Bitte wählen Sie den Ordner, indem ihre Dokumente \nund Projekte verwalten werden sollen ..."_s);
    QCOMPARE(m_f->root->documentFolder(), answer.isEmpty() ? m_f->folder : other);
    QFETCH(QStringList, listed);
    QCOMPARE(entries(), listed);
    QCOMPARE(m_f->list()->currentRow(), 0);
}

void TestDocumentLibrary::webViewFollowsTheSelection()
{
    const QString eins = m_f->put(u"Eins.txt"_s, "<html><body>eins</body></html>\r\n");
    const QString zwei = m_f->put(u"Zwei.txt"_s, "zwei\r\n");
    QVERIFY(m_f->start());
    auto *web = m_f->root->findChild<WebView *>(u"WebBrowser"_s);
    QAction *webAction = m_f->root->findChild<QAction *>(u"mnuWebansicht"_s);
    trigger(u"mnuWebansicht"_s);
    QVERIFY(webAction->isChecked());
    QVERIFY(!web->isHidden());
    QVERIFY(m_f->editor()->isHidden());
    QCOMPARE(web->currentUrl(), QUrl::fromLocalFile(eins));
    m_f->list()->setCurrentRow(1);
    QCOMPARE(web->currentUrl(), QUrl::fromLocalFile(zwei));
    QCOMPARE(m_f->shownText(), u"zwei\n"_s);

    // Only help documents have a rendered view.
    trigger(u"mnuAnsicht_1"_s);
    QVERIFY(web->isHidden());
    QVERIFY(!webAction->isChecked());
    QVERIFY(!m_f->editor()->isHidden());

    trigger(u"mnuAnsicht_0"_s);
    QTest::mouseClick(m_f->list()->viewport(), Qt::RightButton);
    QVERIFY(webAction->isChecked());
    QTest::mouseClick(m_f->list()->viewport(), Qt::RightButton);
    QVERIFY(!webAction->isChecked());
    QVERIFY(m_f->prompts.calls.isEmpty());
}

QTEST_MAIN(TestDocumentLibrary)
#include "tst_documentlibrary.moc"
