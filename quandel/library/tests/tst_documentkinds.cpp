#include "DocumentKinds.h"
#include "DocumentText.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <random>

using namespace Qt::StringLiterals;

class TestDocumentKinds final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void displayName_data();
    void displayName();
    void lookupName_data();
    void lookupName();
    void listFiles_data();
    void listFiles();
    void sortedNamesFollowTheCollation_data();
    void sortedNamesFollowTheCollation();
    void baseBeforeItsVariants_data();
    void baseBeforeItsVariants();
    void documentText_data();
    void documentText();
    void modifiedTextIsGermanInAnyLocale();
};

void TestDocumentKinds::displayName_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("expected");
    QTest::newRow("module") << u"Modul.bas"_s << u"Modul"_s;
    // The tab keeps a class apart from the module of the same name.
    QTest::newRow("class") << u"Modul.cls"_s << u"Modul\t"_s;
    QTest::newRow("class, upper case") << u"Modul.CLS"_s << u"Modul\t"_s;
    QTest::newRow("several dots") << u"A.B.txt"_s << u"A.B"_s;
    QTest::newRow("class with several dots") << u"a.b.cls"_s << u"a.b\t"_s;
    QTest::newRow("extension only") << u".txt"_s << QString();
    QTest::newRow("hidden file") << u".versteckt.txt"_s << u".versteckt"_s;
    QTest::newRow("blanks and umlauts") << u"Grüße an alle.txt"_s << u"Grüße an alle"_s;
    QTest::newRow("dot before the fourth-last character") << u"Seite.html"_s << u"Seite.html"_s;
    QTest::newRow("short name without dot") << u"ab"_s << u"ab"_s;
}

void TestDocumentKinds::displayName()
{
    QFETCH(QString, fileName);
    QFETCH(QString, expected);
    QCOMPARE(DocumentKinds::displayName(fileName), expected);
}

void TestDocumentKinds::lookupName_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("expected");
    QTest::newRow("help document") << u"Notiz.txt"_s << u"Notiz"_s;
    QTest::newRow("no extension") << u"Notiz"_s << u"Notiz"_s;
    QTest::newRow("class finds the module's entry") << u"Modul.cls"_s << u"Modul"_s;
    QTest::newRow("four-letter extension") << u"Seite.html"_s << u"Seite"_s;
    QTest::newRow("several dots") << u"A.B.txt"_s << u"A.B"_s;
    QTest::newRow("dot further in front stays") << u"Archiv.tar.gz"_s << u"Archiv.tar"_s;
    QTest::newRow("short") << u"a.b"_s << u"a"_s;
}

void TestDocumentKinds::lookupName()
{
    QFETCH(QString, fileName);
    QFETCH(QString, expected);
    QCOMPARE(DocumentKinds::lookupName(fileName), expected);
}

void TestDocumentKinds::listFiles_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("expected");
    // Links count as what they point to; a link to nowhere as a file.
    QTest::newRow("help documents")
        << u"*.txt"_s
        << QStringList{u".versteckt.txt"_s,   u"A.txt"_s,       u"Ä.txt"_s,    u"b.txt"_s, u"C.TXT"_s, u"kaputt.txt"_s,
                       u"Ümlaut Datei.txt"_s, u"Verweis.txt"_s, u"zebra.txt"_s};
    QTest::newRow("classes and modules") << u"*.bas;*.cls"_s << QStringList{u"e.bas"_s, u"f.cls"_s, u"G.Bas"_s};
    QTest::newRow("help projects") << u"*.vbp"_s << QStringList{u"Projekt.vbp"_s};
    QTest::newRow("nothing matches") << u"*.chm"_s << QStringList{};
}

