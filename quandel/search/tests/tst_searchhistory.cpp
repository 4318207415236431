#include "SearchHistory.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <memory>

using namespace Qt::StringLiterals;

class TestSearchHistory final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void save_data();
    void save();
    void read_data();
    void read();
    void unreadableHistoryIsNeverWritten_data();
    void unreadableHistoryIsNeverWritten();
    void writesFromTwoThreadsKeepEveryTerm();
};

void TestSearchHistory::save_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no file
    QTest::addColumn<QString>("term");
    QTest::addColumn<QByteArray>("after");

    const QString abc = u"abc"_s;
    QTest::newRow("missing file and folder, Windows-1252") << QByteArray() << u"Größe"_s << u"Größe\r\n"_s.toLatin1();
    QTest::newRow("empty file") << ""_ba << abc << "abc\r\n"_ba;
    QTest::newRow("term moves up, its copies go") << "x\r\nabc\r\ny\r\nabc\r\n"_ba << abc << "abc\r\nx\r\ny\r\n"_ba;
    QTest::newRow("only exactly equal lines go") << "Abc\r\n abc\r\n"_ba << abc << "abc\r\nAbc\r\n abc\r\n"_ba;
    QTest::newRow("last line without CR dropped") << "x\r\ny"_ba << abc << "abc\r\nx\r\n"_ba;
    QTest::newRow("LF ends no line, is dropped") << "a\nbc\r\nx\ny\n"_ba << abc << "abc\r\n"_ba;
    QTest::newRow("CR alone ends a line") << "x\ry\r"_ba << abc << "abc\r\nx\r\ny\r\n"_ba;
    // Empty lines carry no term; the format folds them away, leaving a CR
    // that the reader takes for the end of an empty line.
    QTest::newRow("cleared history") << "\r\n\r\n"_ba << abc << "abc\r\r\n"_ba;
    QTest::newRow("leading empty line") << "\r\nx\r\n"_ba << abc << "abc\r\nx\r\n"_ba;
    QTest::newRow("Windows-1252 stays") << u"Müller\r\n"_s.toLatin1() << u"Größe"_s
                                        << u"Größe\r\nMüller\r\n"_s.toLatin1();
    QTest::newRow("UTF-8 stays") << u"Müller\r\n"_s.toUtf8() << u"Größe"_s << u"Größe\r\nMüller\r\n"_s.toUtf8();
    QTest::newRow("BOM stays") << "\xEF\xBB\xBFx\r\n"_ba << u"ä"_s
                               << QByteArray("\xEF\xBB\xBF" + u"ä\r\nx\r\n"_s.toUtf8());
    QTest::newRow("term outside Windows-1252 turns the file to UTF-8")
        << u"Müller\r\n"_s.toLatin1() << u"Łódź"_s << u"Łódź\r\nMüller\r\n"_s.toUtf8();
    // In Windows-1252 (DF 85) it would read back as "Viel Spa" + U+07C5.
    QTest::newRow("term that would pass for UTF-8 turns the file to UTF-8")
        << QByteArray() << u"Viel Spaß…"_s << u"Viel Spaß…\r\n"_s.toUtf8();
}

void TestSearchHistory::save()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, term);
    QFETCH(QByteArray, after);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"data/Quandel.ini"_s);
    if (!before.isNull()) {
        QVERIFY(QDir().mkpath(dir.filePath(u"data"_s)));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(before);
    }
    QVERIFY(SearchHistory::save(path, term));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), after);
    QCOMPARE(SearchHistory::read(path).value(0), term);
}

void TestSearchHistory::read_data()
{
    QTest::addColumn<QByteArray>("bytes"); // null: no file
    QTest::addColumn<QStringList>("terms");

    QTest::newRow("CR LF lines") << "abc\r\nxyz\r\n"_ba << QStringList{u"abc"_s, u"xyz"_s};
    QTest::newRow("empty lines skipped") << "\r\n\r\na\r\n\r\n"_ba << QStringList{u"a"_s};
    QTest::newRow("LF dropped, CR ends a line") << "a\nb\rc\r"_ba << QStringList{u"ab"_s, u"c"_s};
    QTest::newRow("text after the last CR") << "abc\r\nxyz"_ba << QStringList{u"abc"_s};
    QTest::newRow("Windows-1252") << u"Größe\r\n"_s.toLatin1() << QStringList{u"Größe"_s};
    QTest::newRow("UTF-8") << u"Größe\r\n"_s.toUtf8() << QStringList{u"Größe"_s};
    QTest::newRow("missing file") << QByteArray() << QStringList();
}

void TestSearchHistory::read()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, terms);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Quandel.ini"_s);
    if (!bytes.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    bool exists = bytes.isNull();
    QCOMPARE(SearchHistory::read(path, &exists), terms);
    QCOMPARE(exists, !bytes.isNull());
}

void TestSearchHistory::unreadableHistoryIsNeverWritten_data()
{
    TestEnvironment::addUnreadableStoreRows();
}

// A history that could not be read was replaced by the one new term, its
// mode changed, and a link to a device turned the device into a file.
void TestSearchHistory::unreadableHistoryIsNeverWritten()
{
    QFETCH(QString, kind);
    TestEnvironment env;
    const QString path = env.makeSpecial(u"Quandel.ini"_s, kind);
    if (path.isEmpty()) {
        QSKIP("this machine cannot make such a node");
    }
    const TestEnvironment::NodeState before = TestEnvironment::stateOf(path);
    QCOMPARE(before.link, kind.endsWith(u"link"_s));

    bool exists = true;
    QCOMPARE(SearchHistory::read(path, &exists), QStringList());
    QVERIFY(!exists);
    QVERIFY(!SearchHistory::save(path, u"delta"_s));
    QVERIFY(!SearchHistory::clear(path));

    QVERIFY(TestEnvironment::stateOf(path) == before);
}

// The search dialog and the window of all hits write from different threads.
void TestSearchHistory::writesFromTwoThreadsKeepEveryTerm()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Quandel.ini"_s);
    constexpr int PerThread = 40;
    std::atomic_int failed = 0;
    auto writer = [&path, &failed](const QString &prefix) {
        return QThread::create([path, prefix, &failed] {
            for (int i = 0; i < PerThread; ++i) {
                if (!SearchHistory::save(path, prefix + QString::number(i))) {
                    ++failed;
                }
            }
        });
    };
    std::unique_ptr<QThread> a(writer(u"a"_s));
    std::unique_ptr<QThread> b(writer(u"b"_s));
    a->start();
    b->start();
    QVERIFY(a->wait(60000));
    QVERIFY(b->wait(60000));
    QCOMPARE(failed.load(), 0);
    const QStringList terms = SearchHistory::read(path);
    QCOMPARE(terms.size(), 2 * PerThread);
    for (int i = 0; i < PerThread; ++i) {
        QVERIFY(terms.contains(u"a"_s + QString::number(i)));
        QVERIFY(terms.contains(u"b"_s + QString::number(i)));
    }
}

QTEST_GUILESS_MAIN(TestSearchHistory)
#include "tst_searchhistory.moc"
