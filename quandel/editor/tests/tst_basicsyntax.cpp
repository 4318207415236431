#include "BasicSyntax.h"

#include <QTest>

using BasicSyntax::Kind;
using BasicSyntax::Mode;

// A token written as the text it covers, so that a table row reads like the
// line it describes.
struct Expected
{
    QString text;
    Kind kind;
};
Q_DECLARE_METATYPE(QList<Expected>)

namespace {

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Keyword:
        return QStringLiteral("keyword");
    case Kind::Comment:
        return QStringLiteral("comment");
    case Kind::String:
        return QStringLiteral("string");
    case Kind::Number:
        return QStringLiteral("number");
    case Kind::Directive:
        return QStringLiteral("directive");
    case Kind::Key:
        return QStringLiteral("key");
    }
    return {};
}

QStringList describe(const QString &line, const QList<BasicSyntax::Token> &tokens)
{
    QStringList out;
    for (const BasicSyntax::Token &t : tokens) {
        out.append(kindName(t.kind) + u':' + line.mid(t.start, t.length));
    }
    return out;
}

QStringList describe(const QList<Expected> &expected)
{
    QStringList out;
    for (const Expected &e : expected) {
        out.append(kindName(e.kind) + u':' + e.text);
    }
    return out;
}

Expected kw(const char *text)
{
    return {QString::fromUtf8(text), Kind::Keyword};
}
Expected str(const char *text)
{
    return {QString::fromUtf8(text), Kind::String};
}
Expected num(const char *text)
{
    return {QString::fromUtf8(text), Kind::Number};
}
Expected rem(const char *text)
{
    return {QString::fromUtf8(text), Kind::Comment};
}
Expected dir(const char *text)
{
    return {QString::fromUtf8(text), Kind::Directive};
}
Expected key(const char *text)
{
    return {QString::fromUtf8(text), Kind::Key};
}

} // namespace

class TestBasicSyntax final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tokens_data();
    void tokens();
    void continuedComment();
    void looksLikeBasic_data();
    void looksLikeBasic();
};

void TestBasicSyntax::tokens_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QList<Expected>>("expected");
    const int basic = int(Mode::Basic);
    const int project = int(Mode::Project);

    QTest::newRow("keywords in any case")
        << basic << QStringLiteral("dim i AS Long") << QList<Expected>{kw("dim"), kw("AS"), kw("Long")};
    QTest::newRow("procedure head") << basic << QStringLiteral("Public Function InstrRev(ByVal Text As String) As Long")
                                    << QList<Expected>{kw("Public"), kw("Function"), kw("ByVal"), kw("As"),
                                                       kw("String"), kw("As"),       kw("Long")};
    QTest::newRow("quote comment after code")
        << basic << QStringLiteral("x = 1 ' If Then") << QList<Expected>{num("1"), rem("' If Then")};
    QTest::newRow("Rem at the start") << basic << QStringLiteral("  Rem Dim x") << QList<Expected>{rem("Rem Dim x")};
    QTest::newRow("Rem after a colon") << basic << QStringLiteral("Stop: REM halt")
                                       << QList<Expected>{kw("Stop"), rem("REM halt")};
    QTest::newRow("Rem after a line number")
        << basic << QStringLiteral("10 Rem x") << QList<Expected>{num("10"), rem("Rem x")};
    QTest::newRow("Rem inside a statement is a name") << basic << QStringLiteral("x = Rem") << QList<Expected>{};
    QTest::newRow("Remark is a name") << basic << QStringLiteral("Remark = 1") << QList<Expected>{num("1")};
    QTest::newRow("quote inside a string") << basic << QStringLiteral("s = \"it's\" & \"\"\"x\"\"\"")
                                           << QList<Expected>{str("\"it's\""), str("\"\"\"x\"\"\"")};
    QTest::newRow("unterminated string") << basic << QStringLiteral("s = \"open ' no comment")
                                         << QList<Expected>{str("\"open ' no comment")};
    QTest::newRow("umlauts in names and strings")
        << basic << QStringLiteral("Größe = \"Äpfel\" ' für") << QList<Expected>{str("\"Äpfel\""), rem("' für")};
    QTest::newRow("numbers") << basic << QStringLiteral("x = 3.14 + 1E-3 + 2# + .5 + 7&")
                             << QList<Expected>{num("3.14"), num("1E-3"), num("2#"), num(".5"), num("7&")};
    QTest::newRow("hex and octal") << basic << QStringLiteral("c = &HFF00& Or &O17")
                                   << QList<Expected>{num("&HFF00&"), kw("Or"), num("&O17")};
    QTest::newRow("ampersand joins strings") << basic << QStringLiteral("a & b") << QList<Expected>{};
    QTest::newRow("digits in names are no numbers") << basic << QStringLiteral("Text1 = Label2") << QList<Expected>{};
    QTest::newRow("members are no keywords")
        << basic << QStringLiteral("Debug.Print Me.Type") << QList<Expected>{kw("Me")};
    QTest::newRow("typed names are no keywords")
        << basic << QStringLiteral("s = String$(3, \"-\")") << QList<Expected>{num("3"), str("\"-\"")};
    QTest::newRow("Attribute line") << basic << QStringLiteral("Attribute VB_Name = \"Modul\"")
                                    << QList<Expected>{dir("Attribute VB_Name = \"Modul\"")};
    QTest::newRow("VERSION line") << basic << QStringLiteral("VERSION 1.0 CLASS")
                                  << QList<Expected>{dir("VERSION 1.0 CLASS")};
    QTest::newRow("Attribute inside a line is a name")
        << basic << QStringLiteral("x.Attribute = 1") << QList<Expected>{num("1")};
    QTest::newRow("member Attribute line") << basic << QStringLiteral("    Attribute Wert.VB_UserMemId = 0")
                                           << QList<Expected>{dir("Attribute Wert.VB_UserMemId = 0")};
    QTest::newRow("a variable Version is code")
        << basic << QStringLiteral("Version = App.Major & \".\" & App.Minor") << QList<Expected>{str("\".\"")};
    QTest::newRow("a control Version is code")
        << basic << QStringLiteral("Version.Text = rs(\"Version\").Value") << QList<Expected>{str("\"Version\"")};
    QTest::newRow("a field Version is code") << basic << QStringLiteral("    Version As Integer ' comment")
                                             << QList<Expected>{kw("As"), kw("Integer"), rem("' comment")};
    QTest::newRow("a variable Attribute is code")
        << basic << QStringLiteral("Attribute = \"VB_x\"") << QList<Expected>{str("\"VB_x\"")};
    QTest::newRow("project key and string") << project << QStringLiteral("Title=\"Hilfeprojekt\"")
                                            << QList<Expected>{key("Title"), str("\"Hilfeprojekt\"")};
    QTest::newRow("project key and number")
        << project << QStringLiteral("MajorVer = 1") << QList<Expected>{key("MajorVer"), num("1")};
    QTest::newRow("project negative number")
        << project << QStringLiteral("AutoIncrementVer=-1") << QList<Expected>{key("AutoIncrementVer"), num("-1")};
    QTest::newRow("project plain value") << project << QStringLiteral("Module=Zeichenketten; Zeichenketten.bas")
                                         << QList<Expected>{key("Module")};
    QTest::newRow("project reference with #")
        << project << QStringLiteral("Reference=*\\G{0}#2.0#0#x.tlb#OLE") << QList<Expected>{key("Reference")};
    QTest::newRow("project section") << project << QStringLiteral("[MS Transaction Server]")
                                     << QList<Expected>{dir("[MS Transaction Server]")};
    QTest::newRow("project line without =") << project << QStringLiteral("Type Exe") << QList<Expected>{};
    QTest::newRow("project keywords are plain") << project << QStringLiteral("Dim x") << QList<Expected>{};
}

