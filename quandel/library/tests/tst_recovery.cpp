#include "AppPaths.h"
#include "DocumentLibrary.h"
#include "EditorDocument.h"
#include "FavouritesStore.h"
#include "ProductInfo.h"
#include "Recovery.h"
#include "Registry.h"
#include "RootFixture.h"

#include <QCryptographicHash>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QLockFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using Answer = Prompts::Answer;

namespace {

QStringList recoveryFiles()
{
    return QDir(AppPaths::stateFolder()).entryList({u"*.qrec"_s}, QDir::Files | QDir::Hidden);
}

std::optional<RecoveryRecord> kept()
{
    const QStringList files = recoveryFiles();
    if (files.size() != 1) {
        return std::nullopt;
    }
    return RecoveryRecord::parse(bytesOf(QDir(AppPaths::stateFolder()).filePath(files.first())));
}

// A recovery file as a program killed while editing leaves it: no lock.
QString leaveRecovery(const RecoveryRecord &record, const QString &name = u"links"_s, int ageSeconds = 0)
{
    QDir().mkpath(AppPaths::stateFolder());
    QString file = QDir(AppPaths::stateFolder()).filePath(u"Ungesichert-"_s + name + u".qrec"_s);
    QFile out(file);
    if (out.open(QIODevice::WriteOnly)) {
        out.write(record.serialise());
        out.flush();
        out.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds), QFileDevice::FileModificationTime);
    }
    return file;
}

RecoveryRecord recordOf(const QString &path, const QString &name, const QString &text)
{
    RecoveryRecord record;
    record.path = path;
    record.name = name;
    record.text = text;
    record.diskExists = !path.isEmpty();
    record.written = QDateTime(QDate(2026, 12, 1), QTime(9, 30));
    return record;
}

QString question(const QString &name, const QString &path, bool changedOnDisk)
{
    // German dates whatever the locale.
    return u"Beim letzten Mal wurde Quandel Library beendet, ohne die Änderungen an „"_s + name +
           u"“ zu speichern (Stand: 01.12.2026 09:30:00).\nDatei: "_s +
           (path.isEmpty() ? u"keine, ein neues Dokument"_s : path) +
           (changedOnDisk ? u"\nDas Dokument wurde seitdem außerhalb von Quandel Library geändert."_s : QString()) +
           u"\n\nMöchten Sie den ungesicherten Text wiederherstellen ? \n\n"
           u"Ja: Der Text erscheint als ungesicherte Änderung.\n"
           u"Nein: Der Text wird verworfen.\n"
           u"Abbrechen: Der Text wird beim nächsten Start wieder angeboten."_s;
}

} // namespace

class TestRecovery final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void unsavedTextIsKeptUntilSavedOrDiscarded_data();
    void unsavedTextIsKeptUntilSavedOrDiscarded();
    void typingAloneKeepsTheTextWithinFiveSeconds();
    void leftTextIsOffered_data();
    void leftTextIsOffered();
    void locksOfEndedProgramsGoOthersStay();
    void restoredOnlyToTheLibrarysOwnFiles_data();
    void restoredOnlyToTheLibrarysOwnFiles();
    void textTooLargeForTheEditorIsOnlySavedElsewhere_data();
    void textTooLargeForTheEditorIsOnlySavedElsewhere();
    void lineTooLongForTheEditorBecomesADocument();
    void failedWritesAreToldOnceAndTriedAgain_data();
    void failedWritesAreToldOnceAndTriedAgain();
    void severalLeftTextsAreAskedAboutOnce_data();
    void severalLeftTextsAreAskedAboutOnce();
    void recordFilesAreReadOrRefused_data();
    void recordFilesAreReadOrRefused();

private:
    void settle() const;

    std::unique_ptr<RootFixture> m_f;
};

void TestRecovery::init()
{
    m_f = std::make_unique<RootFixture>();
}

void TestRecovery::cleanup()
{
    m_f.reset();
}

// Lets queued timers run and waits for the background writes.
void TestRecovery::settle() const
{
    QCoreApplication::processEvents();
    m_f->root->library()->recovery()->waitForDone();
}

void TestRecovery::unsavedTextIsKeptUntilSavedOrDiscarded_data()
{
    QTest::addColumn<QString>("end"); // how the changes end

    QTest::newRow("saved") << u"save"_s;
    QTest::newRow("discarded for another document") << u"discard"_s;
    QTest::newRow("discarded at exit") << u"exit"_s;
    QTest::newRow("reloaded after an outside change") << u"reload"_s;
}

