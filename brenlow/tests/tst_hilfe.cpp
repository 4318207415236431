#include "Hilfe.h"
#include "ScriptedPrompts.h"
#include "TestEnvironment.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTest>
#include <QTextEdit>
#include <QWindow>

#include <memory>

using namespace Qt::StringLiterals;
using Icon = Prompts::Icon;

Q_DECLARE_METATYPE(Prompts::Icon)

namespace {

const QString WrongParameter = u"Falsches Parameter wurde gesendet. "_s;

// A help content file in the code page the help is written in: 25 titled
// topics with their texts, and a topic 7 that also has a text under "07".
QByteArray helpContent(bool withName = true, const QList<int> &withoutText = {})
{
    QString text;
    if (withName) {
        text += u"[Applikation]\r\nName=Hilfe für Tests\r\n"_s;
    }
    text += u"[Contents]\r\n"_s;
    for (int n = 1; n <= 25; ++n) {
        text += QString::number(n) + u"=Thema "_s + QString::number(n) + u"\r\n"_s;
    }
    text += u"[Text]\r\n07=Text mit Null\r\n"_s;
    for (int n = 1; n <= 25; ++n) {
        if (!withoutText.contains(n)) {
            text += QString::number(n) + u"=Text "_s + QString::number(n) + u"\r\n"_s;
        }
    }
    QStringEncoder cp1252("windows-1252");
    return cp1252.encode(text);
}

QByteArray longEntries()
{
    return "[Contents]\r\n2=" + QByteArray(300, 'T') + "\r\n[Text]\r\n2=" + QByteArray(300, 'A') + "\r\n";
}

QString binDir()
{
    return qEnvironmentVariable("QUANDEL_BIN_DIR");
}

} // namespace

class TestHilfe final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void startUp_data();
    void startUp();
    void menuEntriesFollowContents();
    void backThroughTopics();
    void choosingTheShownTopicAgain();
    void topic25FromTheMenu();
    void fileIsReadOnce();
    void textSizes_data();
    void textSizes();
    void windowOrder();
    void copyTakesHeadingAndText();
    void printsOnePageWithTheThreeTexts();
    void programEndsAtOnce_data();
    void programEndsAtOnce();
    void programShowsItsWindow_data();
    void programShowsItsWindow();

private:
    // A started viewer on the standard help file, at the given start topic.
    std::unique_ptr<Hilfe> startedViewer(const QString &topic = u"1"_s);
    template <typename T> T *child(const QString &name) { return m_viewer->findChild<T *>(name); }
    QAction *action(const QString &name) { return child<QAction>(name); }
    QString heading() { return child<QTextEdit>(u"LTitel"_s)->toPlainText(); }
    QString text() { return child<QTextEdit>(u"LText"_s)->toPlainText(); }

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<ScriptedPrompts> m_prompts;
    std::unique_ptr<Hilfe> m_viewer;
};

void TestHilfe::init()
{
    m_env = std::make_unique<TestEnvironment>();
    m_prompts = std::make_unique<ScriptedPrompts>();
}

void TestHilfe::cleanup()
{
    m_viewer.reset();
    m_prompts.reset();
    m_env.reset();
}

std::unique_ptr<Hilfe> TestHilfe::startedViewer(const QString &topic)
{
    const QString file = m_env->writeFile(u"Hilfe.chf"_s, helpContent());
    auto viewer = std::make_unique<Hilfe>();
    if (!viewer->start(file + u',' + topic)) {
        return nullptr;
    }
    return viewer;
}

