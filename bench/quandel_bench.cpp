// Figures for the document list, the search and the start-up, measured on the
// real main window (offscreen) over generated corpora, next to ripgrep, grep
// and ls on the same folders. The rounds of a figure interleave the program
// and the tools, so that a change of load on the machine hits all alike;
// every figure is the median of its rounds.

#include "AlleTreffer.h"
#include "BasicHighlighter.h"
#include "CodeEditor.h"
#include "DocumentKinds.h"
#include "DocumentLibrary.h"
#include "EditorDocument.h"
#include "Heap.h"
#include "Helpers.h"
#include "HitModel.h"
#include "ProcedureBox.h"
#include "Registry.h"
#include "ReplaceFiles.h"
#include "Root.h"
#include "ScriptedPrompts.h"
#include "SearchController.h"
#include "Suchen.h"
#include "TestEnvironment.h"
#include "TextFile.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <ctime>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <thread>
#include <vector>

namespace {

const char *const Words[] = {
    "Dokument",      "Verzeichnis", "Datei",    "Hilfe",     "Projekt",  "Eigenschaft",  "Methode",   "Ereignis",
    "Steuerelement", "Formular",    "Schleife", "Bedingung", "Variable", "Zeichenkette", "Ausgabe",   "Eingabe",
    "öffnen",        "schließen",   "größer",   "Übersicht", "prüfen",   "ändern",       "Schlüssel", "Größe",
    "Dim",           "As",          "String",   "Integer",   "Long",     "Private",      "Public",    "Sub",
    "Function",      "End",         "If",       "Then",      "Else",     "For",          "Next",      "Loop",
    "Set",           "Nothing",     "Err",      "Resume",    "Open",     "Close",        "Input",     "Print"};

struct Term
{
    const char *label;
    QString text;
};

// Hit in the last document only, or nowhere; one of each pair is ASCII, the
// other has an umlaut.
const Term Terms[] = {
    {"ascii_last", QStringLiteral("Quastenflosser")},
    {"ascii_none", QStringLiteral("Zyxwvunbekannt")},
    {"umlaut_last", QStringLiteral("Flußpferdgröße")},
    {"umlaut_none", QStringLiteral("Zyxwvunbekännt")},
};

QString documentText(std::mt19937 &rng, int chars)
{
    std::uniform_int_distribution<size_t> pick(0, std::size(Words) - 1);
    std::uniform_int_distribution<int> lineLength(4, 12);
    QString text;
    text.reserve(chars + 128);
    while (text.size() < chars) {
        const int n = lineLength(rng);
        for (int i = 0; i < n; ++i) {
            text += QString::fromUtf8(Words[pick(rng)]);
            text += u' ';
        }
        text += u'\n';
    }
    return text;
}

QByteArray encoded(const QString &text, bool utf8)
{
    TextFormat format;
    format.encoding = utf8 ? TextFormat::Encoding::Utf8 : TextFormat::Encoding::Windows1252;
    format.lineEnd = TextFormat::LineEnd::CrLf;
    return TextFile::encode(text, format);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(2);
    }
}

// count documents of about kilobytes KB, Windows-1252 and UTF-8 taking
// turns; the last one holds both "last" terms. The texts come from a small
// pool, so that a large corpus is written quickly.
void makeCorpus(const QString &folder, int count, int kilobytes, unsigned seed)
{
    QDir().mkpath(folder);
    std::mt19937 rng(seed);
    constexpr int Pool = 16;
    std::vector<QByteArray> pool[2];
    for (int i = 0; i < Pool; ++i) {
        const QString text = documentText(rng, kilobytes * 1024);
        pool[0].push_back(encoded(text, false));
        pool[1].push_back(encoded(text, true));
    }
    std::uniform_int_distribution<int> pick(0, Pool - 1);
    for (int i = 0; i < count; ++i) {
        const bool utf8 = i % 2 == 1;
        QByteArray doc = pool[utf8 ? 1 : 0][size_t(pick(rng))];
        if (i == count - 1) {
            doc += encoded(Terms[0].text + u' ' + Terms[2].text + u'\n', utf8);
        }
        writeFile(folder + QStringLiteral("/Dokument %1.txt").arg(i, 6, 10, QChar(u'0')), doc);
    }
}

double seconds(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e9;
}

double timeProcess(const QString &command)
{
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.start(QStringLiteral("sh"), {QStringLiteral("-c"), command});
    p.waitForFinished(-1);
    return seconds(t);
}

QString quoted(const QString &s)
{
    QString q = s;
    q.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + q + u'\'';
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

void print(const QString &name, double value, const char *unit)
{
    std::printf("%-44s %12.4f %s\n", qPrintable(name), value, unit);
    std::fflush(stdout);
}

double residentMiB()
{
    Heap::giveBack();
    return double(Heap::residentKiB()) / 1024.0;
}

void printMemory(const QString &phase)
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    print(QStringLiteral("rss_after_") + phase, residentMiB(), "MiB");
    print(QStringLiteral("peak_rss_until_") + phase, double(usage.ru_maxrss) / 1024.0, "MiB");
}

void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

// The longest gap between two ticks of a 1 ms timer while fn runs: how long
// the window could not react.
template <typename Fn> double longestStall(Fn fn)
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    qint64 worst = 0;
    QTimer tick;
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        worst = std::max(worst, now - last);
        last = now;
    });
    tick.start();
    fn();
    tick.stop();
    return double(worst) / 1e6;
}

