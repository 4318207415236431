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
// Encoding: a file with a UTF-8 BOM or valid UTF-8 is UTF-8, anything else is
// Windows-1252; a rewrite keeps the file's encoding and line ends. A value
// that Windows-1252 cannot hold switches the file to UTF-8. New files are
// UTF-8 with LF line ends.
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
