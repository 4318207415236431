#include "TextMatcher.h"

namespace {

// What a word is made of (TextMatcher::isWordCharacter), for an expression.
constexpr QStringView WordClass = u"[\\p{L}\\p{Nd}\\p{M}_]";

// Where a search may start: never between the two halves of a character
// outside the BMP, which the expression would refuse as malformed.
qsizetype characterStart(QStringView text, qsizetype at)
{
    at = std::clamp<qsizetype>(at, 0, text.size());
    if (at > 0 && at < text.size() && text.at(at).isLowSurrogate() && text.at(at - 1).isHighSurrogate()) {
        ++at;
    }
    return at;
}

// The place one character after at.
qsizetype nextCharacter(QStringView text, qsizetype at)
{
    return characterStart(text, at + 1);
}

} // namespace

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
    // \w, \d and \b speak of letters and digits as the whole words do, not
    // of ASCII only.
    QRegularExpression::PatternOptions flags =
        QRegularExpression::MultilineOption | QRegularExpression::UseUnicodePropertiesOption;
    if (m_options.cs == Qt::CaseInsensitive) {
        flags |= QRegularExpression::CaseInsensitiveOption;
    }
    m_expression = QRegularExpression(m_options.term, flags);
    if (!m_expression.isValid()) {
        // The position in characters as the user counts them, from 1; the
        // expression counts UTF-16 units.
        const qsizetype offset = std::clamp<qsizetype>(m_expression.patternErrorOffset(), 0, m_options.term.size());
        const qsizetype position = QStringView(m_options.term).first(offset).toUcs4().size() + 1;
        m_error = offset >= m_options.term.size()
                      ? QStringLiteral("Der reguläre Ausdruck ist an Position %1 ungültig: er endet, bevor er "
                                       "vollständig ist (fehlt eine Klammer?).")
                            .arg(position)
                      : QStringLiteral("Der reguläre Ausdruck ist an Position %1 ungültig.").arg(position);
        return;
    }
    // Asked of the term itself: with the whole words around it, \b could
    // never match, and replacing would still find nothing.
    static const QString Samples[] = {QString(), QStringLiteral("Aa0_ äÖß.\t-\n;Zz9\n")};
    for (const QString &sample : Samples) {
        for (QRegularExpressionMatchIterator it = m_expression.globalMatch(sample); it.hasNext() && !m_matchesEmpty;) {
            m_matchesEmpty = it.next().capturedLength(0) == 0;
        }
    }
    if (m_options.wholeWords) {
        // The expression itself looks at the characters around a match, so
        // that it tries its other ways (Dim|Dimension, a lazy x+?) where the
        // first one is no whole word. \E ends a \Q the term left open. A term
        // this does not fit (a comment of (?x) that runs to its end, a (*…)
        // verb that must stand first) is checked match by match instead.
        const QString wrapped = QStringLiteral("(?<!%1)(?:%2\\E)(?!%1)").arg(WordClass, m_options.term);
        const QRegularExpression whole(wrapped, flags);
        if (whole.isValid() && whole.captureCount() == m_expression.captureCount()) {
            m_expression = whole;
        }
    }
    m_expression.optimize();
    m_valid = true;
}

QString TextMatcher::gaveUpText()
{
    return QStringLiteral("Der reguläre Ausdruck ist für diesen Text zu aufwendig: er probiert an einer Stelle zu "
                          "viele Möglichkeiten durch (etwa (a+)+), daher wurde die Suche abgebrochen. Bitte "
                          "vereinfachen Sie ihn.");
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

template <typename Take> bool TextMatcher::forEachMatch(QStringView text, qsizetype from, Take take) const
{
    if (!m_valid) {
        return false;
    }
    from = characterStart(text, from);
    if (!m_options.regularExpression) {
        const QString &term = m_options.term;
        for (qsizetype at = text.indexOf(term, from, m_options.cs); at >= 0;) {
            if (!m_options.wholeWords || isWholeWord(text, at, term.size())) {
                if (!take(Match{at, term.size(), {}, false})) {
                    return false;
                }
                at = text.indexOf(term, at + term.size(), m_options.cs);
            } else {
                at = text.indexOf(term, nextCharacter(text, at), m_options.cs);
            }
        }
        return false;
    }
    // One pass over the text: each new match() would check the text from its
    // start on again, which on a large text costs more than the search.
    qsizetype resumeAt = from;
    for (QRegularExpressionMatchIterator it = m_expression.globalMatch(text, from); it.hasNext();) {
        const QRegularExpressionMatch found = it.next();
        const qsizetype start = found.capturedStart(0);
        const qsizetype length = found.capturedLength(0);
        resumeAt = length > 0 ? start + length : nextCharacter(text, start);
        if (length == 0 || (m_options.wholeWords && !isWholeWord(text, start, length))) {
            continue;
        }
        if (!take(Match{start, length, found.capturedTexts(), false})) {
            return false;
        }
    }
    // The pass also ends when the expression gives up; only a match of its
    // own tells which.
    return resumeAt <= text.size() && !m_expression.match(text, resumeAt).isValid();
}

TextMatcher::Match TextMatcher::find(QStringView text, qsizetype from) const
{
    Match result;
    result.gaveUp = forEachMatch(text, std::max<qsizetype>(0, from), [&result](Match &&match) {
        result = std::move(match);
        return false;
    });
    return result;
}

TextMatcher::Match TextMatcher::findBackward(QStringView text, qsizetype before) const
{
    // Matches are taken from the start, so that backwards finds the same
    // matches as forwards, only in the other order.
    Match last;
    const bool gaveUp = forEachMatch(text, 0, [&last, before](Match &&match) {
        if (match.start + match.length > before) {
            return false;
        }
        last = std::move(match);
        return true;
    });
    if (!last.isValid()) {
        last.gaveUp = gaveUp;
    }
    return last;
}

QList<TextMatcher::Match> TextMatcher::findAll(QStringView text, qsizetype max, bool *gaveUp) const
{
    QList<Match> matches;
    const bool stopped = max > 0 && forEachMatch(text, 0, [&matches, max](Match &&match) {
                             matches.append(std::move(match));
                             return matches.size() < max;
                         });
    if (gaveUp) {
        *gaveUp = stopped;
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
