#include "ZipPacker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSet>

#include <QDateTime>

#include <algorithm>
#include <cerrno>

#include <sys/stat.h>

#include <zip.h>

namespace ZipPacker {

namespace {

// Taken when the program is loaded: temporary archives older than this
// cannot belong to a packing of this program that is still running.
const qint64 ProcessStartMs = QDateTime::currentMSecsSinceEpoch();

// libzip writes the new archive to "<archive>.XXXXXX" (six letters or
// digits) and renames it at the end; a program killed meanwhile leaves it
// behind. Such leftovers beside the chosen archive are removed, if they are
// regular files older than this program's start: a younger one may be the
// work of another packing still under way.
void removeStaleTemporaries(const QString &archive)
{
    const QFileInfo info(archive);
    const QString prefix = info.fileName() + u'.';
    const QStringList candidates =
        info.dir().entryList({prefix + QStringLiteral("??????")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : candidates) {
        const QStringView suffix = QStringView(name).sliced(prefix.size());
        const bool ours = std::all_of(suffix.begin(), suffix.end(), [](QChar c) {
            return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
        });
        const QString path = info.dir().filePath(name);
        struct stat st
        {
        };
        if (!ours || ::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
            continue;
        }
        const qint64 modifiedMs = static_cast<qint64>(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
        if (modifiedMs < ProcessStartMs) {
            QFile::remove(path);
        }
    }
}

struct Entry
{
    QString path;
    QString name; // relative to the packed folder, joined with "/"
    bool folder = false;
};

Result failure(zip_error_t *error)
{
    Result result;
    result.outcome =
        zip_error_code_zip(error) == ZIP_ER_CANCELLED ? Result::Outcome::Cancelled : Result::Outcome::Failed;
    result.status = zip_error_code_zip(error);
    result.text = QString::fromLocal8Bit(zip_error_strerror(error));
    return result;
}

Result failure(int code, int systemError)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_error_set(&error, code, systemError);
    Result result = failure(&error);
    zip_error_fini(&error);
    return result;
}

Result cancelled()
{
    return failure(ZIP_ER_CANCELLED, 0);
}

class Collector
{
public:
    Collector(const Request &request, PackControl &control)
        : m_request(request), m_control(control), m_archive(QFileInfo(request.archive).canonicalFilePath())
    {
    }

    // False with the result set when the walk cannot go on.
    bool collect(const QString &folder, const QString &prefix)
    {
        if (m_control.cancel.load()) {
            m_result = cancelled();
            return false;
        }
        const QFileInfo info(folder);
        // A folder that cannot be listed would silently be missing from an
        // archive reported as complete.
        if (!info.isReadable() || !info.isExecutable()) {
            m_result = failure(ZIP_ER_READ, EACCES);
            return false;
        }
        // A link back up the tree would otherwise be followed for ever.
        if (m_seen.contains(info.canonicalFilePath())) {
            return true;
        }
        m_seen.insert(info.canonicalFilePath());
        const QFileInfoList children = QDir(folder).entryInfoList(
            QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name | QDir::DirsLast);
        for (const QFileInfo &child : children) {
            const QString name = prefix + child.fileName();
            if (child.isDir()) {
                if (!m_request.subfolders) {
                    continue;
                }
                entries.append({child.filePath(), name, true});
                if (!collect(child.filePath(), name + u'/')) {
                    return false;
                }
            } else if (child.isFile()) {
                // Saving the archive into the folder it packs must not pack
                // the older archive into the new one.
                if (!m_archive.isEmpty() && child.canonicalFilePath() == m_archive) {
                    continue;
                }
                entries.append({child.filePath(), name, false});
            }
            // Pipes, sockets, devices and dangling links hold no file content;
            // reading a pipe would block the packing for ever.
        }
        return true;
    }

    Result result() const { return m_result; }

    QList<Entry> entries;

private:
    const Request &m_request;
    PackControl &m_control;
    const QString m_archive;
    QSet<QString> m_seen;
    Result m_result;
};

void onProgress(zip_t *, double progress, void *state)
{
    static_cast<PackControl *>(state)->permille.store(static_cast<int>(progress * 1000.0));
}

int onCancel(zip_t *, void *state)
{
    return static_cast<PackControl *>(state)->cancel.load() ? 1 : 0;
}

// False with the archive's error when the entry could not be added.
bool addEntry(zip_t *archive, const Entry &entry, const QByteArray &password)
{
    const QByteArray name = entry.name.toUtf8();
    zip_int64_t index = -1;
    if (entry.folder) {
        index = zip_dir_add(archive, name.constData(), ZIP_FL_ENC_UTF_8);
        return index >= 0;
    }
    zip_source_t *source = zip_source_file(archive, QFile::encodeName(entry.path).constData(), 0, -1);
    if (!source) {
        return false;
    }
    index = zip_file_add(archive, name.constData(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        return false;
    }
    if (!password.isEmpty() &&
        zip_file_set_encryption(archive, static_cast<zip_uint64_t>(index), ZIP_EM_AES_256, password.constData()) < 0) {
        return false;
    }
    return true;
}

} // namespace

Result pack(const Request &request, PackControl &control)
{
    const QFileInfo folder(request.folder);
    if (request.folder.isEmpty() || !folder.isDir()) {
        return failure(ZIP_ER_NOENT, 0);
    }
    removeStaleTemporaries(request.archive);
    Collector collector(request, control);
    if (!collector.collect(folder.absoluteFilePath(), QString())) {
        return collector.result();
    }
    if (collector.entries.isEmpty()) {
        // libzip would not write an empty archive but delete an older one.
        Result result;
        result.outcome = Result::Outcome::Empty;
        return result;
    }

    int openError = ZIP_ER_OK;
    zip_t *archive = zip_open(QFile::encodeName(request.archive).constData(), ZIP_CREATE | ZIP_TRUNCATE, &openError);
    if (!archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, openError);
        Result result = failure(&error);
        zip_error_fini(&error);
        return result;
    }
    const QByteArray password = request.password.toUtf8();
    for (const Entry &entry : std::as_const(collector.entries)) {
        if (!addEntry(archive, entry, password)) {
            Result result = failure(zip_get_error(archive));
            zip_discard(archive);
            return result;
        }
    }
    zip_register_progress_callback_with_state(archive, 0.005, onProgress, nullptr, &control);
    zip_register_cancel_callback_with_state(archive, onCancel, nullptr, &control);
    if (zip_close(archive) < 0) {
        // The temporary file is gone again; an older archive is untouched.
        Result result = failure(zip_get_error(archive));
        zip_discard(archive);
        return result;
    }
    Result result;
    result.outcome = Result::Outcome::Written;
    result.entries = static_cast<int>(collector.entries.size());
    control.permille.store(1000);
    return result;
}

} // namespace ZipPacker
