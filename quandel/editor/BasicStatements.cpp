#include "BasicStatements.h"

#include "BasicSyntax.h"

namespace BasicStatements {

using BasicSyntax::isTypeSuffix;
using BasicSyntax::isWordChar;
using BasicSyntax::isWordStart;

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

} // namespace

bool continues(QStringView line)
{
    qsizetype end = line.size();
    while (end > 0 && (isBlank(line.at(end - 1)) || line.at(end - 1) == u'\r')) {
        --end;
    }
    if (end == 0 || line.at(end - 1) != u'_') {
        return false;
    }
    return end == 1 || isBlank(line.at(end - 2));
}

bool is(QStringView line, const Token &token, QStringView word)
{
    return token.word && token.length == word.size() &&
           line.mid(token.start, token.length).compare(word, Qt::CaseInsensitive) == 0;
}

QList<Statement> split(QStringView line)
{
    QList<Statement> statements;
    Statement current;
    const qsizetype n = line.size();
    const auto close = [&statements, &current] {
        if (!current.isEmpty()) {
            statements.append(current);
            current.clear();
        }
    };
    qsizetype i = 0;
    while (i < n) {
        const QChar c = line.at(i);
        if (isBlank(c) || c == u'\r') {
            ++i;
            continue;
        }
        if (c == u'\'') {
            break;
        }
        if (c == u':' && (i + 1 >= n || line.at(i + 1) != u'=')) {
            // A label ("Fehler:") or a line number stands before the first
            // statement only and is no statement of its own.
            if (statements.isEmpty() && current.size() == 1 &&
                (current.at(0).word ? !BasicSyntax::isKeyword(line.mid(current.at(0).start, current.at(0).length))
                                    : line.at(current.at(0).start).isDigit())) {
                current.clear();
            }
            close();
            ++i;
            continue;
        }
        if (c == u'"') {
            const qsizetype j = BasicSyntax::stringEnd(line, i);
            current.append({i, j - i, false});
            i = j;
            continue;
        }
        const bool directive = c == u'#' && current.isEmpty() && i + 1 < n && isWordStart(line.at(i + 1));
        if (isWordStart(c) || directive) {
            qsizetype j = i + 1;
            while (j < n && isWordChar(line.at(j))) {
                ++j;
            }
            if (j < n && isTypeSuffix(line.at(j)) && !directive) {
                ++j;
            }
            const Token token{i, j - i, true};
            // Rem opens a comment where a statement starts.
            if (current.isEmpty() && is(line, token, u"Rem")) {
                break;
            }
            current.append(token);
            i = j;
            continue;
        }
        if (c.isDigit() && c.unicode() < 128) {
            qsizetype j = i + 1;
            while (j < n && (line.at(j).isLetterOrNumber() || line.at(j) == u'.')) {
                ++j;
            }
            // A line number before the first statement is dropped.
            if (!(statements.isEmpty() && current.isEmpty())) {
                current.append({i, j - i, false});
            }
            i = j;
            continue;
        }
        current.append({i, 1, false});
        ++i;
    }
    close();
    return statements;
}

} // namespace BasicStatements
