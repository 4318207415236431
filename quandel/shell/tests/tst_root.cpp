#include "AppPaths.h"
#include "CodeEditor.h"
#include "Commands.h"
#include "DocumentKinds.h"
#include "DocumentLibrary.h"
#include "EditingState.h"
#include "IniFile.h"
#include "ProcedureBox.h"
#include "Registry.h"
#include "RootFixture.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <memory>

namespace {

const QString Key = QStringLiteral("Software\\Tivorn\\Quandel Library");
const Registry::Root User = Registry::Root::CurrentUser;

void seed(const QString &name, const QVariant &value)
{
    QVERIFY(TestEnvironment::writeSettings({{name, value}}));
}

std::optional<QVariant> stored(const QString &name)
{
    QVariant value;
    if (Registry::QueryRegValue(User, Key, name, value)) {
        return value;
    }
    return std::nullopt;
}

int clickReady(QDialog &dialog)
{
    auto *ready = dialog.findChild<QPushButton *>(QStringLiteral("BReady"));
    if (!ready) {
        return -1;
    }
    ready->click();
    return dialog.result();
}

QAction *action(Root &root, const QString &name)
{
    return root.findChild<QAction *>(name);
}

// Watches for the splash window: whether it was shown at any moment of the
// start-up, and whether it was still up while start-up waited with events
// running.
class SplashProbe final : public QObject
{
public:
    bool seen = false;  // visible 300 ms into the start
    bool shown = false; // shown at all
    SplashProbe() { qApp->installEventFilter(this); }
    ~SplashProbe() override { qApp->removeEventFilter(this); }
    Q_DISABLE_COPY_MOVE(SplashProbe)
    void arm()
    {
        QTimer::singleShot(300, this, [this] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (w->objectName() == u"Startup" && w->isVisible()) {
                    seen = true;
                }
            }
        });
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->objectName() == u"Startup") {
            shown = true;
        }
        return QObject::eventFilter(watched, event);
    }
};

// Starts the window while the probe looks for the splash; the milliseconds
// the start took, -1 when it failed.
qint64 startWatched(Root &root, SplashProbe &probe)
{
    probe.arm();
    QElapsedTimer clock;
    clock.start();
    return root.start() ? clock.elapsed() : -1;
}

} // namespace

class TestRoot final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void firstRun();
    void declinedDisclaimerEndsWithoutWriting();
    void secondRunShowsNoDisclaimer();
    void startupOptionSkipsSplash();
    void storedKindAndPicturePane_data();
    void storedKindAndPicturePane();
    void storedPlacementIsRestored();
    void exitWritesFolderKindAndPlacement();
    void exitFromMinimisedStoresNormalPlacement();
    void closingTheWindowRunsExit();
    void endingWithoutAskingKeepsTextAndValues();
    void commandLineFolderIsNotStored_data();
    void commandLineFolderIsNotStored();
    void storedFolderThatIsAFileIsChosenAnew();
    void editorFontFromDataFile();
    void highlightSwitchIsKept();
    void damagedStoreStartsWithDefaults_data();
    void damagedStoreStartsWithDefaults();
    void unwritableSettingsFolderStillStarts();
    void minimumSizeIsEnforced();
    void pictureRightClickTogglesWebView();
    void procedureListAndGoToLine();
    void eachCommandHasOneEntryOfItsName();

private:
    std::unique_ptr<RootFixture> m_f;
};

void TestRoot::init()
{
    m_f = std::make_unique<RootFixture>();
}

void TestRoot::cleanup()
{
    m_f.reset();
}

