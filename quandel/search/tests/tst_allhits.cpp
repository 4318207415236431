#include "AllHits.h"
#include "AlleTreffer.h"
#include "DocumentLibrary.h"
#include "DocumentScanner.h"
#include "Heap.h"
#include "HitModel.h"
#include "RootFixture.h"
#include "TextFile.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTreeView>

#include <memory>
#include <random>

using namespace Qt::StringLiterals;

namespace {

// (line number, columns of the term in it)
using LineHits = QList<std::pair<int, QList<int>>>;

// Lines of the generated library: umlauts, the Kelvin sign (K), the long
// s, a no-break space, and plain ASCII.
const QStringList Lines = {
    u"Die Größe des Fensters in Twips"_s,
    u"GRÖSSE und größe und GRÖßE"_s,
    u"Ein \u212Aabel und ein kabel und ein KABEL"_s,
    u"Ma\u017F und mas und MAS"_s,
    u"Dim Zeile As String ' Zeile"_s,
    u"zeilenweise, Zeile f\u00FCr Zeile\u00A0Ende"_s,
    u"nichts zu finden hier"_s,
};

TextFormat formatOf(int i)
{
    TextFormat f;
    f.encoding = i % 2 == 0 ? TextFormat::Encoding::Windows1252 : TextFormat::Encoding::Utf8;
    f.lineEnd = (i / 2) % 2 == 0 ? TextFormat::LineEnd::CrLf : TextFormat::LineEnd::Lf;
    return f;
}

// A document of a few random lines; the Kelvin sign and the long s only
// where the encoding can hold them.
QString documentText(std::mt19937 &rng, const TextFormat &format)
{
    std::uniform_int_distribution<qsizetype> pick(0, Lines.size() - 1);
    std::uniform_int_distribution<int> count(1, 12);
    QString text;
    for (int n = count(rng); n > 0; --n) {
        QString line = Lines.at(pick(rng));
        if (format.encoding == TextFormat::Encoding::Windows1252 && !TextFile::fitsWindows1252(line)) {
            line = Lines.constFirst();
        }
        text += line + u'\n';
    }
    return text;
}

// The editor's own search over a text: every position of the term, grouped
// by line, counted from the text itself.
LineHits editorHits(const QString &text, const QString &term, Qt::CaseSensitivity cs)
{
    LineHits hits;
    for (qsizetype at = text.indexOf(term, 0, cs); at >= 0; at = text.indexOf(term, at + term.size(), cs)) {
        const int line = int(QStringView(text).left(at).count(u'\n')) + 1;
        const int column = int(at - (at == 0 ? 0 : text.lastIndexOf(u'\n', at - 1) + 1));
        if (hits.isEmpty() || hits.constLast().first != line) {
            hits.append(std::pair<int, QList<int>>(line, {}));
        }
        hits.last().second.append(column);
    }
    return hits;
}

} // namespace

class TestAllHits final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void linesWithTerm_data();
    void linesWithTerm();
    void linesInBytes_data();
    void linesInBytes();
    void excerpt_data();
    void excerpt();
    void sameHitsAsTheEditor_data();
    void sameHitsAsTheEditor();
    void limitAndCounts_data();
    void limitAndCounts();
    void memoryGoesBack();
    void cancelAndRestart();
    void activationAsksAboutChanges();
    void activationFollowsEdits();
    void optionsInTheWindow_data();
    void optionsInTheWindow();
    void placedBesideTheMainWindow();
    void searchMenuLetters();

private:
    void startRoot(int kind);
    AlleTreffer *openWindow();
    bool run(AlleTreffer *window, const QString &term, bool caseSensitive = false);

    std::unique_ptr<RootFixture> m_f;
};

void TestAllHits::initTestCase()
{
    // The heap as the program's start sets it up.
    Heap::keepReturnable();
}

void TestAllHits::init()
{
    m_f = std::make_unique<RootFixture>();
    QVERIFY(RootFixture::seedQuietStart());
}

void TestAllHits::cleanup()
{
    m_f.reset();
}

