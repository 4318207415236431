#include "BlockMatcher.h"

#include "BasicStatements.h"

#include <algorithm>

namespace BlockMatcher {

namespace {

using BasicStatements::is;

enum class Family
{
    If,
    Sub,
    Function,
    Property,
    For,
    Do,
    While,
    With,
    Select,
    Type,
    Enum,
    Directive,
};

enum class Role
{
    Open,
    Middle,
    Close,
};

struct Keyword
{
    Family family = Family::If;
    Role role = Role::Open;
    Mark mark;
    int closes = 1; // "Next i, j" closes two loops
};

// Procedures, types and enums do not nest: they bound every other block.
bool isOuter(Family f)
{
    return f == Family::Sub || f == Family::Function || f == Family::Property || f == Family::Type || f == Family::Enum;
}

// A logical line: physical lines joined where they end in " _".
struct Logical
{
    int first = 0;
    int last = 0;
    QString text;
    QList<qsizetype> starts; // where each physical line begins in text
};

class Lines
{
public:
    Lines(const LineAt &lineAt, int count) : m_lineAt(lineAt), m_count(count) {}

    int count() const { return m_count; }

    Logical from(int first) const
    {
        Logical l;
        l.first = first;
        int p = first;
        while (true) {
            QString text = m_lineAt(p);
            l.starts.append(l.text.size());
            const bool goesOn = BasicStatements::continues(text) && p + 1 < m_count && p - first < 64;
            if (text.size() > BasicStatements::LongLine) {
                text.truncate(BasicStatements::LongLine);
            } else if (goesOn) {
                // The " _" joins as blanks, so that columns stay as they are.
                const qsizetype underscore = text.lastIndexOf(u'_');
                text[underscore] = u' ';
            }
            l.text += text;
            if (!goesOn) {
                break;
            }
            ++p;
        }
        l.last = p;
        return l;
    }

