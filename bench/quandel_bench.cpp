// Figures for the document list and the search, measured on the real main
// window (offscreen) over a generated corpus, next to grep and ls on the same
// folder. One "name value unit" line a figure.

#include "AlleTreffer.h"
#include "AppPaths.h"
#include "BasicHighlighter.h"
#include "CodeEditor.h"
#include "DocumentKinds.h"
#include "DocumentLibrary.h"
#include "Registry.h"
#include "Root.h"
#include "ScriptedPrompts.h"
#include "SearchController.h"
#include "Suchen.h"
#include "TextFile.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <ctime>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

const char *const Words[] = {
    "Dokument",      "Verzeichnis", "Datei",    "Hilfe",     "Projekt",  "Eigenschaft",  "Methode",   "Ereignis",
    "Steuerelement", "Formular",    "Schleife", "Bedingung", "Variable", "Zeichenkette", "Ausgabe",   "Eingabe",
    "öffnen",        "schließen",   "größer",   "Übersicht", "prüfen",   "ändern",       "Schlüssel", "Größe",
    "Dim",           "As",          "String",   "Integer",   "Long",     "Private",      "Public",    "Sub",
    "Function",      "End",         "If",       "Then",      "Else",     "For",          "Next",      "Loop",
    "Set",           "Nothing",     "Err",      "Resume",    "Open",     "Close",        "Input",     "Print"};

struct Corpus
{
    QString folder;
    QString bigFolder;
    QString lastTerm = QStringLiteral("Quastenflosser");
    QString missingTerm = QStringLiteral("Zyxwvunbekannt");
    // A folder of as many documents, each holding this term once.
    QString hitsFolder;
    QString everyTerm = QStringLiteral("Seeanemone");
};

