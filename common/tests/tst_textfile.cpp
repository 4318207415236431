#include "TestEnvironment.h"
#include "TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTest>

#include <random>

#include <unistd.h>

using namespace Qt::StringLiterals;

using Encoding = TextFormat::Encoding;
using LineEnd = TextFormat::LineEnd;

namespace {

QByteArray allBytes()
{
    QByteArray bytes;
    for (int b = 0; b < 256; ++b) {
        bytes.append(static_cast<char>(b));
    }
    return bytes;
}

QByteArray binaryJunk()
{
    QRandomGenerator generator(4711);
    QByteArray bytes(4096, Qt::Uninitialized);
    for (char &b : bytes) {
        b = static_cast<char>(generator.bounded(256));
    }
    return bytes;
}

} // namespace

class TestTextFile final : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void isUtf8AgreesWithTheDecoder_data();
    void isUtf8AgreesWithTheDecoder();
    void roundTrip_data();
    void roundTrip();
    void windows1252MatchesSystemCodec();
    void encode_data();
    void encode();
    void writeSwitchesToUtf8AndReportsIt();
    void readRefusesOversize_data();
    void readRefusesOversize();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();
    void writeFollowsSymlinks_data();
    void writeFollowsSymlinks();
    void writeRefusesSymlinkLoop();
    void writeKeepsPermissions();
    void specialFilesAreNeitherReadNorWritten_data();
    void specialFilesAreNeitherReadNorWritten();
};

void TestTextFile::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Encoding>("encoding");
    QTest::addColumn<bool>("bom");
    QTest::addColumn<LineEnd>("lineEnd");

    // No line end at all: a code-page file is taken to be one of the
    // library's own, whose lines end in CR LF.
    QTest::newRow("empty") << QByteArray() << QString() << Encoding::Windows1252 << false << LineEnd::CrLf;
    QTest::newRow("ascii is windows-1252")
        << QByteArray("abc\r\n") << u"abc\n"_s << Encoding::Windows1252 << false << LineEnd::CrLf;
    QTest::newRow("valid utf-8") << QByteArray("Gr\xC3\xBC\xC3\x9F\n") << u"Grüß\n"_s << Encoding::Utf8 << false
                                 << LineEnd::Lf;
    QTest::newRow("utf-8 with bom") << QByteArray("\xEF\xBB\xBFx\xE2\x9C\x93") << u"x✓"_s << Encoding::Utf8 << true
                                    << LineEnd::Lf;
    QTest::newRow("bom only") << QByteArray("\xEF\xBB\xBF") << QString() << Encoding::Utf8 << true << LineEnd::Lf;
    QTest::newRow("second bom stays text")
        << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFx") << u"\uFEFFx"_s << Encoding::Utf8 << true << LineEnd::Lf;
    QTest::newRow("bom before invalid utf-8 is windows-1252")
        << QByteArray("\xEF\xBB\xBF\xE4") << u"ï»¿ä"_s << Encoding::Windows1252 << false << LineEnd::CrLf;
    QTest::newRow("latin umlauts") << QByteArray("Gr\xFC\xDF") << u"Grüß"_s << Encoding::Windows1252 << false
                                   << LineEnd::CrLf;
    QTest::newRow("utf-8 cut at the end")
        << QByteArray("a\xC3") << u"aÃ"_s << Encoding::Windows1252 << false << LineEnd::CrLf;
    QTest::newRow("overlong utf-8") << QByteArray("\xC0\x80", 2) << u"À€"_s << Encoding::Windows1252 << false
                                    << LineEnd::CrLf;
    QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80") << u"í\u00A0€"_s << Encoding::Windows1252 << false
                                       << LineEnd::CrLf;
    QTest::newRow("first line end decides: crlf")
        << QByteArray("a\r\nb\nc") << u"a\nb\nc"_s << Encoding::Windows1252 << false << LineEnd::CrLf;
    QTest::newRow("first line end decides: lf")
        << QByteArray("a\nb\r\nc") << u"a\nb\r\nc"_s << Encoding::Windows1252 << false << LineEnd::Lf;
    QTest::newRow("lone cr stays") << QByteArray("a\rb\r\n") << u"a\rb\n"_s << Encoding::Windows1252 << false
                                   << LineEnd::CrLf;
    QTest::newRow("cr before crlf") << QByteArray("a\r\r\nb") << u"a\r\nb"_s << Encoding::Windows1252 << false
                                    << LineEnd::CrLf;
    QTest::newRow("file without final line break keeps its end")
        << QByteArray("line\r\nend") << u"line\nend"_s << Encoding::Windows1252 << false << LineEnd::CrLf;
    QTest::newRow("nul bytes are kept") << QByteArray("a\0b\n", 4) << QString(u"a\0b\n"_s) << Encoding::Windows1252
                                        << false << LineEnd::Lf;
}

