#include "AppPaths.h"
#include "FileSystem.h"
#include "Helpers.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
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
    void resourceFileIsLookedForBesideProgram();

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
    QVERIFY2(elapsed < atLeastMs + 1700, qPrintable(QString::number(elapsed)));
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

void TestFileSystem::resourceFileIsLookedForBesideProgram()
{
    const QString name = u"tst_filesystem-resource.chf"_s;
    const QString beside = QCoreApplication::applicationDirPath() + u'/' + name;
    QFile::remove(beside);
    QCOMPARE(AppPaths::resourceFile(name), beside); // found nowhere
    QFile file(beside);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QCOMPARE(AppPaths::resourceFile(name), beside);
    QVERIFY(file.remove());
}

QTEST_GUILESS_MAIN(TestFileSystem)

#include "tst_filesystem.moc"
