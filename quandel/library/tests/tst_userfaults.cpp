// Faults met by using the program as a user does: clicks, keys and the focus
// moving between the list, the editor and the message boxes.

#include "AppPaths.h"
#include "BasicHighlighter.h"
#include "CodeEditor.h"
#include "DocumentKinds.h"
#include "DocumentLibrary.h"
#include "EditorDocument.h"
#include "FavouritesStore.h"
#include "RootFixture.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using Answer = Prompts::Answer;

namespace {

QString question(const QString &name)
{
    return name + u"\nwurde geändert.\n\nMöchten Sie die Änderungen speichern ? "_s;
}

// "Adressbuch/Quandel.ini" holds "Adressbuch", "A.txt" holds "A".
QString textOf(const QString &file)
{
    return file.section(u'/', 0, 0).section(u'.', 0, 0);
}

QStringList messageTexts(const ScriptedPrompts &prompts)
{
    QStringList texts;
    for (const auto &call : prompts.callsOf(u"message"_s)) {
        texts.append(call.text);
    }
    return texts;
}

// Message boxes shown for real, modal, taking the focus from the main window
// and giving it back when closed; each is answered by a key or a click on its
// button. Every other dialog is left to the scripted prompts.
class ModalPrompts final : public Prompts
{
public:
    explicit ModalPrompts(ScriptedPrompts &scripted) : m_scripted(scripted) { Prompts::setInstance(this); }
    ~ModalPrompts() override { Prompts::setInstance(&m_scripted); }
    ModalPrompts(const ModalPrompts &) = delete;
    ModalPrompts &operator=(const ModalPrompts &) = delete;

    QStringList texts;
    QList<Answer> answers; // Cancel is given with Esc, the others by a click
    int readingMs = 0;     // how long the user looks at a box before answering
    // A question that keeps coming back would never end the test: from this
    // many on, every box is answered No.
    static constexpr int MaxBoxes = 6;

    Answer message(QWidget *parent, const QString &text, const QString &title, Buttons buttons, Icon icon) override
    {
        texts.append(text);
        const Answer answer = texts.size() >= MaxBoxes ? Answer::No : answers.value(texts.size() - 1, Answer::Cancel);
        QTimer::singleShot(readingMs, [answer] { answerBox(answer); });
        const Answer given = QtPrompts().message(parent, text, title, buttons, icon);
        // The window manager gives the activation back to the window the box
        // belonged to once the box is gone.
        if (QPointer<QWidget> owner = parent ? parent->window() : nullptr) {
            QTimer::singleShot(0, owner, [owner] { QApplication::setActiveWindow(owner); });
        }
        return given;
    }
    QString saveFileName(QWidget *parent, SaveRequest &request) override
    {
        return m_scripted.saveFileName(parent, request);
    }
    QString chooseFolder(QWidget *parent, const QString &prompt, const QString &startFolder) override
    {
        return m_scripted.chooseFolder(parent, prompt, startFolder);
    }
    std::optional<QFont> chooseFont(QWidget *parent, const QFont &initial) override
    {
        return m_scripted.chooseFont(parent, initial);
    }
    std::optional<QColor> chooseColor(QWidget *parent, const QColor &initial) override
    {
        return m_scripted.chooseColor(parent, initial);
    }
    bool printDialog(QWidget *parent, QPrinter &printer) override { return m_scripted.printDialog(parent, printer); }
    bool pageSetupDialog(QWidget *parent, QPrinter &printer) override
    {
        return m_scripted.pageSetupDialog(parent, printer);
    }
    int execDialog(QDialog &dialog) override { return m_scripted.execDialog(dialog); }

private:
    static void answerBox(Answer answer)
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isActiveWindow()) {
            if (box) {
                // A box that another closed box uncovered gets the focus back.
                QApplication::setActiveWindow(box);
            }
            QTimer::singleShot(10, [answer] { answerBox(answer); });
            return;
        }
        const auto button = answer == Answer::Yes  ? QMessageBox::Yes
                            : answer == Answer::No ? QMessageBox::No
                                                   : QMessageBox::Ok;
        if (answer == Answer::Cancel || !box->button(button)) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            return;
        }
        QTest::mouseClick(box->button(button), Qt::LeftButton);
    }

    ScriptedPrompts &m_scripted;
};

} // namespace

