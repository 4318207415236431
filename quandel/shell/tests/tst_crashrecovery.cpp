// The whole journey of unsaved text through a crash, with the real program
// on a private X server, driven by real keys (XTEST through xdotool): type,
// wait, kill -9, start again, restore, save, compare.

#include "AppPaths.h"
#include "ProductInfo.h"
#include "Recovery.h"
#include "Registry.h"
#include "TestEnvironment.h"
#include "TextFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

#include <csignal>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Runs a program to its end; its standard output, empty on failure.
QString run(const QProcessEnvironment &env, const QString &program, const QStringList &arguments, int timeoutMs = 20000)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs) || process.exitCode() != 0) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

std::optional<RecoveryRecord> keptText()
{
    const QDir folder(AppPaths::stateFolder());
    const QStringList files = folder.entryList({u"*.qrec"_s}, QDir::Files);
    if (files.size() != 1) {
        return std::nullopt;
    }
    QFile file(folder.filePath(files.first()));
    return file.open(QIODevice::ReadOnly) ? RecoveryRecord::parse(file.readAll()) : std::nullopt;
}

// Ends a child process for good when the test leaves early.
struct Child
{
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    ~Child()
    {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
};

} // namespace

class TestCrashRecovery final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void typedTextSurvivesKillMinusNine();

private:
    bool startDisplay();
    bool startQuandel(Child &quandel);
    QString waitForWindow(const QString &name, int timeoutMs = 20000) const;
    void keys(const QStringList &arguments) const;

    std::unique_ptr<TestEnvironment> m_env;
    Child m_xvfb;
    Child m_windowManager;
    QProcessEnvironment m_childEnv;
    QString m_folder;
};

bool TestCrashRecovery::startDisplay()
{
    const QString xvfb = QStandardPaths::findExecutable(u"Xvfb"_s);
    const QString xdotool = QStandardPaths::findExecutable(u"xdotool"_s);
    if (xvfb.isEmpty() || xdotool.isEmpty()) {
        return false;
    }
    // The server picks a free display itself and tells its number.
    m_xvfb.process->start(xvfb,
                          {u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s, u"1280x1024x24"_s, u"-nolisten"_s, u"tcp"_s});
    QElapsedTimer clock;
    clock.start();
    QString display;
    while (display.isEmpty() && clock.elapsed() < 20000 && m_xvfb.process->state() != QProcess::NotRunning) {
        m_xvfb.process->waitForReadyRead(500);
        const QString out = QString::fromLatin1(m_xvfb.process->readAllStandardOutput()).trimmed();
        if (!out.isEmpty()) {
            display = u':' + out;
        }
    }
    if (display.isEmpty()) {
        return false;
    }
    m_childEnv = QProcessEnvironment::systemEnvironment();
    m_childEnv.insert(u"DISPLAY"_s, display);
    m_childEnv.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    m_childEnv.remove(u"WAYLAND_DISPLAY"_s);
    // A window manager gives the windows their focus as on a desktop.
    const QString openbox = QStandardPaths::findExecutable(u"openbox"_s);
    if (!openbox.isEmpty()) {
        m_windowManager.process->setProcessEnvironment(m_childEnv);
        m_windowManager.process->start(openbox, {u"--sm-disable"_s});
        QThread::msleep(500);
    }
    return true;
}

bool TestCrashRecovery::startQuandel(Child &quandel)
{
    const QString program = qEnvironmentVariable("QUANDEL_BIN_DIR") + u"/quandel"_s;
    quandel.process->setProcessEnvironment(m_childEnv);
    quandel.process->setProcessChannelMode(QProcess::ForwardedChannels);
    quandel.process->start(program, {m_folder});
    return quandel.process->waitForStarted(10000);
}

QString TestCrashRecovery::waitForWindow(const QString &name, int timeoutMs) const
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        const QString found = run(m_childEnv, u"xdotool"_s, {u"search"_s, u"--onlyvisible"_s, u"--name"_s, name});
        if (!found.isEmpty()) {
            return found.split(u'\n').last();
        }
        QThread::msleep(200);
    }
    return {};
}

void TestCrashRecovery::keys(const QStringList &arguments) const
{
    run(m_childEnv, u"xdotool"_s, arguments);
    // The program reads the keys from its own event queue.
    QThread::msleep(300);
}

