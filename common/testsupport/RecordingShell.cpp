#include "RecordingShell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

RecordingShell::RecordingShell()
{
    Shell::setInstance(this);
}

RecordingShell::~RecordingShell()
{
    Shell::setInstance(nullptr);
}

QList<RecordingShell::Request> RecordingShell::requestsOf(const QString &kind) const
{
    QList<Request> result;
    for (const Request &request : requests) {
        if (request.kind == kind) {
            result.append(request);
        }
    }
    return result;
}

bool RecordingShell::moveToTrash(const QString &path, QString *error)
{
    requests.append({QStringLiteral("trash"), path, {}});
    if (!succeed) {
        if (error) {
            *error = QStringLiteral("Der Papierkorb ist nicht verfügbar.");
        }
        return false;
    }
    if (removeOnTrash) {
        const QFileInfo info(path);
        if (info.isDir() && !info.isSymLink()) {
            QDir(path).removeRecursively();
        } else {
            QFile::remove(path);
        }
    }
    return true;
}

bool RecordingShell::openWithDefaultApplication(const QString &path, QString *error)
{
    requests.append({QStringLiteral("open"), path, {}});
    if (!succeed && error) {
        *error = QStringLiteral("Keine Anwendung gefunden.");
    }
    return succeed;
}

bool RecordingShell::openUrl(const QUrl &url, QString *error)
{
    requests.append({QStringLiteral("url"), url.toString(), {}});
    if (!succeed && error) {
        *error = QStringLiteral("Kein Browser gefunden.");
    }
    return succeed;
}

QString RecordingShell::specialFolder(SpecialFolder folder)
{
    return folders.value(folder);
}

QString RecordingShell::removableVolume()
{
    return volume;
}

bool RecordingShell::showProperties(const QString &path)
{
    requests.append({QStringLiteral("properties"), path, {}});
    return hasProperties;
}

bool RecordingShell::startDetached(const QString &program, const QStringList &arguments, QString *error)
{
    requests.append({QStringLiteral("start"), program, arguments});
    if (!succeed && error) {
        *error = QStringLiteral("Das Programm konnte nicht gestartet werden.");
    }
    return succeed;
}
