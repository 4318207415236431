#include "IniFile.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Control characters, NUL bytes, bytes that are no valid UTF-8 and a lone CR:
// what a damaged or foreign file may hold.
QByteArray junk()
{
    QByteArray bytes;
    for (int b = 0; b < 256; ++b) {
        if (b != '\n') {
            bytes.append(static_cast<char>(b));
        }
    }
    return bytes;
}

// Text in UTF-16 with its byte-order mark, as Windows writes it.
QByteArray utf16(const QString &text, bool bigEndian = false)
{
    QByteArray bytes = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
    for (const QChar c : text) {
        const char high = static_cast<char>(c.unicode() >> 8);
        const char low = static_cast<char>(c.unicode() & 0xFF);
        bytes.append(bigEndian ? high : low).append(bigEndian ? low : high);
    }
    return bytes;
}

// A file that is not UTF-8 as a whole: its first value is Windows-1252.
QByteArray mixedFile(const QByteArray &line)
{
    return "[s]\r\na=Gr\xF6\xDF\x65\r\nk=" + line + "\r\n";
}

} // namespace

class TestIniFile final : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void write_data();
    void write();
    void writeCreatesFileAndFolders();
    void readingMissingFileCreatesNothing();
    void failedWriteKeepsFile_data();
    void failedWriteKeepsFile();
    void invalidNamesAreRefused_data();
    void invalidNamesAreRefused();
    void deleteSection_data();
    void deleteSection();
    void specialFileReadsEmptyAndIsNeverWritten_data();
    void specialFileReadsEmptyAndIsNeverWritten();
};

