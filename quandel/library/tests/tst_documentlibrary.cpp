#include "DocumentKinds.h"
#include "DocumentLibrary.h"
#include "RecordingShell.h"
#include "Registry.h"
#include "Root.h"
#include "ScriptedPrompts.h"
#include "TestEnvironment.h"
#include "WebView.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using Answer = Prompts::Answer;

namespace {

const QString Caption = u"Tivorn Quandel Library"_s;

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString question(const QString &name)
{
    return name + u"\nwurde geändert.\n\nMöchten Sie die Änderungen speichern ? "_s;
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
    void saveFailureKeepsTheText_data();
    void saveFailureKeepsTheText();
    void documentNotShownFaithfullyIsNeverWritten_data();
    void documentNotShownFaithfullyIsNeverWritten();
    void tenThousandDocuments();
    void openWithDefaultApplication_data();
    void openWithDefaultApplication();
    void chooseFolder_data();
    void chooseFolder();
    void webViewFollowsTheSelection();

private:
    QString put(const QString &relative, const QByteArray &bytes) const;
    bool start(int kind = 0);
    QListWidget *list() const { return m_root->findChild<QListWidget *>(u"Dateien"_s); }
    QPlainTextEdit *editor() const { return m_root->findChild<QPlainTextEdit *>(u"Text"_s); }
    QString shownText() const { return DocumentLibrary::editorText(editor()); }
    const EditingState &state() const { return m_root->library()->state(); }
    void trigger(const QString &action) const { m_root->findChild<QAction *>(action)->trigger(); }
    void type(const QString &text) const;
    void select(int row, bool mouse) const;
    QStringList entries(const QString &listName = u"Dateien"_s) const;

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<ScriptedPrompts> m_prompts;
    std::unique_ptr<RecordingShell> m_shell;
    std::unique_ptr<Root> m_root;
    QString m_folder;
};

void TestDocumentLibrary::init()
{
    m_env = std::make_unique<TestEnvironment>();
    m_prompts = std::make_unique<ScriptedPrompts>();
    m_shell = std::make_unique<RecordingShell>();
    m_folder = m_env->path(u"Dokumente"_s);
    QDir().mkpath(m_folder);
}

void TestDocumentLibrary::cleanup()
{
    m_root.reset();
    m_shell.reset();
    m_prompts.reset();
    m_env.reset();
}

QString TestDocumentLibrary::put(const QString &relative, const QByteArray &bytes) const
{
    return m_env->writeFile(u"Dokumente/"_s + relative, bytes);
}

bool TestDocumentLibrary::start(int kind)
{
    const QString key = u"Software\\Tivorn\\Quandel Library"_s;
    Registry::CreateRegKey(Registry::Root::CurrentUser, key, u"1"_s);
    Registry::SetRegValue(Registry::Root::CurrentUser, key, u"Version"_s, u"2.5"_s);
    Registry::SetRegValue(Registry::Root::CurrentUser, key, u"Startup"_s, 1);
    Registry::SetRegValue(Registry::Root::CurrentUser, key, u"Pattern"_s, QString::number(kind));
    m_root = std::make_unique<Root>(RootOptions{m_folder});
    return m_root->start() && m_prompts->calls.isEmpty();
}

void TestDocumentLibrary::type(const QString &text) const
{
    for (const QChar c : text) {
        if (c == u'\n') {
            QTest::keyClick(editor(), Qt::Key_Return);
        } else if (c.unicode() < 0x80) {
            QTest::keyClick(editor(), c.toLatin1());
        } else {
            QTest::sendKeyEvent(QTest::Click, editor(), Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
}

void TestDocumentLibrary::select(int row, bool mouse) const
{
    if (mouse) {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(list()->item(row)).center());
    } else {
        list()->setCurrentRow(row);
    }
}

QStringList TestDocumentLibrary::entries(const QString &listName) const
{
    // The frozen mirror is a view of the list's own entries.
    const QAbstractItemModel *model = m_root->findChild<QAbstractItemView *>(listName)->model();
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
    put(u"Notiz.txt"_s, "notiz\r\n");
    put(u"a.b.txt"_s, "ab\r\n");
    put(u".versteckt.txt"_s, "versteckt\r\n");
    put(u"Modul.bas"_s, "modul\r\n");
    put(u"Modul.cls"_s, "klasse\r\n");
    put(u"Zeta.vbp"_s, "zeta\r\n");
    put(u"Projekt A/Quandel.ini"_s, "projekt\r\n");
    QDir(m_folder).mkdir(u"Projekt B"_s);
    QVERIFY(start());

    QFETCH(int, kind);
    trigger(u"mnuAnsicht_%1"_s.arg(kind));
    for (int i = 0; i < DocumentKinds::Count; ++i) {
        QCOMPARE(m_root->findChild<QAction *>(u"mnuAnsicht_%1"_s.arg(i))->isChecked(), i == kind);
    }
    QFETCH(QStringList, expected);
    QCOMPARE(entries(), expected);
    QCOMPARE(list()->currentRow(), 0);
    QFETCH(QString, firstText);
    QCOMPARE(shownText(), firstText);
    QCOMPARE(state().mIndex, 0);
    QCOMPARE(state().mFile, DocumentKinds::documentName(expected.first()));
    QVERIFY(!state().mChange);

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
        put(file, "text\r\n");
    }
    QVERIFY(start());
    QFETCH(bool, deleteFolder);
    if (deleteFolder) {
        QCOMPARE(list()->count(), 1);
        QVERIFY(QDir(m_folder).removeRecursively());
    }
    trigger(u"mnuaktualisieren"_s);
    QCOMPARE(list()->count(), 0);
    QCOMPARE(entries(u"Dateien_Imt"_s), QStringList());
    QCOMPARE(shownText(), QString());
    QCOMPARE(state().mFile, u"Unbenannt"_s);
    QCOMPARE(state().mIndex, -1);
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
}

void TestDocumentLibrary::unchangedDocumentRoundTrips()
{
    QFETCH(QByteArray, bytes);
    const QString path = put(u"Doc.txt"_s, bytes);
    QVERIFY(start());
    QFETCH(QString, shown);
    QCOMPARE(shownText(), shown);
    QVERIFY(!editor()->isReadOnly());
    QVERIFY(!state().mChange);
    trigger(u"mnuspeichern"_s);
    QCOMPARE(bytesOf(path), bytes);
    QVERIFY(m_prompts->calls.isEmpty());
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
    const QString path = m_folder + u'/' + file;
    if (before.isNull()) {
        QDir().mkpath(QFileInfo(path).absolutePath());
    } else {
        put(file, before);
    }
    QFETCH(bool, readOnly);
    if (readOnly) {
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    }
    QFETCH(int, kind);
    QVERIFY(start(kind));
    QFETCH(QString, typed);
    type(typed);
    QVERIFY(state().mChange);
    trigger(u"mnuspeichern"_s);

    QFETCH(QByteArray, after);
    QCOMPARE(bytesOf(path), after);
    QVERIFY(!state().mChange);
    QVERIFY(QFileInfo(path).permissions() & QFileDevice::WriteOwner);
    QFETCH(QString, infoFor);
    const auto messages = m_prompts->callsOf(u"message"_s);
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
    put(u"Notiz.txt"_s, "abc\r\ndef\r\n");
    QGuiApplication::clipboard()->setText(u"eingefügt"_s);
    QVERIFY(start());
    QVERIFY(!state().mChange);
    QFETCH(QString, savedFirst);
    if (!savedFirst.isEmpty()) {
        type(savedFirst);
        trigger(u"mnuspeichern"_s);
        QVERIFY(!state().mChange);
    }
    QFETCH(QString, keys);
    for (const QString &key : keys.split(u',')) {
        QTest::keySequence(editor(), QKeySequence(key));
    }
    QFETCH(bool, changed);
    QCOMPARE(state().mChange, changed);
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
    const QString first = put(kind == 0 ? u"Eins.txt"_s : u"Eins/Quandel.ini"_s, "eins\r\n");
    put(kind == 0 ? u"Zwei.txt"_s : u"Zwei/Quandel.ini"_s, "zwei\r\n");
    QVERIFY(start(kind));
    type(u"X"_s);
    QFETCH(bool, mouse);
    QFETCH(Answer, answer);
    m_prompts->messageAnswers.enqueue(answer);
    select(1, mouse);

    const auto messages = m_prompts->callsOf(u"message"_s);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first().text, question(u"Eins"_s));
    QCOMPARE(messages.first().title, Caption);
    QCOMPARE(messages.first().buttons, Prompts::Buttons::YesNoCancel);
    QCOMPARE(messages.first().icon, Prompts::Icon::Exclamation);
    QFETCH(int, row);
    QCOMPARE(list()->currentRow(), row);
    QCOMPARE(list()->selectedItems(), QList<QListWidgetItem *>{list()->currentItem()});
    QCOMPARE(state().mIndex, row);
    QFETCH(QString, shown);
    QCOMPARE(shownText(), shown);
    QFETCH(bool, changed);
    QCOMPARE(state().mChange, changed);
    QFETCH(QByteArray, saved);
    QCOMPARE(bytesOf(first), saved);

    // Selecting it again asks only while the changes are still unsaved.
    m_prompts->messageAnswers.enqueue(Answer::No);
    select(0, mouse);
    select(1, mouse);
    QFETCH(int, asked);
    QCOMPARE(m_prompts->callsOf(u"message"_s).size(), asked);
    QCOMPARE(shownText(), u"zwei\n"_s);
    QCOMPARE(list()->currentRow(), 1);
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
    const QString first = put(u"Eins.txt"_s, "eins\r\n");
    put(u"Zwei.txt"_s, "zwei\r\n");
    QVERIFY(start());
    type(u"X"_s);
    QFETCH(Answer, answer);
    m_prompts->messageAnswers.enqueue(answer);
    QFETCH(QString, command);
    trigger(command);

    const auto messages = m_prompts->callsOf(u"message"_s);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first().text, question(u"Eins"_s));
    QCOMPARE(shownText(), u"Xeins\n"_s);
    QCOMPARE(list()->currentRow(), 0);
    QVERIFY(!m_root->hasEnded());
    if (answer == Answer::Yes) {
        QCOMPARE(bytesOf(first), QByteArray("Xeins\r\n"));
        QVERIFY(!state().mChange);
        return;
    }
    QCOMPARE(bytesOf(first), QByteArray("eins\r\n"));
    QVERIFY(state().mChange);
    QCOMPARE(m_root->checkedKind(), 0);
    QVERIFY(m_prompts->callsOf(u"folder"_s).isEmpty());
    // Cancelling leaves nothing pending: the next selection asks again.
    m_prompts->messageAnswers.enqueue(Answer::No);
    list()->setCurrentRow(1);
    QCOMPARE(m_prompts->callsOf(u"message"_s).size(), 2);
    QCOMPARE(shownText(), u"zwei\n"_s);
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
    put(u"Alt.txt"_s, "alt\r\n");
    put(u"Modul.bas"_s, "modul\r\n");
    QVERIFY(start());
    QFETCH(int, kind);
    trigger(u"mnuneues_%1"_s.arg(kind));
    QCOMPARE(m_root->checkedKind(), kind);
    QCOMPARE(list()->currentRow(), -1);
    QVERIFY(list()->selectedItems().isEmpty());
    QCOMPARE(shownText(), QString());
    QCOMPARE(state().mIndex, -1);
    QCOMPARE(state().mFile, u"Unbenannt"_s);
    QVERIFY(!state().mChange);

