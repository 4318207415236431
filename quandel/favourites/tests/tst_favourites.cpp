#include "AppPaths.h"
#include "DocumentLibrary.h"
#include "DragList.h"
#include "Favoriten.h"
#include "FavouritesMenu.h"
#include "FavouritesStore.h"
#include "IniFile.h"
#include "Registry.h"
#include "RootFixture.h"
#include "Tooltips.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;
using Answer = Prompts::Answer;

namespace {

const QString Key = u"Software\\Tivorn\\Quandel Library"_s;
const QString BrokenLink = u"Eine Verknüpfung zu einem Dokument oder Formular in ihren Favoriten ist fehlerhaft.   "_s;
const QString DragHint = u"Klicken Sie den Eintrag mit der linken Maustaste und halten Sie diese gedrückt. Ziehen "
                         u"Sie nun das Element nun in die gewünschte Position."_s;

void setting(const QString &name, const QVariant &value)
{
    QVERIFY(TestEnvironment::writeSettings({{name, value}}));
}

// The records as the manager writes them when every Datei is Name + ".txt".
QStringList numbered(const QStringList &names)
{
    QStringList records;
    for (qsizetype i = 0; i < names.size(); ++i) {
        records.append(QString::number(i + 1) + u':' + names.at(i) + u':' + names.at(i) + u".txt"_s);
    }
    return records;
}

// "a,b,c" as a list; keeps the data tables to one line a row.
QStringList split(const char *items)
{
    return QString::fromUtf8(items).split(u',', Qt::SkipEmptyParts);
}

// A message box as one text, so that a single comparison shows every part.
QString message(const QString &title, Prompts::Icon icon, Prompts::Buttons buttons, const QString &text)
{
    return title + u" | icon "_s + QString::number(int(icon)) + u" | buttons "_s + QString::number(int(buttons)) +
           u" | "_s + text;
}

QString message(const ScriptedPrompts::Call &call)
{
    return message(call.title, call.icon, call.buttons, call.text);
}

QStringList texts(const QListWidget *list)
{
    QStringList result;
    for (int i = 0; i < list->count(); ++i) {
        result.append(list->item(i)->text());
    }
    return result;
}

template <typename T> T *child(const QObject &parent, const QString &name)
{
    return parent.findChild<T *>(name);
}

void click(const QDialog &dialog, const QString &button)
{
    child<QPushButton>(dialog, button)->click();
}

QPoint rowCenter(const QListWidget *list, int row)
{
    return list->visualItemRect(list->item(row)).center();
}

} // namespace

class TestFavourites final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void menuAndAdd_data();
    void menuAndAdd();
    void addTakesTheSelectedEntry_data();
    void addTakesTheSelectedEntry();
    void addIsRefused_data();
    void addIsRefused();
    void openFavourite_data();
    void openFavourite();
    void unsavedChangesAskFirst_data();
    void unsavedChangesAskFirst();
    void brokenLinkWhenOpening_data();
    void brokenLinkWhenOpening();
    void linkCheckAtStartup_data();
    void linkCheckAtStartup();

    void managerOk_data();
    void managerOk();
    void managerDelete_data();
    void managerDelete();
    void leavingAnEdit_data();
    void leavingAnEdit();
    void enterInTheListRestartsTheEdit();
    void managerTooltips_data();
    void managerTooltips();
    void reorder_data();
    void reorder();
    void diskFullMidwayKeepsRecordsWhole_data();
    void diskFullMidwayKeepsRecordsWhole();

private:
    void putLibrary() const;
    // Each seed is "slot:Name" and makes Name.txt; a "!" before the name
    // leaves the file missing. The font's section 0 is always there.
    void seed(const QStringList &seeds) const;
    // linkCheck -1 leaves the setting unset.
    bool start(int kind = 0, int linkCheck = 0);
    // The sample library with one favourite (dir below the document folder,
    // empty: the folder itself), started with the list's last entry selected.
    bool startWithFavourite(int kind, const QString &datei, const QString &dir = {});
    QAction *item(int slot) const { return m_f->root->favourites()->item(slot); }
    // Visible menu items: "slot:caption as shown", " (aus)" when disabled.
    QStringList menu() const;
    // "slot:Name:Datei", and ":Dir" when it is not the document folder.
    QStringList records() const;
    QStringList sections() const;
    // Every file below the document folder with its bytes.
    QMap<QString, QByteArray> snapshot() const;
    QString selectedEntry() const;
    // Opens the manager and runs drive on it, shown and active; the dialog's
    // result, -1 when drive left it open.
    int manage(const std::function<void(Favoriten &)> &drive);

    std::unique_ptr<RootFixture> m_f;
};

void TestFavourites::init()
{
    m_f = std::make_unique<RootFixture>();
    AppPaths::ensureFolder(AppPaths::dataFolder());
}

void TestFavourites::cleanup()
{
    m_f.reset();
}

void TestFavourites::putLibrary() const
{
    m_f->put(u"Alpha.txt"_s, "alpha\r\n");
    m_f->put(u"Notizen.txt"_s, "notizen\r\n");
    m_f->put(u"Mein.Entwurf.txt"_s, "entwurf\r\n");
    m_f->put(u".versteckt.txt"_s, "versteckt\r\n");
    m_f->put(u"A&B.txt"_s, "ab\r\n");
    m_f->put(u"Modul.bas"_s, "modul\r\n");
    m_f->put(u"Modul.cls"_s, "klasse\r\n");
    m_f->put(u"Hilfe.vbp"_s, "hilfe\r\n");
    m_f->put(u"Projekt A/Quandel.ini"_s, "projekt\r\n");
    m_f->put(u"Anderswo/Notizen.txt"_s, "anderswo\r\n");
    m_f->put(u"Anderswo/Fremd.txt"_s, "fremd\r\n");
}

