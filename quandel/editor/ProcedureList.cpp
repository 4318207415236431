#include "ProcedureList.h"

#include "BasicStatements.h"

#include <algorithm>

namespace ProcedureList {

namespace {

using BasicStatements::is;

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Whether the first word of a line may begin a declaration or end one; the
// other lines of a module (most of them) are passed over without a closer
// look.
bool mayDeclare(QStringView line)
{
    qsizetype i = 0;
    while (i < line.size() && isBlank(line.at(i))) {
        ++i;
    }
    qsizetype j = i;
    while (j < line.size() && j - i < 9 && line.at(j).isLetter()) {
        ++j;
    }
    if (j == i || (j < line.size() && (line.at(j).isLetterOrNumber() || line.at(j) == u'_'))) {
        // A line number or label may stand before the declaration.
        return i < line.size() && (line.at(i).isDigit() || line.mid(i).contains(u':'));
    }
    static constexpr std::u16string_view Starts[] = {u"public",  u"private", u"friend",   u"global",
                                                     u"static",  u"sub",     u"function", u"property",
                                                     u"declare", u"type",    u"enum",     u"end"};
    const QStringView word = line.mid(i, j - i);
    return std::ranges::any_of(Starts, [word](std::u16string_view s) {
        return word.compare(QStringView(s.data(), qsizetype(s.size())), Qt::CaseInsensitive) == 0;
    });
}

bool isHeaderLine(QStringView line, bool &inBegin)
{
    const QStringView t = line.trimmed();
    if (inBegin) {
        if (t.compare(u"END", Qt::CaseInsensitive) == 0) {
            inBegin = false;
        }
        return true;
    }
    if (t.isEmpty()) {
        return true;
    }
    const auto startsWith = [t](QStringView word) {
        return t.startsWith(word, Qt::CaseInsensitive) && (t.size() == word.size() || isBlank(t.at(word.size())));
    };
    if (t.compare(u"BEGIN", Qt::CaseInsensitive) == 0) {
        inBegin = true;
        return true;
    }
    return startsWith(u"VERSION") || (startsWith(u"Attribute") && t.mid(9).trimmed().startsWith(u"VB_"));
}

// A continued line joins the next in place of its " _".
void appendContinued(QString &joined, QStringView line)
{
    QStringView t = line;
    while (!t.isEmpty() && (isBlank(t.back()) || t.back() == u'\r')) {
        t.chop(1);
    }
    t.chop(1);
    // A declaration's head is never long; a long run of continued lines is
    // kept to its start.
    if (joined.size() < BasicStatements::LongLine) {
        joined += t.left(BasicStatements::LongLine - joined.size());
        joined += u' ';
    }
}

// The declarations section runs from the class head to the first procedure.
void settleGeneral(QList<Entry> &entries, int lines)
{
    Entry &general = entries.first();
    general.firstLine = std::clamp(general.firstLine, 0, std::max(0, lines - 1));
    general.lastLine = std::max(general.firstLine, lines - 1);
    for (qsizetype i = 1; i < entries.size(); ++i) {
        if (entries.at(i).isProcedure()) {
            general.lastLine = std::max(general.firstLine, entries.at(i).firstLine - 1);
            break;
        }
    }
}

} // namespace

QString Entry::label() const
{
    switch (kind) {
    case Kind::General:
        return QStringLiteral("(Allgemein)");
    case Kind::Sub:
        return QStringLiteral("Sub ") + name;
    case Kind::Function:
        return QStringLiteral("Function ") + name;
    case Kind::PropertyGet:
        return QStringLiteral("Property Get ") + name;
    case Kind::PropertyLet:
        return QStringLiteral("Property Let ") + name;
    case Kind::PropertySet:
        return QStringLiteral("Property Set ") + name;
    case Kind::Declare:
        return QStringLiteral("Declare ") + name;
    case Kind::Type:
        return QStringLiteral("Type ") + name;
    case Kind::Enum:
        return QStringLiteral("Enum ") + name;
    }
    return name;
}

Scanner::Scanner(int firstLine) : m_header(firstLine == 0), m_line(firstLine)
{
    m_entries.append(Entry{});
}

void Scanner::addLine(QStringView line)
{
    const int number = m_line++;
    const bool goesOn = BasicStatements::continues(line);
    if (m_header) {
        if (isHeaderLine(line, m_inBegin)) {
            m_entries.first().firstLine = number + 1;
            return;
        }
        m_header = false;
    }
    if (m_pendingFirst >= 0) {
        if (goesOn) {
            appendContinued(m_pending, line);
            return;
        }
        m_pending += line.left(std::max<qsizetype>(0, BasicStatements::LongLine - m_pending.size()));
        logicalLine(m_pending, m_pendingFirst, number);
        m_pending.clear();
        m_pendingFirst = -1;
        return;
    }
    if (m_skipping) {
        m_skipping = goesOn;
        return;
    }
    if (!mayDeclare(line)) {
        m_skipping = goesOn;
        return;
    }
    if (goesOn) {
        m_pendingFirst = number;
        appendContinued(m_pending, line);
        return;
    }
    logicalLine(line, number, number);
}

void Scanner::close(int lastLine, bool ended)
{
    if (m_open >= 0) {
        m_entries[m_open].lastLine = std::max(m_entries.at(m_open).firstLine, lastLine);
        m_entries[m_open].ended = ended;
        m_open = -1;
    }
}

void Scanner::logicalLine(QStringView line, int first, int last)
{
    const QStringView text = line.left(BasicStatements::LongLine);
    for (const BasicStatements::Statement &s : BasicStatements::split(text)) {
        qsizetype i = 0;
        QStringList modifiers;
        while (i < s.size() &&
               (is(text, s.at(i), u"Public") || is(text, s.at(i), u"Private") || is(text, s.at(i), u"Friend") ||
                is(text, s.at(i), u"Global") || is(text, s.at(i), u"Static"))) {
            modifiers.append(text.mid(s.at(i).start, s.at(i).length).toString());
            ++i;
        }
        if (i >= s.size()) {
            continue;
        }
        const auto wordAt = [&s, &text](qsizetype k) {
            return k < s.size() && s.at(k).word ? text.mid(s.at(k).start, s.at(k).length).toString() : QString();
        };
        const BasicStatements::Token &head = s.at(i);
        if (modifiers.isEmpty() && is(text, head, u"End") && i + 1 < s.size()) {
            const BasicStatements::Token &what = s.at(i + 1);
            if (m_open >= 0) {
                const Kind open = m_entries.at(m_open).kind;
                const bool matches =
                    (is(text, what, u"Sub") && open == Kind::Sub) ||
                    (is(text, what, u"Function") && open == Kind::Function) ||
                    (is(text, what, u"Property") && open >= Kind::PropertyGet && open <= Kind::PropertySet) ||
                    (is(text, what, u"Type") && open == Kind::Type) || (is(text, what, u"Enum") && open == Kind::Enum);
                if (matches) {
                    close(last, true);
                }
            }
            continue;
        }
        Entry entry;
        entry.modifiers = modifiers.join(u' ');
        entry.firstLine = first;
        entry.lastLine = last;
        bool opens = true;
        if (is(text, head, u"Sub") || is(text, head, u"Function")) {
            entry.kind = is(text, head, u"Sub") ? Kind::Sub : Kind::Function;
            entry.name = wordAt(i + 1);
        } else if (is(text, head, u"Property") && i + 1 < s.size()) {
            const BasicStatements::Token &which = s.at(i + 1);
            if (is(text, which, u"Get")) {
                entry.kind = Kind::PropertyGet;
            } else if (is(text, which, u"Let")) {
                entry.kind = Kind::PropertyLet;
            } else if (is(text, which, u"Set")) {
                entry.kind = Kind::PropertySet;
            } else {
                continue;
            }
            entry.name = wordAt(i + 2);
        } else if (is(text, head, u"Declare")) {
            qsizetype k = i + 1;
            if (k < s.size() && is(text, s.at(k), u"PtrSafe")) {
                ++k;
            }
            if (k >= s.size() || !(is(text, s.at(k), u"Sub") || is(text, s.at(k), u"Function"))) {
                continue;
            }
            entry.kind = Kind::Declare;
            entry.name = wordAt(k + 1);
            opens = false;
        } else if (is(text, head, u"Type") || is(text, head, u"Enum")) {
            entry.kind = is(text, head, u"Type") ? Kind::Type : Kind::Enum;
            entry.name = wordAt(i + 1);
            // "Type Name" stands alone in its statement.
            if (i + 2 < s.size()) {
                continue;
            }
        } else {
            continue;
        }
        if (entry.name.isEmpty()) {
            continue;
        }
        // A declaration whose End is missing ends where the next one starts.
        close(first - 1, false);
        m_entries.append(entry);
        if (opens) {
            m_open = int(m_entries.size() - 1);
        }
    }
}

QList<Entry> Scanner::finish()
{
    if (m_pendingFirst >= 0) {
        logicalLine(m_pending, m_pendingFirst, m_line - 1);
    }
    close(m_line - 1, false);
    QList<Entry> entries = std::move(m_entries);
    settleGeneral(entries, m_line);
    *this = Scanner();
    return entries;
}

QList<Entry> parse(QStringView text)
{
    Scanner scanner;
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0) {
            end = text.size();
        }
        QStringView line = text.mid(start, end - start);
        if (line.endsWith(u'\r')) {
            line.chop(1);
        }
        scanner.addLine(line);
        start = end + 1;
    }
    return scanner.finish();
}