class TestUserFaults final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void exportLeavesTheEditingStateAlone_data();
    void exportLeavesTheEditingStateAlone();
    void cancelForUntitledAsksOnce_data();
    void cancelForUntitledAsksOnce();
    void favouriteSelectsItsOwnEntry_data();
    void favouriteSelectsItsOwnEntry();
    void saveAsShowsTheFileWritten_data();
    void saveAsShowsTheFileWritten();
    void ownSaveIsNoOutsideChange();
    void mixedLineEndsRoundTrip_data();
    void mixedLineEndsRoundTrip();
    void readOnlyDocumentSaysWhy_data();
    void readOnlyDocumentSaysWhy();
    void editorKeepsTheOtherCharacters();
    void projectTextInAnySpelling_data();
    void projectTextInAnySpelling();
    void saveOfUntitledRunsSaveAs_data();
    void saveOfUntitledRunsSaveAs();
    void rightClickKeepsTheSelection();

private:
    // Shows the window and makes it the active one, as after a start on a
    // desktop: keys go to the focused widget and shortcuts work.
    void activate() const;
    void clickRow(int row) const;
    // A key typed on whatever has the focus now.
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const;
    // Clicks into the editor and types at the start of the text.
    void type(const QString &text) const;

    std::unique_ptr<RootFixture> m_f;
};

void TestUserFaults::init()
{
    m_f = std::make_unique<RootFixture>();
}

void TestUserFaults::cleanup()
{
    m_f.reset();
}

void TestUserFaults::activate() const
{
    m_f->root->show();
    QApplication::setActiveWindow(m_f->root.get());
    QVERIFY(QTest::qWaitForWindowActive(m_f->root.get()));
}

void TestUserFaults::clickRow(int row) const
{
    QListWidget *list = m_f->list();
    QVERIFY(row < list->count());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

void TestUserFaults::key(Qt::Key key, Qt::KeyboardModifiers modifiers) const
{
    QWidget *focused = QApplication::focusWidget();
    QVERIFY(focused);
    QTest::keyClick(focused, key, modifiers);
}

void TestUserFaults::type(const QString &text) const
{
    QTest::mouseClick(m_f->editor()->viewport(), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), m_f->editor());
    QTest::keyClick(m_f->editor(), Qt::Key_Home, Qt::ControlModifier);
    for (const QChar c : text) {
        // Letters beyond ASCII as a keyboard layout sends them.
        QTest::sendKeyEvent(QTest::Click, m_f->editor(),
                            c.unicode() < 128 ? Qt::Key(c.toUpper().unicode()) : Qt::Key_unknown, QString(c),
                            Qt::NoModifier);
    }
}

// ---------------------------------------------------------------------------
// Lost or overwritten data

void TestUserFaults::exportLeavesTheEditingStateAlone_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("files"); // each holds its own name
    QTest::addColumn<bool>("edited");
    QTest::addColumn<bool>("archiveChosen");

    const QStringList projects{u"Adressbuch/Quandel.ini"_s, u"Rechnungen/Quandel.ini"_s};
    QTest::newRow("project view, packed") << 2 << projects << false << true;
    QTest::newRow("project view, save dialog cancelled") << 2 << projects << false << false;
    QTest::newRow("project view, edited, packed") << 2 << projects << true << true;
    QTest::newRow("documents, edited, cancelled") << 0 << QStringList{u"A.txt"_s, u"B.txt"_s} << true << false;
    QTest::newRow("empty folder, packed") << 0 << QStringList{} << false << true;
}

