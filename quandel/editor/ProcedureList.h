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
    QString modifiers; // "Private Static", as written, in the case written
    int firstLine = 0; // 0-based: the line the declaration starts on
    int lastLine = 0;  // its End line, or the last line of a Declare

    // What the list shows: "Sub Form_Load", "Property Let Wert" …
    QString label() const;
    bool isProcedure() const { return kind >= Kind::Sub && kind <= Kind::PropertySet; }

    friend bool operator==(const Entry &, const Entry &) = default;
};

// Reads a module one line at a time, so that a caller can feed it in slices.
class Scanner final
{
public:
    Scanner();
    // The next physical line, without its line end.
    void addLine(QStringView line);
    // Number of lines read so far.
    int lines() const { return m_line; }
    // The entries once every line is read; the scanner then starts afresh.
    QList<Entry> finish();

private:
    void logicalLine(QStringView text, int first, int last);
    void close(int lastLine);

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

// The entry a line belongs to: the one whose lines hold it; lines between
// two procedures belong to the one that follows (its comments stand above
// it), lines after the last to the last; the declarations section holds
// everything before the first procedure.
qsizetype entryAt(const QList<Entry> &entries, int line);

} // namespace ProcedureList
