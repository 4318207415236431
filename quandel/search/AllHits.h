#pragma once

#include "BytePattern.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

// Every occurrence of a term in every document of the list, found with the
// document search's own scanner and decoding, so that each hit listed is one
// the editor finds at the same place.
namespace AllHits {

// One line of a document that holds the term.
struct Line
{
    int number = 0;     // 1-based
    int start = 0;      // position of the line in the editor text
    QString text;       // the line, without its line end
    QList<int> columns; // where the term starts in the line
    friend bool operator==(const Line &, const Line &) = default;
};

// At most this many hits a run: the one after them stops it. A hundred
// thousand rows are more than anyone reads, and keep a run's results within
// a few tens of MB whatever the library holds.
constexpr int MaxHits = 100000;

// One occurrence, a row of the results: its text lies in its document's
// pool, so that a row is a few numbers.
struct Hit
{
    qint32 line = 0;      // 1-based
    qint32 column = 0;    // where the term starts in the line
    qint32 textStart = 0; // the row's text (the line, or a cut of it) in the pool
    quint16 textLength = 0;
    quint16 markStart = 0; // where the term starts in the row's text
};

// A document of the list with its hits.
struct Document
{
    int index = -1; // list index
    QString pool;   // the texts of the rows, one after another
    std::vector<Hit> hits;

    QStringView rowText(const Hit &hit) const { return QStringView(pool).mid(hit.textStart, hit.textLength); }
};

// What one run is to search: the entries of the list, in its order.
struct Source
{
    QString folder;
    QStringList files;    // file names in the folder, one per entry
    QStringList projects; // project folders (full paths), one per entry, in the project view
    bool projectView = false;
    int count = 0;
    // The shown document with unsaved changes is searched in its editor text.
    int editorIndex = -1;
    QString editorText;
};

// The lines of an editor text that hold the term, each occurrence once.
// At most maxHits occurrences are taken.
QList<Line> linesWithTerm(const QString &text, const QString &term, Qt::CaseSensitivity cs,
                          qsizetype maxHits = std::numeric_limits<qsizetype>::max());

// The same lines for a file's bytes, read as the editor reads them. Only
// lines that hold one of anchors (DocumentScanner::anchors()) are decoded;
// without anchors the whole text is.
QList<Line> linesInBytes(const QByteArray &bytes, const QString &term, Qt::CaseSensitivity cs,
                         const QList<BytePattern> &anchors, qsizetype maxHits = std::numeric_limits<qsizetype>::max());

// A long line cut around an occurrence: at most width characters, with "…"
// where text was left out. markStart is the occurrence's place in the cut.
struct Excerpt
{
    QString text;
    int markStart = 0;
};
constexpr int ExcerptWidth = 160;
Excerpt excerpt(QStringView line, int column, int termLength, int width = ExcerptWidth);

// The rows of a document for its lines: a line up to the excerpt width is
// kept once for all its hits, a longer one is cut around each.
Document compact(int index, const QList<Line> &lines, int termLength);

// One run over the entries on worker threads. Results are collected by the
// workers and handed out by take() in the window's thread; cancel() returns
// at once, and a run that was cancelled hands out nothing more. The hit
// after maxHits ends the run early, with hitLimitReached(). finished is
// called on the last worker's thread when the run is over, unless it was
// cancelled before.
class Run final
{
public:
    Run(Source source, QString term, Qt::CaseSensitivity cs, int threads, std::function<void()> finished = {},
        int maxHits = MaxHits);
    ~Run();
    Q_DISABLE_COPY_MOVE(Run)

    // The documents found since the last call, at most max of them.
    QList<Document> take(int max = 1 << 30);
    int examined() const;
    int total() const;
    // All entries examined (or the limit reached) and everything taken.
    bool isFinished() const;
    // More hits than the run keeps were found; it stopped there.
    bool hitLimitReached() const;
    void cancel();

    // The state the workers share with the run.
    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
    std::vector<std::thread> m_workers;
};

} // namespace AllHits
