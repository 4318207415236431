#pragma once

#include "BytePattern.h"

#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
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

// A document of the list with its hits.
struct Document
{
    int index = -1; // list index
    QString name;   // display name
    int hits = 0;
    QList<Line> lines;
};

// What one run is to search.
struct Entry
{
    int index = -1;
    QString path;
    QString name;
    // The shown document with unsaved changes is searched in its editor text.
    bool fromEditor = false;
    QString text;
};

// The lines of an editor text that hold the term, each occurrence once.
QList<Line> linesWithTerm(const QString &text, const QString &term, Qt::CaseSensitivity cs);

// The same lines for a file's bytes, read as the editor reads them. Only
// lines that hold one of anchors (DocumentScanner::anchors()) are decoded;
// without anchors the whole text is.
QList<Line> linesInBytes(const QByteArray &bytes, const QString &term, Qt::CaseSensitivity cs,
                         const QList<BytePattern> &anchors);

// A long line cut around an occurrence: at most width characters, with "…"
// where text was left out. markStart is the occurrence's place in the cut.
struct Excerpt
{
    QString text;
    int markStart = 0;
};
Excerpt excerpt(const QString &line, int column, int termLength, int width = 160);

// One run over the entries on worker threads. Results are collected by the
// workers and handed out by take() in the window's thread; cancel() returns
// at once, and a run that was cancelled hands out nothing more. finished is
// called on the last worker's thread when all entries are examined, unless
// the run was cancelled before.
class Run final
{
public:
    Run(QList<Entry> entries, QString term, Qt::CaseSensitivity cs, int threads, std::function<void()> finished = {});
    ~Run();
    Q_DISABLE_COPY_MOVE(Run)

    // The documents found since the last call, at most max of them.
    QList<Document> take(int max = 1 << 30);
    int examined() const;
    int total() const;
    // All entries examined and everything taken.
    bool isFinished() const;
    void cancel();
    bool isCancelled() const;

    // The state the workers share with the run.
    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
    std::vector<std::thread> m_workers;
};

} // namespace AllHits