void TestAllHits::linesWithTerm_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("term");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<LineHits>("expected");
    QTest::newRow("two in a line, one later")
        << u"ab ab\nx\nyab"_s << u"AB"_s << false << LineHits{{1, {0, 3}}, {3, {1}}};
    QTest::newRow("case kept") << u"ab AB\nAb"_s << u"AB"_s << true << LineHits{{1, {3}}};
    QTest::newRow("overlapping counted once") << u"aaaa"_s << u"aa"_s << false << LineHits{{1, {0, 2}}};
    QTest::newRow("last line without end") << u"x\n\nabc"_s << u"c"_s << false << LineHits{{3, {2}}};
    QTest::newRow("Kelvin sign and long s") << u"\u212Aa ka\nma\u017F"_s << u"KA"_s << false << LineHits{{1, {0, 3}}};
    QTest::newRow("long s") << u"ma\u017F MAS"_s << u"mas"_s << false << LineHits{{1, {0, 4}}};
    QTest::newRow("umlauts") << u"\u00C4rger\n\u00E4rger"_s << u"\u00E4rger"_s << false << LineHits{{1, {0}}, {2, {0}}};
    QTest::newRow("absent") << u"abc"_s << u"x"_s << false << LineHits{};
    QTest::newRow("empty term") << u"abc"_s << QString() << false << LineHits{};
}

void TestAllHits::linesWithTerm()
{
    QFETCH(QString, text);
    QFETCH(QString, term);
    QFETCH(bool, caseSensitive);
    QFETCH(LineHits, expected);
    const QList<AllHits::Line> lines =
        AllHits::linesWithTerm(text, term, caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
    LineHits got;
    const QStringList split = text.split(u'\n');
    for (const AllHits::Line &line : lines) {
        got.append({line.number, line.columns});
        QCOMPARE(line.text, split.at(line.number - 1));
        QCOMPARE(text.mid(line.start, line.text.size()), line.text);
    }
    QCOMPARE(got, expected);
}

void TestAllHits::linesInBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("term");
    QTest::addColumn<bool>("caseSensitive");
    // Long lines, so that the counting before a hit runs over whole words of
    // eight bytes and over their seams.
    const QByteArray utf8Lines = QByteArray("Zeile \xF0\x9F\x98\x80 gr\xC3\xB6\xC3\x9F"
                                            "e \xE2\x82\xAC\r\n")
                                     .repeated(9);
    const QByteArray codePageLines = QByteArray("Zeile \x80\x81\x9F gr\xF6\xDF"
                                                "e\r\r\n\n")
                                         .repeated(9);
    QTest::newRow("UTF-8, CR LF, four-byte characters")
        << utf8Lines + "ab\r\n" + utf8Lines + "xAB ab\r\nab" << u"ab"_s << false;
    QTest::newRow("UTF-8, CR LF, the term across a CR") << utf8Lines + "a\rb\r\na\rb" << u"a\rb"_s << false;
    QTest::newRow("Windows-1252, lone CR and LF") << codePageLines + "ab\r\n" + codePageLines +
                                                         "\x84"
                                                         "ab\r"
                                                  << u"\u201Eab"_s << false;
    QTest::newRow("Windows-1252 umlaut, case kept") << codePageLines + "GR\xD6\xDF"
                                                                       "E gr\xF6\xDF"
                                                                       "e"
                                                    << u"GR\u00D6\u00DFE"_s << true;
    QTest::newRow("LF file keeps its CRs") << QByteArray("x\n").repeated(11) + "ab\r\n\r\nab\r" << u"ab\r"_s << false;
    // More than 4 KB of umlauts: the per-lane counts must be summed in time.
    QTest::newRow("long UTF-8 line") << QByteArray("\xC3\xB6").repeated(2100) + "\r\n\xC3\xB6"
                                                                                "ab"
                                     << u"\u00F6ab"_s << false;
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF"
                                                   "ab \xF0\x9F\x98\x80\nab")
                                     << u"ab"_s << false;
    QTest::newRow("byte-order mark, then no UTF-8") << QByteArray("\xEF\xBB\xBF"
                                                                  "ab \xE4\r\nab")
                                                    << u"\u00EF\u00BB\u00BF"
                                                       "ab"_s
                                                    << false;
    QTest::newRow("second byte-order mark") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF"
                                                          "ab")
                                            << u"\uFEFFab"_s << false;
    QTest::newRow("overlong UTF-8 is Windows-1252") << QByteArray("\xC0\xAF ab\n") << u"\u00C0\u00AF ab"_s << false;
    QTest::newRow("UTF-16 surrogate is Windows-1252") << QByteArray("\xED\xA0\x80 ab\n") << u"ab"_s << false;
    QTest::newRow("Kelvin sign and long s") << utf8Lines + "\xE2\x84\xAA"
                                                           "abel ma\xC5\xBF\r\nKABEL"
                                            << u"kabel"_s << false;
    QTest::newRow("long s") << utf8Lines + "ma\xC5\xBF\r\nMAS" << u"mas"_s << false;
    QTest::newRow("anchor without the term") << QByteArray("abc\nab\n") << u"abd"_s << false;
    QTest::newRow("term with a line end") << QByteArray("a\r\nb\r\na\r\nb") << u"a\nb"_s << false;
}