// Waits until a paint of watched has happened, at most 60 s.
class PaintWatch final : public QObject
{
public:
    explicit PaintWatch(QElapsedTimer &clock) : m_clock(clock) {}
    void watch(QWidget *w) { w->installEventFilter(this); }
    double waitSeconds()
    {
        while (m_paintedAt < 0 && m_clock.elapsed() < 60'000) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        return double(m_paintedAt) / 1e9;
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_paintedAt < 0) {
            m_paintedAt = m_clock.nsecsElapsed();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QElapsedTimer &m_clock;
    qint64 m_paintedAt = -1;
};

// Start-up of the program on folder until its first document is painted.
double startupSeconds(const QString &folder)
{
    QElapsedTimer clock;
    clock.start();
    PaintWatch watch(clock);
    auto root = std::make_unique<Root>(RootOptions{folder});
    watch.watch(root->findChild<QPlainTextEdit *>(QStringLiteral("Text"))->viewport());
    root->start();
    const double s = watch.waitSeconds();
    root.reset();
    settle();
    return s;
}

// The same for a plain Qt window with a list of the folder's files and an
// editor holding the first one.
double helloSeconds(const QString &folder)
{
    QElapsedTimer clock;
    clock.start();
    PaintWatch watch(clock);
    auto window = std::make_unique<QWidget>();
    auto *layout = new QHBoxLayout(window.get());
    auto *list = new QListWidget;
    auto *editor = new QPlainTextEdit;
    layout->addWidget(list);
    layout->addWidget(editor);
    const QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    list->addItems(names);
    if (!names.isEmpty()) {
        list->setCurrentRow(0);
        QFile first(folder + u'/' + names.constFirst());
        if (first.open(QIODevice::ReadOnly)) {
            editor->setPlainText(QString::fromUtf8(first.readAll()));
        }
    }
    watch.watch(editor->viewport());
    window->resize(800, 600);
    window->show();
    const double s = watch.waitSeconds();
    window.reset();
    settle();
    return s;
}

// The quiet start: no splash, no first-start questions.
void seedKeyStore()
{
    // Without these the window would stop at the disclaimer and show the
    // splash: the figures would measure nothing.
    if (!TestEnvironment::writeSettings(TestEnvironment::quietStart())) {
        std::fprintf(stderr, "the settings could not be written\n");
        std::exit(1);
    }
}

// As longestStall, and beside it the window thread's own CPU time between two
// ticks: on a busy machine the wall-clock gap also counts the other programs.
struct Stalls
{
    double wallMs = 0;
    double cpuMs = 0;
};

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

template <typename Fn> Stalls longestStalls(Fn fn)
{
    Stalls worst;
    double lastCpu = threadCpuMs();
    QTimer tick;
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const double cpu = threadCpuMs();
        worst.cpuMs = std::max(worst.cpuMs, cpu - lastCpu);
        lastCpu = cpu;
    });
    tick.start();
    worst.wallMs = longestStall(fn);
    tick.stop();
    return worst;
}

// The offscreen platform reports what it cannot do (raise, size hints) on
// every window; that is no figure.
void quietHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg || message.startsWith(QStringLiteral("This plugin does not support"))) {
        return;
    }
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

struct CorpusShape
{
    int count;
    int kilobytes;
    QString name() const { return QStringLiteral("%1x%2KB").arg(count).arg(kilobytes); }
};

class Bench final
{
public:
    Bench(QString work, int rounds, unsigned seed, QStringList parts)
        : m_work(std::move(work)), m_rounds(rounds), m_seed(seed), m_parts(std::move(parts))
    {
    }

    // The parts to run: all when none were named.
    bool runs(const QString &part) const { return m_parts.isEmpty() || m_parts.contains(part); }

    void corpus(const CorpusShape &shape, bool withCancel);
    QString writeCorpus(const CorpusShape &shape);
    void startup(const QString &sampleLibrary, const QList<QPair<QString, QString>> &folders);
    void stallWithLargeDocument();
    void allHits(int count, int kilobytes);
    void allHitsIn(const QString &folder, const QString &term, const QString &name);
    void replace(int count, int kilobytes);
    void colourLargeModule();
    void proceduresOfLargeModule();
    void largeModules();
    void waitOvershoot();

private:
    QString m_work;
    int m_rounds;
    unsigned m_seed;
    QStringList m_parts;
};

QString Bench::writeCorpus(const CorpusShape &shape)
{
    QString folder = m_work + u'/' + shape.name();
    QElapsedTimer made;
    made.start();
    makeCorpus(folder, shape.count, shape.kilobytes, m_seed);
    std::printf("\n== corpus %s (written in %.1f s)\n", qPrintable(shape.name()), seconds(made));
    return folder;
}