void TestUserFaults::exportLeavesTheEditingStateAlone()
{
    QFETCH(int, kind);
    QFETCH(QStringList, files);
    QFETCH(bool, edited);
    QFETCH(bool, archiveChosen);

    for (const QString &file : files) {
        m_f->put(file, textOf(file).toUtf8() + "\r\n");
    }
    QVERIFY(m_f->start(kind));
    activate();
    if (edited) {
        type(u"neu "_s);
    }
    const EditingState before = m_f->state();
    const QString shown = m_f->shownText();

    m_f->prompts.messageAnswers.append({Answer::Yes, Answer::Ok, Answer::Ok});
    m_f->prompts.saveAnswers.enqueue(archiveChosen ? m_f->env.path(u"Export.zip"_s) : QString());
    m_f->run(u"mnuKomprimieren"_s);
    QCOMPARE(QFile::exists(m_f->env.path(u"Export.zip"_s)), archiveChosen && !files.isEmpty());
    QCOMPARE(m_f->state().mChange, before.mChange);
    QCOMPARE(m_f->state().mAction, before.mAction);
    QCOMPARE(m_f->state().mFile, before.mFile);
    QCOMPARE(m_f->state().mIndex, before.mIndex);
    QCOMPARE(m_f->shownText(), shown);

    // The next command that switches documents asks only about real edits,
    // and the document then shown is the one selected.
    m_f->prompts.calls.clear();
    m_f->prompts.messageAnswers.clear();
    m_f->prompts.messageAnswers.enqueue(Answer::No);
    if (files.isEmpty()) {
        key(Qt::Key_F5);
        QCOMPARE(messageTexts(m_f->prompts), QStringList());
        return;
    }
    clickRow(1);
    QCOMPARE(messageTexts(m_f->prompts), edited ? QStringList{question(before.mFile)} : QStringList());
    QCOMPARE(m_f->list()->currentRow(), 1);
    QCOMPARE(m_f->shownText(), textOf(files.at(1)) + u'\n');
    key(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(m_f->prompts.calls.size(), edited ? 1 : 0);
    QCOMPARE(bytesOf(m_f->folder + u'/' + files.at(1)), textOf(files.at(1)).toUtf8() + "\r\n");
}

void TestUserFaults::cancelForUntitledAsksOnce_data()
{
    QTest::addColumn<QList<Answer>>("answers");
    QTest::addColumn<int>("saveDialogs");

    QTest::newRow("Abbrechen") << QList<Answer>{Answer::Cancel} << 0;
    QTest::newRow("Ja, then the save dialog cancelled") << QList<Answer>{Answer::Yes} << 1;
}

void TestUserFaults::cancelForUntitledAsksOnce()
{
    QFETCH(QList<Answer>, answers);
    QFETCH(int, saveDialogs);

    for (const QString &name : {u"A"_s, u"B"_s, u"C"_s, u"D"_s}) {
        m_f->put(name + u".txt"_s, name.toUtf8() + "\r\n");
    }
    QVERIFY(m_f->start(0));
    activate();
    m_f->run(u"mnuneues_0"_s);
    type(u"Entwurf"_s);
    ModalPrompts modal(m_f->prompts);
    modal.answers = answers;
    m_f->prompts.saveAnswers.enqueue(QString()); // the save dialog, if it comes, is cancelled
    clickRow(3);
    // Let the focus come back from the closed box, as it does on a desktop.
    QTRY_COMPARE(QApplication::activeWindow(), m_f->root.get());
    QTest::qWait(50);

    QCOMPARE(modal.texts, QStringList{question(u"Unbenannt"_s)});
    QCOMPARE(m_f->prompts.callsOf(u"save"_s).size(), saveDialogs);
    QCOMPARE(m_f->shownText(), u"Entwurf"_s);
    QCOMPARE(m_f->state().mIndex, -1);
    QCOMPARE(m_f->state().mFile, u"Unbenannt"_s);
    QVERIFY(m_f->state().mChange);
    QCOMPARE(m_f->state().mAction, EditingState::Pending::None);
    QCOMPARE(m_f->list()->currentRow(), -1);
    QVERIFY(m_f->list()->selectedItems().isEmpty());

    // Esc on the list again asks nothing, and the next click asks once more.
    m_f->list()->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Escape);
    QCOMPARE(modal.texts.size(), 1);
    modal.answers.append(Answer::No);
    clickRow(2);
    QTRY_COMPARE(QApplication::activeWindow(), m_f->root.get());
    QCOMPARE(modal.texts.size(), 2);
    QCOMPARE(m_f->list()->currentRow(), 2);
    QCOMPARE(m_f->shownText(), u"C\n"_s);
}