void TestIniFile::read_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    const QByteArray plain("[Optionen]\nPfad=/home/anna\n");
    const QString long254(254, u'v');
    QTest::newRow("plain") << plain << u"Optionen"_s << u"Pfad"_s << u"/home/anna"_s;
    QTest::newRow("section without regard to case") << plain << u"OPTIONEN"_s << u"Pfad"_s << u"/home/anna"_s;
    QTest::newRow("key without regard to case") << plain << u"Optionen"_s << u"pfad"_s << u"/home/anna"_s;
    QTest::newRow("missing section") << plain << u"Andere"_s << u"Pfad"_s << QString();
    QTest::newRow("missing key") << plain << u"Optionen"_s << u"Name"_s << QString();
    QTest::newRow("blanks around everything")
        << QByteArray("  [ Optionen ]  \r\n\t Pfad \t=  a b  \r\n") << u"Optionen"_s << u"Pfad"_s << u"a b"_s;
    QTest::newRow("no-break space is part of the value")
        << QByteArray("[s]\nk=\xA0x\xA0\n") << u"s"_s << u"k"_s << u"\u00A0x\u00A0"_s;
    QTest::newRow("key before any section") << QByteArray("k=1\n[s]\n") << u"s"_s << u"k"_s << QString();
    QTest::newRow("comment is no key") << QByteArray("[s]\n;k=1\n") << u"s"_s << u";k"_s << QString();
    QTest::newRow("line without equals sign") << QByteArray("[s]\nk\nk=1\n") << u"s"_s << u"k"_s << u"1"_s;
    QTest::newRow("equals sign in value") << QByteArray("[s]\nk=a=b\n") << u"s"_s << u"k"_s << u"a=b"_s;
    QTest::newRow("header without closing bracket") << QByteArray("[s\nk=1\n") << u"s"_s << u"k"_s << u"1"_s;
    QTest::newRow("first of duplicate sections") << QByteArray("[s]\nk=1\n[S]\nk=2\n") << u"s"_s << u"k"_s << u"1"_s;
    QTest::newRow("key only in second duplicate")
        << QByteArray("[s]\na=1\n[s]\nk=2\n") << u"s"_s << u"k"_s << QString();
    QTest::newRow("first of duplicate keys") << QByteArray("[s]\nk=1\nK=2\n") << u"s"_s << u"k"_s << u"1"_s;
    QTest::newRow("double quotes stripped") << QByteArray("[s]\nk=\" a \"\n") << u"s"_s << u"k"_s << u" a "_s;
    QTest::newRow("single quotes stripped") << QByteArray("[s]\nk='a'\n") << u"s"_s << u"k"_s << u"a"_s;
    QTest::newRow("unmatched quotes kept") << QByteArray("[s]\nk=\"a'\n") << u"s"_s << u"k"_s << u"\"a'"_s;
    QTest::newRow("single quote character kept") << QByteArray("[s]\nk=\"\n") << u"s"_s << u"k"_s << u"\""_s;
    QTest::newRow("254 characters kept") << QByteArray("[s]\nk=" + long254.toLatin1()) << u"s"_s << u"k"_s << long254;
    QTest::newRow("300 characters cut to 254")
        << QByteArray("[s]\nk=" + QByteArray(300, 'v')) << u"s"_s << u"k"_s << long254;
    QTest::newRow("cut keeps surrogate pairs whole")
        << QByteArray("[s]\nk=" + QByteArray(253, 'v') + "\xF0\x9F\x98\x80") << u"s"_s << u"k"_s << QString(253, u'v');
    QTest::newRow("windows-1252 file") << QByteArray("[s]\nk=Gr\xFC\xDF \x80\n") << u"s"_s << u"k"_s << u"Grüß €"_s;
    QTest::newRow("utf-8 file with bom") << QByteArray("\xEF\xBB\xBF[s]\r\nk=\xCE\xA9\r\n") << u"s"_s << u"k"_s
                                         << u"Ω"_s;
    QTest::newRow("100 000-character line")
        << QByteArray("[s]\n" + QByteArray(100000, 'x') + "\nk=1\n") << u"s"_s << u"k"_s << u"1"_s;

    // Windows-1252 whose bytes happen to be valid UTF-8, and UTF-8 that
    // Windows-1252 would garble, in a file that is not UTF-8 as a whole.
    const struct
    {
        const char *bytes;
        QString text;
        const char *code;
    } mixed[] = {
        {"Viel Spa\xDF\x85", u"Viel Spaß…"_s, "windows-1252"},
        {"Fu\xDF\x96", u"Fuß–"_s, "windows-1252"},
        {"Ma\xDF\xAE", u"Maß®"_s, "windows-1252"},
        {"\xC4\x93\x78", u"Ä“x"_s, "windows-1252"},
        {"\xD6\xB2 \xDC\xB0", u"Ö² Ü°"_s, "windows-1252"},
        {"Gro\xDF\xA0\x78", u"Groß\u00A0x"_s, "windows-1252"},
        {"Viel Spa\xC3\x9F\xE2\x80\xA6", u"Viel Spaß…"_s, "utf-8"},
        {"M\xC3\xBCller", u"Müller"_s, "utf-8"},
        {"1 \xC2\xB0", u"1 °"_s, "utf-8"},
        {"\xD0\x9F\xD1\x80\xD0\xB8", u"При"_s, "utf-8"},
        {"\xC5\x81\xC3\xB3\x64\xC5\xBA", u"Łódź"_s, "utf-8"},
    };
    for (const auto &[bytes, text, code] : mixed) {
        QTest::addRow("mixed file: %s in %s", qPrintable(text), code) << mixedFile(bytes) << u"s"_s << u"k"_s << text;
    }
    QTest::newRow("mixed file: windows-1252 line") << mixedFile("x") << u"s"_s << u"a"_s << u"Größe"_s;
    QTest::newRow("lone cr line ends") << QByteArray("[S]\ra=1\rk=2\r") << u"s"_s << u"k"_s << u"2"_s;
    QTest::newRow("all three line ends") << QByteArray("[S]\r\na=1\rb=2\nk=3") << u"s"_s << u"k"_s << u"3"_s;
    QTest::newRow("utf-16le") << utf16(u"[s]\r\nk=Grüße Ω\r\n"_s) << u"s"_s << u"k"_s << u"Grüße Ω"_s;
    QTest::newRow("utf-16be") << utf16(u"[s]\nk=Grüße Ω"_s, true) << u"s"_s << u"k"_s << u"Grüße Ω"_s;
    QTest::newRow("binary junk") << QByteArray(junk() + "\n[s]\nk=1\n" + junk()) << u"s"_s << u"k"_s << u"1"_s;
}

