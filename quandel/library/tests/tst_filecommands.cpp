#include "DocumentLibrary.h"
#include "FileProperties.h"
#include "RootFixture.h"

#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using Answer = Prompts::Answer;
using Answers = QList<Answer>;

namespace {

const QString Caption = u"Tivorn Quandel Library"_s;
const QString InvalidName =
    u"Dateinamen dürfen keines der folgenden Zeichen enthalten:  \n\\  /  :  *  ?  \"  <  >  |"_s;
const QString DocumentExists = u"Ein Dokument mit diesem Namen existiert bereits.  \nMöchten Sie es überschreiben ?"_s;
const QString FolderExists = u"Ein Ordner mit diesem Namen existiert bereits.  \nMöchten Sie ihn überschreiben ?"_s;
const QString NotReady = u"Diskettenlaufwerk ist nicht bereit zum schreiben.  \nLegen Sie einen Datenträger ein."_s;
const QString AlreadyThere =
    u"Diese Datei wurde schon kopiert oder ist bereits vorhanden.  \nMöchten Sie diese überschreiben ? "_s;

QStringList messageTexts(const ScriptedPrompts &prompts)
{
    QStringList texts;
    for (const auto &call : prompts.callsOf(u"message"_s)) {
        texts.append(call.text);
    }
    return texts;
}

// Each expected text is the start of the message shown at that place.
bool messagesStartWith(const QStringList &shown, const QStringList &expected)
{
    if (shown.size() != expected.size()) {
        return false;
    }
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (!shown.at(i).startsWith(expected.at(i))) {
            return false;
        }
    }
    return true;
}

// A removable volume that is inserted only after the user was asked a few
// times.
class VolumeShell final : public Shell
{
public:
    int readyAfter = 0;
    int queries = 0;
    QString root;

    bool moveToTrash(const QString &, QString *) override { return false; }
    bool openWithDefaultApplication(const QString &, QString *) override { return false; }
    bool openUrl(const QUrl &, QString *) override { return false; }
    QString specialFolder(SpecialFolder) override { return {}; }
    QString removableVolume() override { return ++queries > readyAfter ? root : QString(); }
    bool showProperties(const QString &) override { return false; }
    bool startDetached(const QString &, const QStringList &, QString *) override { return false; }
};

} // namespace

class TestFileCommands final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void rename_data();
    void rename();
    void renameRefusesNames_data();
    void renameRefusesNames();
    void remove_data();
    void remove();
    void properties_data();
    void properties();
    void propertyTexts_data();
    void propertyTexts();
    void sendTo_data();
    void sendTo();
    void sendToRemovableVolumeAfterRetry_data();
    void sendToRemovableVolumeAfterRetry();
    void sendToCopiesOnlyRegularFilesInChunks_data();
    void sendToCopiesOnlyRegularFilesInChunks();

private:
    void selectEntry(const QString &entry) const;
    // Runs Rename and types the names into the dialog one after the other,
    // pressing Ok after each; cancels when the dialog is still open then.
    void renameTyping(const QStringList &names, const std::function<void()> &beforeOk = {});

    std::unique_ptr<RootFixture> m_f;
    QString m_proposed;
    bool m_proposalSelected = false;
    bool m_readyWhenEmpty = true;
    bool m_accepted = false;
};

void TestFileCommands::init()
{
    m_f = std::make_unique<RootFixture>();
    m_proposed.clear();
    m_proposalSelected = false;
    m_readyWhenEmpty = true;
    m_accepted = false;
}

void TestFileCommands::cleanup()
{
    m_f.reset();
}

void TestFileCommands::selectEntry(const QString &entry) const
{
    const int row = int(m_f->entries().indexOf(entry));
    QVERIFY2(row >= 0, qPrintable(entry));
    m_f->list()->setCurrentRow(row);
}

void TestFileCommands::renameTyping(const QStringList &names, const std::function<void()> &beforeOk)
{
    m_f->prompts.dialogHandlers.enqueue([this, names, beforeOk](QDialog &dialog) {
        auto *text1 = dialog.findChild<QLineEdit *>(u"Text1"_s);
        auto *ready = dialog.findChild<QPushButton *>(u"CReady"_s);
        m_proposed = text1->text();
        m_proposalSelected = text1->selectedText() == text1->text();
        text1->clear();
        m_readyWhenEmpty = ready->isEnabled();
        if (beforeOk) {
            beforeOk();
        }
        for (const QString &name : names) {
            text1->setText(name);
            ready->click();
            if (dialog.result() == QDialog::Accepted) {
                m_accepted = true;
                return int(QDialog::Accepted);
            }
        }
        dialog.findChild<QPushButton *>(u"CAbbrechen"_s)->click();
        return dialog.result();
    });
    m_f->run(u"mnuUmbenennen"_s);
}

