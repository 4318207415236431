#include "Recovery.h"

#include "AppPaths.h"
#include "EditorDocument.h"
#include "TextFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QThreadPool>
#include <QUuid>

#include <unistd.h>

namespace {

const QString Format = QStringLiteral("Quandel Library: ungesicherter Text");
// 1: one JSON object, the text inside; 2: a JSON line, then the text.
constexpr int FirstVersion = 1;
constexpr int Version = 2;
const QString Prefix = QStringLiteral("Ungesichert-");
const QString Suffix = QStringLiteral(".qrec");
// The line before the text: a path and a name, never more than this.
constexpr qint64 MaxHeadBytes = 64 * 1024;
// A file of the first format holding a text the editor can hold, escaped.
constexpr qint64 MaxFirstFormatBytes = 3 * EditorDocument::MaxBytes;
// The most text one recovery file gives back, saved elsewhere.
constexpr qint64 MaxSavedTextBytes = 256ll * 1024 * 1024;
// The most the document on disk is read to tell whether it changed.
constexpr qint64 MaxDocumentBytes = 128ll * 1024 * 1024;
// Lock files looked at per start.
constexpr int MaxLocks = 10000;

QString lockOf(const QString &file)
{
    return file + QStringLiteral(".lock");
}

void readMeta(const QJsonObject &object, RecoveryRecord &record)
{
    record.path = object.value(QStringLiteral("path")).toString();
    record.name = object.value(QStringLiteral("name")).toString();
    record.kind = object.value(QStringLiteral("kind")).toInt();
    record.diskExists = object.value(QStringLiteral("diskExists")).toBool();
    record.diskHash = QByteArray::fromHex(object.value(QStringLiteral("diskHash")).toString().toLatin1());
    record.written = QDateTime::fromString(object.value(QStringLiteral("written")).toString(), Qt::ISODateWithMs);
}

std::optional<QJsonObject> objectOf(QByteArrayView bytes, int version)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return std::nullopt;
    }
    QJsonObject object = document.object();
    if (object.value(QStringLiteral("format")).toString() != Format ||
        object.value(QStringLiteral("version")).toInt() != version) {
        return std::nullopt;
    }
    return object;
}

// A record of the first format, text included.
std::optional<RecoveryRecord> parseFirstFormat(const QByteArray &bytes)
{
    const std::optional<QJsonObject> object = objectOf(bytes, FirstVersion);
    if (!object || !object->value(QStringLiteral("text")).isString()) {
        return std::nullopt;
    }
    RecoveryRecord record;
    readMeta(*object, record);
    record.text = object->value(QStringLiteral("text")).toString();
    return record;
}

struct Head
{
    RecoveryRecord record;
    qint64 textOffset = 0;
    qint64 textBytes = 0;
};

// What the first line of a file of fileSize bytes says, when it is a
// complete record of the current format.
std::optional<Head> parseHead(QByteArrayView bytes, qint64 fileSize)
{
    const qsizetype end = bytes.first(qMin(bytes.size(), qsizetype(MaxHeadBytes))).indexOf('\n');
    if (end < 0) {
        return std::nullopt;
    }
    const std::optional<QJsonObject> object = objectOf(bytes.first(end), Version);
    if (!object) {
        return std::nullopt;
    }
    Head head;
    readMeta(*object, head.record);
    head.textOffset = end + 1;
    // Whole numbers up to 2^53 only: a larger one has no exact qint64.
    const double size = object->value(QStringLiteral("textBytes")).toDouble(-1);
    if (!(size >= 0 && size <= 9007199254740992.0)) {
        return std::nullopt;
    }
    head.textBytes = qint64(size);
    if (double(head.textBytes) != size || head.textOffset + head.textBytes != fileSize) {
        return std::nullopt;
    }
    return head;
}

// The text's UTF-8 bytes as the file holds them, at most maxBytes.
std::optional<QByteArray> textBytesOf(const LeftRecovery &left, qint64 maxBytes)
{
    if (left.textBytes > maxBytes) {
        return std::nullopt;
    }
    if (left.textOffset < 0) {
        const TextFile::BytesResult read = TextFile::readBytes(left.file, MaxFirstFormatBytes);
        const std::optional<RecoveryRecord> record = read.ok ? parseFirstFormat(read.bytes) : std::nullopt;
        return record ? std::optional<QByteArray>(record->text.toUtf8()) : std::nullopt;
    }
    TextFile::FileKey key;
    QString error;
    const int fd = TextFile::openRegular(left.file, &key, &error);
    if (fd < 0) {
        return std::nullopt;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    if (key.size != left.textOffset + left.textBytes || !file.seek(left.textOffset)) {
        return std::nullopt;
    }
    QByteArray bytes = file.read(left.textBytes);
    if (bytes.size() != left.textBytes || !TextFile::isUtf8(bytes)) {
        return std::nullopt;
    }
    return bytes;
}

} // namespace