void TestRoot::firstRun()
{
    m_f->prompts.dialogHandlers.enqueue(clickReady);
    m_f->prompts.folderAnswers.enqueue(QString()); // no folder chosen yet
    SplashProbe probe;
    Root root;
    QVERIFY(startWatched(root, probe) >= 1000);
    QVERIFY2(probe.seen, "the splash is shown during start-up");
    QVERIFY(probe.shown);
    const auto dialogs = m_f->prompts.callsOf(QStringLiteral("dialog"));
    QCOMPARE(dialogs.size(), 1);
    QCOMPARE(dialogs.first().text, QStringLiteral("Lizenz"));
    QCOMPARE(dialogs.first().title, QStringLiteral(" Sicherheitswarnung"));
    QCOMPARE(stored(QStringLiteral("Version")).value_or(QVariant()).toString(), QStringLiteral("2.5"));
    QCOMPARE(stored(QStringLiteral("InstallDir")).value_or(QVariant()).toString(), AppPaths::programFolder());

    // No stored folder: the window appears at 500, 500 twips and asks for one.
    QVERIFY(root.isVisible());
    QCOMPARE(root.frameGeometry().topLeft(), QPoint(33, 33));
    const auto folders = m_f->prompts.callsOf(QStringLiteral("folder"));
    QCOMPARE(folders.size(), 1);
    QCOMPARE(folders.first().text, QStringLiteral("Bitte wählen Sie den Ordner, indem ihre Dokumente \n"
                                                  "und Projekte verwalten werden sollen ..."));
    QVERIFY(action(root, QStringLiteral("mnuAnsicht_0"))->isChecked());
    QVERIFY(!root.findChild<QWidget *>(QStringLiteral("Background"))->isHidden());
    QVERIFY(root.findChild<QWidget *>(QStringLiteral("WebBrowser"))->isHidden());
    QVERIFY(root.findChild<QWidget *>(QStringLiteral("LStatus"))->isHidden());
    // The edit and exit entries show their keys as shortcuts, not in their
    // names, and leave the keys to the editor and the list.
    const std::pair<const char16_t *, QKeySequence> keys[] = {{u"mnuRückgängig", QKeySequence(Qt::CTRL | Qt::Key_Z)},
                                                              {u"mnumarkieren", QKeySequence(Qt::CTRL | Qt::Key_A)},
                                                              {u"mnubeenden", QKeySequence(Qt::ALT | Qt::Key_Q)}};
    for (const auto &[name, key] : keys) {
        const QAction *entry = action(root, QString::fromUtf16(name));
        QVERIFY2(!entry->text().contains(u'\t'), qPrintable(entry->text()));
        QCOMPARE(entry->shortcut(), key);
        QCOMPARE(entry->shortcutContext(), Qt::WidgetShortcut);
    }
    QVERIFY(!action(root, QStringLiteral("mnuRückgängig"))->isEnabled());
}

void TestRoot::declinedDisclaimerEndsWithoutWriting()
{
    m_f->prompts.dialogHandlers.enqueue([](QDialog &dialog) {
        dialog.findChild<QPushButton *>(QStringLiteral("BAbbrechen"))->click();
        return dialog.result();
    });
    seed(QStringLiteral("Startup"), 1);
    Root root;
    QVERIFY(!root.start());
    QVERIFY(!stored(QStringLiteral("Version")));
    QVERIFY(!stored(QStringLiteral("InstallDir")));
    QVERIFY(!root.isVisible());
}

void TestRoot::secondRunShowsNoDisclaimer()
{
    QVERIFY(RootFixture::seedQuietStart({{QStringLiteral("Path"), m_f->folder}}));
    QVERIFY(m_f->startAsStored(false));
    Root &root = *m_f->root;
    QVERIFY(m_f->prompts.callsOf(QStringLiteral("dialog")).isEmpty());
    QVERIFY(m_f->prompts.callsOf(QStringLiteral("folder")).isEmpty());
    QCOMPARE(root.documentFolder(), m_f->folder);

    // Another version's acceptance does not count for this one.
    seed(QStringLiteral("Version"), QStringLiteral("2.4"));
    m_f->prompts.dialogHandlers.enqueue(clickReady);
    Root again;
    QVERIFY(again.start());
    QCOMPARE(m_f->prompts.callsOf(QStringLiteral("dialog")).size(), 1);
    QCOMPARE(stored(QStringLiteral("Version")).value_or(QVariant()).toString(), QStringLiteral("2.5"));
}