void TestFileCommands::rename_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("files"); // each holds its own name
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("proposed");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<Answers>("answers");
    QTest::addColumn<QString>("breakage");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QString>("moved"); // "new<old": the new name holds the old file
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QStringList>("messages");

    const QStringList none;
    QTest::newRow("Notiz to Bericht") << 0 << QStringList{u"Notiz.txt"_s, u"Zweit.txt"_s} << u"Notiz"_s << u"Notiz"_s
                                      << QStringList{u"Bericht"_s} << Answers{} << QString()
                                      << QStringList{u"Bericht.txt"_s, u"Zweit.txt"_s} << u"Bericht.txt<Notiz.txt"_s
                                      << u"Bericht"_s << none;
    QTest::newRow("notiz to Notiz") << 0 << QStringList{u"notiz.txt"_s} << u"notiz"_s << u"notiz"_s
                                    << QStringList{u"Notiz"_s} << Answers{} << QString() << QStringList{u"Notiz.txt"_s}
                                    << u"Notiz.txt<notiz.txt"_s << u"Notiz"_s << none;
    QTest::newRow("only the case, onto another document, No")
        << 0 << QStringList{u"Notiz.txt"_s, u"notiz.txt"_s} << u"notiz"_s << u"notiz"_s << QStringList{u"Notiz"_s}
        << Answers{Answer::No} << QString() << QStringList{u"Notiz.txt"_s, u"notiz.txt"_s} << u"notiz.txt<notiz.txt"_s
        << u"notiz"_s << QStringList{DocumentExists};
    QTest::newRow("only the case, onto another document, Yes")
        << 0 << QStringList{u"Notiz.txt"_s, u"notiz.txt"_s} << u"notiz"_s << u"notiz"_s << QStringList{u"Notiz"_s}
        << Answers{Answer::Yes} << QString() << QStringList{u"Notiz.txt"_s} << u"Notiz.txt<notiz.txt"_s << u"Notiz"_s
        << QStringList{DocumentExists};
    QTest::newRow("onto another document, Yes")
        << 0 << QStringList{u"Bericht.txt"_s, u"Notiz.txt"_s} << u"Notiz"_s << u"Notiz"_s << QStringList{u"Bericht"_s}
        << Answers{Answer::Yes} << QString() << QStringList{u"Bericht.txt"_s} << u"Bericht.txt<Notiz.txt"_s
        << u"Bericht"_s << QStringList{DocumentExists};
    QTest::newRow("a colon, then a good name")
        << 0 << QStringList{u"Notiz.txt"_s} << u"Notiz"_s << u"Notiz"_s << QStringList{u"a:b"_s, u"Bericht"_s}
        << Answers{} << QString() << QStringList{u"Bericht.txt"_s} << u"Bericht.txt<Notiz.txt"_s << u"Bericht"_s
        << QStringList{InvalidName};
    QTest::newRow("name unchanged") << 0 << QStringList{u"Notiz.txt"_s} << u"Notiz"_s << u"Notiz"_s
                                    << QStringList{u"Notiz"_s} << Answers{} << QString() << QStringList{u"Notiz.txt"_s}
                                    << u"Notiz.txt<Notiz.txt"_s << u"Notiz"_s << none;
    QTest::newRow("extension keeps its spelling")
        << 0 << QStringList{u"NOTIZ.TXT"_s} << u"NOTIZ"_s << u"NOTIZ"_s << QStringList{u"Bericht"_s} << Answers{}
        << QString() << QStringList{u"Bericht.TXT"_s} << u"Bericht.TXT<NOTIZ.TXT"_s << u"Bericht"_s << none;
    QTest::newRow("class keeps .cls") << 1 << QStringList{u"Modul.bas"_s, u"Modul.cls"_s} << u"Modul\t"_s << u"Modul"_s
                                      << QStringList{u"Klasse"_s} << Answers{} << QString()
                                      << QStringList{u"Klasse.cls"_s, u"Modul.bas"_s} << u"Klasse.cls<Modul.cls"_s
                                      << u"Klasse\t"_s << none;
    QTest::newRow("project folder with subfolders")
        << 2 << QStringList{u"Projekt/Quandel.ini"_s, u"Projekt/Formulare/Form1.frm"_s, u"Projekt/.git/HEAD"_s}
        << u"Projekt"_s << u"Projekt"_s << QStringList{u"Neu"_s} << Answers{} << QString()
        << QStringList{u"Neu/"_s,
                       u"Neu/.git/"_s,
                       u"Neu/.git/HEAD"_s,
                       u"Neu/Formulare/"_s,
                       u"Neu/Formulare/Form1.frm"_s,
                       u"Neu/Quandel.ini"_s}
        << u"Neu/Formulare/Form1.frm<Projekt/Formulare/Form1.frm"_s << u"Neu"_s << none;
    QTest::newRow("project folder only changing case")
        << 2 << QStringList{u"Projekt/Quandel.ini"_s} << u"Projekt"_s << u"Projekt"_s << QStringList{u"PROJEKT"_s}
        << Answers{} << QString() << QStringList{u"Projekt/"_s, u"Projekt/Quandel.ini"_s}
        << u"Projekt/Quandel.ini<Projekt/Quandel.ini"_s << u"Projekt"_s << none;
    QTest::newRow("project onto another folder, No")
        << 2 << QStringList{u"Alt/Quandel.ini"_s, u"Neu/Quandel.ini"_s} << u"Alt"_s << u"Alt"_s << QStringList{u"Neu"_s}
        << Answers{Answer::No} << QString()
        << QStringList{u"Alt/"_s, u"Alt/Quandel.ini"_s, u"Neu/"_s, u"Neu/Quandel.ini"_s}
        << u"Alt/Quandel.ini<Alt/Quandel.ini"_s << u"Alt"_s << QStringList{FolderExists};
    QTest::newRow("project onto another folder, Yes")
        << 2 << QStringList{u"Alt/Quandel.ini"_s, u"Neu/Quandel.ini"_s} << u"Alt"_s << u"Alt"_s << QStringList{u"Neu"_s}
        << Answers{Answer::Yes} << QString() << QStringList{u"Neu/"_s, u"Neu/Quandel.ini"_s}
        << u"Neu/Quandel.ini<Alt/Quandel.ini"_s << u"Neu"_s << QStringList{FolderExists};
    QTest::newRow("document removed meanwhile")
        << 0 << QStringList{u"Notiz.txt"_s, u"Zweit.txt"_s} << u"Notiz"_s << u"Notiz"_s << QStringList{u"Bericht"_s}
        << Answers{} << u"removeOld"_s << QStringList{u"Zweit.txt"_s} << u"Zweit.txt<Zweit.txt"_s << u"Notiz"_s
        << QStringList{u"Notiz.txt konnte nicht in Bericht.txt umbenannt werden. \n"_s};
    QTest::newRow("project folder removed meanwhile")
        << 2 << QStringList{u"Projekt/Quandel.ini"_s} << u"Projekt"_s << u"Projekt"_s << QStringList{u"Neu"_s}
        << Answers{} << u"removeOld"_s << QStringList() << QString() << u"Projekt"_s
        << QStringList{u"Projekt konnte nicht in Neu umbenannt werden. \n"_s};
    QTest::newRow("trash refuses the document to replace")
        << 0 << QStringList{u"Bericht.txt"_s, u"Notiz.txt"_s} << u"Notiz"_s << u"Notiz"_s << QStringList{u"Bericht"_s}
        << Answers{Answer::Yes} << u"trashFails"_s << QStringList{u"Bericht.txt"_s, u"Notiz.txt"_s}
        << u"Bericht.txt<Bericht.txt"_s << u"Notiz"_s
        << QStringList{DocumentExists,
                       u"Bericht.txt konnte nicht in den Papierkorb verschoben werden. \nDer Papierkorb ist nicht "
                       u"verfügbar."_s};
}

