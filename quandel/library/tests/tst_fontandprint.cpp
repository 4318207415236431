#include "AppPaths.h"
#include "DocumentLibrary.h"
#include "FontAndPrint.h"
#include "IniFile.h"
#include "RootFixture.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QString FontKeys[] = {u"ForeColor"_s,  u"FontName"_s,      u"FontSize"_s,      u"FontBold"_s,
                            u"FontItalic"_s, u"FontUnderline"_s, u"FontStrikethru"_s};

// Prompts whose page set-up turns the paper to landscape, as a user would,
// and which remember the printer each dialog was given.
class PaperPrompts final : public Prompts
{
public:
    QPrinter *setUp = nullptr;
    QPrinter *printed = nullptr;

    Answer message(QWidget *, const QString &, const QString &, Buttons, Icon) override { return Answer::Ok; }
    QString saveFileName(QWidget *, SaveRequest &) override { return {}; }
    QString chooseFolder(QWidget *, const QString &, const QString &) override { return {}; }
    std::optional<QFont> chooseFont(QWidget *, const QFont &) override { return std::nullopt; }
    std::optional<QColor> chooseColor(QWidget *, const QColor &) override { return std::nullopt; }
    bool printDialog(QWidget *, QPrinter &printer) override
    {
        printed = &printer;
        return true;
    }
    bool pageSetupDialog(QWidget *, QPrinter &printer) override
    {
        setUp = &printer;
        printer.setPageOrientation(QPageLayout::Landscape);
        return true;
    }
    int execDialog(QDialog &) override { return 0; }
};

struct PdfText
{
    QStringList pages;
    QString pageSize;
};

PdfText readPdf(const QString &pdf)
{
    PdfText result;
    QProcess text;
    text.start(u"pdftotext"_s, {pdf, u"-"_s});
    text.waitForFinished(30000);
    QString all = QString::fromUtf8(text.readAllStandardOutput());
    // Every page ends in a form feed.
    result.pages = all.split(u'\f');
    result.pages.removeLast();
    QProcess info;
    info.start(u"pdfinfo"_s, {pdf});
    info.waitForFinished(30000);
    const QRegularExpressionMatch size =
        QRegularExpression(u"Page size:\\s+([0-9.]+ x [0-9.]+)"_s).match(QString::fromUtf8(info.readAll()));
    result.pageSize = size.captured(1);
    return result;
}

} // namespace

class TestFontAndPrint final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void fontChoiceSurvivesRestart();
    void fontChoiceNotCompleted_data();
    void fontChoiceNotCompleted();
    void printToPdf_data();
    void printToPdf();
    void pageSetupHoldsForLaterPrinting();

private:
    FontAndPrint *fontAndPrint() const { return m_f->root->findChild<FontAndPrint *>(); }
    QString printerToPdf() const;

    std::unique_ptr<RootFixture> m_f;
};

void TestFontAndPrint::init()
{
    m_f = std::make_unique<RootFixture>();
}

void TestFontAndPrint::cleanup()
{
    m_f.reset();
}

QString TestFontAndPrint::printerToPdf() const
{
    QString pdf = m_f->env.path(u"Druck.pdf"_s);
    QPrinter &printer = fontAndPrint()->printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setPageSize(QPageSize(QPageSize::A4));
    return pdf;
}

void TestFontAndPrint::fontChoiceSurvivesRestart()
{
    m_f->put(u"Notiz.txt"_s, "abc\r\n");
    QVERIFY(m_f->start());
    const QFont before = m_f->editor()->font();
    QFont arial(u"Arial"_s, 12);
    arial.setBold(true);
    m_f->prompts.fontAnswers.enqueue(arial);
    m_f->prompts.colorAnswers.enqueue(QColor(255, 0, 0));
    m_f->run(u"mnuSchriftarten"_s);

    // The dialog starts from the editor's font.
    const auto fonts = m_f->prompts.callsOf(u"font"_s);
    QCOMPARE(fonts.size(), 1);
    QCOMPARE(fonts.first().text, before.toString());
    const QString data = AppPaths::dataFile();
    const QStringList expected = {u"255"_s, u"Arial"_s, u"12"_s, u"True"_s, u"False"_s, u"False"_s, u"False"_s};
    for (int i = 0; i < 7; ++i) {
        QCOMPARE(IniFiles::GetINIString(data, u"0"_s, FontKeys[i]), expected.at(i));
    }

    for (int run = 0; run < 2; ++run) {
        const QFont font = m_f->editor()->font();
        QCOMPARE(font.family(), u"Arial"_s);
        QCOMPARE(font.pointSizeF(), 12.0);
        QVERIFY(font.bold());
        QVERIFY(!font.italic());
        QCOMPARE(m_f->editor()->palette().color(QPalette::Text), QColor(255, 0, 0));
        QVERIFY(m_f->restart());
    }
}

void TestFontAndPrint::fontChoiceNotCompleted_data()
{
    QTest::addColumn<bool>("fontChosen");
    QTest::addColumn<bool>("colourChosen");
    QTest::addColumn<bool>("unwritable");
    QTest::newRow("font dialog cancelled") << false << true << false;
    QTest::newRow("colour dialog cancelled") << true << false << false;
    QTest::newRow("data file cannot be written") << true << true << true;
}

