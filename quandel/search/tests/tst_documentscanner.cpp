#include "DocumentScanner.h"
#include "DocumentText.h"
#include "TextFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    QString path = dir.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(bytes);
    }
    return path;
}

} // namespace

class TestDocumentScanner final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void positionIsTheEditorPosition_data();
    void positionIsTheEditorPosition();
    void scannerAgreesWithEditor_data();
    void scannerAgreesWithEditor();
    void sizeLimit_data();
    void sizeLimit();
    void firstHitInListOrder_data();
    void firstHitInListOrder();
    void cancelledBeforeStartExaminesNothing();
};

void TestDocumentScanner::positionIsTheEditorPosition_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("term");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<int>("position");

    // "Größe\nMüller " is 13 characters in the editor, more bytes in UTF-8
    // and more still with CR LF.
    const QString crLf = u"Größe\r\nMüller ABC\r\n"_s;
    const QString lf = u"Größe\nMüller ABC\n"_s;
    QTest::newRow("Windows-1252 CR LF") << crLf.toLatin1() << u"abc"_s << false << 13;
    QTest::newRow("Windows-1252 LF") << lf.toLatin1() << u"abc"_s << false << 13;
    QTest::newRow("UTF-8 CR LF") << crLf.toUtf8() << u"abc"_s << false << 13;
    QTest::newRow("UTF-8 LF") << lf.toUtf8() << u"abc"_s << false << 13;
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF" + crLf.toUtf8()) << u"abc"_s << false << 13;
    QTest::newRow("outside the BMP counts two") << u"😀 abc"_s.toUtf8() << u"abc"_s << false << 3;
    QTest::newRow("umlaut term, other case") << u"x Müller"_s.toLatin1() << u"MÜLLER"_s << false << 2;
    QTest::newRow("Kelvin sign folds to k") << u"x\u212Aey"_s.toUtf8() << u"key"_s << false << 1;
    QTest::newRow("long s folds to s") << u"xx\u017Fun"_s.toUtf8() << u"SUN"_s << false << 2;
    QTest::newRow("case-sensitive, other case") << "xABCx"_ba << u"abc"_s << true << -1;
    QTest::newRow("case-sensitive, same case") << "abcxABCx"_ba << u"ABC"_s << true << 4;
    QTest::newRow("case-sensitive, Windows-1252") << u"x Größe"_s.toLatin1() << u"Größe"_s << true << 2;
    QTest::newRow("case-sensitive, UTF-8") << u"x Größe"_s.toUtf8() << u"Größe"_s << true << 2;
    QTest::newRow("case-sensitive, Kelvin is no k") << u"\u212Aey"_s.toUtf8() << u"key"_s << true << -1;
}

void TestDocumentScanner::positionIsTheEditorPosition()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, term);
    QFETCH(bool, caseSensitive);
    QFETCH(int, position);
    QTemporaryDir dir;
    const QString path = writeFile(dir, u"d.txt"_s, bytes);
    const std::atomic_bool cancel{false};
    std::atomic_int progress{0};
    const DocumentScanner scanner(term, caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive, cancel, progress);
    QCOMPARE(scanner.positionIn(path), position);
    const DocumentScanner::Hit hit = scanner.scan({path}, 1);
    QCOMPARE(hit.order, position >= 0 ? 0 : -1);
    QCOMPARE(hit.position, position);
}

