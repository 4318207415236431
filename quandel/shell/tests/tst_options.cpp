#include "DocumentLibrary.h"
#include "Optionen.h"
#include "Registry.h"
#include "RootFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

const QString Key = QStringLiteral("Software\\Tivorn\\Quandel Library");
const Registry::Root User = Registry::Root::CurrentUser;

std::optional<uint> stored(const QString &name)
{
    QVariant value;
    if (Registry::QueryRegValue(User, Key, name, value) && value.typeId() == QMetaType::UInt) {
        return value.toUInt();
    }
    return std::nullopt;
}

// Runs the options dialog from the menu and lets handler drive it.
void runOptions(Root &root, ScriptedPrompts &prompts, std::function<void(Optionen &)> handler)
{
    prompts.dialogHandlers.enqueue([handler = std::move(handler)](QDialog &dialog) {
        auto *options = qobject_cast<Optionen *>(&dialog);
        if (!options) {
            return -1;
        }
        handler(*options);
        return dialog.result();
    });
    root.findChild<QAction *>(QStringLiteral("mnuoptionen"))->trigger();
}

void click(Optionen &dialog, const QString &button)
{
    dialog.findChild<QPushButton *>(button)->click();
}

} // namespace

class TestOptions final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void firstOpeningShowsDefaults();
    void okRightAfterOpeningWritesAllEight();
    void recycleBoxCannotBeCleared();
    void cancelWritesNothing();
    void okKeepsWhatAnotherInstanceChanged();
    void hidingThePictureWidensListAndEditor();
    void storedValuesAreShownAgain();
    void helpButtonOpensTopicSeven();
    void tickReachesTheMenuWithin200ms();

private:
    std::unique_ptr<RootFixture> m_f;
};

void TestOptions::init()
{
    m_f = std::make_unique<RootFixture>();
    // Start-up without the splash; Startup is written by the dialog later, so
    // it is removed again to keep the first opening a fresh one.
    QVERIFY(m_f->start());
    QVERIFY(Registry::DeleteRegValue(User, Key, QStringLiteral("Startup")));
}

void TestOptions::cleanup()
{
    m_f.reset();
}

void TestOptions::firstOpeningShowsDefaults()
{
    QHash<QString, bool> shown;
    QString caption;
    runOptions(*m_f->root, m_f->prompts, [&](Optionen &dialog) {
        caption = dialog.windowTitle();
        for (const Optionen::Box &box : Optionen::Boxes) {
            const QString name = QString::fromUtf16(box.name);
            shown.insert(name, dialog.box(name)->isChecked());
        }
        click(dialog, QStringLiteral("BAbbrechen"));
    });
    QCOMPARE(caption, QStringLiteral(" Einstellungen"));
    const QHash<QString, bool> expected = {
        {QStringLiteral("BTextIndex"), false}, {QStringLiteral("BRecycle"), true},
        {QStringLiteral("BLinkCheck"), true},  {QStringLiteral("BLinkError"), true},
        {QStringLiteral("BStartup"), false},   {QStringLiteral("BToolTips"), true},
        {QStringLiteral("BWerbung"), false},   {QStringLiteral("BStatusText"), true}};
    QCOMPARE(shown, expected);
}

void TestOptions::okRightAfterOpeningWritesAllEight()
{
    runOptions(*m_f->root, m_f->prompts, [](Optionen &dialog) { click(dialog, QStringLiteral("BReady")); });
    const std::pair<const char *, uint> expected[] = {{"TextIndex", 0}, {"Recycle", 1},   {"LinkCheck", 1},
                                                      {"LinkError", 1}, {"Startup", 0},   {"ToolTips", 1},
                                                      {"Werbung", 0},   {"StatusText", 1}};
    for (const auto &[name, value] : expected) {
        QCOMPARE(stored(QString::fromLatin1(name)), std::optional<uint>(value));
    }
}

void TestOptions::recycleBoxCannotBeCleared()
{
    bool checkedAfterClicks = false;
    runOptions(*m_f->root, m_f->prompts, [&](Optionen &dialog) {
        QCheckBox *recycle = dialog.box(QStringLiteral("BRecycle"));
        recycle->click();
        recycle->click();
        recycle->click();
        checkedAfterClicks = recycle->isChecked();
        click(dialog, QStringLiteral("BReady"));
    });
    QVERIFY(checkedAfterClicks);
    QCOMPARE(stored(QStringLiteral("Recycle")), std::optional<uint>(1));
}

void TestOptions::cancelWritesNothing()
{
    const QByteArray before = [] {
        QFile f(Registry::storeFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    runOptions(*m_f->root, m_f->prompts, [](Optionen &dialog) {
        for (const Optionen::Box &box : Optionen::Boxes) {
            dialog.box(QString::fromUtf16(box.name))->click();
        }
        click(dialog, QStringLiteral("BAbbrechen"));
    });
    QFile after(Registry::storeFile());
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), before);
    QVERIFY(!stored(QStringLiteral("TextIndex")));
}