void Bench::corpus(const CorpusShape &shape, bool withCancel)
{
    const QString folder = writeCorpus(shape);
    // Warm the page cache alike for all; a file list, not a glob, so that
    // 100,000 files fit on no command line.
    timeProcess(QStringLiteral("find %1 -type f -print0 | xargs -0 cat > /dev/null").arg(quoted(folder)));

    ScriptedPrompts prompts;
    Root root(RootOptions{folder});
    root.start();
    settle();
    DocumentLibrary *library = root.library();
    SearchController *search = root.search();
    auto *list = root.findChild<QListWidget *>(QStringLiteral("Dateien"));
    // The memory of the list: the same window on an empty folder and on the
    // corpus, without the first document loaded (a 100 KB one alone would
    // add a tenth of a KB to each of 10,000 entries).
    const QString empty = m_work + QStringLiteral("/empty");
    QDir().mkpath(empty);
    library->setLoadingDeferred(true);
    library->setFolder(empty);
    library->refresh();
    settle();
    const double rssEmpty = residentMiB();
    library->setFolder(folder);
    library->refresh();
    settle();
    print(shape.name() + QStringLiteral(" list_entry"), (residentMiB() - rssEmpty) * 1024.0 / shape.count,
          "KB a document");
    library->setLoadingDeferred(false);

    std::vector<double> refresh;
    std::vector<double> ls;
    for (int i = 0; i < (runs(QStringLiteral("refresh")) ? m_rounds : 0); ++i) {
        QElapsedTimer t;
        t.start();
        library->refresh();
        refresh.push_back(seconds(t));
        ls.push_back(timeProcess(QStringLiteral("cd %1 && ls -1 | sort -f > /dev/null").arg(quoted(folder))));
    }
    if (!refresh.empty()) {
        print(shape.name() + QStringLiteral(" refresh"), median(refresh), "s");
        print(shape.name() + QStringLiteral(" ls_sort"), median(ls), "s");
        print(shape.name() + QStringLiteral(" refresh_vs_ls"), median(refresh) / median(ls), "x");
        printMemory(shape.name() + QStringLiteral("_refresh"));
    }
    if (!runs(QStringLiteral("search"))) {
        return;
    }

    const auto runSearch = [&](const QString &term) {
        list->setCurrentRow(0);
        search->openDialog();
        search->dialog()->setTerm(term);
        QElapsedTimer t;
        t.start();
        search->runSearch();
        const double s = seconds(t);
        prompts.calls.clear();
        settle();
        return s;
    };
    std::printf("%-32s %9s %9s %9s %12s %14s %9s %7s\n", "search", "program", "rg", "grep", "search_vs_rg",
                "search_vs_grep", "stall_ms", "cpu_ms");
    list->setCurrentRow(0);
    settle();
    const double rssBeforeSearch = residentMiB();
    for (const Term &term : Terms) {
        std::vector<double> program;
        std::vector<double> rg;
        std::vector<double> grep;
        // The longest stall of the rounds, as wall time and as the window
        // thread's own time: on a busy machine the first also counts waiting
        // for a core.
        Stalls stall;
        for (int i = 0; i < m_rounds; ++i) {
            const Stalls round = longestStalls([&] { program.push_back(runSearch(term.text)); });
            stall.wallMs = std::max(stall.wallMs, round.wallMs);
            stall.cpuMs = std::max(stall.cpuMs, round.cpuMs);
            rg.push_back(
                timeProcess(QStringLiteral("rg -il -j2 -- %1 %2 > /dev/null").arg(quoted(term.text), quoted(folder))));
            grep.push_back(
                timeProcess(QStringLiteral("grep -ril -- %1 %2 > /dev/null").arg(quoted(term.text), quoted(folder))));
        }
        std::printf("%-32s %9.4f %9.4f %9.4f %12.2f %14.2f %9.1f %7.1f\n",
                    qPrintable(shape.name() + u' ' + QString::fromLatin1(term.label)), median(program), median(rg),
                    median(grep), median(program) / median(rg), median(program) / median(grep), stall.wallMs,
                    stall.cpuMs);
    }
    list->setCurrentRow(0);
    settle();
    print(shape.name() + QStringLiteral(" kept_after_search"), residentMiB() - rssBeforeSearch, "MiB");
    printMemory(shape.name() + QStringLiteral("_search"));

    if (!withCancel || !runs(QStringLiteral("cancel"))) {
        return;
    }
    // Cancel: pressed 10 ms into a run of the slowest kind; the figure is
    // the time from the press to the end of the run.
    std::vector<double> cancel;
    int ended = 0;
    for (int i = 0; i < m_rounds; ++i) {
        QElapsedTimer clock;
        qint64 pressedAt = -1;
        QTimer press;
        press.setInterval(1);
        QObject::connect(&press, &QTimer::timeout, [&] {
            if (clock.elapsed() < 10) {
                return;
            }
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (w->objectName() == u"Weitersuchen" && w->isVisible()) {
                    if (auto *b = w->findChild<QPushButton *>(QStringLiteral("BAbbrechen"))) {
                        pressedAt = clock.nsecsElapsed();
                        b->click();
                        press.stop();
                    }
                }
            }
        });
        list->setCurrentRow(0);
        search->openDialog();
        search->dialog()->setTerm(Terms[3].text);
        clock.start();
        press.start();
        search->runSearch();
        press.stop();
        if (pressedAt >= 0) {
            cancel.push_back(double(clock.nsecsElapsed() - pressedAt) / 1e6);
        } else {
            ++ended;
        }
        prompts.calls.clear();
        settle();
    }
    print(shape.name() + QStringLiteral(" cancel_latency"), median(cancel), "ms");
    if (ended > 0) {
        std::printf("  (%d of %d runs ended before the press)\n", ended, m_rounds);
    }
}

void Bench::stallWithLargeDocument()
{
    // A 15 MB document shown in the editor, 2,000 more to search.
    const QString folder = m_work + QStringLiteral("/stall");
    QDir().mkpath(folder);
    std::mt19937 rng(m_seed);
    writeFile(folder + QStringLiteral("/0 Gross.txt"), encoded(documentText(rng, 15 * 1000 * 1000), false));
    makeCorpus(folder, 2000, 10, m_seed);
    ScriptedPrompts prompts;
    Root root(RootOptions{folder});
    root.start();
    settle();
    auto *list = root.findChild<QListWidget *>(QStringLiteral("Dateien"));
    SearchController *search = root.search();
    std::printf("\n== a 15 MB document shown\n");
    std::vector<double> stalls;
    const double rssBefore = residentMiB();
    for (int i = 0; i < m_rounds; ++i) {
        list->setCurrentRow(0);
        settle();
        search->openDialog();
        search->dialog()->setTerm(Terms[1].text);
        stalls.push_back(longestStall([&] { search->runSearch(); }));
        prompts.calls.clear();
        settle();
    }
    print(QStringLiteral("stall_15mb_shown"), median(stalls), "ms (median of the longest stall a run)");
    print(QStringLiteral("stall_15mb_shown_max"), *std::max_element(stalls.begin(), stalls.end()), "ms");
    print(QStringLiteral("kept_after_search_15mb_shown"), residentMiB() - rssBefore, "MiB");
    printMemory(QStringLiteral("stall"));
}

void Bench::allHits(int count, int kilobytes)
{
    // Every document holds the term once, inside its text.
    const QString term = QStringLiteral("Seeanemone");
    {
        const QString folder = m_work + QStringLiteral("/allhits");
        QDir().mkpath(folder);
        std::mt19937 rng(m_seed);
        const QString text = documentText(rng, kilobytes * 1024);
        const qsizetype middle = text.indexOf(u'\n', text.size() / 2) + 1;
        const QString withHit = text.left(middle) + term + u'\n' + text.mid(middle);
        const QByteArray bytes[2] = {encoded(withHit, false), encoded(withHit, true)};
        for (int i = 0; i < count; ++i) {
            writeFile(folder + QStringLiteral("/Dokument %1.txt").arg(i, 6, 10, QChar(u'0')), bytes[i % 2]);
        }
        std::printf("\n== all hits, %d x %d KB, one hit each\n", count, kilobytes);
        allHitsIn(folder, term, QStringLiteral("all_hits"));
    }
    {
        // As real modules are: many hits a document, here 300 documents of
        // 50 lines with the term among 10 KB of text each.
        const QString folder = m_work + QStringLiteral("/allhits_many");
        QDir().mkpath(folder);
        std::mt19937 rng(m_seed + 1);
        for (int i = 0; i < 300; ++i) {
            QString text;
            for (int line = 0; line < 50; ++line) {
                text += documentText(rng, 200);
                text += QStringLiteral("    Dim %1 As %2\n").arg(term).arg(line);
            }
            writeFile(folder + QStringLiteral("/Modul %1.txt").arg(i, 6, 10, QChar(u'0')), encoded(text, i % 2 == 1));
        }
        std::printf("\n== all hits, 300 documents, 50 hits each\n");
        allHitsIn(folder, term, QStringLiteral("all_hits_many"));
    }
    {
        // The hostile case: one 15 MB document of 7.5 million lines "a",
        // far more hits than a run keeps.
        const QString folder = m_work + QStringLiteral("/allhits_limit");
        QDir().mkpath(folder);
        writeFile(folder + QStringLiteral("/Gross.txt"), QByteArray("a\n").repeated(7'500'000));
        // The editor shows a small first document: the figures are those of
        // the run, not of the editor holding 7.5 million lines.
        writeFile(folder + QStringLiteral("/Anfang.txt"), QByteArrayLiteral("Anfang\n"));
        std::printf("\n== all hits, one 15 MB document of 7.5 million hits\n");
        allHitsIn(folder, QStringLiteral("a"), QStringLiteral("all_hits_limit"));
    }
}