void TestAllHits::linesInBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, term);
    QFETCH(bool, caseSensitive);
    const Qt::CaseSensitivity cs = caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const std::atomic_bool cancel{false};
    std::atomic_int progress{0};
    const DocumentScanner scanner(term, cs, cancel, progress);
    QCOMPARE(AllHits::linesInBytes(bytes, term, cs, scanner.anchors()),
             AllHits::linesWithTerm(DocumentScanner::editorText(bytes), term, cs));
}

void TestAllHits::excerpt_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("markStart");
    const QString line = u"0123456789abcdefghij"_s;
    QTest::newRow("short line whole") << line << 5 << 40 << line << 5;
    QTest::newRow("term in the middle") << line << 10 << 8 << u"…789abcde…"_s << 4;
    QTest::newRow("term at the start") << line << 0 << 8 << u"01234567…"_s << 0;
    QTest::newRow("term at the end") << line << 18 << 8 << u"…cdefghij"_s << 7;
}

void TestAllHits::excerpt()
{
    QFETCH(QString, line);
    QFETCH(int, column);
    QFETCH(int, width);
    QFETCH(QString, text);
    QFETCH(int, markStart);
    const AllHits::Excerpt cut = AllHits::excerpt(line, column, 2, width);
    QCOMPARE(cut.text, text);
    QCOMPARE(cut.markStart, markStart);
    QCOMPARE(cut.text.mid(cut.markStart, 2), line.mid(column, 2));
}

void TestAllHits::startRoot(int kind)
{
    // 40 documents in all four combinations of encoding and line end.
    std::mt19937 rng(17);
    for (int i = 0; i < 40; ++i) {
        const TextFormat format = formatOf(i);
        const QByteArray bytes = TextFile::encode(documentText(rng, format), format);
        if (kind == 2) {
            m_f->env.writeFile(u"Dokumente/P%1/Quandel.ini"_s.arg(i, 2, 10, QLatin1Char('0')), bytes);
        } else {
            m_f->env.writeFile(u"Dokumente/d%1.txt"_s.arg(i, 2, 10, QLatin1Char('0')), bytes);
        }
    }
    QVERIFY(m_f->startAsStored());
    if (kind != 0) {
        m_f->action(u"mnuAnsicht_%1"_s.arg(kind))->trigger();
    }
    QCOMPARE(m_f->list()->count(), 40);
}

AlleTreffer *TestAllHits::openWindow()
{
    QAction *entry = m_f->root->findChild<QAction *>(u"mnuAlleTreffer"_s);
    entry->trigger();
    return m_f->root->findChild<AlleTreffer *>();
}

bool TestAllHits::run(AlleTreffer *window, const QString &term, bool caseSensitive)
{
    QSignalSpy ended(window, &AlleTreffer::runEnded);
    window->termBox()->setEditText(term);
    window->findChild<QCheckBox *>(u"BSchreibung"_s)->setChecked(caseSensitive);
    window->findChild<QPushButton *>(u"CStart"_s)->click();
    return ended.wait(20000) && !ended.constLast().at(0).toBool();
}

void TestAllHits::sameHitsAsTheEditor_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("term");
    QTest::addColumn<bool>("caseSensitive");
    QTest::newRow("umlaut") << 0 << u"größe"_s << false;
    QTest::newRow("umlaut, case kept") << 0 << u"GRÖßE"_s << true;
    QTest::newRow("Kelvin sign") << 0 << u"kabel"_s << false;
    QTest::newRow("long s") << 0 << u"MAS"_s << false;
    QTest::newRow("no-break space") << 0 << u"Zeile\u00A0Ende"_s << false;
    QTest::newRow("project folders") << 2 << u"zeile"_s << false;
    QTest::newRow("absent everywhere") << 0 << u"Quastenflosser"_s << false;
}