void TestHilfe::startUp_data()
{
    QTest::addColumn<QString>("fileName"); // where the content is written
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("argument"); // %1 is the folder
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QString>("message"); // empty: none
    QTest::addColumn<Icon>("icon");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QString>("text");

    const QString hilfe = u"Hilfe.chf"_s;
    const QByteArray content = helpContent();
    const QString caption = u"Hilfe für Tests"_s;
    auto opens = [&](const char *name, const QString &argument, const QString &heading, const QString &text) {
        QTest::newRow(name) << hilfe << content << argument << true << QString() << Icon::None << caption << heading
                            << text;
    };
    auto refuses = [&](const char *name, const QByteArray &bytes, const QString &argument) {
        QTest::newRow(name) << hilfe << bytes << argument << false << WrongParameter << Icon::Information << QString()
                            << QString() << QString();
    };
    auto notFound = [&](const char *name, const QString &argument, const QString &path) {
        QTest::newRow(name) << hilfe << content << argument << false << path + u"\nkonnte nicht gefunden werden."_s
                            << Icon::Critical << QString() << QString() << QString();
    };

    opens("file and no topic opens topic 1", u"%1/Hilfe.chf"_s, u"Thema 1"_s, u"Text 1"_s);
    opens("capital extension and topic 3", u"%1/Hilfe.CHF,3"_s, u"Thema 3"_s, u"Text 3"_s);
    opens("start topic 24", u"%1/Hilfe.chf,24"_s, u"Thema 24"_s, u"Text 24"_s);
    opens("leading zero: heading of 7, text under 07", u"%1/Hilfe.chf,07"_s, u"Thema 7"_s, u"Text mit Null"_s);
    QTest::newRow("comma in the folder, topic given")
        << u"a,b/Hilfe.chf"_s << content << u"%1/a,b/Hilfe.chf,4"_s << true << QString() << Icon::None << caption
        << u"Thema 4"_s << u"Text 4"_s;
    QTest::newRow("no application name") << hilfe << helpContent(false) << u"%1/Hilfe.chf,2"_s << true << QString()
                                         << Icon::None << u"Hilfethemen"_s << u"Thema 2"_s << u"Text 2"_s;
    QTest::newRow("300 characters cut to 254")
        << hilfe << longEntries() << u"%1/Hilfe.chf,2"_s << true << QString() << Icon::None << u"Hilfethemen"_s
        << QString(254, u'T') << QString(254, u'A');

    refuses("start topic 25", content, u"%1/Hilfe.chf,25"_s);
    refuses("start topic 0", content, u"%1/Hilfe.chf,0"_s);
    refuses("negative start topic", content, u"%1/Hilfe.chf,-3"_s);
    refuses("huge start topic", content, u"%1/Hilfe.chf,99999999999999999999"_s);
    refuses("leading zero without a key of its own", helpContent(true, {}).replace("07=Text mit Null\r\n", ""),
            u"%1/Hilfe.chf,07"_s);
    refuses("start topic without text", helpContent(true, {5}), u"%1/Hilfe.chf,5"_s);
    refuses("no sections at all", "nur Text\r\n=ohne Namen\r\n", u"%1/Hilfe.chf"_s);
    QTest::newRow("comma in the folder, no topic")
        << u"a,b/Hilfe.chf"_s << content << u"%1/a,b/Hilfe.chf"_s << false << WrongParameter << Icon::Information
        << QString() << QString() << QString();

    notFound("missing file", u"%1/Fehlt.chf,1"_s, u"%1/Fehlt.chf"_s);
    notFound("letters as topic name the whole argument", u"%1/Hilfe.chf,abc"_s, u"%1/Hilfe.chf,abc"_s);
    // Opening it blocked the viewer for ever.
    QTest::newRow("help file that is a named pipe")
        << u"fifo:Pipe.chf"_s << QByteArray() << u"%1/Pipe.chf,1"_s << false
        << u"%1/Pipe.chf\nkonnte nicht gelesen werden.\n"
           u"Das ist keine gewöhnliche Datei, sondern ein Ordner, ein Gerät oder eine Pipe."_s
        << Icon::Critical << QString() << QString() << QString();

    QTest::newRow("another extension ending in a digit")
        << u"Hilfe.ini"_s << content << u"%1/Hilfe.ini,2"_s << false << QString() << Icon::None << QString()
        << QString() << QString();
    QTest::newRow("empty") << hilfe << content << QString() << false << QString() << Icon::None << QString()
                           << QString() << QString();
}

