#include "BasicHighlighter.h"
#include "CodeEditor.h"
#include "DocumentKinds.h"
#include "SyntaxColours.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>

using BasicSyntax::Kind;

namespace {

const QString Module = QStringLiteral("Attribute VB_Name = \"Modul\"\n"
                                      "Option Explicit\n"
                                      "' Größe in Twips _\n"
                                      "Dim fortgesetzt\n"
                                      "Public Function Breite(ByVal n As Long) As Long\n"
                                      "    Breite = n * 1440 ' Zoll\n"
                                      "End Function\n");

QPalette palette(const QColor &base, const QColor &text, const QColor &link)
{
    QPalette p;
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::Window, base);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Link, link);
    p.setColor(QPalette::LinkVisited, link.darker(120));
    p.setColor(QPalette::Highlight, QColor(0x30, 0x8c, 0xc6));
    return p;
}

// The colour the editor gives the character at a position; invalid for
// plain text, which then shows in the editor's text colour.
QColor colourAt(const CodeEditor &editor, int position)
{
    const QTextBlock block = editor.document()->findBlock(position);
    const int inBlock = position - block.position();
    for (const QTextLayout::FormatRange &range : block.layout()->formats()) {
        if (inBlock >= range.start && inBlock < range.start + range.length &&
            range.format.hasProperty(QTextFormat::ForegroundBrush)) {
            return range.format.foreground().color();
        }
    }
    return {};
}

int positionOf(const CodeEditor &editor, const QString &text, int from = 0)
{
    return int(editor.toPlainText().indexOf(text, from));
}

bool waitIdle(CodeEditor &editor, int timeoutMs = 60000)
{
    return QTest::qWaitFor([&editor] { return editor.highlighter()->isIdle(); }, timeoutMs);
}

} // namespace

class TestCodeEditor final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void coloursReadable_data();
    void coloursReadable();
    void colouredSample();
    void continuedCommentFollowsEdits();
    void colouringIsNoEdit();
    void switchedOffLeavesPlainText();
    void kinds_data();
    void kinds();
    void chosenFontStays();
    void largeDocumentNeverStalls();
    void longLinesStayUncoloured_data();
    void longLinesStayUncoloured();
    void termMarks();
    void indentationKeys_data();
    void indentationKeys();
    void tabLeavesTheEditor_data();
    void tabLeavesTheEditor();
    void blockMarksFollowTheCursor();
};

void TestCodeEditor::coloursReadable_data()
{
    QTest::addColumn<QPalette>("palette");
    QTest::newRow("light") << palette(Qt::white, Qt::black, QColor(0, 0, 255));
    QTest::newRow("dark") << palette(QColor(0x23, 0x26, 0x29), QColor(0xef, 0xf0, 0xf1), QColor(0x29, 0x80, 0xb9));
    QTest::newRow("dark with a dark link colour") << palette(QColor(0x10, 0x10, 0x10), Qt::white, QColor(0, 0, 0x80));
    QTest::newRow("light with a pale link colour")
        << palette(QColor(0xfa, 0xfa, 0xf0), Qt::black, QColor(0xa0, 0xc0, 0xff));
}

void TestCodeEditor::coloursReadable()
{
    QFETCH(QPalette, palette);
    const QColor base = palette.color(QPalette::Base);
    QList<QColor> seen;
    for (const Kind kind : {Kind::Keyword, Kind::Comment, Kind::String, Kind::Number, Kind::Directive, Kind::Key}) {
        const QColor c = SyntaxColours::token(kind, palette);
        QVERIFY2(SyntaxColours::contrast(c, base) >= 4.5, qPrintable(c.name()));
        seen.append(c);
    }
    // Keywords, comments, strings and numbers each look different.
    for (int i = 0; i < 4; ++i) {
        for (int j = i + 1; j < 4; ++j) {
            QVERIFY2(seen.at(i) != seen.at(j), qPrintable(seen.at(i).name()));
        }
    }
    // The band and the marks lie behind text: they stay faint enough to read
    // the text over them, and yet differ from the background.
    for (const QColor &behind : {SyntaxColours::currentLine(palette), SyntaxColours::termMark(palette)}) {
        QVERIFY(behind != base);
        QVERIFY(SyntaxColours::contrast(behind, palette.color(QPalette::Text)) >= 4.5);
    }
    QVERIFY(SyntaxColours::contrast(SyntaxColours::termMark(palette), base) >
            SyntaxColours::contrast(SyntaxColours::currentLine(palette), base));
}

