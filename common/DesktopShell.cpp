#include "DesktopShell.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStorageInfo>

#include <pwd.h>
#include <unistd.h>

namespace {

Shell *g_installedShell = nullptr;

// xdg-open hands the file to the desktop's default application and returns;
// its exit status tells whether that worked (no application, no desktop ...).
bool runXdgOpen(const QString &target, QString *error)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (program.isEmpty()) {
        if (error) {
            *error = QStringLiteral("Das Programm xdg-open ist nicht installiert.");
        }
        return false;
    }
    // Some desktops keep xdg-open running until the application is up: such a
    // process lives on, owned by the application, and cleans itself up.
    auto *process = new QProcess(QCoreApplication::instance());
    process->setProgram(program);
    process->setArguments({target});
    process->setStandardInputFile(QProcess::nullDevice());
    process->start();
    if (!process->waitForStarted(5000)) {
        if (error) {
            *error = process->errorString();
        }
        delete process;
        return false;
    }
    if (!process->waitForFinished(5000)) {
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        return true;
    }
    const bool ok = process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
    if (!ok && error) {
        const QString detail = QString::fromLocal8Bit(process->readAllStandardError()).trimmed();
        *error = detail.isEmpty() ? QStringLiteral("Keine Anwendung konnte %1 öffnen.").arg(target) : detail;
    }
    delete process;
    return ok;
}

QString userName()
{
    const passwd *pw = getpwuid(getuid());
    return pw ? QString::fromLocal8Bit(pw->pw_name) : QString::fromLocal8Bit(qgetenv("USER"));
}

} // namespace

Shell &Shell::instance()
{
    static DesktopShell real;
    return g_installedShell ? *g_installedShell : real;
}

void Shell::setInstance(Shell *s)
{
    g_installedShell = s;
}

bool DesktopShell::moveToTrash(const QString &path, QString *error)
{
    QFile file(path);
    if (file.moveToTrash()) {
        return true;
    }
    if (error) {
        *error = file.errorString();
    }
    return false;
}

bool DesktopShell::openWithDefaultApplication(const QString &path, QString *error)
{
    if (!QFileInfo::exists(path)) {
        if (error) {
            *error = QStringLiteral("%1 ist nicht vorhanden.").arg(path);
        }
        return false;
    }
    return runXdgOpen(path, error);
}

bool DesktopShell::openUrl(const QUrl &url, QString *error)
{
    // A browser or mail program can take seconds to come up, and xdg-open
    // may wait for it: the window must not freeze meanwhile. The opener runs
    // on its own; a failure it reports later is only logged, web links have
    // no message of their own.
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (program.isEmpty()) {
        if (error) {
            *error = QStringLiteral("Das Programm xdg-open ist nicht installiert.");
        }
        return false;
    }
    const QString target = url.toString(QUrl::FullyEncoded);
    auto *process = new QProcess(QCoreApplication::instance());
    process->setProgram(program);
    process->setArguments({target});
    process->setStandardInputFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::errorOccurred, process, [process](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) {
            qWarning("xdg-open did not start: %s", qPrintable(process->errorString()));
            process->deleteLater();
        }
    });
    QObject::connect(process, &QProcess::finished, process, [process, target](int code, QProcess::ExitStatus status) {
        if (status != QProcess::NormalExit || code != 0) {
            qWarning("No application could open %s: %s", qPrintable(target),
                     qPrintable(QString::fromLocal8Bit(process->readAllStandardError()).trimmed()));
        }
        process->deleteLater();
    });
    process->start();
    return true;
}

QString DesktopShell::specialFolder(SpecialFolder folder)
{
    return QStandardPaths::writableLocation(folder == SpecialFolder::Desktop ? QStandardPaths::DesktopLocation
                                                                             : QStandardPaths::DocumentsLocation);
}

QString DesktopShell::removableVolume()
{
    const QString user = userName();
    const QStringList bases = {QStringLiteral("/media/") + user + u'/', QStringLiteral("/run/media/") + user + u'/'};
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady() || volume.isReadOnly()) {
            continue;
        }
        const QString root = volume.rootPath() + u'/';
        for (const QString &base : bases) {
            if (root.startsWith(base)) {
                return volume.rootPath();
            }
        }
    }
    return {};
}

bool DesktopShell::showProperties(const QString &path)
{
    const QString service = QStringLiteral("org.freedesktop.FileManager1");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) {
        return false;
    }
    // A file manager that implements the interface may be started on demand.
    const QStringList activatable = bus.interface()->activatableServiceNames();
    if (!bus.interface()->isServiceRegistered(service) && !activatable.contains(service)) {
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/FileManager1"),
                                                       service, QStringLiteral("ShowItemProperties"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

bool DesktopShell::startDetached(const QString &program, const QStringList &arguments, QString *error)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    qint64 pid = 0;
    if (process.startDetached(&pid)) {
        return true;
    }
    if (error) {
        *error = process.errorString();
    }
    return false;
}