void TestFavourites::seed(const QStringList &seeds) const
{
    QVERIFY(IniFiles::WriteINI(AppPaths::dataFile(), u"0"_s, u"FontName"_s, u"Courier New"_s));
    for (const QString &entry : seeds) {
        const qsizetype colon = entry.indexOf(u':');
        QString name = entry.mid(colon + 1);
        const bool missing = name.startsWith(u'!');
        if (missing) {
            name.remove(0, 1);
        }
        const QString datei = name + u".txt"_s;
        if (!missing) {
            m_f->put(datei, name.toUtf8() + "\r\n");
        }
        QVERIFY(FavouritesStore::write(AppPaths::dataFile(), entry.left(colon).toInt(), {name, datei, m_f->folder}));
    }
}

bool TestFavourites::start(int kind, int linkCheck)
{
    RootFixture::Settings settings{{u"Pattern"_s, QString::number(kind)}};
    if (linkCheck >= 0) {
        settings.append({u"LinkCheck"_s, linkCheck});
    }
    return RootFixture::seedQuietStart(settings) && m_f->startAsStored();
}

bool TestFavourites::startWithFavourite(int kind, const QString &datei, const QString &dir)
{
    putLibrary();
    seed({});
    if (!FavouritesStore::write(
            AppPaths::dataFile(), 1,
            {FavouritesStore::displayName(datei), datei, dir.isEmpty() ? m_f->folder : m_f->folder + u'/' + dir})) {
        return false;
    }
    if (!start(kind)) {
        return false;
    }
    m_f->list()->setCurrentRow(m_f->list()->count() - 1);
    return true;
}

QStringList TestFavourites::menu() const
{
    QStringList shown;
    for (int slot = 1; slot <= FavouritesStore::MaxSlots; ++slot) {
        const QAction *a = item(slot);
        if (a->isVisible()) {
            // iconText() drops mnemonic marks the way the menu does.
            shown.append(QString::number(slot) + u':' + a->iconText() + (a->isEnabled() ? u""_s : u" (aus)"_s));
        }
    }
    return shown;
}

QStringList TestFavourites::records() const
{
    QStringList result;
    for (int slot = 1; slot <= FavouritesStore::MaxSlots; ++slot) {
        const Favourite f = FavouritesStore::read(AppPaths::dataFile(), slot);
        if (!f.name.isEmpty() || !f.datei.isEmpty() || !f.dir.isEmpty()) {
            result.append(QString::number(slot) + u':' + f.name + u':' + f.datei +
                          (f.dir == m_f->folder ? QString() : QString(u':' + f.dir)));
        }
    }
    return result;
}

QStringList TestFavourites::sections() const
{
    QStringList result;
    static const QRegularExpression header(u"^\\[(.*)\\]\\s*$"_s, QRegularExpression::MultilineOption);
    for (auto it = header.globalMatch(QString::fromUtf8(bytesOf(AppPaths::dataFile()))); it.hasNext();) {
        result.append(it.next().captured(1));
    }
    return result;
}

QMap<QString, QByteArray> TestFavourites::snapshot() const
{
    QMap<QString, QByteArray> files;
    QDirIterator it(m_f->folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(m_f->folder).relativeFilePath(path), bytesOf(path));
    }
    return files;
}

QString TestFavourites::selectedEntry() const
{
    const QListWidgetItem *current = m_f->list()->currentItem();
    return current ? current->text() : QString();
}

int TestFavourites::manage(const std::function<void(Favoriten &)> &drive)
{
    int result = -2;
    m_f->prompts.dialogHandlers.enqueue([&](QDialog &dialog) {
        auto *manager = qobject_cast<Favoriten *>(&dialog);
        dialog.show();
        dialog.activateWindow();
        if (manager && QTest::qWaitForWindowActive(&dialog)) {
            drive(*manager);
        } else {
            QTest::qFail("the manager is not shown", __FILE__, __LINE__);
        }
        result = dialog.isVisible() ? -1 : dialog.result();
        return result;
    });
    m_f->root->favourites()->manageAction()->trigger();
    return result;
}

// ---------------------------------------------------------------------------
// The menu and the add command

void TestFavourites::menuAndAdd_data()
{
    QTest::addColumn<bool>("dataFile");
    QTest::addColumn<QStringList>("seeds");
    QTest::addColumn<int>("otherInstanceSlot"); // written after start-up; 0 = none
    QTest::addColumn<QStringList>("menuAtStart");
    QTest::addColumn<QStringList>("menuAfterAdd");
    const auto row = [](const char *name, bool dataFile, const char *seeds, int other, const char *atStart,
                        const char *afterAdd) {
        QTest::newRow(name) << dataFile << split(seeds) << other << split(atStart) << split(afterAdd);
    };
    row("no data file", false, "", 0, "1:(leer) (aus)", "1:Alpha");
    row("data file without records", true, "", 0, "", "1:Alpha");
    row("slots 1 and 3", true, "1:Eins,3:Drei", 0, "1:Eins,3:Drei", "1:Eins,2:Alpha,3:Drei");
    row("another instance took slot 2 meanwhile", true, "1:Eins,3:Drei", 2, "1:Eins,3:Drei", "1:Eins,3:Drei,4:Alpha");
    row("ampersand shown as it is", true, "1:A&B", 0, "1:A&B", "1:A&B,2:Alpha");
}

