#include "AllHits.h"

#include "BackgroundWork.h"
#include "DocumentKinds.h"
#include "DocumentScanner.h"
#include "TextFile.h"

#include <QFile>
#include <QStringDecoder>

#include <emmintrin.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

namespace AllHits {

QList<Line> linesWithTerm(const QString &text, const QString &term, Qt::CaseSensitivity cs, qsizetype maxHits)
{
    QList<Line> lines;
    if (term.isEmpty()) {
        return lines;
    }
    int number = 1;
    qsizetype counted = 0;   // line numbers are counted up to here
    qsizetype lineStart = 0; // start of the line holding `counted`
    qsizetype taken = 0;
    for (qsizetype at = text.indexOf(term, 0, cs); at >= 0 && taken < maxHits;
         at = text.indexOf(term, at + term.size(), cs)) {
        for (qsizetype nl = text.indexOf(u'\n', counted); nl >= 0 && nl < at; nl = text.indexOf(u'\n', nl + 1)) {
            ++number;
            lineStart = nl + 1;
        }
        counted = at;
        if (lines.isEmpty() || lines.constLast().number != number) {
            qsizetype end = text.indexOf(u'\n', lineStart);
            if (end < 0) {
                end = text.size();
            }
            lines.append({number, int(lineStart), text.mid(lineStart, end - lineStart), {}});
        }
        lines.last().columns.append(int(at - lineStart));
        ++taken;
    }
    return lines;
}

namespace {

// The sum of the byte lanes of counts.
qsizetype laneSum(__m128i counts)
{
    const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
    return qsizetype(_mm_cvtsi128_si64(sums) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
}

// Line ends and UTF-16 units that bytes become in the editor text: a UTF-8
// character of four bytes is two units, every other character one; where
// CR LF is folded, the CR of each CR LF is none. Sixteen bytes at a time,
// counted per byte lane and summed before a lane can overflow.
struct Tally
{
    qsizetype lines = 0;
    qsizetype units = 0;

    void add(const char *data, qsizetype size, bool utf8, bool foldCrLf)
    {
        const __m128i lfByte = _mm_set1_epi8('\n');
        const __m128i crByte = _mm_set1_epi8('\r');
        const __m128i firstFourByteLead = _mm_set1_epi8(char(0xF0));
        const __m128i afterContinuation = _mm_set1_epi8(char(0xC0));
        units += size;
        qsizetype i = 0;
        __m128i crBefore = _mm_setzero_si128(); // a CR ended the last sixteen bytes
        while (i + 16 <= size) {
            __m128i lfCount = _mm_setzero_si128();
            __m128i fewer = _mm_setzero_si128(); // at most one a lane and round
            __m128i more = _mm_setzero_si128();
            for (qsizetype round = std::min<qsizetype>(255, (size - i) / 16); round > 0; --round, i += 16) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i));
                const __m128i lf = _mm_cmpeq_epi8(v, lfByte);
                lfCount = _mm_sub_epi8(lfCount, lf);
                if (utf8) {
                    // 0x80 to 0xBF: below 0xC0 as signed bytes.
                    fewer = _mm_sub_epi8(fewer, _mm_cmplt_epi8(v, afterContinuation));
                    more = _mm_sub_epi8(more, _mm_cmpeq_epi8(_mm_max_epu8(v, firstFourByteLead), v));
                }
                if (foldCrLf) {
                    const __m128i cr = _mm_cmpeq_epi8(v, crByte);
                    fewer = _mm_sub_epi8(fewer, _mm_and_si128(_mm_or_si128(_mm_slli_si128(cr, 1), crBefore), lf));
                    crBefore = _mm_srli_si128(cr, 15);
                }
            }
            lines += laneSum(lfCount);
            units += laneSum(more) - laneSum(fewer);
        }
        for (; i < size; ++i) {
            const auto b = static_cast<unsigned char>(data[i]);
            if (b == '\n') {
                ++lines;
                // i is past the first sixteen bytes here, or the range
                // starts a line.
                if (foldCrLf && i > 0 && data[i - 1] == '\r') {
                    --units;
                }
            }
            if (utf8) {
                units += (b >= 0xF0 ? 1 : 0) - ((b & 0xC0) == 0x80 ? 1 : 0);
            }
        }
    }
};

} // namespace

