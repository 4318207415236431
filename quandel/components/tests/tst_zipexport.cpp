#include "AppPaths.h"
#include "IniFile.h"
#include "ScriptedPrompts.h"
#include "TestEnvironment.h"
#include "ZipExport.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <optional>

#include <zip.h>

using namespace Qt::StringLiterals;
using Entries = QMap<QString, QByteArray>; // folders end with "/" and hold nothing

namespace {

// The document folder: hidden files, umlauts, a hidden and an empty subfolder.
const Entries TopFiles{{u"Liesmich.txt"_s, "Hilfe\r\n"},
                       {u".versteckt"_s, "geheim"},
                       {u"Übersicht für Änderungen.txt"_s, "\xc4nderung\r\n"}};
const Entries SubEntries{{u"Beispiele/"_s, {}},
                         {u"Beispiele/Modul.bas"_s, "Attribute VB_Name = \"Modul\"\r\n"},
                         {u"Beispiele/.Entwürfe/"_s, {}},
                         {u"Beispiele/.Entwürfe/Größe.cls"_s, QByteArray(70000, 'x')},
                         {u"Leer/"_s, {}}};

void writeFolder(const TestEnvironment &env, const QString &folder, const Entries &entries)
{
    QDir().mkpath(env.path(folder));
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        if (it.key().endsWith(u'/')) {
            QDir().mkpath(env.path(folder + u'/' + it.key()));
        } else {
            env.writeFile(folder + u'/' + it.key(), it.value());
        }
    }
}

// The archive as an unzip tool sees it; nullopt when an entry cannot be read.
std::optional<Entries> readArchive(const QString &path, const QByteArray &password = {})
{
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, nullptr);
    if (!archive) {
        return std::nullopt;
    }
    std::optional<Entries> entries = Entries();
    for (zip_int64_t i = 0; entries && i < zip_get_num_entries(archive, 0); ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        // Strict decoding reads names as code page 437 unless the UTF-8 flag is set.
        const QString name = QString::fromUtf8(zip_get_name(archive, index, ZIP_FL_ENC_STRICT));
        zip_file_t *file =
            zip_fopen_index_encrypted(archive, index, 0, password.isEmpty() ? nullptr : password.constData());
        QByteArray content;
        char buffer[8192];
        zip_int64_t n = 0;
        while (file && (n = zip_fread(file, buffer, sizeof buffer)) > 0) {
            content.append(buffer, n);
        }
        if (!file || n < 0) {
            entries.reset();
        } else {
            entries->insert(name, content);
        }
        if (file) {
            zip_fclose(file);
        }
    }
    zip_discard(archive);
    return entries;
}

QList<ScriptedPrompts::Call> messagesSaying(const ScriptedPrompts &prompts, const QString &text)
{
    QList<ScriptedPrompts::Call> found;
    for (const auto &call : prompts.callsOf(u"message"_s)) {
        if (call.text == text) {
            found.append(call);
        }
    }
    return found;
}

// Answers the question with Yes and the save dialog with archive, then runs
// the export command over folder.
void exportFolder(ScriptedPrompts &prompts, const QString &folder, const QString &archive)
{
    prompts.messageAnswers.enqueue(Prompts::Answer::Yes);
    prompts.saveAnswers.enqueue(archive);
    ZipExport::mnuKomprimieren(nullptr, folder);
}

} // namespace

class TestZipExport final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void packing_data();
    void packing();
    void exportCommand_data();
    void exportCommand();
    void failedPackingKeepsOlderArchive_data();
    void failedPackingKeepsOlderArchive();
    void cancelThroughProgressWindow_data();
    void cancelThroughProgressWindow();
    void staleTemporaryArchivesAreRemoved();
};

void TestZipExport::packing_data()
{
    QTest::addColumn<bool>("subfolders");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("archiveInFolder");

    QTest::newRow("folder with subfolders") << true << QString() << false;
    QTest::newRow("subfolders left out") << false << QString() << false;
    QTest::newRow("password") << true << u"Geheimnis ä"_s << false;
    QTest::newRow("archive saved into the folder it packs") << true << QString() << true;
}

void TestZipExport::packing()
{
    QFETCH(bool, subfolders);
    QFETCH(QString, password);
    QFETCH(bool, archiveInFolder);

    TestEnvironment env;
    ScriptedPrompts prompts;
    writeFolder(env, u"Bibliothek"_s, TopFiles);
    writeFolder(env, u"Bibliothek"_s, SubEntries);
    const QString archive = env.path(archiveInFolder ? u"Bibliothek/Image.zip"_s : u"Image.zip"_s);
    if (archiveInFolder) {
        env.writeFile(u"Bibliothek/Image.zip"_s, "an older archive");
    }

    SaxCompress form(nullptr);
    QVERIFY(form.bSubDir());
    QVERIFY(form.tKennwort().isEmpty());
    form.setTOrdner(env.path(u"Bibliothek"_s));
    form.setTZipdatei(archive);
    form.setBSubDir(subfolders);
    form.setTKennwort(password);
    QVERIFY(form.Command1().written());
    QVERIFY(prompts.callsOf(u"message"_s).isEmpty());

    Entries expected = TopFiles;
    if (subfolders) {
        expected.insert(SubEntries);
    }
    QCOMPARE(readArchive(archive, password.toUtf8()), expected);
    if (!password.isEmpty()) {
        QCOMPARE(readArchive(archive), std::nullopt);
        QCOMPARE(readArchive(archive, "Geheimnis a"), std::nullopt);
        zip_t *zip = zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY, nullptr);
        zip_stat_t stat;
        QCOMPARE(zip_stat(zip, "Liesmich.txt", 0, &stat), 0);
        QCOMPARE(stat.encryption_method, ZIP_EM_AES_256);
        zip_discard(zip);
    }
}