void TestFavourites::menuAndAdd()
{
    QFETCH(bool, dataFile);
    QFETCH(QStringList, seeds);
    QFETCH(int, otherInstanceSlot);
    m_f->put(u"Alpha.txt"_s, "alpha\r\n");
    if (dataFile) {
        seed(seeds);
    }
    QVERIFY(start());
    QTEST(menu(), "menuAtStart");
    for (int slot = 2; slot <= FavouritesStore::MaxSlots; ++slot) {
        QVERIFY(item(slot)->isVisible() || item(slot)->text() == u"Favoriten");
    }
    if (otherInstanceSlot > 0) {
        QVERIFY(
            FavouritesStore::write(AppPaths::dataFile(), otherInstanceSlot, {u"Fremd"_s, u"Fremd.txt"_s, m_f->folder}));
    }
    const QStringList before = records();

    m_f->list()->setCurrentItem(m_f->list()->findItems(u"Alpha"_s, Qt::MatchExactly).value(0));
    m_f->root->favourites()->addAction()->trigger();
    QTEST(menu(), "menuAfterAdd");
    // The add re-reads the file: what another instance wrote stays.
    QStringList after = records();
    QVERIFY(after.removeOne(menu().filter(u":Alpha"_s).value(0) + u":Alpha.txt"_s));
    QCOMPARE(after, before);
    QVERIFY(m_f->prompts.calls.isEmpty());
}

void TestFavourites::addTakesTheSelectedEntry_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("record");
    QTest::addColumn<int>("viewWhenOpened"); // opened from view 3
    QTest::addColumn<QString>("text");
    const auto row = [](const char *name, int kind, const char *entry, const char *record, int view, const char *text) {
        QTest::newRow(name) << kind << QString::fromUtf8(entry) << QString::fromUtf8(record) << view
                            << QString::fromUtf8(text);
    };
    row("two dots", 0, "Mein.Entwurf", "1:Mein:Mein.Entwurf.txt", 3, "entwurf\n");
    row("class", 1, "Modul\t", "1:Modul:Modul.cls", 1, "klasse\n");
    row("project folder", 2, "Projekt A", "1:Projekt A:Projekt A", 2, "projekt\n");
    row("hidden document", 0, ".versteckt", "1:.versteckt:.versteckt.txt", 0, "versteckt\n");
    row("ampersand", 0, "A&B", "1:A&B:A&B.txt", 0, "ab\n");
}

void TestFavourites::addTakesTheSelectedEntry()
{
    QFETCH(int, kind);
    QFETCH(QString, entry);
    QFETCH(QString, record);
    putLibrary();
    QVERIFY(start(kind));
    const QList<QListWidgetItem *> found = m_f->list()->findItems(entry, Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    m_f->list()->setCurrentItem(found.first());

    m_f->root->favourites()->addSelected();
    QCOMPARE(records(), QStringList{record});
    QCOMPARE(menu(), QStringList{record.section(u':', 0, 1)});

    m_f->root->library()->selectKind(3);
    item(1)->trigger();
    QTEST(m_f->root->library()->checkedKind(), "viewWhenOpened");
    QTEST(m_f->shownText(), "text");
    QVERIFY(m_f->prompts.calls.isEmpty());
}

void TestFavourites::addIsRefused_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("full");
    QTest::addColumn<QString>("document"); // put and selected; empty: none
    QTest::newRow("31st favourite") << 0 << true << QString();
    QTest::newRow("new help document, nothing selected") << 0 << false << QString();
    QTest::newRow("new project, nothing selected") << 2 << false << QString();
    // These read back as a broken link or as a free slot.
    QTest::newRow("name with a line break") << 0 << false << u"Zwei\nZeilen.txt"_s;
    QTest::newRow("name of blanks only") << 0 << false << u"   .txt"_s;
}

