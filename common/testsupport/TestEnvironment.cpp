#include "TestEnvironment.h"

#include "Registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

TestEnvironment::TestEnvironment() : m_oldHome(qgetenv("HOME"))
{
    const QByteArray home = QFile::encodeName(m_dir.path());
    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", home + "/.config");
    qputenv("XDG_DATA_HOME", home + "/.local/share");
    qputenv("XDG_CACHE_HOME", home + "/.cache");
    QStandardPaths::setTestModeEnabled(true);
    Registry::setStoreFile(QString());
}

TestEnvironment::~TestEnvironment()
{
    Registry::setStoreFile(QString());
    qputenv("HOME", m_oldHome);
}

QString TestEnvironment::path(const QString &relative) const
{
    return m_dir.filePath(relative);
}

QString TestEnvironment::writeFile(const QString &relative, const QByteArray &bytes) const
{
    const QString file = path(relative);
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile f(file);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        f.write(bytes);
    }
    return file;
}

bool TestEnvironment::writeSettings(const QList<std::pair<QString, QVariant>> &values)
{
    const QString key = QStringLiteral("Software\\Tivorn\\Quandel Library");
    if (!Registry::KeyExists(Registry::Root::CurrentUser, key) &&
        !Registry::CreateRegKey(Registry::Root::CurrentUser, key, QStringLiteral("1"))) {
        return false;
    }
    return Registry::SetRegValues(Registry::Root::CurrentUser, key, values);
}

QList<std::pair<QString, QVariant>> TestEnvironment::quietStart()
{
    return {{QStringLiteral("Version"), QStringLiteral("2.5")}, {QStringLiteral("Startup"), 1}};
}
