// The help menu: web pages, companion programs and the about dialog.

#include "AppPaths.h"
#include "RootFixture.h"
#include "SiblingPrograms.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

class TestHelpMenu final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void menuOrder();
    void webLinks_data();
    void webLinks();
    void missingCompanionDoesNothing();
    void companionIsStarted();
    void aboutDialog();

private:
    std::unique_ptr<RootFixture> m_f;
};

void TestHelpMenu::init()
{
    m_f = std::make_unique<RootFixture>();
    QVERIFY(m_f->start());
}

void TestHelpMenu::cleanup()
{
    m_f.reset();
}

void TestHelpMenu::menuOrder()
{
    auto *menu = m_f->root->findChild<QMenu *>(u"mnuFragezeichen"_s);
    QVERIFY(menu);
    QCOMPARE(menu->title(), u"&? "_s);
    QStringList names;
    for (QAction *a : menu->actions()) {
        names.append(a->isSeparator() ? u"-"_s : (a->menu() ? a->menu()->objectName() : a->objectName()));
    }
    QCOMPARE(names, (QStringList{u"mnuHilfethemen"_s, u"-"_s, u"mnuSoftware"_s, u"mnuHilfe"_s, u"-"_s,
                                 u"mnuProgramme_1"_s, u"mnuProgramme_2"_s, u"mnuProgramme_3"_s, u"-"_s, u"mnuinfo"_s}));
    auto *web = m_f->root->findChild<QMenu *>(u"mnuHilfe"_s);
    QCOMPARE(web->title(), u"&Web Hilfethemen  "_s);
    QCOMPARE(m_f->action(u"mnuinfo"_s)->text(), u"&Info ..."_s);
    QCOMPARE(m_f->action(u"mnuHilfethemen"_s)->shortcut(), QKeySequence(Qt::Key_F1));
}

void TestHelpMenu::webLinks_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QUrl>("url");
    QTest::newRow("maker") << u"mnuSoftware"_s << u"&Software und Updates "_s
                           << QUrl(u"https://www.tivorn.example/quandel/"_s);
    QTest::newRow("accessories") << u"mnulinks1"_s << u"Kostenloses Zubehör"_s
                                 << QUrl(u"https://visualstudio.microsoft.com/de/free-developer-offers/"_s);
    QTest::newRow("developer home") << u"mnulinks2"_s << u"Entwickler Homepage"_s
                                    << QUrl(u"https://developer.microsoft.com/de-de/"_s);
    QTest::newRow("network") << u"mnulinks3"_s << u"MSDN Online"_s << QUrl(u"https://learn.microsoft.com/de-de/"_s);
    QTest::newRow("forums") << u"mnulinks4"_s << u"Microsoft Newsgroups"_s
                            << QUrl(u"https://learn.microsoft.com/de-de/answers/"_s);
}

void TestHelpMenu::webLinks()
{
    QFETCH(QString, entry);
    QFETCH(QString, caption);
    QFETCH(QUrl, url);
    QCOMPARE(m_f->action(entry)->text(), caption);
    m_f->action(entry)->trigger();
    const auto urls = m_f->shell.requestsOf(u"url"_s);
    QCOMPARE(urls.size(), 1);
    QCOMPARE(urls.first().target, url.toString());
    QVERIFY(url.scheme() == u"https");
    // A failing shell is not reported.
    m_f->shell.succeed = false;
    m_f->action(entry)->trigger();
    QVERIFY(m_f->prompts.callsOf(u"message"_s).isEmpty());
}

void TestHelpMenu::missingCompanionDoesNothing()
{
    QVERIFY(!SiblingPrograms::exists(0));
    QTRY_VERIFY(!m_f->action(u"mnuProgramme_1"_s)->isEnabled());
    // A disabled action ignores trigger(): enabled by hand, the command
    // itself must notice that the program is missing.
    m_f->action(u"mnuProgramme_1"_s)->setEnabled(true);
    m_f->action(u"mnuProgramme_1"_s)->trigger();
    QVERIFY(m_f->shell.requestsOf(u"start"_s).isEmpty());
    QVERIFY(m_f->prompts.calls.isEmpty());
}

void TestHelpMenu::companionIsStarted()
{
    // A companion program put beside this one is started from its entry.
    const QString path = SiblingPrograms::path(1);
    QFile program(path);
    QVERIFY(program.open(QIODevice::WriteOnly));
    program.close();
    const auto cleanupProgram = qScopeGuard([path] { QFile::remove(path); });
    m_f->action(u"mnuProgramme_2"_s)->trigger();
    const auto starts = m_f->shell.requestsOf(u"start"_s);
    QCOMPARE(starts.size(), 1);
    QCOMPARE(starts.first().target, path);
}

void TestHelpMenu::aboutDialog()
{
    QString caption;
    QString name;
    QString database;
    m_f->prompts.dialogHandlers.enqueue([&](QDialog &dialog) {
        caption = dialog.windowTitle();
        name = dialog.findChild<QLabel *>(u"RName"_s)->text();
        database = dialog.findChild<QLineEdit *>(u"tDatabase"_s)->text();
        dialog.findChild<QPushButton *>(u"BMail"_s)->click();
        dialog.findChild<QPushButton *>(u"BWebseite"_s)->click();
        dialog.findChild<QPushButton *>(u"BAbbrechen"_s)->click();
        return dialog.result();
    });
    m_f->action(u"mnuinfo"_s)->trigger();
    QCOMPARE(caption, u" Info über Quandel Library"_s);
    QCOMPARE(name, u"Quandel Library 2.05 Build 200"_s);
    QCOMPARE(database, QFileInfo(AppPaths::dataFile()).absoluteFilePath());
    const auto urls = m_f->shell.requestsOf(u"url"_s);
    QCOMPARE(urls.size(), 2);
    QCOMPARE(urls.at(0).target, u"mailto:support@tivorn.example?Subject=Quandel Library&Body= "_s);
    QCOMPARE(urls.at(1).target, u"https://www.tivorn.example/quandel/"_s);
}

QTEST_MAIN(TestHelpMenu)
#include "tst_helpmenu.moc"
