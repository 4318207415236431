#include "DocumentScanner.h"

#include "BackgroundWork.h"
#include "DocumentText.h"
#include "TextFile.h"

#include <QFile>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr qint64 MaxDocumentBytes = 16ll * 1024 * 1024;
constexpr int ChunkSize = 8;
constexpr qsizetype LargeFileBytes = 1024 * 1024;

// Reads up to size bytes; returns how many were read.
qsizetype readAll(int fd, char *data, qsizetype size)
{
    qsizetype filled = 0;
    while (filled < size) {
        const ssize_t n = ::read(fd, data + filled, size_t(size - filled));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        filled += n;
    }
    return filled;
}

bool isAscii(QChar c)
{
    return c.unicode() < 0x80;
}

// The longest run of ASCII characters in text.
QString longestAsciiRun(const QString &text)
{
    QString best;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || !isAscii(text.at(i))) {
            if (i - start > best.size()) {
                best = text.mid(start, i - start);
            }
            start = i + 1;
        }
    }
    return best;
}

QByteArray windows1252(const QString &text)
{
    TextFormat format;
    format.lineEnd = TextFormat::LineEnd::Lf;
    return TextFile::encode(text, format);
}

// Every character that equals c when case is ignored, c included (for the
// Kelvin sign, also K and k).
QList<QChar> caseVariants(QChar c)
{
    const char32_t folded = QChar::toCaseFolded(c.unicode());
    QList<QChar> variants;
    for (char32_t u = 0; u <= 0xFFFF; ++u) {
        if ((u < 0xD800 || u > 0xDFFF) && QChar::toCaseFolded(u) == folded) {
            variants.append(QChar(char16_t(u)));
        }
    }
    return variants;
}

// A non-ASCII character in a document's bytes, in either encoding.
void addEncodings(QList<BytePattern> &patterns, const QString &text)
{
    patterns.append(BytePattern(text.toUtf8(), false));
    if (TextFile::fitsWindows1252(text)) {
        patterns.append(BytePattern(windows1252(text), false));
    }
}

} // namespace

DocumentScanner::DocumentScanner(QString term, Qt::CaseSensitivity cs, const std::atomic_bool &cancel,
                                 std::atomic_int &progress)
    : m_term(std::move(term)), m_cs(cs), m_cancel(cancel), m_progress(progress)
{
    // Line ends differ between the bytes and the editor text, so such a term
    // has no byte test.
    if (m_term.isEmpty() || m_term.contains(u'\n') || m_term.contains(u'\r')) {
        return;
    }
    if (m_cs == Qt::CaseSensitive) {
        // A case-sensitive term is in the file's bytes in one of its
        // encodings; ASCII reads the same in both.
        Group group;
        addEncodings(group.patterns, m_term);
        m_groups.append(group);
        return;
    }

    // Case ignored: the longest ASCII run of the term, letters in either
    // case. Two characters outside ASCII fold to ASCII letters, the Kelvin
    // sign to k and the long s to s; a file holding them (only UTF-8 can)
    // stays possible.
    const QString run = longestAsciiRun(m_term);
    if (!run.isEmpty()) {
        Group group;
        group.patterns.append(BytePattern(run.toLatin1(), true));
        if (run.contains(u'k', Qt::CaseInsensitive)) {
            group.foldedAlternatives.append(BytePattern(QByteArrayLiteral("\xE2\x84\xAA"), false));
        }
        if (run.contains(u's', Qt::CaseInsensitive)) {
            group.foldedAlternatives.append(BytePattern(QByteArrayLiteral("\xC5\xBF"), false));
        }
        m_groups.append(group);
    }
    // Every other letter, in any case and either encoding. Characters
    // outside the basic plane are left to the editor text.
    QList<char16_t> seen;
    for (const QChar c : std::as_const(m_term)) {
        if (isAscii(c) || c.isSurrogate() || seen.contains(c.unicode())) {
            continue;
        }
        seen.append(c.unicode());
        Group group;
        for (const QChar variant : caseVariants(c)) {
            addEncodings(group.patterns, QString(variant));
        }
        m_groups.append(group);
    }
}

qint64 DocumentScanner::maxBytes()
{
    return MaxDocumentBytes;
}