// ---------------------------------------------------------------------------
// RecoveryRecord

QByteArray RecoveryRecord::serialise() const
{
    const QByteArray utf8 = text.toUtf8();
    QJsonObject object;
    object.insert(QStringLiteral("format"), Format);
    object.insert(QStringLiteral("version"), Version);
    object.insert(QStringLiteral("path"), path);
    object.insert(QStringLiteral("name"), name);
    object.insert(QStringLiteral("kind"), kind);
    object.insert(QStringLiteral("diskExists"), diskExists);
    object.insert(QStringLiteral("diskHash"), QString::fromLatin1(diskHash.toHex()));
    object.insert(QStringLiteral("written"), written.toUTC().toString(Qt::ISODateWithMs));
    object.insert(QStringLiteral("textBytes"), double(utf8.size()));
    // Compact JSON escapes every line break: the line ends before the text.
    QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Compact);
    bytes.reserve(bytes.size() + 1 + utf8.size());
    bytes += '\n';
    bytes += utf8;
    return bytes;
}

std::optional<RecoveryRecord> RecoveryRecord::parse(const QByteArray &bytes)
{
    if (std::optional<Head> head = parseHead(bytes, bytes.size())) {
        const QByteArrayView text = QByteArrayView(bytes).sliced(head->textOffset);
        if (!TextFile::isUtf8(text)) {
            return std::nullopt;
        }
        head->record.text = QString::fromUtf8(text);
        return std::move(head->record);
    }
    return parseFirstFormat(bytes);
}

// ---------------------------------------------------------------------------
// LeftRecovery

bool LeftRecovery::fitsEditor() const
{
    return textBytes <= EditorDocument::MaxBytes;
}

std::optional<QString> LeftRecovery::readText(qint64 maxBytes) const
{
    const std::optional<QByteArray> bytes = textBytesOf(*this, maxBytes);
    return bytes ? std::optional<QString>(QString::fromUtf8(*bytes)) : std::nullopt;
}

QString LeftRecovery::saveTextAs(const QString &target) const
{
    const std::optional<QByteArray> bytes = textBytesOf(*this, MaxSavedTextBytes);
    if (!bytes) {
        return textBytes > MaxSavedTextBytes
                   ? QStringLiteral("Der Text ist größer als %1 MB.").arg(MaxSavedTextBytes / (1024 * 1024))
                   : QStringLiteral("Die Datei „%1“ lässt sich nicht mehr lesen.").arg(QDir::toNativeSeparators(file));
    }
    return TextFile::writeBytes(target, *bytes);
}

bool LeftRecovery::changedOnDisk() const
{
    if (record.path.isEmpty()) {
        return false;
    }
    const bool exists = QFileInfo(record.path).isFile();
    if (exists != record.diskExists) {
        return true;
    }
    if (!exists || record.diskHash.isEmpty()) {
        return false;
    }
    const TextFile::BytesResult now = TextFile::readBytes(record.path, MaxDocumentBytes);
    return !now.ok || QCryptographicHash::hash(now.bytes, QCryptographicHash::Sha1) != record.diskHash;
}

void LeftRecovery::remove()
{
    QFile::remove(file);
    if (claim) {
        claim->unlock();
    }
}

void LeftRecovery::keep()
{
    if (claim) {
        claim->unlock();
    }
}

// ---------------------------------------------------------------------------
// RecoveryKeeper

