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