QList<Line> linesInBytes(const QByteArray &bytes, const QString &term, Qt::CaseSensitivity cs,
                         const QList<BytePattern> &anchors, qsizetype maxHits)
{
    if (anchors.isEmpty()) {
        return linesWithTerm(DocumentScanner::editorText(bytes), term, cs, maxHits);
    }
    const char *data = bytes.constData();
    const qsizetype size = bytes.size();
    const auto lineEnd = [data, size](qsizetype from) {
        const void *lf = std::memchr(data + from, '\n', size_t(size - from));
        return lf ? static_cast<const char *>(lf) - data : size;
    };
    // The next occurrence of each anchor; only lines an anchor occurs in can
    // hold the term. They are taken in the order of the file, so that a run
    // stops at its limit without having listed the lines after it.
    std::vector<qsizetype> next(size_t(anchors.size()));
    const auto findFrom = [&](size_t k, qsizetype from) {
        const qsizetype found = from < size ? anchors.at(qsizetype(k)).findIn(data + from, size - from) : -1;
        next[k] = found < 0 ? size : from + found;
    };
    for (size_t k = 0; k < next.size(); ++k) {
        findFrom(k, 0);
    }
    if (*std::min_element(next.begin(), next.end()) >= size) {
        return {};
    }

    // Encoding and line ends as TextFile::decode() settles them for the
    // whole file.
    const QByteArrayView all(bytes);
    qsizetype skip = 0;
    bool utf8 = true;
    if (all.startsWith("\xEF\xBB\xBF") && TextFile::isUtf8(all.sliced(3))) {
        skip = 3;
    } else {
        utf8 = TextFile::isUtf8(all);
    }
    const qsizetype firstLf = lineEnd(0);
    const bool foldCrLf = firstLf < size && firstLf > skip && data[firstLf - 1] == '\r';

    QList<Line> lines;
    Tally before;
    qsizetype counted = skip;
    qsizetype taken = 0;
    for (qsizetype at = *std::min_element(next.begin(), next.end()); at < size && taken < maxHits;
         at = *std::min_element(next.begin(), next.end())) {
        const void *lf = ::memrchr(data + counted, '\n', size_t(std::max<qsizetype>(0, at - counted)));
        const qsizetype start = std::max(lf ? static_cast<const char *>(lf) - data + 1 : counted, skip);
        before.add(data + counted, start - counted, utf8, foldCrLf);
        counted = start;
        const qsizetype end = lineEnd(std::max(start, at));
        for (size_t k = 0; k < next.size(); ++k) {
            if (next[k] <= end) {
                findFrom(k, end + 1);
            }
        }
        qsizetype textEnd = end;
        if (foldCrLf && end < size && textEnd > start && data[textEnd - 1] == '\r') {
            --textEnd;
        }
        const QByteArrayView lineBytes(data + start, textEnd - start);
        QString text;
        if (utf8) {
            QStringDecoder decoder(QStringDecoder::Utf8,
                                   QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
            text = decoder(lineBytes);
        } else {
            text = TextFile::decodeWindows1252(lineBytes);
        }
        Line line{int(before.lines) + 1, int(before.units), {}, {}};
        for (qsizetype col = text.indexOf(term, 0, cs); col >= 0 && taken < maxHits;
             col = text.indexOf(term, col + term.size(), cs)) {
            line.columns.append(int(col));
            ++taken;
        }
        if (!line.columns.isEmpty()) {
            line.text = std::move(text);
            lines.append(std::move(line));
        }
    }
    return lines;
}

Excerpt excerpt(QStringView line, int column, int termLength, int width)
{
    if (line.size() <= width) {
        return {line.toString(), column};
    }
    const QChar ellipsis(0x2026);
    // The term with as much before it as after it.
    const int around = std::max(0, (width - termLength) / 2);
    int from = std::max(0, column - around);
    const int to = int(std::min<qsizetype>(line.size(), from + width));
    from = std::max(0, std::min(from, to - width));
    Excerpt result;
    if (from > 0) {
        result.text += ellipsis;
    }
    result.markStart = int(result.text.size()) + column - from;
    result.text += line.mid(from, to - from);
    if (to < line.size()) {
        result.text += ellipsis;
    }
    return result;
}

quint64 contentHash(QByteArrayView bytes)
{
    // The 64-bit hash of four lanes of multiply and rotate (as XXH64 does
    // it), eight bytes at a time: several GB/s, and no seed of the process.
    constexpr quint64 P1 = 11400714785074694791ull;
    constexpr quint64 P2 = 14029467366897019727ull;
    constexpr quint64 P3 = 1609587929392839161ull;
    constexpr quint64 P4 = 9650029242287828579ull;
    constexpr quint64 P5 = 2870177450012600261ull;
    const auto rotl = [](quint64 x, int r) { return (x << r) | (x >> (64 - r)); };
    const auto round = [&rotl](quint64 acc, quint64 input) { return rotl(acc + input * P2, 31) * P1; };
    const auto merge = [&round](quint64 acc, quint64 lane) { return (acc ^ round(0, lane)) * P1 + P4; };
    const auto read64 = [](const uchar *at) {
        quint64 v = 0;
        std::memcpy(&v, at, sizeof v);
        return v;
    };
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *const end = p + bytes.size();
    quint64 h = 0;
    if (bytes.size() >= 32) {
        quint64 v1 = P1 + P2;
        quint64 v2 = P2;
        quint64 v3 = 0;
        quint64 v4 = 0 - P1;
        for (; end - p >= 32; p += 32) {
            v1 = round(v1, read64(p));
            v2 = round(v2, read64(p + 8));
            v3 = round(v3, read64(p + 16));
            v4 = round(v4, read64(p + 24));
        }
        h = rotl(v1, 1) + rotl(v2, 7) + rotl(v3, 12) + rotl(v4, 18);
        h = merge(merge(merge(merge(h, v1), v2), v3), v4);
    } else {
        h = P5;
    }
    h += quint64(bytes.size());
    for (; end - p >= 8; p += 8) {
        h = rotl(h ^ round(0, read64(p)), 27) * P1 + P4;
    }
    if (end - p >= 4) {
        quint32 v = 0;
        std::memcpy(&v, p, sizeof v);
        h = rotl(h ^ (quint64(v) * P1), 23) * P2 + P3;
        p += 4;
    }
    for (; p < end; ++p) {
        h = rotl(h ^ (quint64(*p) * P5), 11) * P1;
    }
    h ^= h >> 33;
    h *= P2;
    h ^= h >> 29;
    h *= P3;
    h ^= h >> 32;
    return h;
}

TextFormat::Encoding encodingOf(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF") && TextFile::isUtf8(bytes.sliced(3))) {
        return TextFormat::Encoding::Utf8;
    }
    // Plain ASCII stays in the library's code page.
    if (QtPrivate::isAscii(QLatin1StringView(bytes.data(), bytes.size()))) {
        return TextFormat::Encoding::Windows1252;
    }
    return TextFile::isUtf8(bytes) ? TextFormat::Encoding::Utf8 : TextFormat::Encoding::Windows1252;
}