RecoveryKeeper::RecoveryKeeper(const QString &folder, QObject *parent)
    : QObject(parent), m_folder(folder.isEmpty() ? AppPaths::stateFolder() : folder),
      m_worker(std::make_unique<QThreadPool>()), m_generation(std::make_shared<std::atomic_int>(0)),
      m_lastFailed(std::make_shared<std::atomic_bool>(false))
{
    m_worker->setMaxThreadCount(1); // in order: a removal never overtakes a write
    m_file = QDir(m_folder).filePath(Prefix + QUuid::createUuid().toString(QUuid::WithoutBraces) + Suffix);
    if (AppPaths::ensureFolder(m_folder)) {
        // Unsaved text is nobody else's business.
        QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    m_lock = std::make_unique<QLockFile>(lockOf(m_file));
    m_lock->setStaleLockTime(0);
    m_lock->tryLock(0);
}

RecoveryKeeper::~RecoveryKeeper()
{
    m_worker->waitForDone();
    if (!m_leftForNextStart) {
        QFile::remove(m_file);
    }
    m_lock->unlock();
}

void RecoveryKeeper::post(std::function<void()> job)
{
    m_worker->start(std::move(job));
}

void RecoveryKeeper::keep(RecoveryRecord record)
{
    const int generation = ++*m_generation;
    post([this, record = std::move(record), current = m_generation, generation] {
        // A newer text is already on its way: this one would only be
        // replaced.
        if (current->load() != generation) {
            return;
        }
        QString error;
        // A folder that could not be made at start has no lock yet: the file
        // is never without one, or another program would take it for left.
        const bool ready = AppPaths::ensureFolder(m_folder);
        if (ready && !m_lock->isLocked()) {
            QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            m_lock->tryLock(0);
        }
        if (!ready || !m_lock->isLocked()) {
            error = QStringLiteral("Der Ordner „%1“ lässt sich nicht anlegen oder ist keiner.")
                        .arg(QDir::toNativeSeparators(m_folder));
        } else if (const QString failed = TextFile::writeBytes(m_file, record.serialise()); !failed.isEmpty()) {
            error = QStringLiteral("Die Datei „%1“ lässt sich nicht schreiben: %2")
                        .arg(QDir::toNativeSeparators(m_file), failed);
        }
        m_lastFailed->store(!error.isEmpty());
        // Told on the window's thread; dropped when the keeper is gone by then.
        QMetaObject::invokeMethod(
            this,
            [this, error] {
                if (error.isEmpty()) {
                    Q_EMIT written();
                } else {
                    Q_EMIT writeFailed(error);
                }
            },
            Qt::QueuedConnection);
    });
}

void RecoveryKeeper::discard()
{
    ++*m_generation;
    post([file = m_file] { QFile::remove(file); });
}

void RecoveryKeeper::waitForDone()
{
    m_worker->waitForDone();
}

void RecoveryKeeper::leaveForNextStart()
{
    m_worker->waitForDone();
    m_leftForNextStart = true;
    m_lock->unlock();
}

void RecoveryKeeper::removeStaleLocks() const
{
    const QStringList locks = QDir(m_folder).entryList({Prefix + u'*' + Suffix + QStringLiteral(".lock")},
                                                       QDir::Files | QDir::Hidden, QDir::Unsorted);
    const QString own = QFileInfo(lockOf(m_file)).fileName();
    int looked = 0;
    for (const QString &name : locks) {
        if (name == own || ++looked > MaxLocks) {
            continue;
        }
        const QString lockFile = QDir(m_folder).filePath(name);
        // A lock beside its recovery file goes with the file's claim.
        if (QFileInfo::exists(lockFile.chopped(5))) {
            continue;
        }
        // Taken only when its owner no longer runs on this machine; giving it
        // up again removes it.
        QLockFile lock(lockFile);
        lock.setStaleLockTime(0);
        if (lock.tryLock(0)) {
            lock.unlock();
        }
    }
}

std::vector<LeftRecovery> RecoveryKeeper::claimLeftOver() const
{
    removeStaleLocks();
    std::vector<LeftRecovery> found;
    const QFileInfoList files =
        QDir(m_folder).entryInfoList({Prefix + u'*' + Suffix}, QDir::Files | QDir::Hidden, QDir::Time);
    for (const QFileInfo &info : files) {
        if (found.size() >= size_t(MaxLeftOver)) {
            break;
        }
        const QString file = info.absoluteFilePath();
        if (file == QFileInfo(m_file).absoluteFilePath()) {
            continue;
        }
        auto claim = std::make_shared<QLockFile>(lockOf(file));
        claim->setStaleLockTime(0);
        // Held by a program still running: its text is its own business.
        if (!claim->tryLock(0)) {
            continue;
        }
        LeftRecovery left{file, {}, 0, 0, claim};
        bool complete = false;
        TextFile::FileKey key;
        QString error;
        if (const int fd = TextFile::openRegular(file, &key, &error); fd >= 0) {
            QFile in;
            if (in.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
                const QByteArray head = in.read(MaxHeadBytes);
                if (std::optional<Head> parsed = parseHead(head, key.size)) {
                    left.record = std::move(parsed->record);
                    left.textOffset = parsed->textOffset;
                    left.textBytes = parsed->textBytes;
                    complete = true;
                }
            } else {
                ::close(fd);
            }
        }
        if (!complete && key.size <= MaxFirstFormatBytes) {
            const TextFile::BytesResult read = TextFile::readBytes(file, MaxFirstFormatBytes);
            if (std::optional<RecoveryRecord> record = read.ok ? parseFirstFormat(read.bytes) : std::nullopt) {
                left.textBytes = record->text.toUtf8().size();
                left.textOffset = -1;
                record->text.clear();
                left.record = std::move(*record);
                complete = true;
            }
        }
        if (!complete) {
            claim->unlock();
            continue;
        }
        found.push_back(std::move(left));
    }
    return found;
}