void TestRoot::startupOptionSkipsSplash()
{
    QVERIFY(RootFixture::seedQuietStart({{QStringLiteral("Path"), m_f->folder}}));
    SplashProbe probe;
    Root root;
    QVERIFY(startWatched(root, probe) >= 0);
    QVERIFY(!probe.shown);
}

void TestRoot::storedKindAndPicturePane_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("werbung");
    QTest::addColumn<int>("checkedKind");
    QTest::addColumn<bool>("pictureVisible");

    QTest::newRow("help projects") << QStringLiteral("3") << 0 << 3 << true;
    QTest::newRow("projects, picture hidden") << QStringLiteral("2") << 1 << 2 << false;
    QTest::newRow("number with junk reads its leading digits") << QStringLiteral("1x") << 0 << 1 << true;
    // Rename and the other commands need a kind; one out of range reads as 0.
    QTest::newRow("out of range reads as 0") << QStringLiteral("7") << 0 << 0 << true;
    QTest::newRow("negative reads as 0") << QStringLiteral("-1") << 0 << 0 << true;
}

void TestRoot::storedKindAndPicturePane()
{
    QVERIFY(RootFixture::seedQuietStart({{QStringLiteral("Path"), m_f->folder}}));
    QFETCH(QString, pattern);
    seed(QStringLiteral("Pattern"), pattern);
    QFETCH(int, werbung);
    seed(QStringLiteral("Werbung"), werbung);
    Root root;
    QVERIFY(root.start());
    QFETCH(int, checkedKind);
    QCOMPARE(root.checkedKind(), checkedKind);
    auto *background = root.findChild<QWidget *>(QStringLiteral("Background"));
    QFETCH(bool, pictureVisible);
    QCOMPARE(!background->isHidden(), pictureVisible);

    // The layout works on the client width plus the designed frame of 120
    // twips (8 pixels). Without the picture pane, list and editor are that
    // width less 400 twips (26.7 pixels) wide, with it less 3855 twips.
    const int client = root.width();
    auto *list = root.findChild<QWidget *>(QStringLiteral("Dateien"));
    auto *text = root.findChild<QWidget *>(QStringLiteral("Text"));
    if (background->isHidden()) {
        QCOMPARE(list->width(), client - 19);
        QCOMPARE(text->width(), client - 19);
    } else {
        QCOMPARE(list->width(), client - 249);
        QVERIFY(qAbs(background->x() - (list->width() + 11)) <= 1);
    }
}

void TestRoot::storedPlacementIsRestored()
{
    QVERIFY(RootFixture::seedQuietStart({{QStringLiteral("Path"), m_f->folder}}));
    seed(QStringLiteral("Left"), QStringLiteral("1500"));
    seed(QStringLiteral("Top"), QStringLiteral("750"));
    seed(QStringLiteral("Width"), QStringLiteral("9000"));
    // A third of a pixel more than 530 pixels.
    seed(QStringLiteral("Height"), QStringLiteral("7955"));
    Root root;
    QVERIFY(root.start());
    // Outer geometry, frame included, on the 800 x 600 offscreen screen.
    QTRY_COMPARE(root.frameGeometry(), QRect(100, 50, 600, 530));
    // Unchanged in size, the window stores its sizes exactly as read.
    root.mnubeenden();
    QCOMPARE(stored(QStringLiteral("Height"))->toString(), QStringLiteral("7955"));
    QCOMPARE(stored(QStringLiteral("Width"))->toString(), QStringLiteral("9000"));
    QCOMPARE(stored(QStringLiteral("Left"))->toString(), QStringLiteral("1500"));
}