void TestRecovery::unsavedTextIsKeptUntilSavedOrDiscarded()
{
    const QString path = m_f->put(u"Notiz.txt"_s, "notiz\r\n");
    m_f->put(u"Zweite.txt"_s, "zweite\r\n");
    QVERIFY(m_f->start());
    QTest::keyClicks(m_f->editor(), u"Hallo "_s);
    QTRY_VERIFY_WITH_TIMEOUT(kept().has_value(), DocumentLibrary::RecoveryDelayMs + 3000);

    const std::optional<RecoveryRecord> record = kept();
    QVERIFY(record);
    QCOMPARE(record->text, u"Hallo notiz\n"_s);
    QCOMPARE(record->path, path);
    QCOMPARE(record->name, u"Notiz"_s);
    QVERIFY(record->diskExists);
    QCOMPARE(record->diskHash, QCryptographicHash::hash("notiz\r\n", QCryptographicHash::Sha1));

    QFETCH(QString, end);
    if (end == u"save") {
        m_f->run(u"mnuspeichern"_s);
        QCOMPARE(bytesOf(path), QByteArray("Hallo notiz\r\n"));
    } else if (end == u"discard") {
        m_f->prompts.messageAnswers.enqueue(Answer::No);
        m_f->list()->setCurrentRow(1);
        QCOMPARE(m_f->shownText(), u"zweite\n"_s);
    } else if (end == u"exit") {
        m_f->prompts.messageAnswers.enqueue(Answer::No);
        m_f->run(u"mnubeenden"_s);
        m_f->root.reset();
        QCOMPARE(recoveryFiles(), QStringList());
        return;
    } else {
        m_f->prompts.messageAnswers.enqueue(Answer::Yes);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("anders\r\n");
        file.close();
        QVERIFY(file.open(QIODevice::ReadOnly));
        file.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime);
        m_f->run(u"mnuaktualisieren"_s);
        QCOMPARE(m_f->shownText(), u"anders\n"_s);
    }
    QVERIFY(!m_f->state().mChange);
    settle();
    QCOMPARE(recoveryFiles(), QStringList());
}

void TestRecovery::typingAloneKeepsTheTextWithinFiveSeconds()
{
    m_f->put(u"Notiz.txt"_s, "notiz\r\n");
    QVERIFY(m_f->start());
    QTest::keyClicks(m_f->editor(), u"a"_s);
    // Not on every key: the first write waits for the interval.
    QCoreApplication::processEvents();
    QCOMPARE(recoveryFiles(), QStringList());
    QTest::keyClicks(m_f->editor(), u"b"_s);
    QTRY_VERIFY_WITH_TIMEOUT(kept().has_value(), DocumentLibrary::RecoveryDelayMs + 3000);
    QCOMPARE(kept()->text, u"abnotiz\n"_s);
    // A program about to end writes the latest text at once.
    QTest::keyClicks(m_f->editor(), u"c"_s);
    QVERIFY(m_f->root->library()->writeRecoveryNow());
    QCOMPARE(kept()->text, u"abcnotiz\n"_s);
}

void TestRecovery::leftTextIsOffered_data()
{
    QTest::addColumn<bool>("untitled");
    QTest::addColumn<bool>("changedOnDisk");
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("fileLeft"); // the left recovery file stays for later

    const QString restored = u"gerettet\nnotiz\n"_s;
    QTest::newRow("Yes restores") << false << false << Answer::Yes << restored << false;
    QTest::newRow("No discards") << false << false << Answer::No << u"notiz\n"_s << false;
    QTest::newRow("Cancel keeps it for later") << false << false << Answer::Cancel << u"notiz\n"_s << true;
    QTest::newRow("changed on disk meanwhile, Yes") << false << true << Answer::Yes << restored << false;
    QTest::newRow("untitled document, Yes") << true << false << Answer::Yes << restored << false;
}