void TestDocumentKinds::listFiles()
{
    QTemporaryDir dir;
    const QStringList names = {u"b.txt"_s,  u"A.txt"_s,   u"C.TXT"_s,       u".versteckt.txt"_s, u"Ä.txt"_s,
                               u"d.txt~"_s, u"e.bas"_s,   u"G.Bas"_s,       u"f.cls"_s,          u"x.txt.bak"_s,
                               u"Notiz"_s,  u"ini.ini"_s, u"Projekt.vbp"_s, u"zebra.txt"_s,      u"Ümlaut Datei.txt"_s};
    for (const QString &name : names) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    // A folder whose name matches is not a document.
    QVERIFY(QDir(dir.path()).mkdir(u"Ordner.txt"_s));
    // Folders sort as a German reader expects, umlauts beside their vowel.
    for (const QString &folder : {u"Zeta"_s, u"Übung"_s, u"uhr"_s}) {
        QVERIFY(QDir(dir.path()).mkdir(folder));
    }
    QVERIFY(QFile::link(dir.filePath(u"A.txt"_s), dir.filePath(u"Verweis.txt"_s)));
    QVERIFY(QFile::link(dir.filePath(u"Zeta"_s), dir.filePath(u"Verweis Ordner"_s)));
    QVERIFY(QFile::link(dir.filePath(u"fehlt"_s), dir.filePath(u"kaputt.txt"_s)));
    QStringList folders;
    for (const QString &path : DocumentKinds::listFolders(dir.path())) {
        folders.append(QFileInfo(path).fileName());
    }
    QCOMPARE(folders, QStringList({u"Ordner.txt"_s, u"Übung"_s, u"uhr"_s, u"Verweis Ordner"_s, u"Zeta"_s}));

    QFETCH(QString, pattern);
    QFETCH(QStringList, expected);
    QCOMPARE(DocumentKinds::listFiles(dir.path(), pattern), expected);
    QVERIFY(DocumentKinds::listFiles(dir.filePath(u"fehlt"_s), pattern).isEmpty());
    QVERIFY(DocumentKinds::listFiles(QString(), pattern).isEmpty());
}

void TestDocumentKinds::sortedNamesFollowTheCollation_data()
{
    QTest::addColumn<QString>("alphabet");
    QTest::addColumn<int>("maxLength");
    QString ascii;
    for (char16_t c = 0x20; c < 0x7f; ++c) {
        ascii += QChar(c);
    }
    // Every printable ASCII character, where the list orders without the
    // collation; with umlauts, sharp s and controls, where it asks it.
    QTest::newRow("printable ASCII") << ascii << 4;
    QTest::newRow("short, few letters") << u" -._aAbB1"_s << 3;
    QTest::newRow("with umlauts") << (ascii + u"äÄöÖüÜßé\u00a0\u0001\u007f"_s) << 4;
}

void TestDocumentKinds::sortedNamesFollowTheCollation()
{
    QFETCH(QString, alphabet);
    QFETCH(int, maxLength);
    std::mt19937 rng(7);
    std::uniform_int_distribution<qsizetype> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(1, maxLength);
    QStringList names;
    for (int i = 0; i < 3000; ++i) {
        QString name;
        for (int n = length(rng); n > 0; --n) {
            name += alphabet.at(pick(rng));
        }
        names.append(name);
    }
    const QStringList sorted = DocumentKinds::sortedNames(names);
    QCOMPARE(sorted.size(), names.size());
    const QCollator collator = DocumentKinds::nameCollator();
    // The collation of the display names, then of the rest of the names.
    const auto collated = [&collator](const QString &a, const QString &b) {
        const QString shownA = DocumentKinds::documentName(DocumentKinds::displayName(a));
        const QString shownB = DocumentKinds::documentName(DocumentKinds::displayName(b));
        const int shown = collator.compare(shownA, shownB);
        return shown != 0 ? shown : collator.compare(a.mid(shownA.size()), b.mid(shownB.size()));
    };
    for (qsizetype i = 1; i < sorted.size(); ++i) {
        const QString &a = sorted.at(i - 1);
        const QString &b = sorted.at(i);
        const int order = collated(a, b);
        QVERIFY2(order < 0 || (order == 0 && (a.toLower() < b.toLower() || (a.toLower() == b.toLower() && a <= b))),
                 qPrintable(u"\""_s + a + u"\" before \""_s + b + u'"'));
    }
}