Rescan::Rescan(QList<Entry> before, int linesBefore, int firstChanged, int lastChanged, int lines)
    : m_before(std::move(before)), m_lastChanged(lastChanged), m_delta(lines - linesBefore), m_lines(lines)
{
    // Reading starts at the last declaration before the change; one before
    // that which was never ended ends where the next starts, so reading
    // starts before that one too.
    qsizetype from = 0;
    if (!m_before.isEmpty()) {
        from = (std::upper_bound(m_before.begin() + 1, m_before.end(), firstChanged - 1,
                                 [](int l, const Entry &e) { return l < e.firstLine; }) -
                m_before.begin()) -
               1;
        while (from > 1 && !m_before.at(from - 1).ended && m_before.at(from - 1).kind != Kind::Declare) {
            --from;
        }
    }
    m_first = from >= 1 ? m_before.at(from).firstLine : 0;
    m_keep = std::max<qsizetype>(from, 1);
    m_line = m_first;
    m_scanner = Scanner(m_first);
}

bool Rescan::addLine(QStringView line)
{
    const qsizetype count = m_scanner.entries().size();
    m_scanner.addLine(line);
    const int number = m_line++;
    if (m_before.isEmpty() || number <= m_lastChanged || m_scanner.entries().size() == count) {
        return false;
    }
    // A declaration after the change: if the earlier reading had it at the
    // same place (moved by the lines added or removed), the rest is known.
    const Entry &found = m_scanner.entries().last();
    const int old = found.firstLine - m_delta;
    const auto it = std::lower_bound(m_before.begin() + 1, m_before.end(), old,
                                     [](const Entry &e, int l) { return e.firstLine < l; });
    if (it == m_before.end() || it->firstLine != old || it->kind != found.kind || it->name != found.name) {
        return false;
    }
    m_resumeAt = it - m_before.begin();
    return true;
}