Document compact(int index, const QList<Line> &lines, int termLength)
{
    Document doc;
    doc.index = index;
    qsizetype count = 0;
    for (const Line &line : lines) {
        count += line.columns.size();
    }
    doc.hits.reserve(size_t(count));
    for (const Line &line : lines) {
        const bool whole = line.text.size() <= ExcerptWidth;
        const auto textStart = qint32(doc.pool.size());
        if (whole) {
            doc.pool += line.text;
        }
        for (const int column : line.columns) {
            Hit hit{line.number, column, textStart, quint16(line.text.size()), quint16(column), quint16(termLength)};
            if (!whole) {
                const Excerpt cut = excerpt(line.text, column, termLength);
                hit.textStart = qint32(doc.pool.size());
                hit.textLength = quint16(cut.text.size());
                hit.markStart = quint16(cut.markStart);
                hit.markLength = quint16(std::min<qsizetype>(termLength, cut.text.size() - cut.markStart));
                doc.pool += cut.text;
            }
            doc.hits.push_back(hit);
        }
    }
    doc.pool.squeeze();
    return doc;
}

namespace {

// Puts a document's matches into rows: a line up to the excerpt width is
// kept once for all its hits, a longer one is cut around each; in replace
// mode each hit also gets its line as it reads after the replace.
class RowMaker final
{
public:
    RowMaker(Document &doc, const TextMatcher &matcher, const Query &query)
        : m_doc(doc), m_matcher(matcher), m_query(query)
    {
    }