void TestFontAndPrint::fontChoiceNotCompleted()
{
    m_f->put(u"Notiz.txt"_s, "abc\r\n");
    QFETCH(bool, unwritable);
    if (unwritable) {
        // A file where the data folder belongs.
        QDir().mkpath(QFileInfo(AppPaths::dataFolder()).absolutePath());
        QFile blocker(AppPaths::dataFolder());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    QVERIFY(m_f->start());
    const QFont before = m_f->editor()->font();
    const QColor colourBefore = m_f->editor()->palette().color(QPalette::Text);
    QFETCH(bool, fontChosen);
    QFETCH(bool, colourChosen);
    QFont chosen(u"Courier"_s, 31);
    chosen.setItalic(true);
    m_f->prompts.fontAnswers.enqueue(fontChosen ? std::optional<QFont>(chosen) : std::nullopt);
    m_f->prompts.colorAnswers.enqueue(colourChosen ? std::optional<QColor>(Qt::green) : std::nullopt);
    m_f->run(u"mnuSchriftarten"_s);

    QVERIFY(!QFileInfo(AppPaths::dataFile()).exists());
    const bool applied = fontChosen && colourChosen;
    QCOMPARE(m_f->editor()->font() == before, !applied);
    QCOMPARE(m_f->editor()->palette().color(QPalette::Text), applied ? QColor(Qt::green) : colourBefore);
    QCOMPARE(m_f->prompts.callsOf(u"color"_s).size(), fontChosen ? 1 : 0);
    const auto messages = m_f->prompts.callsOf(u"message"_s);
    QCOMPARE(messages.size(), unwritable ? 1 : 0);
    if (unwritable) {
        QVERIFY(messages.first().text.startsWith(u"Die Schriftart konnte nicht gespeichert werden. \n"_s));
        QCOMPARE(messages.first().icon, Prompts::Icon::Critical);
    }
}

void TestFontAndPrint::printToPdf_data()
{
    QTest::addColumn<QByteArray>("document"); // null: a new, empty document
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("lines"); // "Zeile n" lines expected, 0 = none

    QByteArray longDocument;
    for (int i = 1; i <= 150; ++i) {
        longDocument += "Zeile " + QByteArray::number(i).rightJustified(3, '0') + "\r\n";
    }
    QTest::newRow("empty editor") << QByteArray() << true << 0;
    QTest::newRow("long document") << longDocument << true << 150;
    QTest::newRow("line longer than the page") << QByteArray(400, 'x') + "\r\n" << true << 0;
    QTest::newRow("print dialog cancelled") << longDocument << false << 0;
}

void TestFontAndPrint::printToPdf()
{
    if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty() ||
        QStandardPaths::findExecutable(u"pdfinfo"_s).isEmpty()) {
        QSKIP("pdftotext and pdfinfo (poppler-utils) are needed to read the printout");
    }
    QFETCH(QByteArray, document);
    m_f->put(u"Dokument.txt"_s, document);
    QVERIFY(m_f->start());
    if (document.isNull()) {
        m_f->run(u"mnuneues_0"_s);
        QCOMPARE(m_f->shownText(), QString());
    }
    const QString pdf = printerToPdf();
    QFETCH(bool, accepted);
    m_f->prompts.printAnswers.enqueue(accepted);
    m_f->run(u"mnudrucken"_s);

    QCOMPARE(m_f->prompts.callsOf(u"print"_s).size(), 1);
    QVERIFY(m_f->prompts.callsOf(u"message"_s).isEmpty());
    QCOMPARE(QFileInfo::exists(pdf), accepted);
    if (!accepted) {
        return;
    }
    const PdfText printed = readPdf(pdf);
    QFETCH(int, lines);
    if (document.isNull()) {
        // One empty page: no header, no page number.
        QCOMPARE(printed.pages.size(), 1);
        QCOMPARE(printed.pages.first().trimmed(), QString());
        return;
    }
    if (lines == 0) {
        // Wrapped, not cut off at the paper's edge.
        QCOMPARE(printed.pages.size(), 1);
        QCOMPARE(printed.pages.first().count(u'x'), 400);
        QVERIFY(printed.pages.first().trimmed().contains(u'\n'));
        return;
    }
    QStringList found;
    QList<int> perPage;
    for (const QString &page : printed.pages) {
        const QStringList pageLines = page.split(u'\n', Qt::SkipEmptyParts);
        perPage.append(int(pageLines.size()));
        found += pageLines;
    }
    QStringList expected;
    for (int i = 1; i <= lines; ++i) {
        expected.append(u"Zeile %1"_s.arg(i, 3, 10, QLatin1Char('0')));
    }
    QCOMPARE(found, expected);
    // Full pages all hold the same number of lines, and no page is empty or
    // left over.
    const int full = perPage.first();
    QVERIFY(full > 20);
    QCOMPARE(printed.pages.size(), int(std::ceil(double(lines) / full)));
    for (qsizetype i = 0; i + 1 < perPage.size(); ++i) {
        QCOMPARE(perPage.at(i), full);
    }
    QVERIFY(perPage.last() > 0);
}

void TestFontAndPrint::pageSetupHoldsForLaterPrinting()
{
    if (QStandardPaths::findExecutable(u"pdfinfo"_s).isEmpty()) {
        QSKIP("pdfinfo (poppler-utils) is needed to read the printout");
    }
    m_f->put(u"Notiz.txt"_s, "abc\r\n");
    QVERIFY(m_f->start());
    const QString pdf = printerToPdf();
    PaperPrompts paper;
    Prompts::setInstance(&paper);
    m_f->run(u"mnuseiteeinrichten"_s);
    m_f->run(u"mnudrucken"_s);
    Prompts::setInstance(&m_f->prompts);

    QVERIFY(paper.setUp);
    QCOMPARE(paper.printed, paper.setUp);
    // A4 across.
    QCOMPARE(readPdf(pdf).pageSize, u"842 x 595"_s);
}

QTEST_MAIN(TestFontAndPrint)
#include "tst_fontandprint.moc"
