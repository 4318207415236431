#pragma once

#include <QByteArray>
#include <QString>

// Reading and writing of user text files (documents, profile files).
//
// Decoding: a UTF-8 byte-order mark or valid UTF-8 means UTF-8, anything else
// is Windows-1252 (which maps all 256 byte values, so every file decodes and
// round-trips). The encoding, the BOM and the line-end style are remembered
// in TextFormat and used again when the text is written back. In memory,
// line ends are "\n".
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

namespace TextFile {

// Decodes raw bytes. The line-end style is CrLf when the first line end is
// CR LF, or when a Windows-1252 text has no line end at all; else Lf. A CR
// that is not followed by LF stays in the text.
DecodedText decode(const QByteArray &bytes);

// Decodes raw bytes as decode() does, but leaves every CR and LF as it is;
// format receives the encoding and BOM (its line end is left alone).
QString decodeBytes(const QByteArray &bytes, TextFormat *format);

// Encodes text in the given format. When the format is Windows-1252 and the
// text holds a character that code page cannot represent, the result is
// UTF-8 instead and *switchedToUtf8 (when given) is set; nothing is ever
// replaced by '?'.
QByteArray encode(const QString &text, const TextFormat &format, bool *switchedToUtf8 = nullptr);

// True when every character of text exists in Windows-1252.
bool fitsWindows1252(const QString &text);

struct ReadResult
{
    bool ok = false;
    QString error; // readable reason when !ok
    DecodedText content;
    QByteArray bytes; // the file's bytes as read, when ok
};

// Reads the whole file. Files larger than maxBytes are refused with an error
// (default: 64 MiB) rather than read into memory.
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
// replaced, never the link itself.
WriteResult write(const QString &path, const QString &text, const TextFormat &format);

// The file a write of path replaces: symbolic links are followed, so the link
// itself stays; a dangling link yields its missing target, which the write
// then creates. Empty when the links go round in circles (more than 40).
QString writeTarget(const QString &path);

// Writes raw bytes atomically the same way; used for files that are not text
// documents (the key store, copies). Returns an empty text on success, else
// the reason.
QString writeBytes(const QString &path, const QByteArray &bytes);

} // namespace TextFile
