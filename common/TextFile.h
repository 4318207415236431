#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Reading and writing of user text files (documents, profile files).
//
// Decoding of documents: a UTF-8 byte-order mark or valid UTF-8 means UTF-8,
// anything else is Windows-1252 (which maps all 256 byte values, so every
// file decodes and round-trips). The encoding, the BOM and the line-end style
// are remembered in TextFormat and used again when the text is written back.
// In memory, line ends are "\n". Profile files and the key store decide
// their encoding with the helpers below (IniFile.h, Registry.h).
struct TextFormat
{
    enum class Encoding
    {
        Windows1252,
        Utf8
    };
    enum class LineEnd
    {
        CrLf,
        Lf
    };

    Encoding encoding = Encoding::Windows1252;
    bool bom = false;
    LineEnd lineEnd = LineEnd::CrLf;

    // The format of new documents of this library: Windows-1252 with CR LF.
    static TextFormat document() { return {}; }
    // The format of new settings files: UTF-8 with LF.
    static TextFormat settings() { return {Encoding::Utf8, false, LineEnd::Lf}; }

    friend bool operator==(const TextFormat &, const TextFormat &) = default;
};

struct DecodedText
{
    QString text;      // line ends as "\n"
    TextFormat format; // how the bytes were written
};

struct stat;

namespace TextFile {

// The byte order mark of a UTF-8 file that has one.
inline const QByteArray Utf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");

// Decodes raw bytes. The line-end style is CrLf when the first line end is
// CR LF, or when a Windows-1252 text has no line end at all; else Lf. A CR
// that is not followed by LF stays in the text.
DecodedText decode(const QByteArray &bytes);

// For bytes that are valid UTF-8, in a file that is not UTF-8 as a whole:
// true when their UTF-8 reading is the plausible one. Windows-1252 text passes
// for UTF-8 where a capital umlaut or a sharp s is followed by punctuation
// ("Spaß…" is DF 85, which UTF-8 reads as U+07C5); such a pair on its own
// counts for Windows-1252. For UTF-8 count what Windows-1252 would turn into
// the usual garbage: a sequence of three or four bytes, a pair led by C2 A0
// or above or by C3 (Latin-1 letters and signs), a pair whose second byte
// would be a letter or an undefined byte, and pairs that follow one another.
// The side with more such sequences wins; a tie counts for Windows-1252.
bool utf8ReadingIsPlausible(QByteArrayView bytes);

// The text of UTF-16 bytes that begin with a byte-order mark (FF FE or
// FE FF) and have an even length, without the mark; *bigEndian tells which.
// Every code unit is kept as it is, so encodeUtf16() gives the bytes back.
// False for anything else.
bool decodeUtf16(QByteArrayView bytes, QString *text, bool *bigEndian);

// The UTF-16 code units of text, without a byte-order mark.
QByteArray encodeUtf16(QStringView text, bool bigEndian);

// Decodes raw bytes as decode() does, but leaves every CR and LF as it is;
// format receives the encoding and BOM (its line end is left alone).
QString decodeBytes(const QByteArray &bytes, TextFormat *format);

// The Windows-1252 text of bytes, as decode() reads a file that is not
// UTF-8; line ends are left as they are.
QString decodeWindows1252(QByteArrayView bytes);

// Turns every CR LF of text into LF, as replace("\r\n", "\n") does, in one
// pass.
void foldCrLf(QString &text);

// True when the bytes are UTF-8 to their end: no stray or missing
// continuation byte, no overlong form, no surrogate, nothing past U+10FFFF.
bool isUtf8(QByteArrayView bytes);

// Encodes text in the given format. When the format is Windows-1252 and the
// text holds a character that code page cannot represent, the result is
// UTF-8 instead and *switchedToUtf8 (when given) is set; nothing is ever
// replaced by '?'.
QByteArray encode(const QString &text, const TextFormat &format, bool *switchedToUtf8 = nullptr);

// True when every character of text exists in Windows-1252.
bool fitsWindows1252(const QString &text);

// What identifies one version of a file on disk: a file replaced by another
// (an atomic save) has a new inode, a file written in place a new time or
// size. Two keys compare equal only when both name an existing file.
struct FileKey
{
    bool valid = false;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;

    // The key of the file a path names now (links followed); invalid when
    // there is none.
    static FileKey of(const QString &path);
    // The key of the file an lstat/fstat/stat result describes.
    static FileKey of(const struct stat &info);
    friend bool operator==(const FileKey &a, const FileKey &b)
    {
        return a.valid && b.valid && a.device == b.device && a.inode == b.inode && a.size == b.size &&
               a.modifiedNs == b.modifiedNs && a.changedNs == b.changedNs;
    }
};

// The most a settings store (profile file, key store, history, help file)
// may hold; a larger one is refused rather than read into memory.
constexpr qint64 MaxStoreBytes = 16ll * 1024 * 1024;

struct BytesResult
{
    bool ok = false;
    bool missing = false; // nothing at the path (no error shown for that)
    QString error;        // readable reason when !ok
    QByteArray bytes;
    FileKey key; // of the file the bytes came from
};

// Reads a whole regular file, at most maxBytes. The file is opened without
// blocking and checked on the open descriptor, so a named pipe, a device or
// a folder is refused at once instead of hanging the program or reading
// without end; so is a file larger than maxBytes.
BytesResult readBytes(const QString &path, qint64 maxBytes);

// Opens a regular file for reading as readBytes() does: without blocking,
// checked on the descriptor. Returns the descriptor (the caller closes it)
// and its key, or -1 with the reason (and *missing when nothing is there).
int openRegular(const QString &path, FileKey *key, QString *error, bool *missing = nullptr);

// The reason a settings store at path is refused (it is then read as
// empty and never written over): not a regular file, or larger than
// MaxStoreBytes. Empty when it is fine or missing. Reads nothing.
QString storeRefusal(const QString &path);

// True when path names, through any links, the null device (a character
// device with the numbers of /dev/null): a store put there is switched off.
// It reads as empty, is never written, and needs no word to the user.
bool isNullDevice(const QString &path);

// The reason a path cannot be written as a regular file: empty when it is a
// regular file, a link to one, or nothing yet (a dangling link included).
QString writeRefusal(const QString &path);

struct ReadResult
{
    bool ok = false;
    QString error; // readable reason when !ok
    DecodedText content;
    QByteArray bytes; // the file's bytes as read, when ok
};

// Reads the whole file as readBytes() does and decodes it. Files larger than
// maxBytes are refused with an error (default: 64 MiB).
ReadResult read(const QString &path, qint64 maxBytes = 64ll * 1024 * 1024);

struct WriteResult
{
    bool ok = false;
    QString error;         // readable reason when !ok
    TextFormat usedFormat; // the format actually written
    bool switchedToUtf8 = false;
};

// Writes the whole file atomically through QSaveFile: on any failure the old
// file stays exactly as it was. A symbolic link is followed and its target is
// replaced, never the link itself; a link to anything but a regular file (a
// device, a pipe, a folder) is refused, as is such a file itself.
[[nodiscard]] WriteResult write(const QString &path, const QString &text, const TextFormat &format);

// The file a write of path replaces: symbolic links are followed, so the link
// itself stays; a dangling link yields its missing target, which the write
// then creates. Empty when the links go round in circles (more than 40).
QString writeTarget(const QString &path);

// Writes raw bytes atomically the same way; used for files that are not text
// documents (the key store, copies). Returns an empty text on success, else
// the reason.
[[nodiscard]] QString writeBytes(const QString &path, const QByteArray &bytes);

} // namespace TextFile