void TestTextFile::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(Encoding, encoding);
    QFETCH(bool, bom);
    QFETCH(LineEnd, lineEnd);

    const DecodedText decoded = TextFile::decode(bytes);
    QCOMPARE(decoded.text, text);
    QCOMPARE(decoded.format.encoding, encoding);
    QCOMPARE(decoded.format.bom, bom);
    QCOMPARE(decoded.format.lineEnd, lineEnd);
}

void TestTextFile::isUtf8AgreesWithTheDecoder_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<unsigned>("seed"); // > 0: many sequences of the bytes that matter, at random
    const auto row = [](const char *name, const QByteArray &bytes) { QTest::newRow(name) << bytes << 0u; };
    row("empty", QByteArray());
    row("ascii longer than a word", "0123456789abcdefghij");
    row("two, three and four bytes", "\xC3\xBC \xE2\x82\xAC \xF0\x9F\x98\x80");
    row("highest code point", "\xF4\x8F\xBF\xBF");
    row("past the highest", "\xF4\x90\x80\x80");
    row("noncharacter", "\xEF\xBF\xBE");
    row("overlong two", "\xC1\xBF");
    row("overlong three", "\xE0\x9F\xBF");
    row("overlong four", "\xF0\x8F\xBF\xBF");
    row("surrogate", "\xED\xA0\x80");
    row("cut after eight ascii", "abcdefgh\xE2\x82");
    row("stray continuation", "abc\x80");
    row("windows-1252 umlaut", "Gr\xFC\xDF");
    row("bom", "\xEF\xBB\xBFx");
    for (unsigned seed = 1; seed <= 3; ++seed) {
        QTest::addRow("random %u", seed) << QByteArray() << seed;
    }
}

void TestTextFile::isUtf8AgreesWithTheDecoder()
{
    QFETCH(QByteArray, bytes);
    QFETCH(unsigned, seed);
    // Qt's strict decoder, and the bytes back from what it decoded.
    const auto decodes = [](const QByteArray &b) {
        QStringDecoder decoder(QStringDecoder::Utf8,
                               QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        const QString text = decoder(b);
        return !decoder.hasError() && text.toUtf8() == b;
    };
    if (seed == 0) {
        QCOMPARE(TextFile::isUtf8(bytes), decodes(bytes));
        return;
    }
    const unsigned char interesting[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF,
                                         0xE0, 0xE1, 0xEC, 0xED, 0xEE, 0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xFF};
    std::mt19937 rng(seed);
    std::uniform_int_distribution<size_t> pick(0, std::size(interesting) - 1);
    std::uniform_int_distribution<int> length(1, 6);
    std::uniform_int_distribution<int> asciiBefore(0, 11);
    int valid = 0;
    for (int i = 0; i < 20000; ++i) {
        QByteArray b(asciiBefore(rng), 'a');
        for (int n = length(rng); n > 0; --n) {
            b += char(interesting[pick(rng)]);
        }
        const bool expected = decodes(b);
        valid += expected ? 1 : 0;
        QVERIFY2(TextFile::isUtf8(b) == expected, b.toHex(' ').constData());
    }
    QVERIFY(valid > 100); // the table is not all invalid
}

void TestTextFile::roundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("all 256 byte values") << allBytes();
    QTest::newRow("utf-8 with bom") << QByteArray("\xEF\xBB\xBF\xCE\xA9\r\nx\r\n");
    QTest::newRow("utf-8 without bom") << QByteArray("\xCE\xA9\nx\n");
    QTest::newRow("second bom") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF");
    QTest::newRow("crlf ending in crlf") << QByteArray("a\r\nb\r\n");
    QTest::newRow("crlf without final line break") << QByteArray("a\r\nbc");
    QTest::newRow("crlf with lone cr") << QByteArray("a\rb\r\r\n\r");
    QTest::newRow("lf with a crlf line") << QByteArray("a\nb\r\nc\n");
    QTest::newRow("binary junk") << binaryJunk();
}

