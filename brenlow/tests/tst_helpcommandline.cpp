#include "HelpCommandLine.h"
#include "HelpContent.h"
#include "IniFile.h"

#include <QFile>
#include <QStringDecoder>
#include <QTest>

using namespace Qt::StringLiterals;
using HelpCommandLine::Request;

class TestHelpCommandLine final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void instrRev_data();
    void instrRev();
    void parse_data();
    void parse();
    void shippedHelpContent();
};

void TestHelpCommandLine::instrRev_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("position");

    QTest::newRow("start 0 is the end") << u"a,b,c"_s << u","_s << 0 << 4;
    QTest::newRow("occurrence before start") << u"a,b,c"_s << u","_s << 3 << 2;
    QTest::newRow("occurrence at start") << u"a,b,c"_s << u","_s << 4 << 4;
    QTest::newRow("nothing before start") << u"a,b,c"_s << u","_s << 1 << 0;
    QTest::newRow("start beyond the text") << u"a,b"_s << u","_s << 10 << 2;
    QTest::newRow("occurrence beginning at start may reach past it") << u"ab.chf"_s << u".chf"_s << 3 << 3;
    QTest::newRow("occurrence must lie within the text") << u"x.ch"_s << u".chf"_s << 0 << 0;
    QTest::newRow("case-sensitive") << u"X.CHF"_s << u".chf"_s << 0 << 0;
    QTest::newRow("last of several") << u"a.chf/b.chf"_s << u".chf"_s << 0 << 8;
    QTest::newRow("empty text") << QString() << u","_s << 0 << 0;
    QTest::newRow("negative start") << u"a,b"_s << u","_s << -1 << 0;
}

void TestHelpCommandLine::instrRev()
{
    QFETCH(QString, text);
    QFETCH(QString, separator);
    QFETCH(int, start);
    QFETCH(int, position);
    QCOMPARE(HelpCommandLine::InstrRev(text, separator, start), position);
}

void TestHelpCommandLine::parse_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<bool>("open");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("topic");

    QTest::newRow("empty") << QString() << false << QString() << QString();
    QTest::newRow("file and no topic") << u"/h/Quandel.chf"_s << true << u"/h/Quandel.chf"_s << u"1"_s;
    QTest::newRow("capital extension and topic") << u"/h/QUANDEL.CHF,3"_s << true << u"/h/QUANDEL.chf"_s << u"3"_s;
    QTest::newRow("quotes at both ends") << u"\"/h/QUANDEL.CHF,3\""_s << true << u"/h/QUANDEL.chf"_s << u"3"_s;
    QTest::newRow("quote at the start only") << u"\"/h/QUANDEL.CHF,3"_s << true << u"/h/QUANDEL.chf"_s << u"3"_s;
    QTest::newRow("quote at the end only") << u"/h/QUANDEL.CHF,3\""_s << true << u"/h/QUANDEL.chf"_s << u"3"_s;
    QTest::newRow("a lone quote") << u"\""_s << true << QString() << u"1"_s;
    QTest::newRow("blanks in the folder")
        << u"/opt/Quandel Library/Quandel.chf,1"_s << true << u"/opt/Quandel Library/Quandel.chf"_s << u"1"_s;
    QTest::newRow("25 is passed on") << u"/h/Quandel.chf,25"_s << true << u"/h/Quandel.chf"_s << u"25"_s;
    QTest::newRow("leading zero kept") << u"/h/Quandel.chf,07"_s << true << u"/h/Quandel.chf"_s << u"07"_s;
    QTest::newRow("comma in the folder, topic given")
        << u"/h/a,b/Quandel.chf,4"_s << true << u"/h/a,b/Quandel.chf"_s << u"4"_s;
    QTest::newRow("comma in the folder, no topic")
        << u"/h/a,b/Quandel.chf"_s << true << u"/h/a,b/Quandel.chf"_s << u"b/Quandel.chf"_s;
    QTest::newRow("letters as topic: the whole argument is the file")
        << u"/h/Quandel.chf,abc"_s << true << u"/h/Quandel.chf,abc"_s << u"abc"_s;
    QTest::newRow("mixed-case extension without topic kept as written")
        << u"/h/Quandel.Chf"_s << true << u"/h/Quandel.Chf"_s << u"1"_s;
    QTest::newRow("cut at the last .chf") << u"/h/x.chf.bak,2"_s << true << u"/h/x.chf"_s << u"2"_s;
    QTest::newRow("digit without comma") << u"/h/Quandel.chf2"_s << true << u"/h/Quandel.chf"_s << u"1"_s;
    QTest::newRow("another extension ending in a digit") << u"/h/Quandel.ini,2"_s << false << QString() << QString();
    QTest::newRow("a number alone") << u"7"_s << false << QString() << QString();
    // A character whose full lower case is longer than itself must not move
    // the cut away from the extension.
    QTest::newRow("dotted capital I before the extension")
        << u"/h/\u0130\u0130\u0130.CHF,2"_s << true << u"/h/\u0130\u0130\u0130.chf"_s << u"2"_s;
}

