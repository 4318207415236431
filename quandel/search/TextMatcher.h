#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QStringView>

// How a term is looked for when text is replaced, and in " Alle Treffer":
// as typed or as a regular expression, with or without case, anywhere or as
// a whole word.
struct MatchOptions
{
    QString term;
    Qt::CaseSensitivity cs = Qt::CaseInsensitive;
    // A match must not touch a word character on either side.
    bool wholeWords = false;
    // The term is a regular expression (QRegularExpression); in the
    // replacement, \1 … \9 and $0 stand for what its groups matched.
    bool regularExpression = false;
    friend bool operator==(const MatchOptions &, const MatchOptions &) = default;
};

// Finds the matches of a term in a text with "\n" line ends. An expression
// works line by line at ^ and $ (each line has its own start and end) and
// may match across line ends where it says so (\n, \s); \w, \d and \b know
// umlauts and ß as letters. Matches never overlap and are never empty: an
// empty match is stepped over.
class TextMatcher final
{
public:
    explicit TextMatcher(MatchOptions options = {});

    const MatchOptions &options() const { return m_options; }

    // False when there is nothing to look for: the term is empty or the
    // expression is invalid (errorText() says why).
    bool isValid() const { return m_valid; }
    // Why the term cannot be used, in German, with the position of the
    // fault in an invalid expression; empty when valid.
    QString errorText() const { return m_error; }
    // The expression matches the empty string (a*, ^, \b) in the empty text
    // or in a sample of letters, digits, blanks and line ends: replacing with
    // it would put text between characters, so replace refuses it.
    bool matchesEmpty() const { return m_matchesEmpty; }
    // Why a search ended before the end of the text: the expression tried
    // too many ways at one place ((a+)+ on a long run of a), in German.
    static QString gaveUpText();

    struct Match
    {
        qsizetype start = -1;
        qsizetype length = 0;
        // What the expression's groups matched, \0 first; empty for a plain
        // term.
        QStringList captures;
        // No match, because the expression gave up (see gaveUpText()): the
        // text was not searched to its end.
        bool gaveUp = false;
        bool isValid() const { return start >= 0; }
    };

    // The first match that starts at or after from, or an invalid one.
    Match find(QStringView text, qsizetype from = 0) const;
    // The last match that ends at or before before (backwards search), or
    // an invalid one.
    Match findBackward(QStringView text, qsizetype before) const;
    // All matches from the start, at most max. *gaveUp (when given) tells
    // whether the expression gave up before the end of the text.
    QList<Match> findAll(QStringView text, qsizetype max = 1 << 30, bool *gaveUp = nullptr) const;

    // The text that takes a match's place: the replacement as typed, or for
    // an expression with \1 … \9 and $0 put in (\\ is a backslash, $$ a
    // dollar sign; a group that took part in no match puts in nothing).
    QString replacementFor(const Match &match, const QString &replacement) const;

    // Letters (umlauts and ß included), digits, marks and _: what a word is
    // made of, as a Basic identifier is.
    static bool isWordCharacter(char32_t c);
    // The character before at / at at in text is a word character.
    static bool wordCharacterBefore(QStringView text, qsizetype at);
    static bool wordCharacterAt(QStringView text, qsizetype at);

private:
    bool isWholeWord(QStringView text, qsizetype start, qsizetype length) const;
    // Calls take(match) for each match from from on until it returns false;
    // returns true when the expression gave up on the way.
    template <typename Take> bool forEachMatch(QStringView text, qsizetype from, Take take) const;

    MatchOptions m_options;
    QRegularExpression m_expression;
    bool m_valid = false;
    bool m_matchesEmpty = false;
    QString m_error;
};