void TestTextFile::roundTrip()
{
    QFETCH(QByteArray, bytes);

    const DecodedText decoded = TextFile::decode(bytes);
    bool switched = true;
    QCOMPARE(TextFile::encode(decoded.text, decoded.format, &switched), bytes);
    QVERIFY(!switched);

    TestEnvironment env;
    const QString path = env.path(QStringLiteral("doc.txt"));
    QVERIFY(TextFile::write(path, decoded.text, decoded.format).ok);
    QCOMPARE(bytesOf(path), bytes);
    const TextFile::ReadResult read = TextFile::read(path);
    QVERIFY(read.ok);
    QCOMPARE(read.content.text, decoded.text);
    QCOMPARE(read.content.format, decoded.format);
}

// A typo in the code page table would still round-trip, so the characters are
// checked against the system's codec where Qt has one.
void TestTextFile::windows1252MatchesSystemCodec()
{
    QStringDecoder system("windows-1252");
    if (!system.isValid()) {
        QSKIP("Qt was built without a Windows-1252 codec");
    }
    const QString expected = system(allBytes());
    const QString decoded = TextFile::decode(allBytes()).text;
    QCOMPARE(decoded.size(), 256);
    for (int b = 0; b < 256; ++b) {
        QCOMPARE(decoded.at(b).unicode(), expected.at(b).unicode());
    }
}

void TestTextFile::encode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<TextFormat>("format");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("switched");

    const TextFormat utf8Bom{Encoding::Utf8, true, LineEnd::CrLf};
    QTest::newRow("windows-1252 crlf") << u"ä\n"_s << TextFormat::document() << QByteArray("\xE4\r\n") << false;
    QTest::newRow("euro is in windows-1252") << u"€"_s << TextFormat::document() << QByteArray("\x80") << false;
    QTest::newRow("undefined byte as c1 control")
        << u"\u0081"_s << TextFormat::document() << QByteArray("\x81") << false;
    QTest::newRow("c1 control taken by the euro")
        << u"\u0080"_s << TextFormat::document() << QByteArray("\xC2\x80") << true;
    QTest::newRow("omega switches to utf-8")
        << u"ä Ω\n"_s << TextFormat::document() << QByteArray("\xC3\xA4 \xCE\xA9\r\n") << true;
    QTest::newRow("check mark switches to utf-8")
        << u"✓"_s << TextFormat::document() << QByteArray("\xE2\x9C\x93") << true;
    QTest::newRow("utf-8 with bom") << u"x\n"_s << utf8Bom << QByteArray("\xEF\xBB\xBFx\r\n") << false;
    QTest::newRow("lf leaves cr alone") << u"a\r\n"_s << TextFormat::settings() << QByteArray("a\r\n") << false;
}

void TestTextFile::encode()
{
    QFETCH(QString, text);
    QFETCH(TextFormat, format);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, switched);

    bool didSwitch = !switched;
    QCOMPARE(TextFile::encode(text, format, &didSwitch), bytes);
    QCOMPARE(didSwitch, switched);
    QCOMPARE(TextFile::fitsWindows1252(text), !switched);
}