void TestRecovery::leftTextIsOffered()
{
    QFETCH(bool, untitled);
    QFETCH(bool, changedOnDisk);
    QFETCH(Answer, answer);
    const QString path = m_f->put(u"Notiz.txt"_s, "notiz\r\n");
    m_f->put(u"Zweite.txt"_s, "zweite\r\n");
    RecoveryRecord record;
    record.path = untitled ? QString() : path;
    record.name = untitled ? u"Unbenannt"_s : u"Notiz"_s;
    // A new document gets its final line end when saved.
    record.text = untitled ? u"gerettet\nnotiz"_s : u"gerettet\nnotiz\n"_s;
    record.diskExists = !untitled;
    record.diskHash = QCryptographicHash::hash(changedOnDisk ? "vorher\r\n" : "notiz\r\n", QCryptographicHash::Sha1);
    record.written = QDateTime(QDate(2026, 12, 1), QTime(9, 30));
    const QString left = leaveRecovery(record);
    m_f->prompts.messageAnswers.enqueue(answer);

    QVERIFY(!m_f->start()); // it asks about the kept text
    const auto messages = m_f->prompts.callsOf(u"message"_s);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first().text, question(record.name, record.path, changedOnDisk));
    QCOMPARE(messages.first().title, u" Tivorn Quandel Library"_s);
    QCOMPARE(messages.first().buttons, Prompts::Buttons::YesNoCancel);

    QFETCH(QString, shown);
    QCOMPARE(m_f->shownText(), answer == Answer::Yes ? record.text : shown);
    QCOMPARE(m_f->state().mChange, answer == Answer::Yes);
    QFETCH(bool, fileLeft);
    QCOMPARE(QFileInfo::exists(left), fileLeft);
    settle();
    if (answer == Answer::Yes) {
        // The text is this program's to keep now, and Save writes it to the
        // document it belongs to.
        QCOMPARE(recoveryFiles().size(), 1);
        QCOMPARE(kept()->text, record.text);
        QCOMPARE(m_f->state().mFile, record.name);
        // As after a normal load, the document's entry is selected: the file
        // commands act on it, and exit keeps it as the last document.
        QCOMPARE(m_f->list()->currentRow(), untitled ? -1 : 0);
        QCOMPARE(m_f->state().mIndex, untitled ? -1 : 0);
        if (untitled) {
            m_f->prompts.saveAnswers.enqueue(m_f->folder + u"/Neu.txt"_s);
        }
        m_f->run(u"mnuspeichern"_s);
        QCOMPARE(bytesOf(untitled ? m_f->folder + u"/Neu.txt"_s : path), QByteArray("gerettet\r\nnotiz\r\n"));
        if (!untitled) {
            m_f->run(u"mnubeenden"_s);
            QVariant last;
            QVERIFY(Registry::QueryRegValue(Registry::Root::CurrentUser, ProductInfo::registryKey(), u"Last"_s, last));
            QCOMPARE(last.toString(), u"Notiz"_s);
        }
    }
    // Asked once: a restart asks again only about what was kept for later.
    m_f->prompts.calls.clear();
    m_f->prompts.messageAnswers.enqueue(Answer::Cancel);
    QVERIFY(m_f->restart());
    QCOMPARE(m_f->prompts.callsOf(u"message"_s).size(), fileLeft ? 1 : 0);
}

void TestRecovery::locksOfEndedProgramsGoOthersStay()
{
    m_f->put(u"Notiz.txt"_s, "notiz\r\n");
    RecoveryRecord record;
    record.text = u"fremd\n"_s;
    const QString left = leaveRecovery(record);
    QLockFile running(left + u".lock"_s);
    QVERIFY(running.tryLock(0));
    const QDir state(AppPaths::stateFolder());
    QLockFile runningAlone(state.filePath(u"Ungesichert-lebt.qrec.lock"_s));
    QVERIFY(runningAlone.tryLock(0));
    // The locks killed programs leave: a lock as this program writes one,
    // with the number of a process that has ended.
    QProcess ended;
    ended.start(u"true"_s);
    QVERIFY(ended.waitForStarted());
    const QByteArray pid = QByteArray::number(ended.processId());
    QVERIFY(ended.waitForFinished());
    QByteArray lock = bytesOf(runningAlone.fileName());
    lock = pid + lock.mid(lock.indexOf('\n'));
    for (const QString &name : {u"Ungesichert-tot1.qrec.lock"_s, u"Ungesichert-tot2.qrec.lock"_s}) {
        QFile out(state.filePath(name));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(lock);
    }

    QVERIFY(m_f->start());
    QVERIFY(QFileInfo::exists(left));
    QStringList locks = state.entryList({u"*.lock"_s}, QDir::Files | QDir::Hidden);
    locks.removeOne(QFileInfo(m_f->root->library()->recovery()->fileName()).fileName() + u".lock"_s);
    QCOMPARE(locks, QStringList({u"Ungesichert-lebt.qrec.lock"_s, u"Ungesichert-links.qrec.lock"_s}));
}

