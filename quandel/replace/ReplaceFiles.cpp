#include "ReplaceFiles.h"

#include "AllHits.h"
#include "AppPaths.h"
#include "DocumentScanner.h"
#include "DocumentText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSet>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <optional>

namespace ReplaceFiles {

quint64 hashBytes(QByteArrayView bytes)
{
    return AllHits::contentHash(bytes);
}

// ---------------------------------------------------------------------------
// Replacing in bytes and text

namespace {

bool isAscii(QByteArrayView bytes)
{
    return QtPrivate::isAscii(QLatin1StringView(bytes.data(), bytes.size()));
}

// How the editor reads a file's bytes: where its text starts, how its
// characters and line ends map to the editor text's UTF-16 units.
struct Reading
{
    TextFormat format;
    qsizetype skip = 0;         // the BOM
    bool fold = false;          // CR LF is one "\n" in the editor text
    QString editorText;         // as DocumentText::fromFile() makes it
    qsizetype contentUnits = 0; // editor text units that stand for bytes
};

Reading readingOf(const QByteArray &bytes)
{
    Reading r;
    QString text = TextFile::decodeBytes(bytes, &r.format);
    r.skip = r.format.bom ? 3 : 0;
    const qsizetype firstLf = text.indexOf(u'\n');
    r.fold = firstLf > 0 && text.at(firstLf - 1) == u'\r';
    if (r.fold) {
        r.format.lineEnd = TextFormat::LineEnd::CrLf;
        TextFile::foldCrLf(text);
    } else if (firstLf < 0 && r.format.encoding == TextFormat::Encoding::Windows1252) {
        r.format.lineEnd = TextFormat::LineEnd::CrLf;
    } else {
        r.format.lineEnd = TextFormat::LineEnd::Lf;
    }
    const DocumentText doc = DocumentText::fromFile(text);
    // The file's last line end is not in the editor text.
    r.contentUnits = text.size() - (doc.finalLineEnd ? 1 : 0);
    r.editorText = doc.editorText;
    return r;
}

// Walks the bytes along the editor text: bytePosition(u) is where the
// character at editor text unit u starts. Positions only grow.
class Cursor final
{
public:
    Cursor(const QByteArray &bytes, const Reading &reading)
        : m_data(reinterpret_cast<const uchar *>(bytes.constData())), m_size(bytes.size()), m_byte(reading.skip),
          m_utf8(reading.format.encoding == TextFormat::Encoding::Utf8), m_fold(reading.fold),
          m_units(reading.contentUnits)
    {
    }

