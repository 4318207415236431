#include "TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using TextFile::FileKey;
using TextFile::Utf8Bom;

namespace {

// Bytes 0x80 to 0x9F of Windows-1252; every other byte value is the Latin-1
// character of the same number. The five bytes the code page leaves undefined
// map to the C1 controls of the same value, so that every byte value decodes
// and encodes back to itself and no file is altered by being read and saved.
// The table is ours rather than ICU's so that this guarantee does not depend
// on how Qt was built.
constexpr std::array<char16_t, 32> HighBlock = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr std::array<char16_t, 256> Windows1252 = [] {
    std::array<char16_t, 256> table{};
    for (size_t b = 0; b < table.size(); ++b) {
        table[b] = b >= 0x80 && b < 0xA0 ? HighBlock[b - 0x80] : char16_t(b);
    }
    return table;
}();

// The byte for a character, or -1 when Windows-1252 has none.
int windows1252Byte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return c;
    }
    const auto found = std::find(HighBlock.begin(), HighBlock.end(), c);
    if (found == HighBlock.end()) {
        return -1;
    }
    return 0x80 + static_cast<int>(found - HighBlock.begin());
}

QString windows1252Text(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char byte : bytes) {
        *out++ = QChar(Windows1252[static_cast<unsigned char>(byte)]);
    }
    return text;
}

bool encodeWindows1252(const QString &text, QByteArray *bytes)
{
    bytes->resize(text.size());
    char *out = bytes->data();
    for (const QChar c : text) {
        const int b = windows1252Byte(c.unicode());
        if (b < 0) {
            return false;
        }
        *out++ = static_cast<char>(b);
    }
    return true;
}

// Strict: an incomplete sequence at the end counts as an error, and a second
// BOM stays in the text. Checked before it is decoded, so that a file in the
// code page costs no decoding, and a valid one is decoded once.
bool decodeUtf8(const QByteArray &bytes, QString *text)
{
    if (!TextFile::isUtf8(bytes)) {
        return false;
    }
    // A BOM at the start stays in the text: decodeBytes() has taken off
    // the one that marks the encoding.
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    *text = decoder(bytes);
    return true;
}

// Qt's own test: vectorised, and as fast in a debug build as in a release
// one, which matters for settings files of many megabytes.
bool isAscii(const QByteArray &bytes)
{
    return QtPrivate::isAscii(QLatin1StringView(bytes));
}

QString megabytes(qint64 bytes)
{
    return QLocale(QLocale::German).toString(static_cast<double>(bytes) / (1024.0 * 1024.0), 'f', 1);
}

QString tooLarge(qint64 size, qint64 maxBytes)
{
    return QStringLiteral("Die Datei ist zu groß (%1 MB). Es können höchstens %2 MB gelesen werden.")
        .arg(megabytes(size), megabytes(maxBytes));
}

// Linux gives up after 40 links as well; a loop would otherwise spin forever.
constexpr int MaxLinkHops = 40;

QString notRegular()
{
    return QStringLiteral("Das ist keine gewöhnliche Datei, sondern ein Ordner, ein Gerät oder eine Pipe.");
}

FileKey keyOf(const struct stat &info)
{
    FileKey key;
    key.valid = true;
    key.device = static_cast<quint64>(info.st_dev);
    key.inode = static_cast<quint64>(info.st_ino);
    key.size = static_cast<qint64>(info.st_size);
    key.modifiedNs = static_cast<qint64>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    key.changedNs = static_cast<qint64>(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
    return key;
}

class Descriptor final
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd = -1;
};

} // namespace

FileKey TextFile::FileKey::of(const struct stat &info)
{
    return keyOf(info);
}

FileKey TextFile::FileKey::of(const QString &path)
{
    struct stat info
    {
    };
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return {};
    }
    return keyOf(info);
}

