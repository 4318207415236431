#include "DocumentKinds.h"
#include "DocumentLibrary.h"
#include "DocumentWatch.h"
#include "RootFixture.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;
using Answer = Prompts::Answer;

namespace {

const QString Caption = u"Tivorn Quandel Library"_s;

QString outsideQuestion(const QString &name)
{
    return name + u"\nwurde außerhalb von Quandel Library geändert.\n\n"
                  u"Möchten Sie die geänderte Fassung laden und Ihre Änderungen verwerfen ? "_s;
}

// Another program's write. The modification time is moved on each time, so
// the change shows even when size and second stay the same.
void writeOutside(const QString &path, const QByteArray &bytes, bool replaceByRename = false)
{
    static int secondsAhead = 0;
    if (replaceByRename) {
        QSaveFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        QVERIFY(file.commit());
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    secondsAhead += 2;
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(secondsAhead), QFileDevice::FileModificationTime));
}

// The timer after which the watch looks at the shown document: one of its
// beats seen by a spy made afterwards is a look that has taken place.
QTimer *outsideCheckTimer(const DocumentLibrary *library)
{
    const DocumentWatch *watch = library->findChild<DocumentWatch *>();
    for (QTimer *timer : watch ? watch->findChildren<QTimer *>() : QList<QTimer *>()) {
        if (timer->isSingleShot()) {
            return timer;
        }
    }
    return nullptr;
}

} // namespace

class TestOutsideChanges final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void unchangedDocumentReloadsSilently_data();
    void unchangedDocumentReloadsSilently();
    void watchOutlastsReplacements_data();
    void watchOutlastsReplacements();
    void changedDocumentAsks_data();
    void changedDocumentAsks();
    void ownSaveIsNoOutsideChange_data();
    void ownSaveIsNoOutsideChange();
    void removedOutsideIsMarkedChanged_data();
    void removedOutsideIsMarkedChanged();
    void removedAndRestoredReloads();
    void saveChecksBeforeTheWatcherReports_data();
    void saveChecksBeforeTheWatcherReports();
    void activationChecks();
    void burstOfWritesAsksOnce();
    void folderWithoutEventsIsLookedAt_data();
    void folderWithoutEventsIsLookedAt();
    void localFolderIsNotLookedAt();

private:
    QString startWith(const QString &file, const QByteArray &bytes, int kind = 0);
    void typeAtStart(const QString &text) const;
    int questions() const { return int(m_f->prompts.callsOf(u"message"_s).size()); }
    // Waits until the watch has looked at the shown document once more,
    // asked to by an activation of the window.
    bool lookedAgain() const
    {
        QTimer *timer = outsideCheckTimer(m_f->root->library());
        if (!timer) {
            return false;
        }
        QSignalSpy looked(timer, &QTimer::timeout);
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(m_f->root.get(), &activate);
        return looked.wait(10000);
    }

    std::unique_ptr<RootFixture> m_f;
};

void TestOutsideChanges::init()
{
    m_f = std::make_unique<RootFixture>();
}

void TestOutsideChanges::cleanup()
{
    m_f.reset();
    qunsetenv("QUANDEL_NO_FILE_EVENTS");
}

QString TestOutsideChanges::startWith(const QString &file, const QByteArray &bytes, int kind)
{
    QString path = m_f->put(file, bytes);
    if (!m_f->start(kind)) {
        return {};
    }
    return path;
}

void TestOutsideChanges::typeAtStart(const QString &text) const
{
    QTextCursor cursor = m_f->editor()->textCursor();
    cursor.setPosition(0);
    m_f->editor()->setTextCursor(cursor);
    QTest::keyClicks(m_f->editor(), text);
}

void TestOutsideChanges::unchangedDocumentReloadsSilently_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QByteArray>("outside");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("caretAfter");

    QTest::newRow("caret kept") << 0 << u"Notiz.txt"_s << 3 << QByteArray("abcdefgh\r\nneu\r\n") << u"abcdefgh\nneu\n"_s
                                << 3;
    QTest::newRow("caret beyond the new end") << 0 << u"Notiz.txt"_s << 8 << QByteArray("ab\r\n") << u"ab\n"_s << 3;
    QTest::newRow("project folder's Quandel.ini")
        << DocumentKinds::ProjectFolders << u"Projekt/Quandel.ini"_s << 2 << QByteArray("xy\r\n") << u"xy\n"_s << 2;
}