void TestCodeEditor::colouredSample()
{
    CodeEditor editor;
    editor.resize(600, 400);
    editor.setKind(DocumentKinds::ClassesAndModules);
    editor.setPlainText(Module);
    QVERIFY(waitIdle(editor));
    const QPalette p = editor.palette();
    const struct
    {
        const char *text;
        int from;
        QColor colour;
    } expected[] = {
        {"VB_Name", 0, SyntaxColours::token(Kind::Directive, p)},
        {"Option", 0, SyntaxColours::token(Kind::Keyword, p)},
        {"Größe", 0, SyntaxColours::token(Kind::Comment, p)},
        {"fortgesetzt", 0, SyntaxColours::token(Kind::Comment, p)}, // the comment goes on
        {"Function", 0, SyntaxColours::token(Kind::Keyword, p)},
        {"1440", 0, SyntaxColours::token(Kind::Number, p)},
        {"Zoll", 0, SyntaxColours::token(Kind::Comment, p)},
        {"\"Modul\"", 0, SyntaxColours::token(Kind::Directive, p)},
        {"Breite", 40, QColor()}, // a name is plain text
        {"n *", 0, QColor()},
    };
    for (const auto &e : expected) {
        const int at = positionOf(editor, QString::fromUtf8(e.text), e.from);
        QVERIFY2(at >= 0, e.text);
        QCOMPARE(colourAt(editor, at), e.colour);
    }
}

void TestCodeEditor::continuedCommentFollowsEdits()
{
    CodeEditor editor;
    editor.setKind(DocumentKinds::ClassesAndModules);
    editor.setPlainText(QStringLiteral("' eins _\nDim x\n"));
    QVERIFY(waitIdle(editor));
    const QPalette p = editor.palette();
    QCOMPARE(colourAt(editor, positionOf(editor, QStringLiteral("Dim"))), SyntaxColours::token(Kind::Comment, p));
    // Removing the continuation is a small edit: coloured at once, without
    // waiting for the event loop, and the next line follows.
    QTextCursor cursor(editor.document());
    cursor.setPosition(positionOf(editor, QStringLiteral("_")));
    cursor.deleteChar();
    QCOMPARE(colourAt(editor, positionOf(editor, QStringLiteral("Dim"))), SyntaxColours::token(Kind::Keyword, p));
    cursor.insertText(QStringLiteral("_"));
    QCOMPARE(colourAt(editor, positionOf(editor, QStringLiteral("Dim"))), SyntaxColours::token(Kind::Comment, p));
}

void TestCodeEditor::colouringIsNoEdit()
{
    // The library marks the document changed on every textChanged: colouring
    // must not send one, or every module would ask to be saved.
    CodeEditor editor;
    editor.setKind(DocumentKinds::ClassesAndModules);
    QSignalSpy changed(&editor, &QPlainTextEdit::textChanged);
    editor.setPlainText(Module.repeated(200));
    changed.clear();
    QVERIFY(waitIdle(editor));
    editor.setHighlighting(false);
    QVERIFY(waitIdle(editor));
    editor.setHighlighting(true);
    QVERIFY(waitIdle(editor));
    QCOMPARE(changed.count(), 0);
    QVERIFY(!editor.document()->isModified());
    QVERIFY(!editor.document()->isUndoAvailable());
}