void TestAllHits::sameHitsAsTheEditor()
{
    QFETCH(int, kind);
    QFETCH(QString, term);
    QFETCH(bool, caseSensitive);
    startRoot(kind);
    AlleTreffer *window = openWindow();
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), u" Alle Treffer"_s);
    QVERIFY(run(window, term, caseSensitive));
    const Qt::CaseSensitivity cs = caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;

    // Each document loaded through the list, searched in the editor: one
    // row per occurrence.
    const HitModel *model = window->model();
    int node = 0;
    for (int i = 0; i < m_f->list()->count(); ++i) {
        m_f->list()->setCurrentRow(i);
        const LineHits expected = editorHits(DocumentLibrary::editorText(m_f->editor()), term, cs);
        if (expected.isEmpty()) {
            continue;
        }
        QVERIFY2(node < model->rowCount(), qPrintable(m_f->list()->item(i)->text()));
        const QModelIndex doc = model->index(node++, 0);
        QCOMPARE(doc.data().toString(), m_f->list()->item(i)->text());
        int row = 0;
        for (const auto &[line, columns] : expected) {
            for (const int column : columns) {
                QVERIFY(row < model->rowCount(doc));
                const QModelIndex number = model->index(row, 0, doc);
                const QModelIndex text = model->index(row++, 1, doc);
                QCOMPARE(number.data().toInt(), line);
                QCOMPARE(model->placeOf(text).column, column);
                // The mark lies on the term in the row's text.
                const int mark = text.data(HitModel::MarkStartRole).toInt();
                QCOMPARE(QStringView(text.data().toString()).mid(mark, term.size()).compare(term, cs), 0);
            }
        }
        QCOMPARE(model->rowCount(doc), row);
        QCOMPARE(model->index(doc.row(), 1).data().toString(), u"%1 Treffer"_s.arg(row));
    }
    QCOMPARE(model->rowCount(), node);
}

void TestAllHits::limitAndCounts_data()
{
    QTest::addColumn<QList<int>>("hitsPerDocument");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("status");
    const QString limited = u"Mehr als 100.000 Treffer – die Suche wurde angehalten"_s;
    QTest::newRow("one in one") << QList<int>{1} << u"1 Treffer in 1 Dokument"_s << QString();
    QTest::newRow("five in two") << QList<int>{2, 0, 3} << u"5 Treffer in 2 Dokumenten"_s << QString();
    QTest::newRow("the limit itself") << QList<int>{AllHits::MaxHits} << u"100.000 Treffer in 1 Dokument"_s
                                      << QString();
    QTest::newRow("one past the limit") << QList<int>{AllHits::MaxHits + 1} << u"100.000 Treffer in 1 Dokument"_s
                                        << limited;
    QTest::newRow("past it over documents")
        << QList<int>{70000, 70000, 5} << u"100.000 Treffer in 2 Dokumenten"_s << limited;
}

void TestAllHits::limitAndCounts()
{
    QFETCH(QList<int>, hitsPerDocument);
    QFETCH(QString, count);
    QFETCH(QString, status);
    for (qsizetype i = 0; i < hitsPerDocument.size(); ++i) {
        m_f->env.writeFile(u"Dokumente/d%1.txt"_s.arg(i), QByteArray("a\n").repeated(hitsPerDocument.at(i)) + "b\n");
    }
    QVERIFY(m_f->startAsStored());
    AlleTreffer *window = openWindow();
    QVERIFY(run(window, u"a"_s));
    QCOMPARE(window->findChild<QLabel *>(u"LDokumente"_s)->text(), count);
    QCOMPARE(window->statusText(), status);
    qsizetype rows = 0;
    for (int d = 0; d < window->model()->rowCount(); ++d) {
        rows += window->model()->rowCount(window->model()->index(d, 0));
    }
    QCOMPARE(rows, window->model()->hitCount());
}