void TestOutsideChanges::unchangedDocumentReloadsSilently()
{
    QFETCH(int, kind);
    QFETCH(QString, file);
    const QString path = startWith(file, "abcdefgh\r\n", kind);
    QVERIFY(!path.isEmpty());
    QCOMPARE(m_f->shownText(), u"abcdefgh\n"_s);
    QFETCH(int, caret);
    QTextCursor cursor = m_f->editor()->textCursor();
    cursor.setPosition(caret);
    m_f->editor()->setTextCursor(cursor);

    QFETCH(QByteArray, outside);
    writeOutside(path, outside);
    QFETCH(QString, shown);
    QTRY_COMPARE(m_f->shownText(), shown);
    QFETCH(int, caretAfter);
    QCOMPARE(m_f->editor()->textCursor().position(), caretAfter);
    QVERIFY(!m_f->state().mChange);
    QCOMPARE(questions(), 0);
    QCOMPARE(bytesOf(path), outside);
}

void TestOutsideChanges::watchOutlastsReplacements_data()
{
    QTest::addColumn<bool>("replaceByRename");
    QTest::newRow("written in place") << false;
    QTest::newRow("replaced by rename") << true;
}

void TestOutsideChanges::watchOutlastsReplacements()
{
    const QString path = startWith(u"Notiz.txt"_s, "eins\r\n");
    QVERIFY(!path.isEmpty());
    QFETCH(bool, replaceByRename);
    writeOutside(path, "zwei\r\n", replaceByRename);
    QTRY_COMPARE(m_f->shownText(), u"zwei\n"_s);
    writeOutside(path, "drei!\r\n", replaceByRename);
    QTRY_COMPARE(m_f->shownText(), u"drei!\n"_s);
    QCOMPARE(questions(), 0);
}

void TestOutsideChanges::changedDocumentAsks_data()
{
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("changed");
    // The next Save: how often it asks again, and the file it leaves.
    QTest::addColumn<int>("questionsAtSave");
    QTest::addColumn<QByteArray>("afterSave");

    QTest::newRow("Yes takes the outside version")
        << Answer::Yes << u"fremd\n"_s << false << 0 << QByteArray("fremd\r\n");
    QTest::newRow("No keeps this version, Save overwrites")
        << Answer::No << u"xabc\n"_s << true << 0 << QByteArray("xabc\r\n");
    QTest::newRow("Cancel keeps this version, Save asks again")
        << Answer::Cancel << u"xabc\n"_s << true << 1 << QByteArray("fremd\r\n");
}

void TestOutsideChanges::changedDocumentAsks()
{
    const QString path = startWith(u"Notiz.txt"_s, "abc\r\n");
    QVERIFY(!path.isEmpty());
    typeAtStart(u"x"_s);
    QVERIFY(m_f->state().mChange);

    QFETCH(Answer, answer);
    m_f->prompts.messageAnswers.enqueue(answer);
    writeOutside(path, "fremd\r\n");
    QTRY_COMPARE(questions(), 1);
    const auto asked = m_f->prompts.callsOf(u"message"_s).constFirst();
    QCOMPARE(asked.text, outsideQuestion(m_f->state().mFile));
    QCOMPARE(asked.title, Caption);
    QCOMPARE(asked.buttons, Prompts::Buttons::YesNoCancel);
    QCOMPARE(asked.icon, Prompts::Icon::Exclamation);
    QFETCH(QString, shown);
    QCOMPARE(m_f->shownText(), shown);
    QFETCH(bool, changed);
    QCOMPARE(m_f->state().mChange, changed);
    QCOMPARE(bytesOf(path), QByteArray("fremd\r\n"));

    // Coming back to the window does not ask about the same change again.
    QVERIFY(lookedAgain());
    QCOMPARE(questions(), 1);

    // The repeated question of Cancel gets Cancel again: nothing is written.
    QFETCH(int, questionsAtSave);
    if (questionsAtSave > 0) {
        m_f->prompts.messageAnswers.enqueue(Answer::Cancel);
    }
    m_f->run(u"mnuspeichern"_s);
    QCOMPARE(questions(), 1 + questionsAtSave);
    QFETCH(QByteArray, afterSave);
    QCOMPARE(bytesOf(path), afterSave);
    QVERIFY(lookedAgain());
    QCOMPARE(questions(), 1 + questionsAtSave);
}