void TestCodeEditor::switchedOffLeavesPlainText()
{
    CodeEditor editor;
    editor.setKind(DocumentKinds::ClassesAndModules);
    editor.setPlainText(Module);
    QVERIFY(waitIdle(editor));
    editor.setHighlighting(false);
    QVERIFY(waitIdle(editor));
    for (QTextBlock b = editor.document()->begin(); b.isValid(); b = b.next()) {
        QVERIFY2(b.layout()->formats().isEmpty(), qPrintable(b.text()));
    }
    QCOMPARE(editor.marginWidth(), 0);
    QVERIFY(!editor.isCodeView());
    // Typing while switched off adds no colour either.
    QTextCursor(editor.document()).insertText(QStringLiteral("Dim y\n"));
    QVERIFY(editor.document()->begin().layout()->formats().isEmpty());
}

void TestCodeEditor::kinds_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("codeView");
    QTest::addColumn<bool>("fixedPitch");
    const QString prose = QStringLiteral("Projekt Adressbuch\nEine Form und eine Datenbank.\n");
    QTest::newRow("help document") << DocumentKinds::HelpDocuments << Module << false << false;
    QTest::newRow("module") << DocumentKinds::ClassesAndModules << Module << true << true;
    QTest::newRow("project text with code") << DocumentKinds::ProjectFolders << Module << true << false;
    QTest::newRow("project text in prose") << DocumentKinds::ProjectFolders << prose << false << false;
    QTest::newRow("help project") << DocumentKinds::HelpProjects << QStringLiteral("Type=Exe\n") << true << true;
}

void TestCodeEditor::kinds()
{
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(bool, codeView);
    QFETCH(bool, fixedPitch);
    CodeEditor editor;
    const QFont plain = editor.font();
    editor.setUserFontQuery([] { return false; });
    editor.setKind(kind);
    editor.setPlainText(text);
    QVERIFY(waitIdle(editor));
    QCOMPARE(editor.isCodeView(), codeView);
    QCOMPARE(editor.marginWidth() > 0, codeView);
    const bool hasColour = !editor.document()->begin().layout()->formats().isEmpty();
    QCOMPARE(hasColour, codeView);
    // The band behind the cursor's line comes with the margin.
    QCOMPARE(editor.extraSelections().size(), codeView ? 1 : 0);
    QCOMPARE(editor.font().family(),
             fixedPitch ? QFontDatabase::systemFont(QFontDatabase::FixedFont).family() : plain.family());
    // Back to help documents, everything is as before.
    editor.setKind(DocumentKinds::HelpDocuments);
    QCOMPARE(editor.font(), plain);
    QCOMPARE(editor.marginWidth(), 0);
    QVERIFY(editor.extraSelections().isEmpty());
}