void TestAllHits::memoryGoesBack()
{
    // Long lines of many hits each: the run holds far more than the
    // process does without it, until the window goes.
    const QByteArray line = QByteArray("Treffer und ").repeated(40) + "\n";
    for (int i = 0; i < 40; ++i) {
        m_f->env.writeFile(u"Dokumente/d%1.txt"_s.arg(i, 2, 10, QLatin1Char('0')), line.repeated(60));
    }
    QVERIFY(m_f->startAsStored());
    AlleTreffer *window = openWindow();
    // Freed memory stays in the address sanitizer's quarantine: only the
    // model's part can be checked there.
#if defined(__SANITIZE_ADDRESS__)
    constexpr bool residentCounts = false;
#elif defined(__has_feature)
    constexpr bool residentCounts = !__has_feature(address_sanitizer);
#else
    constexpr bool residentCounts = true;
#endif
    // Free heap that earlier tests left would take the run's rows and hide
    // them from the count: the baseline is the heap in use.
    Heap::giveBack();
    const qint64 before = Heap::residentKiB();
    QVERIFY(before > 0);
    QVERIFY(run(window, u"treffer"_s));
    QCOMPARE(window->model()->hitCount(), 40 * 60 * 40);
    const qint64 during = Heap::residentKiB();
    // What may stay after the run is a fraction of what it held.
    constexpr qint64 slackKiB = 8 * 1024;
    // Under the address sanitizer its own allocator hands memory back at
    // times of its choosing: the resident size says nothing there.
    if (residentCounts) {
        QVERIFY2(during - before > 2 * slackKiB, qPrintable(QString::number(during - before)));
    }
    const auto given = [&](const char *when) {
        const qint64 now = Heap::residentKiB();
        if (residentCounts && now - before >= slackKiB) {
            QFAIL(qPrintable(u"%1: %2 KiB before, %3 during, %4 now"_s.arg(QLatin1StringView(when))
                                 .arg(before)
                                 .arg(during)
                                 .arg(now)));
        }
    };

    // A new run starts empty, and the memory of the last one is back.
    window->termBox()->setEditText(u"nirgends"_s);
    window->start();
    QCOMPARE(window->model()->rowCount(), 0);
    window->cancel();
    given("new run");
    QVERIFY(run(window, u"treffer"_s));

    // The same when the window closes.
    const QPointer<AlleTreffer> guard(window);
    window->close();
    QTRY_VERIFY(!guard);
    given("closed");
}

void TestAllHits::cancelAndRestart()
{
    // Enough documents that a run is still under way when cancelled.
    const QByteArray body = "Zeile mit Treffer\r\n" + QByteArray("und sonst nichts\r\n").repeated(200);
    for (int i = 0; i < 3000; ++i) {
        m_f->env.writeFile(u"Dokumente/d%1.txt"_s.arg(i, 4, 10, QLatin1Char('0')), body);
    }
    QVERIFY(m_f->startAsStored());
    AlleTreffer *window = openWindow();
    window->setThreads(1);
    QSignalSpy ended(window, &AlleTreffer::runEnded);
    QTest::keyClicks(window->termBox()->lineEdit(), u"treffer"_s);
    window->findChild<QPushButton *>(u"CStart"_s)->click();
    QVERIFY(QTest::qWaitFor([window] { return window->model()->rowCount() > 0; }, 20000));

    // The run ends within the click, and nothing comes in after it.
    window->findChild<QPushButton *>(u"CAbbrechen"_s)->click();
    QCOMPARE(ended.count(), 1);
    QVERIFY(ended.constLast().at(0).toBool());
    const int rows = window->model()->rowCount();
    QVERIFY(rows < 3000);
    // Whatever the workers handed the window before they saw the cancel is
    // handled before a call queued now: the window has taken it in (or not).
    bool handled = false;
    QMetaObject::invokeMethod(
        window, [&handled] { handled = true; }, Qt::QueuedConnection);
    QTRY_VERIFY(handled);
    QCOMPARE(window->model()->rowCount(), rows);

    // A new start while a run goes on ends that run first.
    window->findChild<QPushButton *>(u"CStart"_s)->click();
    QVERIFY(window->isRunning());
    window->termBox()->lineEdit()->setText(u"zeile"_s);
    window->findChild<QPushButton *>(u"CStart"_s)->click();
    QCOMPARE(ended.count(), 2);
    QVERIFY(ended.at(1).at(0).toBool());
    QVERIFY(ended.wait(60000));
    QVERIFY(!ended.constLast().at(0).toBool());
    QCOMPARE(window->model()->rowCount(), 3000);
    QCOMPARE(window->lastTerm(), u"zeile"_s);
    // Documents in the order of the list, whichever worker found them.
    for (int i = 0; i < 3000; ++i) {
        QCOMPARE(window->model()->index(i, 0).data().toString(), m_f->list()->item(i)->text());
    }
}