void TestFileCommands::rename()
{
    QFETCH(QStringList, files);
    for (const QString &file : files) {
        m_f->put(file, file.toUtf8());
    }
    QFETCH(int, kind);
    QVERIFY(m_f->start(kind));
    QFETCH(QString, entry);
    selectEntry(entry);
    QFETCH(QString, breakage);
    m_f->shell.succeed = breakage != u"trashFails";
    QFETCH(Answers, answers);
    for (const Answer answer : answers) {
        m_f->prompts.messageAnswers.enqueue(answer);
    }
    QFETCH(QStringList, typed);
    renameTyping(typed, [&] {
        if (breakage == u"removeOld") {
            QVERIFY(kind == 2 ? QDir(m_f->folder + u'/' + entry).removeRecursively()
                              : QFile::remove(m_f->folder + u'/' + entry + u".txt"_s));
        }
    });

    const auto dialogs = m_f->prompts.callsOf(u"dialog"_s);
    QCOMPARE(dialogs.size(), 1);
    QCOMPARE(dialogs.first().text, u"Renames"_s);
    QCOMPARE(dialogs.first().title, u" Umbenennen"_s);
    QFETCH(QString, proposed);
    QCOMPARE(m_proposed, proposed);
    QVERIFY(m_proposalSelected);
    QVERIFY(!m_readyWhenEmpty);

    QFETCH(QStringList, messages);
    QVERIFY2(messagesStartWith(messageTexts(m_f->prompts), messages),
             qPrintable(messageTexts(m_f->prompts).join(u" | "_s)));
    for (const auto &call : m_f->prompts.callsOf(u"message"_s)) {
        QCOMPARE(call.title, u" Umbenennen"_s);
        QCOMPARE(call.buttons, call.text == DocumentExists || call.text == FolderExists ? Prompts::Buttons::YesNo
                                                                                        : Prompts::Buttons::Ok);
    }
    QFETCH(QStringList, after);
    QCOMPARE(RootFixture::tree(m_f->folder), after);
    QFETCH(QString, moved);
    if (!moved.isEmpty()) {
        const QStringList parts = moved.split(u'<');
        QCOMPARE(bytesOf(m_f->folder + u'/' + parts.at(0)), parts.at(1).toUtf8());
    }
    QFETCH(QString, selected);
    QVERIFY(m_f->list()->currentItem());
    QCOMPARE(m_f->list()->currentItem()->text(), selected);
    QCOMPARE(m_f->state().mIndex, m_f->list()->currentRow());
    // Only the trash may take what is replaced, and only after a Yes.
    const bool replaced = answers.contains(Answer::Yes);
    QCOMPARE(m_f->shell.requestsOf(u"trash"_s).size(), replaced ? 1 : 0);
}