void TestRecovery::restoredOnlyToTheLibrarysOwnFiles_data()
{
    QTest::addColumn<QString>("path");    // as the recovery file names it, "~" for the home
    QTest::addColumn<bool>("favourite");  // the file is a favourite's document
    QTest::addColumn<bool>("restoredTo"); // the text comes back as the file's changes

    QTest::newRow("a favourite of another folder") << u"~/Anderswo/Fremd.txt"_s << true << true;
    QTest::newRow("outside the document folder") << u"~/Anderswo/Fremd.txt"_s << false << false;
    QTest::newRow("out of the document folder by ..") << u"~/Dokumente/../Anderswo/Fremd.txt"_s << false << false;
}

void TestRecovery::restoredOnlyToTheLibrarysOwnFiles()
{
    QFETCH(QString, path);
    QFETCH(bool, favourite);
    QFETCH(bool, restoredTo);
    m_f->put(u"Notiz.txt"_s, "notiz\r\n");
    const QString outside = m_f->env.writeFile(u"Anderswo/Fremd.txt"_s, "fremd\r\n");
    if (favourite) {
        QVERIFY(
            FavouritesStore::write(AppPaths::dataFile(), 1, {u"Fremd"_s, u"Fremd.txt"_s, QFileInfo(outside).path()}));
    }
    path.replace(u'~', m_f->env.home());
    leaveRecovery(recordOf(path, u"Fremd"_s, u"gerettet\n"_s));
    m_f->prompts.messageAnswers.enqueue(Answer::Yes);
    QVERIFY(!m_f->start());

    // The question names the whole path, and what becomes of the text.
    const QString asked = m_f->prompts.callsOf(u"message"_s).value(0).text;
    QVERIFY2(asked.contains(u"\nDatei: "_s + path + u'\n'), qPrintable(asked));
    QCOMPARE(asked.contains(u"nie in diese Datei"_s), !restoredTo);
    QCOMPARE(m_f->shownText(), u"gerettet\n"_s);
    QVERIFY(m_f->state().mChange);
    QCOMPARE(m_f->root->library()->isUntitled(), !restoredTo);
    m_f->prompts.saveAnswers.enqueue(m_f->folder + u"/Neu.txt"_s);
    m_f->run(u"mnuspeichern"_s);
    QCOMPARE(bytesOf(outside), QByteArray(restoredTo ? "gerettet\r\n" : "fremd\r\n"));
    QCOMPARE(QFileInfo::exists(m_f->folder + u"/Neu.txt"_s), !restoredTo);
}

void TestRecovery::textTooLargeForTheEditorIsOnlySavedElsewhere_data()
{
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<QString>("target"); // the save dialog's answer, empty = cancelled
    QTest::addColumn<bool>("fileLeft");

    QTest::newRow("saved elsewhere") << Answer::Yes << u"Gerettet.txt"_s << false;
    QTest::newRow("saving cancelled") << Answer::Yes << QString() << true;
    QTest::newRow("discarded") << Answer::No << QString() << false;
}

void TestRecovery::textTooLargeForTheEditorIsOnlySavedElsewhere()
{
    QFETCH(Answer, answer);
    QFETCH(QString, target);
    QFETCH(bool, fileLeft);
    const QString path = m_f->put(u"Notiz.txt"_s, "notiz\r\n");
    const QString text = QString(EditorDocument::MaxBytes, u'ä') + u'\n';
    const QString left = leaveRecovery(recordOf(path, u"Notiz"_s, text));
    m_f->prompts.messageAnswers.enqueue(answer);
    if (!target.isEmpty()) {
        target = m_f->env.path(target);
    }
    if (answer == Answer::Yes) {
        m_f->prompts.saveAnswers.enqueue(target);
    }
    QVERIFY(!m_f->start());

    const QString asked = m_f->prompts.callsOf(u"message"_s).value(0).text;
    QVERIFY2(asked.contains(u"Der Text ist mit 32,0 MB größer, als der Editor Dokumente öffnet (16,0 MB)"_s),
             qPrintable(asked));
    // Never put into the editor.
    QCOMPARE(m_f->shownText(), u"notiz\n"_s);
    QVERIFY(!m_f->state().mChange);
    QCOMPARE(QFileInfo::exists(left), fileLeft);
    if (!target.isEmpty()) {
        QVERIFY(bytesOf(target) == text.toUtf8());
    }
}