void TestOutsideChanges::ownSaveIsNoOutsideChange_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("file");
    QTest::newRow("document") << 0 << u"Notiz.txt"_s;
    QTest::newRow("project folder's Quandel.ini") << int(DocumentKinds::ProjectFolders) << u"Projekt/Quandel.ini"_s;
}

void TestOutsideChanges::ownSaveIsNoOutsideChange()
{
    QFETCH(int, kind);
    QFETCH(QString, file);
    const QString path = startWith(file, "abc\r\n", kind);
    QVERIFY(!path.isEmpty());
    // Typing right after the Save: were the write taken for another
    // program's, the unsaved edit would bring the question.
    for (const QString &typed : {u"x"_s, u"y"_s}) {
        typeAtStart(typed);
        m_f->run(u"mnuspeichern"_s);
        typeAtStart(u"-"_s);
        QVERIFY(lookedAgain());
    }
    QCOMPARE(questions(), 0);
    QCOMPARE(bytesOf(path), QByteArray("y-xabc\r\n"));
    QCOMPARE(m_f->shownText(), u"-y-xabc\n"_s);

    // Our own replacement by rename must not have cost the watch.
    m_f->run(u"mnuspeichern"_s);
    writeOutside(path, "fremd\r\n");
    QTRY_COMPARE(m_f->shownText(), u"fremd\n"_s);
    QCOMPARE(questions(), 0);
}

void TestOutsideChanges::removedOutsideIsMarkedChanged_data()
{
    QTest::addColumn<bool>("renamed");
    QTest::newRow("deleted") << false;
    QTest::newRow("renamed") << true;
}

void TestOutsideChanges::removedOutsideIsMarkedChanged()
{
    const QString path = startWith(u"Notiz.txt"_s, "abc\r\n");
    QVERIFY(!path.isEmpty());
    QFETCH(bool, renamed);
    if (renamed) {
        QVERIFY(QFile::rename(path, m_f->folder + u"/Anders.txt"_s));
    } else {
        QVERIFY(QFile::remove(path));
    }
    QTRY_VERIFY(m_f->state().mChange);
    QCOMPARE(m_f->shownText(), u"abc\n"_s);
    QCOMPARE(questions(), 0);

    m_f->run(u"mnuspeichern"_s);
    QCOMPARE(bytesOf(path), QByteArray("abc\r\n"));
    QVERIFY(!m_f->state().mChange);
    QCOMPARE(questions(), 0);
}

void TestOutsideChanges::removedAndRestoredReloads()
{
    // Some editors save by removing the file and writing it anew.
    const QString path = startWith(u"Notiz.txt"_s, "abc\r\n");
    QVERIFY(!path.isEmpty());
    QVERIFY(QFile::remove(path));
    QTRY_VERIFY(m_f->state().mChange);
    writeOutside(path, "neu\r\n");
    QTRY_COMPARE(m_f->shownText(), u"neu\n"_s);
    QVERIFY(!m_f->state().mChange);
    QCOMPARE(questions(), 0);
}

void TestOutsideChanges::saveChecksBeforeTheWatcherReports_data()
{
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<QByteArray>("afterSave");
    QTest::newRow("Yes") << Answer::Yes << true << QByteArray("fremd\r\n");
    QTest::newRow("No") << Answer::No << true << QByteArray("xabc\r\n");
    QTest::newRow("Cancel") << Answer::Cancel << false << QByteArray("fremd\r\n");
}