void TestFavourites::addIsRefused()
{
    QFETCH(int, kind);
    QFETCH(bool, full);
    QFETCH(QString, document);
    putLibrary();
    if (!document.isEmpty()) {
        m_f->put(document, "x\r\n");
    }
    QStringList seeds;
    for (int slot = 1; full && slot <= FavouritesStore::MaxSlots; ++slot) {
        seeds.append(u"%1:F%1"_s.arg(slot));
    }
    seed(seeds);
    QVERIFY(start(kind));
    if (!document.isEmpty()) {
        const QString entry = document.chopped(4);
        const QList<QListWidgetItem *> found = m_f->list()->findItems(entry, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        m_f->list()->setCurrentItem(found.first());
    } else if (!full) {
        m_f->root->library()->newDocument(kind);
    }
    const QByteArray before = bytesOf(AppPaths::dataFile());
    const QStringList menuBefore = menu();

    m_f->root->favourites()->addSelected();
    QCOMPARE(bytesOf(AppPaths::dataFile()), before);
    QCOMPARE(menu(), menuBefore);
    const auto messages = m_f->prompts.callsOf(u"message"_s);
    QCOMPARE(messages.size(), full || !document.isEmpty() ? 1 : 0);
    if (full) {
        QCOMPARE(message(messages.first()),
                 message(u" Tivorn Quandel Library"_s, Prompts::Icon::Exclamation, Prompts::Buttons::Ok,
                         u"Die maximale Anzahl von Einträgen in der Favoritenliste ist erreicht.  \n"
                         u"Entfernen Sie unnötige Einträge um neue hinzufügen zu können.   "_s));
    } else if (!document.isEmpty()) {
        QCOMPARE(message(messages.first()),
                 message(u" Tivorn Quandel Library"_s, Prompts::Icon::Exclamation, Prompts::Buttons::Ok,
                         document + u" kann nicht in die Favoriten aufgenommen werden.  \n"
                                    u"Name oder Ordner enthalten einen Zeilenumbruch, bestehen nur aus Leerzeichen "
                                    u"oder sind zu lang.  "_s));
    }
}

// ---------------------------------------------------------------------------
// Opening a favourite

void TestFavourites::openFavourite_data()
{
    QTest::addColumn<int>("startKind");
    QTest::addColumn<QString>("datei");
    QTest::addColumn<QString>("dir"); // below the document folder; empty: the folder itself
    QTest::addColumn<int>("view");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("saved");
    const auto row = [](const char *name, int kind, const char *datei, const char *dir, int view, const char *entry,
                        const char *text, const char *saved) {
        QTest::newRow(name) << kind << QString::fromUtf8(datei) << QString::fromUtf8(dir) << view
                            << QString::fromUtf8(entry) << QString::fromUtf8(text) << QString::fromUtf8(saved);
    };
    row("help document", 0, "Notizen.txt", "", 0, "Notizen", "notizen\n", "Notizen.txt");
    // An entry is selected only when it stands for the favourite's own file.
    row("class beside a module of the same name", 0, "Modul.cls", "", 1, "Modul\t", "klasse\n", "Modul.cls");
    row("two dots switch no view", 1, "Mein.Entwurf.txt", "", 1, "", "entwurf\n", "Mein.Entwurf.txt");
    row("another folder, no entry of that name", 0, "Fremd.txt", "Anderswo", 0, "", "fremd\n", "Anderswo/Fremd.txt");
    row("another folder, an entry of that name", 0, "Notizen.txt", "Anderswo", 0, "", "anderswo\n",
        "Anderswo/Notizen.txt");
    row("project folder", 0, "Projekt A", "", 2, "Projekt A", "projekt\n", "Projekt A/Quandel.ini");
    row("help project", 0, "Hilfe.vbp", "", 3, "Hilfe", "hilfe\n", "Hilfe.vbp");
    row("hidden document", 1, ".versteckt.txt", "", 0, ".versteckt", "versteckt\n", ".versteckt.txt");
}

void TestFavourites::openFavourite()
{
    QFETCH(int, startKind);
    QFETCH(QString, datei);
    QFETCH(QString, dir);
    QFETCH(QString, saved);
    QVERIFY(startWithFavourite(startKind, datei, dir));

    item(1)->trigger();
    QTEST(m_f->root->library()->checkedKind(), "view");
    QTEST(selectedEntry(), "entry");
    QTEST(m_f->shownText(), "text");
    QVERIFY(m_f->prompts.calls.isEmpty());

    // Saving writes the favourite's own file and no other.
    QMap<QString, QByteArray> expected = snapshot();
    expected[saved].prepend('x');
    QTest::keyClick(child<QPlainTextEdit>(*m_f->root, u"Text"_s), 'x');
    QVERIFY(m_f->root->library()->save());
    QCOMPARE(snapshot(), expected);
}

void TestFavourites::unsavedChangesAskFirst_data()
{
    QTest::addColumn<QString>("datei");
    QTest::addColumn<QString>("dir");
    QTest::addColumn<bool>("discard");
    QTest::addColumn<int>("view");
    QTest::addColumn<QString>("text");
    const auto row = [](const char *name, const char *datei, const char *dir, bool discard, int view,
                        const char *text) {
        QTest::newRow(name) << QString::fromUtf8(datei) << QString::fromUtf8(dir) << discard << view
                            << QString::fromUtf8(text);
    };
    row("view switch, Cancel", "Modul.cls", "", false, 0, "xnotizen\n");
    row("view switch, No", "Modul.cls", "", true, 1, "klasse\n");
    row("another entry, Cancel", "Alpha.txt", "", false, 0, "xnotizen\n");
    row("another entry, No", "Alpha.txt", "", true, 0, "alpha\n");
    row("another folder, Cancel", "Notizen.txt", "Anderswo", false, 0, "xnotizen\n");
    row("another folder, No", "Notizen.txt", "Anderswo", true, 0, "anderswo\n");
}

void TestFavourites::unsavedChangesAskFirst()
{
    QFETCH(QString, datei);
    QFETCH(QString, dir);
    QFETCH(bool, discard);
    QVERIFY(startWithFavourite(0, datei, dir));
    m_f->list()->setCurrentItem(m_f->list()->findItems(u"Notizen"_s, Qt::MatchExactly).value(0));
    QTest::keyClick(child<QPlainTextEdit>(*m_f->root, u"Text"_s), 'x');
    const QMap<QString, QByteArray> files = snapshot();

    m_f->prompts.messageAnswers.enqueue(discard ? Answer::No : Answer::Cancel);
    item(1)->trigger();
    QCOMPARE(m_f->prompts.callsOf(u"message"_s).size(), 1);
    QCOMPARE(m_f->prompts.callsOf(u"message"_s).first().buttons, Prompts::Buttons::YesNoCancel);
    QTEST(m_f->root->library()->checkedKind(), "view");
    QTEST(m_f->shownText(), "text");
    QCOMPARE(snapshot(), files);
}

void TestFavourites::brokenLinkWhenOpening_data()
{
    QTest::addColumn<QString>("datei");
    QTest::addColumn<int>("view");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("text");
    QTest::newRow("missing document") << u"Fehlt.txt"_s << 0 << u"Notizen"_s << u"notizen\n"_s;
    QTest::newRow("a folder where a document should be") << u"Ordner.txt"_s << 0 << u"Notizen"_s << u"notizen\n"_s;
    // The view switch has happened by then.
    QTest::newRow("missing class") << u"Fehlt.cls"_s << 1 << u"Modul"_s << u"modul\n"_s;
    QTest::newRow("missing project folder") << u"Fehlt"_s << 2 << u"Anderswo"_s << QString();
}

void TestFavourites::brokenLinkWhenOpening()
{
    QFETCH(QString, datei);
    QDir(m_f->folder).mkdir(u"Ordner.txt"_s);
    QVERIFY(startWithFavourite(0, datei));

    item(1)->trigger();
    const auto messages = m_f->prompts.callsOf(u"message"_s);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(message(messages.first()),
             message(u' ' + FavouritesStore::displayName(datei), Prompts::Icon::Critical, Prompts::Buttons::Ok,
                     datei + u'\n' + m_f->folder + u"\n\n"_s + BrokenLink +
                         u"\nÜberprüfen Sie die Verknüpfung und korregieren oder entfernen den Eintrag.  "_s));
    QTEST(m_f->root->library()->checkedKind(), "view");
    QTEST(selectedEntry(), "entry");
    QTEST(m_f->shownText(), "text");
}

void TestFavourites::linkCheckAtStartup_data()
{
    QTest::addColumn<int>("linkCheck"); // -1: not set
    QTest::addColumn<bool>("linkError");
    QTest::addColumn<QString>("answers"); // Y, N, C
    QTest::addColumn<QStringList>("menu");
    QTest::addColumn<bool>("managerOpened");
    const auto row = [](const char *name, int linkCheck, bool linkError, const char *answers, const char *menu,
                        bool manager) {
        QTest::newRow(name) << linkCheck << linkError << QString::fromLatin1(answers) << split(menu) << manager;
    };
    row("Cancel at the second", -1, false, "YC", "1:Gut,2:Weg1", false);
    row("Cancel at the first", -1, false, "C", "1:Gut", false);
    row("Yes keeps, No hides", 1, false, "YNY", "1:Gut,2:Weg1,4:Weg3,5:Auch", false);
    row("check off", 0, true, "", "1:Gut,2:Weg1,3:Weg2,4:Weg3,5:Auch", false);
    row("LinkError after answers", -1, true, "NNN", "1:Gut,5:Auch", true);
    row("LinkError after Cancel", -1, true, "C", "1:Gut", false);
}

void TestFavourites::linkCheckAtStartup()
{
    QFETCH(int, linkCheck);
    QFETCH(bool, linkError);
    QFETCH(QString, answers);
    seed(split("1:Gut,2:!Weg1,3:!Weg2,4:!Weg3,5:Auch"));
    setting(u"LinkError"_s, linkError ? 1 : 0);
    for (const QChar answer : answers) {
        m_f->prompts.messageAnswers.enqueue(answer == u'Y'   ? Answer::Yes
                                            : answer == u'N' ? Answer::No
                                                             : Answer::Cancel);
    }
    // The manager, if it opens, is closed again.
    m_f->prompts.dialogHandlers.enqueue([](QDialog &) { return int(QDialog::Rejected); });
    QVERIFY(start(0, linkCheck));

    QTEST(menu(), "menu");
    for (int slot = 2; slot <= FavouritesStore::MaxSlots; ++slot) {
        QVERIFY(item(slot)->isVisible() || item(slot)->text() == u"Favoriten");
    }
    const auto questions = m_f->prompts.callsOf(u"message"_s);
    QCOMPARE(questions.size(), answers.size());
    if (!questions.isEmpty()) {
        QCOMPARE(message(questions.first()),
                 message(u" Weg1"_s, Prompts::Icon::Exclamation, Prompts::Buttons::YesNoCancel,
                         u"Weg1.txt\n"_s + m_f->folder + u"\n\n"_s + BrokenLink +
                             u"\nSoll der Eintrag in den Favoriten trotzdem eingeblendet bleiben ? "_s));
    }
    const auto dialogs = m_f->prompts.callsOf(u"dialog"_s);
    QTEST(!dialogs.isEmpty(), "managerOpened");
    if (!dialogs.isEmpty()) {
        QCOMPARE(dialogs.first().text, u"Favoriten"_s);
        QCOMPARE(dialogs.first().title, u" Tivorn Quandel Favoriten"_s);
    }
    // Hidden entries stay in the file.
    QCOMPARE(records().size(), 5);
}

// ---------------------------------------------------------------------------
// The manager

void TestFavourites::managerOk_data()
{
    QTest::addColumn<QStringList>("seeds");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<int>("selected"); // at load
    QTest::addColumn<QStringList>("names");
    const auto row = [](const char *name, const char *seeds, const char *listed, int selected, const char *names) {
        QTest::newRow(name) << split(seeds) << split(listed) << selected << split(names);
    };
    row("slots 1, 2 and 5 close ranks", "1:Alpha,2:!Weg,5:A&B", "Alpha,Weg***,A&B", 1, "Alpha,Weg,A&B");
    row("the first broken stays selected", "1:!Weg,2:Alpha", "Weg***,Alpha", 0, "Weg,Alpha");
    row("the last broken is selected", "1:Alpha,2:!Weg,3:!Fort", "Alpha,Weg***,Fort***", 2, "Alpha,Weg,Fort");
    row("stars of its own", "1:Wichtig***,2:!Weg***", "Wichtig***,Weg******", 1, "Wichtig***,Weg***");
    row("a TAB in a name", "1:A\tB,2:C", "A\tB,C", 0, "A\tB,C");
    row("no records", "", "", -1, "");
}

void TestFavourites::managerOk()
{
    QFETCH(QStringList, seeds);
    QFETCH(QStringList, names);
    seed(seeds);
    QVERIFY(start());
    const int result = manage([](Favoriten &dialog) {
        auto *list = child<QListWidget>(dialog, u"LDaten"_s);
        QTEST(texts(list), "listed");
        QTEST(selectedRow(list), "selected");
        click(dialog, u"BReady"_s);
    });
    QCOMPARE(result, int(QDialog::Accepted));

    QCOMPARE(records(), numbered(names));
    QStringList expectedSections{u"0"_s};
    QStringList expectedMenu;
    for (qsizetype i = 0; i < names.size(); ++i) {
        expectedSections.append(QString::number(i + 1));
        expectedMenu.append(QString::number(i + 1) + u':' + names.at(i));
    }
    QCOMPARE(sections(), expectedSections);
    QCOMPARE(menu(), names.isEmpty() ? QStringList{u"1:(leer) (aus)"_s} : expectedMenu);
}

void TestFavourites::managerDelete_data()
{
    QTest::addColumn<QStringList>("seeds");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QStringList>("remaining");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("name");
    const auto row = [](const char *name, const char *seeds, int at, bool yes, const char *asked, const char *remaining,
                        int selected, const char *selectedName) {
        QTest::newRow(name) << split(seeds) << at << yes << QString::fromUtf8(asked) << split(remaining) << selected
                            << QString::fromUtf8(selectedName);
    };
    row("first of three", "1:A,2:B,3:C", 0, true, "A", "B,C", 0, "B");
    row("middle of three", "1:A,2:B,3:C", 1, true, "B", "A,C", 0, "A");
    row("last of three", "1:A,2:B,3:C", 2, true, "C", "A,B", 1, "B");
    row("the only one", "1:A", 0, true, "A", "", -1, "");
    row("No keeps it", "1:A,2:B,3:C", 1, false, "B", "A,B,C", 1, "B");
    row("broken one asked without the marker", "1:A,2:!B,3:C", 1, true, "B", "A,C", 0, "A");
}

void TestFavourites::managerDelete()
{
    QFETCH(QStringList, seeds);
    QFETCH(int, row);
    QFETCH(bool, yes);
    QFETCH(QString, asked);
    QFETCH(int, selected);
    seed(seeds);
    QVERIFY(start());
    const int result = manage([&](Favoriten &dialog) {
        auto *list = child<QListWidget>(dialog, u"LDaten"_s);
        auto *remove = child<QPushButton>(dialog, u"BEntfernen"_s);
        list->setCurrentRow(row);
        m_f->prompts.messageAnswers.enqueue(yes ? Answer::Yes : Answer::No);
        remove->click();
        const auto messages = m_f->prompts.callsOf(u"message"_s);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(message(messages.first()),
                 message(u" Favoriten entfernen"_s, Prompts::Icon::Exclamation, Prompts::Buttons::YesNo,
                         u"Möchten Sie den Eintrag ''"_s + asked + u"'' wirklich entfernen ?  "_s));
        QCOMPARE(selectedRow(list), selected);
        QTEST(dialog.selectedName(), "name");
        QTRY_COMPARE(remove->isEnabled(), selected >= 0);
        click(dialog, u"BReady"_s);
    });
    QCOMPARE(result, int(QDialog::Accepted));
    QFETCH(QStringList, remaining);
    QCOMPARE(records(), numbered(remaining));
}

void TestFavourites::leavingAnEdit_data()
{
    QTest::addColumn<bool>("editing");
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<QString>("name"); // of the first entry afterwards, as listed and as written
    const auto row = [](const char *name, bool editing, const char *action, bool closes, const char *first) {
        QTest::newRow(name) << editing << QString::fromLatin1(action) << closes << QString::fromUtf8(first);
    };
    row("Esc in the name box", true, "esc name", false, "Eins***");
    row("Abbrechen", true, "cancel", false, "Eins***");
    row("click on another entry", true, "click", false, "Eins***");
    row("arrow key in the list", true, "down", false, "Eins***");
    row("pointer over the focused list", true, "move", false, "Eins***");
    row("name typed empty", true, "empty", false, "Eins***");
    row("Enter in the name box applies", true, "enter name", false, "Neu");
    row("Übernehmen applies", true, "apply", false, "Neu");
    row("window frame during an edit", true, "close", true, "");
    row("Esc while browsing", false, "esc list", true, "");
    row("Abbrechen while browsing", false, "cancel", true, "");
}

void TestFavourites::leavingAnEdit()
{
    QFETCH(bool, editing);
    QFETCH(QString, action);
    QFETCH(bool, closes);
    QFETCH(QString, name);
    seed(split("1:!Eins,2:Zwei"));
    QVERIFY(start());
    const QByteArray before = bytesOf(AppPaths::dataFile());
    const int result = manage([&](Favoriten &dialog) {
        auto *list = child<QListWidget>(dialog, u"LDaten"_s);
        auto *edit = child<QLineEdit>(dialog, u"TName"_s);
        auto *ready = child<QPushButton>(dialog, u"BReady"_s);
        QCOMPARE(list->currentRow(), 0);
        if (editing) {
            click(dialog, u"BBearbeiten"_s);
            QVERIFY(dialog.isEditing());
            QCOMPARE(edit->text(), u"Eins"_s);
            QVERIFY(!ready->isEnabled());
            QTRY_COMPARE(QApplication::focusWidget(), edit);
            QTest::keyClicks(edit, u"Neu"_s);
            QCOMPARE(edit->text(), u"Neu"_s);
        } else {
            // A change to the working copy, which closing must not write.
            click(dialog, u"BAbwärts"_s);
            QCOMPARE(texts(list), split("Zwei,Eins***"));
        }

        if (action == u"esc name") {
            QTest::keyClick(edit, Qt::Key_Escape);
        } else if (action == u"esc list") {
            QTest::keyClick(list, Qt::Key_Escape);
        } else if (action == u"cancel") {
            click(dialog, u"BAbbrechen"_s);
        } else if (action == u"click") {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCenter(list, 1));
        } else if (action == u"down") {
            list->setFocus();
            QTest::keyClick(list, Qt::Key_Down);
        } else if (action == u"move") {
            list->setFocus();
            QTRY_COMPARE(QApplication::focusWidget(), list);
            QVERIFY(dialog.isEditing());
            const QPoint at = rowCenter(list, 0);
            QMouseEvent move(QEvent::MouseMove, at, list->viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                             Qt::NoModifier);
            QApplication::sendEvent(list->viewport(), &move);
        } else if (action == u"empty") {
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Backspace);
        } else if (action == u"enter name") {
            QTest::keyClick(edit, Qt::Key_Return);
        } else if (action == u"apply") {
            click(dialog, u"BHinzufügen"_s);
        } else if (action == u"close") {
            dialog.close();
        }

        QCOMPARE(dialog.isVisible(), !closes);
        if (!closes) {
            QTRY_VERIFY(!dialog.isEditing());
            QVERIFY(ready->isEnabled());
            QCOMPARE(list->item(0)->text(), name);
            ready->click();
        }
    });
    if (closes) {
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(bytesOf(AppPaths::dataFile()), before);
    } else {
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(records(), (QStringList{u"1:"_s + name.remove(u"***"_s) + u":Eins.txt"_s, u"2:Zwei:Zwei.txt"_s}));
    }
}