void TestCrashRecovery::typedTextSurvivesKillMinusNine()
{
    m_env = std::make_unique<TestEnvironment>();
    // The program started below knows nothing of the test mode: the key
    // store is written where it looks.
    QStandardPaths::setTestModeEnabled(false);
    Registry::setStoreFile(AppPaths::registryFile());
    m_folder = m_env->path(u"Dokumente"_s);
    const QString document = m_env->writeFile(u"Dokumente/Notiz.txt"_s, "notiz\r\n");
    const QString key = ProductInfo::registryKey();
    QVERIFY(Registry::CreateRegKey(Registry::Root::CurrentUser, key, u"1"_s));
    QVERIFY(Registry::SetRegValue(Registry::Root::CurrentUser, key, u"Version"_s, ProductInfo::versionText()));
    QVERIFY(Registry::SetRegValue(Registry::Root::CurrentUser, key, u"Startup"_s, 1));
    QVERIFY(Registry::SetRegValue(Registry::Root::CurrentUser, key, u"Pattern"_s, u"0"_s));
    if (!startDisplay()) {
        QSKIP("needs Xvfb and xdotool");
    }

    // Type into the editor and wait for the text to be kept.
    Child first;
    QVERIFY(startQuandel(first));
    const QString window = waitForWindow(ProductInfo::windowCaption());
    QVERIFY2(!window.isEmpty(), "the main window did not appear");
    keys({u"windowactivate"_s, u"--sync"_s, window});
    keys({u"key"_s, u"--clearmodifiers"_s, u"Tab"_s});
    keys({u"key"_s, u"--clearmodifiers"_s, u"ctrl+Home"_s});
    keys({u"type"_s, u"--delay"_s, u"30"_s, u"Hallo Welt "_s});
    QTRY_VERIFY_WITH_TIMEOUT(keptText().has_value(), 15000);
    const RecoveryRecord before = *keptText();
    QCOMPARE(before.text, u"Hallo Welt notiz\n"_s);
    QCOMPARE(before.path, document);

    ::kill(static_cast<pid_t>(first.process->processId()), SIGKILL);
    QVERIFY(first.process->waitForFinished(10000));
    QCOMPARE(first.process->exitStatus(), QProcess::CrashExit);
    QCOMPARE(QFile(document).size(), 7); // nothing of it was saved

    // Start again: the question comes; Enter takes its default, Yes.
    Child second;
    QVERIFY(startQuandel(second));
    QElapsedTimer clock;
    clock.start();
    QString question;
    while (question.isEmpty() && clock.elapsed() < 20000) {
        // The question is a dialog of its own over the main window.
        const QString all =
            run(m_childEnv, u"xdotool"_s, {u"search"_s, u"--onlyvisible"_s, u"--name"_s, ProductInfo::windowCaption()});
        const QStringList windows = all.isEmpty() ? QStringList() : all.split(u'\n');
        if (windows.size() >= 2) {
            question = windows.last();
        }
        QThread::msleep(200);
    }
    QVERIFY2(!question.isEmpty(), "no question about the unsaved text");
    keys({u"windowactivate"_s, u"--sync"_s, question});
    keys({u"key"_s, u"--clearmodifiers"_s, u"Return"_s});

    // Restored as unsaved changes of the document: Ctrl+S writes them there.
    const QString main = waitForWindow(ProductInfo::windowCaption());
    QVERIFY(!main.isEmpty());
    keys({u"windowactivate"_s, u"--sync"_s, main});
    keys({u"key"_s, u"--clearmodifiers"_s, u"ctrl+s"_s});
    TextFormat format;
    QTRY_COMPARE_WITH_TIMEOUT(QFile(document).size(), qint64(TextFile::encode(before.text, format).size()), 10000);
    QFile saved(document);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("Hallo Welt notiz\r\n"));
    // Saved: no recovery file is left, neither the old nor a new one.
    QTRY_COMPARE_WITH_TIMEOUT(QDir(AppPaths::stateFolder()).entryList({u"*.qrec"_s}, QDir::Files), QStringList(), 5000);

    keys({u"key"_s, u"--clearmodifiers"_s, u"alt+q"_s});
    second.process->waitForFinished(10000);
}

QTEST_GUILESS_MAIN(TestCrashRecovery)
#include "tst_crashrecovery.moc"
