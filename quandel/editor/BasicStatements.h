#pragma once

#include <QList>
#include <QStringView>

// The statements of a line of Basic code as the structure of a module sees
// them: words and signs outside strings and comments, split at the colons
// that separate statements. Used by the procedure list and the block
// matcher; the colouring has its own, finer rules (BasicSyntax).
namespace BasicStatements {

// Of a longer line only the start is looked at: declarations and block
// keywords stand at the start of statements, and a line of megabytes must
// not hold up a cursor move.
constexpr qsizetype LongLine = 4096;

struct Token
{
    qsizetype start = 0;
    qsizetype length = 0;
    bool word = false; // a name or keyword (with a leading # for directives)
};

using Statement = QList<Token>;

// The statements of one logical line (continuations already joined), in
// order; a line label or line number at the start is dropped.
QList<Statement> split(QStringView line);

// Whether a physical line goes on in the next one: it ends in " _" (also
// inside a comment, which then runs on).
bool continues(QStringView line);

// Whether the token is the word, without regard to case.
bool is(QStringView line, const Token &token, QStringView word);

} // namespace BasicStatements