void TestFavourites::enterInTheListRestartsTheEdit()
{
    seed(split("1:Eins,2:Zwei"));
    QVERIFY(start());
    const int result = manage([](Favoriten &dialog) {
        auto *list = child<QListWidget>(dialog, u"LDaten"_s);
        auto *edit = child<QLineEdit>(dialog, u"TName"_s);
        // A double-click starts the edit as well.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCenter(list, 0));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rowCenter(list, 0));
        QVERIFY(dialog.isEditing());
        QTest::keyClicks(edit, u"Neu"_s);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.isEditing());
        QCOMPARE(edit->text(), u"Eins"_s);
        QTRY_COMPARE(QApplication::focusWidget(), edit);
        QCOMPARE(edit->selectedText(), u"Eins"_s);
        QVERIFY(!child<QPushButton>(dialog, u"BReady"_s)->isEnabled());
        dialog.close();
    });
    QCOMPARE(result, int(QDialog::Rejected));
}

void TestFavourites::managerTooltips_data()
{
    QTest::addColumn<int>("toolTips"); // -1: not set
    QTest::addColumn<bool>("on");
    QTest::newRow("off") << 0 << false;
    QTest::newRow("2 is not on") << 2 << false;
    QTest::newRow("on") << 1 << true;
    QTest::newRow("not set means on") << -1 << true;
}

