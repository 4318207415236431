#include "BasicSyntax.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>

namespace BasicSyntax {

namespace {

// Sorted, lower case: looked up with a binary search.
constexpr std::array<std::u16string_view, 104> Keywords = {
    u"alias",      u"and",        u"any",      u"append",  u"as",      u"base",       u"binary",   u"boolean",
    u"byref",      u"byte",       u"byval",    u"call",    u"case",    u"close",      u"compare",  u"const",
    u"currency",   u"date",       u"declare",  u"defbool", u"defint",  u"deflng",     u"defstr",   u"defvar",
    u"dim",        u"do",         u"double",   u"each",    u"else",    u"elseif",     u"empty",    u"end",
    u"enum",       u"eqv",        u"erase",    u"error",   u"event",   u"exit",       u"explicit", u"false",
    u"for",        u"friend",     u"function", u"get",     u"global",  u"gosub",      u"goto",     u"if",
    u"imp",        u"implements", u"in",       u"input",   u"integer", u"is",         u"let",      u"lib",
    u"like",       u"long",       u"loop",     u"me",      u"mod",     u"new",        u"next",     u"not",
    u"nothing",    u"null",       u"object",   u"on",      u"open",    u"option",     u"optional", u"or",
    u"output",     u"paramarray", u"preserve", u"print",   u"private", u"property",   u"public",   u"put",
    u"raiseevent", u"redim",      u"resume",   u"select",  u"set",     u"single",     u"static",   u"step",
    u"stop",       u"string",     u"sub",      u"then",    u"to",      u"true",       u"type",     u"typeof",
    u"until",      u"variant",    u"wend",     u"while",   u"with",    u"withevents", u"write",    u"xor"};

static_assert(std::ranges::is_sorted(Keywords));

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// A comment that ends in " _" goes on in the next line.
bool continues(QStringView line)
{
    const QStringView t = line.trimmed();
    return t == u"_" || (t.endsWith(u'_') && t.size() >= 2 && isBlank(t.at(t.size() - 2)));
}

qsizetype skipBlanks(QStringView line, qsizetype i)
{
    while (i < line.size() && isBlank(line.at(i))) {
        ++i;
    }
    return i;
}

bool startsWithWord(QStringView line, qsizetype at, QStringView word)
{
    const qsizetype end = at + word.size();
    return end <= line.size() && line.mid(at, word.size()).compare(word, Qt::CaseInsensitive) == 0 &&
           (end == line.size() || !isWordChar(line.at(end)));
}

// The head of a class ("VERSION 1.0 CLASS") and its Attribute lines
// ("Attribute VB_Name = …", "Attribute Wert.VB_UserMemId = 0"). A statement
// that merely starts with a variable Version or Attribute is code.
bool isDirectiveLine(QStringView line, qsizetype first)
{
    const qsizetype n = line.size();
    if (startsWithWord(line, first, u"VERSION")) {
        qsizetype i = skipBlanks(line, first + 7);
        const qsizetype digits = i;
        while (i < n && (line.at(i).isDigit() || line.at(i) == u'.')) {
            ++i;
        }
        if (i == digits || i == first + 7 || !line.at(digits).isDigit()) {
            return false;
        }
        i = skipBlanks(line, i);
        if (startsWithWord(line, i, u"CLASS")) {
            i = skipBlanks(line, i + 5);
        }
        return i == n || line.at(i) == u'\'';
    }
    if (startsWithWord(line, first, u"Attribute")) {
        const qsizetype start = skipBlanks(line, first + 9);
        if (start == first + 9) {
            return false;
        }
        qsizetype i = start;
        qsizetype segment = start;
        while (i < n && (isWordChar(line.at(i)) || line.at(i) == u'.')) {
            if (line.at(i) == u'.') {
                segment = i + 1;
            }
            ++i;
        }
        return line.mid(segment, i - segment).startsWith(u"VB_", Qt::CaseInsensitive);
    }
    return false;
}

// A number literal at i: decimal with fraction, exponent and type suffix,
// or &H / &O with an optional & or % suffix. Returns its length, 0 if none.
qsizetype numberLength(QStringView line, qsizetype i)
{
    const qsizetype n = line.size();
    qsizetype j = i;
    if (line.at(j) == u'&' && j + 1 < n && (line.at(j + 1) == u'H' || line.at(j + 1) == u'h')) {
        j += 2;
        while (j < n && (line.at(j).isDigit() || QStringView(u"abcdefABCDEF").contains(line.at(j)))) {
            ++j;
        }
    } else if (line.at(j) == u'&' && j + 1 < n && (line.at(j + 1) == u'O' || line.at(j + 1) == u'o')) {
        j += 2;
        while (j < n && line.at(j) >= u'0' && line.at(j) <= u'7') {
            ++j;
        }
    } else {
        const qsizetype digits = j;
        while (j < n && line.at(j).isDigit() && line.at(j).unicode() < 128) {
            ++j;
        }
        if (j < n && line.at(j) == u'.') {
            ++j;
            while (j < n && line.at(j).isDigit() && line.at(j).unicode() < 128) {
                ++j;
            }
        }
        if (j == digits || (j == digits + 1 && line.at(digits) == u'.')) {
            return 0;
        }
        if (j + 1 < n && QStringView(u"eEdD").contains(line.at(j))) {
            qsizetype k = j + 1;
            if (line.at(k) == u'+' || line.at(k) == u'-') {
                ++k;
            }
            if (k < n && line.at(k).isDigit()) {
                while (k < n && line.at(k).isDigit()) {
                    ++k;
                }
                j = k;
            }
        }
        if (j < n && isTypeSuffix(line.at(j)) && line.at(j) != u'$') {
            ++j;
        }
        return j - i;
    }
    if (j == i + 2) {
        return 0; // "&H" alone is no number
    }
    if (j < n && (line.at(j) == u'&' || line.at(j) == u'%')) {
        ++j;
    }
    return j - i;
}

LineResult tokenizeBasic(QStringView line, bool inComment)
{
    LineResult result;
    const qsizetype n = line.size();
    if (inComment) {
        if (n > 0) {
            result.tokens.append({0, n, Kind::Comment});
        }
        result.commentContinues = continues(line);
        return result;
    }
    const qsizetype first = skipBlanks(line, 0);
    if (isDirectiveLine(line, first)) {
        result.tokens.append({first, n - first, Kind::Directive});
        return result;
    }
    bool statementStart = true; // at the start of a statement: Rem is a comment there
    qsizetype i = 0;
    while (i < n) {
        const QChar c = line.at(i);
        if (isBlank(c)) {
            ++i;
            continue;
        }
        if (c == u'\'' || (statementStart && startsWithWord(line, i, u"Rem"))) {
            result.tokens.append({i, n - i, Kind::Comment});
            result.commentContinues = continues(line.mid(i));
            return result;
        }
        if (c == u':') {
            statementStart = true;
            ++i;
            continue;
        }
        if (c == u'"') {
            const qsizetype j = stringEnd(line, i);
            result.tokens.append({i, j - i, Kind::String});
            statementStart = false;
            i = j;
            continue;
        }
        if (isWordStart(c)) {
            qsizetype j = i + 1;
            while (j < n && isWordChar(line.at(j))) {
                ++j;
            }
            const QStringView word = line.mid(i, j - i);
            if (j < n && isTypeSuffix(line.at(j))) {
                ++j; // Left$, Count%: a name with its type, never a keyword
            } else if ((i == 0 || line.at(i - 1) != u'.') && isKeyword(word)) {
                // After a "." the word names a member (Debug.Print, .End).
                result.tokens.append({i, j - i, Kind::Keyword});
            }
            // A line number or label keeps Rem at the start of the statement.
            statementStart = false;
            i = j;
            continue;
        }
        if ((c.isDigit() && c.unicode() < 128) || c == u'&' ||
            (c == u'.' && i + 1 < n && line.at(i + 1).isDigit() && (i == 0 || !isWordChar(line.at(i - 1))))) {
            if (const qsizetype length = numberLength(line, i); length > 0) {
                // A line number at the start of a statement leaves it open.
                const bool lineNumber = statementStart && i == first;
                result.tokens.append({i, length, Kind::Number});
                statementStart = lineNumber;
                i += length;
                continue;
            }
        }
        statementStart = false;
        ++i;
    }
    return result;
}

LineResult tokenizeProject(QStringView line)
{
    LineResult result;
    const qsizetype n = line.size();
    const qsizetype first = skipBlanks(line, 0);
    if (first == n) {
        return result;
    }
    if (line.at(first) == u'[') {
        result.tokens.append({first, line.trimmed().size(), Kind::Directive});
        return result;
    }
    if (line.at(first) == u'\'' || line.at(first) == u';') {
        result.tokens.append({first, n - first, Kind::Comment});
        return result;
    }
    const qsizetype equals = line.indexOf(u'=');
    if (equals <= first) {
        return result;
    }
    qsizetype keyEnd = equals;
    while (keyEnd > first && isBlank(line.at(keyEnd - 1))) {
        --keyEnd;
    }
    result.tokens.append({first, keyEnd - first, Kind::Key});
    const qsizetype valueStart = skipBlanks(line, equals + 1);
    const QStringView value = line.mid(valueStart).trimmed();
    if (value.isEmpty()) {
        return result;
    }
    if (value.startsWith(u'"')) {
        result.tokens.append({valueStart, value.size(), Kind::String});
    } else if (const qsizetype length =
                   value.at(0) == u'-' && value.size() > 1 ? 1 + numberLength(value, 1) : numberLength(value, 0);
               length == value.size() && (value.at(0) != u'-' || length > 1)) {
        result.tokens.append({valueStart, length, Kind::Number});
    }
    return result;
}

} // namespace

LineResult tokenize(QStringView line, Mode mode, bool inComment)
{
    return mode == Mode::Project ? tokenizeProject(line) : tokenizeBasic(line, inComment);
}

bool isKeyword(QStringView word)
{
    if (word.size() > 12) {
        return false;
    }
    char16_t lower[12];
    for (qsizetype i = 0; i < word.size(); ++i) {
        lower[i] = word.at(i).toLower().unicode();
    }
    const std::u16string_view key(lower, size_t(word.size()));
    return std::binary_search(Keywords.begin(), Keywords.end(), key);
}

bool looksLikeBasic(QStringView text)
{
    static const QRegularExpression code(
        QStringLiteral(
            R"re(^[ \t]*(?:(?:(?:Public|Private|Friend|Global)[ \t]+)?(?:(?:Static[ \t]+)?(?:Sub|Function)))re"
            R"re([ \t]+\w|(?:(?:Public|Private|Friend|Global)[ \t]+)?Property[ \t]+(?:Get|Let|Set)[ \t]+\w)re"
            R"re(|(?:(?:Public|Private)[ \t]+)?Declare[ \t]+(?:Function|Sub)[ \t])re"
            R"re(|End[ \t]+(?:Sub|Function|Property)\b|Option[ \t]+Explicit\b|Attribute[ \t]+VB_)re"
            R"re(|Dim[ \t]+\w+[ \t]+As[ \t]))re"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption |
            QRegularExpression::UseUnicodePropertiesOption);
    Q_ASSERT(code.isValid());
    // The head of a document tells; a long text is not scanned to its end.
    constexpr qsizetype Head = 64 * 1024;
    return code.match(text.left(Head)).hasMatch();
}

} // namespace BasicSyntax