void TestDocumentScanner::scannerAgreesWithEditor_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("term");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<int>("position");

    struct Row
    {
        const char *name;
        QString text;
        QString term;
        bool caseSensitive;
        int position;
    };
    const Row rows[] = {
        {"umlaut term, other case", u"Die GRÖSSE und GRÖßE"_s, u"größe"_s, false, 15},
        {"umlaut alone", u"xyz \nä"_s, u"Ä"_s, false, 5},
        {"umlaut term, no hit", u"Grösse Grosse"_s, u"größe"_s, false, -1},
        {"ASCII term after umlauts", u"Müller ÄÖÜ abc"_s, u"ABC"_s, false, 11},
        {"Kelvin sign in the text", u"5 \u212Aelvin"_s, u"KELVIN"_s, false, 2},
        {"Kelvin sign in the term", u"Okay"_s, u"\u212A"_s, false, 1},
        {"Kelvin sign, cut short", u"\u212Aelvi"_s, u"kelvin"_s, false, -1},
        {"long s in the text", u"\u017Ftraße"_s, u"STRAßE"_s, false, 0},
        {"long s in the term", u"Gasse"_s, u"\u017F"_s, false, 2},
        {"long s, case-sensitive", u"\u017Fo so"_s, u"so"_s, true, 3},
        {"euro sign (0x80)", u"Preis 5 €"_s, u"€"_s, false, 8},
        {"S caron (0x8A, 0x9A)", u"ŠKODA"_s, u"škoda"_s, false, 0},
        {"ligature (0x8C, 0x9C)", u"chef-d’Œuvre"_s, u"œuvre"_s, false, 7},
        {"Y diaeresis (0x9F, 0xFF)", u"ab Ÿ"_s, u"ÿ"_s, false, 3},
        {"quotes (0x84, 0x93)", u"er sagte „Zitat“"_s, u"„zitat“"_s, false, 9},
        {"undefined byte 0x81", u"a\u0081b"_s, u"\u0081B"_s, false, 1},
        {"case-sensitive umlaut", u"GRÖßE größe Größe"_s, u"Größe"_s, true, 12},
        {"case-sensitive S caron", u"šŠ"_s, u"Š"_s, true, 1},
        {"outside Windows-1252", u"Ωmega ωMEGA"_s, u"ωmega"_s, false, 0},
        {"across a line end", u"ab\ncd"_s, u"b\nc"_s, false, 1},
    };
    // The padding moves the term across the blocks the byte test compares
    // at once.
    for (const int padding : {0, 21, 70}) {
        const QString pad = padding > 0 ? QString(padding, u'x') + u'\n' : QString();
        for (const Row &row : rows) {
            QTest::addRow("%s, padding %d", row.name, padding)
                << pad + row.text << row.term << row.caseSensitive
                << (row.position < 0 ? -1 : row.position + int(pad.size()));
        }
    }
}

void TestDocumentScanner::scannerAgreesWithEditor()
{
    QFETCH(QString, text);
    QFETCH(QString, term);
    QFETCH(bool, caseSensitive);
    QFETCH(int, position);
    const Qt::CaseSensitivity cs = caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const std::atomic_bool cancel{false};
    std::atomic_int progress{0};
    const DocumentScanner scanner(term, cs, cancel, progress);
    using Encoding = TextFormat::Encoding;
    using LineEnd = TextFormat::LineEnd;
    const struct
    {
        const char *name;
        TextFormat format;
    } formats[] = {
        {"Windows-1252 CR LF", {Encoding::Windows1252, false, LineEnd::CrLf}},
        {"Windows-1252 LF", {Encoding::Windows1252, false, LineEnd::Lf}},
        {"UTF-8 LF", {Encoding::Utf8, false, LineEnd::Lf}},
        {"UTF-8 CR LF with BOM", {Encoding::Utf8, true, LineEnd::CrLf}},
    };
    QTemporaryDir dir;
    for (const auto &[name, format] : formats) {
        if (format.encoding == Encoding::Windows1252 && !TextFile::fitsWindows1252(text)) {
            continue;
        }
        // Documents end with a line end that the editor does not show.
        const QByteArray bytes = TextFile::encode(text + u'\n', format);
        const QString path = writeFile(dir, u"d.txt"_s, bytes);
        // The editor: the text as loaded, searched as find-next does.
        const QString editor = DocumentText::fromFile(TextFile::read(path).content.text).editorText;
        QVERIFY2(editor.indexOf(term, 0, cs) == position, name);
        QVERIFY2(scanner.positionIn(path) == position, name);
        QVERIFY2(scanner.scan({path}, 1).position == position, name);
    }
}