void TestDocumentKinds::baseBeforeItsVariants_data()
{
    QTest::addColumn<QStringList>("expected");
    // The collation alone ranks "_" and "-" before ".".
    QTest::newRow("numbered variants") << QStringList{u"Haupt.bas"_s, u"Haupt_1.bas"_s, u"Haupt_2.bas"_s};
    QTest::newRow("word after an underscore") << QStringList{u"Dateien.txt"_s, u"Dateien_Alt.txt"_s};
    QTest::newRow("hyphen, other case") << QStringList{u"projekt.vbp"_s, u"Projekt-Updater.vbp"_s};
    QTest::newRow("umlauts take the collation's way")
        << QStringList{u"Übung.txt"_s, u"Übung_1.txt"_s, u"übung_2.txt"_s, u"Uhr.txt"_s};
    // Equal display names: the extension decides, as it keeps a module
    // before the class of the same name.
    QTest::newRow("module before class") << QStringList{u"Modul.bas"_s, u"modul.cls"_s, u"Modul_Test.bas"_s};
    // A dot within the display name is one of its characters.
    QTest::newRow("display name with dots") << QStringList{u"A_B.txt"_s, u"A.B.txt"_s, u"A.B_c.txt"_s};
}

void TestDocumentKinds::baseBeforeItsVariants()
{
    QFETCH(QStringList, expected);
    QStringList reversed(expected.rbegin(), expected.rend());
    QCOMPARE(DocumentKinds::sortedNames(reversed), expected);
}

void TestDocumentKinds::documentText_data()
{
    QTest::addColumn<QString>("fileText");
    QTest::addColumn<QString>("editorText");
    // The document's own final line end is not shown; a display line end is
    // added only where the last three characters hold none.
    QTest::newRow("one line") << u"abc\n"_s << u"abc\n"_s;
    QTest::newRow("no final line end") << u"abc"_s << u"abc\n"_s;
    QTest::newRow("empty") << QString() << u"\n"_s;
    QTest::newRow("only a line end") << u"\n"_s << u"\n"_s;
    QTest::newRow("two line ends") << u"\n\n"_s << u"\n"_s;
    QTest::newRow("short line then blank line") << u"a\n\n"_s << u"a\n"_s;
    QTest::newRow("blank line at the end") << u"abc\n\n"_s << u"abc\n"_s;
    QTest::newRow("short last line") << u"abc\nd\n"_s << u"abc\nd"_s;
    QTest::newRow("long last line without line end") << u"line\nabcd"_s << u"line\nabcd\n"_s;
}

void TestDocumentKinds::documentText()
{
    QFETCH(QString, fileText);
    QFETCH(QString, editorText);
    const DocumentText doc = DocumentText::fromFile(fileText);
    QCOMPARE(doc.editorText, editorText);
    QCOMPARE(doc.toFile(doc.editorText), fileText);
    // A new document is written with a final line end.
    QCOMPARE(DocumentText().toFile(fileText), fileText + u'\n');
}

void TestDocumentKinds::modifiedTextIsGermanInAnyLocale()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Notiz.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QDateTime when(QDate(2026, 12, 9), QTime(0, 5, 49));
    QVERIFY(file.setFileTime(when, QFileDevice::FileModificationTime));
    file.close();
    const QLocale before;
    for (const QLocale::Language language : {QLocale::English, QLocale::C, QLocale::German}) {
        QLocale::setDefault(QLocale(language));
        QCOMPARE(DocumentKinds::modifiedText(path), QStringLiteral(" Geändert: 09.12.2026 00:05:49"));
    }
    QLocale::setDefault(before);
    QCOMPARE(DocumentKinds::modifiedText(QString()), QStringLiteral(" Geändert: "));
}

QTEST_GUILESS_MAIN(TestDocumentKinds)
#include "tst_documentkinds.moc"