QString DocumentScanner::editorText(const QByteArray &bytes)
{
    return DocumentText::fromFile(TextFile::decode(bytes).text).editorText;
}

bool DocumentScanner::mayContain(const QByteArray &bytes) const
{
    const char *data = bytes.constData();
    const qsizetype size = bytes.size();
    const auto found = [data, size](const BytePattern &p) { return p.isIn(data, size); };
    return std::all_of(m_groups.begin(), m_groups.end(), [&found](const Group &group) {
        return std::any_of(group.patterns.begin(), group.patterns.end(), found) ||
               std::any_of(group.foldedAlternatives.begin(), group.foldedAlternatives.end(), found);
    });
}

QList<BytePattern> DocumentScanner::anchors() const
{
    if (m_groups.isEmpty()) {
        return {};
    }
    // The first group is the term's longest ASCII run when it has one: the
    // fewest patterns.
    const Group &group = m_groups.constFirst();
    return group.patterns + group.foldedAlternatives;
}

int DocumentScanner::positionInBytes(const QByteArray &bytes) const
{
    if (m_term.isEmpty() || !mayContain(bytes)) {
        return -1;
    }
    return int(editorText(bytes).indexOf(m_term, 0, m_cs));
}

int DocumentScanner::positionIn(const QString &path) const
{
    QByteArray buffer;
    return positionIn(path, buffer);
}

int DocumentScanner::positionIn(const QString &path, QByteArray &bytes) const
{
    if (m_term.isEmpty()) {
        return -1;
    }
    // Plain system calls into the worker's own buffer: for thousands of
    // small files, opening and allocating would cost more than the search.
    const QByteArray encoded = QFile::encodeName(path);
    // Without blocking: a named pipe would otherwise hold the worker in
    // open() before the check below could skip it.
    const int fd = ::open(encoded.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > MaxDocumentBytes) {
        ::close(fd);
        return -1;
    }
    const auto size = qsizetype(info.st_size);
    if (size > LargeFileBytes) {
        // A large file gets memory of its own that goes back to the system
        // right after: the worker's buffer stays small, and nothing of the
        // file stays with the program after the run.
        void *memory = ::mmap(nullptr, size_t(size), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED) {
            ::close(fd);
            return -1;
        }
        const qsizetype filled = readAll(fd, static_cast<char *>(memory), size);
        ::close(fd);
        const int position = positionInBytes(QByteArray::fromRawData(static_cast<const char *>(memory), filled));
        ::munmap(memory, size_t(size));
        return position;
    }
    bytes.resize(size);
    const qsizetype filled = readAll(fd, bytes.data(), size);
    ::close(fd);
    bytes.truncate(filled);
    return positionInBytes(bytes);
}

DocumentScanner::Hit DocumentScanner::scan(const QStringList &files, int threads) const
{
    const int count = int(files.size());
    std::atomic_int next{0};
    std::atomic_int best{std::numeric_limits<int>::max()};
    std::mutex mutex;
    Hit hit;

    const auto work = [&] {
        QByteArray buffer;
        while (!m_cancel.load(std::memory_order_relaxed)) {
            const int first = next.fetch_add(ChunkSize);
            // Files after a hit already found need not be examined.
            if (first >= count || first > best.load()) {
                return;
            }
            const int last = std::min(count, first + ChunkSize);
            for (int order = first; order < last; ++order) {
                if (m_cancel.load(std::memory_order_relaxed) || order > best.load()) {
                    return;
                }
                const int position = positionIn(files.at(order), buffer);
                m_progress.fetch_add(1, std::memory_order_relaxed);
                if (position >= 0) {
                    const std::lock_guard lock(mutex);
                    if (order < best.load()) {
                        best.store(order);
                        hit = {order, position};
                    }
                    return;
                }
            }
        }
    };

    const int workers = std::max(1, std::min(threads, (count + ChunkSize - 1) / ChunkSize));
    std::vector<std::thread> pool;
    pool.reserve(size_t(workers - 1));
    for (int i = 1; i < workers; ++i) {
        pool.emplace_back([&work] {
            BackgroundWork::lowerPriorityOfThisThread();
            work();
        });
    }
    work();
    for (std::thread &t : pool) {
        t.join();
    }
    return hit;
}