    // A match at column of line (its text without the line end); rest is
    // the text after the match up to the end of the line it ends on.
    void add(int number, QStringView line, const TextMatcher::Match &match, qsizetype column, QStringView rest)
    {
        const qsizetype length = std::min<qsizetype>(match.length, line.size() - column);
        Hit hit;
        hit.line = number;
        hit.column = qint32(column);
        if (line.size() <= ExcerptWidth) {
            if (number != m_lastLine) {
                m_lastLine = number;
                m_lastStart = qint32(m_doc.pool.size());
                m_doc.pool += line;
            }
            hit.textStart = m_lastStart;
            hit.textLength = quint16(line.size());
            hit.markStart = quint16(column);
        } else {
            const Excerpt cut = excerpt(line, int(column), int(length));
            hit.textStart = qint32(m_doc.pool.size());
            hit.textLength = quint16(cut.text.size());
            hit.markStart = quint16(cut.markStart);
            m_doc.pool += cut.text;
        }
        hit.markLength = quint16(std::clamp<qsizetype>(length, 0, hit.textLength - hit.markStart));
        m_doc.hits.push_back(hit);
        if (!m_query.replaceMode) {
            return;
        }
        QString replacement = m_matcher.replacementFor(match, m_query.replacement);
        m_fitsWindows1252 = m_fitsWindows1252 && TextFile::fitsWindows1252(replacement);
        replacement.replace(u'\n', QChar(0x21B5));
        const QString afterLine = line.left(column) + replacement + rest;
        Excerpt cut{afterLine, int(column)};
        if (afterLine.size() > ExcerptWidth) {
            cut = excerpt(afterLine, int(column), int(replacement.size()));
        }
        After after;
        after.textStart = qint32(m_doc.pool.size());
        after.textLength = quint16(cut.text.size());
        after.markStart = quint16(cut.markStart);
        after.markLength = quint16(std::clamp<qsizetype>(replacement.size(), 0, after.textLength - after.markStart));
        m_doc.pool += cut.text;
        m_doc.after.push_back(after);
    }

    // Every replacement so far exists in Windows-1252.
    bool fitsWindows1252() const { return m_fitsWindows1252; }

private:
    Document &m_doc;
    bool m_fitsWindows1252 = true;
    const TextMatcher &m_matcher;
    const Query &m_query;
    int m_lastLine = 0;
    qint32 m_lastStart = 0;
};

} // namespace

Document matchesInText(int index, const QString &text, const TextMatcher &matcher, const Query &query,
                       qsizetype maxHits)
{
    Document doc;
    doc.index = index;
    const QList<TextMatcher::Match> matches = matcher.findAll(text, maxHits);
    doc.hits.reserve(size_t(matches.size()));
    RowMaker rows(doc, matcher, query);
    int number = 1;
    qsizetype lineStart = 0;
    qsizetype counted = 0; // line numbers are counted up to here
    const auto lineEndFrom = [&text](qsizetype from) {
        const qsizetype end = text.indexOf(u'\n', from);
        return end < 0 ? text.size() : end;
    };
    for (const TextMatcher::Match &match : matches) {
        for (qsizetype nl = text.indexOf(u'\n', counted); nl >= 0 && nl < match.start;
             nl = text.indexOf(u'\n', nl + 1)) {
            ++number;
            lineStart = nl + 1;
        }
        counted = match.start;
        const QStringView line = QStringView(text).mid(lineStart, lineEndFrom(match.start) - lineStart);
        const qsizetype end = match.start + match.length;
        const QStringView rest = QStringView(text).mid(end, lineEndFrom(end) - end);
        rows.add(number, line, match, match.start - lineStart, rest);
    }
    doc.pool.squeeze();
    // Told for a code-page file by matchesInBytes().
    doc.needsUtf8 = !rows.fitsWindows1252();
    return doc;
}