    type(u"abc"_s);
    QFETCH(QString, chosen);
    m_prompts->saveAnswers.enqueue(m_folder + u'/' + chosen);
    QFETCH(bool, fromCheck);
    if (fromCheck) {
        m_prompts->messageAnswers.enqueue(Answer::Yes);
        list()->setCurrentRow(0);
    } else {
        trigger(u"mnuspeichernunter"_s);
    }

    const auto saves = m_prompts->callsOf(u"save"_s);
    QCOMPARE(saves.size(), 1);
    QCOMPARE(saves.first().save.title, u"Speichern unter ..."_s);
    QFETCH(QString, proposed);
    QCOMPARE(saves.first().save.proposedPath, m_folder + u'/' + proposed);
    QFETCH(QStringList, filters);
    QCOMPARE(saves.first().save.filters, filters);
    // New documents are Windows-1252 with CR LF.
    QCOMPARE(bytesOf(m_folder + u'/' + chosen), QByteArray("abc\r\n"));
    QFETCH(QString, selected);
    QVERIFY(list()->currentItem());
    QCOMPARE(list()->currentItem()->text(), selected);
    QCOMPARE(state().mIndex, list()->currentRow());
    // A class entry carries a tab after the name; the editing state keeps the name.
    QCOMPARE(state().mFile, selected.endsWith(u'\t') ? selected.chopped(1) : selected);
    QFETCH(QString, shown);
    QCOMPARE(shownText(), shown);
    QVERIFY(!state().mChange);
}