    qsizetype bytePosition(qsizetype unit)
    {
        // The display line end the editor adds stands for no bytes.
        unit = std::min(unit, m_units);
        while (m_unit < unit && m_byte < m_size) {
            const uchar b = m_data[m_byte];
            if (m_fold && b == '\r' && m_byte + 1 < m_size && m_data[m_byte + 1] == '\n') {
                m_byte += 2;
                ++m_unit;
                continue;
            }
            if (!m_utf8 || b < 0x80) {
                ++m_byte;
                ++m_unit;
            } else if (b >= 0xF0) {
                m_byte += 4;
                m_unit += 2;
            } else {
                m_byte += b >= 0xE0 ? 3 : 2;
                ++m_unit;
            }
        }
        return std::min(m_byte, m_size);
    }

private:
    const uchar *m_data;
    qsizetype m_size;
    qsizetype m_byte;
    qsizetype m_unit = 0;
    bool m_utf8;
    bool m_fold;
    qsizetype m_units;
};

// A replacement in the file's encoding and line end style; false when
// Windows-1252 cannot hold it.
bool encodeReplacement(const QString &text, const TextFormat &format, bool utf8, QByteArray *out)
{
    TextFormat f = format;
    f.bom = false;
    if (utf8) {
        f.encoding = TextFormat::Encoding::Utf8;
    }
    bool switched = false;
    *out = TextFile::encode(text, f, &switched);
    return !switched;
}

struct Splice
{
    qsizetype from = 0; // bytes
    qsizetype to = 0;
    QString text;
};

// The file's bytes with the splices made; unchanged bytes transcoded from
// Windows-1252 to UTF-8 when toUtf8.
QByteArray spliced(const QByteArray &bytes, const std::vector<Splice> &splices, const Reading &reading, bool toUtf8,
                   bool *fits)
{
    *fits = true;
    const auto copy = [&](QByteArray &out, qsizetype from, qsizetype to) {
        const QByteArrayView part = QByteArrayView(bytes).sliced(from, to - from);
        if (toUtf8) {
            out += TextFile::decodeWindows1252(part).toUtf8();
        } else {
            out += part;
        }
    };
    QByteArray out;
    out.reserve(bytes.size() + 64);
    qsizetype at = 0;
    for (const Splice &s : splices) {
        copy(out, at, s.from);
        QByteArray encoded;
        if (!encodeReplacement(s.text, reading.format, toUtf8, &encoded)) {
            *fits = false;
            return {};
        }
        out += encoded;
        at = s.to;
    }
    copy(out, at, bytes.size());
    return out;
}

} // namespace

QByteArray replaceInBytes(const QByteArray &bytes, const TextMatcher &matcher, const QString &replacement,
                          const std::vector<bool> &ticked, bool allowUtf8, bool *needsUtf8, int *replaced)
{
    *needsUtf8 = false;
    *replaced = 0;
    const Reading reading = readingOf(bytes);
    const QList<TextMatcher::Match> matches = matcher.findAll(reading.editorText);
    std::vector<Splice> splices;
    Cursor cursor(bytes, reading);
    for (qsizetype i = 0; i < matches.size() && size_t(i) < ticked.size(); ++i) {
        if (!ticked[size_t(i)]) {
            continue;
        }
        const TextMatcher::Match &m = matches.at(i);
        Splice s;
        s.from = cursor.bytePosition(m.start);
        s.to = cursor.bytePosition(m.start + m.length);
        s.text = matcher.replacementFor(m, replacement);
        splices.push_back(std::move(s));
    }
    if (splices.empty()) {
        return bytes;
    }
    bool fits = true;
    QByteArray out = spliced(bytes, splices, reading, false, &fits);
    // A code-page file whose new bytes happen to be UTF-8 would read
    // differently next time.
    if (fits && reading.format.encoding == TextFormat::Encoding::Windows1252 && !isAscii(out) &&
        TextFile::isUtf8(out)) {
        fits = false;
    }
    if (!fits) {
        *needsUtf8 = true;
        if (!allowUtf8) {
            return {};
        }
        out = spliced(bytes, splices, reading, true, &fits);
    }
    *replaced = int(splices.size());
    return out;
}

QString replaceInText(const QString &text, const TextMatcher &matcher, const QString &replacement,
                      const std::vector<bool> &ticked, int *replaced)
{
    *replaced = 0;
    const QList<TextMatcher::Match> matches = matcher.findAll(text);
    QString out;
    qsizetype at = 0;
    for (qsizetype i = 0; i < matches.size() && size_t(i) < ticked.size(); ++i) {
        if (!ticked[size_t(i)]) {
            continue;
        }
        const TextMatcher::Match &m = matches.at(i);
        if (*replaced == 0) {
            out.reserve(text.size());
        }
        out += QStringView(text).sliced(at, m.start - at);
        out += matcher.replacementFor(m, replacement);
        at = m.start + m.length;
        ++*replaced;
    }
    if (*replaced == 0) {
        return text;
    }
    out += QStringView(text).sliced(at);
    return out;
}

// ---------------------------------------------------------------------------
// Files

namespace {

const QString FolderPrefix = QStringLiteral("Ersetzen-");
const QString LockName = QStringLiteral("Besitzer.lock");
const QString PackName = QStringLiteral("Vorher.bin");
const QString ManifestName = QStringLiteral("Protokoll.jsonl");
const QString Format = QStringLiteral("Quandel Library: Ersetzen rückgängig");
constexpr int Version = 1;
// A line of the manifest: a path and a name, never more than this.
constexpr qint64 MaxLineBytes = 64 * 1024;
// Entries of one store: more files than a library holds.
constexpr int MaxEntries = 1'000'000;
constexpr qint64 MaxManifestBytes = 512ll * 1024 * 1024;
// Stores one start looks at.
constexpr int MaxLeftOver = 100;
// Files made durable together: one sync of the disk for all of them.
constexpr int BatchFiles = 512;
constexpr qint64 BatchBytes = 64ll * 1024 * 1024;

QString hex(quint64 v)
{
    return QString::number(v, 16);
}

bool parseHex(const QJsonValue &value, quint64 *v)
{
    bool ok = false;
    *v = value.toString().toULongLong(&ok, 16);
    return ok;
}

QString systemReason(int error)
{
    switch (error) {
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
        return QStringLiteral("Auf dem Datenträger ist kein Platz mehr.");
    case EACCES:
    case EPERM:
        return QStringLiteral("Die Berechtigung fehlt.");
    case EROFS:
        return QStringLiteral("Der Datenträger ist schreibgeschützt.");
    case EIO:
        return QStringLiteral("Der Datenträger meldet einen Fehler.");
    default:
        return QStringLiteral("Fehler %1 des Systems.").arg(error);
    }
}

bool writeAll(int fd, const char *data, qsizetype size, int *error)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            *error = n < 0 ? errno : ENOSPC;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

// Reads at most max bytes from fd at offset; false on a short read.
bool readAt(int fd, qint64 offset, qsizetype size, QByteArray *out)
{
    out->resize(size);
    qsizetype filled = 0;
    while (filled < size) {
        const ssize_t n = ::pread(fd, out->data() + filled, size_t(size - filled), offset + filled);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        filled += n;
    }
    return true;
}

struct ReadFile
{
    bool ok = false;
    bool missing = false;
    QString reason; // German
    QByteArray bytes;
    TextFile::FileKey key;
};

// A document as write() and undo() read it: a regular file (links
// followed), opened without blocking, at most maxBytes.
ReadFile readDocument(const QString &path, qint64 maxBytes)
{
    ReadFile r;
    QString error;
    const int fd = TextFile::openRegular(path, &r.key, &error, &r.missing);
    if (fd < 0) {
        if (r.missing) {
            r.reason = QStringLiteral("Die Datei gibt es nicht mehr.");
        } else if (QFileInfo(path).isFile() && ::access(QFile::encodeName(path).constData(), R_OK) != 0) {
            r.reason = QStringLiteral("Die Datei lässt sich nicht lesen: Die Berechtigung fehlt.");
        } else {
            r.reason = error; // German for anything but a regular file
        }
        return r;
    }
    if (r.key.size > maxBytes) {
        ::close(fd);
        r.reason = QStringLiteral("Die Datei ist größer als %1 MB, mehr öffnet der Editor nicht.")
                       .arg(maxBytes / (1024 * 1024));
        return r;
    }
    // One byte more than the size, to notice a file that grew meanwhile.
    r.bytes.resize(qsizetype(r.key.size) + 1);
    qsizetype filled = 0;
    for (;;) {
        const ssize_t n = ::read(fd, r.bytes.data() + filled, size_t(r.bytes.size() - filled));
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (n < 0) {
            const int e = errno;
            ::close(fd);
            r.reason = QStringLiteral("Die Datei lässt sich nicht lesen: %1").arg(systemReason(e));
            return r;
        }
        if (n == 0) {
            break;
        }
        filled += n;
        if (filled == r.bytes.size()) {
            ::close(fd);
            r.reason = QStringLiteral("Die Datei wird gerade geschrieben.");
            return r;
        }
    }
    ::close(fd);
    r.bytes.truncate(filled);
    r.ok = true;
    return r;
}

// Files written beside their targets and moved into place together, once
// the undo data of all of them is durable: a file is only ever replaced by
// complete new bytes, and only while its old bytes are safe. One sync of
// the undo data a batch, not one of every file: that is what lets a replace
// of thousands of files keep up with sed.
class Batch final
{
public:
    struct Staged
    {
        int result = -1; // index into the results
        QByteArray temp;
        QByteArray target;
    };