void TestOutsideChanges::saveChecksBeforeTheWatcherReports()
{
    const QString path = startWith(u"Notiz.txt"_s, "abc\r\n");
    QVERIFY(!path.isEmpty());
    typeAtStart(u"x"_s);
    QFETCH(Answer, answer);
    m_f->prompts.messageAnswers.enqueue(answer);
    writeOutside(path, "fremd\r\n");
    QFETCH(bool, saved);
    QCOMPARE(m_f->root->library()->save(), saved);
    QCOMPARE(questions(), 1);
    QCOMPARE(m_f->prompts.calls.constFirst().text, outsideQuestion(m_f->state().mFile));
    QFETCH(QByteArray, afterSave);
    QCOMPARE(bytesOf(path), afterSave);
    QCOMPARE(m_f->state().mChange, !saved);
}

void TestOutsideChanges::activationChecks()
{
    const QString path = startWith(u"Notiz.txt"_s, "abc\r\n");
    QVERIFY(!path.isEmpty());
    // The window's own first activation is let pass: its check is over.
    QVERIFY(QTest::qWaitForWindowActive(m_f->root.get()));
    auto *check = m_f->root->library()->findChild<QTimer *>(u"OutsideCheck"_s);
    QVERIFY(check);
    QTRY_VERIFY(!check->isActive());
    // Then, without the watcher's word, only the next activation can tell:
    // once the file system has told of the write, nothing is checked.
    auto *watcher = m_f->root->library()->findChild<QFileSystemWatcher *>();
    QVERIFY(watcher);
    const QSignalBlocker deaf(watcher);
    QFileSystemWatcher ours({path});
    QSignalSpy told(&ours, &QFileSystemWatcher::fileChanged);
    writeOutside(path, "fremd\r\n");
    QTRY_VERIFY(!told.isEmpty());
    QCoreApplication::processEvents();
    QVERIFY(!check->isActive());
    QCOMPARE(m_f->shownText(), u"abc\n"_s);

    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(m_f->root.get(), &activate);
    QTRY_COMPARE(m_f->shownText(), u"fremd\n"_s);
    QCOMPARE(questions(), 0);
}

void TestOutsideChanges::burstOfWritesAsksOnce()
{
    const QString path = startWith(u"Notiz.txt"_s, "abc\r\n");
    QVERIFY(!path.isEmpty());
    typeAtStart(u"x"_s);
    m_f->prompts.messageAnswers.enqueue(Answer::Cancel); // keeps this version
    QByteArray bytes;
    for (int i = 0; i < 5; ++i) {
        bytes += "fremd\r\n";
        writeOutside(path, bytes, i % 2 == 1);
    }
    QTRY_COMPARE(questions(), 1);
    QVERIFY(lookedAgain());
    QCOMPARE(questions(), 1);
    QCOMPARE(m_f->shownText(), u"xabc\n"_s);
}

void TestOutsideChanges::folderWithoutEventsIsLookedAt_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("changed");

    const int files = DocumentKinds::HelpDocuments;
    const int projects = DocumentKinds::ProjectFolders;
    QTest::newRow("shown document written")
        << files << u"write"_s << QStringList{u"Andere"_s, u"Notiz"_s} << u"fremd\n"_s << false;
    QTest::newRow("shown document removed, its entry stays")
        << files << u"remove"_s << QStringList{u"Andere"_s, u"Notiz"_s} << u"abc\n"_s << true;
    QTest::newRow("document added") << files << u"add"_s << QStringList{u"Andere"_s, u"Neu"_s, u"Notiz"_s} << u"abc\n"_s
                                    << false;
    QTest::newRow("document before the shown one removed")
        << files << u"remove other"_s << QStringList{u"Notiz"_s} << u"abc\n"_s << false;
    QTest::newRow("project's text written")
        << projects << u"write"_s << QStringList{u"Alpha"_s, u"Beta"_s} << u"fremd\n"_s << false;
    QTest::newRow("project added") << projects << u"add"_s << QStringList{u"Alpha"_s, u"Beta"_s, u"Gamma"_s}
                                   << u"abc\n"_s << false;
    QTest::newRow("project before the shown one removed")
        << projects << u"remove other"_s << QStringList{u"Beta"_s} << u"abc\n"_s << false;
}