namespace TextFile {

int openRegular(const QString &path, FileKey *key, QString *error, bool *missing)
{
    if (missing) {
        *missing = false;
    }
    const QByteArray name = QFile::encodeName(path);
    struct stat info
    {
    };
    // Looked at before opening: opening some devices already does something.
    if (path.isEmpty() || ::stat(name.constData(), &info) != 0) {
        if (missing) {
            *missing = path.isEmpty() || errno == ENOENT || errno == ENOTDIR;
        }
        *error = path.isEmpty() ? QStringLiteral("Kein Dateiname.") : qt_error_string(errno);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        *error = notRegular();
        return -1;
    }
    int fd = -1;
    do {
        fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (missing) {
            *missing = errno == ENOENT;
        }
        *error = qt_error_string(errno);
        return -1;
    }
    // Checked again on what was opened: the name may have been replaced by a
    // pipe in between.
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        *error = notRegular();
        return -1;
    }
    *key = keyOf(info);
    return fd;
}

BytesResult readBytes(const QString &path, qint64 maxBytes)
{
    BytesResult result;
    FileKey key;
    const int fd = openRegular(path, &key, &result.error, &result.missing);
    if (fd < 0) {
        return result;
    }
    const Descriptor file(fd);
    if (key.size > maxBytes) {
        result.error = tooLarge(key.size, maxBytes);
        return result;
    }
    // One byte more than the size, to notice a file that grows meanwhile;
    // whatever happens, never more than the limit.
    QByteArray bytes;
    bytes.resize(static_cast<qsizetype>(key.size + 1));
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > maxBytes) {
                result.error = tooLarge(filled, maxBytes);
                return result;
            }
            bytes.resize(static_cast<qsizetype>(std::min<qint64>(maxBytes + 1, filled + 1024 * 1024)));
        }
        const ssize_t n = ::read(fd, bytes.data() + filled, static_cast<size_t>(bytes.size() - filled));
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (n < 0) {
            result.error = qt_error_string(errno);
            return result;
        }
        if (n == 0) {
            break;
        }
        filled += n;
    }
    bytes.truncate(filled);
    result.bytes = std::move(bytes);
    result.key = key;
    result.ok = true;
    return result;
}

QString storeRefusal(const QString &path)
{
    FileKey key;
    QString error;
    bool missing = false;
    const int fd = openRegular(path, &key, &error, &missing);
    if (fd < 0) {
        return missing ? QString() : error;
    }
    ::close(fd);
    return key.size > MaxStoreBytes ? tooLarge(key.size, MaxStoreBytes) : QString();
}

bool isNullDevice(const QString &path)
{
    struct stat info
    {
    };
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISCHR(info.st_mode)) {
        return false;
    }
    struct stat null
    {
    };
    const dev_t nullDevice = ::stat("/dev/null", &null) == 0 && S_ISCHR(null.st_mode) ? null.st_rdev : makedev(1, 3);
    return info.st_rdev == nullDevice;
}

QString writeRefusal(const QString &path)
{
    const QString target = writeTarget(path);
    if (target.isEmpty()) {
        return QStringLiteral("Zu viele Ebenen symbolischer Verknüpfungen.");
    }
    struct stat info
    {
    };
    if (::lstat(QFile::encodeName(target).constData(), &info) != 0) {
        return {}; // nothing there yet: the write creates it
    }
    return S_ISREG(info.st_mode) ? QString() : notRegular();
}

QString decodeWindows1252(QByteArrayView bytes)
{
    return windows1252Text(bytes);
}

void foldCrLf(QString &text)
{
    const qsizetype first = text.indexOf(u"\r\n");
    if (first < 0) {
        return;
    }
    QChar *const data = text.data();
    const qsizetype size = text.size();
    qsizetype out = first;
    for (qsizetype in = first; in < size; ++in) {
        if (data[in] != u'\r' || in + 1 == size || data[in + 1] != u'\n') {
            data[out++] = data[in];
        }
    }
    text.truncate(out);
}

bool isUtf8(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *const end = p + bytes.size();
    while (p < end) {
        // ASCII, sixteen (or eight) bytes at a time, then straight to the
        // first byte that is not.
#ifdef __SSE2__
        while (end - p >= 16) {
            const int high = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)));
            if (high != 0) {
                p += std::countr_zero(unsigned(high));
                break;
            }
            p += 16;
        }