// The preview of a replace over a folder, as the window runs it: the
// workers scan, the window thread puts their documents into the model every
// 16 ms.
double previewInto(const QString &folder, const QStringList &files, const AllHits::Query &query, HitModel &model)
{
    model.clear();
    AllHits::Source source;
    source.folder = folder;
    source.files = files;
    source.count = int(files.size());
    QElapsedTimer t;
    t.start();
    AllHits::Run run(source, query, QThread::idealThreadCount());
    QEventLoop loop;
    QTimer drain;
    drain.setInterval(16);
    QObject::connect(&drain, &QTimer::timeout, [&] {
        const bool finished = run.isFinished();
        QElapsedTimer budget;
        budget.start();
        while (budget.elapsed() < 10) {
            QList<AllHits::Document> docs = run.take(64);
            if (docs.isEmpty()) {
                break;
            }
            model.add(std::move(docs), [](int i) { return QString::number(i); });
        }
        if (finished) {
            loop.quit();
        }
    });
    drain.start();
    loop.exec();
    return seconds(t);
}

void Bench::replace(int count, int kilobytes)
{
    const QString term = QStringLiteral("Seeanemone");
    const QString replacement = QStringLiteral("Seegurke");
    const QString folder = m_work + QStringLiteral("/replace");
    QDir().mkpath(folder);
    std::mt19937 rng(m_seed + 2);
    const QString text = documentText(rng, kilobytes * 1024);
    const qsizetype middle = text.indexOf(u'\n', text.size() / 2) + 1;
    const QString withHit = text.left(middle) + term + u'\n' + text.mid(middle);
    const QByteArray bytes[2] = {encoded(withHit, false), encoded(withHit, true)};
    QStringList files;
    for (int i = 0; i < count; ++i) {
        files.append(QStringLiteral("Dokument %1.txt").arg(i, 6, 10, QChar(u'0')));
        writeFile(folder + u'/' + files.constLast(), bytes[i % 2]);
    }
    std::printf("\n== replace, %d x %d KB, one hit each\n", count, kilobytes);
    const AllHits::Query query{MatchOptions{term, Qt::CaseSensitive, false, false}, true, replacement};
    HitModel model;
    model.setReplaceMode(true);

    std::vector<double> ours;
    std::vector<double> rg;
    std::vector<double> stalls;
    for (int i = 0; i < m_rounds; ++i) {
        double took = 0;
        stalls.push_back(longestStalls([&] { took = previewInto(folder, files, query, model); }).wallMs);
        ours.push_back(took);
        if (model.hitCount() != count) {
            std::fprintf(stderr, "the preview found %lld hits, not %d\n", qlonglong(model.hitCount()), count);
            std::exit(1);
        }
        rg.push_back(timeProcess(QStringLiteral("rg -n -j2 -- %1 %2 > /dev/null").arg(quoted(term), quoted(folder))));
        model.clear();
        settle();
    }
    print(QStringLiteral("replace_preview"), median(ours), "s");
    print(QStringLiteral("replace_preview rg_n"), median(rg), "s");
    print(QStringLiteral("replace_preview_vs_rg"), median(ours) / median(rg), "x");
    print(QStringLiteral("replace_preview_stall"), median(stalls), "ms (median of the longest stall a run)");

    std::vector<double> write;
    std::vector<double> sed;
    std::vector<double> writeStalls;
    const QString copy = m_work + QStringLiteral("/replace_copy");
    for (int i = 0; i < m_rounds; ++i) {
        // A fresh copy each round, its time not counted; the preview that
        // makes the plan neither.
        timeProcess(QStringLiteral("rm -rf %1 && cp -a %2 %1 && sync").arg(quoted(copy), quoted(folder)));
        previewInto(copy, files, query, model);
        ReplaceFiles::Plan plan{query.options, replacement, {}};
        for (int row = 0; row < model.documentCount(); ++row) {
            const AllHits::Document &doc = model.document(row);
            ReplaceFiles::DocumentPlan d;
            d.listIndex = doc.index;
            d.path = copy + u'/' + files.at(doc.index);
            d.key = doc.key;
            d.contentHash = doc.contentHash;
            d.ticked = model.ticked(row);
            plan.documents.push_back(std::move(d));
        }
        model.clear();
        ReplaceFiles::UndoStore undo = ReplaceFiles::UndoStore::forThisProgram();
        QList<ReplaceFiles::DocumentResult> results;
        double took = 0;
        // The writer on a worker, the window thread waits in its event loop.
        writeStalls.push_back(longestStalls([&] {
                                  QElapsedTimer t;
                                  t.start();
                                  QEventLoop loop;
                                  std::atomic_bool cancel{false};
                                  std::thread worker([&] {
                                      results = ReplaceFiles::write(plan, undo, cancel);
                                      QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
                                  });
                                  loop.exec();
                                  worker.join();
                                  took = seconds(t);
                              }).wallMs);
        write.push_back(took);
        const auto written = std::count_if(results.begin(), results.end(), [](const ReplaceFiles::DocumentResult &r) {
            return r.outcome == ReplaceFiles::Outcome::Written;
        });
        if (written != count) {
            std::fprintf(stderr, "the replace wrote %lld files, not %d\n", qlonglong(written), count);
            std::exit(1);
        }
        undo.discard();
        timeProcess(QStringLiteral("rm -rf %1 && cp -a %2 %1 && sync").arg(quoted(copy), quoted(folder)));
        sed.push_back(timeProcess(QStringLiteral("rg -l -- %1 %2 | xargs -d '\\n' sed -i 's/%3/%4/'")
                                      .arg(quoted(term), quoted(copy), term, replacement)));
        settle();
    }
    timeProcess(QStringLiteral("rm -rf %1").arg(quoted(copy)));
    print(QStringLiteral("replace_write"), median(write), "s");
    print(QStringLiteral("replace_write sed"), median(sed), "s");
    print(QStringLiteral("replace_write_vs_sed"), median(write) / median(sed), "x");
    print(QStringLiteral("replace_write_stall"), median(writeStalls), "ms (median of the longest stall a run)");
}