Document matchesInBytes(int index, const QByteArray &bytes, const TextMatcher &matcher, const Query &query,
                        const QList<BytePattern> &anchors, qsizetype maxHits)
{
    const MatchOptions &options = query.options;
    Document doc;
    bool whole = options.regularExpression || anchors.isEmpty();
    QList<Line> lines;
    if (!whole) {
        // Every whole-word match is one of the term as typed, and neither
        // crosses a line end: the lines that hold the term are enough.
        lines = linesInBytes(bytes, options.term, options.cs, anchors, maxHits);
        qsizetype found = 0;
        for (const Line &line : std::as_const(lines)) {
            found += line.columns.size();
        }
        // Cut at the limit: whole words might lie beyond it.
        whole = options.wholeWords && found >= maxHits;
    }
    if (whole) {
        doc = matchesInText(index, DocumentScanner::editorText(bytes), matcher, query, maxHits);
    } else {
        doc.index = index;
        RowMaker rows(doc, matcher, query);
        qsizetype taken = 0;
        for (const Line &line : std::as_const(lines)) {
            const QList<TextMatcher::Match> matches = matcher.findAll(line.text, maxHits - taken);
            for (const TextMatcher::Match &match : matches) {
                rows.add(line.number, line.text, match, match.start,
                         QStringView(line.text).sliced(match.start + match.length));
            }
            taken += matches.size();
            if (taken >= maxHits) {
                break;
            }
        }
        doc.pool.squeeze();
        doc.needsUtf8 = !rows.fitsWindows1252();
    }
    if (query.replaceMode && !doc.hits.empty()) {
        doc.contentHash = contentHash(bytes);
        doc.encoding = encodingOf(bytes);
    }
    doc.needsUtf8 = doc.needsUtf8 && doc.encoding == TextFormat::Encoding::Windows1252 && query.replaceMode;
    return doc;
}

struct Run::Shared
{
    Shared(Source src, Query q, std::function<void()> f, int limit)
        : source(std::move(src)), query(std::move(q)), term(query.options.term), cs(query.options.cs),
          plain(!query.replaceMode && !query.options.wholeWords && !query.options.regularExpression),
          matcher(query.options), finished(std::move(f)), hitsLeft(limit), scanner(term, cs, cancelled, scannerProgress)
    {
    }
    const Source source;
    const Query query;
    const QString term;
    const Qt::CaseSensitivity cs;
    // A term as typed, not replaced: lines and columns as the search has
    // always listed them.
    const bool plain;
    const TextMatcher matcher;
    const std::function<void()> finished;
    std::atomic_bool cancelled{false};
    // The limit was reached: the workers stop, what they found stays.
    std::atomic_bool full{false};
    std::atomic_int hitsLeft;
    std::atomic_int examined{0};
    std::atomic_int scannerProgress{0};
    std::atomic_int next{0};
    std::atomic_int working{0};
    const DocumentScanner scanner;
    const QList<BytePattern> anchors = scanner.anchors();
    // Looking for the anchors then rules out the same files as the quick
    // test would: one pass over the bytes instead of two.
    const bool anchorsDecide = scanner.anchorsAreTheWholeTest();
    std::mutex mutex;
    QList<Document> found;

    bool stopped() const { return cancelled.load(std::memory_order_relaxed) || full.load(std::memory_order_relaxed); }
    QString pathOf(int i) const
    {
        if (source.projectView) {
            return i < source.projects.size() ? DocumentKinds::projectFilePath(source.projects.at(i)) : QString();
        }
        return i < source.files.size() ? source.folder + u'/' + source.files.at(i) : QString();
    }
};