void TestDocumentLibrary::cancelledSaveAsOfUntitledStopsTheNextCheck()
{
    put(u"Alt.txt"_s, "alt\r\n");
    QVERIFY(start());
    trigger(u"mnuneues_0"_s);
    type(u"abc"_s);
    trigger(u"mnuspeichernunter"_s);
    QVERIFY(state().mChange);
    trigger(u"mnuaktualisieren"_s);
    QVERIFY(m_prompts->callsOf(u"message"_s).isEmpty());
    QCOMPARE(shownText(), u"abc"_s);
    QCOMPARE(list()->currentRow(), -1);

    m_prompts->messageAnswers.enqueue(Answer::No);
    trigger(u"mnuaktualisieren"_s);
    QCOMPARE(m_prompts->callsOf(u"message"_s).size(), 1);
    QCOMPARE(shownText(), u"alt\n"_s);
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
}

void TestDocumentLibrary::saveFailureKeepsTheText()
{
    QFETCH(int, kind);
    const QString path = put(kind == 0 ? u"Notiz.txt"_s : u"Projekt/Quandel.ini"_s, "abc\r\n");
    QVERIFY(start(kind));
    type(u"x"_s);

    QFETCH(QString, breakage);
    QFETCH(bool, fromCheck);
    QString command = u"mnuspeichern"_s;
    if (breakage == u"deleteFolder") {
        QVERIFY(QDir(m_folder).removeRecursively());
    } else if (breakage == u"folderInPlace") {
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkdir(path));
    } else {
        QVERIFY(QDir(m_folder).mkdir(u"Ordner.txt"_s));
        m_prompts->saveAnswers.enqueue(m_folder + u"/Ordner.txt"_s);
        command = u"mnuspeichernunter"_s;
    }
    if (fromCheck) {
        m_prompts->messageAnswers.enqueue(Answer::Yes);
        command = u"mnuaktualisieren"_s;
    }
    trigger(command);

    const auto messages = m_prompts->callsOf(u"message"_s);
    QCOMPARE(messages.size(), fromCheck ? 2 : 1);
    QFETCH(QString, name);
    QCOMPARE(messages.last().text, saveFailure(name));
    QCOMPARE(messages.last().title, u" "_s + Caption);
    QCOMPARE(messages.last().buttons, Prompts::Buttons::Ok);
    QCOMPARE(messages.last().icon, Prompts::Icon::Critical);
    QCOMPARE(shownText(), u"xabc\n"_s);
    QVERIFY(state().mChange);
    QCOMPARE(list()->currentRow(), 0);
    if (breakage == u"saveAsOntoFolder") {
        QCOMPARE(m_prompts->callsOf(u"save"_s).first().save.proposedPath, path);
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
    QTest::newRow("LF file with a CR LF later") << QByteArray("a\nb\r\nc\n") << false << false;
    QTest::newRow("NUL bytes") << QByteArray("a\0b\r\n", 5) << false << false;
    QTest::newRow("over 16 MiB") << QByteArray(16 * 1024 * 1024 + 1, 'a') << false << true;
    QTest::newRow("deleted before loading") << QByteArray("abc\r\n") << true << true;
}