void TestHilfe::startUp()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QString, argument);
    QFETCH(bool, shown);
    QFETCH(QString, message);
    QFETCH(Icon, icon);
    QFETCH(QString, caption);
    QFETCH(QString, heading);
    QFETCH(QString, text);

    if (fileName.startsWith(u"fifo:"_s)) {
        QVERIFY(!m_env->makeSpecial(fileName.sliced(5), u"fifo"_s).isEmpty());
    } else {
        m_env->writeFile(fileName, content);
    }
    const QString folder = m_env->home();
    m_viewer = std::make_unique<Hilfe>();
    QCOMPARE(m_viewer->start(argument.replace(u"%1"_s, folder)), shown);
    QCOMPARE(m_viewer->isVisible(), shown);

    const auto messages = m_prompts->callsOf(u"message"_s);
    if (message.isEmpty()) {
        QVERIFY(messages.isEmpty());
    } else {
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().text, message.replace(u"%1"_s, folder));
        QCOMPARE(messages.first().title, u" Hilfethemen"_s);
        QCOMPARE(messages.first().icon, icon);
        QCOMPARE(messages.first().buttons, Prompts::Buttons::Ok);
    }
    if (shown) {
        QCOMPARE(m_viewer->windowTitle(), caption);
        QCOMPARE(this->heading(), heading);
        QCOMPARE(this->text(), text);
        // The start topic alone is in the history, as written on the command line.
        QCOMPARE(m_viewer->history(), QStringList{m_viewer->startTopic()});
        QVERIFY(!child<QPushButton>(u"CZurück"_s)->isEnabled());
    }
}

void TestHilfe::menuEntriesFollowContents()
{
    const QString file = m_env->writeFile(u"Hilfe.chf"_s, "[Contents]\n3=Drei\n25=Letztes\n[Text]\n1=Eins\n");
    m_viewer = std::make_unique<Hilfe>();
    QVERIFY(m_viewer->start(file));
    QCOMPARE(heading(), u"Wählen Sie ein Thema"_s);
    for (int n = 1; n <= 25; ++n) {
        const QAction *entry = action(u"Thema_"_s + QString::number(n));
        QVERIFY(entry);
        const bool titled = n == 3 || n == 25;
        QCOMPARE(entry->isVisible(), titled || n == 1);
        QCOMPARE(entry->isChecked(), n == 1);
        if (!titled) {
            QCOMPARE(entry->text(), u"Wählen Sie ein Thema"_s);
        }
    }
    QCOMPARE(action(u"Thema_3"_s)->text(), u"Drei"_s);
}

void TestHilfe::backThroughTopics()
{
    m_viewer = startedViewer();
    QVERIFY(m_viewer);
    auto *back = child<QPushButton>(u"CZurück"_s);
    action(u"Thema_5"_s)->trigger();
    action(u"Thema_3"_s)->trigger();
    QCOMPARE(m_viewer->history(), (QStringList{u"1"_s, u"5"_s, u"3"_s}));
    QVERIFY(back->isEnabled());

    back->click();
    QCOMPARE(heading(), u"Thema 5"_s);
    QCOMPARE(text(), u"Text 5"_s);
    QVERIFY(action(u"Thema_5"_s)->isChecked());
    QVERIFY(!action(u"Thema_3"_s)->isChecked());
    QVERIFY(back->isEnabled());

    back->click();
    QCOMPARE(heading(), u"Thema 1"_s);
    QCOMPARE(text(), u"Text 1"_s);
    QCOMPARE(m_viewer->history(), QStringList{u"1"_s});
    QVERIFY(!back->isEnabled());
}

void TestHilfe::choosingTheShownTopicAgain()
{
    m_viewer = startedViewer(u"07"_s);
    QVERIFY(m_viewer);
    QCOMPARE(text(), u"Text mit Null"_s);
    auto *back = child<QPushButton>(u"CZurück"_s);
    action(u"Thema_3"_s)->trigger();
    action(u"Thema_3"_s)->trigger();
    QCOMPARE(m_viewer->history(), (QStringList{u"07"_s, u"3"_s, u"3"_s}));
    QVERIFY(action(u"Thema_3"_s)->isChecked());

    back->click();
    QCOMPARE(heading(), u"Thema 3"_s);
    QVERIFY(back->isEnabled());
    // Back to the start topic takes the number: the key is 7 now, not 07.
    back->click();
    QCOMPARE(heading(), u"Thema 7"_s);
    QCOMPARE(text(), u"Text 7"_s);
    QVERIFY(!back->isEnabled());
}