void TestFileCommands::renameRefusesNames_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("name");
    for (const int kind : {0, 2}) {
        for (const QString &name : {u"a:b"_s, u"a/b"_s, u"a\\b"_s, u"*"_s, u"?"_s, u"\""_s, u"<"_s, u">"_s, u"|"_s,
                                    u"."_s, u".."_s, u"   "_s, u"Modul\t"_s}) {
            QTest::addRow("kind %d, \"%s\"", kind, qPrintable(name)) << kind << name;
        }
    }
}

void TestFileCommands::renameRefusesNames()
{
    m_f->put(u"Notiz.txt"_s, "notiz\r\n");
    m_f->put(u"Projekt/Quandel.ini"_s, "projekt\r\n");
    m_f->env.writeFile(u"nebenan.txt"_s, "nebenan");
    QFETCH(int, kind);
    QVERIFY(m_f->start(kind));
    const QStringList home = RootFixture::tree(m_f->env.home());
    QFETCH(QString, name);
    renameTyping({name});

    const auto messages = m_f->prompts.callsOf(u"message"_s);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first().text, InvalidName);
    QCOMPARE(messages.first().title, u" Umbenennen"_s);
    QCOMPARE(messages.first().icon, Prompts::Icon::Critical);
    QVERIFY(!m_accepted);
    // Neither the document folder nor its parent has been touched.
    QCOMPARE(RootFixture::tree(m_f->env.home()), home);
    QVERIFY(m_f->shell.requests.isEmpty());
}

void TestFileCommands::remove_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<QString>("breakage");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("trashed");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("savedTo"); // the selected entry's file, to which Save writes

    const QStringList two = {u"Notiz.txt"_s, u"Zweit.txt"_s};
    QTest::newRow("document, Yes") << 0 << two << u"Notiz"_s << Answer::Yes << QString()
                                   << u"Möchten Sie Notiz wirklich löschen ? "_s << u"Notiz.txt"_s
                                   << QStringList{u"Zweit.txt"_s} << u"Zweit"_s << u"Zweit.txt"_s;
    QTest::newRow("document, No") << 0 << two << u"Zweit"_s << Answer::No << QString()
                                  << u"Möchten Sie Zweit wirklich löschen ? "_s << QString() << two << u"Zweit"_s
                                  << u"Zweit.txt"_s;
    QTest::newRow("class") << 1 << QStringList{u"Modul.cls"_s} << u"Modul\t"_s << Answer::Yes << QString()
                           << u"Möchten Sie Modul wirklich löschen ? "_s << u"Modul.cls"_s << QStringList() << QString()
                           << QString();
    QTest::newRow("project description only")
        << 2 << QStringList{u"Projekt/Quandel.ini"_s, u"Projekt/Form1.frm"_s} << u"Projekt"_s << Answer::Yes
        << QString() << u"Möchten Sie die Beschreibung für Projekt wirklich löschen ? "_s << u"Projekt/Quandel.ini"_s
        << QStringList{u"Projekt/"_s, u"Projekt/Form1.frm"_s} << u"Projekt"_s << u"Projekt/Quandel.ini"_s;
    QTest::newRow("edited document goes without a save question")
        << 0 << two << u"Notiz"_s << Answer::Yes << u"edited"_s << u"Möchten Sie Notiz wirklich löschen ? "_s
        << u"Notiz.txt"_s << QStringList{u"Zweit.txt"_s} << u"Zweit"_s << u"Zweit.txt"_s;
    QTest::newRow("trash refuses") << 0 << two << u"Notiz"_s << Answer::Yes << u"trashFails"_s
                                   << u"Möchten Sie Notiz wirklich löschen ? "_s << u"Notiz.txt"_s << two << u"Notiz"_s
                                   << u"Notiz.txt"_s;
}