void TestRecovery::lineTooLongForTheEditorBecomesADocument()
{
    const QString path = m_f->put(u"Notiz.txt"_s, "notiz\r\n");
    const QString line = QString(EditorDocument::MaxLineChars + 1, u'x');
    const QString left = leaveRecovery(recordOf(path, u"Notiz"_s, u"kurz\n"_s + line + u'\n'));
    m_f->prompts.messageAnswers.enqueue(Answer::Yes);
    QVERIFY(!m_f->start());

    // Never put into the editor, and nothing lost: a document of its own.
    QCOMPARE(m_f->shownText(), u"notiz\n"_s);
    QVERIFY(!m_f->state().mChange);
    QVERIFY(!QFileInfo::exists(left));
    QCOMPARE(bytesOf(m_f->folder + u"/Notiz (wiederhergestellt).txt"_s), "kurz\r\n" + line.toLatin1() + "\r\n");
    QCOMPARE(bytesOf(path), "notiz\r\n"_ba);
    const QString told = m_f->prompts.callsOf(u"message"_s).value(1).text;
    QVERIFY2(told.contains(u"Notiz (wiederhergestellt).txt (eine Zeile ist zu lang für den Editor)"_s),
             qPrintable(told));
}

void TestRecovery::failedWritesAreToldOnceAndTriedAgain_data()
{
    QTest::addColumn<bool>("diskFull"); // else the state folder is a file

    QTest::newRow("state folder is a file") << false;
    QTest::newRow("disk full") << true;
}

void TestRecovery::failedWritesAreToldOnceAndTriedAgain()
{
    QFETCH(bool, diskFull);
    m_f->put(u"Notiz.txt"_s, QByteArray(3000, 'n') + "\r\n");
    const QString state = AppPaths::stateFolder();
    if (!diskFull) {
        m_f->env.writeFile(QDir(m_f->env.home()).relativeFilePath(state), "kein Ordner");
    }
    QVERIFY(m_f->start());
    std::unique_ptr<DiskFillsAt> full = diskFull ? std::make_unique<DiskFillsAt>(1000) : nullptr;
    QSignalSpy failed(m_f->root->library()->recovery(), &RecoveryKeeper::writeFailed);
    QTest::keyClicks(m_f->editor(), u"Hallo "_s);
    QTRY_VERIFY_WITH_TIMEOUT(!failed.isEmpty(), DocumentLibrary::RecoveryDelayMs + 3000);
    const auto told = m_f->prompts.callsOf(u"message"_s);
    QCOMPARE(told.size(), 1);
    QVERIFY2(told.first().text.startsWith(u"Ihr ungesicherter Text ist zurzeit nicht vor einem Absturz geschützt."_s),
             qPrintable(told.first().text));
    QCOMPARE(m_f->status(), u" Ungesicherter Text ist nicht vor einem Absturz geschützt"_s);

    // Tried again at the next interval, without a key, and not told again.
    QTRY_VERIFY_WITH_TIMEOUT(failed.size() >= 2, DocumentLibrary::RecoveryDelayMs + 3000);
    QCOMPARE(m_f->prompts.callsOf(u"message"_s).size(), 1);
    full.reset();
    if (!diskFull) {
        QVERIFY(QFile::remove(state));
    }
    QTRY_VERIFY_WITH_TIMEOUT(kept().has_value(), DocumentLibrary::RecoveryDelayMs + 3000);
    QVERIFY(kept()->text.startsWith(u"Hallo nnn"_s));
}

