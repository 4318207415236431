#include "TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>
#include <array>

namespace {

const QByteArray Utf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");

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

QString decodeWindows1252(const QByteArray &bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        *out++ = (b >= 0x80 && b < 0xA0) ? QChar(HighBlock[b - 0x80]) : QChar(static_cast<char16_t>(b));
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
// BOM stays in the text. The re-encoding check makes sure the text reproduces
// the bytes exactly, whatever the decoder tolerates.
bool decodeUtf8(const QByteArray &bytes, QString *text)
{
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    *text = decoder(bytes);
    return !decoder.hasError() && text->toUtf8() == bytes;
}

bool isAscii(const QByteArray &bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char b) { return static_cast<unsigned char>(b) < 0x80; });
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

} // namespace

namespace TextFile {

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
        text = decodeWindows1252(bytes);
    }
    return text;
}

DecodedText decode(const QByteArray &bytes)
{
    DecodedText result;
    TextFormat &format = result.format;
    QString &text = result.text;
    text = decodeBytes(bytes, &format);

    const qsizetype firstLf = text.indexOf(u'\n');
    if (firstLf > 0 && text.at(firstLf - 1) == u'\r') {
        format.lineEnd = TextFormat::LineEnd::CrLf;
        // A lone LF in such a file comes back as CR LF; it cannot be told
        // apart from the others once the text is in memory.
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    } else if (firstLf < 0 && format.encoding == TextFormat::Encoding::Windows1252) {
        // Without any line end to go by, a code-page file is taken to be one
        // of the library's own: lines added later end in CR LF like theirs.
        format.lineEnd = TextFormat::LineEnd::CrLf;
    } else {
        // Untouched, so an LF file round-trips even when some lines end in
        // CR LF: the CR is ordinary text there.
        format.lineEnd = TextFormat::LineEnd::Lf;
    }
    return result;
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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = file.errorString();
        return result;
    }
    if (file.size() > maxBytes) {
        result.error = tooLarge(file.size(), maxBytes);
        return result;
    }

    // In chunks rather than readAll(): files that report no size (pipes,
    // /proc) must still stop at the limit.
    // A file that reports its size is read in one go (plus one byte, to
    // notice growth); small files must not cost a megabyte each.
    const qint64 chunkSize = std::clamp<qint64>(file.size() + 1, 4096, 1024 * 1024);
    QByteArray bytes;
    bytes.reserve(file.size());
    while (true) {
        const QByteArray chunk = file.read(chunkSize);
        if (chunk.isEmpty()) {
            break;
        }
        bytes += chunk;
        if (bytes.size() > maxBytes) {
            result.error = tooLarge(bytes.size(), maxBytes);
            return result;
        }
    }
    if (file.error() != QFileDevice::NoError) {
        result.error = file.errorString();
        return result;
    }

    result.content = decode(bytes);
    result.bytes = std::move(bytes);
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

    const QString target = writeTarget(path);
    if (target.isEmpty()) {
        return QStringLiteral("Zu viele Ebenen symbolischer Verknüpfungen.");
    }
    QSaveFile file(target);
    // Writing in place would tear the file on failure; refuse instead.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        return reason(file);
    }
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString error = reason(file);
        file.cancelWriting();
        return error;
    }
    if (!file.commit()) {
        return reason(file);
    }
    return {};
}

} // namespace TextFile