void TestAllHits::activationAsksAboutChanges()
{
    m_f->env.writeFile(u"Dokumente/a.txt"_s, "erste Zeile\r\n");
    m_f->env.writeFile(u"Dokumente/b.txt"_s, "eins\r\nzwei\r\ndrei Ziel und Ziel\r\n");
    QVERIFY(m_f->startAsStored());
    AlleTreffer *window = openWindow();
    QVERIFY(run(window, u"ziel"_s));
    const HitModel *model = window->model();
    const QModelIndex doc = model->index(0, 0);
    QCOMPARE(doc.data().toString(), u"b"_s);
    QCOMPARE(model->index(0, 1).data().toString(), u"2 Treffer"_s);
    const QModelIndex row = model->index(0, 0, doc);
    QCOMPARE(row.data().toString(), u"3"_s);

    // Unsaved changes in a.txt: Cancel keeps everything as it was.
    m_f->editor()->setFocus();
    QTest::keyClicks(m_f->editor(), u"neu "_s);
    const QString edited = m_f->editor()->toPlainText();
    m_f->prompts.messageAnswers.enqueue(Prompts::Answer::Cancel);
    window->activate(row);
    QCOMPARE(m_f->prompts.callsOf(u"message"_s).size(), 1);
    QCOMPARE(m_f->list()->currentRow(), 0);
    QCOMPARE(m_f->editor()->toPlainText(), edited);
    QVERIFY(!m_f->editor()->textCursor().hasSelection());

    // No: b.txt is shown with the occurrence of the row selected.
    m_f->prompts.messageAnswers.enqueue(Prompts::Answer::No);
    window->activate(row);
    QCOMPARE(m_f->list()->currentRow(), 1);
    const QTextCursor cursor = m_f->editor()->textCursor();
    QCOMPARE(cursor.selectedText(), u"Ziel"_s);
    QCOMPARE(cursor.selectionStart(), int(u"eins\nzwei\ndrei "_s.size()));
    // And the editor marks every occurrence of the term.
    QTRY_COMPARE(m_f->editor()->extraSelections().size(), 2);
}

void TestAllHits::activationFollowsEdits()
{
    m_f->env.writeFile(u"Dokumente/a.txt"_s, "eins Ziel\r\nzwei Ziel\r\ndrei\r\n");
    QVERIFY(m_f->startAsStored());
    AlleTreffer *window = openWindow();
    QVERIFY(run(window, u"ziel"_s));
    const HitModel *model = window->model();
    const QModelIndex doc = model->index(0, 0);
    QCOMPARE(model->rowCount(doc), 2);
    const QModelIndex second = model->index(1, 1, doc);

    // Typed at the start: the row of line 2 still finds line 2.
    QTextCursor start(m_f->editor()->document());
    start.insertText(u"Ziel Ziel "_s);
    window->activate(second);
    QTextCursor cursor = m_f->editor()->textCursor();
    QCOMPARE(cursor.block().blockNumber(), 1);
    QCOMPARE(cursor.selectedText(), u"Ziel"_s);
    QCOMPARE(cursor.selectionStart() - cursor.block().position(), 5);
    QVERIFY(window->statusText().isEmpty());

    // The occurrence moved within its line: the nearest one there.
    QTextCursor line2(m_f->editor()->document()->findBlockByNumber(1));
    line2.insertText(u"--"_s);
    window->activate(second);
    cursor = m_f->editor()->textCursor();
    QCOMPARE(cursor.block().blockNumber(), 1);
    QCOMPARE(cursor.selectionStart() - cursor.block().position(), 7);

    // The line no longer holds the term: the window says so.
    QTextCursor whole(m_f->editor()->document()->findBlockByNumber(1));
    whole.select(QTextCursor::BlockUnderCursor);
    whole.insertText(u"\nzwei"_s);
    window->activate(second);
    QVERIFY(!m_f->editor()->textCursor().hasSelection());
    QCOMPARE(m_f->editor()->textCursor().block().blockNumber(), 1);
    QCOMPARE(window->statusText(), u"Zeile 2 enthält den Begriff ''ziel'' nicht mehr."_s);
}

