#include "BlockMatcher.h"
#include "ProcedureList.h"

#include <QTest>

namespace {

QStringList describe(const QList<ProcedureList::Entry> &entries)
{
    QStringList out;
    for (const ProcedureList::Entry &e : entries) {
        out.append(QStringLiteral("%1 [%2] %3-%4").arg(e.label(), e.modifiers).arg(e.firstLine).arg(e.lastLine));
    }
    return out;
}

QString lines(std::initializer_list<const char *> list)
{
    QStringList out;
    for (const char *line : list) {
        out.append(QString::fromUtf8(line));
    }
    return out.join(u'\n');
}

// A module with every kind of block; the block tests place the cursor in it.
const QStringList Module = lines({
                                     "Sub Pruefen(ByVal n As Long)",                                          // 0
                                     "    If n > 0 Then",                                                     // 1
                                     "        For i = 1 To n",                                                // 2
                                     "            If i = 2 Then Exit For",                                    // 3
                                     "        Next i",                                                        // 4
                                     "    ElseIf n = 0 Then",                                                 // 5
                                     "        Select Case n",                                                 // 6
                                     "            Case 0: x = \"End If\"",                                    // 7
                                     "            Case Else ' End Select",                                    // 8
                                     "        End Select",                                                    // 9
                                     "    Else",                                                              // 10
                                     "        Do While n < 0",                                                // 11
                                     "            n = n + 1",                                                 // 12
                                     "        Loop",                                                          // 13
                                     "    End If",                                                            // 14
                                     "End Sub",                                                               // 15
                                     "#If Win32 Then",                                                        // 16
                                     "Private Declare Function A Lib \"a\" ()",                               // 17
                                     "#Else",                                                                 // 18
                                     "Private Declare Function A Lib \"b\" ()",                               // 19
                                     "#End If",                                                               // 20
                                     "Sub Offen()",                                                           // 21
                                     "    With Me",                                                           // 22
                                     "    If x Then",                                                         // 23
                                     "End Sub",                                                               // 24
                                     "Public Type T",                                                         // 25
                                     "    Version As Integer",                                                // 26
                                     "End Type",                                                              // 27
                                     "Function F(): For i = 1 To 2: For j = 1 To 2: Next j, i: End Function", // 28
                                     "Next k",                                                                // 29
                                     "Sub W(): While a: a = a - 1: Wend: End Sub",                            // 30
                                     "Sub C()",                                                               // 31
                                     "    If a And _",                                                        // 32
                                     "       b Then",                                                         // 33
                                     "    End If",                                                            // 34
                                     "End Sub",                                                               // 35
                                 })
                               .split(u'\n');

} // namespace

class TestCodeStructure final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void procedures_data();
    void procedures();
    void entryAt_data();
    void entryAt();
    void rescanAfterEdit_data();
    void rescanAfterEdit();
    void blocks_data();
    void blocks();
};