QList<Entry> Rescan::finish()
{
    QList<Entry> read;
    if (m_resumeAt >= 0) {
        // Every entry read is closed by now: the one met again closed the
        // open one.
        read = m_scanner.entries();
        read.removeLast();
    } else {
        read = m_scanner.finish();
    }
    QList<Entry> entries;
    entries.reserve(m_keep + read.size() + (m_resumeAt >= 0 ? m_before.size() - m_resumeAt : 0));
    if (m_first == 0 || m_before.isEmpty()) {
        entries.append(read.first());
    } else {
        entries.append(m_before.first());
    }
    for (qsizetype i = 1; i < m_keep && i < m_before.size(); ++i) {
        entries.append(m_before.at(i));
    }
    for (qsizetype i = 1; i < read.size(); ++i) {
        entries.append(read.at(i));
    }
    if (m_resumeAt >= 0) {
        for (qsizetype i = m_resumeAt; i < m_before.size(); ++i) {
            Entry e = m_before.at(i);
            e.firstLine += m_delta;
            e.lastLine += m_delta;
            entries.append(std::move(e));
        }
    }
    settleGeneral(entries, m_lines);
    return entries;
}

qsizetype entryAt(const QList<Entry> &entries, int line)
{
    if (entries.isEmpty()) {
        return -1;
    }
    // The last entry starting at or before the line.
    const auto after = std::upper_bound(entries.begin() + 1, entries.end(), line,
                                        [](int l, const Entry &e) { return l < e.firstLine; });
    const qsizetype before = (after - entries.begin()) - 1;
    if (before > 0 && line <= entries.at(before).lastLine) {
        return before;
    }
    const auto isProcedure = [](const Entry &e) { return e.isProcedure(); };
    const bool procedureBefore = std::any_of(entries.begin() + 1, after, isProcedure);
    if (!procedureBefore) {
        return 0;
    }
    if (const auto next = std::find_if(after, entries.end(), isProcedure); next != entries.end()) {
        return next - entries.begin();
    }
    const auto last = std::find_if(entries.rbegin(), entries.rend(), isProcedure);
    return (entries.rend() - last) - 1;
}

} // namespace ProcedureList