void Bench::allHitsIn(const QString &folder, const QString &term, const QString &name)
{
    ScriptedPrompts prompts;
    Root root(RootOptions{folder});
    root.start();
    settle();
    const double rssBefore = residentMiB();
    root.findChild<QAction *>(QStringLiteral("mnuAlleTreffer"))->trigger();
    auto *window = root.findChild<AlleTreffer *>();
    std::vector<double> ours;
    std::vector<double> rg;
    std::vector<double> stallsWall;
    Stalls worst;
    qsizetype rows = 0;
    double rssHeld = 0;
    for (int i = 0; i < m_rounds; ++i) {
        QEventLoop loop;
        const auto done = QObject::connect(window, &AlleTreffer::runEnded, &loop, &QEventLoop::quit);
        window->termBox()->setEditText(term);
        QElapsedTimer t;
        const Stalls stalls = longestStalls([&] {
            t.start();
            window->start();
            loop.exec();
            ours.push_back(seconds(t));
        });
        QObject::disconnect(done);
        stallsWall.push_back(stalls.wallMs);
        worst.wallMs = std::max(worst.wallMs, stalls.wallMs);
        worst.cpuMs = std::max(worst.cpuMs, stalls.cpuMs);
        rows = window->model()->hitCount();
        rssHeld = std::max(rssHeld, residentMiB() - rssBefore);
        rg.push_back(timeProcess(QStringLiteral("rg -in -j2 -- %1 %2 > /dev/null").arg(quoted(term), quoted(folder))));
        settle();
    }
    print(name + QStringLiteral("_rows"), double(rows), "rows");
    print(name, median(ours), "s");
    print(name + QStringLiteral(" rg_in"), median(rg), "s");
    print(name + QStringLiteral("_vs_rg"), median(ours) / median(rg), "x");
    print(name + QStringLiteral("_stall"), median(stallsWall), "ms (median of the longest stall a run)");
    print(name + QStringLiteral("_stall_max"), worst.wallMs, "ms");
    print(name + QStringLiteral("_stall_cpu_max"), worst.cpuMs, "ms (the window thread's own time)");
    print(name + QStringLiteral("_held"), rssHeld, "MiB (resident, with the results shown)");
    const Stalls closing = longestStalls([&] {
        window->close();
        settle();
    });
    print(name + QStringLiteral("_close_stall"), closing.wallMs, "ms");
    print(name + QStringLiteral("_kept_after_close"), residentMiB() - rssBefore, "MiB");
    printMemory(name);
}

void Bench::colourLargeModule()
{
    // A 10 MB module: coloured in slices, the part in view first.
    QString module;
    const QString lines = QStringLiteral("Public Function Breite(ByVal n As Long) As Long ' Twips\n"
                                         "    Breite = n * 1440 + &H10 & \"Zoll\"\n"
                                         "End Function\n");
    while (module.size() < 10 * 1024 * 1024) {
        module += lines;
    }
    CodeEditor editor;
    editor.resize(800, 600);
    editor.show();
    editor.setKind(DocumentKinds::ClassesAndModules);
    std::printf("\n== colouring a 10 MB module\n");
    std::vector<double> total;
    Stalls worst;
    for (int i = 0; i < std::min(m_rounds, 2); ++i) {
        editor.setPlainText(QString());
        editor.setPlainText(module);
        QElapsedTimer t;
        t.start();
        const Stalls stalls = longestStalls([&] {
            QEventLoop loop;
            QObject::connect(editor.highlighter(), &BasicHighlighter::idle, &loop, &QEventLoop::quit);
            if (!editor.highlighter()->isIdle()) {
                loop.exec();
            }
        });
        total.push_back(seconds(t));
        worst.wallMs = std::max(worst.wallMs, stalls.wallMs);
        worst.cpuMs = std::max(worst.cpuMs, stalls.cpuMs);
    }
    print(QStringLiteral("highlight_10mb_total"), median(total), "s");
    print(QStringLiteral("highlight_10mb_stall_max"), worst.wallMs, "ms");
    print(QStringLiteral("highlight_10mb_stall_cpu_max"), worst.cpuMs, "ms (the window thread's own time)");
}