    // Writes bytes into temp beside path's target; empty on success, else
    // the reason (nothing then stays behind).
    QString stage(int result, const QString &path, const QString &tempName, const QByteArray &bytes)
    {
        if (QString refused = TextFile::writeRefusal(path); !refused.isEmpty()) {
            return refused;
        }
        const QString target = TextFile::writeTarget(path);
        const QFileInfo targetInfo(target);
        const QByteArray temp = QFile::encodeName(targetInfo.absolutePath() + u'/' + tempName);
        struct stat old
        {
        };
        const bool exists = ::stat(QFile::encodeName(target).constData(), &old) == 0;
        int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0 && errno == EEXIST) {
            // Left by a replace that was killed: the name is this one's.
            ::unlink(temp.constData());
            fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        }
        if (fd < 0) {
            return QStringLiteral("Die neue Fassung lässt sich nicht anlegen: %1").arg(systemReason(errno));
        }
        int error = 0;
        bool ok = writeAll(fd, bytes.constData(), bytes.size(), &error);
        if (ok && exists) {
            // The file keeps its permissions and, where allowed, its group.
            if (::fchmod(fd, old.st_mode & 07777) != 0) {
                ok = false;
                error = errno;
            }
            (void)!::fchown(fd, old.st_uid, old.st_gid);
        }
        if (::close(fd) != 0 && ok) {
            ok = false;
            error = errno;
        }
        if (!ok) {
            ::unlink(temp.constData());
            return QStringLiteral("Die neue Fassung lässt sich nicht schreiben: %1").arg(systemReason(error));
        }
        m_staged.push_back({result, temp, QFile::encodeName(target)});
        m_bytes += bytes.size();
        return {};
    }

