#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Profile (INI) files with the semantics of the classic profile functions:
// section and key names compare without regard to case, a missing file,
// section or key reads as empty text, values are cut to 254 characters on
// reading, writing creates what is missing and keeps every other line of the
// file exactly as it was. Writes replace the file atomically.
//
// Encoding: UTF-16 (LE or BE) with its byte-order mark; else a file that is
// valid UTF-8 as a whole (with or without BOM) is UTF-8; in any other file
// each line is Windows-1252, or UTF-8 where that reading is the plausible
// one (TextFile::utf8ReadingIsPlausible). CR, LF and CR LF all end a line.
// A write leaves the bytes of every line it does not change as they were;
// new and changed lines get the file's encoding and line ends (in a
// Windows-1252 file UTF-8 for a value that code page cannot hold). Should
// the result not read back as written, the whole file is written in UTF-8.
// New files are UTF-8 with LF line ends.
namespace IniFiles {

constexpr int MaxValueLength = 254;

// Returns true when the file was written.
[[nodiscard]] bool WriteINI(const QString &fileName, const QString &section, const QString &key, const QString &value);

// Empty text when the file, section or key is missing or unreadable.
QString GetINIString(const QString &fileName, const QString &section, const QString &key);

// A profile file read once into memory, for a reader that looks up many
// values: each value() answers exactly as GetINIString did on the file as it
// was read.
class Snapshot final
{
public:
    static Snapshot read(const QString &fileName);
    QString value(const QString &section, const QString &key) const;

private:
    QStringList m_lines;
};

// Removes the whole section (all its header lines and keys). True when the
// file is in the state asked for afterwards (also when nothing was there).
[[nodiscard]] bool DeleteINISection(const QString &fileName, const QString &section);

// Several writes and section deletions as one: the file is read once and
// replaced once, atomically. True when every change could be made.
struct Change
{
    enum class Kind
    {
        Write,
        DeleteSection
    };
    Kind kind = Kind::Write;
    QString section;
    QString key;
    QString value;
};
[[nodiscard]] bool ApplyINIChanges(const QString &fileName, const QList<Change> &changes);

} // namespace IniFiles
