#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// The declarations of a Basic module in file order, as the procedure list
// above the editor shows them: the declarations section at the top, then
// every Sub, Function, Property, Declare, Type and Enum with its lines.
// Plain code over lines of text, without any window.
namespace ProcedureList {

enum class Kind
{
    General, // the declarations section at the top: "(Allgemein)"
    Sub,
    Function,
    PropertyGet,
    PropertyLet,
    PropertySet,
    Declare,
    Type,
    Enum,
};

struct Entry
{
    Kind kind = Kind::General;
    QString name;
    QString modifiers;  // "Private Static", as written, in the case written
    int firstLine = 0;  // 0-based: the line the declaration starts on
    int lastLine = 0;   // its End line, or the last line of a Declare
    bool ended = false; // closed by its End, not by the next declaration

    // What the list shows: "Sub Form_Load", "Property Let Wert" …
    QString label() const;
    bool isProcedure() const { return kind >= Kind::Sub && kind <= Kind::PropertySet; }

    friend bool operator==(const Entry &, const Entry &) = default;
};

// Reads a module one line at a time, so that a caller can feed it in slices.
class Scanner final
{
public:
    // Reading from the first line, or from a line where a declaration
    // starts (the class head is then behind).
    explicit Scanner(int firstLine = 0);
    // The next physical line, without its line end.
    void addLine(QStringView line);
    // Number of lines read so far.
    int lines() const { return m_line; }
    // The entries read so far, the last one possibly still open.
    const QList<Entry> &entries() const { return m_entries; }
    // The entries once every line is read; the scanner then starts afresh.
    QList<Entry> finish();

private:
    void logicalLine(QStringView text, int first, int last);
    void close(int lastLine, bool ended);

    QList<Entry> m_entries;
    QString m_pending; // a declaration continued over several lines
    int m_pendingFirst = -1;
    bool m_skipping = false; // inside the continued lines of another statement
    bool m_header = true;    // still in the VERSION/BEGIN/Attribute head of a class
    bool m_inBegin = false;
    int m_open = -1; // the entry whose End is still to come
    int m_line = 0;
};

// The entries of a whole text.
QList<Entry> parse(QStringView text);

// Reads a module again after edits, but only from the declaration before
// the first changed line to the first declaration after the last changed
// line that the earlier reading had too: typing in a large module reads a
// few lines, not the whole module. With no earlier entries it reads all.
class Rescan final
{
public:
    // before: the entries of the earlier reading, over linesBefore lines;
    // the lines changed since are firstChanged to lastChanged (in the text
    // as it is now, of lines lines).
    Rescan(QList<Entry> before, int linesBefore, int firstChanged, int lastChanged, int lines);
    // Where the reading starts.
    int firstLine() const { return m_first; }
    // The next line; true once the rest is known from the earlier reading.
    bool addLine(QStringView line);
    // The entries, once addLine returned true or the last line was read.
    QList<Entry> finish();

private:
    QList<Entry> m_before;
    qsizetype m_keep = 0; // entries of before kept as they were (the first, the declarations section, aside)
    int m_first = 0;
    int m_lastChanged = 0;
    int m_delta = 0;
    int m_lines = 0;
    int m_line = 0;
    Scanner m_scanner;
    qsizetype m_resumeAt = -1; // entry of before the reading met again
};

// The entry a line belongs to: the one whose lines hold it; lines between
// two procedures belong to the one that follows (its comments stand above
// it), lines after the last to the last; the declarations section holds
// everything before the first procedure.
qsizetype entryAt(const QList<Entry> &entries, int line);

} // namespace ProcedureList
