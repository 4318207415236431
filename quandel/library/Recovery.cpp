#include "Recovery.h"

#include "AppPaths.h"
#include "TextFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSaveFile>
#include <QThreadPool>
#include <QUuid>

#include <algorithm>

namespace {

const QString Format = QStringLiteral("Quandel Library: ungesicherter Text");
constexpr int Version = 1;
const QString Suffix = QStringLiteral(".qrec");
// A recovery file holds at most a document the editor can hold, escaped.
constexpr qint64 MaxRecoveryBytes = 128ll * 1024 * 1024;

QString lockOf(const QString &file)
{
    return file + QStringLiteral(".lock");
}

bool writeAtomically(const QString &file, const QByteArray &bytes)
{
    QSaveFile out(file);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly)) {
        return false;
    }
    if (out.write(bytes) != bytes.size() || !out.flush()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

} // namespace

// ---------------------------------------------------------------------------
// RecoveryRecord

QByteArray RecoveryRecord::serialise() const
{
    QJsonObject object;
    object.insert(QStringLiteral("format"), Format);
    object.insert(QStringLiteral("version"), Version);
    object.insert(QStringLiteral("path"), path);
    object.insert(QStringLiteral("name"), name);
    object.insert(QStringLiteral("kind"), kind);
    object.insert(QStringLiteral("diskExists"), diskExists);
    object.insert(QStringLiteral("diskHash"), QString::fromLatin1(diskHash.toHex()));
    object.insert(QStringLiteral("written"), written.toUTC().toString(Qt::ISODateWithMs));
    object.insert(QStringLiteral("text"), text);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<RecoveryRecord> RecoveryRecord::parse(const QByteArray &bytes)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return std::nullopt;
    }
    const QJsonObject object = document.object();
    if (object.value(QStringLiteral("format")).toString() != Format ||
        object.value(QStringLiteral("version")).toInt() != Version ||
        !object.value(QStringLiteral("text")).isString()) {
        return std::nullopt;
    }
    RecoveryRecord record;
    record.path = object.value(QStringLiteral("path")).toString();
    record.name = object.value(QStringLiteral("name")).toString();
    record.kind = object.value(QStringLiteral("kind")).toInt();
    record.diskExists = object.value(QStringLiteral("diskExists")).toBool();
    record.diskHash = QByteArray::fromHex(object.value(QStringLiteral("diskHash")).toString().toLatin1());
    record.written = QDateTime::fromString(object.value(QStringLiteral("written")).toString(), Qt::ISODateWithMs);
    record.text = object.value(QStringLiteral("text")).toString();
    return record;
}

// ---------------------------------------------------------------------------
// LeftRecovery

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
    const TextFile::BytesResult now = TextFile::readBytes(record.path, MaxRecoveryBytes);
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
      m_worker(std::make_unique<QThreadPool>()), m_generation(std::make_shared<std::atomic_int>(0))
{
    m_worker->setMaxThreadCount(1); // in order: a removal never overtakes a write
    m_file = QDir(m_folder).filePath(QStringLiteral("Ungesichert-") +
                                     QUuid::createUuid().toString(QUuid::WithoutBraces) + Suffix);
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
    post([record = std::move(record), file = m_file, folder = m_folder, current = m_generation, generation] {
        // A newer text is already on its way: this one would only be
        // replaced.
        if (current->load() != generation) {
            return;
        }
        AppPaths::ensureFolder(folder);
        writeAtomically(file, record.serialise());
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

std::vector<LeftRecovery> RecoveryKeeper::claimLeftOver() const
{
    std::vector<LeftRecovery> found;
    const QFileInfoList files = QDir(m_folder).entryInfoList({u'*' + Suffix}, QDir::Files | QDir::Hidden, QDir::Time);
    for (const QFileInfo &info : files) {
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
        const TextFile::BytesResult read = TextFile::readBytes(file, MaxRecoveryBytes);
        std::optional<RecoveryRecord> record =
            read.ok ? RecoveryRecord::parse(read.bytes) : std::optional<RecoveryRecord>();
        if (!record) {
            claim->unlock();
            continue;
        }
        found.push_back({file, std::move(*record), std::move(claim)});
    }
    return found;
}
