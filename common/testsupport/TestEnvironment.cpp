#include "TestEnvironment.h"

#include "Registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

TestEnvironment::TestEnvironment() : m_oldHome(qgetenv("HOME"))
{
    const QByteArray home = QFile::encodeName(m_dir.path());
    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", home + "/.config");
    qputenv("XDG_DATA_HOME", home + "/.local/share");
    qputenv("XDG_CACHE_HOME", home + "/.cache");
    qputenv("XDG_STATE_HOME", home + "/.local/state");
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
    QString file = path(relative);
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

QString TestEnvironment::makeSpecial(const QString &relative, const QString &kind) const
{
    const QString file = path(relative);
    QDir().mkpath(QFileInfo(file).absolutePath());
    const QByteArray name = QFile::encodeName(file);
    const QString beside = file + QStringLiteral(".node");
    if (kind == u"fifo") {
        return ::mkfifo(name.constData(), 0644) == 0 ? file : QString();
    }
    if (kind == u"null") {
        // The numbers of /dev/null, but a node of our own in the scratch
        // folder: whatever a fault does to it, the system's node is safe.
        return ::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3)) == 0 ? file : QString();
    }
    if (kind == u"fifo link" || kind == u"null link") {
        const QString target = makeSpecial(QDir(m_dir.path()).relativeFilePath(beside), kind.section(u' ', 0, 0));
        return !target.isEmpty() && QFile::link(target, file) ? file : QString();
    }
    if (kind == u"zero link") {
        return QFile::link(QStringLiteral("/dev/zero"), file) ? file : QString();
    }
    if (kind == u"folder") {
        return QDir().mkpath(file) ? file : QString();
    }
    if (kind == u"oversize") {
        QFile f(file);
        return f.open(QIODevice::WriteOnly) && f.resize(17ll * 1024 * 1024) ? file : QString();
    }
    return {};
}

TestEnvironment::NodeState TestEnvironment::stateOf(const QString &path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    return {QFileInfo(path).isSymLink(), nodeKind(target), QFileInfo(target).size(), QFile::permissions(target)};
}

QString TestEnvironment::nodeKind(const QString &path)
{
    struct stat info
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0) {
        return QStringLiteral("none");
    }
    if (S_ISREG(info.st_mode)) {
        return QStringLiteral("file");
    }
    if (S_ISLNK(info.st_mode)) {
        return QStringLiteral("link");
    }
    if (S_ISFIFO(info.st_mode)) {
        return QStringLiteral("fifo");
    }
    if (S_ISCHR(info.st_mode)) {
        return QStringLiteral("char device");
    }
    if (S_ISDIR(info.st_mode)) {
        return QStringLiteral("folder");
    }
    return QStringLiteral("other");
}

void TestEnvironment::addUnreadableStoreRows()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("named pipe") << QStringLiteral("fifo");
    QTest::newRow("link to a named pipe") << QStringLiteral("fifo link");
    QTest::newRow("link to a device") << QStringLiteral("null link");
    QTest::newRow("above the size limit") << QStringLiteral("oversize");
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

qint64 bytesReadSoFar()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly)) {
        return -1;
    }
    // Read in one call, so that this read itself counts only afterwards.
    const QByteArray text = io.read(4096);
    for (const QByteArray &line : text.split('\n')) {
        if (line.startsWith("rchar:")) {
            bool ok = false;
            const qint64 bytes = line.mid(6).trimmed().toLongLong(&ok);
            return ok ? bytes : -1;
        }
    }
    return -1;
}