void TestDocumentLibrary::documentNotShownFaithfullyIsNeverWritten()
{
    put(u"Aaa.txt"_s, "aaa\r\n");
    QFETCH(QByteArray, bytes);
    const QString path = put(u"Doc.txt"_s, bytes);
    QVERIFY(start());
    QFETCH(bool, deleted);
    if (deleted) {
        QVERIFY(QFile::remove(path));
    }
    list()->setCurrentRow(1);
    QVERIFY(editor()->isReadOnly());
    QVERIFY(!m_root->library()->isDocumentLoaded());
    QVERIFY(!state().mChange);
    QFETCH(bool, explained);
    QCOMPARE(!editor()->placeholderText().isEmpty(), explained);
    QCOMPARE(shownText().isEmpty(), explained);

    trigger(u"mnuspeichern"_s);
    m_prompts->saveAnswers.enqueue(path);
    trigger(u"mnuspeichernunter"_s);
    QCOMPARE(QFileInfo::exists(path), !deleted);
    QCOMPARE(bytesOf(path), deleted ? QByteArray() : bytes);
}

void TestDocumentLibrary::tenThousandDocuments()
{
    for (int i = 0; i < 10000; ++i) {
        put(u"Dok%1.txt"_s.arg(i, 5, 10, QLatin1Char('0')), "Dok\r\n" + QByteArray::number(i));
    }
    QVERIFY(start());
    QCOMPARE(list()->count(), 10000);
    QCOMPARE(entries(u"Dateien_Imt"_s).size(), 10000);
    QCOMPARE(list()->item(9999)->text(), u"Dok09999"_s);
    QCOMPARE(list()->currentRow(), 0);
    QCOMPARE(shownText(), u"Dok\n0"_s);
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
    put(u"Notiz.txt"_s, "abc\r\n");
    put(u"Projekt/Quandel.ini"_s, "abc\r\n");
    QFETCH(int, kind);
    QVERIFY(start(kind));
    QFETCH(bool, succeed);
    m_shell->succeed = succeed;
    trigger(u"mnuoeffnen"_s);

    const auto opened = m_shell->requestsOf(u"open"_s);
    QCOMPARE(opened.size(), 1);
    QFETCH(QString, target);
    QCOMPARE(opened.first().target, m_folder + u'/' + target);
    QFETCH(QString, message);
    const auto messages = m_prompts->callsOf(u"message"_s);
    QCOMPARE(messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(messages.first().text, message);
        QCOMPARE(messages.first().title, u" "_s + Caption);
        QCOMPARE(messages.first().icon, Prompts::Icon::Critical);
    }
    // An untitled document has nothing to open.
    trigger(u"mnuneues_%1"_s.arg(kind));
    trigger(u"mnuoeffnen"_s);
    QCOMPARE(m_shell->requestsOf(u"open"_s).size(), 1);
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
    put(u"Notiz.txt"_s, "abc\r\n");
    const QString other = QFileInfo(m_env->writeFile(u"Anders/Fremd.txt"_s, "fremd\r\n")).absolutePath();
    QVERIFY(start());
    QFETCH(QString, answer);
    m_prompts->folderAnswers.enqueue(answer.isEmpty() ? QString() : other);
    trigger(u"mnuverzeichnis"_s);

    const auto prompts = m_prompts->callsOf(u"folder"_s);
    QCOMPARE(prompts.size(), 1);
    QCOMPARE(prompts.first().text,
             u"Bitte wählen Sie den Ordner, indem ihre Dokumente \nund Projekte verwalten werden sollen ..."_s);
    QCOMPARE(m_root->documentFolder(), answer.isEmpty() ? m_folder : other);
    QFETCH(QStringList, listed);
    QCOMPARE(entries(), listed);
    QCOMPARE(list()->currentRow(), 0);
}