void TestUserFaults::favouriteSelectsItsOwnEntry_data()
{
    QTest::addColumn<QString>("datei");
    QTest::addColumn<bool>("otherFolder");
    QTest::addColumn<QString>("entry"); // empty: none selected

    QTest::newRow("class file") << u"Klasse.cls"_s << false << u"Klasse\t"_s;
    QTest::newRow("module of the same name") << u"Klasse.bas"_s << false << u"Klasse"_s;
    QTest::newRow("class of another folder") << u"Klasse.cls"_s << true << QString();
}

void TestUserFaults::favouriteSelectsItsOwnEntry()
{
    QFETCH(QString, datei);
    QFETCH(bool, otherFolder);
    QFETCH(QString, entry);

    for (const QString &name : {u"Dateifunktionen.bas"_s, u"Klasse.bas"_s, u"Klasse.cls"_s}) {
        m_f->put(name, name.toUtf8() + "\r\n");
    }
    const QString elsewhere = m_f->env.writeFile(u"Anderswo/"_s + datei, "anderswo\r\n");
    const QString dir = otherFolder ? QFileInfo(elsewhere).absolutePath() : m_f->folder;
    QVERIFY(FavouritesStore::write(AppPaths::dataFile(), 1, {FavouritesStore::displayName(datei), datei, dir}));
    QVERIFY(m_f->start(1));
    activate();
    m_f->run(u"mnuFavoriten_1"_s);

    const QString shown = otherFolder ? u"anderswo\n"_s : datei + u'\n';
    QCOMPARE(m_f->shownText(), shown);
    QCOMPARE(m_f->list()->currentItem() ? m_f->list()->currentItem()->text() : QString(), entry);
    // The list gets the focus back as after a click elsewhere: it still
    // points at the shown document, or at none.
    m_f->editor()->setFocus(Qt::MouseFocusReason);
    m_f->list()->setFocus(Qt::TabFocusReason);
    QCOMPARE(QApplication::focusWidget(), m_f->list());
    QCOMPARE(m_f->list()->currentItem() ? m_f->list()->currentItem()->text() : QString(), entry);
    QCOMPARE(m_f->list()->selectedItems().size(), entry.isEmpty() ? 0 : 1);
    QCOMPARE(m_f->shownText(), shown);

    // The file commands act on the shown document; without an entry they
    // are off, but Save still writes the shown file.
    auto *loesche = m_f->root->findChild<QAction *>(u"mnuloesche"_s);
    QTRY_COMPARE(loesche->isEnabled(), !entry.isEmpty());
    QVERIFY(m_f->root->findChild<QAction *>(u"mnuspeichern"_s)->isEnabled());
    type(u"x"_s);
    key(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(bytesOf(otherFolder ? elsewhere : m_f->folder + u'/' + datei), "x" + shown.toUtf8().replace("\n", "\r\n"));
    if (!entry.isEmpty()) {
        m_f->prompts.messageAnswers.enqueue(Answer::Yes);
        m_f->run(u"mnuloesche"_s);
        QCOMPARE(m_f->prompts.callsOf(u"message"_s).value(0).text,
                 u"Möchten Sie "_s + DocumentKinds::documentName(entry) + u" wirklich löschen ? "_s);
        QCOMPARE(m_f->shell.requestsOf(u"trash"_s).size(), 1);
        QCOMPARE(m_f->shell.requestsOf(u"trash"_s).first().target, m_f->folder + u'/' + datei);
    }
}

void TestUserFaults::saveAsShowsTheFileWritten_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("other");

    QTest::newRow("lower case") << u"notiz.txt"_s << u"Notiz.txt"_s;
    QTest::newRow("upper case") << u"Notiz.txt"_s << u"notiz.txt"_s;
}