void TestFavourites::managerTooltips()
{
    QFETCH(int, toolTips);
    QFETCH(bool, on);
    seed(split("1:Gut,2:!Weg,3:Drei"));
    if (toolTips >= 0) {
        setting(u"ToolTips"_s, toolTips);
    }
    QVERIFY(start());
    manage([&](Favoriten &dialog) {
        auto *list = child<QListWidget>(dialog, u"LDaten"_s);
        auto *up = child<QPushButton>(dialog, u"BAufwärts"_s);
        auto *down = child<QPushButton>(dialog, u"BAbwärts"_s);
        auto *window = dialog.findChild<TooltipWindow *>();
        QCOMPARE(window != nullptr, on);
        QCOMPARE(dialog.tooltips() != nullptr, on);
        if (!on) {
            down->click();
            QCOMPARE(texts(list), split("Gut,Drei,Weg***"));
            QVERIFY(!dialog.findChild<TooltipWindow *>());
            return;
        }
        Tooltips_Class *tips = dialog.tooltips();
        // The broken entry was selected at load.
        QCOMPARE(window->toolText(list), u"Weg\n"_s + m_f->folder + u"\nWeg.txt\nPosition: 2 / 3"_s);
        QCOMPARE(tips->Title(), u"Verknüpfungsfehler"_s);
        QCOMPARE(tips->BackColor(), 9809894U);
        QCOMPARE(tips->MaxTipWidth(), 450);
        QCOMPARE(tips->GetDelayTime(2), 10000);

        list->setCurrentRow(0);
        QCOMPARE(window->toolText(list), u"Gut\nPosition: 1 / 3"_s);
        QCOMPARE(tips->Title(), u"Hilfe Dokument"_s);
        QVERIFY(tips->BackColor() != 9809894U);
        QCOMPARE(tips->MaxTipWidth(), 300);
        QCOMPARE(tips->GetDelayTime(2), 5000);
        QCOMPARE(tips->GetDelayTime(3), 100);

        down->click();
        for (const QWidget *control : std::initializer_list<const QWidget *>{list, up, down}) {
            QCOMPARE(window->toolText(control), DragHint);
        }
        QCOMPARE(tips->Title(), u"Drag´n Drop"_s);
        QCOMPARE(tips->MaxTipWidth(), 260);
        QCOMPARE(tips->GetDelayTime(2), 10000);
    });
}

