#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// The token rules of the code colouring, over one line at a time, without
// any window: what the highlighter colours is exactly what these return.
namespace BasicSyntax {

// The characters of a Basic identifier, and the type suffixes after one.
inline bool isWordStart(QChar c)
{
    return c.isLetter() || c == u'_';
}

inline bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

inline bool isTypeSuffix(QChar c)
{
    return c == u'$' || c == u'%' || c == u'&' || c == u'!' || c == u'#' || c == u'@';
}

// The end of the string literal whose opening quote stands at start: just
// past its closing quote, or the line's end when it has none. "" inside it
// stands for one quote.
inline qsizetype stringEnd(QStringView line, qsizetype start)
{
    qsizetype j = start + 1;
    while (j < line.size()) {
        if (line.at(j) == u'"') {
            if (j + 1 < line.size() && line.at(j + 1) == u'"') {
                j += 2;
                continue;
            }
            return j + 1;
        }
        ++j;
    }
    return j;
}

enum class Mode
{
    Basic,   // classes, modules and project texts with code
    Project, // help projects: Key=Value lines
};

enum class Kind
{
    Keyword,
    Comment,
    String,
    Number,
    Directive, // Attribute and VERSION lines, [Section] lines of a project
    Key,       // the key of a Key=Value line
};

struct Token
{
    qsizetype start = 0;
    qsizetype length = 0;
    Kind kind = Kind::Keyword;

    friend bool operator==(const Token &, const Token &) = default;
};

struct LineResult
{
    QList<Token> tokens;
    // The line ends in a comment continued with " _": the next line is
    // comment too.
    bool commentContinues = false;
};

// Tokens of one line, in order and without overlap; text outside them is
// plain. `inComment` says the line before was a continued comment.
LineResult tokenize(QStringView line, Mode mode, bool inComment = false);

// Whether a keyword of the language, without regard to case.
bool isKeyword(QStringView word);

// Whether a text holds Basic code (a procedure, a declaration, an Option or
// Attribute line), as opposed to prose; looks at the first lines only.
bool looksLikeBasic(QStringView text);

} // namespace BasicSyntax