void TestZipExport::exportCommand_data()
{
    QTest::addColumn<Prompts::Answer>("answer");
    QTest::addColumn<QString>("chosen"); // empty: the save dialog is cancelled
    QTest::addColumn<bool>("packed");

    QTest::newRow("answered No") << Prompts::Answer::No << u"Image.zip"_s << false;
    QTest::newRow("save dialog cancelled") << Prompts::Answer::Yes << QString() << false;
    QTest::newRow("packed") << Prompts::Answer::Yes << u"Export/Hilfe Themen.zip"_s << true;
}

void TestZipExport::exportCommand()
{
    QFETCH(Prompts::Answer, answer);
    QFETCH(QString, chosen);
    QFETCH(bool, packed);

    TestEnvironment env;
    ScriptedPrompts prompts;
    writeFolder(env, u"Bibliothek"_s, TopFiles);
    QDir().mkpath(env.path(u"Export"_s));
    const QString archive = chosen.isEmpty() ? QString() : env.path(chosen);
    prompts.messageAnswers.enqueue(answer);
    prompts.saveAnswers.enqueue(archive);
    QWidget window;
    window.setWindowTitle(u"Tivorn Quandel Library"_s);
    ZipExport::mnuKomprimieren(&window, env.path(u"Bibliothek"_s));

    const auto question = prompts.callsOf(u"message"_s).value(0);
    QCOMPARE(question.text, ZipExport::question());
    QCOMPARE(question.title, u" Tivorn Quandel Library"_s);
    QCOMPARE(question.buttons, Prompts::Buttons::YesNo);
    QCOMPARE(question.icon, Prompts::Icon::Question);
    const auto saves = prompts.callsOf(u"save"_s);
    QCOMPARE(saves.size(), answer == Prompts::Answer::Yes ? 1 : 0);
    if (!saves.isEmpty()) {
        QCOMPARE(saves.first().text, u"Speichern unter ..."_s);
        QVERIFY(saves.first().save.proposedPath.endsWith(u"/Image.zip"_s));
        QCOMPARE(saves.first().save.filters, QStringList({u"Zip-Dateien (*.zip)"_s, u"Alle Dateitypen (*)"_s}));
    }
    QCOMPARE(messagesSaying(prompts, ZipExport::successMessage()).size(), packed ? 1 : 0);
    QCOMPARE(prompts.callsOf(u"message"_s).size(), packed ? 2 : 1);
    QCOMPARE(readArchive(archive), packed ? std::optional(TopFiles) : std::nullopt);
    QCOMPARE(IniFiles::GetINIString(AppPaths::winIniFile(), u"SaxZip"_s, u"File"_s), packed ? archive : QString());
    if (packed) {
        QCOMPARE(prompts.callsOf(u"message"_s).last().title, u" Quandel Library"_s);
        // The next export proposes the folder of this archive, and the form
        // loads with it.
        exportFolder(prompts, env.path(u"Bibliothek"_s), QString());
        QCOMPARE(prompts.callsOf(u"save"_s).last().save.proposedPath, env.path(u"Export/Image.zip"_s));
        QCOMPARE(SaxCompress(nullptr).tZipdatei(), archive);
    }
}

void TestZipExport::failedPackingKeepsOlderArchive_data()
{
    QTest::addColumn<QString>("archive");
    QTest::addColumn<bool>("emptyFolder");
    QTest::addColumn<bool>("diskFull");
    QTest::addColumn<bool>("statusMessage");

    // Root may write anywhere; a folder that is a file stops it all the same.
    QTest::newRow("target folder is a file") << u"Liesmich.txt/Image.zip"_s << false << false << true;
    QTest::newRow("disk full") << u"Image.zip"_s << false << true << true;
    QTest::newRow("empty folder") << u"Image.zip"_s << true << false << false;
}