void TestFileCommands::remove()
{
    QFETCH(QStringList, files);
    for (const QString &file : files) {
        m_f->put(file, file.toUtf8() + "\r\n");
    }
    QFETCH(int, kind);
    QVERIFY(m_f->start(kind));
    QFETCH(QString, entry);
    selectEntry(entry);
    QFETCH(QString, breakage);
    if (breakage == u"edited") {
        QTest::keyClick(m_f->editor(), Qt::Key_X);
        QVERIFY(m_f->state().mChange);
    }
    m_f->shell.succeed = breakage != u"trashFails";
    QFETCH(Answer, answer);
    m_f->prompts.messageAnswers.enqueue(answer);
    m_f->run(u"mnuloesche"_s);

    const auto messages = m_f->prompts.callsOf(u"message"_s);
    QVERIFY(!messages.isEmpty());
    QFETCH(QString, question);
    QCOMPARE(messages.first().text, question);
    QCOMPARE(messages.first().title, Caption);
    QCOMPARE(messages.first().buttons, Prompts::Buttons::YesNo);
    QCOMPARE(messages.first().icon, Prompts::Icon::Question);
    QCOMPARE(messages.size(), breakage == u"trashFails" ? 2 : 1);
    if (breakage == u"trashFails") {
        QCOMPARE(messages.last().text,
                 u"Notiz konnte nicht in den Papierkorb verschoben werden. \nDer Papierkorb ist nicht verfügbar."_s);
        QCOMPARE(messages.last().icon, Prompts::Icon::Critical);
    }
    QFETCH(QString, trashed);
    const auto trash = m_f->shell.requestsOf(u"trash"_s);
    QCOMPARE(trash.size(), trashed.isEmpty() ? 0 : 1);
    if (!trashed.isEmpty()) {
        QCOMPARE(trash.first().target, m_f->folder + u'/' + trashed);
    }
    QFETCH(QStringList, after);
    QCOMPARE(RootFixture::tree(m_f->folder), after);

    QFETCH(QString, selected);
    QCOMPARE(m_f->list()->currentItem() ? m_f->list()->currentItem()->text() : QString(), selected);
    QFETCH(QString, savedTo);
    if (savedTo.isEmpty()) {
        QCOMPARE(m_f->state().mIndex, -1);
        return;
    }
    // The state is the shown entry's: Save writes its file, without asking
    // for a name.
    QCOMPARE(m_f->state().mIndex, m_f->list()->currentRow());
    QCOMPARE(m_f->state().mFile, selected);
    QTest::keyClick(m_f->editor(), Qt::Key_Y);
    m_f->run(u"mnuspeichern"_s);
    QVERIFY(m_f->prompts.callsOf(u"save"_s).isEmpty());
    QVERIFY(bytesOf(m_f->folder + u'/' + savedTo).startsWith('y'));
}

void TestFileCommands::properties_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("fileManager");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("size");

    QTest::newRow("file, file manager") << 0 << true << u"Notiz.txt"_s << QString() << QString();
    QTest::newRow("file, own dialog") << 0 << false << u"Notiz.txt"_s << u"Textdokument (.txt)"_s << u"7 Bytes"_s;
    QTest::newRow("project folder, own dialog")
        << 2 << false << u"Projekt"_s << u"Dateiordner"_s << u"10 Bytes, 2 Dateien"_s;
}

void TestFileCommands::properties()
{
    m_f->put(u"Notiz.txt"_s, "notiz\r\n");
    m_f->put(u"Projekt/Quandel.ini"_s, "abcde");
    m_f->put(u"Projekt/Formulare/Form1.frm"_s, "abcde");
    QFETCH(int, kind);
    QVERIFY(m_f->start(kind));
    QFETCH(bool, fileManager);
    m_f->shell.hasProperties = fileManager;
    QMap<QString, QString> shown;
    QString title;
    QStringList focusOrder;
    // German whatever the locale the program runs in.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    m_f->prompts.dialogHandlers.enqueue([&](QDialog &dialog) {
        title = dialog.windowTitle();
        for (const QLineEdit *value : dialog.findChildren<QLineEdit *>()) {
            shown.insert(value->objectName(), value->isReadOnly() ? value->text() : u"(editable)"_s);
        }
        // Tab reaches every value, then OK.
        for (QWidget *w = dialog.nextInFocusChain(); w && w != &dialog; w = w->nextInFocusChain()) {
            if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled()) {
                const auto *button = qobject_cast<QPushButton *>(w);
                focusOrder.append(button ? button->text() : w->objectName());
            }
        }
        dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        return dialog.result();
    });
    m_f->run(u"mnuEigenschaften"_s);
    QLocale::setDefault(before);

    QFETCH(QString, target);
    const QString path = m_f->folder + u'/' + target;
    const auto asked = m_f->shell.requestsOf(u"properties"_s);
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked.first().target, path);
    QCOMPARE(m_f->prompts.callsOf(u"dialog"_s).size(), fileManager ? 0 : 1);
    if (fileManager) {
        return;
    }
    QCOMPARE(m_f->prompts.callsOf(u"dialog"_s).first().text, u"Eigenschaften"_s);
    QCOMPARE(title, u"Eigenschaften von "_s + target);
    QCOMPARE(shown.value(u"LName"_s), target);
    QCOMPARE(shown.value(u"LOrt"_s), m_f->folder);
    QFETCH(QString, type);
    QCOMPARE(shown.value(u"LTyp"_s), type);
    QFETCH(QString, size);
    QCOMPARE(shown.value(u"LGroesse"_s), size);
    QCOMPARE(shown.value(u"LGeaendert"_s), QFileInfo(path).lastModified().toString(u"dd.MM.yyyy HH:mm:ss"_s));
    const QStringList order{u"LName"_s, u"LTyp"_s, u"LOrt"_s, u"LGroesse"_s, u"LGeaendert"_s, u"LRechte"_s, u"OK"_s};
    QCOMPARE(focusOrder, order);
    QVERIFY2(shown.value(u"LRechte"_s).startsWith(u"rw"_s), qPrintable(shown.value(u"LRechte"_s)));
}