#endif
        quint64 word = 0;
        while (end - p >= qsizetype(sizeof word)) {
            std::memcpy(&word, p, sizeof word);
            const quint64 high = word & 0x8080808080808080ull;
            if (high != 0) {
                p += std::countr_zero(high) / 8;
                break;
            }
            p += sizeof word;
        }
        if (p == end) {
            break;
        }
        const unsigned char lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        // The bytes that follow a lead byte, and the range of the first of
        // them, which rules out overlong forms, surrogates and code points
        // past U+10FFFF.
        qsizetype following = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            following = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            following = 2;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            following = 3;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (end - p <= following || p[1] < low || p[1] > high) {
            return false;
        }
        for (qsizetype i = 2; i <= following; ++i) {
            if ((p[i] & 0xC0) != 0x80) {
                return false;
            }
        }
        p += following + 1;
    }
    return true;
}

QString decodeBytes(const QByteArray &bytes, TextFormat *format)
{
    QString text;
    format->bom = false;
    format->encoding = TextFormat::Encoding::Windows1252;
    if (bytes.startsWith(Utf8Bom) && decodeUtf8(bytes.sliced(Utf8Bom.size()), &text)) {
        format->encoding = TextFormat::Encoding::Utf8;
        format->bom = true;
    } else if (isAscii(bytes)) {
        // Plain ASCII is what most of the library's documents are; they stay
        // in the library's code page, so adding an umlaut keeps them there.
        text = QString::fromLatin1(bytes);
    } else if (decodeUtf8(bytes, &text)) {
        format->encoding = TextFormat::Encoding::Utf8;
    } else {
        // Also a BOM followed by invalid UTF-8 ends here: its bytes are kept
        // as text rather than lost to replacement characters.
        text = windows1252Text(bytes);
    }
    return text;
}

namespace {

// Sets the line-end style from the text as decoded and folds CR LF to LF
// where that style is CR LF.
void settleLineEnds(DecodedText &result)
{
    TextFormat &format = result.format;
    QString &text = result.text;
    const qsizetype firstLf = text.indexOf(u'\n');
    if (firstLf > 0 && text.at(firstLf - 1) == u'\r') {
        format.lineEnd = TextFormat::LineEnd::CrLf;
        // A lone LF in such a file comes back as CR LF; it cannot be told
        // apart from the others once the text is in memory.
        TextFile::foldCrLf(text);
    } else if (firstLf < 0 && format.encoding == TextFormat::Encoding::Windows1252) {
        // Without any line end to go by, a code-page file is taken to be one
        // of the library's own: lines added later end in CR LF like theirs.
        format.lineEnd = TextFormat::LineEnd::CrLf;
    } else {
        // Untouched, so an LF file round-trips even when some lines end in
        // CR LF: the CR is ordinary text there.
        format.lineEnd = TextFormat::LineEnd::Lf;
    }
}

} // namespace

DecodedText decode(const QByteArray &bytes)
{
    DecodedText result;
    result.text = decodeBytes(bytes, &result.format);
    settleLineEnds(result);
    return result;
}

namespace {

// Bytes that Windows-1252 reads as a letter, or leaves undefined: after a
// capital letter they make no text of that code page.
bool windows1252LetterOrUndefined(unsigned char byte)
{
    switch (byte) {
    case 0x81:
    case 0x83:
    case 0x8A:
    case 0x8C:
    case 0x8D:
    case 0x8E:
    case 0x8F:
    case 0x90:
    case 0x9A:
    case 0x9C:
    case 0x9D:
    case 0x9E:
    case 0x9F:
    case 0xAA:
    case 0xB5:
    case 0xBA:
        return true;
    default:
        return false;
    }
}

} // namespace

bool utf8ReadingIsPlausible(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype size = bytes.size();
    int forUtf8 = 0;
    int forWindows1252 = 0;
    bool afterSequence = false;
    for (qsizetype i = 0; i < size;) {
        const unsigned char lead = p[i];
        if (lead < 0x80) {
            afterSequence = false;
            ++i;
            continue;
        }
        const qsizetype length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (lead < 0xC2 || length > size - i) {
            return false; // not UTF-8 at all
        }
        const unsigned char second = p[i + 1];
        if (length > 2 || lead == 0xC3 || (lead == 0xC2 && second >= 0xA0)) {
            ++forUtf8;
        } else if (lead == 0xC2) {
            ++forWindows1252; // UTF-8 would make it a C1 control
        } else {
            const bool beforeSequence = i + 2 < size && p[i + 2] >= 0x80;
            if (afterSequence || beforeSequence || windows1252LetterOrUndefined(second)) {
                ++forUtf8;
            } else {
                ++forWindows1252;
            }
        }
        afterSequence = true;
        i += length;
    }
    return forUtf8 > forWindows1252;
}