void TestRoot::exitWritesFolderKindAndPlacement()
{
    QVERIFY(RootFixture::seedQuietStart({{QStringLiteral("Path"), m_f->folder}}));
    QVERIFY(m_f->startAsStored(false));
    Root &root = *m_f->root;
    action(root, QStringLiteral("mnuAnsicht_3"))->trigger();
    root.move(120, 90);
    root.resize(900, 700);
    const QRect frame = root.frameGeometry();
    QSignalSpy ended(&root, &Root::ended);
    action(root, QStringLiteral("mnubeenden"))->trigger();

    QCOMPARE(ended.size(), 1);
    QCOMPARE(stored(QStringLiteral("Path"))->toString(), m_f->folder);
    QCOMPARE(stored(QStringLiteral("Pattern"))->toString(), QStringLiteral("3"));
    QCOMPARE(stored(QStringLiteral("Last"))->toString(), QString());
    // The web view is off: 0, stored as a number.
    QCOMPARE(stored(QStringLiteral("Viewer"))->typeId(), QMetaType::UInt);
    // Placement of the outer window, in twips (15 a pixel).
    QCOMPARE(stored(QStringLiteral("Left"))->toString(), QStringLiteral("1800"));
    QCOMPARE(stored(QStringLiteral("Top"))->toString(), QStringLiteral("1350"));
    QCOMPARE(stored(QStringLiteral("Width"))->toString(), QString::number(frame.width() * 15));
    QCOMPARE(stored(QStringLiteral("Height"))->toString(), QString::number(frame.height() * 15));
    QVERIFY(!root.isVisible());
}

void TestRoot::exitFromMinimisedStoresNormalPlacement()
{
    QVERIFY(RootFixture::seedQuietStart({{QStringLiteral("Path"), m_f->folder}}));
    QVERIFY(m_f->startAsStored(false));
    Root &root = *m_f->root;
    root.move(150, 120);
    root.resize(800, 640);
    const QRect normal = root.frameGeometry();
    root.showMinimized();
    QTRY_VERIFY(root.isMinimized());
    root.mnubeenden();
    QVERIFY(!root.isMinimized());
    QCOMPARE(stored(QStringLiteral("Left"))->toString(), QStringLiteral("2250"));
    QCOMPARE(stored(QStringLiteral("Top"))->toString(), QStringLiteral("1800"));
    QCOMPARE(stored(QStringLiteral("Width"))->toString(), QString::number(normal.width() * 15));
    QCOMPARE(stored(QStringLiteral("Height"))->toString(), QString::number(normal.height() * 15));
}

void TestRoot::closingTheWindowRunsExit()
{
    QVERIFY(RootFixture::seedQuietStart({{QStringLiteral("Path"), m_f->folder}}));
    QVERIFY(m_f->startAsStored(false));
    Root &root = *m_f->root;
    action(root, QStringLiteral("mnuAnsicht_2"))->trigger();
    QSignalSpy ended(&root, &Root::ended);
    QVERIFY(root.close());
    QCOMPARE(ended.size(), 1);
    QVERIFY(!root.isVisible());
    QCOMPARE(stored(QStringLiteral("Pattern"))->toString(), QStringLiteral("2"));
}