void TestCodeStructure::procedures_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("class with its head, properties and modifiers")
        << lines({"VERSION 1.0 CLASS",
                  "BEGIN",
                  "  MultiUse = -1  'True",
                  "END",
                  "Attribute VB_Name = \"Kunde\"",
                  "Attribute VB_Exposed = False",
                  "Option Explicit",
                  "Private mName As String",
                  "Public Property Get Name() As String",
                  "    Name = mName",
                  "End Property",
                  "Public Property Let Name(ByVal Wert As String)",
                  "    mName = Wert",
                  "End Property",
                  "Friend Sub Reset()",
                  "End Sub",
                  "Private Static Function Zaehler() As Long",
                  "End Function",
                  "Property Set Quelle(ByVal q As Object)",
                  "Attribute Quelle.VB_UserMemId = 0",
                  "End Property"})
        << QStringList{QStringLiteral("(Allgemein) [] 6-7"),
                       QStringLiteral("Property Get Name [Public] 8-10"),
                       QStringLiteral("Property Let Name [Public] 11-13"),
                       QStringLiteral("Sub Reset [Friend] 14-15"),
                       QStringLiteral("Function Zaehler [Private Static] 16-17"),
                       QStringLiteral("Property Set Quelle [] 18-20")};
    QTest::newRow("declares, continuations, #If branches, types and enums")
        << lines({"Attribute VB_Name = \"Api\"", "#If Win32 Then",
                  "Private Declare Function GetTickCount Lib \"kernel32\" () As Long",
                  "Public Declare Function SendMessage Lib \"user32\" Alias \"SendMessageA\" _",
                  "    (ByVal hWnd As Long, ByVal wMsg As Long, _", "     lParam As Any) As Long", "#Else",
                  "Private Declare Function GetTickCount Lib \"kernel\" () As Long", "#End If", "Public Type POINTAPI",
                  "    x As Long", "End Type", "Private Enum Farbe", "    Rot = 1", "End Enum", "Public Function _",
                  "    Breite(ByVal n As Long) As Long", "End Function",
                  "Declare PtrSafe Sub Sleep Lib \"k\" (ByVal n)"})
        << QStringList{QStringLiteral("(Allgemein) [] 1-14"),
                       QStringLiteral("Declare GetTickCount [Private] 2-2"),
                       QStringLiteral("Declare SendMessage [Public] 3-5"),
                       QStringLiteral("Declare GetTickCount [Private] 7-7"),
                       QStringLiteral("Type POINTAPI [Public] 9-11"),
                       QStringLiteral("Enum Farbe [Private] 12-14"),
                       QStringLiteral("Function Breite [Public] 15-17"),
                       QStringLiteral("Declare Sleep [] 18-18")};
    QTest::newRow("Sub in comments, strings and other statements")
        << lines({"Option Explicit", "' Sub Alt() wurde entfernt", "Rem Function Weg()", "' fortgesetzt _",
                  "Sub Versteckt()", "public sub Main()", "    MsgBox \"Sub Fake()\": Exit Sub",
                  "    Static Zaehler As Long", "    x = \"End Sub\"", "    ' End Sub", "End Sub",
                  "Private Sub Einzeilig(): End Sub"})
        << QStringList{QStringLiteral("(Allgemein) [] 0-4"), QStringLiteral("Sub Main [public] 5-10"),
                       QStringLiteral("Sub Einzeilig [Private] 11-11")};
    QTest::newRow("a missing End ends at the next declaration")
        << lines({"Sub A()", "  x = 1", "Function B()", "  B = 2"})
        << QStringList{QStringLiteral("(Allgemein) [] 0-0"), QStringLiteral("Sub A [] 0-1"),
                       QStringLiteral("Function B [] 2-3")};
    QTest::newRow("empty text") << QString() << QStringList{QStringLiteral("(Allgemein) [] 0-0")};
}

void TestCodeStructure::procedures()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    QCOMPARE(describe(ProcedureList::parse(text)), expected);
    // Windows line ends read the same.
    QString crlf = text;
    crlf.replace(u'\n', QStringLiteral("\r\n"));
    QCOMPARE(describe(ProcedureList::parse(crlf)), expected);
}

void TestCodeStructure::entryAt_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("expected");
    QTest::newRow("head") << 0 << QStringLiteral("(Allgemein)");
    QTest::newRow("a type in the declarations") << 3 << QStringLiteral("Type P");
    QTest::newRow("after the type") << 5 << QStringLiteral("(Allgemein)");
    QTest::newRow("first line") << 6 << QStringLiteral("Sub A");
    QTest::newRow("End line") << 7 << QStringLiteral("Sub A");
    QTest::newRow("between two procedures") << 8 << QStringLiteral("Sub B");
    QTest::newRow("comment above") << 9 << QStringLiteral("Sub B");
    QTest::newRow("after the last") << 13 << QStringLiteral("Sub B");
}

void TestCodeStructure::entryAt()
{
    QFETCH(int, line);
    QFETCH(QString, expected);
    const QList<ProcedureList::Entry> entries =
        ProcedureList::parse(lines({"Attribute VB_Name = \"M\"", "Option Explicit", "", "Type P", "End Type", "",
                                    "Sub A()", "End Sub", "", "' zu B", "Sub B()", "  x = 1", "End Sub", ""}));
    const qsizetype index = ProcedureList::entryAt(entries, line);
    QVERIFY(index >= 0);
    QCOMPARE(entries.at(index).label(), expected);
}