bool decodeUtf16(QByteArrayView bytes, QString *text, bool *bigEndian)
{
    if (bytes.size() < 2 || bytes.size() % 2 != 0) {
        return false;
    }
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    if (p[0] == 0xFF && p[1] == 0xFE) {
        *bigEndian = false;
    } else if (p[0] == 0xFE && p[1] == 0xFF) {
        *bigEndian = true;
    } else {
        return false;
    }
    const qsizetype units = bytes.size() / 2 - 1;
    text->resize(units);
    QChar *out = text->data();
    const int high = *bigEndian ? 0 : 1;
    for (qsizetype i = 0; i < units; ++i) {
        const unsigned char *unit = p + 2 + 2 * i;
        out[i] = QChar(char16_t((unit[high] << 8) | unit[1 - high]));
    }
    return true;
}

QByteArray encodeUtf16(QStringView text, bool bigEndian)
{
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    char *out = bytes.data();
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        *out++ = bigEndian ? high : low;
        *out++ = bigEndian ? low : high;
    }
    return bytes;
}

QByteArray encode(const QString &text, const TextFormat &format, bool *switchedToUtf8)
{
    if (switchedToUtf8) {
        *switchedToUtf8 = false;
    }
    QString withLineEnds = text;
    if (format.lineEnd == TextFormat::LineEnd::CrLf) {
        withLineEnds.replace(u'\n', QLatin1String("\r\n"));
    }

    if (format.encoding == TextFormat::Encoding::Windows1252) {
        QByteArray bytes;
        if (encodeWindows1252(withLineEnds, &bytes)) {
            return bytes;
        }
        if (switchedToUtf8) {
            *switchedToUtf8 = true;
        }
        // Without a BOM: other programs that read the file as before then
        // see at worst some odd characters, never a stray BOM in line one.
        return withLineEnds.toUtf8();
    }
    return format.bom ? Utf8Bom + withLineEnds.toUtf8() : withLineEnds.toUtf8();
}

bool fitsWindows1252(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return windows1252Byte(c.unicode()) >= 0; });
}

ReadResult read(const QString &path, qint64 maxBytes)
{
    ReadResult result;
    BytesResult bytes = readBytes(path, maxBytes);
    if (!bytes.ok) {
        result.error = bytes.error;
        return result;
    }
    result.content = decode(bytes.bytes);
    result.bytes = std::move(bytes.bytes);
    result.ok = true;
    return result;
}

WriteResult write(const QString &path, const QString &text, const TextFormat &format)
{
    WriteResult result;
    const QByteArray bytes = encode(text, format, &result.switchedToUtf8);
    result.usedFormat = format;
    if (result.switchedToUtf8) {
        result.usedFormat.encoding = TextFormat::Encoding::Utf8;
        result.usedFormat.bom = false;
    }
    result.error = writeBytes(path, bytes);
    result.ok = result.error.isEmpty();
    return result;
}

QString writeTarget(const QString &path)
{
    QString current = path;
    for (int hop = 0; hop < MaxLinkHops; ++hop) {
        const QFileInfo info(current);
        if (!info.isSymLink()) {
            return current;
        }
        current = info.symLinkTarget();
    }
    return {};
}

QString writeBytes(const QString &path, const QByteArray &bytes)
{
    const QString failed = QStringLiteral("Die Datei konnte nicht gespeichert werden.");
    auto reason = [&failed](const QFileDevice &file) {
        return file.errorString().isEmpty() ? failed : file.errorString();
    };

    if (QString refused = writeRefusal(path); !refused.isEmpty()) {
        return refused;
    }
    const QString target = writeTarget(path);
    QSaveFile file(target);
    // Writing in place would tear the file on failure; refuse instead.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        return reason(file);
    }
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        QString error = reason(file);
        file.cancelWriting();
        return error;
    }
    if (!file.commit()) {
        return reason(file);
    }
    return {};
}

} // namespace TextFile
