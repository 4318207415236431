#include "TextMatcher.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Options from letters: c = case counts, w = whole words, r = expression.
MatchOptions optionsOf(const QString &term, const QString &flags)
{
    MatchOptions options;
    options.term = term;
    options.cs = flags.contains(u'c') ? Qt::CaseSensitive : Qt::CaseInsensitive;
    options.wholeWords = flags.contains(u'w');
    options.regularExpression = flags.contains(u'r');
    return options;
}

// The text with every match replaced, as replacing all does.
QString replacedAll(const TextMatcher &matcher, const QString &text, const QString &replacement)
{
    QString result;
    qsizetype copied = 0;
    for (const TextMatcher::Match &match : matcher.findAll(text)) {
        result += QStringView(text).sliced(copied, match.start - copied);
        result += matcher.replacementFor(match, replacement);
        copied = match.start + match.length;
    }
    return result + QStringView(text).sliced(copied);
}

} // namespace

class TestTextMatcher final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void matches_data();
    void matches();
    void invalidExpression_data();
    void invalidExpression();
    void emptyMatches_data();
    void emptyMatches();
    void expressionThatGivesUp();
};

void TestTextMatcher::matches_data()
{
    QTest::addColumn<QString>("term");
    QTest::addColumn<QString>("flags");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("expected");

    const QString kelvin = QString(QChar(0x212A));
    const QString longS = QString(QChar(0x017F));
    const QString capitalSharpS = QString(QChar(0x1E9E));
    const QString X = u"X"_s;
    // Case, as typed and as an expression alike.
    QTest::newRow("umlauts, any case") << u"größe"_s << u""_s << u"Größe GRÖSSE größe"_s << X << u"X GRÖSSE X"_s;
    QTest::newRow("umlauts, case counts")
        << u"Größe"_s << u"c"_s << u"Größe GRÖSSE größe"_s << X << u"X GRÖSSE größe"_s;
    QTest::newRow("Kelvin sign is a k") << u"k"_s << u""_s << u"K k "_s + kelvin << X << u"X X X"_s;
    QTest::newRow("Kelvin sign, expression") << u"k"_s << u"r"_s << u"K k "_s + kelvin << X << u"X X X"_s;
    QTest::newRow("Kelvin sign, case counts") << u"k"_s << u"cr"_s << u"K k "_s + kelvin << X << u"K X "_s + kelvin;
    QTest::newRow("long s is an s") << u"S"_s << u""_s << longS + u" S s"_s << X << u"X X X"_s;
    QTest::newRow("long s, expression") << u"ss"_s << u"r"_s << longS + u"s"_s << X << X;
    QTest::newRow("capital sharp s") << u"ß"_s << u"w"_s << capitalSharpS + u" ß ss"_s << X << u"X X ss"_s;
    // Whole words: letters with umlauts and ß, digits and _.
    QTest::newRow("whole words, umlauts")
        << u"Maß"_s << u"w"_s << u"Maß Maße Maß_ Maß1 (Maß) äMaß"_s << X << u"X Maße Maß_ Maß1 (X) äMaß"_s;
    QTest::newRow("whole words, next try one on") << u"ab"_s << u"w"_s << u"aab ab"_s << X << u"aab X"_s;
    QTest::newRow("whole words beside a non-BMP character") << u"x"_s << u"w"_s << u"😀x x😀 xx"_s << X << u"😀X X😀 xx"_s;
    QTest::newRow("\\w knows umlauts") << u"\\w+"_s << u"rw"_s << u"Größe_1 a-b"_s << X << u"X X-X"_s;
    QTest::newRow("\\b knows umlauts") << u"\\bär"_s << u"r"_s << u"Bär är"_s << X << u"Bär X"_s;
    QTest::newRow("whole words, other alternative")
        << u"Dim|Dimension"_s << u"rw"_s << u"Dimension Dim"_s << X << u"X X"_s;
    QTest::newRow("whole words, lazy") << u"x+?"_s << u"rw"_s << u"xxx x"_s << X << u"X X"_s;
    QTest::newRow("whole words, \\Q left open") << u"\\Qa.b"_s << u"rw"_s << u"a.b xa.b a-b"_s << X << u"X xa.b a-b"_s;
    QTest::newRow("whole words, comment to the end")
        << u"(?x)a b # Kommentar"_s << u"rw"_s << u"ab abc"_s << X << u"X abc"_s;
    // Line ends.
    QTest::newRow("\\n across lines") << u"a\\nb"_s << u"r"_s << u"a\nb a b"_s << X << u"X a b"_s;
    QTest::newRow("\\s across lines") << u"Ende\\s+Anfang"_s << u"r"_s << u"Ende\n  Anfang"_s << X << X;
    QTest::newRow("^ and $ for each line") << u"^x|y$"_s << u"r"_s << u"xy\nxy\n"_s << X << u"XX\nXX\n"_s;
    // The replacement.
    QTest::newRow("captures swapped") << u"(\\w+)=(\\w+)"_s << u"r"_s << u"a=b Größe=ß"_s << u"\\2=\\1"_s
                                      << u"b=a ß=Größe"_s;
    QTest::newRow("$0") << u"\\d+"_s << u"r"_s << u"a1 b22"_s << u"[$0]"_s << u"a[1] b[22]"_s;
    QTest::newRow("$$ and \\\\") << u"x"_s << u"r"_s << u"x"_s << u"$$\\\\$1"_s << u"$\\$1"_s;
    QTest::newRow("group without a part") << u"(a)|(b)"_s << u"r"_s << u"ab"_s << u"<\\1\\2\\9>"_s << u"<a><b>"_s;
    QTest::newRow("term as typed, replacement as typed")
        << u"a.b"_s << u""_s << u"a.b axb"_s << u"\\1$0"_s << u"\\1$0 axb"_s;
}

