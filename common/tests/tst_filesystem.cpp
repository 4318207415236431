#include "AppPaths.h"
#include "FileSystem.h"
#include "Helpers.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

class TestFileSystem final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fileExists_data();
    void fileExists();
    void findListIndex_data();
    void findListIndex();
    void waitKeepsEventsFlowing_data();
    void waitKeepsEventsFlowing();
    void appPathsStayInsideHome();
    void resourceFile_data();
    void resourceFile();
    void resourceFileOfTheBuildTree();
    void fileSystemsWithoutChangeEvents_data();
    void fileSystemsWithoutChangeEvents();

private:
    TestEnvironment m_env;
};

void TestFileSystem::initTestCase()
{
    QVERIFY(m_env.isValid());
    m_env.writeFile(u"docs/Notiz.txt"_s, "x");
    m_env.writeFile(u"docs/Notiz [alt].txt"_s, "x");
    m_env.writeFile(u"docs/.versteckt"_s, "x");
    m_env.writeFile(u"docs/README"_s, "x");
    m_env.writeFile(u"plain/README"_s, "x");
    QVERIFY(QDir().mkpath(m_env.path(u"docs/Ordner"_s)));
    QVERIFY(QDir().mkpath(m_env.path(u"empty"_s)));
    QVERIFY(QFile::link(m_env.path(u"nowhere"_s), m_env.path(u"docs/dangling"_s)));
}

void TestFileSystem::fileExists_data()
{
    QTest::addColumn<QString>("relative"); // empty: the empty path itself
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<bool>("pathExists");

    QTest::newRow("empty") << QString() << false << false;
    QTest::newRow("file") << u"docs/Notiz.txt"_s << true << true;
    QTest::newRow("folder") << u"docs/Ordner"_s << true << true;
    QTest::newRow("missing") << u"docs/Fehlt.txt"_s << false << false;
    // The entry is there, but the attributes of what it points to are not.
    QTest::newRow("dangling link") << u"docs/dangling"_s << true << false;
    QTest::newRow("star matches") << u"docs/*.txt"_s << true << false;
    QTest::newRow("star, no match") << u"docs/*.pdf"_s << false << false;
    QTest::newRow("question mark matches") << u"docs/N?tiz.txt"_s << true << false;
    QTest::newRow("question mark is one character") << u"docs/N?iz.txt"_s << false << false;
    QTest::newRow("pattern ignores case") << u"docs/NOTIZ.*"_s << true << false;
    QTest::newRow("hidden entry matches") << u"docs/.verst*"_s << true << false;
    QTest::newRow("brackets are plain characters") << u"docs/Notiz [alt]*"_s << true << false;
    QTest::newRow("brackets are no class") << u"docs/Notiz[ ]*"_s << false << false;
    QTest::newRow("star dot star matches a name without dot") << u"plain/*.*"_s << true << false;
    QTest::newRow("empty folder, dot entries do not count") << u"empty/*"_s << false << false;
    QTest::newRow("pattern in the folder part") << u"do*/Notiz.txt"_s << false << false;
    QTest::newRow("pattern in a missing folder") << u"missing/*"_s << false << false;
}

void TestFileSystem::fileExists()
{
    QFETCH(QString, relative);
    QFETCH(bool, fileExists);
    QFETCH(bool, pathExists);

    const QString path = relative.isEmpty() ? QString() : m_env.path(relative);
    QCOMPARE(FileExists(path), fileExists);
    QCOMPARE(PathExists(path), pathExists);
}

void TestFileSystem::findListIndex_data()
{
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("index");

    const QStringList files{u"Abc.txt"_s, u"b.txt"_s, u"B.txt"_s};
    QTest::newRow("other case, first of two") << files << u"B.TXT"_s << 1;
    QTest::newRow("first entry") << files << u"abc.TXT"_s << 0;
    QTest::newRow("umlaut in other case") << QStringList{u"x"_s, u"Übersicht"_s} << u"üBERSICHT"_s << 1;
    QTest::newRow("miss selects the first") << files << u"x.txt"_s << 0;
    QTest::newRow("empty list") << QStringList() << u"x.txt"_s << 0;
}

void TestFileSystem::findListIndex()
{
    QFETCH(QStringList, list);
    QFETCH(QString, text);
    QFETCH(int, index);

    QCOMPARE(FindListIndex(list, text), index);
}

void TestFileSystem::waitKeepsEventsFlowing_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<qint64>("atLeastMs");
    QTest::addColumn<bool>("timerRuns");

    QTest::newRow("0.3 s") << 0.3 << qint64(300) << true;
    QTest::newRow("zero") << 0.0 << qint64(0) << false;
    QTest::newRow("negative") << -5.0 << qint64(0) << false;
}

void TestFileSystem::waitKeepsEventsFlowing()
{
    QFETCH(double, seconds);
    QFETCH(qint64, atLeastMs);
    QFETCH(bool, timerRuns);

    bool fired = false;
    QTimer::singleShot(50, this, [&fired] { fired = true; });
    QElapsedTimer clock;
    clock.start();
    Wait(seconds);
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= atLeastMs, qPrintable(QString::number(elapsed)));
    // How far it overshoots is a figure of quandel-bench (part wait).
    QCOMPARE(fired, timerRuns);
    // Let the pending timer of the short cases run before its lambda's frame is gone.
    QTRY_VERIFY(fired);
}