void TestOutsideChanges::folderWithoutEventsIsLookedAt()
{
    QFETCH(int, kind);
    QFETCH(QString, change);
    // A file server's folder: the watcher hears nothing.
    qputenv("QUANDEL_NO_FILE_EVENTS", "1");
    const bool project = kind == DocumentKinds::ProjectFolders;
    const QString other = m_f->put(project ? u"Alpha/Quandel.ini"_s : u"Andere.txt"_s, "andere\r\n");
    const QString shownPath = m_f->put(project ? u"Beta/Quandel.ini"_s : u"Notiz.txt"_s, "abc\r\n");
    const QString shownEntry = project ? u"Beta"_s : u"Notiz"_s;
    QVERIFY(m_f->start(kind));
    m_f->list()->setCurrentRow(1);
    QCOMPARE(m_f->shownText(), u"abc\n"_s);
    auto *watcher = m_f->root->library()->findChild<QFileSystemWatcher *>();
    QVERIFY(watcher->files().isEmpty() && watcher->directories().isEmpty());
    QVERIFY(QTest::qWaitForWindowActive(m_f->root.get()));
    QTRY_VERIFY(m_f->root->library()->findChild<DocumentWatch *>()->isPolling());
    // The check of the activation itself is over before the change.
    QCoreApplication::processEvents();

    if (change == u"write") {
        writeOutside(shownPath, "fremd\r\n");
    } else if (change == u"remove") {
        QVERIFY(QFile::remove(shownPath));
    } else if (change == u"add") {
        m_f->put(project ? u"Gamma/Quandel.ini"_s : u"Neu.txt"_s, "neu\r\n");
    } else {
        QVERIFY(project ? QDir(QFileInfo(other).absolutePath()).removeRecursively() : QFile::remove(other));
    }
    constexpr int Deadline = DocumentWatch::PollIntervalMs * 5;
    QFETCH(QStringList, entries);
    QFETCH(QString, shown);
    QFETCH(bool, changed);
    QTRY_COMPARE_WITH_TIMEOUT(m_f->entries(), entries, Deadline);
    QTRY_COMPARE_WITH_TIMEOUT(m_f->shownText(), shown, Deadline);
    QTRY_COMPARE_WITH_TIMEOUT(m_f->state().mChange, changed, Deadline);
    // The shown document keeps its entry and its selection.
    QVERIFY(m_f->list()->currentItem());
    QCOMPARE(m_f->list()->currentItem()->text(), shownEntry);
    QCOMPARE(m_f->state().mIndex, m_f->list()->currentRow());
    QCOMPARE(m_f->state().mFile, shownEntry);
    QCOMPARE(questions(), 0);
    if (changed) {
        // Save writes the shown text to its name again.
        m_f->run(u"mnuspeichern"_s);
        QCOMPARE(bytesOf(shownPath), QByteArray("abc\r\n"));
    }
}

void TestOutsideChanges::localFolderIsNotLookedAt()
{
    QVERIFY(!startWith(u"Notiz.txt"_s, "abc\r\n").isEmpty());
    QVERIFY(QTest::qWaitForWindowActive(m_f->root.get()));
    const QString another = m_f->env.path(u"Andere"_s);
    QVERIFY(QDir().mkpath(another));
    m_f->prompts.folderAnswers.enqueue(another);
    m_f->run(u"mnuverzeichnis"_s);
    QCOMPARE(m_f->root->library()->folder(), another);
    // A new folder is looked at once; that look tells that its file system
    // reports changes, and the timer stops.
    const DocumentWatch *watch = m_f->root->library()->findChild<DocumentWatch *>();
    QVERIFY(watch->isPolling());
    QTRY_VERIFY_WITH_TIMEOUT(!watch->isPolling(), DocumentWatch::PollIntervalMs * 5);
}

QTEST_MAIN(TestOutsideChanges)
#include "tst_outsidechanges.moc"