void TestAllHits::optionsInTheWindow_data()
{
    QTest::addColumn<QString>("term");
    QTest::addColumn<bool>("wholeWords");
    QTest::addColumn<bool>("expression");
    QTest::addColumn<int>("hits");
    QTest::addColumn<QString>("selected"); // by the last row; the status when no run starts
    QTest::newRow("whole words") << u"zeile"_s << true << false << 2 << u"Zeile"_s;
    QTest::newRow("expression over lines") << u"\\(\\n\\s*x"_s << false << true << 1 << u"(\u2029  x"_s;
    QTest::newRow("whole words of an expression") << u"Zeile\\w*"_s << true << true << 4 << u"Zeile"_s;
    QTest::newRow("invalid expression")
        << u"(Zeile"_s << false << true << 0
        << u"Der reguläre Ausdruck ist an Position 7 ungültig: er endet, bevor er vollständig ist (fehlt eine Klammer?)."_s;
    QTest::newRow("expression that matches empty text")
        << u"x*"_s << false << true << 0 << u"Der Ausdruck passt auch auf leeren Text; danach wird nicht gesucht."_s;
}

void TestAllHits::optionsInTheWindow()
{
    QFETCH(QString, term);
    QFETCH(bool, wholeWords);
    QFETCH(bool, expression);
    QFETCH(int, hits);
    QFETCH(QString, selected);
    m_f->env.writeFile(u"Dokumente/a.txt"_s, "Zeile Zeilen zeile_1\r\nSub A(\r\n  x) Zeile\r\n");
    QVERIFY(m_f->startAsStored());
    AlleTreffer *window = openWindow();
    window->findChild<QCheckBox *>(u"BGanzeWoerter"_s)->setChecked(wholeWords);
    window->findChild<QCheckBox *>(u"BAusdruck"_s)->setChecked(expression);
    if (hits == 0) {
        window->termBox()->setEditText(term);
        window->findChild<QPushButton *>(u"CStart"_s)->click();
        QVERIFY(!window->isRunning());
        QCOMPARE(window->statusText(), selected);
        QCOMPARE(window->model()->documentCount(), 0);
        return;
    }
    QVERIFY(run(window, term));
    QCOMPARE(window->model()->hitCount(), hits);
    const QModelIndex doc = window->model()->index(0, 0);
    const QModelIndex last = window->model()->index(hits - 1, 1, doc);
    window->activate(last);
    QCOMPARE(m_f->editor()->textCursor().selectedText(), selected);
    QCOMPARE(
        last.data(HitModel::MarkLengthRole).toInt(),
        int(std::min(selected.size(), last.data().toString().size() - last.data(HitModel::MarkStartRole).toInt())));
}

void TestAllHits::placedBesideTheMainWindow()
{
    QVERIFY(m_f->startAsStored());
    const QRect room = m_f->root->screen()->availableGeometry();
    m_f->root->move(room.topLeft());
    const QRect main = m_f->root->frameGeometry();
    AlleTreffer *window = openWindow();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QVERIFY(room.contains(window->frameGeometry()));
    // A window that fits beside or below the main window on this screen is
    // put there, clear of the editor.
    window->resize(std::min(200, room.right() - main.right() - 10), std::min(250, room.bottom() - 20));
    window->placeBeside(m_f->root.get());
    QVERIFY(room.contains(window->frameGeometry()));
    QVERIFY(!window->frameGeometry().intersects(main));

    // Where the user put it, it comes back.
    const QRect moved(room.topLeft() + QPoint(10, room.height() / 2), QSize(400, 250));
    window->setGeometry(moved);
    const QRect kept = window->geometry();
    const QPointer<AlleTreffer> guard(window);
    window->close();
    QTRY_VERIFY(!guard);
    window = openWindow();
    QCOMPARE(window->geometry(), kept);
}

void TestAllHits::searchMenuLetters()
{
    // Every entry of the search menu has its own access letter.
    QVERIFY(m_f->startAsStored());
    const QMenu *menu = m_f->root->findChild<QMenu *>(u"mnuSuchEs"_s);
    QVERIFY(menu);
    QList<QChar> letters;
    for (const QAction *entry : menu->actions()) {
        if (entry->isSeparator()) {
            continue;
        }
        const qsizetype amp = entry->text().indexOf(u'&');
        QVERIFY2(amp >= 0 && amp + 1 < entry->text().size(), qPrintable(entry->text()));
        const QChar letter = entry->text().at(amp + 1).toLower();
        QVERIFY2(!letters.contains(letter), qPrintable(entry->text()));
        letters.append(letter);
    }
}

QTEST_MAIN(TestAllHits)
#include "tst_allhits.moc"