QByteArray makeDocument(std::mt19937 &rng, int bytes, bool utf8)
{
    std::uniform_int_distribution<size_t> pick(0, std::size(Words) - 1);
    std::uniform_int_distribution<int> lineLength(4, 12);
    QString text;
    text.reserve(bytes + 64);
    while (text.size() < bytes) {
        const int n = lineLength(rng);
        for (int i = 0; i < n; ++i) {
            text += QString::fromUtf8(Words[pick(rng)]);
            text += u' ';
        }
        text += u'\n';
    }
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

Corpus makeCorpus(const QString &base, int count, int kilobytes, unsigned seed)
{
    Corpus c;
    c.folder = base + QStringLiteral("/corpus");
    c.bigFolder = base + QStringLiteral("/big");
    QDir().mkpath(c.folder);
    QDir().mkpath(c.bigFolder);
    std::mt19937 rng(seed);
    for (int i = 0; i < count; ++i) {
        QByteArray doc = makeDocument(rng, kilobytes * 1024, i % 2 == 1);
        if (i == count - 1) {
            doc += c.lastTerm.toLatin1() + "\r\n";
        }
        writeFile(c.folder + QStringLiteral("/Dokument %1.txt").arg(i, 5, 10, QChar(u'0')), doc);
    }
    writeFile(c.bigFolder + QStringLiteral("/Gross.txt"), makeDocument(rng, 10 * 1024 * 1024, false));
    c.hitsFolder = base + QStringLiteral("/hits");
    QDir().mkpath(c.hitsFolder);
    for (int i = 0; i < count; ++i) {
        QByteArray doc = makeDocument(rng, kilobytes * 1024, i % 2 == 1);
        // The hit somewhere inside the document, not only at its end.
        const qsizetype at = doc.indexOf('\n', doc.size() / 2) + 1;
        doc.insert(at, c.everyTerm.toLatin1() + "\r\n");
        writeFile(c.hitsFolder + QStringLiteral("/Dokument %1.txt").arg(i, 5, 10, QChar(u'0')), doc);
    }
    return c;
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

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

void print(const char *name, double value, const char *unit)
{
    std::printf("%-28s %12.4f %s\n", name, value, unit);
    std::fflush(stdout);
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

} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(quietHandler);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
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
    const QCommandLineOption rounds(QStringLiteral("rounds"), QStringLiteral("Repetitions of each figure."),
                                    QStringLiteral("n"), QStringLiteral("5"));
    parser.addOptions({docsOption, sizeOption, seedOption, rounds});
    parser.process(app);
    const int docs = parser.value(docsOption).toInt();
    const int repeat = std::max(1, parser.value(rounds).toInt());

    QTemporaryDir work;
    std::printf("corpus: %d documents of %s KB, seed %s\n", docs, qPrintable(parser.value(sizeOption)),
                qPrintable(parser.value(seedOption)));
    const Corpus corpus =
        makeCorpus(work.path(), docs, parser.value(sizeOption).toInt(), parser.value(seedOption).toUInt());

    const QString key = QStringLiteral("Software\\Tivorn\\Quandel Library");
    Registry::CreateRegKey(Registry::Root::CurrentUser, key, QStringLiteral("1"));
    Registry::SetRegValue(Registry::Root::CurrentUser, key, QStringLiteral("Version"), QStringLiteral("2.5"));
    Registry::SetRegValue(Registry::Root::CurrentUser, key, QStringLiteral("Startup"), 1);
    ScriptedPrompts prompts;

    Root root(RootOptions{corpus.folder});
    root.start();
    DocumentLibrary *library = root.library();
    SearchController *search = root.search();
    auto *list = root.findChild<QListWidget *>(QStringLiteral("Dateien"));

    // Warm the page cache alike for us and for grep.
    timeProcess(QStringLiteral("cat '%1'/* > /dev/null").arg(corpus.folder));

    std::vector<double> refresh;
    for (int i = 0; i < repeat; ++i) {
        QElapsedTimer t;
        t.start();
        library->refresh();
        refresh.push_back(seconds(t));
    }
    print("refresh", median(refresh), "s");
    std::vector<double> ls;
    for (int i = 0; i < repeat; ++i) {
        ls.push_back(timeProcess(QStringLiteral("cd '%1' && ls -1 | sort -f > /dev/null").arg(corpus.folder)));
    }
    print("ls_sort", median(ls), "s");
    print("refresh_vs_ls", median(refresh) / median(ls), "x");

    const auto runSearch = [&](const QString &term) {
        list->setCurrentRow(0);
        search->openDialog();
        search->dialog()->setTerm(term);
        QElapsedTimer t;
        t.start();
        search->runSearch();
        return seconds(t);
    };
    std::vector<double> nothing;
    std::vector<double> last;
    double stall = 0;
    for (int i = 0; i < repeat; ++i) {
        stall = std::max(stall, longestStall([&] { nothing.push_back(runSearch(corpus.missingTerm)); }));
        last.push_back(runSearch(corpus.lastTerm));
    }
    print("search_nothing", median(nothing), "s");
    print("search_last_document", median(last), "s");
    print("search_stall_max", stall, "ms");

    std::vector<double> grep;
    for (int i = 0; i < repeat; ++i) {
        grep.push_back(
            timeProcess(QStringLiteral("grep -ril '%1' '%2' > /dev/null").arg(corpus.missingTerm, corpus.folder)));
    }
    print("grep_ril", median(grep), "s");
    print("search_vs_grep", median(nothing) / median(grep), "x");

    // Cancel: pressed 50 ms into a run; the figure is the time from the press
    // to the end of the run.
    std::vector<double> cancel;
    for (int i = 0; i < repeat; ++i) {
        QElapsedTimer clock;
        qint64 pressedAt = -1;
        QTimer press;
        press.setInterval(1);
        QObject::connect(&press, &QTimer::timeout, [&] {
            if (clock.elapsed() < 50) {
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
        search->dialog()->setTerm(corpus.missingTerm);
        clock.start();
        press.start();
        search->runSearch();
        press.stop();
        if (pressedAt >= 0) {
            cancel.push_back(double(clock.nsecsElapsed() - pressedAt) / 1e6);
        }
    }
    if (cancel.empty()) {
        print("cancel_latency", 0, "ms (run ended before the press)");
    } else {
        print("cancel_latency", median(cancel), "ms");
    }

    library->setFolder(corpus.bigFolder);
    std::vector<double> big;
    for (int i = 0; i < repeat; ++i) {
        QElapsedTimer t;
        t.start();
        library->refresh(); // selects and loads the one document
        big.push_back(seconds(t));
    }
    print("load_10mb_document", median(big), "s");

    // All hits: every document of the list holds the term once.
    library->setFolder(corpus.hitsFolder);
    library->refresh();
    timeProcess(QStringLiteral("cat '%1'/* > /dev/null").arg(corpus.hitsFolder));
    root.findChild<QAction *>(QStringLiteral("mnuAlleTreffer"))->trigger();
    auto *allHits = root.findChild<AlleTreffer *>();
    std::vector<double> allRows;
    Stalls allStall;
    int rows = 0;
    for (int i = 0; i < repeat; ++i) {
        QEventLoop loop;
        const auto done = QObject::connect(allHits, &AlleTreffer::runEnded, &loop, &QEventLoop::quit);
        allHits->termBox()->setEditText(corpus.everyTerm);
        QElapsedTimer t;
        const Stalls stalls = longestStalls([&] {
            t.start();
            allHits->start();
            loop.exec();
            allRows.push_back(seconds(t));
        });
        allStall.wallMs = std::max(allStall.wallMs, stalls.wallMs);
        allStall.cpuMs = std::max(allStall.cpuMs, stalls.cpuMs);
        QObject::disconnect(done);
        rows = allHits->tree()->topLevelItemCount();
    }
    print("all_hits_rows", rows, "documents");
    print("all_hits", median(allRows), "s");
    print("all_hits_stall_max", allStall.wallMs, "ms");
    print("all_hits_stall_cpu_max", allStall.cpuMs, "ms");
    std::vector<double> rg;
    for (int i = 0; i < repeat; ++i) {
        rg.push_back(
            timeProcess(QStringLiteral("rg -in '%1' '%2' > /dev/null").arg(corpus.everyTerm, corpus.hitsFolder)));
    }
    print("rg_in", median(rg), "s");
    print("all_hits_vs_rg", median(allRows) / median(rg), "x");
    allHits->close();

    // Colouring a 10 MB module: the window keeps reacting while it goes on.
    {
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
        std::vector<double> colour;
        Stalls colourStall;
        for (int i = 0; i < std::min(repeat, 2); ++i) {
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
            colourStall.wallMs = std::max(colourStall.wallMs, stalls.wallMs);
            colourStall.cpuMs = std::max(colourStall.cpuMs, stalls.cpuMs);
            colour.push_back(seconds(t));
        }
        print("highlight_10mb_total", median(colour), "s");
        print("highlight_10mb_stall_max", colourStall.wallMs, "ms");
        print("highlight_10mb_stall_cpu_max", colourStall.cpuMs, "ms");
    }

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    print("peak_rss", double(usage.ru_maxrss) / 1024.0, "MiB");
    return 0;
}