void TestTextMatcher::matches()
{
    QFETCH(QString, term);
    QFETCH(QString, flags);
    QFETCH(QString, text);
    QFETCH(QString, replacement);
    QFETCH(QString, expected);

    const TextMatcher matcher(optionsOf(term, flags));
    QVERIFY2(matcher.isValid(), qPrintable(matcher.errorText()));
    QVERIFY(!matcher.matchesEmpty());
    QCOMPARE(replacedAll(matcher, text, replacement), expected);

    // Forwards one by one and backwards find the same matches as all at once.
    const QList<TextMatcher::Match> all = matcher.findAll(text);
    QList<qsizetype> forwards;
    for (TextMatcher::Match m = matcher.find(text); m.isValid(); m = matcher.find(text, m.start + m.length)) {
        forwards.append(m.start);
    }
    QList<qsizetype> backwards;
    for (TextMatcher::Match m = matcher.findBackward(text, text.size()); m.isValid();
         m = matcher.findBackward(text, m.start)) {
        backwards.prepend(m.start);
    }
    QList<qsizetype> starts;
    for (const TextMatcher::Match &m : all) {
        starts.append(m.start);
    }
    QCOMPARE(forwards, starts);
    QCOMPARE(backwards, starts);
}

void TestTextMatcher::invalidExpression_data()
{
    QTest::addColumn<QString>("term");
    QTest::addColumn<QString>("message");

    const QString at = u"Der reguläre Ausdruck ist an Position %1 ungültig."_s;
    const QString atEnd =
        u"Der reguläre Ausdruck ist an Position %1 ungültig: er endet, bevor er vollständig ist (fehlt eine Klammer?)."_s;
    QTest::newRow("quantifier first") << u"*a"_s << at.arg(1);
    QTest::newRow("bracket left open") << u"a[b"_s << atEnd.arg(4);
    QTest::newRow("group left open, umlauts") << u"äö(?<"_s << atEnd.arg(6);
    // Characters, not UTF-16 units, are counted.
    QTest::newRow("after a non-BMP character") << u"😀)x"_s << at.arg(2);
    QTest::newRow("no term") << QString() << u"Es wurde kein Suchbegriff angegeben."_s;
}

void TestTextMatcher::invalidExpression()
{
    QFETCH(QString, term);
    QFETCH(QString, message);

    for (const QString &flags : {u"r"_s, u"rw"_s}) {
        const TextMatcher matcher(optionsOf(term, flags));
        QVERIFY(!matcher.isValid());
        QCOMPARE(matcher.errorText(), message);
        QVERIFY(!matcher.find(u"*a a[b )x"_s).isValid());
        QVERIFY(matcher.findAll(u"*a a[b )x"_s).isEmpty());
    }
}

void TestTextMatcher::emptyMatches_data()
{
    QTest::addColumn<QString>("term");
    QTest::addColumn<bool>("matchesEmpty");
    QTest::addColumn<QStringList>("found"); // in "baab 😀 a\n"

    QTest::newRow("a*") << u"a*"_s << true << QStringList{u"aa"_s, u"a"_s};
    QTest::newRow("^") << u"^"_s << true << QStringList{};
    QTest::newRow("$") << u"$"_s << true << QStringList{};
    QTest::newRow("\\b") << u"\\b"_s << true << QStringList{};
    QTest::newRow("lookbehind") << u"(?<=a)"_s << true << QStringList{};
    QTest::newRow("a|") << u"a|"_s << true << QStringList{u"a"_s, u"a"_s, u"a"_s};
    QTest::newRow("a+") << u"a+"_s << false << QStringList{u"aa"_s, u"a"_s};
}

void TestTextMatcher::emptyMatches()
{
    QFETCH(QString, term);
    QFETCH(bool, matchesEmpty);
    QFETCH(QStringList, found);

    const QString text = u"baab 😀 a\n"_s;
    const TextMatcher matcher(optionsOf(term, u"r"_s));
    QVERIFY(matcher.isValid());
    QCOMPARE(matcher.matchesEmpty(), matchesEmpty);
    // Whole words do not hide it (\b between two blanks never matches).
    QCOMPARE(TextMatcher(optionsOf(term, u"rw"_s)).matchesEmpty(), matchesEmpty);
    bool gaveUp = true;
    QStringList texts;
    for (const TextMatcher::Match &match : matcher.findAll(text, 1 << 30, &gaveUp)) {
        texts.append(text.sliced(match.start, match.length));
    }
    // Stepping over an empty match never lands inside the non-BMP character.
    QVERIFY(!gaveUp);
    QCOMPARE(texts, found);
}

void TestTextMatcher::expressionThatGivesUp()
{
    // Every way of splitting the run of a is tried before the expression
    // gives up; the search says so instead of reporting "not found".
    const QString text = u"Anfang\n"_s + QString(5000, u'a') + u"\nb\n"_s;
    const TextMatcher matcher(optionsOf(u"(a+)+[bc]"_s, u"r"_s));
    QVERIFY(matcher.isValid());
    const TextMatcher::Match match = matcher.find(text);
    QVERIFY(!match.isValid());
    QVERIFY(match.gaveUp);
    bool gaveUp = false;
    QVERIFY(matcher.findAll(text, 1 << 30, &gaveUp).isEmpty());
    QVERIFY(gaveUp);
    QVERIFY(matcher.findBackward(text, text.size()).gaveUp);
    // A plain not found is no giving up.
    QVERIFY(!TextMatcher(optionsOf(u"x+y"_s, u"r"_s)).find(text).gaveUp);
}

QTEST_APPLESS_MAIN(TestTextMatcher)
#include "tst_textmatcher.moc"