void TestDocumentScanner::sizeLimit_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<int>("position");

    QTest::newRow("16 MiB is searched") << 16ll * 1024 * 1024 << 0;
    QTest::newRow("one byte more is skipped") << 16ll * 1024 * 1024 + 1 << -1;
}

void TestDocumentScanner::sizeLimit()
{
    QFETCH(qint64, size);
    QFETCH(int, position);
    QTemporaryDir dir;
    QByteArray bytes(size, 'x');
    bytes.replace(0, 3, "abc");
    const QString path = writeFile(dir, u"big.txt"_s, bytes);
    const std::atomic_bool cancel{false};
    std::atomic_int progress{0};
    const DocumentScanner scanner(u"abc"_s, Qt::CaseInsensitive, cancel, progress);
    QCOMPARE(scanner.positionIn(path), position);
}

void TestDocumentScanner::firstHitInListOrder_data()
{
    QTest::addColumn<QList<int>>("hits");
    QTest::addColumn<int>("threads");
    QTest::addColumn<int>("first");

    for (const int threads : {1, 4}) {
        QTest::addRow("37 and 150, threads %d", threads) << QList<int>{150, 37} << threads << 37;
        QTest::addRow("first and last, threads %d", threads) << QList<int>{0, 199} << threads << 0;
        QTest::addRow("last only, threads %d", threads) << QList<int>{199} << threads << 199;
        QTest::addRow("neighbours across chunks, threads %d", threads) << QList<int>{8, 7} << threads << 7;
        QTest::addRow("none, threads %d", threads) << QList<int>{} << threads << -1;
    }
}

void TestDocumentScanner::firstHitInListOrder()
{
    QFETCH(QList<int>, hits);
    QFETCH(int, threads);
    QFETCH(int, first);
    QTemporaryDir dir;
    QStringList files;
    for (int i = 0; i < 200; ++i) {
        // Unreadable entries are passed over, not taken for the end; a
        // named pipe or a device is skipped at once, not waited for.
        if (i == 3) {
            files.append(QString());
            continue;
        }
        if (i == 5 || i == 6) {
            const QString special = dir.filePath(u"special%1.txt"_s.arg(i));
            QVERIFY(i == 5 ? ::mkfifo(QFile::encodeName(special).constData(), 0644) == 0
                           : QFile::link(u"/dev/zero"_s, special));
            files.append(special);
            continue;
        }
        files.append(writeFile(dir, u"d%1.txt"_s.arg(i, 3, 10, QLatin1Char('0')),
                               hits.contains(i) ? QByteArray("line\r\n.abc") + QByteArray::number(i)
                                                : QByteArray("line\r\nnothing")));
    }
    const std::atomic_bool cancel{false};
    std::atomic_int progress{0};
    const DocumentScanner scanner(u"ABC"_s, Qt::CaseInsensitive, cancel, progress);
    // Repeated: the order the workers finish in differs from run to run.
    for (int run = 0; run < 20; ++run) {
        const DocumentScanner::Hit hit = scanner.scan(files, threads);
        QCOMPARE(hit.order, first);
        QCOMPARE(hit.position, first >= 0 ? 6 : -1);
    }
}

void TestDocumentScanner::cancelledBeforeStartExaminesNothing()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, u"d.txt"_s, "abc");
    const std::atomic_bool cancel{true};
    std::atomic_int progress{0};
    const DocumentScanner scanner(u"abc"_s, Qt::CaseInsensitive, cancel, progress);
    QCOMPARE(scanner.scan({path, path}, 2).order, -1);
    QCOMPARE(progress.load(), 0);
}

QTEST_GUILESS_MAIN(TestDocumentScanner)
#include "tst_documentscanner.moc"
