// The help menu: web pages, companion programs and the about dialog.

#include "AppPaths.h"
#include "RecordingShell.h"
#include "Registry.h"
#include "Root.h"
#include "ScriptedPrompts.h"
#include "SiblingPrograms.h"
#include "TestEnvironment.h"

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
    QAction *action(const QString &name) const { return m_root->findChild<QAction *>(name); }

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<ScriptedPrompts> m_prompts;
    std::unique_ptr<RecordingShell> m_shell;
    std::unique_ptr<Root> m_root;
};

void TestHelpMenu::init()
{
    m_env = std::make_unique<TestEnvironment>();
    m_prompts = std::make_unique<ScriptedPrompts>();
    m_shell = std::make_unique<RecordingShell>();
    QVERIFY(TestEnvironment::writeSettings(TestEnvironment::quietStart()));
    const QString folder = m_env->path(u"Dokumente"_s);
    QDir().mkpath(folder);
    m_root = std::make_unique<Root>(RootOptions{folder});
    QVERIFY(m_root->start());
}

void TestHelpMenu::cleanup()
{
    m_root.reset();
    m_shell.reset();
    m_prompts.reset();
    m_env.reset();
}

void TestHelpMenu::menuOrder()
{
    auto *menu = m_root->findChild<QMenu *>(u"mnuFragezeichen"_s);
    QVERIFY(menu);
    QCOMPARE(menu->title(), u"&? "_s);
    QStringList names;
    for (QAction *a : menu->actions()) {
        names.append(a->isSeparator() ? u"-"_s : (a->menu() ? a->menu()->objectName() : a->objectName()));
    }
    QCOMPARE(names, (QStringList{u"mnuHilfethemen"_s, u"-"_s, u"mnuSoftware"_s, u"mnuHilfe"_s, u"-"_s,
                                 u"mnuProgramme_1"_s, u"mnuProgramme_2"_s, u"mnuProgramme_3"_s, u"-"_s, u"mnuinfo"_s}));
    auto *web = m_root->findChild<QMenu *>(u"mnuHilfe"_s);
    QCOMPARE(web->title(), u"&Web Hilfethemen  "_s);
    QCOMPARE(action(u"mnuinfo"_s)->text(), u"&Info ..."_s);
    QCOMPARE(action(u"mnuHilfethemen"_s)->shortcut(), QKeySequence(Qt::Key_F1));
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
    QCOMPARE(action(entry)->text(), caption);
    action(entry)->trigger();
    const auto urls = m_shell->requestsOf(u"url"_s);
    QCOMPARE(urls.size(), 1);
    QCOMPARE(urls.first().target, url.toString());
    QVERIFY(url.scheme() == u"https");
    // A failing shell is not reported.
    m_shell->succeed = false;
    action(entry)->trigger();
    QVERIFY(m_prompts->callsOf(u"message"_s).isEmpty());
}

void TestHelpMenu::missingCompanionDoesNothing()
{
    QVERIFY(!SiblingPrograms::exists(0));
    QTRY_VERIFY(!action(u"mnuProgramme_1"_s)->isEnabled());
    // A disabled action ignores trigger(): enabled by hand, the command
    // itself must notice that the program is missing.
    action(u"mnuProgramme_1"_s)->setEnabled(true);
    action(u"mnuProgramme_1"_s)->trigger();
    QVERIFY(m_shell->requestsOf(u"start"_s).isEmpty());
    QVERIFY(m_prompts->calls.isEmpty());
}

void TestHelpMenu::companionIsStarted()
{
    // A companion program put beside this one is started from its entry.
    const QString path = SiblingPrograms::path(1);
    QFile program(path);
    QVERIFY(program.open(QIODevice::WriteOnly));
    program.close();
    const auto cleanupProgram = qScopeGuard([path] { QFile::remove(path); });
    action(u"mnuProgramme_2"_s)->trigger();
    const auto starts = m_shell->requestsOf(u"start"_s);
    QCOMPARE(starts.size(), 1);
    QCOMPARE(starts.first().target, path);
}

void TestHelpMenu::aboutDialog()
{
    QString caption;
    QString name;
    QString database;
    m_prompts->dialogHandlers.enqueue([&](QDialog &dialog) {
        caption = dialog.windowTitle();
        name = dialog.findChild<QLabel *>(u"RName"_s)->text();
        database = dialog.findChild<QLineEdit *>(u"tDatabase"_s)->text();
        dialog.findChild<QPushButton *>(u"BMail"_s)->click();
        dialog.findChild<QPushButton *>(u"BWebseite"_s)->click();
        dialog.findChild<QPushButton *>(u"BAbbrechen"_s)->click();
        return dialog.result();
    });
    action(u"mnuinfo"_s)->trigger();
    QCOMPARE(caption, u" Info über Quandel Library"_s);
    QCOMPARE(name, u"Quandel Library 2.05 Build 200"_s);
    QCOMPARE(database, QFileInfo(AppPaths::dataFile()).absoluteFilePath());
    const auto urls = m_shell->requestsOf(u"url"_s);
    QCOMPARE(urls.size(), 2);
    QCOMPARE(urls.at(0).target, u"mailto:support@tivorn.example?Subject=Quandel Library&Body= "_s);
    QCOMPARE(urls.at(1).target, u"https://www.tivorn.example/quandel/"_s);
}

QTEST_MAIN(TestHelpMenu)
#include "tst_helpmenu.moc"