void TestRoot::endingWithoutAskingKeepsTextAndValues()
{
    const QString path = m_f->put(QStringLiteral("Notiz.txt"), "notiz\r\n");
    QVERIFY(RootFixture::seedQuietStart({{QStringLiteral("Path"), m_f->folder}}));
    QVERIFY(m_f->startAsStored(false));
    Root &root = *m_f->root;
    root.move(120, 90);
    QTest::keyClicks(m_f->editor(), QStringLiteral("Hallo "));

    // A logout: no question, though the text is unsaved.
    QVERIFY(root.endWithoutAsking());
    QVERIFY(m_f->prompts.calls.isEmpty());
    QVERIFY(!root.endWithoutAsking());
    QCOMPARE(stored(QStringLiteral("Last"))->toString(), QStringLiteral("Notiz"));
    QCOMPARE(stored(QStringLiteral("Left"))->toString(), QStringLiteral("1800"));
    QCOMPARE(bytesOf(path), QByteArray("notiz\r\n"));

    // Whatever runs after it, the next start offers the text back.
    m_f->root.reset();
    m_f->prompts.messageAnswers.enqueue(Prompts::Answer::Yes);
    QVERIFY(m_f->startAsStored(false));
    QCOMPARE(m_f->prompts.callsOf(QStringLiteral("message")).size(), 1);
    QCOMPARE(m_f->shownText(), QStringLiteral("Hallo notiz\n"));
    QVERIFY(m_f->state().mChange);
}

void TestRoot::commandLineFolderIsNotStored_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("chosen"); // in the folder chooser; empty: cancelled

    QTest::newRow("existing folder") << true << QString();
    QTest::newRow("missing folder, chooser cancelled") << false << QString();
    QTest::newRow("missing folder, another chosen") << false << QStringLiteral("Gewählt");
}

void TestRoot::commandLineFolderIsNotStored()
{
    QFETCH(bool, exists);
    QFETCH(QString, chosen);
    QVERIFY(RootFixture::seedQuietStart({{QStringLiteral("Path"), m_f->folder}}));
    const QString other = m_f->env.path(QStringLiteral("Beispiele"));
    if (exists) {
        QDir().mkpath(other);
    }
    if (!chosen.isEmpty()) {
        chosen = m_f->env.path(chosen);
        QDir().mkpath(chosen);
    }
    m_f->prompts.folderAnswers.enqueue(chosen);
    Root root(RootOptions{other});
    QVERIFY(root.start());
    // A folder given for this run is used without asking, even on a first run.
    QCOMPARE(m_f->prompts.callsOf(QStringLiteral("folder")).size(), exists ? 0 : 1);
    QCOMPARE(root.documentFolder(), exists ? other : chosen);
    root.mnubeenden();
    // Neither that folder nor the lack of one replaces the stored folder.
    QCOMPARE(stored(QStringLiteral("Path")).value_or(QVariant()).toString(), chosen.isEmpty() ? m_f->folder : chosen);
}

void TestRoot::storedFolderThatIsAFileIsChosenAnew()
{
    seed(QStringLiteral("Version"), QStringLiteral("2.5"));
    seed(QStringLiteral("Startup"), 1);
    const QString file = m_f->env.writeFile(QStringLiteral("Dokumente.txt"), "kein Ordner\r\n");
    seed(QStringLiteral("Path"), file);
    m_f->prompts.folderAnswers.enqueue(m_f->folder);
    Root root;
    QVERIFY(root.start());
    QCOMPARE(m_f->prompts.callsOf(QStringLiteral("folder")).size(), 1);
    QCOMPARE(root.documentFolder(), m_f->folder);
}

void TestRoot::editorFontFromDataFile()
{
    QVERIFY(RootFixture::seedQuietStart({{QStringLiteral("Path"), m_f->folder}}));
    const QString data = AppPaths::dataFile();
    QVERIFY(IniFiles::WriteINI(data, QStringLiteral("0"), QStringLiteral("ForeColor"), QStringLiteral("255")));
    QVERIFY(
        IniFiles::WriteINI(data, QStringLiteral("0"), QStringLiteral("FontName"), QStringLiteral("DejaVu Sans Mono")));
    QVERIFY(IniFiles::WriteINI(data, QStringLiteral("0"), QStringLiteral("FontSize"), QStringLiteral("13,5")));
    QVERIFY(IniFiles::WriteINI(data, QStringLiteral("0"), QStringLiteral("FontBold"), QStringLiteral("Wahr")));
    QVERIFY(IniFiles::WriteINI(data, QStringLiteral("0"), QStringLiteral("FontItalic"), QStringLiteral("-1")));
    QVERIFY(IniFiles::WriteINI(data, QStringLiteral("0"), QStringLiteral("FontUnderline"), QString()));
    Root root;
    QVERIFY(root.start());
    auto *text = root.findChild<QPlainTextEdit *>(QStringLiteral("Text"));
    QCOMPARE(text->font().family(), QStringLiteral("DejaVu Sans Mono"));
    QCOMPARE(text->font().pointSizeF(), 13.5);
    QVERIFY(text->font().bold());
    QVERIFY(text->font().italic());
    QVERIFY(!text->font().underline());
    QCOMPARE(text->palette().color(QPalette::Text), QColor(255, 0, 0));
}