// Two programs running: an untouched Ok in one undid the other's change.
void TestOptions::okKeepsWhatAnotherInstanceChanged()
{
    QVERIFY(Registry::SetRegValue(User, Key, QStringLiteral("ToolTips"), 1));
    QVERIFY(Registry::SetRegValue(User, Key, QStringLiteral("TextIndex"), 0));
    runOptions(*m_f->root, m_f->prompts, [](Optionen &dialog) {
        // Meanwhile the other program changes a stored value and stores one
        // this dialog shows as its default.
        QVERIFY(Registry::SetRegValue(User, Key, QStringLiteral("ToolTips"), 0));
        QVERIFY(Registry::SetRegValue(User, Key, QStringLiteral("Werbung"), 1));
        dialog.box(QStringLiteral("BTextIndex"))->click();
        click(dialog, QStringLiteral("BReady"));
    });
    QCOMPARE(stored(QStringLiteral("ToolTips")), std::optional<uint>(0));
    QCOMPARE(stored(QStringLiteral("Werbung")), std::optional<uint>(1));
    QCOMPARE(stored(QStringLiteral("TextIndex")), std::optional<uint>(1));
    QCOMPARE(stored(QStringLiteral("LinkCheck")), std::optional<uint>(1));
}

void TestOptions::hidingThePictureWidensListAndEditor()
{
    runOptions(*m_f->root, m_f->prompts, [](Optionen &dialog) {
        dialog.box(QStringLiteral("BWerbung"))->click();
        click(dialog, QStringLiteral("BReady"));
    });
    QVERIFY(m_f->root->findChild<QWidget *>(QStringLiteral("Background"))->isHidden());
    // W - 400 twips, W being the client width plus the designed frame of
    // 120 twips: 280 twips are 18.7 pixels at 96 dpi.
    const int client = m_f->root->width();
    QCOMPARE(m_f->root->findChild<QWidget *>(QStringLiteral("Dateien"))->width(), client - 19);
    QCOMPARE(m_f->root->findChild<QWidget *>(QStringLiteral("Text"))->width(), client - 19);
    QCOMPARE(stored(QStringLiteral("Werbung")), std::optional<uint>(1));
    // The status line stays hidden whatever the option says.
    QVERIFY(m_f->root->findChild<QWidget *>(QStringLiteral("LStatus"))->isHidden());

    runOptions(*m_f->root, m_f->prompts, [](Optionen &dialog) {
        dialog.box(QStringLiteral("BWerbung"))->click();
        click(dialog, QStringLiteral("BReady"));
    });
    QVERIFY(!m_f->root->findChild<QWidget *>(QStringLiteral("Background"))->isHidden());
}

void TestOptions::storedValuesAreShownAgain()
{
    runOptions(*m_f->root, m_f->prompts, [](Optionen &dialog) {
        dialog.box(QStringLiteral("BStatusText"))->click();
        dialog.box(QStringLiteral("BTextIndex"))->click();
        click(dialog, QStringLiteral("BReady"));
    });
    QCOMPARE(stored(QStringLiteral("StatusText")), std::optional<uint>(0));
    bool statusText = true;
    bool textIndex = false;
    runOptions(*m_f->root, m_f->prompts, [&](Optionen &dialog) {
        statusText = dialog.box(QStringLiteral("BStatusText"))->isChecked();
        textIndex = dialog.box(QStringLiteral("BTextIndex"))->isChecked();
        click(dialog, QStringLiteral("BAbbrechen"));
    });
    QVERIFY(!statusText);
    QVERIFY(textIndex);
}

void TestOptions::helpButtonOpensTopicSeven()
{
    runOptions(*m_f->root, m_f->prompts, [](Optionen &dialog) {
        click(dialog, QStringLiteral("BHilfe"));
        click(dialog, QStringLiteral("BAbbrechen"));
    });
    // The tests lie in the program folder, beside brenlow and the help.
    const auto starts = m_f->shell.requestsOf(QStringLiteral("start"));
    QVERIFY2(m_f->prompts.callsOf(QStringLiteral("message")).isEmpty(), "the viewer and the help content are found");
    QCOMPARE(starts.size(), 1);
    QVERIFY(starts.first().arguments.constLast().endsWith(QStringLiteral("Quandel.chf,7")));
}

void TestOptions::tickReachesTheMenuWithin200ms()
{
    QAction *webView = m_f->root->findChild<QAction *>(QStringLiteral("mnuWebansicht"));
    QAction *selectAll = m_f->root->findChild<QAction *>(QStringLiteral("mnumarkieren"));
    auto *timer = m_f->root->findChild<QTimer *>(QStringLiteral("Timer1"));
    QVERIFY(timer && timer->isActive());
    QCOMPARE(timer->interval(), 200);
    // The spy is connected after the window's tick, so one beat it sees is
    // one tick that ran after the change.
    QSignalSpy beats(timer, &QTimer::timeout);
    const auto oneTick = [&beats] {
        beats.clear();
        return beats.wait(10000);
    };
    QTRY_VERIFY(webView->isEnabled()); // help documents are shown
    m_f->root->findChild<QAction *>(QStringLiteral("mnuAnsicht_1"))->trigger();
    QVERIFY(oneTick());
    QVERIFY(!webView->isEnabled());

    auto *text = m_f->root->findChild<QPlainTextEdit *>(QStringLiteral("Text"));
    text->setPlainText(QString());
    QVERIFY(oneTick());
    QVERIFY(!selectAll->isEnabled());
    text->setPlainText(QStringLiteral("Text"));
    QVERIFY(oneTick());
    QVERIFY(selectAll->isEnabled());
}

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