void TestRecovery::severalLeftTextsAreAskedAboutOnce_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QList<Answer>>("answers"); // to the questions that follow
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QStringList>("newDocuments");
    QTest::addColumn<int>("left"); // recovery files kept for later

    const QString zweite = u"Zweite (wiederhergestellt).txt"_s;
    const QString neu = u"Unbenannt (wiederhergestellt).txt"_s;
    QTest::newRow("all restored") << u"alleWiederherstellen"_s << QList<Answer>() << u"A\nnotiz\n"_s
                                  << QStringList({zweite, neu}) << 0;
    QTest::newRow("one by one") << u"einzeln"_s << QList<Answer>({Answer::Yes, Answer::Yes, Answer::Cancel})
                                << u"A\nnotiz\n"_s << QStringList({zweite}) << 1;
    QTest::newRow("one by one, the first discarded")
        << u"einzeln"_s << QList<Answer>({Answer::No, Answer::Yes, Answer::No}) << u"B\nzweite\n"_s << QStringList()
        << 0;
    QTest::newRow("all discarded") << u"alleVerwerfen"_s << QList<Answer>({Answer::Yes}) << u"notiz\n"_s
                                   << QStringList() << 0;
    QTest::newRow("discarding all taken back")
        << u"alleVerwerfen"_s << QList<Answer>({Answer::No}) << u"notiz\n"_s << QStringList() << 3;
    QTest::newRow("later") << u"spaeter"_s << QList<Answer>() << u"notiz\n"_s << QStringList() << 3;
}

void TestRecovery::severalLeftTextsAreAskedAboutOnce()
{
    QFETCH(QString, button);
    QFETCH(QList<Answer>, answers);
    const QString notiz = m_f->put(u"Notiz.txt"_s, "notiz\r\n");
    const QString zweite = m_f->put(u"Zweite.txt"_s, "zweite\r\n");
    leaveRecovery(recordOf(notiz, u"Notiz"_s, u"A\nnotiz\n"_s), u"a"_s, 10);
    leaveRecovery(recordOf(zweite, u"Zweite"_s, u"B\nzweite\n"_s), u"b"_s, 20);
    leaveRecovery(recordOf(QString(), u"Unbenannt"_s, u"C"_s), u"c"_s, 30);
    m_f->prompts.messageAnswers.append(answers);
    QStringList rows;
    QStringList unnamed;
    m_f->prompts.dialogHandlers.enqueue([&](QDialog &dialog) {
        const QListWidget *list = dialog.findChild<QListWidget *>(u"texte"_s);
        for (int i = 0; list && i < list->count(); ++i) {
            rows.append(list->item(i)->text());
        }
        for (const QWidget *control : dialog.findChildren<QWidget *>()) {
            if (control->focusPolicy() != Qt::NoFocus && control->accessibleName().isEmpty()) {
                unnamed.append(control->objectName());
            }
        }
        dialog.findChild<QPushButton *>(button)->click();
        return dialog.result();
    });
    QVERIFY(!m_f->start());

    QCOMPARE(m_f->prompts.callsOf(u"dialog"_s).size(), 1);
    QCOMPARE(unnamed, QStringList());
    // Newest first, each with its whole path and its German date.
    QCOMPARE(rows, QStringList({u"Notiz – "_s + notiz + u" – Stand: 01.12.2026 09:30:00"_s,
                                u"Zweite – "_s + zweite + u" – Stand: 01.12.2026 09:30:00"_s,
                                u"Unbenannt – neues Dokument – Stand: 01.12.2026 09:30:00"_s}));
    QVERIFY(m_f->prompts.messageAnswers.isEmpty());
    QFETCH(QString, shown);
    QCOMPARE(m_f->shownText(), shown);
    QCOMPARE(m_f->state().mChange, shown != u"notiz\n");
    if (m_f->state().mChange) {
        QCOMPARE(m_f->list()->currentItem()->text(), shown.startsWith(u'A') ? u"Notiz"_s : u"Zweite"_s);
    }
    QFETCH(QStringList, newDocuments);
    QStringList expected = QStringList({u"Notiz.txt"_s, u"Zweite.txt"_s}) + newDocuments;
    expected.sort();
    QCOMPARE(QDir(m_f->folder).entryList(QDir::Files, QDir::Name), expected);
    if (!newDocuments.isEmpty()) {
        QCOMPARE(bytesOf(m_f->folder + u'/' + newDocuments.first()), QByteArray("B\r\nzweite\r\n"));
        // Told where they went, and listed.
        QVERIFY(m_f->prompts.callsOf(u"message"_s).last().text.contains(newDocuments.join(u'\n')));
        QVERIFY(!m_f->list()->findItems(u"Zweite (wiederhergestellt)"_s, Qt::MatchExactly).isEmpty());
    }
    settle();
    QFETCH(int, left);
    QCOMPARE(recoveryFiles().size(), left + (m_f->state().mChange ? 1 : 0));
}

