#include "SearchHistory.h"

#include "TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>

namespace SearchHistory {

namespace {

constexpr QChar Cr = u'\r';
constexpr QChar Lf = u'\n';

enum class Read
{
    Ok,
    Missing,
    Failed
};

QString readContent(const QString &path, Read *state, TextFormat *format)
{
    const TextFile::BytesResult read = TextFile::readBytes(path, TextFile::MaxStoreBytes);
    if (!read.ok) {
        *state = read.missing ? Read::Missing : Read::Failed;
        return {};
    }
    *state = Read::Ok;
    return TextFile::decodeBytes(read.bytes, format);
}

bool writeContent(const QString &path, const QString &content, TextFormat format)
{
    // The history is written as it stands: its line ends are in the text.
    format.lineEnd = TextFormat::LineEnd::Lf;
    QDir().mkpath(QFileInfo(path).absolutePath());
    // A link to anything but a regular file (to /dev/null, to switch the
    // history off) is left alone, and so is its mode.
    if (!TextFile::writeRefusal(path).isEmpty()) {
        return false;
    }
    QFile file(path);
    // Only the mode bits: setting the "user" flags would set the owner's.
    const QFileDevice::Permissions before =
        file.permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
    // A read-only history is made writable, as saving a term asks for; when
    // the write fails all the same, it stays as it was.
    const bool madeWritable = file.exists() && !(before & QFileDevice::WriteOwner) &&
                              file.setPermissions(before | QFileDevice::WriteOwner | QFileDevice::WriteUser);
    QByteArray bytes = TextFile::encode(content, format);
    // Windows-1252 whose bytes happen to be valid UTF-8 ("Spaß…" is DF 85)
    // would read back as other text; such a history is written in UTF-8.
    TextFormat readBack;
    if (TextFile::decodeBytes(bytes, &readBack) != content) {
        bytes = TextFile::encode(content, {TextFormat::Encoding::Utf8, false, TextFormat::LineEnd::Lf});
    }
    const bool written = TextFile::writeBytes(path, bytes).isEmpty();
    if (!written && madeWritable) {
        file.setPermissions(before);
    }
    return written;
}

} // namespace

QStringList termsFromText(const QString &content)
{
    QStringList terms;
    QString line;
    for (const QChar c : content) {
        if (c == Lf) {
            continue;
        }
        if (c == Cr) {
            if (!line.isEmpty()) {
                terms.append(line);
            }
            line.clear();
            continue;
        }
        line += c;
    }
    return terms;
}

QString textWithTermOnTop(const QString &content, const QString &term)
{
    QString rest;
    QString line;
    for (const QChar c : content) {
        if (c == Lf) {
            continue;
        }
        if (c == Cr) {
            if (line != term) {
                rest += Lf + line + Cr;
            }
            line.clear();
            continue;
        }
        line += c;
    }
    if (rest.startsWith(Lf)) {
        rest.remove(0, 1);
    }
    if (!rest.isEmpty() && !rest.startsWith(Cr)) {
        rest.prepend(QStringLiteral("\r\n"));
    }
    for (const QChar last : {Lf, Cr, Lf}) {
        if (rest.endsWith(last)) {
            rest.chop(1);
        }
    }
    return term + rest + QStringLiteral("\r\n");
}

QString clearedText()
{
    return QStringLiteral("\r\n\r\n");
}

QStringList read(const QString &path, bool *exists)
{
    Read state = Read::Missing;
    TextFormat format;
    const QString content = readContent(path, &state, &format);
    if (exists) {
        *exists = state == Read::Ok;
    }
    return state == Read::Ok ? termsFromText(content) : QStringList();
}

namespace {
// The search dialog writes on the window thread, the window of all hits on a
// worker: each write reads, changes and writes the whole file, so two at once
// would lose one term.
QMutex &writeLock()
{
    static QMutex lock;
    return lock;
}
} // namespace

bool save(const QString &path, const QString &term)
{
    const QMutexLocker locker(&writeLock());
    Read state = Read::Missing;
    TextFormat format = TextFormat::document();
    const QString content = readContent(path, &state, &format);
    if (state == Read::Failed) {
        // Unreadable is not empty: writing now would throw the terms away.
        return false;
    }
    return writeContent(path, textWithTermOnTop(content, term), format);
}

bool clear(const QString &path)
{
    const QMutexLocker locker(&writeLock());
    Read state = Read::Missing;
    TextFormat format = TextFormat::document();
    readContent(path, &state, &format);
    if (state == Read::Failed) {
        return false;
    }
    return writeContent(path, clearedText(), format);
}

} // namespace SearchHistory