void TestRoot::highlightSwitchIsKept()
{
    QVERIFY(RootFixture::seedQuietStart({{QStringLiteral("Path"), m_f->folder}}));
    seed(QStringLiteral("Pattern"), QStringLiteral("1"));
    QFile module(m_f->folder + QStringLiteral("/Modul.bas"));
    QVERIFY(module.open(QIODevice::WriteOnly));
    module.write("Option Explicit\r\nDim x As Long\r\n");
    module.close();
    const QString fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    {
        Root root;
        QVERIFY(root.start());
        auto *text = root.findChild<CodeEditor *>(QStringLiteral("Text"));
        QVERIFY(text);
        QVERIFY(text->isCodeView());
        // No font chosen yet: code shows in the fixed-pitch font.
        QCOMPARE(text->font().family(), fixed);
        // The entry comes last in the view menu, on by default.
        const QList<QAction *> entries = root.findChild<QMenu *>(QStringLiteral("mnuAnsichtMenü"))->actions();
        QAction *entry = entries.constLast();
        QCOMPARE(entry->objectName(), QStringLiteral("mnuSyntaxhervorhebung"));
        QCOMPARE(entry->text(), QStringLiteral("&Syntaxhervorhebung"));
        QVERIFY(entry->isChecked());
        QCOMPARE(entries.at(0)->objectName(), QStringLiteral("mnuAnsicht_0"));
        entry->trigger();
        QVERIFY(!text->isCodeView());
        QCOMPARE(stored(QStringLiteral("Highlight")).value_or(QVariant()).toInt(), 0);
        // Help documents never show as code.
        action(root, QStringLiteral("mnuAnsicht_0"))->trigger();
        entry->trigger();
        QVERIFY(!text->isCodeView());
        QCOMPARE(text->font().family(), QApplication::font().family());
        entry->trigger();
        root.mnubeenden();
    }
    Root root;
    QVERIFY(root.start());
    QVERIFY(!action(root, QStringLiteral("mnuSyntaxhervorhebung"))->isChecked());
    action(root, QStringLiteral("mnuAnsicht_1"))->trigger();
    QVERIFY(!root.findChild<CodeEditor *>(QStringLiteral("Text"))->isCodeView());
}

void TestRoot::damagedStoreStartsWithDefaults_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("binary junk") << QByteArray("\x00\xff\xfe[HKEY\x01\"Path\"=\"", 18);
    QTest::newRow("truncated mid-value") << QByteArray(
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Tivorn\\Quandel "
        "Library]\n\"Version\"=\"2.5\"\n\"Startup\"=dword:00000001\n\"Path\"=\"/nowh");
}

void TestRoot::damagedStoreStartsWithDefaults()
{
    QFETCH(QByteArray, content);
    const QString file = Registry::storeFile();
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(content);
    out.close();

    m_f->prompts.dialogHandlers.enqueue(clickReady);
    m_f->prompts.folderAnswers.enqueue(QString()); // the stored folder is lost with the rest
    Root root;
    QVERIFY(root.start());
    QVERIFY(root.isVisible());
    QCOMPARE(root.checkedKind(), 0);
    root.mnubeenden();
    // What could be read survives the rewrite, and the new values are there.
    QCOMPARE(stored(QStringLiteral("Version"))->toString(), QStringLiteral("2.5"));
    QVERIFY(stored(QStringLiteral("Pattern")));
}