void TestCodeEditor::chosenFontStays()
{
    CodeEditor editor;
    bool chosen = false;
    editor.setUserFontQuery([&chosen] { return chosen; });
    editor.setKind(DocumentKinds::ClassesAndModules);
    QCOMPARE(editor.font().family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
    // The user chooses a font while a module is shown: it applies to every
    // kind from then on and is never put back.
    QFont mine(QStringLiteral("DejaVu Serif"), 13);
    editor.setFont(mine);
    chosen = true;
    for (const int kind : {DocumentKinds::HelpDocuments, DocumentKinds::HelpProjects, DocumentKinds::ProjectFolders,
                           DocumentKinds::ClassesAndModules}) {
        editor.setKind(kind);
        QCOMPARE(editor.font(), mine);
    }
}

void TestCodeEditor::largeDocumentNeverStalls()
{
    // About 2 MB here; quandel-bench measures the longest stall of 10 MB in
    // the optimised build. Here the window must get its turn again and again
    // while the document is coloured: a 1 ms timer beats between slices, and
    // a document coloured in one go leaves it a beat or two.
    CodeEditor editor;
    editor.resize(700, 500);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    editor.setKind(DocumentKinds::ClassesAndModules);
    QString text;
    while (text.size() < 2 * 1024 * 1024) {
        text += Module;
    }
    editor.setPlainText(text);
    // Whatever is in view is coloured in the first turn of the event loop.
    QCoreApplication::processEvents();
    QCOMPARE(colourAt(editor, positionOf(editor, QStringLiteral("Option"))),
             SyntaxColours::token(Kind::Keyword, editor.palette()));
    QVERIFY(!editor.highlighter()->isIdle());

    int beats = 0;
    QTimer beat;
    beat.setInterval(1);
    connect(&beat, &QTimer::timeout, this, [&beats] { ++beats; });
    beat.start();
    QVERIFY(waitIdle(editor, 120000));
    beat.stop();
    QVERIFY2(beats >= 10, qPrintable(QString::number(beats)));
    // And the very end was reached.
    QCOMPARE(colourAt(editor, int(text.lastIndexOf(QStringLiteral("Function")))),
             SyntaxColours::token(Kind::Keyword, editor.palette()));
}

void TestCodeEditor::longLinesStayUncoloured_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("probe"); // the last occurrence is looked at
    QTest::addColumn<bool>("coloured");
    const auto line = [](qsizetype length) { return QStringLiteral("Dim x ' ").leftJustified(length, u'x', true); };
    const int limit = BasicHighlighter::MaxColouredLine;
    QTest::newRow("longest coloured line") << line(limit) + u'\n' << QStringLiteral("Dim") << true;
    QTest::newRow("one character longer") << line(limit + 1) + u'\n' << QStringLiteral("Dim") << false;
    QTest::newRow("long last line without line end")
        << QStringLiteral("Dim a\n") + line(limit + 1) << QStringLiteral("Dim") << false;
    QTest::newRow("the line after a long one")
        << line(limit + 1) + QStringLiteral("\nDim y\n") << QStringLiteral("Dim y") << true;
    // A long line ends a continued comment: what follows is code again.
    QTest::newRow("continued comment before a long line")
        << QStringLiteral("' eins _\n") + line(limit + 1) + QStringLiteral(" _\nDim z\n") << QStringLiteral("Dim z")
        << true;
}

void TestCodeEditor::longLinesStayUncoloured()
{
    QFETCH(QString, text);
    QFETCH(QString, probe);
    QFETCH(bool, coloured);
    CodeEditor editor;
    editor.resize(600, 400);
    editor.setKind(DocumentKinds::ClassesAndModules);
    editor.setPlainText(text);
    QVERIFY(waitIdle(editor));
    const int at = int(text.lastIndexOf(probe));
    QCOMPARE(colourAt(editor, at), coloured ? SyntaxColours::token(Kind::Keyword, editor.palette()) : QColor());
    QCOMPARE(editor.toPlainText(), text);

    // A line that grows past the limit by an edit loses its colours, and
    // gets them back when it is short enough again.
    QTextCursor cursor(editor.document()->findBlock(at));
    cursor.movePosition(QTextCursor::EndOfBlock);
    const bool atLimit = cursor.block().length() - 1 == BasicHighlighter::MaxColouredLine;
    cursor.insertText(QStringLiteral("x"));
    QVERIFY(waitIdle(editor));
    QCOMPARE(colourAt(editor, at).isValid(), coloured && !atLimit);
    cursor.deletePreviousChar();
    QVERIFY(waitIdle(editor));
    QCOMPARE(colourAt(editor, at).isValid(), coloured);
    QCOMPARE(editor.toPlainText(), text);
}