void TestHelpCommandLine::parse()
{
    QFETCH(QString, argument);
    QFETCH(bool, open);
    QFETCH(QString, file);
    QFETCH(QString, topic);

    const Request request = HelpCommandLine::parse(argument);
    QCOMPARE(request.outcome == Request::Outcome::Open, open);
    if (open) {
        QCOMPARE(request.file, file);
        QCOMPARE(request.topic, topic);
    }
}

// The help the program ships: Windows-1252 with CR LF, every titled topic has
// a text, and no line is so long that the reader would cut it.
void TestHelpCommandLine::shippedHelpContent()
{
    const QString path = qEnvironmentVariable("QUANDEL_SOURCE_DIR") + u"/resources/Quandel.chf"_s;
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
    const QByteArray bytes = file.readAll();

    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString asUtf8 = utf8.decode(bytes);
    Q_UNUSED(asUtf8);
    QVERIFY2(utf8.hasError(), "the umlauts are written in Windows-1252");
    QCOMPARE(bytes.count("\n"), bytes.count("\r\n"));

    QStringDecoder cp1252("windows-1252");
    const QString text = cp1252.decode(bytes);
    for (const QString &line : text.split(u"\r\n"_s)) {
        const qsizetype equals = line.indexOf(u'=');
        QVERIFY2(equals < 0 || line.size() - equals - 1 <= IniFiles::MaxValueLength, qPrintable(line));
    }

    const IniFiles::Snapshot help = IniFiles::Snapshot::read(path);
    const HelpContent::Contents contents = HelpContent::Contents::read(help);
    QCOMPARE(contents.caption(), u"Quandel Library Hilfe"_s);
    QCOMPARE(contents.titles[0], u"Überblick"_s);
    QCOMPARE(contents.titles[6], u"Einstellungen"_s);
    int titled = 0;
    for (int n = 1; n <= HelpContent::TopicCount; ++n) {
        const bool hasTitle = !contents.titles[n - 1].isEmpty();
        QCOMPARE(!HelpContent::topicText(help, n).isEmpty(), hasTitle);
        titled += hasTitle ? 1 : 0;
    }
    QVERIFY(titled >= 6);

    const QString options = HelpContent::topicText(help, 7) + HelpContent::topicText(help, 8);
    for (const QString &option :
         {u"Zuletzt verwendetes Dokument merken"_s, u"Gelöschte Dokumente in den Papierkorb schieben"_s,
          u"Verknüpfungen in den Favoriten überprüfen"_s, u"Fehlerhafte Verknüpfungen im Manager anzeigen"_s,
          u"Startbildschirm nicht anzeigen"_s, u"Quickinfos zu Objekten anzeigen"_s,
          u"Bildanzeige neben Dokumenten ausblenden"_s, u"Statusleiste nicht anzeigen"_s}) {
        QVERIFY2(options.contains(option), qPrintable(option));
    }
    QVERIFY(HelpContent::startTopic(help, contents, u"1"_s));
    QVERIFY(HelpContent::startTopic(help, contents, u"7"_s));
}

QTEST_GUILESS_MAIN(TestHelpCommandLine)
#include "tst_helpcommandline.moc"