void TestUserFaults::saveAsShowsTheFileWritten()
{
    QFETCH(QString, chosen);
    QFETCH(QString, other);

    m_f->put(u"notiz.txt"_s, "klein\r\n");
    m_f->put(u"Notiz.txt"_s, "gross\r\n");
    QVERIFY(m_f->start(0));
    activate();
    m_f->run(u"mnuneues_0"_s);
    type(u"neu"_s);
    m_f->prompts.saveAnswers.enqueue(m_f->folder + u'/' + chosen);
    m_f->run(u"mnuspeichernunter"_s);

    QCOMPARE(m_f->root->library()->currentFileName(), chosen);
    QCOMPARE(m_f->shownText(), u"neu\n"_s);
    const QByteArray untouched = bytesOf(m_f->folder + u'/' + other);
    type(u"mehr "_s);
    key(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(bytesOf(m_f->folder + u'/' + chosen), "mehr neu\r\n");
    QCOMPARE(bytesOf(m_f->folder + u'/' + other), untouched);
}

void TestUserFaults::ownSaveIsNoOutsideChange()
{
    const QString path = m_f->put(u"Notiz.txt"_s, "alt\r\n");
    QVERIFY(m_f->start(0));
    activate();
    type(u"Ω"_s);
    ModalPrompts modal(m_f->prompts);
    modal.answers = {Answer::Ok};
    // Long enough for the file watcher to report the write meanwhile.
    modal.readingMs = 300;
    key(Qt::Key_S, Qt::ControlModifier);
    QTest::qWait(100);

    QCOMPARE(modal.texts.size(), 1);
    QVERIFY(
        modal.texts.first().startsWith(u"Notiz.txt enthält Zeichen, die der Zeichensatz Windows-1252 nicht kennt."_s));
    QCOMPARE(bytesOf(path), QByteArray("\xce\xa9") + "alt\r\n");
    QVERIFY(!m_f->state().mChange);
}

void TestUserFaults::mixedLineEndsRoundTrip_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("saved"); // after typing "x" at the start and Enter after the first line

    const int help = DocumentKinds::HelpDocuments;
    QTest::newRow("LF first") << help << QByteArray("a\nb\r\nc\n") << QByteArray("xa\n\nb\r\nc\n");
    QTest::newRow("CR LF first, a lone LF") << help << QByteArray("a\r\nb\nc\r\n") << QByteArray("xa\r\n\r\nb\nc\r\n");
    QTest::newRow("no final line end") << help << QByteArray("a\r\nb\nc") << QByteArray("xa\r\n\r\nb\nc");
    // The colours of code are no reason to change a line's end.
    QTest::newRow("coloured module") << int(DocumentKinds::ClassesAndModules)
                                     << QByteArray("Dim a\r\nDim b\nDim c\r\n' d _\r\ne\n")
                                     << QByteArray("xDim a\r\n\r\nDim b\nDim c\r\n' d _\r\ne\n");
}

void TestUserFaults::mixedLineEndsRoundTrip()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, saved);
    const QString path = m_f->put(kind == DocumentKinds::HelpDocuments ? u"Gemischt.txt"_s : u"Gemischt.bas"_s, bytes);
    QVERIFY(m_f->start(kind));
    activate();
    QVERIFY(!m_f->editor()->isReadOnly());
    const BasicHighlighter *highlighter = qobject_cast<CodeEditor *>(m_f->editor())->highlighter();
    QTRY_VERIFY(highlighter->isIdle());

    // Unchanged, it is written back byte for byte.
    m_f->run(u"mnuspeichern"_s);
    QCOMPARE(bytesOf(path), bytes);
    type(u"x"_s);
    key(Qt::Key_End);
    key(Qt::Key_Return);
    key(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(bytesOf(path), saved);
    QCOMPARE(m_f->prompts.calls.size(), 0);
}