void TestIniFile::read()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);

    TestEnvironment env;
    const QString path = env.writeFile(u"test.ini"_s, content);
    QCOMPARE(IniFiles::GetINIString(path, section, key), value);
    // Read once into memory, the file answers alike.
    QCOMPARE(IniFiles::Snapshot::read(path).value(section, key), value);
    QCOMPARE(bytesOf(path), content);
}

void TestIniFile::write_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("empty file") << QByteArray() << u"s"_s << u"k"_s << u"v"_s << QByteArray("[s]\nk=v\n");
    QTest::newRow("changed value keeps every other line")
        << QByteArray("; Kopf\r\n[S]\r\n  A = 1 \r\nk=alt\r\n\r\n[t]\r\nk=x\r\n") << u"s"_s << u"K"_s << u"neu"_s
        << QByteArray("; Kopf\r\n[S]\r\n  A = 1 \r\nk=neu\r\n\r\n[t]\r\nk=x\r\n");
    QTest::newRow("file's spelling of the key stays")
        << QByteArray("[s]\n Key = 1\n") << u"s"_s << u"KEY"_s << u"2"_s << QByteArray("[s]\nKey=2\n");
    QTest::newRow("new key after last non-blank line of its section")
        << QByteArray("[s]\na=1\n;c\n\n[t]\n") << u"s"_s << u"b"_s << u"2"_s
        << QByteArray("[s]\na=1\n;c\nb=2\n\n[t]\n");
    QTest::newRow("new key in section without lines")
        << QByteArray("[s]\n[t]\n") << u"s"_s << u"b"_s << u"2"_s << QByteArray("[s]\nb=2\n[t]\n");
    QTest::newRow("new section after a blank line")
        << QByteArray("[s]\na=1\n") << u"n"_s << u"k"_s << u"v"_s << QByteArray("[s]\na=1\n\n[n]\nk=v\n");
    QTest::newRow("no second blank line before new section")
        << QByteArray("[s]\na=1\n\n") << u"n"_s << u"k"_s << u"v"_s << QByteArray("[s]\na=1\n\n[n]\nk=v\n");
    QTest::newRow("missing final line break stays missing")
        << QByteArray("[s]\r\na=1") << u"s"_s << u"b"_s << u"2"_s << QByteArray("[s]\r\na=1\r\nb=2");
    QTest::newRow("empty value keeps the key")
        << QByteArray("[s]\na=1\n") << u"s"_s << u"a"_s << QString() << QByteArray("[s]\na=\n");
    QTest::newRow("line breaks in value become blanks")
        << QByteArray() << u"s"_s << u"k"_s << u"a\r\nb\nc\rd"_s << QByteArray("[s]\nk=a b c d\n");
    QTest::newRow("same value leaves file alone")
        << QByteArray("[s]\nk = 1\n") << u"s"_s << u"k"_s << u"1"_s << QByteArray("[s]\nk = 1\n");
    QTest::newRow("first of duplicate sections")
        << QByteArray("[s]\nk=1\n[S]\nk=2\n") << u"s"_s << u"k"_s << u"9"_s << QByteArray("[s]\nk=9\n[S]\nk=2\n");
    QTest::newRow("first of duplicate keys")
        << QByteArray("[s]\nk=1\nk=2\n") << u"s"_s << u"k"_s << u"9"_s << QByteArray("[s]\nk=9\nk=2\n");
    QTest::newRow("key of second duplicate goes into the first")
        << QByteArray("[s]\n[s]\nk=2\n") << u"s"_s << u"k"_s << u"9"_s << QByteArray("[s]\nk=9\n[s]\nk=2\n");
    QTest::newRow("odd lines kept") << QByteArray("[s]\nno equals sign\n=x\n;k=c\n \t\nk=1\n") << u"s"_s << u"k"_s
                                    << u"2"_s << QByteArray("[s]\nno equals sign\n=x\n;k=c\n \t\nk=2\n");
    QTest::newRow("cr of a crlf line in an lf file kept")
        << QByteArray("[s]\na=1\r\nk=1\n") << u"s"_s << u"k"_s << u"2"_s << QByteArray("[s]\na=1\r\nk=2\n");
    QTest::newRow("windows-1252 file stays windows-1252")
        << QByteArray("[s]\na=\xE4\n") << u"s"_s << u"b"_s << u"ö"_s << QByteArray("[s]\na=\xE4\nb=\xF6\n");
    QTest::newRow("utf-8 line for a value outside windows-1252")
        << QByteArray("[s]\na=\xE4\n") << u"s"_s << u"b"_s << u"Łódź"_s
        << QByteArray("[s]\na=\xE4\nb=\xC5\x81\xC3\xB3\x64\xC5\xBA\n");
    // As a line of its own, Ω (CE A9) would read as Windows-1252 "Î©".
    QTest::newRow("utf-8 file for a value that would not read back")
        << QByteArray("[s]\na=\xE4\n") << u"s"_s << u"b"_s << u"Ω"_s << QByteArray("[s]\na=\xC3\xA4\nb=\xCE\xA9\n");
    QTest::newRow("windows-1252 value that is valid utf-8")
        << mixedFile("x") << u"s"_s << u"b"_s << u"Viel Spaß…"_s
        << QByteArray("[s]\r\na=Gr\xF6\xDF\x65\r\nk=x\r\nb=Viel Spa\xDF\x85\r\n");
    QTest::newRow("unchanged lines keep their encoding")
        << QByteArray("[s]\r\na=Gr\xF6\xDF\x65\r\nb=Viel Spa\xDF\x85\r\nu=M\xC3\xBCller\r\n") << u"s"_s << u"c"_s
        << u"1"_s << QByteArray("[s]\r\na=Gr\xF6\xDF\x65\r\nb=Viel Spa\xDF\x85\r\nu=M\xC3\xBCller\r\nc=1\r\n");
    QTest::newRow("lone cr file: new key")
        << QByteArray("[S]\ra=1\r[t]\r") << u"s"_s << u"b"_s << u"2"_s << QByteArray("[S]\ra=1\rb=2\r[t]\r");
    QTest::newRow("lone cr file: changed key")
        << QByteArray("[S]\ra=1\rb=2") << u"s"_s << u"a"_s << u"9"_s << QByteArray("[S]\ra=9\rb=2");
    QTest::newRow("lone cr file: new section")
        << QByteArray("[S]\ra=1\r") << u"n"_s << u"k"_s << u"v"_s << QByteArray("[S]\ra=1\r\r[n]\rk=v\r");
    QTest::newRow("each line keeps its line end")
        << QByteArray("[s]\na=1\rk=1\r\n") << u"s"_s << u"k"_s << u"2"_s << QByteArray("[s]\na=1\rk=2\r\n");
    QTest::newRow("utf-16le stays utf-16le")
        << utf16(u"[s]\r\na=ä\r\n"_s) << u"s"_s << u"b"_s << u"Ω"_s << utf16(u"[s]\r\na=ä\r\nb=Ω\r\n"_s);
    QTest::newRow("utf-16be stays utf-16be")
        << utf16(u"[s]\na=ä"_s, true) << u"n"_s << u"k"_s << u"ö"_s << utf16(u"[s]\na=ä\n\n[n]\nk=ö"_s, true);
    QTest::newRow("ascii file is utf-8") << QByteArray("[s]\n") << u"s"_s << u"k"_s << u"ä"_s
                                         << QByteArray("[s]\nk=\xC3\xA4\n");
    QTest::newRow("utf-8 bom kept") << QByteArray("\xEF\xBB\xBF[s]\r\n") << u"s"_s << u"k"_s << u"ä"_s
                                    << QByteArray("\xEF\xBB\xBF[s]\r\nk=\xC3\xA4\r\n");
    QTest::newRow("100 000-character line kept")
        << QByteArray("[s]\n" + QByteArray(100000, 'x') + "\nk=1\n") << u"s"_s << u"k"_s << u"2"_s
        << QByteArray("[s]\n" + QByteArray(100000, 'x') + "\nk=2\n");
    QTest::newRow("binary junk kept") << QByteArray(junk() + "\n[s]\nk=1\n") << u"s"_s << u"k"_s << u"2"_s
                                      << QByteArray(junk() + "\n[s]\nk=2\n");
}

