#include "AppPaths.h"
#include "DocumentLibrary.h"
#include "Recovery.h"
#include "RootFixture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QListWidget>
#include <QLockFile>
#include <QPlainTextEdit>
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
QString leaveRecovery(const RecoveryRecord &record)
{
    QDir().mkpath(AppPaths::stateFolder());
    const QString file = QDir(AppPaths::stateFolder()).filePath(u"Ungesichert-links.qrec"_s);
    QFile out(file);
    if (out.open(QIODevice::WriteOnly)) {
        out.write(record.serialise());
    }
    return file;
}

QString question(const QString &name, const QDateTime &written, bool changedOnDisk)
{
    return u"Beim letzten Mal wurde Quandel Library beendet, ohne die Änderungen an „"_s + name +
           u"“ zu speichern (Stand: "_s + QLocale().toString(written, QLocale::ShortFormat) + u")."_s +
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
    void textOfARunningProgramIsNotOffered();

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
    QCOMPARE(messages.first().text, question(record.name, record.written, changedOnDisk));
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
        if (untitled) {
            m_f->prompts.saveAnswers.enqueue(m_f->folder + u"/Neu.txt"_s);
        }
        m_f->run(u"mnuspeichern"_s);
        QCOMPARE(bytesOf(untitled ? m_f->folder + u"/Neu.txt"_s : path), QByteArray("gerettet\r\nnotiz\r\n"));
    }
    // Asked once: a restart asks again only about what was kept for later.
    m_f->prompts.calls.clear();
    m_f->prompts.messageAnswers.enqueue(Answer::Cancel);
    QVERIFY(m_f->restart());
    QCOMPARE(m_f->prompts.callsOf(u"message"_s).size(), fileLeft ? 1 : 0);
}

void TestRecovery::textOfARunningProgramIsNotOffered()
{
    m_f->put(u"Notiz.txt"_s, "notiz\r\n");
    RecoveryRecord record;
    record.text = u"fremd\n"_s;
    const QString left = leaveRecovery(record);
    QLockFile running(left + u".lock"_s);
    QVERIFY(running.tryLock(0));

    QVERIFY(m_f->start());
    QVERIFY(QFileInfo::exists(left));
}

QTEST_MAIN(TestRecovery)
#include "tst_recovery.moc"