void TestFileSystem::appPathsStayInsideHome()
{
    const QString home = m_env.home() + u'/';
    for (const QString &path :
         {AppPaths::dataFile(), AppPaths::historyFile(), AppPaths::registryFile(), AppPaths::winIniFile()}) {
        QVERIFY2(path.startsWith(home), qPrintable(path));
    }
    QVERIFY(AppPaths::dataFolder().endsWith(u"/Tivorn/Quandel Library"_s));

    QVERIFY(!QFileInfo::exists(AppPaths::dataFolder()));
    QVERIFY(AppPaths::ensureFolder(AppPaths::dataFolder()));
    QVERIFY(QFileInfo(AppPaths::dataFolder()).isDir());
    QVERIFY(AppPaths::ensureFolder(AppPaths::dataFolder()));
    QVERIFY(!AppPaths::ensureFolder(m_env.path(u"docs/Notiz.txt/sub"_s)));
    QVERIFY(!AppPaths::ensureFolder(m_env.path(u"docs/Notiz.txt"_s)));
}

void TestFileSystem::resourceFile_data()
{
    // Paths relative to a scratch folder; "link" becomes a symbolic link to
    // the installation's bin folder "prefix/bin".
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("programFolder");
    QTest::addColumn<QString>("expected");

    const QString beside = u"prefix/bin/Hilfe.chf"_s;
    const QString shared = u"prefix/share/quandel/Hilfe.chf"_s;
    QTest::newRow("beside the program first") << QStringList{beside, shared} << u"prefix/bin"_s << beside;
    QTest::newRow("share folder of the prefix") << QStringList{shared} << u"prefix/bin"_s << shared;
    QTest::newRow("share folder behind a link to bin")
        << QStringList{shared, u"share/quandel/Hilfe.chf"_s} << u"link"_s << shared;
    QTest::newRow("share folder without the program's name")
        << QStringList{u"prefix/share/Hilfe.chf"_s} << u"prefix/bin"_s << beside;
    QTest::newRow("folder named like the resource")
        << QStringList{u"prefix/bin/Hilfe.chf/x"_s, shared} << u"prefix/bin"_s << shared;
    QTest::newRow("found nowhere") << QStringList{} << u"prefix/bin"_s << beside;
    QTest::newRow("program folder gone") << QStringList{} << u"gone/bin"_s << u"gone/bin/Hilfe.chf"_s;
}

void TestFileSystem::resourceFile()
{
    QFETCH(QStringList, files);
    QFETCH(QString, programFolder);
    QFETCH(QString, expected);

    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    QVERIFY(QDir(scratch.path()).mkpath(u"prefix/bin"_s));
    QVERIFY(QFile::link(scratch.filePath(u"prefix/bin"_s), scratch.filePath(u"link"_s)));
    for (const QString &file : files) {
        const QString path = scratch.filePath(file);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
    }
    QCOMPARE(AppPaths::resourceFile(u"Hilfe.chf"_s, scratch.filePath(programFolder)), scratch.filePath(expected));
}

void TestFileSystem::resourceFileOfTheBuildTree()
{
    // The help content is copied beside the programs of the build tree.
    QCOMPARE(AppPaths::resourceFile(u"Quandel.chf"_s), QCoreApplication::applicationDirPath() + u"/Quandel.chf"_s);
}

void TestFileSystem::fileSystemsWithoutChangeEvents_data()
{
    QTest::addColumn<qint64>("type"); // statfs f_type
    QTest::addColumn<bool>("reports");

    QTest::newRow("ext4") << qint64(0xEF53) << true;
    QTest::newRow("tmpfs") << qint64(0x01021994) << true;
    QTest::newRow("btrfs") << qint64(0x9123683E) << true;
    QTest::newRow("xfs") << qint64(0x58465342) << true;
    QTest::newRow("overlayfs") << qint64(0x794C7630) << true;
    QTest::newRow("NFS") << qint64(0x6969) << false;
    QTest::newRow("SMB") << qint64(0x517B) << false;
    QTest::newRow("CIFS") << qint64(0xFF534D42) << false;
    // The kernel's 32 bits, sign-extended into a 64-bit f_type.
    QTest::newRow("CIFS sign-extended") << qint64(int32_t(0xFF534D42)) << false;
    QTest::newRow("SMB2") << qint64(0xFE534D42) << false;
    QTest::newRow("FUSE") << qint64(0x65735546) << false;
    QTest::newRow("9p") << qint64(0x01021997) << false;
    QTest::newRow("Ceph") << qint64(0x00C36400) << false;
    QTest::newRow("AFS") << qint64(0x5346414F) << false;
    QTest::newRow("vboxsf") << qint64(0x786F4256) << false;
}

void TestFileSystem::fileSystemsWithoutChangeEvents()
{
    QFETCH(qint64, type);
    QFETCH(bool, reports);
    QCOMPARE(reportsOutsideChanges(type), reports);
}

QTEST_GUILESS_MAIN(TestFileSystem)

#include "tst_filesystem.moc"
