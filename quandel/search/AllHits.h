#pragma once

#include "BytePattern.h"
#include "TextFile.h"
#include "TextMatcher.h"

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
    // How much of the row's text the match covers (a match over several
    // lines: up to the row's end).
    quint16 markLength = 0;
};

// In replace mode, a hit's row as it reads after the replace: the line with
// the match's replacement put in (a match over several lines: up to the end
// of the line it ends on; a line end inside shown as an arrow). A few
// numbers, the text in the document's pool.
struct After
{
    qint32 textStart = 0; // in the pool
    quint16 textLength = 0;
    quint16 markStart = 0;  // where the replacement starts in the text
    quint16 markLength = 0; // its length there
};

// A document of the list with its hits.
struct Document
{
    int index = -1; // list index
    QString pool;   // the texts of the rows, one after another
    std::vector<Hit> hits;
    // In replace mode, one a hit, in the same order; empty otherwise.
    std::vector<After> after;
    // In replace mode: the file as the run read it (the replace leaves a file
    // alone that differs at write time), and its encoding. Not set for the
    // shown document searched in its editor text (fromEditor).
    TextFile::FileKey key;
    quint64 contentHash = 0; // contentHash() of the bytes read
    TextFormat::Encoding encoding = TextFormat::Encoding::Windows1252;
    // A Windows-1252 file that cannot hold the replacement of a hit: the
    // replace makes it UTF-8 only if the user agrees. For the shown document
    // (fromEditor): a replacement does not fit Windows-1252.
    bool needsUtf8 = false;
    bool fromEditor = false;

    QStringView rowText(const Hit &hit) const { return QStringView(pool).mid(hit.textStart, hit.textLength); }
    QStringView afterText(size_t hit) const
    {
        return hit < after.size() ? QStringView(pool).mid(after[hit].textStart, after[hit].textLength) : QStringView();
    }
};

// A fast 64-bit hash of a file's bytes, the same in every run of the
// program: what the preview read is told apart from what is on disk later.
quint64 contentHash(QByteArrayView bytes);

// The encoding the editor reads bytes in (TextFile::decode()).
TextFormat::Encoding encodingOf(QByteArrayView bytes);

// What a run looks for, and in replace mode what takes the place of each
// match.
struct Query
{
    MatchOptions options;
    bool replaceMode = false;
    QString replacement;
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

// The rows of an editor text's matches, exactly those TextMatcher::findAll
// gives on the whole text (at most maxHits), with their lengths and, in
// replace mode, their after texts. The matcher must be made from
// query.options.
Document matchesInText(int index, const QString &text, const TextMatcher &matcher, const Query &query,
                       qsizetype maxHits = std::numeric_limits<qsizetype>::max());

// The same for a file's bytes, read as the editor reads them. A term as
// typed (whole words or not) decodes only the lines that hold one of
// anchors; a regular expression decodes the whole text. In replace mode the
// document also gets the bytes' key fields (contentHash, encoding; the
// caller sets the key).
Document matchesInBytes(int index, const QByteArray &bytes, const TextMatcher &matcher, const Query &query,
                        const QList<BytePattern> &anchors, qsizetype maxHits = std::numeric_limits<qsizetype>::max());

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
    // A run with options (whole words, a regular expression) and, in
    // replace mode, the replacement. A term as typed without whole words
    // and not in replace mode runs as the constructor above. The query's
    // options must be valid (TextMatcher::isValid()).
    Run(Source source, Query query, int threads, std::function<void()> finished = {}, int maxHits = MaxHits);
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