    // The logical line that holds a physical line.
    Logical around(int line) const
    {
        int first = line;
        while (first > 0 && line - first < 64 && BasicStatements::continues(m_lineAt(first - 1))) {
            --first;
        }
        return from(first);
    }

private:
    const LineAt &m_lineAt;
    int m_count;
};

Mark markOf(const Logical &l, qsizetype start, qsizetype end)
{
    const auto it = std::upper_bound(l.starts.begin(), l.starts.end(), start);
    const qsizetype index = (it - l.starts.begin()) - 1;
    const qsizetype column = start - l.starts.at(index);
    // A mark never runs past the end of its physical line.
    const qsizetype lineEnd = index + 1 < l.starts.size() ? l.starts.at(index + 1) : l.text.size();
    return Mark{l.first + int(index), int(column), int(std::min(end, lineEnd) - start)};
}

QList<Keyword> keywordsOf(const Logical &l)
{
    QList<Keyword> out;
    const QString &t = l.text;
    const QList<BasicStatements::Statement> statements = BasicStatements::split(t);
    for (qsizetype si = 0; si < statements.size(); ++si) {
        const BasicStatements::Statement &s = statements.at(si);
        qsizetype i = 0;
        while (i + 1 < s.size() &&
               (is(t, s.at(i), u"Public") || is(t, s.at(i), u"Private") || is(t, s.at(i), u"Friend") ||
                is(t, s.at(i), u"Global") || is(t, s.at(i), u"Static"))) {
            ++i;
        }
        const bool modified = i > 0;
        const BasicStatements::Token &head = s.at(i);
        const auto has = [&](qsizetype k, QStringView word) { return k < s.size() && is(t, s.at(k), word); };
        const auto add = [&](Family f, Role r, qsizetype lastToken) {
            const BasicStatements::Token &end = s.at(lastToken);
            out.append({f, r, markOf(l, head.start, end.start + end.length)});
        };
        if (has(i, u"If")) {
            const auto then = std::find_if(s.begin() + i, s.end(),
                                           [&t](const BasicStatements::Token &k) { return is(t, k, u"Then"); });
            if (then == s.end() || then + 1 != s.end() || si + 1 != statements.size()) {
                // "If … Then …" on one line is a whole block by itself; its
                // Else belongs to it.
                break;
            }
            add(Family::If, Role::Open, i);
        } else if (!modified && (has(i, u"ElseIf") || has(i, u"Else"))) {
            add(Family::If, Role::Middle, i);
        } else if (!modified && has(i, u"End") && i + 1 < s.size()) {
            static constexpr std::pair<std::u16string_view, Family> Ends[] = {{u"If", Family::If},
                                                                              {u"Sub", Family::Sub},
                                                                              {u"Function", Family::Function},
                                                                              {u"Property", Family::Property},
                                                                              {u"With", Family::With},
                                                                              {u"Select", Family::Select},
                                                                              {u"Type", Family::Type},
                                                                              {u"Enum", Family::Enum}};
            for (const auto &[word, family] : Ends) {
                if (has(i + 1, QStringView(word.data(), qsizetype(word.size())))) {
                    add(family, Role::Close, i + 1);
                }
            }
        } else if (has(i, u"Sub") || has(i, u"Function")) {
            add(has(i, u"Sub") ? Family::Sub : Family::Function, Role::Open, i);
        } else if (has(i, u"Property") && (has(i + 1, u"Get") || has(i + 1, u"Let") || has(i + 1, u"Set"))) {
            add(Family::Property, Role::Open, i);
        } else if ((has(i, u"Type") || has(i, u"Enum")) && s.size() == i + 2 && s.at(i + 1).word) {
            add(has(i, u"Type") ? Family::Type : Family::Enum, Role::Open, i);
        } else if (modified) {
            continue;
        } else if (has(i, u"For")) {
            add(Family::For, Role::Open, i);
        } else if (has(i, u"Next")) {
            add(Family::For, Role::Close, i);
            out.last().closes = 1 + int(std::count_if(s.begin() + i, s.end(), [&t](const BasicStatements::Token &k) {
                                    return !k.word && k.length == 1 && t.at(k.start) == u',';
                                }));
        } else if (has(i, u"Do")) {
            add(Family::Do, Role::Open, i);
        } else if (has(i, u"Loop")) {
            add(Family::Do, Role::Close, i);
        } else if (has(i, u"While")) {
            add(Family::While, Role::Open, i);
        } else if (has(i, u"Wend")) {
            add(Family::While, Role::Close, i);
        } else if (has(i, u"With")) {
            add(Family::With, Role::Open, i);
        } else if (has(i, u"Select") && has(i + 1, u"Case")) {
            add(Family::Select, Role::Open, i + 1);
        } else if (has(i, u"Case")) {
            add(Family::Select, Role::Middle, i);
        } else if (has(i, u"#If")) {
            add(Family::Directive, Role::Open, i);
        } else if (has(i, u"#ElseIf") || has(i, u"#Else")) {
            add(Family::Directive, Role::Middle, i);
        } else if (has(i, u"#End") && has(i + 1, u"If")) {
            add(Family::Directive, Role::Close, i + 1);
        }
    }
    return out;
}

// What a keyword met on the way means for the search of a block.
enum class Step
{
    Pass,  // another block's keyword
    Found, // the one looked for
    Stop,  // the search cannot go on
};

} // namespace

Result match(const LineAt &lineAt, int lineCount, int line, int column)
{
    Result result;
    if (line < 0 || line >= lineCount) {
        return result;
    }
    const Lines lines(lineAt, lineCount);
    const Logical here = lines.around(line);
    const QList<Keyword> own = keywordsOf(here);
    const auto at = std::find_if(own.begin(), own.end(), [line, column](const Keyword &k) {
        return k.mark.line == line && column >= k.mark.column && column <= k.mark.column + k.mark.length;
    });
    if (at == own.end()) {
        return result;
    }
    const Keyword start = *at;
    const Family family = start.family;

    // Walks the keywords from one next to a position on, backward or
    // forward, until the visitor says Found or Stop.
    const auto walk = [&](int fromLine, qsizetype fromIndex, bool forward,
                          const auto &visit) -> std::optional<Keyword> {
        Logical l = lines.around(fromLine);
        QList<Keyword> ks = keywordsOf(l);
        qsizetype index = fromIndex;
        int seen = 0;
        while (true) {
            index += forward ? 1 : -1;
            while (index < 0 || index >= ks.size()) {
                const int next = forward ? l.last + 1 : l.first - 1;
                if (next < 0 || next >= lines.count() || ++seen > ScanLimit) {
                    return std::nullopt;
                }
                l = forward ? lines.from(next) : lines.around(next);
                ks = keywordsOf(l);
                index = forward ? 0 : ks.size() - 1;
            }
            const Keyword &k = ks.at(index);
            const Step step = visit(k);
            if (step == Step::Found) {
                return k;
            }
            if (step == Step::Stop) {
                return std::nullopt;
            }
        }
    };
    const auto indexIn = [](const QList<Keyword> &ks, const Keyword &k) {
        for (qsizetype i = 0; i < ks.size(); ++i) {
            if (ks.at(i).mark == k.mark) {
                return i;
            }
        }
        return qsizetype(-1);
    };
    // Another procedure's keyword ends the search of any block but #If.
    const auto bounds = [family](const Keyword &k) {
        return family != Family::Directive && k.family != Family::Directive && isOuter(k.family) &&
               (k.family != family || !isOuter(family));
    };

    std::optional<Keyword> opener;
    if (start.role == Role::Open) {
        opener = start;
    } else {
        int depth = 0;
        opener = walk(start.mark.line, indexIn(keywordsOf(here), start), false, [&](const Keyword &k) {
            if (bounds(k)) {
                return Step::Stop;
            }
            if (k.family != family) {
                return Step::Pass;
            }
            if (isOuter(family)) {
                return k.role == Role::Open ? Step::Found : k.role == Role::Close ? Step::Stop : Step::Pass;
            }
            if (k.role == Role::Close) {
                depth += k.closes;
            } else if (k.role == Role::Open) {
                if (depth == 0) {
                    return Step::Found;
                }
                --depth;
            }
            return Step::Pass;
        });
    }
    if (!opener) {
        result.marks.append(start.mark);
        return result;
    }
    result.marks.append(opener->mark);
    int depth = 0;
    const std::optional<Keyword> closer = walk(
        opener->mark.line, indexIn(keywordsOf(lines.around(opener->mark.line)), *opener), true, [&](const Keyword &k) {
            if (bounds(k)) {
                return Step::Stop;
            }
            if (k.family != family) {
                return Step::Pass;
            }
            if (isOuter(family)) {
                return k.role == Role::Close ? Step::Found : k.role == Role::Open ? Step::Stop : Step::Pass;
            }
            if (k.role == Role::Open) {
                ++depth;
            } else if (k.role == Role::Middle && depth == 0) {
                result.marks.append(k.mark);
            } else if (k.role == Role::Close) {
                if (k.closes > depth) {
                    return Step::Found;
                }
                depth -= k.closes;
            }
            return Step::Pass;
        });
    if (closer) {
        result.marks.append(closer->mark);
        result.matched = true;
    } else if (!result.marks.contains(start.mark)) {
        result.marks.append(start.mark);
    }
    return result;
}

} // namespace BlockMatcher