void Bench::proceduresOfLargeModule()
{
    // A 10 MB module of procedures of every kind, with continued heads and
    // comments: the procedure list reads it in slices. Colouring is off, so
    // that the figures are the list's own.
    const QString procedures = QStringLiteral("' Rechnet Twips um _\n"
                                              "  und gibt sie zurück\n"
                                              "Public Function Breite(ByVal n As Long, _\n"
                                              "                       Optional ByVal Faktor As Long = 1) As Long\n"
                                              "    If n > 0 Then\n"
                                              "        Breite = n * 1440 * Faktor ' Zoll\n"
                                              "    End If\n"
                                              "End Function\n"
                                              "\n"
                                              "Private Property Get Name() As String\n"
                                              "    Name = \"Sub Modul\"\n"
                                              "End Property\n"
                                              "\n"
                                              "Friend Static Sub Zaehlen()\n"
                                              "    For i = 1 To 10: Summe = Summe + i: Next i\n"
                                              "End Sub\n\n");
    QString module = QStringLiteral("Attribute VB_Name = \"Gross\"\nOption Explicit\n"
                                    "Private Declare Function GetTickCount Lib \"kernel32\" () As Long\n");
    while (module.size() < 10 * 1024 * 1024) {
        module += procedures;
    }
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *editor = new CodeEditor(&window);
    auto *box = new ProcedureBox(editor, &window);
    layout->addWidget(box);
    layout->addWidget(editor);
    window.resize(800, 600);
    window.show();
    editor->setHighlighting(false);
    editor->setKind(DocumentKinds::ClassesAndModules);
    std::printf("\n== procedure list of a 10 MB module\n");
    const auto waitCurrent = [box] {
        QEventLoop loop;
        QObject::connect(box, &ProcedureBox::updated, &loop, &QEventLoop::quit);
        if (!box->isCurrent()) {
            loop.exec();
        }
    };
    std::vector<double> load;
    std::vector<double> build;
    std::vector<double> afterEdit;
    std::vector<double> keystroke;
    Stalls loadWorst;
    Stalls editWorst;
    Stalls plainWorst;
    const auto keepWorst = [](Stalls &worst, const Stalls &s) {
        worst.wallMs = std::max(worst.wallMs, s.wallMs);
        worst.cpuMs = std::max(worst.cpuMs, s.cpuMs);
    };
    for (int i = 0; i < std::min(m_rounds, 3); ++i) {
        // The editor's own work after loading a text, without the list:
        // what the stalls after loading are to be compared with.
        editor->setKind(DocumentKinds::HelpDocuments);
        editor->setPlainText(module);
        keepWorst(plainWorst, longestStalls([] {
                      QEventLoop loop;
                      QTimer::singleShot(1500, &loop, &QEventLoop::quit);
                      loop.exec();
                  }));
        editor->setPlainText(QString());
        editor->setKind(DocumentKinds::ClassesAndModules);

        QElapsedTimer t;
        t.start();
        editor->setPlainText(module);
        load.push_back(seconds(t));
        keepWorst(loadWorst, longestStalls(waitCurrent));
        build.push_back(seconds(t));

        // One line typed in the middle: what the edit costs, and how long
        // until the list holds the new procedure.
        QTextCursor cursor(editor->document()->findBlockByNumber(editor->document()->blockCount() / 2));
        editor->setTextCursor(cursor);
        t.restart();
        keepWorst(editWorst, longestStalls([&] {
                      QElapsedTimer key;
                      key.start();
                      editor->textCursor().insertText(QStringLiteral("Sub Neu(): End Sub\n"));
                      keystroke.push_back(double(key.nsecsElapsed()) / 1e6);
                      waitCurrent();
                  }));
        afterEdit.push_back(seconds(t));
    }
    // The reading alone, over the text in one piece.
    std::vector<double> parse;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        t.start();
        const auto entries = ProcedureList::parse(module);
        parse.push_back(seconds(t));
    }
    {
        std::vector<double> copy;
        for (int i = 0; i < 3; ++i) {
            QElapsedTimer t;
            t.start();
            const QString text = editor->toPlainText();
            copy.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        print(QStringLiteral("editor_10mb_toplaintext"), median(copy), "ms");
    }
    print(QStringLiteral("procedures_10mb_entries"), double(box->entries().size()), "");
    print(QStringLiteral("procedures_10mb_parse"), median(parse), "s (the text in one piece, no editor)");
    print(QStringLiteral("editor_10mb_load"), median(load), "s (the editor taking the text)");
    print(QStringLiteral("procedures_10mb_build"), median(build), "s (from loading the text)");
    print(QStringLiteral("procedures_10mb_after_edit"), median(afterEdit), "s (typing pauses, then read again)");
    print(QStringLiteral("procedures_10mb_edit"), median(keystroke), "ms (the edit itself)");
    print(QStringLiteral("procedures_10mb_stall_edit_max"), editWorst.wallMs, "ms");
    print(QStringLiteral("procedures_10mb_stall_edit_cpu_max"), editWorst.cpuMs, "ms (the window thread's own time)");
    print(QStringLiteral("procedures_10mb_stall_load_max"), loadWorst.wallMs, "ms");
    print(QStringLiteral("procedures_10mb_stall_load_cpu_max"), loadWorst.cpuMs, "ms (the window thread's own time)");
    print(QStringLiteral("editor_10mb_stall_load_plain_max"), plainWorst.wallMs, "ms (the same text without the list)");
    print(QStringLiteral("editor_10mb_stall_load_plain_cpu_max"), plainWorst.cpuMs, "ms");

    // A cursor move onto a block keyword far from its partner's search
    // limit: the block marks are found on the move itself.
    std::vector<double> move;
    const int middle = editor->document()->blockCount() / 2;
    for (int i = 0; i < 20; ++i) {
        QTextBlock block = editor->document()->findBlockByNumber(middle + i * 17);
        while (block.isValid() && !block.text().startsWith(QStringLiteral("End Function"))) {
            block = block.next();
        }
        QElapsedTimer t;
        t.start();
        editor->setTextCursor(QTextCursor(block));
        move.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    print(QStringLiteral("block_marks_cursor_move"), median(move), "ms (onto End Function)");
}

// Counts the paints of a widget, so that a step can wait for the next one.
class PaintCount final : public QObject
{
public:
    explicit PaintCount(QWidget *w) { w->installEventFilter(this); }
    int count = 0;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++count;
        }
        return QObject::eventFilter(watched, event);
    }
};

// Runs the event loop for ms milliseconds.
void spin(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
}