void TestUserFaults::readOnlyDocumentSaysWhy_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");

    const QString cr = u"Wagenrücklaufzeichen (CR) ohne Zeilenvorschub"_s;
    QTest::newRow("lone CR") << QByteArray("a\nb\rc\n") << cr;
    QTest::newRow("CR at the end") << QByteArray("a\r\nb\r") << cr;
    // Other characters the editor takes for a line end come back as LF.
    QTest::newRow("paragraph separator") << QByteArray("a\xE2\x80\xA9"
                                                       "b\n")
                                         << cr;
    QTest::newRow("frame mark") << QByteArray("a\xEF\xB7\x91"
                                              "b\n")
                                << cr;
    QTest::newRow("NUL") << QByteArray("a\0b\r\n", 5) << u"Nullzeichen"_s;
}

void TestUserFaults::readOnlyDocumentSaysWhy()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    const QString path = m_f->put(u"Seltsam.txt"_s, bytes);
    QVERIFY(m_f->start(0));
    activate();
    QVERIFY(m_f->editor()->isReadOnly());
    const QString status = m_f->root->findChild<QLabel *>(u"LStatus"_s)->text();
    QVERIFY2(status.startsWith(u" Nur zum Lesen: "_s) && status.contains(reason), qPrintable(status));

    // Arrows only move; the first key that would type tells why, once.
    QTest::mouseClick(m_f->editor()->viewport(), Qt::LeftButton);
    key(Qt::Key_Down);
    QCOMPARE(m_f->prompts.calls.size(), 0);
    key(Qt::Key_X);
    key(Qt::Key_Y);
    key(Qt::Key_S, Qt::ControlModifier);
    const QStringList texts = messageTexts(m_f->prompts);
    QCOMPARE(texts.size(), 1);
    QVERIFY(texts.first().startsWith(u"Seltsam wird nur zum Lesen angezeigt. \n"_s));
    QVERIFY(texts.first().contains(reason));
    QCOMPARE(bytesOf(path), bytes);

    // Another document explains itself anew.
    m_f->root->library()->refresh();
    QTest::mouseClick(m_f->editor()->viewport(), Qt::LeftButton);
    key(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(messageTexts(m_f->prompts).size(), 2);
}

// Loading skips comparing the editor's text with the file's unless the text
// holds one of the characters isKeptAsIs() names: every other character must
// come back from the editor as it went in.
void TestUserFaults::editorKeepsTheOtherCharacters()
{
    QString others;
    for (char32_t c = 1; c < 0x10000; ++c) {
        const auto u = char16_t(c);
        if (!QChar::isSurrogate(u) && u != u'\n' && EditorDocument::isKeptAsIs(QStringView(&u, 1))) {
            others += QChar(u);
            others += (c % 64 == 0) ? u'\n' : u'x';
        }
    }
    others += u"\U0001F600\U00010000\U0010FFFD\n"_s;
    QVERIFY(others.size() > 120000);
    QPlainTextEdit editor;
    editor.setPlainText(others);
    QCOMPARE(EditorDocument::editorText(&editor), others);
}

void TestUserFaults::projectTextInAnySpelling_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("shown");

    QTest::newRow("lower case") << QStringList{u"quandel.ini"_s} << u"quandel.ini"_s;
    QTest::newRow("upper case") << QStringList{u"QUANDEL.INI"_s} << u"QUANDEL.INI"_s;
    QTest::newRow("exact spelling first") << QStringList{u"quandel.ini"_s, u"Quandel.ini"_s} << u"Quandel.ini"_s;
}