void TestBasicSyntax::tokens()
{
    QFETCH(int, mode);
    QFETCH(QString, line);
    QFETCH(QList<Expected>, expected);
    const BasicSyntax::LineResult result = BasicSyntax::tokenize(line, Mode(mode));
    QCOMPARE(describe(line, result.tokens), describe(expected));
    // Tokens are in order and never overlap: the highlighter relies on it.
    for (qsizetype i = 1; i < result.tokens.size(); ++i) {
        QVERIFY(result.tokens.at(i).start >= result.tokens.at(i - 1).start + result.tokens.at(i - 1).length);
    }
}

void TestBasicSyntax::continuedComment()
{
    // A comment ending in " _" runs on into the next line, and only then.
    const auto first = BasicSyntax::tokenize(u"x = 1 ' first _", Mode::Basic);
    QVERIFY(first.commentContinues);
    const auto second = BasicSyntax::tokenize(u"Dim still comment", Mode::Basic, true);
    QCOMPARE(describe(QStringLiteral("Dim still comment"), second.tokens),
             QStringList{QStringLiteral("comment:Dim still comment")});
    QVERIFY(!second.commentContinues);
    QVERIFY(!BasicSyntax::tokenize(u"x = a_", Mode::Basic).commentContinues);
    QVERIFY(!BasicSyntax::tokenize(u"x = a & _", Mode::Basic).commentContinues);
    QVERIFY(!BasicSyntax::tokenize(u"' name_", Mode::Basic).commentContinues);
}

void TestBasicSyntax::looksLikeBasic_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("basic");
    QTest::newRow("prose") << QStringLiteral("Projekt Adressbuch\n==\nEin kleines Adressbuch.\n") << false;
    QTest::newRow("prose naming a Sub") << QStringLiteral("Die Sub-Routine wird später ergänzt.\n") << false;
    QTest::newRow("prose with a property line") << QStringLiteral("- Printer.ScaleMode = vbTwips\n") << false;
    QTest::newRow("procedure") << QStringLiteral("Notizen\n\nPrivate Sub Form_Load()\nEnd Sub\n") << true;
    QTest::newRow("option explicit") << QStringLiteral("option explicit\n") << true;
    QTest::newRow("declaration") << QStringLiteral("  Dim Kunden As Collection\n") << true;
    QTest::newRow("attribute") << QStringLiteral("Attribute VB_Name = \"x\"\n") << true;
}

void TestBasicSyntax::looksLikeBasic()
{
    QFETCH(QString, text);
    QFETCH(bool, basic);
    QCOMPARE(BasicSyntax::looksLikeBasic(text), basic);
}

QTEST_GUILESS_MAIN(TestBasicSyntax)
#include "tst_basicsyntax.moc"