namespace {

constexpr int ChunkSize = 8;
constexpr qsizetype LargeBufferBytes = 1024 * 1024;

// The bytes of a regular file the editor would show; false otherwise.
// key, when given, gets the file's key as TextFile::openRegular() makes it.
bool readDocument(const QString &path, QByteArray &bytes, TextFile::FileKey *key = nullptr)
{
    const QByteArray encoded = QFile::encodeName(path);
    const int fd = ::open(encoded.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > DocumentScanner::maxBytes()) {
        ::close(fd);
        return false;
    }
    if (key) {
        *key = TextFile::FileKey::of(info);
    }
    bytes.resize(qsizetype(info.st_size));
    qsizetype filled = 0;
    while (filled < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + filled, size_t(bytes.size() - filled));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        filled += n;
    }
    ::close(fd);
    bytes.truncate(filled);
    return true;
}

// Keeps a document's hits up to the run's limit.
void keep(Run::Shared &s, Document doc)
{
    const auto hits = int(doc.hits.size());
    const int left = s.hitsLeft.fetch_sub(hits, std::memory_order_acq_rel);
    if (hits > left) {
        // Past the limit: the hits up to it are kept.
        doc.hits.resize(size_t(std::max(0, left)));
        if (!doc.after.empty()) {
            doc.after.resize(doc.hits.size());
        }
        s.full.store(true);
    }
    if (!doc.hits.empty()) {
        const std::lock_guard lock(s.mutex);
        s.found.append(std::move(doc));
    }
}

// Entry i of a run with options or in replace mode.
void examineWithOptions(Run::Shared &s, int i, QByteArray &bytes, qsizetype wanted)
{
    Document doc;
    if (i == s.source.editorIndex) {
        doc = matchesInText(i, s.source.editorText, s.matcher, s.query, wanted);
        doc.fromEditor = true;
    } else {
        TextFile::FileKey key;
        // An expression has no byte test: its text is looked at whole.
        if (readDocument(s.pathOf(i), bytes, &key) &&
            (s.query.options.regularExpression || s.anchorsDecide || s.scanner.mayContain(bytes))) {
            doc = matchesInBytes(i, bytes, s.matcher, s.query,
                                 s.query.options.regularExpression ? QList<BytePattern>() : s.anchors, wanted);
            if (s.query.replaceMode) {
                doc.key = key;
            }
        }
        if (bytes.capacity() > LargeBufferBytes) {
            bytes = QByteArray();
        }
    }
    if (!doc.hits.empty()) {
        keep(s, std::move(doc));
    }
    s.examined.fetch_add(1, std::memory_order_release);
}

void work(const std::shared_ptr<Run::Shared> &shared)
{
    Run::Shared &s = *shared;
    BackgroundWork::lowerPriorityOfThisThread();
    QByteArray bytes;
    const int count = s.source.count;
    while (!s.stopped()) {
        const int first = s.next.fetch_add(ChunkSize);
        if (first >= count) {
            break;
        }
        for (int i = first; i < std::min(count, first + ChunkSize); ++i) {
            if (s.stopped()) {
                break;
            }
            // One more than is left: finding it means the limit is passed.
            const qsizetype wanted = qsizetype(std::max(0, s.hitsLeft.load(std::memory_order_relaxed))) + 1;
            // The scanner's quick test on the raw bytes rules out most files;
            // of those it keeps, only lines that may hold the term are decoded.
            if (!s.plain) {
                examineWithOptions(s, i, bytes, wanted);
                continue;
            }
            QList<Line> lines;
            if (i == s.source.editorIndex) {
                lines = linesWithTerm(s.source.editorText, s.term, s.cs, wanted);
            } else if (readDocument(s.pathOf(i), bytes) && (s.anchorsDecide || s.scanner.mayContain(bytes))) {
                lines = linesInBytes(bytes, s.term, s.cs, s.anchors, wanted);
            }
            // A large file's buffer does not stay with the worker.
            if (bytes.capacity() > LargeBufferBytes) {
                bytes = QByteArray();
            }
            if (!lines.isEmpty()) {
                Document doc = compact(i, lines, int(s.term.size()));
                lines.clear();
                const auto hits = int(doc.hits.size());
                const int left = s.hitsLeft.fetch_sub(hits, std::memory_order_acq_rel);
                if (hits > left) {
                    // Past the limit: the hits up to it are kept.
                    doc.hits.resize(size_t(std::max(0, left)));
                    s.full.store(true);
                }
                if (!doc.hits.empty()) {
                    const std::lock_guard lock(s.mutex);
                    s.found.append(std::move(doc));
                }
            }
            s.examined.fetch_add(1, std::memory_order_release);
        }
    }
    // Under the lock, so that a run cancelled (and its receiver gone) is
    // never told.
    const std::lock_guard lock(s.mutex);
    if (s.working.fetch_sub(1, std::memory_order_acq_rel) == 1 && !s.cancelled && s.finished) {
        s.finished();
    }
}

