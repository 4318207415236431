#include "EditorFont.h"
#include "IniFile.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QTest>

class TestEditorFont final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void flags_data();
    void flags();
    void sizes_data();
    void sizes();
    void colors_data();
    void colors();
    void storeThenApplyRoundTrip();
    void emptyAndBrokenValuesKeepTheDefault();
    void diskFullMidwayKeepsTheOldFont();
};

void TestEditorFont::flags_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected"); // -1 unreadable
    QTest::newRow("True") << QStringLiteral("True") << 1;
    QTest::newRow("False") << QStringLiteral("False") << 0;
    QTest::newRow("Wahr") << QStringLiteral("Wahr") << 1;
    QTest::newRow("Falsch") << QStringLiteral("Falsch") << 0;
    QTest::newRow("-1") << QStringLiteral("-1") << 1;
    QTest::newRow("1") << QStringLiteral("1") << 1;
    QTest::newRow("0") << QStringLiteral("0") << 0;
    QTest::newRow("lower case with blanks") << QStringLiteral(" true ") << 1;
    QTest::newRow("junk") << QStringLiteral("ja") << -1;
}

void TestEditorFont::flags()
{
    QFETCH(QString, text);
    const auto flag = EditorFont::flagFromText(text);
    QFETCH(int, expected);
    QCOMPARE(flag.has_value(), expected >= 0);
    if (flag) {
        QCOMPARE(int(*flag), expected);
        QCOMPARE(EditorFont::flagFromText(EditorFont::flagToText(*flag)), flag);
    }
}

void TestEditorFont::sizes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected"); // 0 unreadable
    QTest::newRow("whole") << QStringLiteral("10") << 10.0;
    QTest::newRow("point") << QStringLiteral("9.75") << 9.75;
    QTest::newRow("comma") << QStringLiteral("9,75") << 9.75;
    QTest::newRow("zero") << QStringLiteral("0") << 0.0;
    QTest::newRow("text") << QStringLiteral("groß") << 0.0;
}

void TestEditorFont::sizes()
{
    QFETCH(QString, text);
    const auto size = EditorFont::sizeFromText(text);
    QFETCH(double, expected);
    QCOMPARE(size.value_or(0.0), expected);
    if (size) {
        QCOMPARE(EditorFont::sizeFromText(EditorFont::sizeToText(*size)), size);
        QVERIFY(!EditorFont::sizeToText(*size).contains(u','));
    }
}

void TestEditorFont::colors_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("expected"); // invalid: unreadable
    // Colours are kept in the classic 0x00BBGGRR order.
    QTest::newRow("red") << QStringLiteral("255") << QColor(255, 0, 0);
    QTest::newRow("blue") << QStringLiteral("16711680") << QColor(0, 0, 255);
    QTest::newRow("mixed") << QStringLiteral("8421376") << QColor(0, 128, 128);
    QTest::newRow("system colour") << QStringLiteral("-2147483640") << QColor();
    QTest::newRow("text") << QStringLiteral("rot") << QColor();
}

void TestEditorFont::colors()
{
    QFETCH(QString, text);
    const auto color = EditorFont::colorFromText(text);
    QFETCH(QColor, expected);
    QCOMPARE(color.value_or(QColor()), expected);
    if (color) {
        QFETCH(QString, text);
        QCOMPARE(EditorFont::colorToText(*color), text);
    }
}

void TestEditorFont::storeThenApplyRoundTrip()
{
    TestEnvironment env;
    const QString data = env.path(QStringLiteral("Quandel.dat"));
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPointSizeF(11.5);
    font.setItalic(true);
    font.setStrikeOut(true);
    QVERIFY(EditorFont::store(font, QColor(10, 20, 30), data));
    QCOMPARE(IniFiles::GetINIString(data, QStringLiteral("0"), QStringLiteral("FontItalic")), QStringLiteral("True"));
    QCOMPARE(IniFiles::GetINIString(data, QStringLiteral("0"), QStringLiteral("FontSize")), QStringLiteral("11.5"));

    QPlainTextEdit editor;
    EditorFont::apply(&editor, data);
    QCOMPARE(editor.font().family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(editor.font().pointSizeF(), 11.5);
    QVERIFY(editor.font().italic());
    QVERIFY(editor.font().strikeOut());
    QVERIFY(!editor.font().bold());
    QCOMPARE(editor.palette().color(QPalette::Text), QColor(10, 20, 30));
}

void TestEditorFont::emptyAndBrokenValuesKeepTheDefault()
{
    TestEnvironment env;
    const QString data = env.writeFile(QStringLiteral("Quandel.dat"),
                                       "[0]\r\nForeColor=\r\nFontName=\r\nFontSize=riesig\r\nFontBold=vielleicht\r\n");
    QPlainTextEdit editor;
    const QFont before = editor.font();
    const QColor color = editor.palette().color(QPalette::Text);
    EditorFont::apply(&editor, data);
    QCOMPARE(editor.font(), before);
    QCOMPARE(editor.palette().color(QPalette::Text), color);
    // No data file at all changes nothing either.
    EditorFont::apply(&editor, env.path(QStringLiteral("fehlt.dat")));
    QCOMPARE(editor.font(), before);
}

void TestEditorFont::diskFullMidwayKeepsTheOldFont()
{
    TestEnvironment env;
    const QString data = env.path(QStringLiteral("Quandel.dat"));
    QVERIFY(EditorFont::store(QFont(QStringLiteral("Arial"), 10), QColor(0, 0, 0), data));
    const auto bytes = [&data] {
        QFile file(data);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray before = bytes();
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPointSizeF(12.5);
    font.setBold(true);

    // Room for the first values, not for all of them.
    bool stored = true;
    {
        const DiskFillsAt full(before.size() + 6);
        stored = EditorFont::store(font, QColor(255, 255, 255), data);
    }

    QVERIFY(!stored);
    QCOMPARE(bytes(), before);
}

QTEST_MAIN(TestEditorFont)
#include "tst_editorfont.moc"