void TestFileCommands::propertyTexts_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("type");

    QTest::newRow("one byte, a text") << qint64(1) << u"1 Byte"_s << u"a.txt"_s << u"Textdokument (.txt)"_s;
    QTest::newRow("below a KB, a class") << qint64(1023) << u"1.023 Bytes"_s << u"K.CLS"_s
                                         << u"Visual-Basic-Klassenmodul (.CLS)"_s;
    QTest::newRow("one KB, unknown type")
        << qint64(1024) << u"1,0 KB (1.024 Bytes)"_s << u"x.qqq"_s << u"Datei (.qqq)"_s;
    QTest::newRow("MB, no extension") << qint64(1234567) << u"1,2 MB (1.234.567 Bytes)"_s << u"LIESMICH"_s
                                      << u"Datei"_s;
    QTest::newRow("rounds up into the next unit")
        << qint64(1048575) << u"1,0 MB (1.048.575 Bytes)"_s << u"p.vbp"_s << u"Visual-Basic-Projekt (.vbp)"_s;
    QTest::newRow("GB") << qint64(5) * 1024 * 1024 * 1024 + 1 << u"5,0 GB (5.368.709.121 Bytes)"_s
                        << u"Sicherung.tar.zip"_s << u"ZIP-Archiv (.zip)"_s;
}

void TestFileCommands::propertyTexts()
{
    QFETCH(qint64, bytes);
    QFETCH(QString, file);
    const QLocale before;
    QLocale::setDefault(QLocale::c());
    const QString size = FileProperties::sizeText(bytes);
    const QString type = FileProperties::kindText(file);
    QLocale::setDefault(before);
    QTEST(size, "size");
    QTEST(type, "type");
}

void TestFileCommands::sendTo_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("target");
    QTest::addColumn<QByteArray>("existing"); // null: not at the destination yet
    QTest::addColumn<QString>("edit");        // typed into the document first
    QTest::addColumn<Answers>("answers");
    QTest::addColumn<QString>("breakage");
    QTest::addColumn<QByteArray>("copied"); // null: nothing at the destination
    QTest::addColumn<QStringList>("messages");

    const QByteArray notiz = "notiz\r\n";
    const QByteArray old = "alt\r\n";
    const QByteArray null;
    const QString unsaved = u"Notiz\nwurde geändert.\n\nMöchten Sie die Änderungen speichern ? "_s;
    QTest::newRow("desktop") << 0 << 3 << null << QString() << Answers{} << QString() << notiz << QStringList();
    QTest::newRow("desktop, already there, No")
        << 0 << 3 << old << QString() << Answers{Answer::No} << QString() << old << QStringList{AlreadyThere};
    QTest::newRow("desktop, already there, Yes")
        << 0 << 3 << old << QString() << Answers{Answer::Yes} << QString() << notiz << QStringList{AlreadyThere};
    QTest::newRow("documents folder not there yet")
        << 0 << 2 << null << QString() << Answers{} << QString() << notiz << QStringList();
    QTest::newRow("removable volume") << 0 << 1 << null << QString() << Answers{} << QString() << notiz
                                      << QStringList();
    QTest::newRow("removable volume not ready, Cancel")
        << 0 << 1 << null << QString() << Answers{Answer::Cancel} << u"noVolume"_s << null << QStringList{NotReady};
    QTest::newRow("copy fails") << 0 << 3 << null << QString() << Answers{} << u"desktopIsAFile"_s << null
                                << QStringList{u"Notiz.txt konnte nicht nach "_s};
    QTest::newRow("project folder sends nothing")
        << 2 << 3 << null << QString() << Answers{} << QString() << null << QStringList();
    QTest::newRow("unsaved changes, Cancel")
        << 0 << 3 << null << u"x"_s << Answers{Answer::Cancel} << QString() << null << QStringList{unsaved};
    QTest::newRow("unsaved changes, Yes") << 0 << 3 << null << u"x"_s << Answers{Answer::Yes} << QString()
                                          << QByteArray("xnotiz\r\n") << QStringList{unsaved};
}