void TestUserFaults::projectTextInAnySpelling()
{
    QFETCH(QStringList, files);
    QFETCH(QString, shown);
    for (const QString &file : files) {
        m_f->put(u"Projekt/"_s + file, file.toUtf8() + "\r\n");
    }
    QVERIFY(m_f->start(2));
    activate();
    QCOMPARE(m_f->shownText(), shown + u'\n');
    type(u"x"_s);
    key(Qt::Key_S, Qt::ControlModifier);

    QStringList expected;
    for (const QString &file : files) {
        expected.append(u"Projekt/"_s + file);
    }
    expected.append(u"Projekt/"_s);
    expected.sort();
    QCOMPARE(RootFixture::tree(m_f->folder), expected);
    QCOMPARE(bytesOf(m_f->folder + u"/Projekt/"_s + shown), "x" + shown.toUtf8() + "\r\n");
}

void TestUserFaults::saveOfUntitledRunsSaveAs_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("proposed"); // below the document folder; empty: a project's name is asked for

    QTest::newRow("help document") << 0 << u"Unbenannt.txt"_s;
    QTest::newRow("project") << 2 << QString();
}

void TestUserFaults::saveOfUntitledRunsSaveAs()
{
    QFETCH(int, kind);
    QFETCH(QString, proposed);
    m_f->put(u"Alt.txt"_s, "alt\r\n");
    m_f->put(u"Projekt/Quandel.ini"_s, "projekt\r\n");
    QVERIFY(m_f->start(0));
    activate();
    m_f->run(u"mnuneues_%1"_s.arg(kind));
    type(u"neu"_s);
    QString written = m_f->env.path(u"Neu.txt"_s);
    if (proposed.isEmpty()) {
        written = m_f->folder + u"/Neu/Quandel.ini"_s;
        m_f->prompts.dialogHandlers.enqueue([](QDialog &dialog) {
            dialog.findChild<QLineEdit *>(u"Text1"_s)->setText(u"Neu"_s);
            dialog.findChild<QPushButton *>(u"CReady"_s)->click();
            return dialog.result();
        });
    } else {
        m_f->prompts.saveAnswers.enqueue(written);
    }
    // As a user types: the timer has ticked since, and decides what Ctrl+S
    // may do.
    QTest::qWait(300);
    QVERIFY(m_f->root->findChild<QAction *>(u"mnuspeichern"_s)->isEnabled());
    key(Qt::Key_S, Qt::ControlModifier);

    const auto saves = m_f->prompts.callsOf(u"save"_s);
    QCOMPARE(saves.size(), proposed.isEmpty() ? 0 : 1);
    if (!proposed.isEmpty()) {
        QCOMPARE(saves.first().save.proposedPath, m_f->folder + u'/' + proposed);
    }
    QCOMPARE(bytesOf(written), "neu\r\n");
    QVERIFY(!m_f->state().mChange);
}

void TestUserFaults::rightClickKeepsTheSelection()
{
    for (const QString &name : {u"A"_s, u"B"_s, u"C"_s}) {
        m_f->put(name + u".txt"_s, name.toUtf8() + "\r\n");
    }
    QVERIFY(m_f->start(0));
    activate();
    clickRow(0);
    auto *web = m_f->root->findChild<QAction *>(u"mnuWebansicht"_s);
    QVERIFY(!web->isChecked());

    QListWidget *list = m_f->list();
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, list->visualItemRect(list->item(2)).center());
    QVERIFY(web->isChecked());
    QCOMPARE(list->currentRow(), 0);
    QCOMPARE(list->selectedItems(), QList<QListWidgetItem *>{list->item(0)});
    QCOMPARE(m_f->shownText(), u"A\n"_s);
    // Back again, and the keys still move from the entry kept.
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, list->visualItemRect(list->item(1)).center());
    QVERIFY(!web->isChecked());
    QCOMPARE(QApplication::focusWidget(), list);
    key(Qt::Key_Down);
    QCOMPARE(list->currentRow(), 1);
    QCOMPARE(m_f->shownText(), u"B\n"_s);
}

QTEST_MAIN(TestUserFaults)
#include "tst_userfaults.moc"