void TestCodeStructure::rescanAfterEdit_data()
{
    // An edit replaces `removed` lines at `at` by `inserted`; reading again
    // after it must give what reading the new text whole gives.
    QTest::addColumn<int>("at");
    QTest::addColumn<int>("removed");
    QTest::addColumn<QStringList>("inserted");
    QTest::addColumn<bool>("partly"); // whether reading stops before the end
    const auto l = [](std::initializer_list<const char *> list) { return lines(list).split(u'\n'); };
    QTest::newRow("a line typed in a body") << 8 << 0 << l({"    y = 2"}) << true;
    QTest::newRow("a new Sub between two") << 11 << 0 << l({"Private Sub Neu()", "End Sub"}) << true;
    QTest::newRow("End Sub taken away") << 9 << 1 << QStringList{} << true;
    QTest::newRow("a head renamed") << 7 << 1 << l({"Public Sub Umbenannt()"}) << true;
    QTest::newRow("a comment continued over the next head") << 11 << 1 << l({"' weg _"}) << true;
    QTest::newRow("a continued head broken") << 13 << 1 << l({"Public Function Lang("}) << true;
    QTest::newRow("the class head edited") << 0 << 1 << l({"Attribute VB_Name = \"Neu\""}) << true;
    QTest::newRow("a procedure deleted") << 7 << 4 << QStringList{} << true;
    QTest::newRow("lines after the last") << 20 << 0 << l({"Sub Ende()", "End Sub"}) << false;
    QTest::newRow("in a Sub that never ends") << 17 << 0 << l({"End Sub"}) << true;
}

void TestCodeStructure::rescanAfterEdit()
{
    QFETCH(int, at);
    QFETCH(int, removed);
    QFETCH(QStringList, inserted);
    QFETCH(bool, partly);
    const QStringList before = lines({"Attribute VB_Name = \"Modul\"",                                     // 0
                                      "Option Explicit",                                                   // 1
                                      "Public Type Punkt",                                                 // 2
                                      "    x As Long",                                                     // 3
                                      "End Type",                                                          // 4
                                      "Private Declare Function GetTickCount Lib \"kernel32\" () As Long", // 5
                                      "",                                                                  // 6
                                      "Public Sub Erste()",                                                // 7
                                      "    x = 1",                                                         // 8
                                      "End Sub",                                                           // 9
                                      "",                                                                  // 10
                                      "' vor Zweite",                                                      // 11
                                      "Private Sub Zweite()",                                              // 12
                                      "Public Function Lang( _",                                           // 13
                                      "    ByVal n As Long) As Long",                                      // 14
                                      "End Function",                                                      // 15
                                      "Sub Offen()",                                                       // 16
                                      "    x = 3",                                                         // 17
                                      "Sub Letzte()",                                                      // 18
                                      "End Sub",                                                           // 19
                                      ""})                                                                 // 20
                                   .split(u'\n');
    QStringList after = before;
    after.remove(at, removed);
    for (qsizetype i = 0; i < inserted.size(); ++i) {
        after.insert(at + i, inserted.at(i));
    }
    const int lastChanged = std::min(int(after.size()) - 1, at + int(std::max<qsizetype>(inserted.size(), 1)) - 1);
    ProcedureList::Rescan rescan(ProcedureList::parse(before.join(u'\n')), int(before.size()), at, lastChanged,
                                 int(after.size()));
    QVERIFY(rescan.firstLine() <= at);
    int line = rescan.firstLine();
    bool stopped = false;
    for (; line < after.size() && !stopped; ++line) {
        stopped = rescan.addLine(after.at(line));
    }
    QCOMPARE(describe(rescan.finish()), describe(ProcedureList::parse(after.join(u'\n'))));
    QCOMPARE(stopped, partly);
}