void TestFavourites::reorder_data()
{
    QTest::addColumn<QString>("how"); // drag, up, down
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QStringList>("order");
    const auto row = [](const char *name, const char *how, int from, int to, const char *order) {
        QTest::newRow(name) << QString::fromLatin1(how) << from << to << split(order);
    };
    row("drag A onto C", "drag", 0, 2, "B,A,C,D");
    row("drag D onto B", "drag", 3, 1, "A,D,B,C");
    row("drag onto itself", "drag", 1, 1, "A,B,C,D");
    row("up from B", "up", 1, 0, "B,A,C,D");
    row("down from C", "down", 2, 3, "A,B,D,C");
    row("up from the first", "up", 0, 0, "A,B,C,D");
    row("down from the last", "down", 3, 3, "A,B,C,D");
}

void TestFavourites::reorder()
{
    QFETCH(QString, how);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QStringList, order);
    seed(split("1:A,2:B,3:C,4:D"));
    QVERIFY(start());
    const int result = manage([&](Favoriten &dialog) {
        auto *list = child<QListWidget>(dialog, u"LDaten"_s);
        list->setCurrentRow(from);
        if (how == u"drag") {
            QWidget *viewport = list->viewport();
            QTest::mousePress(viewport, Qt::LeftButton, {}, rowCenter(list, from));
            QTest::mouseMove(viewport, rowCenter(list, to));
            QTest::mouseRelease(viewport, Qt::LeftButton, {}, rowCenter(list, to));
        } else {
            auto *button = child<QPushButton>(dialog, how == u"up" ? u"BAufwärts"_s : u"BAbwärts"_s);
            // The state update follows the selection.
            QTRY_COMPARE(button->isEnabled(), from != to);
            // With its key, as without a mouse; the moved entry keeps the
            // focus in the list, also when the button is disabled by now.
            QTest::keyClick(&dialog, how == u"up" ? Qt::Key_U : Qt::Key_B, Qt::AltModifier);
            if (from != to) {
                QTRY_COMPARE(texts(list), order);
                QTRY_COMPARE(QApplication::focusWidget(), list);
            }
        }
        QCOMPARE(texts(list), order);
        QCOMPARE(dialog.selectedName(), u"ABCD"_s.at(from));
        click(dialog, u"BReady"_s);
    });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(records(), numbered(order));
}