void TestCodeEditor::termMarks()
{
    CodeEditor editor;
    editor.resize(600, 400);
    editor.setKind(DocumentKinds::HelpDocuments);
    // The Kelvin sign and the long s match k and s when case is ignored, as
    // in the search.
    editor.setPlainText(QStringLiteral("Kabel \u212Aabel kabel\nma\u017F und MAS und mas\n"));
    editor.setMarkedTerm(QStringLiteral("kabel"));
    QCOMPARE(editor.markedInView(), (QList<std::pair<int, int>>{{0, 5}, {6, 5}, {12, 5}}));
    QCOMPARE(editor.extraSelections().size(), 3);
    editor.setMarkedTerm(QStringLiteral("mas"), Qt::CaseSensitive);
    QCOMPARE(editor.markedInView(), (QList<std::pair<int, int>>{{34, 3}}));
    editor.setMarkedTerm(QString());
    QVERIFY(editor.extraSelections().isEmpty());
}

// Text with the selection written in: "[" its anchor, "]" or "|" the
// cursor (a "|" alone is a cursor without selection).
struct Marked
{
    QString text;
    int anchor = 0;
    int position = 0;
};

Marked marked(QString text)
{
    Marked m;
    const qsizetype open = text.indexOf(u'[');
    if (open >= 0) {
        text.remove(open, 1);
    }
    qsizetype close = text.indexOf(u']');
    if (close < 0) {
        close = text.indexOf(u'|');
    }
    text.remove(close, 1);
    m.text = text;
    m.position = int(close);
    m.anchor = open >= 0 ? int(open) : m.position;
    return m;
}

void TestCodeEditor::indentationKeys_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("after");
    const int tab = Qt::Key_Tab;
    const int backtab = Qt::Key_Backtab;
    const int enter = Qt::Key_Return;
    QTest::newRow("Tab at a line start") << QStringLiteral("|x = 1") << tab << QStringLiteral("    |x = 1");
    QTest::newRow("Tab mid-line goes to the next stop") << QStringLiteral("ab|c") << tab << QStringLiteral("ab  |c");
    QTest::newRow("Tab over lines indents each, not the line the selection ends at")
        << QStringLiteral("[a\n\nb\n]c") << tab << QStringLiteral("[    a\n    \n    b]\nc");
    QTest::newRow("Tab in a document indented with tabs")
        << QStringLiteral("Sub A()\n\tx\n[y\nz]") << tab << QStringLiteral("Sub A()\n\tx\n[\ty\n\tz]");
    QTest::newRow("Umschalt+Tab takes one step, as far as there is one")
        << QStringLiteral("[        a\n  b\n\tc\nd]") << backtab << QStringLiteral("[    a\nb\nc\nd]");
    QTest::newRow("Umschalt+Tab on the cursor's line") << QStringLiteral("    x|") << backtab << QStringLiteral("x|");
    QTest::newRow("Return keeps the indentation")
        << QStringLiteral("    If x Then|\nEnd If") << enter << QStringLiteral("    If x Then\n    |\nEnd If");
    QTest::newRow("Return keeps tabs") << QStringLiteral("\t\tx = 1|") << enter << QStringLiteral("\t\tx = 1\n\t\t|");
}