    // Makes the staged files durable before any of them replaces a
    // document, so that a crash of the machine leaves each document old or
    // new, never empty: one flush of each file system the batch writes to
    // (syncfs), not one sync a file. False (with the reason) when the disk
    // would not.
    bool sync(QString *reason) const
    {
        QSet<QByteArray> folders;
        for (const Staged &s : m_staged) {
            const qsizetype slash = s.temp.lastIndexOf('/');
            folders.insert(slash > 0 ? s.temp.left(slash) : QByteArray("/"));
        }
        QSet<dev_t> devices;
        for (const QByteArray &folder : std::as_const(folders)) {
            const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            struct stat info
            {
            };
            int error = 0;
            if (fd < 0 || ::fstat(fd, &info) != 0) {
                error = errno;
            } else if (!devices.contains(info.st_dev)) {
                devices.insert(info.st_dev);
                if (::syncfs(fd) != 0) {
                    error = errno;
                }
            }
            if (fd >= 0) {
                ::close(fd);
            }
            if (error != 0) {
                *reason = QStringLiteral("Die neue Fassung lässt sich nicht sichern: %1").arg(systemReason(error));
                return false;
            }
        }
        return true;
    }

    bool isFull() const { return int(m_staged.size()) >= BatchFiles || m_bytes >= BatchBytes; }
    bool isEmpty() const { return m_staged.empty(); }
    const std::vector<Staged> &staged() const { return m_staged; }

    // Moves a staged file into place; empty on success, else the reason.
    static QString move(const Staged &s)
    {
        if (::rename(s.temp.constData(), s.target.constData()) != 0) {
            const int error = errno;
            ::unlink(s.temp.constData());
            return QStringLiteral("Die neue Fassung lässt sich nicht an ihren Platz bringen: %1")
                .arg(systemReason(error));
        }
        return {};
    }

    void dropAll()
    {
        for (const Staged &s : m_staged) {
            ::unlink(s.temp.constData());
        }
        clear();
    }

    void clear()
    {
        m_staged.clear();
        m_bytes = 0;
    }

private:
    std::vector<Staged> m_staged;
    qint64 m_bytes = 0;
};

// The test seam for a kill at a known point: QUANDEL_REPLACE_STOP_BEFORE=k
// stops the process (SIGSTOP) before the k-th file (from 0) is moved into
// place, with the undo data of its batch durable.
int stopBefore()
{
    bool ok = false;
    const int k = qEnvironmentVariableIntValue("QUANDEL_REPLACE_STOP_BEFORE", &ok);
    return ok ? k : -1;
}

} // namespace

// ---------------------------------------------------------------------------
// UndoStore

struct UndoEntry
{
    int number = 0;
    QString path;
    QString displayName;
    int listIndex = -1;
    quint64 oldHash = 0;
    quint64 newHash = 0;
    qint64 offset = 0;
    qint64 size = 0;
    QString temp; // the name of the new bytes' file beside the target
};

struct UndoStore::State
{
    QString folder;
    QDateTime created;
    std::unique_ptr<QLockFile> lock;
    std::vector<UndoEntry> entries;
    QList<DocumentResult> damaged; // parts of left data that cannot be read
    int pack = -1;
    int manifest = -1;
    qint64 packSize = 0;
    bool recording = false; // this program's store, its files open
    bool folderSynced = false;

    ~State() { closeFiles(); }

    void closeFiles()
    {
        if (pack >= 0) {
            ::close(pack);
            pack = -1;
        }
        if (manifest >= 0) {
            ::close(manifest);
            manifest = -1;
        }
    }