void TestTextFile::writeSwitchesToUtf8AndReportsIt()
{
    TestEnvironment env;
    const QString path = env.path(QStringLiteral("doc.txt"));
    const TextFile::WriteResult result = TextFile::write(path, u"Ω\n"_s, TextFormat::document());
    QVERIFY(result.ok);
    QVERIFY(result.switchedToUtf8);
    QCOMPARE(result.usedFormat, (TextFormat{Encoding::Utf8, false, LineEnd::CrLf}));
    QCOMPARE(TextFile::read(path).content.format, result.usedFormat);
}

void TestTextFile::readRefusesOversize_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("ok");

    QTest::newRow("at the limit") << 1000 << true;
    QTest::newRow("one byte over") << 1001 << false;
}

void TestTextFile::readRefusesOversize()
{
    QFETCH(int, size);
    QFETCH(bool, ok);

    TestEnvironment env;
    const QString path = env.writeFile(QStringLiteral("big.txt"), QByteArray(size, 'x'));
    const TextFile::ReadResult result = TextFile::read(path, 1000);
    QCOMPARE(result.ok, ok);
    QCOMPARE(result.error.contains(u"zu groß"_s), !ok);
    QCOMPARE(result.content.text.size(), ok ? size : 0);
}

void TestTextFile::failedWriteKeepsOldFile_data()
{
    QTest::addColumn<QString>("existing"); // a file that must stay as it was
    QTest::addColumn<QString>("target");

    QTest::newRow("parent is a regular file") << u"plain"_s << u"plain/doc.txt"_s;
    QTest::newRow("target is a folder") << u"folder/inside"_s << u"folder"_s;
    QTest::newRow("folder missing") << u"other"_s << u"missing/doc.txt"_s;
    QTest::newRow("read-only folder") << u"locked/doc.txt"_s << u"locked/doc.txt"_s;
}