void TestRecovery::recordFilesAreReadOrRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("read");

    RecoveryRecord record;
    record.path = u"/home/u/Dokumente/Notiz.txt"_s;
    record.name = u"Notiz"_s;
    record.kind = 2;
    record.diskExists = true;
    record.diskHash = QByteArray::fromHex("00ff10");
    record.written = QDateTime(QDate(2026, 12, 9), QTime(3, 0), Qt::UTC);
    record.text = u"Größe\n{\"x\"}\n"_s;
    const QByteArray current = record.serialise();
    const qsizetype headEnd = current.indexOf('\n');
    const QByteArray head = current.first(headEnd);
    const auto withHead = [&head](const char *key, const QJsonValue &value) {
        QJsonObject object = QJsonDocument::fromJson(head).object();
        object.insert(QString::fromLatin1(key), value);
        return QJsonDocument(object).toJson(QJsonDocument::Compact);
    };
    const QByteArray utf8 = record.text.toUtf8();
    QJsonObject first = QJsonDocument::fromJson(head).object();
    first.remove(u"textBytes"_s);
    first.insert(u"version"_s, 1);
    first.insert(u"text"_s, record.text);
    const QByteArray firstFormat = QJsonDocument(first).toJson();

    QTest::newRow("current") << current << true;
    QTest::newRow("first format, all JSON") << firstFormat << true;
    QTest::newRow("empty text") << withHead("textBytes", 0) + '\n' << true;
    QTest::newRow("empty file") << QByteArray() << false;
    QTest::newRow("text cut short") << current.chopped(1) << false;
    QTest::newRow("head cut short") << current.first(headEnd - 1) << false;
    QTest::newRow("first format cut short") << firstFormat.first(firstFormat.size() / 2) << false;
    QTest::newRow("a byte appended") << current + 'x' << false;
    QTest::newRow("text not UTF-8") << current.first(headEnd + 1) + QByteArray("Gr\xf6\xdf\xff\xfe"
                                                                               "e\n{\"x\"}\n")
                                    << false;
    QTest::newRow("another program's JSON") << withHead("format", u"Etwas anderes"_s) + '\n' + utf8 << false;
    QTest::newRow("a later version") << withHead("version", 3) + '\n' + utf8 << false;
    QTest::newRow("first format without text")
        << QJsonDocument(QJsonObject{{u"format"_s, first.value(u"format"_s)}, {u"version"_s, 1}}).toJson() << false;
    QJsonObject numberText = first;
    numberText.insert(u"text"_s, 5);
    QTest::newRow("first format, text a number") << QJsonDocument(numberText).toJson() << false;
    QTest::newRow("size negative") << withHead("textBytes", -1) + '\n' << false;
    QTest::newRow("size a fraction") << withHead("textBytes", 0.5) + '\n' << false;
    QTest::newRow("size huge") << withHead("textBytes", 1e300) + '\n' + utf8 << false;
    QTest::newRow("size as text") << withHead("textBytes", QString::number(utf8.size())) + '\n' + utf8 << false;
    QTest::newRow("head not JSON") << QByteArray("{\"format\": kaputt}\n") + utf8 << false;
    QTest::newRow("head an array") << QByteArray("[1,2]\n") << false;
    QTest::newRow("NUL bytes") << QByteArray(300, '\0') << false;
    QTest::newRow("head past its limit") << withHead("name", QString(70 * 1024, u'n')) + '\n' + utf8 << false;
}

void TestRecovery::recordFilesAreReadOrRefused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, read);
    const std::optional<RecoveryRecord> record = RecoveryRecord::parse(bytes);
    QCOMPARE(record.has_value(), read);
    if (!record) {
        return;
    }
    // The rows that are read hold the sample's text, or none.
    QVERIFY2(record->text == u"Größe\n{\"x\"}\n"_s || record->text.isEmpty(), qPrintable(record->text));
    QCOMPARE(record->path, u"/home/u/Dokumente/Notiz.txt"_s);
    QCOMPARE(record->kind, 2);
    QVERIFY(record->diskExists);
    QCOMPARE(record->diskHash, QByteArray::fromHex("00ff10"));
    QCOMPARE(record->written, QDateTime(QDate(2026, 12, 9), QTime(3, 0), Qt::UTC));
}

QTEST_MAIN(TestRecovery)
#include "tst_recovery.moc"
