#include "HelpLaunch.h"
#include "RecordingShell.h"
#include "ScriptedPrompts.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString NotFound = u"Die Komponente für die Hilfe konnte nicht gefunden werden. "_s;
const QString NotStarted = u"Die Komponente für die Hilfe konnte nicht gestartet werden. "_s;

} // namespace

class TestHelpLaunch final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void launch_data();
    void launch();
    void everyRequestStartsAViewer();
};

void TestHelpLaunch::launch_data()
{
    QTest::addColumn<bool>("viewer");
    QTest::addColumn<bool>("content");
    QTest::addColumn<bool>("startWorks");
    QTest::addColumn<int>("topic");
    QTest::addColumn<QString>("message"); // empty: none

    QTest::newRow("help menu") << true << true << true << 1 << QString();
    QTest::newRow("options dialog") << true << true << true << 7 << QString();
    QTest::newRow("content missing") << true << false << true << 1 << NotFound;
    QTest::newRow("viewer missing") << false << true << true << 7 << NotFound;
    QTest::newRow("both missing") << false << false << true << 1 << NotFound;
    QTest::newRow("start fails") << true << true << false << 1 << NotStarted;
}

void TestHelpLaunch::launch()
{
    QFETCH(bool, viewer);
    QFETCH(bool, content);
    QFETCH(bool, startWorks);
    QFETCH(int, topic);
    QFETCH(QString, message);

    TestEnvironment env;
    ScriptedPrompts prompts;
    RecordingShell shell;
    shell.succeed = startWorks;
    // The main program's folder, with blanks, holds both files.
    const QString folder = u"Quandel Library/bin dir"_s;
    const HelpLaunch::Files files{env.path(folder + u"/brenlow"_s), env.path(folder + u"/Quandel.chf"_s)};
    if (viewer) {
        env.writeFile(folder + u"/brenlow"_s, "#!/bin/sh\n");
    }
    if (content) {
        env.writeFile(folder + u"/Quandel.chf"_s, "[Text]\r\n1=Eins\r\n");
    }

    const QString caption = u"Tivorn Quandel Library"_s;
    QCOMPARE(HelpLaunch::showHelp(nullptr, topic, caption, files), message.isEmpty());

    const auto starts = shell.requestsOf(u"start"_s);
    if (viewer && content) {
        QCOMPARE(starts.size(), 1);
        QCOMPARE(starts.first().target, files.viewer);
        // One argument, the whole path with its blanks and the topic.
        QCOMPARE(starts.first().arguments, QStringList{files.content + u',' + QString::number(topic)});
    } else {
        QVERIFY(starts.isEmpty());
    }
    const auto messages = prompts.callsOf(u"message"_s);
    if (message.isEmpty()) {
        QVERIFY(messages.isEmpty());
    } else {
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().text, message);
        QCOMPARE(messages.first().title, caption);
        QCOMPARE(messages.first().icon, Prompts::Icon::Critical);
        QCOMPARE(messages.first().buttons, Prompts::Buttons::Ok);
    }
}

// F1 twice: two viewers, neither reused.
void TestHelpLaunch::everyRequestStartsAViewer()
{
    TestEnvironment env;
    ScriptedPrompts prompts;
    RecordingShell shell;
    const HelpLaunch::Files files{env.writeFile(u"bin/brenlow"_s, "#!/bin/sh\n"),
                                  env.writeFile(u"bin/Quandel.chf"_s, "[Text]\r\n1=Eins\r\n")};
    QVERIFY(HelpLaunch::showHelp(nullptr, HelpLaunch::OverviewTopic, u"Tivorn Quandel Library"_s, files));
    QVERIFY(HelpLaunch::showHelp(nullptr, HelpLaunch::OverviewTopic, u"Tivorn Quandel Library"_s, files));
    const auto starts = shell.requestsOf(u"start"_s);
    QCOMPARE(starts.size(), 2);
    for (const auto &start : starts) {
        QCOMPARE(start.arguments, QStringList{files.content + u",1"_s});
    }
    QVERIFY(prompts.calls.isEmpty());
}

QTEST_GUILESS_MAIN(TestHelpLaunch)
#include "tst_helplaunch.moc"
