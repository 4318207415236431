#include "FavouritesStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestFavouritesStore final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void classify_data();
    void classify();
    void fullPath_data();
    void fullPath();
    void slotsKeepTheRestOfTheFile();
};

void TestFavouritesStore::classify_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("view");

    QTest::newRow("help document") << u"Notizen.txt"_s << u"Notizen"_s << u".txt"_s << 0;
    QTest::newRow("upper-case extension") << u"Notizen.TXT"_s << u"Notizen"_s << u".txt"_s << 0;
    QTest::newRow("module") << u"Modul.bas"_s << u"Modul"_s << u".bas"_s << 1;
    QTest::newRow("class") << u"Klasse.Cls"_s << u"Klasse"_s << u".cls"_s << 1;
    QTest::newRow("project folder") << u"Projekt A"_s << u"Projekt A"_s << QString() << 2;
    QTest::newRow("help project") << u"Hilfe.vbp"_s << u"Hilfe"_s << u".vbp"_s << 3;
    // Name and kind start at the first dot: such a document belongs to no view.
    QTest::newRow("two dots") << u"Mein.Entwurf.txt"_s << u"Mein"_s << u".entwurf.txt"_s << -1;
    QTest::newRow("unknown extension") << u"Brief.doc"_s << u"Brief"_s << u".doc"_s << -1;
    QTest::newRow("hidden document") << u".versteckt.txt"_s << u".versteckt"_s << u".txt"_s << 0;
    QTest::newRow("hidden project folder") << u".Projekt"_s << u".Projekt"_s << QString() << 2;
}

void TestFavouritesStore::classify()
{
    QFETCH(QString, entry);
    QTEST(FavouritesStore::displayName(entry), "name");
    const QString kind = FavouritesStore::kindOf(entry);
    QTEST(kind, "kind");
    QTEST(FavouritesStore::viewFor(kind), "view");
}

void TestFavouritesStore::fullPath_data()
{
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("path");
    QTest::newRow("folder") << u"/home/a/Dokumente"_s << u"/home/a/Dokumente/Notiz.txt"_s;
    QTest::newRow("file-system root") << u"/"_s << u"/Notiz.txt"_s;
}

void TestFavouritesStore::fullPath()
{
    QFETCH(QString, dir);
    QTEST((Favourite{u"Notiz"_s, u"Notiz.txt"_s, dir}.fullPath()), "path");
}

void TestFavouritesStore::slotsKeepTheRestOfTheFile()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"Quandel.dat"_s);
    const QByteArray font = "[0]\nFontName=Courier New\nFontSize=10\n";
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(font + "[1]\nName=Eins\nDatei=Eins.txt\nDir=/d\n[3]\nName=Drei\nDatei=Drei.txt\nDir=/d\n");
    }
    QCOMPARE(FavouritesStore::firstFreeSlot(file), 2);
    QVERIFY(FavouritesStore::write(file, 2, {u"Zwei"_s, u"Zwei.txt"_s, u"/d"_s}));
    QCOMPARE(FavouritesStore::firstFreeSlot(file), 4);

    QVERIFY(FavouritesStore::replaceAll(file, {{u"Drei"_s, u"Drei.txt"_s, u"/d"_s}}));
    QCOMPARE(FavouritesStore::firstFreeSlot(file), 2);
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), font + "\n[1]\nName=Drei\nDatei=Drei.txt\nDir=/d\n");
}

QTEST_GUILESS_MAIN(TestFavouritesStore)
#include "tst_favouritesstore.moc"