// Runs the event loop until paints has counted a paint more than before, at
// most 120 s; the seconds it took.
double untilPainted(PaintCount &paints, const QElapsedTimer &since)
{
    const int before = paints.count;
    while (paints.count == before && since.elapsed() < 120'000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return seconds(since);
}

// A key pressed and released on the editor, as the window gets it.
void press(QWidget *editor, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString &text = {})
{
    QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(editor, &down);
    QKeyEvent up(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(editor, &up);
}

// The figures of one editor on one file.
struct EditorFigures
{
    std::vector<double> open;
    double openStall = 0;
    double ctrlEnd = 0;
    double pageDown = 0;
    double typing = 0;
    double rss = 0;
    bool shown = false; // the editor holds the text, not a note why it does not
};

// Opening, Strg+Ende, Bild ab and typing, each with the longest stall of the
// window while it lasts and while the editor settles after it. open loads the
// text (the program: selects the document in the list), close puts the
// small document back.
template <typename Open, typename Close>
void measureEditor(QPlainTextEdit *editor, int rounds, EditorFigures &figures, Open open, Close close)
{
    PaintCount paints(editor->viewport());
    for (int round = 0; round < rounds; ++round) {
        close();
        settle();
        spin(200);
        const double rssBefore = residentMiB();
        QElapsedTimer since;
        figures.openStall = std::max(figures.openStall, longestStall([&] {
                                         since.start();
                                         open();
                                         // A paint while loading may have shown the
                                         // empty editor: this one shows the text.
                                         editor->viewport()->update();
                                         figures.open.push_back(untilPainted(paints, since));
                                         spin(1000);
                                     }));
        figures.rss = std::max(figures.rss, residentMiB() - rssBefore);
        figures.shown = editor->document()->characterCount() > 1000;
        editor->setFocus();
        figures.ctrlEnd = std::max(figures.ctrlEnd, longestStall([&] {
                                       press(editor, Qt::Key_End, Qt::ControlModifier);
                                       spin(300);
                                   }));
        press(editor, Qt::Key_Home, Qt::ControlModifier);
        spin(300);
        figures.pageDown = std::max(figures.pageDown, longestStall([&] {
                                        for (int i = 0; i < 20; ++i) {
                                            press(editor, Qt::Key_PageDown);
                                            spin(30);
                                        }
                                        spin(300);
                                    }));
        figures.typing =
            std::max(figures.typing, longestStall([&] {
                         for (const char c : {'x', 'y', 'z'}) {
                             press(editor, Qt::Key_X + (c - 'x'), Qt::NoModifier, QString(QChar::fromLatin1(c)));
                             spin(100);
                         }
                         spin(300);
                     }));
    }
}

void Bench::largeModules()
{
    // The largest modules the editor takes, 15 MB: of 60-character lines,
    // of lines of 2,000 characters, and in one line. Beside each file a small
    // one, to go back to.
    constexpr int Bytes = 15 * 1000 * 1000;
    const QStringList code = {
        QStringLiteral("Public Function Breite(ByVal n As Long) As Long ' in Twips"),
        QStringLiteral("    Breite = n * 1440 + &H10 ' ein Zoll sind 1440 Twips"),
        QStringLiteral("    If Breite > 32767 Then Err.Raise 6, \"Breite\", \"Zu groß\""),
        QStringLiteral("End Function"),
    };
    QString lines;
    for (qsizetype i = 0; lines.size() < Bytes; ++i) {
        lines += code.at(i % code.size()).leftJustified(60) + u'\n';
    }
    QString oneLine;
    const QString statement = QStringLiteral("Breite = n * 1440 + &H10: If Breite > 32767 Then Breite = 0: ");
    while (oneLine.size() < Bytes) {
        oneLine += statement;
    }
    oneLine += u'\n';
    // Long lines, many of them: shown wrapped.
    QString longLines;
    const QString statements = QStringLiteral("Breite = n * 1440 + &H10: If Breite > 32767 Then Breite = 0: ");
    const QString longLine = statements.repeated(2000 / statements.size() + 1).left(2000) + u'\n';
    while (longLines.size() < Bytes) {
        longLines += longLine;
    }
    // A document edited on two systems: every other line ends in LF alone.
    QByteArray mixed;
    mixed.reserve(Bytes + Bytes / 60);
    for (qsizetype i = 0; mixed.size() < Bytes; ++i) {
        mixed += encoded(code.at(i % code.size()).leftJustified(60) + u'\n', false);
        if (i % 2 == 1) {
            mixed.remove(mixed.size() - 2, 1);
        }
    }
    const struct
    {
        const char *label;
        QByteArray bytes;
        bool longLine;
    } files[] = {{"lines_60", encoded(lines, false), false},
                 {"mixed_ends", mixed, false},
                 {"lines_2000", encoded(longLines, false), false},
                 {"one_line", encoded(oneLine, false), true}};

    std::printf("\n== 15 MB modules in the code editor, next to a plain QPlainTextEdit\n");
    // open_s: from the selection (plain: from reading the file) to the first
    // paint; the other columns are the longest stall of the window, in ms,
    // while the step lasts and the editor settles after it. The plain editor
    // gets one round of the long line: each of its steps takes seconds.
    std::printf("%-20s %6s %8s %8s %14s %11s %12s %8s %9s\n", "editor", "shown", "open_s", "plain_s", "open_vs_plain",
                "open_stall", "ctrl_end_ms", "pgdn_ms", "type3_ms");
    for (const auto &file : files) {
        const QString folder = m_work + QStringLiteral("/editor_") + QString::fromLatin1(file.label);
        QDir().mkpath(folder);
        writeFile(folder + QStringLiteral("/A Klein.bas"), encoded(code.join(u'\n') + u'\n', false));
        writeFile(folder + QStringLiteral("/B Gross.bas"), file.bytes);

        EditorFigures ours;
        {
            ScriptedPrompts prompts;
            prompts.failOnUnscripted = false;
            Root root(RootOptions{folder});
            root.start();
            settle();
            root.findChild<QAction *>(QStringLiteral("mnuAnsicht_%1").arg(DocumentKinds::ClassesAndModules))->trigger();
            settle();
            auto *list = root.findChild<QListWidget *>(QStringLiteral("Dateien"));
            auto *editor = root.findChild<QPlainTextEdit *>(QStringLiteral("Text"));
            measureEditor(
                editor, m_rounds, ours, [&] { list->setCurrentRow(1); },
                [&] {
                    // The typed characters are dropped.
                    prompts.messageAnswers.clear();
                    prompts.messageAnswers.enqueue(Prompts::Answer::No);
                    list->setCurrentRow(0);
                });
        }
        settle();
        EditorFigures plain;
        {
            QWidget window;
            auto *layout = new QHBoxLayout(&window);
            auto *editor = new QPlainTextEdit;
            editor->setLineWrapMode(QPlainTextEdit::NoWrap);
            editor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
            layout->addWidget(editor);
            window.resize(800, 600);
            window.show();
            settle();
            const QString path = folder + QStringLiteral("/B Gross.bas");
            measureEditor(
                editor, file.longLine ? 1 : m_rounds, plain,
                [&] {
                    QFile f(path);
                    if (f.open(QIODevice::ReadOnly)) {
                        editor->setPlainText(
                            QString::fromLatin1(f.readAll()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
                    }
                },
                [&] { editor->setPlainText(code.join(u'\n')); });
        }
        settle();
        for (const auto &[name, figures] : {std::pair{"quandel", &ours}, std::pair{"plain_qt", &plain}}) {
            std::printf("%-20s %6s %8.3f %8.3f %14.2f %11.1f %12.1f %8.1f %9.1f\n",
                        qPrintable(QString::fromLatin1(file.label) + u' ' + QString::fromLatin1(name)),
                        figures->shown ? "yes" : "no", median(figures->open), median(plain.open),
                        median(figures->open) / median(plain.open), figures->openStall, figures->ctrlEnd,
                        figures->pageDown, figures->typing);
        }
        print(QString::fromLatin1(file.label) + QStringLiteral(" rss_quandel"), ours.rss,
              "MiB over the small document");
        print(QString::fromLatin1(file.label) + QStringLiteral(" rss_plain_qt"), plain.rss,
              "MiB over the small document");
    }
    printMemory(QStringLiteral("editor"));
}

void Bench::startup(const QString &sampleLibrary, const QList<QPair<QString, QString>> &folders)
{
    std::printf("\n== start-up to the first painted document\n");
    // A 10 MB first document.
    const QString big = m_work + QStringLiteral("/big");
    QDir().mkpath(big);
    std::mt19937 rng(m_seed);
    writeFile(big + QStringLiteral("/Gross.txt"), encoded(documentText(rng, 10 * 1000 * 1000), false));

    QList<QPair<QString, QString>> all = {{QStringLiteral("sample"), sampleLibrary}};
    all += folders;
    all.append({QStringLiteral("10mb_first"), big});
    ScriptedPrompts prompts;
    std::printf("%-32s %9s %9s %16s\n", "start-up", "program", "hello", "startup_vs_hello");
    for (const auto &[label, folder] : std::as_const(all)) {
        std::vector<double> program;
        std::vector<double> hello;
        for (int i = 0; i < m_rounds; ++i) {
            program.push_back(startupSeconds(folder));
            hello.push_back(helloSeconds(folder));
        }
        std::printf("%-32s %9.4f %9.4f %16.2f\n", qPrintable(label), median(program), median(hello),
                    median(program) / median(hello));
        prompts.calls.clear();
    }
    printMemory(QStringLiteral("startup"));
}

} // namespace

// Wait(0.3) with events running: how long past its 300 ms it returns.
void Bench::waitOvershoot()
{
    std::printf("\n== Wait(0.3)\n");
    std::vector<double> over;
    for (int i = 0; i < m_rounds; ++i) {
        QElapsedTimer t;
        t.start();
        Wait(0.3);
        over.push_back(double(t.elapsed()) - 300.0);
    }
    print(QStringLiteral("wait_0_3s_overshoot"), median(over), "ms");
    print(QStringLiteral("wait_0_3s_overshoot_max"), *std::max_element(over.begin(), over.end()), "ms");
}

int main(int argc, char *argv[])
{
    // The heap as the program sets it up.
    Heap::keepReturnable();
    qInstallMessageHandler(quietHandler);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The same locale for the program and the tools it is compared with.
    qputenv("LC_ALL", "C.UTF-8");
    qunsetenv("RIPGREP_CONFIG_PATH");
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/.config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + QStringLiteral("/.local/share")));
    QApplication app(argc, argv);

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption docsOption(QStringLiteral("docs"), QStringLiteral("Documents in the corpus."),
                                        QStringLiteral("n"), QStringLiteral("10000"));
    const QCommandLineOption sizeOption(QStringLiteral("kb"), QStringLiteral("Size of a document in KB."),
                                        QStringLiteral("kb"), QStringLiteral("10"));
    const QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Seed of the corpus."),
                                        QStringLiteral("seed"), QStringLiteral("20261207"));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"), QStringLiteral("Rounds of each figure."),
                                          QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption matrixOption(
        QStringLiteral("matrix"),
        QStringLiteral(
            "All corpora: 10k x 1 KB, 10k x 10 KB, 10k x 100 KB, 100k x 1 KB and 300k x 1 KB (ignores --docs, "
            "--kb)."));
    const QCommandLineOption sampleOption(QStringLiteral("sample"), QStringLiteral("The sample library."),
                                          QStringLiteral("folder"), QStringLiteral(QUANDEL_SAMPLE_LIBRARY));
    const QCommandLineOption partsOption(
        QStringLiteral("parts"),
        QStringLiteral("Only these parts, separated by commas: refresh, search, cancel (needs search), stall, allhits, "
                       "replace, colour, procedures, editor, startup, wait. All when not given."),
        QStringLiteral("list"));
    parser.addOptions({docsOption, sizeOption, seedOption, roundsOption, matrixOption, sampleOption, partsOption});
    parser.process(app);
    const int rounds = std::max(1, parser.value(roundsOption).toInt());

    QList<CorpusShape> corpora;
    if (parser.isSet(matrixOption)) {
        corpora = {{10000, 10}, {10000, 1}, {10000, 100}, {100000, 1}, {300000, 1}};
    } else {
        corpora = {{parser.value(docsOption).toInt(), parser.value(sizeOption).toInt()}};
    }
    QTemporaryDir work;
    std::printf("seed %s, %d rounds, %d threads, LC_ALL=C.UTF-8; medians\n", qPrintable(parser.value(seedOption)),
                rounds, QThread::idealThreadCount());
    seedKeyStore();
    Bench bench(work.path(), rounds, parser.value(seedOption).toUInt(),
                parser.value(partsOption).split(u',', Qt::SkipEmptyParts));
    // The search, all-hits and replace figures compare with ripgrep.
    if ((bench.runs(QStringLiteral("search")) || bench.runs(QStringLiteral("allhits")) ||
         bench.runs(QStringLiteral("replace"))) &&
        QStandardPaths::findExecutable(QStringLiteral("rg")).isEmpty()) {
        std::fprintf(stderr, "ripgrep (rg) is needed: apt-get install ripgrep\n");
        return 2;
    }
    const bool corpusParts = bench.runs(QStringLiteral("refresh")) || bench.runs(QStringLiteral("search")) ||
                             bench.runs(QStringLiteral("cancel"));
    for (const CorpusShape &shape : std::as_const(corpora)) {
        // Cancel is measured where a run lasts longest. The start-up needs
        // the corpora written.
        if (corpusParts) {
            bench.corpus(shape, shape.kilobytes == 100 || corpora.size() == 1);
        } else if (bench.runs(QStringLiteral("startup")) && shape.kilobytes <= 10) {
            bench.writeCorpus(shape);
        }
    }
    if (bench.runs(QStringLiteral("stall"))) {
        bench.stallWithLargeDocument();
    }
    if (bench.runs(QStringLiteral("allhits"))) {
        bench.allHits(parser.value(docsOption).toInt(), parser.value(sizeOption).toInt());
    }
    if (bench.runs(QStringLiteral("replace"))) {
        bench.replace(parser.value(docsOption).toInt(), parser.value(sizeOption).toInt());
    }
    if (bench.runs(QStringLiteral("colour"))) {
        bench.colourLargeModule();
    }
    if (bench.runs(QStringLiteral("procedures"))) {
        bench.proceduresOfLargeModule();
    }
    if (bench.runs(QStringLiteral("editor"))) {
        bench.largeModules();
    }
    QList<QPair<QString, QString>> folders;
    for (const CorpusShape &shape : std::as_const(corpora)) {
        if (shape.kilobytes <= 10) {
            folders.append({shape.name(), work.path() + u'/' + shape.name()});
        }
    }
    if (bench.runs(QStringLiteral("startup"))) {
        bench.startup(parser.value(sampleOption), folders);
    }
    if (bench.runs(QStringLiteral("wait"))) {
        bench.waitOvershoot();
    }
    return 0;
}