void TestCodeEditor::indentationKeys()
{
    QFETCH(QString, before);
    QFETCH(int, key);
    QFETCH(QString, after);
    CodeEditor editor;
    editor.setKind(DocumentKinds::ClassesAndModules);
    const Marked start = marked(before);
    editor.setPlainText(start.text);
    QTextCursor cursor = editor.textCursor();
    cursor.setPosition(start.anchor);
    cursor.setPosition(start.position, QTextCursor::KeepAnchor);
    editor.setTextCursor(cursor);
    QTest::keyClick(&editor, Qt::Key(key), key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
    const Marked expected = marked(after);
    QCOMPARE(editor.toPlainText(), expected.text);
    QCOMPARE(editor.textCursor().position(), expected.position);
    QCOMPARE(editor.textCursor().anchor(), expected.anchor);
    // One undo step takes it all back.
    editor.undo();
    QCOMPARE(editor.toPlainText(), start.text);
}

void TestCodeEditor::tabLeavesTheEditor_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("focus"); // where the focus goes; empty: it stays and the text is indented
    const int code = DocumentKinds::ClassesAndModules;
    const int help = DocumentKinds::HelpDocuments;
    const int ctrl = int(Qt::ControlModifier);
    const int ctrlShift = int(Qt::ControlModifier | Qt::ShiftModifier);
    QTest::newRow("code: Tab indents") << code << int(Qt::Key_Tab) << 0 << QString();
    QTest::newRow("code: Strg+Tab leaves forward") << code << int(Qt::Key_Tab) << ctrl << QStringLiteral("after");
    QTest::newRow("code: Strg+Umschalt+Tab leaves backward")
        << code << int(Qt::Key_Backtab) << ctrlShift << QStringLiteral("before");
    QTest::newRow("help: Tab leaves forward") << help << int(Qt::Key_Tab) << 0 << QStringLiteral("after");
    QTest::newRow("help: Umschalt+Tab leaves backward")
        << help << int(Qt::Key_Backtab) << int(Qt::ShiftModifier) << QStringLiteral("before");
    QTest::newRow("help: Strg+Tab leaves forward") << help << int(Qt::Key_Tab) << ctrl << QStringLiteral("after");
}

void TestCodeEditor::tabLeavesTheEditor()
{
    QFETCH(int, kind);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, focus);
    QWidget window;
    auto *before = new QLineEdit(&window);
    before->setObjectName(QStringLiteral("before"));
    auto *editor = new CodeEditor(&window);
    auto *after = new QLineEdit(&window);
    after->setObjectName(QStringLiteral("after"));
    editor->setKind(kind);
    editor->setPlainText(QStringLiteral("x = 1"));
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    editor->setFocus();
    QTRY_VERIFY(editor->hasFocus());
    QTest::keyClick(editor, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    if (focus.isEmpty()) {
        QVERIFY(editor->hasFocus());
        QCOMPARE(editor->toPlainText(), QStringLiteral("    x = 1"));
    } else {
        QCOMPARE(QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(), focus);
        QCOMPARE(editor->toPlainText(), QStringLiteral("x = 1"));
    }
}

void TestCodeEditor::blockMarksFollowTheCursor()
{
    CodeEditor editor;
    editor.setKind(DocumentKinds::ClassesAndModules);
    editor.setPlainText(QStringLiteral("Sub A()\n    If x Then\n        y = 1\n    End If\nEnd Sub\n"));
    const auto marksAt = [&editor](const QString &text) {
        QTextCursor c = editor.textCursor();
        c.setPosition(positionOf(editor, text));
        editor.setTextCursor(c);
        QStringList out;
        for (const auto &[position, length] : editor.blockMarks()) {
            out.append(editor.toPlainText().mid(position, length));
        }
        return out;
    };
    QCOMPARE(marksAt(QStringLiteral("If x")), (QStringList{QStringLiteral("If"), QStringLiteral("End If")}));
    QVERIFY(editor.blockMatched());
    // The marks are drawn: the band, then the two keywords.
    QCOMPARE(editor.extraSelections().size(), 3);
    QCOMPARE(marksAt(QStringLiteral("y = 1")), QStringList{});
    // An edit that takes the End If away leaves the If unmatched.
    QTextCursor c = editor.textCursor();
    c.setPosition(positionOf(editor, QStringLiteral("End If")));
    c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    c.removeSelectedText();
    QCOMPARE(marksAt(QStringLiteral("If x")), QStringList{QStringLiteral("If")});
    QVERIFY(!editor.blockMatched());
    // Help documents hold no code.
    editor.setKind(DocumentKinds::HelpDocuments);
    QCOMPARE(marksAt(QStringLiteral("If x")), QStringList{});
}

QTEST_MAIN(TestCodeEditor)
#include "tst_codeeditor.moc"