void TestFavourites::diskFullMidwayKeepsRecordsWhole_data()
{
    QTest::addColumn<bool>("manager");
    QTest::addColumn<int>("room"); // bytes the data file may grow by
    // Room for a section header and a name, not for the whole record.
    QTest::newRow("add") << false << 20;
    // Room for taking records out, not for putting them back.
    QTest::newRow("manager OK") << true << -1;
}

void TestFavourites::diskFullMidwayKeepsRecordsWhole()
{
    QFETCH(bool, manager);
    QFETCH(int, room);
    putLibrary();
    seed(split("1:A,2:B"));
    QVERIFY(start());
    m_f->list()->setCurrentItem(m_f->list()->findItems(u"Notizen"_s, Qt::MatchExactly).value(0));
    const QByteArray before = bytesOf(AppPaths::dataFile());
    const QStringList menuBefore = menu();
    {
        const DiskFillsAt full(before.size() + room);
        if (manager) {
            manage([](Favoriten &dialog) {
                click(dialog, u"BAbwärts"_s);
                click(dialog, u"BReady"_s);
            });
        } else {
            m_f->root->favourites()->addSelected();
        }
    }
    QCOMPARE(bytesOf(AppPaths::dataFile()), before);
    if (!manager) {
        // Told, and no entry that the next start would not show.
        QCOMPARE(menu(), menuBefore);
        const auto messages = m_f->prompts.callsOf(u"message"_s);
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages.first().text.startsWith(u"Notizen konnte nicht zu den Favoriten hinzugefügt werden. \n"_s));
        QCOMPARE(messages.first().icon, Prompts::Icon::Critical);
    }
}

QTEST_MAIN(TestFavourites)
#include "tst_favourites.moc"