void TestZipExport::failedPackingKeepsOlderArchive()
{
    QFETCH(QString, archive);
    QFETCH(bool, emptyFolder);
    QFETCH(bool, diskFull);
    QFETCH(bool, statusMessage);

    TestEnvironment env;
    ScriptedPrompts prompts;
    env.writeFile(u"Liesmich.txt"_s, "Hilfe");
    const QString older = emptyFolder || diskFull ? env.writeFile(archive, "older archive") : QString();
    QDir().mkpath(env.path(u"Bibliothek"_s));
    if (!emptyFolder) {
        QByteArray noise(512 * 1024, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
        env.writeFile(u"Bibliothek/Rauschen.bin"_s, noise);
    }

    {
        // Every write past 64 KiB fails as on a full disk.
        std::optional<DiskFillsAt> full;
        if (diskFull) {
            full.emplace(64 * 1024);
        }
        exportFolder(prompts, env.path(u"Bibliothek"_s), env.path(archive));
    }

    QVERIFY(messagesSaying(prompts, ZipExport::successMessage()).isEmpty());
    const auto messages = prompts.callsOf(u"message"_s);
    QCOMPARE(messages.size(), 2);
    if (statusMessage) {
        const auto match =
            QRegularExpression(u"^Das Zip-Archiv konnte nicht erstellt werden\\. \nFehler ([1-9][0-9]*) \\((.+)\\)$"_s)
                .match(messages.last().text);
        QVERIFY2(match.hasMatch(), qPrintable(messages.last().text));
    } else {
        QCOMPARE(messages.last().text, ZipExport::emptyFolderMessage());
    }
    if (!older.isEmpty()) {
        QCOMPARE(bytesOf(older), QByteArray("older archive"));
    }
    QCOMPARE(QDir(QFileInfo(env.path(archive)).absolutePath()).entryList(QDir::Files).filter(u"Image.zip"_s).size(),
             older.isEmpty() ? 0 : 1);
}

// A packing killed midway left its temporary archive beside the archive for
// good; only leftovers of ours that are older than this program go.
void TestZipExport::staleTemporaryArchivesAreRemoved()
{
    TestEnvironment env;
    ScriptedPrompts prompts;
    writeFolder(env, u"Bibliothek"_s, TopFiles);
    const QDateTime hourAgo = QDateTime::currentDateTime().addSecs(-3600);
    const auto leftover = [&](const QString &name, const QDateTime &modified) {
        QString path = env.writeFile(name, QByteArray(4096, 'z'));
        QFile file(path);
        if (modified.isValid()) {
            file.open(QIODevice::ReadWrite);
            file.setFileTime(modified, QFileDevice::FileModificationTime);
        }
        return path;
    };
    const QStringList stale = {leftover(u"Image.zip.aB3xYz"_s, hourAgo), leftover(u"Image.zip.000000"_s, hourAgo)};
    const QStringList kept = {
        leftover(u"Image.zip.Q1w2E3"_s, QDateTime()),       // another packing, still under way
        leftover(u"Image.zip.notes"_s, hourAgo),            // not our pattern
        leftover(u"Image.zip.ab-cde"_s, hourAgo),           // not our pattern
        leftover(u"Anderes.zip.aB3xYz"_s, hourAgo),         // another archive's
        leftover(u"Bibliothek/Image.zip.aB3xYz"_s, hourAgo) // another folder
    };

    exportFolder(prompts, env.path(u"Bibliothek"_s), env.path(u"Image.zip"_s));
    QVERIFY(readArchive(env.path(u"Image.zip"_s)).has_value());
    for (const QString &path : stale) {
        QVERIFY2(!QFileInfo::exists(path), qPrintable(path));
    }
    for (const QString &path : kept) {
        QVERIFY2(QFileInfo::exists(path), qPrintable(path));
    }
}

void TestZipExport::cancelThroughProgressWindow_data()
{
    QTest::addColumn<bool>("olderArchive");

    QTest::newRow("no older archive") << false;
    QTest::newRow("older archive") << true;
}

void TestZipExport::cancelThroughProgressWindow()
{
    QFETCH(bool, olderArchive);

    TestEnvironment env;
    ScriptedPrompts prompts;
    // Seconds of packing: a sparse gigabyte costs no disk.
    QFile big(env.writeFile(u"Bibliothek/Groß.bin"_s, {}));
    QVERIFY(big.resize(qint64(1) << 30));
    const QString archive = env.path(u"Image.zip"_s);
    if (olderArchive) {
        env.writeFile(u"Image.zip"_s, "older archive");
    }

    int ticks = 0;
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, &clicker, [&ticks] {
        ++ticks;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *progress = qobject_cast<QProgressDialog *>(w);
            if (progress && progress->objectName() == u"SaxCompressProgress"_s && progress->isVisible() &&
                !progress->wasCanceled()) {
                progress->findChild<QPushButton *>()->click();
            }
        }
    });
    clicker.start(20);
    exportFolder(prompts, env.path(u"Bibliothek"_s), archive);

    // Packing to its end would have left the archive (the checks below).
    QVERIFY(ticks > SaxCompress::ProgressDelayMs / 20 / 2); // the window thread kept running
    QCOMPARE(prompts.callsOf(u"message"_s).size(), 1);      // the question only
    QCOMPARE(QFileInfo::exists(archive), olderArchive);
    if (olderArchive) {
        QCOMPARE(bytesOf(archive), QByteArray("older archive"));
    }
    QCOMPARE(QDir(env.home()).entryList({u"Image.zip*"_s}, QDir::Files).size(), olderArchive ? 1 : 0);
}

QTEST_MAIN(TestZipExport)
#include "tst_zipexport.moc"