void TestTextFile::failedWriteKeepsOldFile()
{
    QFETCH(QString, existing);
    QFETCH(QString, target);

    TestEnvironment env;
    const QByteArray old("old\r\ncontent");
    const QString existingPath = env.writeFile(existing, old);
    const QString targetPath = env.path(target);
    const QString lockedFolder = env.path(QStringLiteral("locked"));
    if (QDir(lockedFolder).exists()) {
        if (geteuid() == 0) {
            QSKIP("folder permissions do not stop root");
        }
        QVERIFY(QFile::setPermissions(lockedFolder, QFile::ReadOwner | QFile::ExeOwner));
    }

    const TextFile::WriteResult result = TextFile::write(targetPath, u"new"_s, TextFormat::document());
    const QString bytesError = TextFile::writeBytes(targetPath, "new");
    QFile::setPermissions(lockedFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QVERIFY(!result.ok);
    QVERIFY(!result.error.isEmpty());
    QVERIFY(!bytesError.isEmpty());
    QCOMPARE(bytesOf(existingPath), old);
    QCOMPARE(QDir(env.home()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{existing.section(u'/', 0, 0)});
}

void TestTextFile::writeFollowsSymlinks_data()
{
    QTest::addColumn<QStringList>("links"); // "link>points to", relative to the home
    QTest::addColumn<bool>("absolute");     // else the link holds the text as given
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("targetExists");

    QTest::newRow("absolute link") << QStringList{u"link>real/doc.txt"_s} << true << u"real/doc.txt"_s << true;
    QTest::newRow("relative link") << QStringList{u"real/link>doc.txt"_s} << false << u"real/doc.txt"_s << true;
    QTest::newRow("chain of links") << QStringList{u"a>b"_s, u"b>real/doc.txt"_s} << false << u"real/doc.txt"_s << true;
    QTest::newRow("dangling link") << QStringList{u"link>real/doc.txt"_s} << true << u"real/doc.txt"_s << false;
}

void TestTextFile::writeFollowsSymlinks()
{
    QFETCH(QStringList, links);
    QFETCH(bool, absolute);
    QFETCH(QString, target);
    QFETCH(bool, targetExists);

    TestEnvironment env;
    QVERIFY(QDir(env.home()).mkpath(u"real"_s));
    if (targetExists) {
        env.writeFile(target, "old");
    }
    for (const QString &link : links) {
        const QString pointsTo = link.section(u'>', 1);
        QVERIFY(QFile::link(absolute ? env.path(pointsTo) : pointsTo, env.path(link.section(u'>', 0, 0))));
    }

    const QString first = env.path(links.first().section(u'>', 0, 0));
    QVERIFY(TextFile::write(first, u"new"_s, TextFormat::document()).ok);

    for (const QString &link : links) {
        QVERIFY2(QFileInfo(env.path(link.section(u'>', 0, 0))).isSymLink(), qPrintable(link));
    }
    QCOMPARE(bytesOf(env.path(target)), QByteArray("new"));
}

void TestTextFile::writeRefusesSymlinkLoop()
{
    TestEnvironment env;
    const QString a = env.path(QStringLiteral("a"));
    const QString b = env.path(QStringLiteral("b"));
    QVERIFY(QFile::link(b, a));
    QVERIFY(QFile::link(a, b));

    QVERIFY(!TextFile::writeBytes(a, "x").isEmpty());
    QVERIFY(QFileInfo(a).isSymLink());
    QVERIFY(QFileInfo(b).isSymLink());
}

void TestTextFile::writeKeepsPermissions()
{
    TestEnvironment env;
    const QString path = env.writeFile(QStringLiteral("doc.txt"), "old");
    const QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    QVERIFY(QFile::setPermissions(path, permissions));

    QVERIFY(TextFile::writeBytes(path, "new").isEmpty());
    const auto ownerGroupOther = QFile::Permissions::fromInt(0x7077);
    QCOMPARE(QFile::permissions(path) & ownerGroupOther, permissions);
}

void TestTextFile::specialFilesAreNeitherReadNorWritten_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("tryWrite"); // never through a link to the system's own node

    QTest::newRow("named pipe") << u"fifo"_s << true;
    QTest::newRow("link to a named pipe") << u"fifo link"_s << true;
    QTest::newRow("device") << u"null"_s << true;
    QTest::newRow("link to a device") << u"null link"_s << true;
    QTest::newRow("link to /dev/zero") << u"zero link"_s << false;
    QTest::newRow("folder") << u"folder"_s << true;
}

// A pipe blocked open() for ever, /dev/zero was read without end, and a
// save through a link turned a device into a regular file.
void TestTextFile::specialFilesAreNeitherReadNorWritten()
{
    QFETCH(QString, kind);
    QFETCH(bool, tryWrite);
    TestEnvironment env;
    const QString path = env.makeSpecial(u"doc.txt"_s, kind);
    if (path.isEmpty()) {
        QSKIP("this machine cannot make such a node");
    }
    const QString pointsTo = QFileInfo(path).isSymLink() ? QFileInfo(path).symLinkTarget() : path;
    const QString kindBefore = TestEnvironment::nodeKind(pointsTo);

    const TextFile::ReadResult read = TextFile::read(path, 1000);
    QVERIFY(!read.ok);
    QVERIFY(read.error.contains(u"keine gewöhnliche Datei"_s));
    QVERIFY(!TextFile::readBytes(path, TextFile::MaxStoreBytes).ok);

    if (tryWrite) {
        QVERIFY(!TextFile::writeBytes(path, "new").isEmpty());
        QVERIFY(!TextFile::write(path, u"new"_s, TextFormat::document()).ok);
        QCOMPARE(TestEnvironment::nodeKind(pointsTo), kindBefore);
        QCOMPARE(QFileInfo(path).isSymLink(), path != pointsTo);
    }
}

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