    // The folder, its lock and files; empty on success, else the reason.
    QString open()
    {
        if (pack >= 0) {
            return {};
        }
        const QString state = AppPaths::stateFolder();
        const QString failed = QStringLiteral("Der Ordner „%1“ lässt sich nicht anlegen.");
        if (!AppPaths::ensureFolder(state)) {
            return failed.arg(QDir::toNativeSeparators(state));
        }
        QFile::setPermissions(state, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (folder.isEmpty()) {
            created = QDateTime::currentDateTimeUtc();
            const QString base = FolderPrefix + QString::number(::getpid()) + u'-' +
                                 created.toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
            folder = QDir(state).filePath(base);
            for (int n = 2; QFileInfo::exists(folder); ++n) {
                folder = QDir(state).filePath(base + u'-' + QString::number(n));
            }
        }
        // Another program starting up may take a new folder without its
        // lock yet for one left empty and remove it: then once more.
        for (int attempt = 0; !lock && attempt < 2; ++attempt) {
            if (!QDir().mkpath(folder)) {
                return failed.arg(QDir::toNativeSeparators(folder));
            }
            lock = std::make_unique<QLockFile>(QDir(folder).filePath(LockName));
            lock->setStaleLockTime(0);
            if (!lock->tryLock(0)) {
                lock.reset();
            }
        }
        if (!lock || !QDir().mkpath(folder)) {
            return failed.arg(QDir::toNativeSeparators(folder));
        }
        const QByteArray packPath = QFile::encodeName(QDir(folder).filePath(PackName));
        const QByteArray manifestPath = QFile::encodeName(QDir(folder).filePath(ManifestName));
        pack = ::open(packPath.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
        manifest = ::open(manifestPath.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (pack < 0 || manifest < 0) {
            const int error = errno;
            closeFiles();
            return QStringLiteral("Die Rückgängig-Daten lassen sich nicht anlegen: %1").arg(systemReason(error));
        }
        struct stat info
        {
        };
        packSize = ::fstat(pack, &info) == 0 ? info.st_size : 0;
        if (::fstat(manifest, &info) == 0 && info.st_size == 0) {
            QJsonObject head;
            head.insert(QStringLiteral("format"), Format);
            head.insert(QStringLiteral("version"), Version);
            head.insert(QStringLiteral("created"), created.toString(Qt::ISODateWithMs));
            const QByteArray line = QJsonDocument(head).toJson(QJsonDocument::Compact) + '\n';
            int error = 0;
            if (!writeAll(manifest, line.constData(), line.size(), &error)) {
                closeFiles();
                return QStringLiteral("Die Rückgängig-Daten lassen sich nicht anlegen: %1").arg(systemReason(error));
            }
        }
        recording = true;
        return {};
    }

    // Keeps a file's old bytes; durable with the next sync of its disk.
    // Empty on success, else the reason (nothing of it is kept then).
    QString record(UndoEntry entry, const QByteArray &old)
    {
        if (QString failed = open(); !failed.isEmpty()) {
            return failed;
        }
        int error = 0;
        entry.offset = packSize;
        entry.size = old.size();
        if (!writeAll(pack, old.constData(), old.size(), &error)) {
            (void)!::ftruncate(pack, packSize);
            return QStringLiteral("Die vorige Fassung lässt sich nicht sichern: %1").arg(systemReason(error));
        }
        QJsonObject object;
        object.insert(QStringLiteral("n"), entry.number);
        object.insert(QStringLiteral("path"), entry.path);
        object.insert(QStringLiteral("name"), entry.displayName);
        object.insert(QStringLiteral("index"), entry.listIndex);
        object.insert(QStringLiteral("old"), hex(entry.oldHash));
        object.insert(QStringLiteral("new"), hex(entry.newHash));
        object.insert(QStringLiteral("offset"), double(entry.offset));
        object.insert(QStringLiteral("size"), double(entry.size));
        object.insert(QStringLiteral("temp"), entry.temp);
        const QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
        struct stat before
        {
        };
        ::fstat(manifest, &before);
        if (!writeAll(manifest, line.constData(), line.size(), &error)) {
            (void)!::ftruncate(manifest, before.st_size);
            (void)!::ftruncate(pack, packSize);
            return QStringLiteral("Die vorige Fassung lässt sich nicht sichern: %1").arg(systemReason(error));
        }
        packSize += old.size();
        entries.push_back(std::move(entry));
        return {};
    }

    // Makes what was recorded durable; false (with the reason) when the
    // disk would not.
    bool sync(QString *reason)
    {
        if (pack < 0) {
            return true;
        }
        int error = 0;
        if (::fdatasync(pack) != 0 || ::fdatasync(manifest) != 0) {
            error = errno;
        }
        // The folder's own entries, once: the files in it, it in the state
        // folder.
        for (const QString &dir : {folder, QFileInfo(folder).absolutePath()}) {
            if (error != 0 || folderSynced) {
                break;
            }
            const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fd < 0 || ::fsync(fd) != 0) {
                error = errno;
            }
            if (fd >= 0) {
                ::close(fd);
            }
        }
        if (error != 0) {
            *reason = QStringLiteral("Die Rückgängig-Daten lassen sich nicht sichern: %1").arg(systemReason(error));
            return false;
        }
        folderSynced = true;
        return true;
    }

    bool readManifest();
};

namespace {

std::optional<UndoEntry> entryOf(const QByteArray &line)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return std::nullopt;
    }
    const QJsonObject o = document.object();
    UndoEntry e;
    e.number = o.value(QStringLiteral("n")).toInt(-1);
    e.path = o.value(QStringLiteral("path")).toString();
    e.displayName = o.value(QStringLiteral("name")).toString();
    e.listIndex = o.value(QStringLiteral("index")).toInt(-1);
    e.temp = o.value(QStringLiteral("temp")).toString();
    const double offset = o.value(QStringLiteral("offset")).toDouble(-1);
    const double size = o.value(QStringLiteral("size")).toDouble(-1);
    if (e.number < 0 || e.path.isEmpty() || !parseHex(o.value(QStringLiteral("old")), &e.oldHash) ||
        !parseHex(o.value(QStringLiteral("new")), &e.newHash) || !(offset >= 0 && offset < 9e15) ||
        !(size >= 0 && size <= double(DocumentScanner::maxBytes())) || e.temp.contains(u'/')) {
        return std::nullopt;
    }
    e.offset = qint64(offset);
    e.size = qint64(size);
    return e;
}

} // namespace