void TestHilfe::topic25FromTheMenu()
{
    m_viewer = startedViewer();
    QVERIFY(m_viewer);
    action(u"Thema_25"_s)->trigger();
    QCOMPARE(heading(), u"Thema 25"_s);
    QCOMPARE(text(), u"Text 25"_s);
}

void TestHilfe::fileIsReadOnce()
{
    // A large help file is read at start and never again: every topic comes
    // from memory, so a later change of the file shows nowhere.
    m_viewer = startedViewer();
    QVERIFY(m_viewer);
    QFile file(m_viewer->fileName());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[Text]\r\n5=geändert\r\n");
    file.close();
    action(u"Thema_5"_s)->trigger();
    QCOMPARE(text(), u"Text 5"_s);
}

void TestHilfe::textSizes_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("before"); // chosen first, so that the check mark has to move
    QTest::addColumn<int>("points");

    QTest::newRow("Klein") << u"Schriftart_Klein"_s << u"Schriftart_Groß"_s << 8;
    QTest::newRow("Normal") << u"Schriftart_Normal"_s << u"Schriftart_Klein"_s << 10;
    QTest::newRow("Groß") << u"Schriftart_Groß"_s << u"Schriftart_Klein"_s << 11;
}

void TestHilfe::textSizes()
{
    QFETCH(QString, entry);
    QFETCH(QString, before);
    QFETCH(int, points);

    m_viewer = startedViewer();
    QVERIFY(m_viewer);
    const QStringList entries{u"Schriftart_Klein"_s, u"Schriftart_Normal"_s, u"Schriftart_Groß"_s};
    QVERIFY(action(u"Schriftart_Normal"_s)->isChecked());
    QCOMPARE(child<QTextEdit>(u"LText"_s)->font().pointSize(), 10);

    action(before)->trigger();
    action(entry)->trigger();
    for (const QString &name : entries) {
        QCOMPARE(action(name)->isChecked(), name == entry);
    }
    const QFont headingFont = child<QTextEdit>(u"LTitel"_s)->font();
    QCOMPARE(headingFont.pointSize(), points);
    QVERIFY(headingFont.bold());
    QCOMPARE(child<QTextEdit>(u"LText"_s)->font().pointSize(), points);
}

void TestHilfe::windowOrder()
{
    m_viewer = startedViewer();
    QVERIFY(m_viewer);
    QVERIFY(QTest::qWaitForWindowExposed(m_viewer.get()));
    auto topmost = [this] {
        return m_viewer->windowFlags().testFlag(Qt::WindowStaysOnTopHint) &&
               m_viewer->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint);
    };
    QVERIFY(topmost());
    QVERIFY(action(u"Vordergrund"_s)->isChecked());

    action(u"Hintergrund"_s)->trigger();
    QVERIFY(!m_viewer->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!m_viewer->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(action(u"Hintergrund"_s)->isChecked());
    QVERIFY(!action(u"Vordergrund"_s)->isChecked());
    QVERIFY(m_viewer->isVisible());

    action(u"Vordergrund"_s)->trigger();
    QVERIFY(topmost());
    QVERIFY(action(u"Vordergrund"_s)->isChecked());
    QVERIFY(!action(u"Hintergrund"_s)->isChecked());
    QVERIFY(m_viewer->isVisible());

    child<QPushButton>(u"CBeenden"_s)->click();
    QVERIFY(!m_viewer->isVisible());
}

void TestHilfe::copyTakesHeadingAndText()
{
    m_viewer = startedViewer(u"3"_s);
    QVERIFY(m_viewer);
    action(u"Kopieren"_s)->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), u"Thema 3\nText 3"_s);
}