void TestIniFile::write()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);

    TestEnvironment env;
    const QString path = env.writeFile(u"test.ini"_s, before);
    QVERIFY(IniFiles::WriteINI(path, section, key, value));
    QCOMPARE(bytesOf(path), after);
    if (!value.contains(u'\n') && !value.contains(u'\r')) {
        QCOMPARE(IniFiles::GetINIString(path, section, key), value);
    }
}

void TestIniFile::writeCreatesFileAndFolders()
{
    TestEnvironment env;
    const QString path = env.path(u"neu/tief/test.ini"_s);
    QVERIFY(IniFiles::WriteINI(path, u"s"_s, u"k"_s, u"Grüße"_s));
    QCOMPARE(bytesOf(path), QByteArray("[s]\nk=Gr\xC3\xBC\xC3\x9F\x65\n"));
    QCOMPARE(IniFiles::GetINIString(path, u"S"_s, u"K"_s), u"Grüße"_s);
}

void TestIniFile::readingMissingFileCreatesNothing()
{
    TestEnvironment env;
    const QString path = env.path(u"fehlt/test.ini"_s);
    QCOMPARE(IniFiles::GetINIString(path, u"s"_s, u"k"_s), QString());
    QVERIFY(IniFiles::DeleteINISection(path, u"s"_s));
    QVERIFY(QDir(env.home()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
}

void TestIniFile::failedWriteKeepsFile_data()
{
    QTest::addColumn<QString>("existing"); // stays as it was
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("deleteOk"); // nothing to delete where no file can be

    QTest::newRow("parent is a regular file") << u"plain"_s << u"plain/test.ini"_s << true;
    QTest::newRow("file is a folder") << u"test.ini/inside"_s << u"test.ini"_s << false;
    QTest::newRow("read-only folder") << u"locked/test.ini"_s << u"locked/test.ini"_s << false;
}

void TestIniFile::failedWriteKeepsFile()
{
    QFETCH(QString, existing);
    QFETCH(QString, target);
    QFETCH(bool, deleteOk);

    TestEnvironment env;
    const QByteArray old("[s]\r\nk=alt\r\n");
    const QString existingPath = env.writeFile(existing, old);
    const QString lockedFolder = env.path(u"locked"_s);
    if (QDir(lockedFolder).exists()) {
        if (geteuid() == 0) {
            QSKIP("folder permissions do not stop root");
        }
        QVERIFY(QFile::setPermissions(lockedFolder, QFile::ReadOwner | QFile::ExeOwner));
    }

    const bool written = IniFiles::WriteINI(env.path(target), u"s"_s, u"k"_s, u"neu"_s);
    const bool deleted = IniFiles::DeleteINISection(env.path(target), u"s"_s);
    QFile::setPermissions(lockedFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QVERIFY(!written);
    QCOMPARE(deleted, deleteOk);
    QCOMPARE(bytesOf(existingPath), old);
    QCOMPARE(QDir(env.home()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{existing.section(u'/', 0, 0)});
}

void TestIniFile::invalidNamesAreRefused_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");

    QTest::newRow("empty key") << u"s"_s << QString();
    QTest::newRow("blank key") << u"s"_s << u" "_s;
    QTest::newRow("key with equals sign") << u"s"_s << u"a=b"_s;
    QTest::newRow("key that reads as comment") << u"s"_s << u";k"_s;
    QTest::newRow("key that reads as section") << u"s"_s << u"[k]"_s;
    QTest::newRow("key with line break") << u"s"_s << u"a\nb"_s;
    QTest::newRow("empty section") << QString() << u"k"_s;
    QTest::newRow("section with closing bracket") << u"a]b"_s << u"k"_s;
    QTest::newRow("section with line break") << u"a\rb"_s << u"k"_s;
}

void TestIniFile::invalidNamesAreRefused()
{
    QFETCH(QString, section);
    QFETCH(QString, key);

    TestEnvironment env;
    const QByteArray old("[s]\nk=1\n");
    const QString path = env.writeFile(u"test.ini"_s, old);
    QVERIFY(!IniFiles::WriteINI(path, section, key, u"neu"_s));
    QCOMPARE(bytesOf(path), old);
}

void TestIniFile::deleteSection_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("every occurrence without regard to case")
        << QByteArray("k=0\r\n[a]\r\nx=1\r\n[B]\r\ny=1\r\n\r\n[c]\r\nz=1\r\n[b]\r\nw=2") << u"b"_s
        << QByteArray("k=0\r\n[a]\r\nx=1\r\n[c]\r\nz=1\r\n");
    QTest::newRow("only section") << QByteArray("[s]\nk=1\n") << u"s"_s << QByteArray();
    // What is left would be valid UTF-8 and read "Spa" + U+07C5.
    QTest::newRow("mixed file that would pass for utf-8")
        << QByteArray("[b]\r\nk=Gr\xF6\xDF\x65\r\n[2]\r\nk=Spa\xDF\x85\r\n") << u"b"_s
        << QByteArray("[2]\r\nk=Spa\xC3\x9F\xE2\x80\xA6\r\n");
    QTest::newRow("missing section leaves file alone")
        << QByteArray("[a] \nk = 1\n") << u"s"_s << QByteArray("[a] \nk = 1\n");
}

void TestIniFile::deleteSection()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QByteArray, after);

    TestEnvironment env;
    const QString path = env.writeFile(u"test.ini"_s, before);
    QVERIFY(IniFiles::DeleteINISection(path, section));
    QCOMPARE(bytesOf(path), after);
    QCOMPARE(IniFiles::GetINIString(path, section, u"k"_s), QString());
}

void TestIniFile::specialFileReadsEmptyAndIsNeverWritten_data()
{
    TestEnvironment::addUnreadableStoreRows();
}

// A pipe hung the program in open(), an oversized file was read whole and
// then written over, and a link to a device turned it into a regular file.
void TestIniFile::specialFileReadsEmptyAndIsNeverWritten()
{
    QFETCH(QString, kind);
    TestEnvironment env;
    const QString path = env.makeSpecial(u"Quandel.dat"_s, kind);
    if (path.isEmpty()) {
        QSKIP("this machine cannot make such a node");
    }
    const TestEnvironment::NodeState before = TestEnvironment::stateOf(path);
    QCOMPARE(before.link, kind.endsWith(u"link"_s));

    QCOMPARE(IniFiles::GetINIString(path, u"1"_s, u"Name"_s), QString());
    QVERIFY(!IniFiles::WriteINI(path, u"1"_s, u"Name"_s, u"Neu"_s));
    QVERIFY(!IniFiles::DeleteINISection(path, u"1"_s));

    QVERIFY(TestEnvironment::stateOf(path) == before);
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