void TestDocumentLibrary::webViewFollowsTheSelection()
{
    const QString eins = put(u"Eins.txt"_s, "<html><body>eins</body></html>\r\n");
    const QString zwei = put(u"Zwei.txt"_s, "zwei\r\n");
    QVERIFY(start());
    auto *web = m_root->findChild<WebView *>(u"WebBrowser"_s);
    QAction *webAction = m_root->findChild<QAction *>(u"mnuWebansicht"_s);
    trigger(u"mnuWebansicht"_s);
    QVERIFY(webAction->isChecked());
    QVERIFY(!web->isHidden());
    QVERIFY(editor()->isHidden());
    QCOMPARE(web->currentUrl(), QUrl::fromLocalFile(eins));
    list()->setCurrentRow(1);
    QCOMPARE(web->currentUrl(), QUrl::fromLocalFile(zwei));
    QCOMPARE(shownText(), u"zwei\n"_s);

    // Only help documents have a rendered view.
    trigger(u"mnuAnsicht_1"_s);
    QVERIFY(web->isHidden());
    QVERIFY(!webAction->isChecked());
    QVERIFY(!editor()->isHidden());

    trigger(u"mnuAnsicht_0"_s);
    QTest::mouseClick(list()->viewport(), Qt::RightButton);
    QVERIFY(webAction->isChecked());
    QTest::mouseClick(list()->viewport(), Qt::RightButton);
    QVERIFY(!webAction->isChecked());
    QVERIFY(m_prompts->calls.isEmpty());
}

QTEST_MAIN(TestDocumentLibrary)
#include "tst_documentlibrary.moc"