void TestFileCommands::sendTo()
{
    const QString source = m_f->put(u"Notiz.txt"_s, "notiz\r\n");
    {
        QFile old(source);
        QVERIFY(old.open(QIODevice::Append));
        QVERIFY(old.setFileTime(QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)), QFileDevice::FileModificationTime));
    }
    m_f->put(u"Projekt/Quandel.ini"_s, "projekt\r\n");
    const QString desktop = m_f->env.path(u"Schreibtisch"_s);
    const QString documents = m_f->env.path(u"Eigene/Dateien"_s);
    const QString volume = m_f->env.path(u"media/STICK"_s);
    QDir().mkpath(desktop);
    QDir().mkpath(volume);
    QFETCH(QString, breakage);
    if (breakage == u"desktopIsAFile") {
        QDir(desktop).removeRecursively();
        m_f->env.writeFile(u"Schreibtisch"_s, "kein Ordner");
    }
    m_f->shell.folders.insert(Shell::SpecialFolder::Desktop, desktop);
    m_f->shell.folders.insert(Shell::SpecialFolder::Documents, documents);
    m_f->shell.volume = breakage == u"noVolume" ? QString() : volume;
    QFETCH(int, target);
    const QString destinationFolder = target == 1 ? volume : target == 2 ? documents : desktop;
    const QString destination = destinationFolder + u"/Notiz.txt"_s;
    QFETCH(QByteArray, existing);
    if (!existing.isNull()) {
        m_f->env.writeFile(QDir(m_f->env.home()).relativeFilePath(destination), existing);
    }
    QFETCH(int, kind);
    QVERIFY(m_f->start(kind));
    QFETCH(QString, edit);
    if (!edit.isEmpty()) {
        QTest::keyClicks(m_f->editor(), edit);
    }
    QFETCH(Answers, answers);
    for (const Answer answer : answers) {
        m_f->prompts.messageAnswers.enqueue(answer);
    }
    m_f->run(u"mnuSendenDatei_%1"_s.arg(target));

    QFETCH(QStringList, messages);
    QVERIFY2(messagesStartWith(messageTexts(m_f->prompts), messages),
             qPrintable(messageTexts(m_f->prompts).join(u" | "_s)));
    const QString title =
        QStringList{u" Senden an 3½-Diskette (A:)"_s, u" Senden an Eigene Dateien"_s, u" Senden an Desktop"_s}.at(
            target - 1);
    for (const auto &call : m_f->prompts.callsOf(u"message"_s)) {
        if (call.text == NotReady) {
            QCOMPARE(call.buttons, Prompts::Buttons::RetryCancel);
            QCOMPARE(call.icon, Prompts::Icon::Exclamation);
        } else if (call.text == AlreadyThere) {
            QCOMPARE(call.buttons, Prompts::Buttons::YesNo);
            QCOMPARE(call.icon, Prompts::Icon::Question);
        }
        if (!call.text.startsWith(u"Notiz\n"_s)) {
            QCOMPARE(call.title, title);
        }
    }
    QFETCH(QByteArray, copied);
    QCOMPARE(QFileInfo(destination).isFile(), !copied.isNull());
    QCOMPARE(bytesOf(destination), copied);
    if (!copied.isNull() && copied == bytesOf(source)) {
        // Like a file manager's copy, with the original's time.
        QCOMPARE(QFileInfo(destination).lastModified(), QFileInfo(source).lastModified());
    }
    // The document itself is never changed by sending it.
    QCOMPARE(bytesOf(source),
             edit.isEmpty() || answers.first() != Answer::Yes ? QByteArray("notiz\r\n") : QByteArray("xnotiz\r\n"));
    // Nothing else lands anywhere.
    QCOMPARE(QDir(destinationFolder).entryList(QDir::Files | QDir::Hidden).size(), copied.isNull() ? 0 : 1);
}

void TestFileCommands::sendToRemovableVolumeAfterRetry_data()
{
    QTest::addColumn<int>("readyAfter"); // queries answered "not ready"
    QTest::addColumn<Answers>("answers");
    QTest::addColumn<bool>("copied");
    QTest::newRow("inserted after one Retry") << 1 << Answers{Answer::Retry} << true;
    QTest::newRow("still not ready, then Cancel") << 2 << Answers{Answer::Retry, Answer::Cancel} << false;
}

void TestFileCommands::sendToRemovableVolumeAfterRetry()
{
    m_f->put(u"Notiz.txt"_s, "notiz\r\n");
    QVERIFY(m_f->start());
    VolumeShell shell;
    shell.root = m_f->env.path(u"media/STICK"_s);
    QDir().mkpath(shell.root);
    QFETCH(int, readyAfter);
    shell.readyAfter = readyAfter;
    Shell::setInstance(&shell);
    QFETCH(Answers, answers);
    for (const Answer answer : answers) {
        m_f->prompts.messageAnswers.enqueue(answer);
    }
    m_f->run(u"mnuSendenDatei_1"_s);
    Shell::setInstance(&m_f->shell);

    QCOMPARE(messageTexts(m_f->prompts), QStringList(answers.size(), NotReady));
    QFETCH(bool, copied);
    QCOMPARE(bytesOf(shell.root + u"/Notiz.txt"_s), copied ? QByteArray("notiz\r\n") : QByteArray());
}