void TestCodeStructure::blocks_data()
{
    // The cursor: a line, a text in it and an offset into that text. The
    // marks: a line and the text marked there (its first occurrence).
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("at");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QStringList>("marks");
    QTest::addColumn<bool>("matched");
    const QStringList ifBlock{QStringLiteral("1:If"), QStringLiteral("5:ElseIf"), QStringLiteral("10:Else"),
                              QStringLiteral("14:End If")};
    const QStringList select{QStringLiteral("6:Select Case"), QStringLiteral("7:Case"), QStringLiteral("8:Case"),
                             QStringLiteral("9:End Select")};
    QTest::newRow("If with ElseIf and Else") << 1 << QStringLiteral("If") << 0 << ifBlock << true;
    QTest::newRow("right after End If") << 14 << QStringLiteral("End If") << 6 << ifBlock << true;
    QTest::newRow("on Else") << 10 << QStringLiteral("Else") << 2 << ifBlock << true;
    QTest::newRow("single-line If has no partner") << 3 << QStringLiteral("If") << 0 << QStringList{} << false;
    QTest::newRow("For and Next") << 4 << QStringLiteral("Next") << 0
                                  << QStringList{QStringLiteral("2:For"), QStringLiteral("4:Next")} << true;
    QTest::newRow("Select Case from a Case") << 7 << QStringLiteral("Case") << 1 << select << true;
    QTest::newRow("Do While and Loop") << 11 << QStringLiteral("Do") << 0
                                       << QStringList{QStringLiteral("11:Do"), QStringLiteral("13:Loop")} << true;
    QTest::newRow("Sub and End Sub") << 0 << QStringLiteral("Sub") << 0
                                     << QStringList{QStringLiteral("0:Sub"), QStringLiteral("15:End Sub")} << true;
    QTest::newRow("End If in a string") << 7 << QStringLiteral("End If") << 1 << QStringList{} << false;
    QTest::newRow("End Select in a comment") << 8 << QStringLiteral("End Select") << 1 << QStringList{} << false;
    QTest::newRow("#If, #Else, #End If") << 18 << QStringLiteral("#Else") << 0
                                         << QStringList{QStringLiteral("16:#If"), QStringLiteral("18:#Else"),
                                                        QStringLiteral("20:#End If")}
                                         << true;
    QTest::newRow("open blocks do not keep a Sub from its End")
        << 24 << QStringLiteral("End") << 0 << QStringList{QStringLiteral("21:Sub"), QStringLiteral("24:End Sub")}
        << true;
    QTest::newRow("With without End With")
        << 22 << QStringLiteral("With") << 0 << QStringList{QStringLiteral("22:With")} << false;
    QTest::newRow("If without End If") << 23 << QStringLiteral("If") << 0 << QStringList{QStringLiteral("23:If")}
                                       << false;
    QTest::newRow("Type after Public") << 25 << QStringLiteral("Type") << 0
                                       << QStringList{QStringLiteral("25:Type"), QStringLiteral("27:End Type")} << true;
    QTest::newRow("a field named Version") << 26 << QStringLiteral("Version") << 0 << QStringList{} << false;
    QTest::newRow("Next j, i closes both loops")
        << 28 << QStringLiteral("For i") << 0 << QStringList{QStringLiteral("28:For"), QStringLiteral("28:Next")}
        << true;
    QTest::newRow("Next without For") << 29 << QStringLiteral("Next") << 0 << QStringList{QStringLiteral("29:Next")}
                                      << false;
    QTest::newRow("While and Wend on one line")
        << 30 << QStringLiteral("Wend") << 4 << QStringList{QStringLiteral("30:While"), QStringLiteral("30:Wend")}
        << true;
    QTest::newRow("If continued over two lines")
        << 34 << QStringLiteral("End If") << 0 << QStringList{QStringLiteral("32:If"), QStringLiteral("34:End If")}
        << true;
}

void TestCodeStructure::blocks()
{
    QFETCH(int, line);
    QFETCH(QString, at);
    QFETCH(int, offset);
    QFETCH(QStringList, marks);
    QFETCH(bool, matched);
    const int column = int(Module.at(line).indexOf(at)) + offset;
    QVERIFY(column >= offset);
    const BlockMatcher::Result result =
        BlockMatcher::match([](int l) { return Module.at(l); }, int(Module.size()), line, column);
    QStringList got;
    for (const BlockMatcher::Mark &m : result.marks) {
        const QString text = Module.at(m.line).mid(m.column, m.length);
        got.append(QStringLiteral("%1:%2").arg(m.line).arg(text));
        // Each mark stands where its text first occurs in the line.
        QCOMPARE(m.column, int(Module.at(m.line).indexOf(text)));
    }
    QCOMPARE(got, marks);
    QCOMPARE(result.matched, matched);
}

QTEST_GUILESS_MAIN(TestCodeStructure)
#include "tst_codestructure.moc"
