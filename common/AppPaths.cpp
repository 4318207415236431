#include "AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifndef QUANDEL_SHARE_DIR
#define QUANDEL_SHARE_DIR "/usr/local/share/quandel"
#endif

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
    // The base directory specification wants an absolute path; anything
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

QString resourceFile(const QString &fileName)
{
    const QString beside = programFolder() + u'/' + fileName;
    if (QFileInfo::exists(beside)) {
        return beside;
    }
    const QString installed = QStringLiteral(QUANDEL_SHARE_DIR) + u'/' + fileName;
    if (QFileInfo::exists(installed)) {
        return installed;
    }
    return beside;
}

} // namespace AppPaths
