#include "FileCopy.h"

#include "TextFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QScopeGuard>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace FileCopy {

namespace {

// Small enough that a cancel answers at once even on a slow disk.
constexpr qint64 ChunkBytes = 1024 * 1024;

// A name beside destination that nothing uses yet.
QString partName(const QString &destination)
{
    const QFileInfo target(destination);
    QString part;
    for (int attempt = 0; part.isEmpty() || QFileInfo(part).exists() || QFileInfo(part).isSymLink(); ++attempt) {
        part = target.dir().filePath(u'.' + target.fileName() + u'.' +
                                     QString::number(QCoreApplication::applicationPid()) + u'-' +
                                     QString::number(attempt) + QStringLiteral(".part"));
    }
    return part;
}

} // namespace

Result copy(const QString &source, const QString &destination, const Progress &progress)
{
    Result result;
    TextFile::FileKey key;
    const int fd = TextFile::openRegular(source, &key, &result.error);
    if (fd < 0) {
        return result;
    }
    const auto closeSource = qScopeGuard([fd] { ::close(fd); });
    if (QFileInfo(destination).isDir() && !QFileInfo(destination).isSymLink()) {
        result.error = TextFile::writeRefusal(destination);
        return result;
    }
    // Written under a name of its own and renamed over the destination once
    // complete: a link there is then replaced itself, as deleting the old
    // file first would do, and never the file it points at.
    const QString part = partName(destination);
    QSaveFile file(part);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        result.error = file.errorString();
        return result;
    }
    auto goOn = [&](qint64 copied) { return !progress || progress(copied, key.size); };
    QByteArray chunk(ChunkBytes, Qt::Uninitialized);
    qint64 copied = 0;
    result.cancelled = !goOn(0);
    while (!result.cancelled) {
        const ssize_t n = ::read(fd, chunk.data(), static_cast<size_t>(chunk.size()));
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (n < 0) {
            result.error = qt_error_string(errno);
            break;
        }
        if (n == 0) {
            break;
        }
        if (file.write(chunk.constData(), n) != n) {
            result.error = file.errorString();
            break;
        }
        copied += n;
        result.cancelled = !goOn(copied);
    }
    if (!result.error.isEmpty() || result.cancelled || !file.flush()) {
        if (result.error.isEmpty() && !result.cancelled) {
            result.error = file.errorString();
        }
        file.cancelWriting();
        return result;
    }
    if (!file.commit()) {
        result.error = file.errorString();
        return result;
    }
    {
        // A copy keeps the time its original was last changed, as a file
        // manager's copy does.
        const QDateTime modified = QFileInfo(source).lastModified();
        QFile copy(part);
        if (modified.isValid() && copy.open(QIODevice::Append)) {
            copy.setFileTime(modified, QFileDevice::FileModificationTime);
        }
    }
    if (::rename(QFile::encodeName(part).constData(), QFile::encodeName(destination).constData()) != 0) {
        result.error = qt_error_string(errno);
        QFile::remove(part);
    }
    return result;
}

} // namespace FileCopy