void TestFileCommands::sendToCopiesOnlyRegularFilesInChunks_data()
{
    QTest::addColumn<QString>("source");       // "text", "big" (5 MiB) or a special kind
    QTest::addColumn<bool>("destinationLink"); // the destination is a link to a file elsewhere
    QTest::addColumn<bool>("cancel");          // Abbrechen in the progress dialog
    QTest::addColumn<bool>("progressShown");
    QTest::addColumn<bool>("copied");
    QTest::addColumn<QString>("message"); // the start of the one message, empty: none

    const QString failed = u"Notiz.txt konnte nicht nach "_s;
    QTest::newRow("named pipe") << u"fifo"_s << false << false << false << false << failed;
    QTest::newRow("link to /dev/zero") << u"zero link"_s << false << false << false << false << failed;
    QTest::newRow("big file shows its progress") << u"big"_s << false << false << true << true << QString();
    QTest::newRow("big file, Abbrechen") << u"big"_s << false << true << true << false << QString();
    QTest::newRow("onto a link: the link is replaced") << u"text"_s << true << false << false << true << QString();
    QTest::newRow("big file onto a link, Abbrechen") << u"big"_s << true << true << true << false << QString();
}

// Send to read the whole source into memory (a link to /dev/zero grew
// without end, a pipe blocked for ever) and wrote through a link at the
// destination into the file it pointed at.
void TestFileCommands::sendToCopiesOnlyRegularFilesInChunks()
{
    QFETCH(QString, source);
    const QString relative = QDir(m_f->env.home()).relativeFilePath(m_f->folder + u"/Notiz.txt"_s);
    QByteArray content = "notiz\r\n";
    if (source == u"big") {
        const QByteArray line = QByteArray(78, 'q') + "\r\n";
        content = line.repeated(5 * 1024 * 1024 / line.size());
    }
    if (source == u"text" || source == u"big") {
        m_f->put(u"Notiz.txt"_s, content);
    } else if (m_f->env.makeSpecial(relative, source).isEmpty()) {
        QSKIP("this machine cannot make such a node");
    }
    const QString desktop = m_f->env.path(u"Schreibtisch"_s);
    QDir().mkpath(desktop);
    m_f->shell.folders.insert(Shell::SpecialFolder::Desktop, desktop);
    const QString destination = desktop + u"/Notiz.txt"_s;
    const QString elsewhere = m_f->env.writeFile(u"Woanders/Liste.txt"_s, "woanders");
    QFETCH(bool, destinationLink);
    if (destinationLink) {
        QVERIFY(QFile::link(elsewhere, destination));
        m_f->prompts.messageAnswers.enqueue(Answer::Yes);
    }
    QVERIFY(m_f->start());
    m_f->list()->setCurrentRow(0);

    QFETCH(bool, cancel);
    bool sawProgress = false;
    QTimer watcher;
    watcher.setInterval(0);
    connect(&watcher, &QTimer::timeout, this, [&] {
        auto *dialog = m_f->root->findChild<QProgressDialog *>();
        if (dialog && dialog->isVisible()) {
            sawProgress = true;
            if (cancel) {
                dialog->cancel();
            }
        }
    });
    watcher.start();
    const qint64 readBefore = bytesReadSoFar();
    m_f->run(u"mnuSendenDatei_3"_s);
    watcher.stop();
    if (readBefore >= 0) {
        // The source once at most, and a link to /dev/zero not at all.
        const qint64 read = bytesReadSoFar() - readBefore;
        QVERIFY2(read <= content.size() + 1024 * 1024, qPrintable(QString::number(read)));
    }

    QFETCH(bool, progressShown);
    QCOMPARE(sawProgress, progressShown);
    QFETCH(QString, message);
    QStringList shown = messageTexts(m_f->prompts);
    if (destinationLink) {
        QCOMPARE(shown.takeFirst(), AlreadyThere);
    }
    QCOMPARE(shown.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QVERIFY2(shown.first().startsWith(message), qPrintable(shown.first()));
    }
    QFETCH(bool, copied);
    QCOMPARE(bytesOf(elsewhere), QByteArray("woanders"));
    if (copied) {
        QVERIFY(!QFileInfo(destination).isSymLink());
        QCOMPARE(bytesOf(destination), content);
    } else {
        // As it was, and no part of the copy left behind.
        QCOMPARE(QFileInfo(destination).isSymLink(), destinationLink);
        QCOMPARE(QDir(desktop).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 destinationLink ? QStringList{u"Notiz.txt"_s} : QStringList());
    }
}

QTEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