// Workers of cancelled runs: a cancel returns at once, without waiting for the
// document in hand; they are joined once they have ended, and at exit.
class Retired final
{
public:
    ~Retired()
    {
        for (auto &[shared, thread] : m_threads) {
            thread.join();
        }
    }
    void add(std::shared_ptr<Run::Shared> shared, std::thread thread)
    {
        const std::lock_guard lock(m_mutex);
        reap();
        m_threads.emplace_back(std::move(shared), std::move(thread));
    }

private:
    void reap()
    {
        for (auto it = m_threads.begin(); it != m_threads.end();) {
            if (it->first->working.load() == 0) {
                it->second.join();
                it = m_threads.erase(it);
            } else {
                ++it;
            }
        }
    }
    std::mutex m_mutex;
    std::vector<std::pair<std::shared_ptr<Run::Shared>, std::thread>> m_threads;
};

Retired &retired()
{
    static Retired instance;
    return instance;
}

} // namespace

Run::Run(Source source, QString term, Qt::CaseSensitivity cs, int threads, std::function<void()> finished, int maxHits)
    : Run(std::move(source), Query{MatchOptions{std::move(term), cs}, false, {}}, threads, std::move(finished), maxHits)
{
}

Run::Run(Source source, Query query, int threads, std::function<void()> finished, int maxHits)
    : m_shared(std::make_shared<Shared>(std::move(source), std::move(query), std::move(finished), maxHits))
{
    const int count = m_shared->source.count;
    const int workers = std::max(1, std::min(threads, (count + ChunkSize - 1) / ChunkSize));
    m_shared->working = workers;
    for (int i = 0; i < workers; ++i) {
        m_workers.emplace_back(work, m_shared);
    }
}

Run::~Run()
{
    cancel();
    if (m_shared->working.load() == 0) {
        for (std::thread &t : m_workers) {
            t.join();
        }
        return;
    }
    for (std::thread &t : m_workers) {
        retired().add(m_shared, std::move(t));
    }
}

QList<Document> Run::take(int max)
{
    const std::lock_guard lock(m_shared->mutex);
    if (m_shared->cancelled) {
        return {};
    }
    if (m_shared->found.size() <= max) {
        return std::exchange(m_shared->found, {});
    }
    // Moved, not copied: the rows stay where they were made.
    QList<Document> part;
    part.reserve(max);
    for (int i = 0; i < max; ++i) {
        part.append(std::move(m_shared->found[i]));
    }
    m_shared->found.remove(0, max);
    return part;
}

int Run::examined() const
{
    return m_shared->examined.load(std::memory_order_acquire);
}

int Run::total() const
{
    return m_shared->source.count;
}

bool Run::hitLimitReached() const
{
    return m_shared->full.load();
}

bool Run::isFinished() const
{
    const std::lock_guard lock(m_shared->mutex);
    return m_shared->working.load() == 0 && m_shared->found.isEmpty();
}

void Run::cancel()
{
    const std::lock_guard lock(m_shared->mutex);
    m_shared->cancelled = true;
}

} // namespace AllHits