void TestRoot::unwritableSettingsFolderStillStarts()
{
    // A file where the settings folder should be: nothing can be stored.
    const QString blocked = m_f->env.writeFile(QStringLiteral("blocked"), "not a folder");
    Registry::setStoreFile(blocked + QStringLiteral("/registry.reg"));
    m_f->prompts.dialogHandlers.enqueue(clickReady);
    Root root(RootOptions{m_f->folder});
    QVERIFY(root.start());
    QVERIFY(root.isVisible());
    QSignalSpy ended(&root, &Root::ended);
    root.mnubeenden();
    QCOMPARE(ended.size(), 1);
    QFile check(blocked);
    QVERIFY(check.open(QIODevice::ReadOnly));
    QCOMPARE(check.readAll(), QByteArray("not a folder"));
}

void TestRoot::minimumSizeIsEnforced()
{
    QVERIFY(RootFixture::seedQuietStart({{QStringLiteral("Path"), m_f->folder}}));
    QVERIFY(m_f->startAsStored(false));
    Root &root = *m_f->root;
    root.resize(400, 333); // 6000 x 5000 twips
    // The minimum outer size 8560 x 7810 twips less the designed frame of
    // 120 x 750 twips: a client area of 563 x 471 pixels below the menu bar.
    QTRY_COMPARE(root.size(), QSize(563, 471 + root.menuBar()->height()));
    // The web view always lies exactly over the editor.
    auto *text = root.findChild<QWidget *>(QStringLiteral("Text"));
    auto *web = root.findChild<QWidget *>(QStringLiteral("WebBrowser"));
    QCOMPARE(web->geometry(), text->geometry());
    QVERIFY(text->height() > 0);
}

void TestRoot::pictureRightClickTogglesWebView()
{
    QVERIFY(RootFixture::seedQuietStart({{QStringLiteral("Path"), m_f->folder}}));
    QVERIFY(m_f->startAsStored(false));
    Root &root = *m_f->root;
    auto *pane = root.findChild<QWidget *>(QStringLiteral("Background"));
    QAction *web = action(root, QStringLiteral("mnuWebansicht"));
    QVERIFY(!web->isChecked());
    QTest::mouseClick(pane, Qt::RightButton);
    QVERIFY(web->isChecked());
    QTest::mouseClick(pane, Qt::LeftButton);
    QVERIFY(web->isChecked());
    QTest::mouseClick(pane->findChild<QWidget *>(QStringLiteral("Pictures")), Qt::RightButton);
    QVERIFY(!web->isChecked());

    action(root, QStringLiteral("mnuAnsicht_1"))->trigger();
    QTest::mouseClick(pane, Qt::RightButton);
    QVERIFY(!web->isChecked());
}

