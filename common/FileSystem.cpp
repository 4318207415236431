#include "FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>

namespace {

// Only * and ? are wildcards here. QDir's own name filters would also read
// [ ] as a character class, and document names such as "Notiz [alt].txt"
// must match themselves.
QRegularExpression wildcardExpression(const QString &pattern)
{
    QString body = pattern;
    // "name.*" also matches "name" without an extension, so that "*.*" means
    // every entry, whether its name has a dot or not.
    bool optionalExtension = false;
    if (body.endsWith(QLatin1String(".*"))) {
        body.chop(2);
        optionalExtension = true;
    }
    QString expression;
    expression.reserve(body.size() * 2 + 16);
    for (const QChar c : std::as_const(body)) {
        if (c == u'*') {
            expression += QLatin1String(".*");
        } else if (c == u'?') {
            expression += u'.';
        } else {
            expression += QRegularExpression::escape(QString(c));
        }
    }
    if (optionalExtension) {
        expression += QLatin1String("(\\..*)?");
    }
    // File names may contain line breaks; DotMatchesEverything lets * cover them.
    return QRegularExpression(QRegularExpression::anchoredPattern(expression),
                              QRegularExpression::CaseInsensitiveOption |
                                  QRegularExpression::DotMatchesEverythingOption);
}

bool matchesAnyEntry(const QString &folder, const QString &pattern)
{
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    if (!dir.exists()) {
        return false;
    }
    const QRegularExpression expression = wildcardExpression(pattern);
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QString &entry : entries) {
        if (expression.match(entry).hasMatch()) {
            return true;
        }
    }
    return false;
}

} // namespace

bool FileExists(const QString &path)
{
    if (path.isEmpty()) {
        return false;
    }
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString name = path.mid(slash + 1);
    if (name.contains(u'*') || name.contains(u'?')) {
        const QString folder = slash < 0 ? QString() : (slash == 0 ? QStringLiteral("/") : path.left(slash));
        return matchesAnyEntry(folder, name);
    }
    return EntryExists(path);
}

bool EntryExists(const QString &path)
{
    // A dangling symbolic link is still an entry of its folder.
    struct stat info = {};
    return !path.isEmpty() && ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

bool PathExists(const QString &path)
{
    if (path.isEmpty()) {
        return false;
    }
    return QFileInfo::exists(path);
}

bool reportsOutsideChanges(qint64 fileSystemType)
{
    // Magic numbers of <linux/magic.h> and of the file systems themselves;
    // the kernel reports them in 32 bits, sign-extended on some systems.
    switch (quint32(quint64(fileSystemType) & 0xFFFFFFFFu)) {
    case 0x6969u:     // NFS
    case 0x517Bu:     // SMB (smbfs)
    case 0xFF534D42u: // CIFS
    case 0xFE534D42u: // SMB2/3 (ksmbd clients, cifs)
    case 0x564Cu:     // NCP (NetWare)
    case 0x65735546u: // FUSE: sshfs, rclone, synced folders, virtiofs
    case 0x01021997u: // 9p (v9fs): WSL, QEMU shared folders
    case 0x00C36400u: // Ceph
    case 0x5346414Fu: // AFS (OpenAFS)
    case 0x6B414653u: // kAFS
    case 0x73757245u: // Coda
    case 0x47504653u: // GPFS
    case 0x0BD00BD0u: // Lustre
    case 0x01161970u: // GFS2
    case 0x7461636Fu: // OCFS2
    case 0x786F4256u: // VirtualBox shared folders (vboxsf)
    case 0x7C7C6673u: // Parallels shared folders (prl_fs)
    case 0x19830326u: // fhgfs / BeeGFS
        return false;
    default:
        return true;
    }
}

bool folderReportsOutsideChanges(const QString &folder)
{
    if (!fileEventsReported()) {
        return false;
    }
    struct statfs info
    {
    };
    if (folder.isEmpty() || ::statfs(QFile::encodeName(folder).constData(), &info) != 0) {
        return true;
    }
    return reportsOutsideChanges(qint64(info.f_type));
}

bool fileEventsReported()
{
    return qEnvironmentVariableIntValue("QUANDEL_NO_FILE_EVENTS") != 1;
}

int renameWithoutReplacing(const QByteArray &source, const QByteArray &target)
{
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    const int failure = errno;
    if (failure != EINVAL && failure != ENOSYS) {
        return failure;
    }
    // File systems that do not know the flag.
    struct stat info = {};
    if (::lstat(target.constData(), &info) == 0) {
        return EEXIST;
    }
    return ::rename(source.constData(), target.constData()) == 0 ? 0 : errno;
}
