#include "AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifndef QUANDEL_SHARE_DIR
#define QUANDEL_SHARE_DIR "/usr/local/share/quandel"
#endif

namespace {

// The program folder, the share folder beside the program's real folder and
// the share folder the program was built for.
QStringList resourceFolders(const QString &programFolder)
{
    // The real folder, so that a link to the program's bin folder still
    // leads to the share folder of the installation it belongs to.
    const QString realFolder = QFileInfo(programFolder).canonicalFilePath();
    QStringList folders{programFolder};
    if (!realFolder.isEmpty()) {
        folders.append(QDir::cleanPath(realFolder + QStringLiteral("/../share/quandel")));
    }
    folders.append(QStringLiteral(QUANDEL_SHARE_DIR));
    folders.removeDuplicates();
    return folders;
}

} // namespace

namespace AppPaths {

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString dataFolder()
{
    // Spelled out instead of AppDataLocation: the result is the same for the
    // program's organisation and application names, but the help viewer and
    // the tests, which carry other names, must find the very same folder.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Tivorn/Quandel Library");
}

QString dataFile()
{
    return dataFolder() + QStringLiteral("/Quandel.dat");
}

QString historyFile()
{
    return dataFolder() + QStringLiteral("/Quandel.ini");
}

QString configFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Tivorn");
}

QString registryFile()
{
    return configFolder() + QStringLiteral("/registry.reg");
}

QString winIniFile()
{
    return configFolder() + QStringLiteral("/Win.ini");
}

QString stateFolder()
{
    // The XDG base-directory rules want an absolute path; anything
    // else is ignored in favour of the default.
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.local/state");
    }
    return base + QStringLiteral("/Tivorn/Quandel Library");
}

bool ensureFolder(const QString &folder)
{
    if (folder.isEmpty()) {
        return false;
    }
    return QDir().mkpath(folder) && QFileInfo(folder).isDir();
}

QString resourceFile(const QString &fileName, const QString &programFolder)
{
    for (const QString &folder : resourceFolders(programFolder)) {
        QString path = folder + u'/' + fileName;
        if (QFileInfo(path).isFile()) {
            return path;
        }
    }
    return programFolder + u'/' + fileName;
}

QString resourceFile(const QString &fileName)
{
    return resourceFile(fileName, programFolder());
}

} // namespace AppPaths
