#include "TextMatcher.h"

TextMatcher::TextMatcher(MatchOptions options) : m_options(std::move(options))
{
    if (m_options.term.isEmpty()) {
        m_error = QStringLiteral("Es wurde kein Suchbegriff angegeben.");
        return;
    }
    if (!m_options.regularExpression) {
        m_valid = true;
        return;
    }
    QRegularExpression::PatternOptions flags = QRegularExpression::MultilineOption;
    if (m_options.cs == Qt::CaseInsensitive) {
        flags |= QRegularExpression::CaseInsensitiveOption;
    }
    m_expression = QRegularExpression(m_options.term, flags);
    if (!m_expression.isValid()) {
        m_error = QStringLiteral("Der reguläre Ausdruck ist an Position %1 ungültig.")
                      .arg(m_expression.patternErrorOffset() + 1);
        return;
    }
    m_expression.optimize();
    m_valid = true;
    m_matchesEmpty = m_expression.match(QString()).hasMatch();
}

bool TextMatcher::isWordCharacter(char32_t c)
{
    if (c == U'_') {
        return true;
    }
    const QChar::Category category = QChar::category(c);
    switch (category) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Number_DecimalDigit:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return true;
    default:
        return false;
    }
}

bool TextMatcher::wordCharacterBefore(QStringView text, qsizetype at)
{
    if (at <= 0 || at > text.size()) {
        return false;
    }
    char32_t c = text.at(at - 1).unicode();
    if (QChar::isLowSurrogate(c) && at >= 2 && text.at(at - 2).isHighSurrogate()) {
        c = QChar::surrogateToUcs4(text.at(at - 2), text.at(at - 1));
    }
    return isWordCharacter(c);
}

bool TextMatcher::wordCharacterAt(QStringView text, qsizetype at)
{
    if (at < 0 || at >= text.size()) {
        return false;
    }
    char32_t c = text.at(at).unicode();
    if (QChar::isHighSurrogate(c) && at + 1 < text.size() && text.at(at + 1).isLowSurrogate()) {
        c = QChar::surrogateToUcs4(text.at(at), text.at(at + 1));
    }
    return isWordCharacter(c);
}

bool TextMatcher::isWholeWord(QStringView text, qsizetype start, qsizetype length) const
{
    return !wordCharacterBefore(text, start) && !wordCharacterAt(text, start + length);
}

TextMatcher::Match TextMatcher::rawFind(QStringView text, qsizetype from) const
{
    Match result;
    if (!m_options.regularExpression) {
        const qsizetype at = text.indexOf(m_options.term, from, m_options.cs);
        if (at >= 0) {
            result.start = at;
            result.length = m_options.term.size();
        }
        return result;
    }
    // Empty matches are stepped over: the next try starts one character on.
    for (qsizetype offset = from; offset <= text.size();) {
        const QRegularExpressionMatch match = m_expression.match(text, offset);
        if (!match.hasMatch()) {
            return result;
        }
        if (match.capturedLength(0) > 0) {
            result.start = match.capturedStart(0);
            result.length = match.capturedLength(0);
            result.captures = match.capturedTexts();
            return result;
        }
        offset = match.capturedStart(0) + 1;
    }
    return result;
}

TextMatcher::Match TextMatcher::find(QStringView text, qsizetype from) const
{
    if (!m_valid) {
        return {};
    }
    for (qsizetype at = std::max<qsizetype>(0, from); at <= text.size();) {
        Match match = rawFind(text, at);
        if (!match.isValid() || !m_options.wholeWords || isWholeWord(text, match.start, match.length)) {
            return match;
        }
        at = match.start + 1;
    }
    return {};
}

TextMatcher::Match TextMatcher::findBackward(QStringView text, qsizetype before) const
{
    // Matches are taken from the start, so that backwards finds the same
    // matches as forwards, only in the other order.
    Match last;
    for (Match match = find(text, 0); match.isValid() && match.start + match.length <= before;
         match = find(text, match.start + match.length)) {
        last = std::move(match);
    }
    return last;
}

QList<TextMatcher::Match> TextMatcher::findAll(QStringView text, qsizetype max) const
{
    QList<Match> matches;
    for (Match match = find(text, 0); match.isValid() && matches.size() < max;
         match = find(text, match.start + match.length)) {
        matches.append(std::move(match));
    }
    return matches;
}

QString TextMatcher::replacementFor(const Match &match, const QString &replacement) const
{
    if (!m_options.regularExpression) {
        return replacement;
    }
    QString result;
    result.reserve(replacement.size());
    const auto capture = [&match](qsizetype n) { return n < match.captures.size() ? match.captures.at(n) : QString(); };
    for (qsizetype i = 0; i < replacement.size(); ++i) {
        const QChar c = replacement.at(i);
        const QChar next = i + 1 < replacement.size() ? replacement.at(i + 1) : QChar();
        if (c == u'\\' && next >= u'1' && next <= u'9') {
            result += capture(next.unicode() - u'0');
            ++i;
        } else if (c == u'\\' && next == u'\\') {
            result += u'\\';
            ++i;
        } else if (c == u'$' && next == u'0') {
            result += capture(0);
            ++i;
        } else if (c == u'$' && next == u'$') {
            result += u'$';
            ++i;
        } else {
            result += c;
        }
    }
    return result;
}