bool UndoStore::State::readManifest()
{
    const QString path = QDir(folder).filePath(ManifestName);
    TextFile::FileKey key;
    QString error;
    const int fd = TextFile::openRegular(path, &key, &error);
    if (fd < 0) {
        return false;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    const QString damagedText = QStringLiteral("Ein Eintrag der Rückgängig-Daten in „%1“ ist beschädigt (Zeile %2).");
    qint64 read = 0;
    bool headSeen = false;
    for (int number = 1; read < MaxManifestBytes && int(entries.size()) < MaxEntries; ++number) {
        QByteArray line = file.readLine(MaxLineBytes);
        if (line.isEmpty()) {
            break;
        }
        read += line.size();
        const bool complete = line.endsWith('\n');
        if (!complete && line.size() >= MaxLineBytes - 1) {
            // Far too long for an entry: the rest of it is skipped.
            while (!file.atEnd() && !line.endsWith('\n') && read < MaxManifestBytes) {
                line = file.readLine(MaxLineBytes);
                read += line.size();
            }
            damaged.append({-1, folder, QString(), Outcome::Failed, 0,
                            damagedText.arg(QDir::toNativeSeparators(folder)).arg(number), false});
            continue;
        }
        if (!complete) {
            // The last line, cut by a kill while it was written: its file
            // was never replaced (that waits for the sync after it).
            break;
        }
        if (!headSeen) {
            headSeen = true;
            const QJsonObject head = QJsonDocument::fromJson(line).object();
            if (head.value(QStringLiteral("format")).toString() == Format) {
                created = QDateTime::fromString(head.value(QStringLiteral("created")).toString(), Qt::ISODateWithMs);
                continue;
            }
        }
        if (std::optional<UndoEntry> e = entryOf(line.trimmed())) {
            entries.push_back(std::move(*e));
        } else {
            damaged.append({-1, folder, QString(), Outcome::Failed, 0,
                            damagedText.arg(QDir::toNativeSeparators(folder)).arg(number), false});
        }
    }
    if (!created.isValid()) {
        created = QFileInfo(path).birthTime().isValid() ? QFileInfo(path).birthTime() : QFileInfo(path).lastModified();
    }
    return true;
}

UndoStore::UndoStore() = default;

UndoStore::UndoStore(std::shared_ptr<State> state) : m_state(std::move(state)) {}

UndoStore UndoStore::forThisProgram()
{
    return UndoStore(std::make_shared<State>());
}

QList<UndoStore> UndoStore::leftOver()
{
    QList<UndoStore> found;
    const QDir state(AppPaths::stateFolder());
    const QFileInfoList folders = state.entryInfoList(
        {FolderPrefix + u'*'}, QDir::Dirs | QDir::NoSymLinks | QDir::Hidden, QDir::Time | QDir::Reversed);
    for (const QFileInfo &info : folders) {
        if (found.size() >= MaxLeftOver) {
            break;
        }
        auto s = std::make_shared<State>();
        s->folder = info.absoluteFilePath();
        s->lock = std::make_unique<QLockFile>(QDir(s->folder).filePath(LockName));
        s->lock->setStaleLockTime(0);
        // Held by a program still running: its undo is its own business.
        if (!s->lock->tryLock(0)) {
            continue;
        }
        s->readManifest();
        if (s->entries.empty() && s->damaged.isEmpty()) {
            // Nothing was ever replaced with it; a folder just made may be
            // a running program's that has no lock yet.
            s->lock->unlock();
            if (info.lastModified().secsTo(QDateTime::currentDateTime()) > 60) {
                QDir(s->folder).removeRecursively();
            }
            continue;
        }
        found.append(UndoStore(std::move(s)));
    }
    return found;
}

bool UndoStore::isEmpty() const
{
    return !m_state || (m_state->entries.empty() && m_state->damaged.isEmpty());
}

QStringList UndoStore::paths() const
{
    QStringList list;
    if (m_state) {
        for (const UndoEntry &e : m_state->entries) {
            list.append(e.path);
        }
    }
    return list;
}

QString UndoStore::folder() const
{
    return m_state ? m_state->folder : QString();
}

QDateTime UndoStore::created() const
{
    return m_state ? m_state->created : QDateTime();
}

QList<DocumentResult> UndoStore::undo()
{
    QList<DocumentResult> results;
    if (!m_state) {
        return results;
    }
    State &s = *m_state;
    s.closeFiles();
    results = s.damaged;
    const QByteArray packPath = QFile::encodeName(QDir(s.folder).filePath(PackName));
    const int pack = ::open(packPath.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    struct stat packInfo
    {
    };
    const bool packOk = pack >= 0 && ::fstat(pack, &packInfo) == 0 && S_ISREG(packInfo.st_mode);
    // The old bytes stay in the store until discard(): nothing to sync.
    Batch batch;
    const auto commit = [&] {
        QString notSynced;
        if (!batch.sync(&notSynced)) {
            for (const Batch::Staged &staged : batch.staged()) {
                results[staged.result].outcome = Outcome::Failed;
                results[staged.result].reason = notSynced;
            }
            batch.dropAll();
            return;
        }
        for (const Batch::Staged &staged : batch.staged()) {
            DocumentResult &r = results[staged.result];
            if (const QString failed = Batch::move(staged); !failed.isEmpty()) {
                r.outcome = Outcome::Failed;
                r.reason = failed;
            }
        }
        batch.clear();
    };
    int number = 0;
    for (const UndoEntry &e : s.entries) {
        DocumentResult r{e.listIndex, e.path, e.displayName, Outcome::Restored, 0, {}, false};
        // A new version the replace was killed before moving into place.
        if (!e.temp.isEmpty()) {
            const QString target = TextFile::writeTarget(e.path);
            if (!target.isEmpty()) {
                ::unlink(QFile::encodeName(QFileInfo(target).absolutePath() + u'/' + e.temp).constData());
            }
        }
        const ReadFile now = readDocument(e.path, std::max<qint64>(e.size, DocumentScanner::maxBytes()) * 2);
        const quint64 hash = now.ok ? hashBytes(now.bytes) : 0;
        if (!now.ok) {
            r.outcome = now.missing ? Outcome::ChangedOnDisk : Outcome::Failed;
            r.reason = now.reason;
        } else if (hash == e.oldHash && now.bytes.size() == e.size) {
            // Never replaced, or put back already.
        } else if (hash != e.newHash) {
            r.outcome = Outcome::ChangedOnDisk;
            r.reason = QStringLiteral("Die Datei wurde nach dem Ersetzen geändert.");
        } else {
            QByteArray old;
            if (!packOk || e.offset + e.size > packInfo.st_size || !readAt(pack, e.offset, qsizetype(e.size), &old) ||
                hashBytes(old) != e.oldHash) {
                r.outcome = Outcome::Failed;
                r.reason = QStringLiteral("Die vorige Fassung in „%1“ ist beschädigt.")
                               .arg(QDir::toNativeSeparators(s.folder));
            } else {
                const QString temp = QStringLiteral(".%1.rueckgaengig-%2-%3")
                                         .arg(QFileInfo(e.path).fileName().left(60))
                                         .arg(::getpid())
                                         .arg(++number);
                if (const QString failed = batch.stage(int(results.size()), e.path, temp, old); !failed.isEmpty()) {
                    r.outcome = Outcome::Failed;
                    r.reason = failed;
                }
            }
        }
        results.append(r);
        if (batch.isFull()) {
            commit();
        }
    }
    commit();
    if (pack >= 0) {
        ::close(pack);
    }
    return results;
}

void UndoStore::discard()
{
    if (!m_state) {
        return;
    }
    State &s = *m_state;
    s.closeFiles();
    if (!s.folder.isEmpty()) {
        // The lock goes last: until then no other program takes the folder.
        QDir dir(s.folder);
        for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
            if (name != LockName) {
                dir.remove(name);
            }
        }
        if (s.lock) {
            s.lock->unlock();
        }
        dir.removeRecursively();
    }
    s.lock.reset();
    s.entries.clear();
    s.damaged.clear();
    s.folder.clear();
}

// ---------------------------------------------------------------------------
// write

QList<DocumentResult> write(const Plan &plan, UndoStore &undo, const std::atomic_bool &cancel,
                            const std::function<void(int done, int total)> &progress)
{
    if (!undo.m_state) {
        undo = UndoStore::forThisProgram();
    }
    UndoStore::State &store = *undo.m_state;
    const TextMatcher matcher(plan.options);
    const int total = int(plan.documents.size());
    QList<DocumentResult> results;
    results.reserve(total);
    for (const DocumentPlan &d : plan.documents) {
        results.append({d.listIndex, d.path, d.displayName, Outcome::NotReached, 0, {}, false});
    }
    int done = 0;
    const auto finished = [&] {
        ++done;
        if (progress) {
            progress(done, total);
        }
    };
    const int stopAt = stopBefore();
    int moved = 0;
    Batch batch;
    const QString storeTag = QString::number(::getpid());
    int number = int(store.entries.size());
    const auto commit = [&] {
        if (batch.isEmpty()) {
            return;
        }
        QString reason;
        const bool synced = store.sync(&reason) && batch.sync(&reason);
        for (const Batch::Staged &staged : batch.staged()) {
            DocumentResult &r = results[staged.result];
            if (moved++ == stopAt) {
                std::raise(SIGSTOP);
            }
            const QString failed = synced ? Batch::move(staged) : reason;
            if (failed.isEmpty()) {
                r.outcome = Outcome::Written;
            } else {
                r.outcome = Outcome::Failed;
                r.reason = failed;
                r.replaced = 0;
                r.becameUtf8 = false;
            }
            finished();
        }
        if (!synced) {
            batch.dropAll();
        }
        batch.clear();
    };

    for (int i = 0; i < total; ++i) {
        if (cancel.load()) {
            break;
        }
        const DocumentPlan &d = plan.documents[size_t(i)];
        DocumentResult &r = results[i];
        const auto settle = [&](Outcome outcome, const QString &reason = {}) {
            r.outcome = outcome;
            r.reason = reason;
            finished();
        };
        if (std::none_of(d.ticked.begin(), d.ticked.end(), [](bool b) { return b; })) {
            settle(Outcome::NothingTicked);
            continue;
        }
        const ReadFile file = readDocument(d.path, DocumentScanner::maxBytes());
        if (!file.ok) {
            settle(file.missing ? Outcome::ChangedOnDisk : Outcome::Skipped, file.reason);
            continue;
        }
        const quint64 oldHash = hashBytes(file.bytes);
        if (!(file.key == d.key) || oldHash != d.contentHash) {
            settle(Outcome::ChangedOnDisk, QStringLiteral("Die Datei wurde seit der Vorschau geändert."));
            continue;
        }
        bool needsUtf8 = false;
        int replaced = 0;
        const QByteArray bytes =
            replaceInBytes(file.bytes, matcher, plan.replacement, d.ticked, d.mayBecomeUtf8, &needsUtf8, &replaced);
        r.replaced = replaced;
        if (needsUtf8 && !d.mayBecomeUtf8) {
            r.replaced = 0;
            settle(Outcome::NeedsUtf8);
            continue;
        }
        r.becameUtf8 = needsUtf8;
        if (replaced == 0) {
            settle(Outcome::NothingTicked);
            continue;
        }
        if (bytes == file.bytes) {
            settle(Outcome::Written);
            continue;
        }
        UndoEntry entry;
        entry.number = ++number;
        entry.path = d.path;
        entry.displayName = d.displayName;
        entry.listIndex = d.listIndex;
        entry.oldHash = oldHash;
        entry.newHash = hashBytes(bytes);
        // Beside the file, hidden, short enough for any name.
        entry.temp =
            QStringLiteral(".%1.ersetzen-%2-%3").arg(QFileInfo(d.path).fileName().left(60), storeTag).arg(entry.number);
        const QString temp = entry.temp;
        if (const QString failed = store.record(std::move(entry), file.bytes); !failed.isEmpty()) {
            r.replaced = 0;
            settle(Outcome::Failed, failed);
            continue;
        }
        if (const QString failed = batch.stage(i, d.path, temp, bytes); !failed.isEmpty()) {
            r.replaced = 0;
            settle(Outcome::Failed, failed);
            continue;
        }
        if (batch.isFull()) {
            commit();
        }
    }
    commit();
    return results;
}

} // namespace ReplaceFiles