void TestRoot::procedureListAndGoToLine()
{
    QString module = QStringLiteral("Attribute VB_Name = \"Rechnen\"\r\nOption Explicit\r\n");
    for (int i = 0; i < 40; ++i) {
        module +=
            QStringLiteral("Public Function F%1(ByVal n As Long) As Long\r\n    F%1 = n * %1\r\nEnd Function\r\n\r\n")
                .arg(i);
    }
    m_f->put(QStringLiteral("Rechnen.bas"), module.toLatin1());
    QVERIFY(m_f->start(DocumentKinds::ClassesAndModules));
    Root &root = *m_f->root;
    auto *box = root.findChild<ProcedureBox *>();
    auto *combo = root.findChild<QComboBox *>(QStringLiteral("Prozedur"));
    QPlainTextEdit *editor = m_f->editor();
    QVERIFY(box && combo);
    QTRY_VERIFY(box->isVisible() && box->isCurrent());
    QCOMPARE(combo->count(), 41);
    QCOMPARE(combo->itemText(0), QStringLiteral("(Allgemein)"));
    QCOMPARE(combo->itemText(3), QStringLiteral("Function F2"));
    QCOMPARE(combo->accessibleName(), QStringLiteral("Prozedur"));
    // Above the editor, as wide as it, the editor right below.
    QCOMPARE(box->geometry().left(), editor->geometry().left());
    QCOMPARE(box->geometry().width(), editor->geometry().width());
    QVERIFY(box->geometry().bottom() < editor->geometry().top());
    QVERIFY(editor->geometry().top() - box->geometry().bottom() <= 2);

    // Keys on the box choose at once; the cursor goes to the first line.
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_End);
    QCOMPARE(editor->textCursor().blockNumber(), 2 + 39 * 4);
    QTest::keyClick(combo, Qt::Key_Up);
    QCOMPARE(editor->textCursor().blockNumber(), 2 + 38 * 4);
    // The cursor's procedure shows in the box.
    QTextCursor cursor(editor->document()->findBlockByNumber(2 + 5 * 4 + 1));
    editor->setTextCursor(cursor);
    QCOMPARE(combo->currentText(), QStringLiteral("Function F5"));
    editor->moveCursor(QTextCursor::Start);
    QCOMPARE(combo->currentText(), QStringLiteral("(Allgemein)"));

    // It follows what is typed.
    editor->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor, QStringLiteral("Private Sub Neu()"));
    QTRY_COMPARE(combo->count(), 42);
    QCOMPARE(combo->itemText(41), QStringLiteral("Sub Neu"));
    QCOMPARE(combo->currentText(), QStringLiteral("Sub Neu"));

    // Gehe zu Zeile refuses what is no line of the text, in the dialog.
    const int lines = editor->document()->blockCount();
    QStringList refused;
    m_f->prompts.dialogHandlers.enqueue([&refused, lines](QDialog &dialog) {
        auto *line = dialog.findChild<QLineEdit *>(QStringLiteral("TZeile"));
        auto *ok = dialog.findChild<QPushButton *>(QStringLiteral("BReady"));
        for (const QString &text :
             {QStringLiteral("0"), QString::number(lines + 1), QStringLiteral("-3"), QStringLiteral("x"), QString()}) {
            line->setText(text);
            ok->click();
            if (!ok->isEnabled() && dialog.result() != QDialog::Accepted) {
                refused.append(text);
            }
        }
        line->setText(QStringLiteral("100"));
        ok->click();
        return dialog.result();
    });
    m_f->run(QStringLiteral("mnuGeheZuZeile"));
    QCOMPARE(refused.size(), 5);
    QCOMPARE(editor->textCursor().blockNumber(), 99);
    QVERIFY(editor->viewport()->rect().contains(editor->cursorRect()));
    QCOMPARE(combo->currentText(), QStringLiteral("Function F24"));

    // Help documents show no procedure list: the editor has its place back.
    const QRect whole = box->geometry().united(editor->geometry());
    m_f->root->library()->state().mChange = false;
    m_f->run(QStringLiteral("mnuAnsicht_0"));
    QTRY_VERIFY(!box->isVisible());
    QCOMPARE(editor->geometry(), whole);
}

// Tests and the accessibility tree find entries by their object names: each
// command's entry carries its name, and no other entry does.
void TestRoot::eachCommandHasOneEntryOfItsName()
{
    QVERIFY(RootFixture::seedQuietStart({{QStringLiteral("Path"), m_f->folder}}));
    QVERIFY(m_f->start());
    for (int i = 0; i < CommandCount; ++i) {
        const QString name = commandObjectName(Command(i));
        QCOMPARE(m_f->root->findChildren<QAction *>(name).size(), 1);
    }
}

QTEST_MAIN(TestRoot)
#include "tst_root.moc"