void TestHilfe::printsOnePageWithTheThreeTexts()
{
    m_viewer = startedViewer(u"3"_s);
    QVERIFY(m_viewer);
    const QString pdf = m_env->path(u"Thema.pdf"_s);
    m_viewer->setPrinterFactory([pdf] {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdf);
        return printer;
    });
    // The page keeps the print layout's own fonts whatever size the window shows.
    action(u"Schriftart_Groß"_s)->trigger();
    action(u"ThemaDrucken"_s)->trigger();
    QVERIFY(m_prompts->callsOf(u"message"_s).isEmpty());
    QVERIFY(m_prompts->callsOf(u"print"_s).isEmpty());
    const auto *layout = m_viewer->findChild<QWidget *>(u"Drucken"_s);
    QVERIFY(layout);
    QVERIFY(!layout->isVisible());
    QCOMPARE(layout->findChild<QLabel *>(u"Label3"_s)->font().pointSizeF(), 9.75);
    QVERIFY(QFileInfo(pdf).size() > 0);

    const QString pdftotext = QStandardPaths::findExecutable(u"pdftotext"_s);
    if (pdftotext.isEmpty()) {
        QSKIP("pdftotext (poppler-utils) is needed to read the printed page");
    }
    QProcess reader;
    reader.start(pdftotext, {u"-bbox"_s, pdf, u"-"_s});
    QVERIFY(reader.waitForFinished(30000));
    const QString page = QString::fromUtf8(reader.readAllStandardOutput());
    QCOMPARE(page.count(u"<page "_s), 1);

    // Where the first word of each text lies on the page, in points.
    QList<QPointF> places;
    QStringList words;
    static const QRegularExpression word(u"<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\"[^>]*>([^<]*)</word>"_s);
    for (auto match = word.globalMatch(page); match.hasNext();) {
        const QRegularExpressionMatch found = match.next();
        words.append(found.captured(3));
        places.append({found.captured(1).toDouble(), found.captured(2).toDouble()});
    }
    QCOMPARE(words.join(u' '), u"Hilfe für Tests Thema 3 Text 3"_s);
    const QPointF caption = places.at(0);
    const QPointF heading = places.at(3);
    const QPointF text = places.at(5);
    // The layout at its size: 20 twips to the point.
    QVERIFY(qAbs(heading.x() - caption.x()) < 1.0);
    QVERIFY(qAbs(text.x() - caption.x()) < 1.0);
    QVERIFY2(qAbs(heading.y() - caption.y() - (930 - 590) / 20.0) < 3.0, qPrintable(page));
    QVERIFY2(qAbs(text.y() - caption.y() - (1425 - 590) / 20.0) < 3.0, qPrintable(page));
}

void TestHilfe::programEndsAtOnce_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no argument") << QStringList();
    QTest::newRow("another extension ending in a digit") << QStringList{u"/tmp/Quandel.ini,2"_s};
    QTest::newRow("a number alone") << QStringList{u"7"_s};
}

void TestHilfe::programEndsAtOnce()
{
    QFETCH(QStringList, arguments);
    QProcess viewer;
    viewer.start(binDir() + u"/brenlow"_s, arguments);
    QVERIFY2(viewer.waitForStarted(), qPrintable(viewer.errorString()));
    QVERIFY(viewer.waitForFinished(10000));
    QCOMPARE(viewer.exitStatus(), QProcess::NormalExit);
    QCOMPARE(viewer.exitCode(), 0);
}

void TestHilfe::programShowsItsWindow_data()
{
    QTest::addColumn<QStringList>("arguments"); // %1 is the temporary folder

    QTest::newRow("the shipped help at topic 1") << QStringList{binDir() + u"/Quandel.chf,1"_s};
    // The main program does not quote the argument: a folder with blanks
    // arrives as several words.
    QTest::newRow("folder with blanks in words") << QStringList{u"%1/Quandel"_s, u"Library/Quandel.chf,7"_s};
}

void TestHilfe::programShowsItsWindow()
{
    QFETCH(QStringList, arguments);
    QVERIFY(QDir().mkpath(m_env->path(u"Quandel Library"_s)));
    QVERIFY(QFile::copy(binDir() + u"/Quandel.chf"_s, m_env->path(u"Quandel Library/Quandel.chf"_s)));
    arguments.replaceInStrings(u"%1"_s, m_env->home());

    QProcess viewer;
    viewer.start(binDir() + u"/brenlow"_s, arguments);
    QVERIFY2(viewer.waitForStarted(), qPrintable(viewer.errorString()));
    // The window runs until the user closes it.
    QVERIFY(!viewer.waitForFinished(1500));
    QCOMPARE(viewer.state(), QProcess::Running);
    viewer.kill();
    QVERIFY(viewer.waitForFinished(10000));
}

QTEST_MAIN(TestHilfe)
#include "tst_hilfe.moc"
