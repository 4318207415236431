#include "DocumentScanner.h"

#include "DocumentText.h"
#include "TextFile.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr qint64 MaxDocumentBytes = 16ll * 1024 * 1024;
constexpr int ChunkSize = 8;

bool isAscii(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

char lowerAscii(char c)
{
    // Without a branch, so that the loop over a whole file vectorises.
    return char(static_cast<unsigned char>(c) | (static_cast<unsigned char>(c - 'A') < 26U ? 0x20U : 0U));
}

bool containsBytes(const QByteArray &haystack, const QByteArray &needle)
{
    return needle.isEmpty() ||
           memmem(haystack.constData(), size_t(haystack.size()), needle.constData(), size_t(needle.size())) != nullptr;
}

// Two characters outside ASCII fold to ASCII letters when case is ignored:
// the Kelvin sign (to k) and the long s (to s). A file holding either in UTF-8
// cannot be ruled out by the byte test.
bool hasAsciiFoldingCharacters(const QByteArray &bytes)
{
    return containsBytes(bytes, QByteArrayLiteral("\xE2\x84\xAA")) ||
           containsBytes(bytes, QByteArrayLiteral("\xC5\xBF"));
}

} // namespace

DocumentScanner::DocumentScanner(QString term, Qt::CaseSensitivity cs, const std::atomic_bool &cancel,
                                 std::atomic_int &progress)
    : m_term(std::move(term)), m_cs(cs), m_cancel(cancel), m_progress(progress)
{
    if (m_term.isEmpty()) {
        return;
    }
    if (m_cs == Qt::CaseInsensitive) {
        if (isAscii(m_term)) {
            QByteArray lowered = m_term.toLatin1();
            std::transform(lowered.begin(), lowered.end(), lowered.begin(), lowerAscii);
            m_needles = {lowered};
            m_foldAscii = true;
        }
        return;
    }
    // A case-sensitive term is in the file's bytes in one of its encodings.
    m_needles.append(m_term.toUtf8());
    if (TextFile::fitsWindows1252(m_term)) {
        TextFormat cp1252;
        cp1252.lineEnd = TextFormat::LineEnd::Lf;
        m_needles.append(TextFile::encode(m_term, cp1252));
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
    if (m_needles.isEmpty()) {
        return true;
    }
    if (m_foldAscii) {
        if (hasAsciiFoldingCharacters(bytes)) {
            return true;
        }
        thread_local QByteArray lowered;
        lowered.resize(bytes.size());
        std::transform(bytes.begin(), bytes.end(), lowered.begin(), lowerAscii);
        return containsBytes(lowered, m_needles.constFirst());
    }
    return std::any_of(m_needles.begin(), m_needles.end(),
                       [&bytes](const QByteArray &needle) { return containsBytes(bytes, needle); });
}

int DocumentScanner::positionIn(const QString &path) const
{
    if (m_term.isEmpty()) {
        return -1;
    }
    // Plain system calls and a buffer kept per thread: for thousands of
    // small files, opening and allocating would cost more than the search.
    thread_local QByteArray bytes;
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
    bytes.resize(qsizetype(info.st_size));
    qsizetype filled = 0;
    while (filled < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + filled, size_t(bytes.size() - filled));
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        filled += n;
    }
    ::close(fd);
    bytes.truncate(filled);
    if (!mayContain(bytes)) {
        return -1;
    }
    return int(editorText(bytes).indexOf(m_term, 0, m_cs));
}

DocumentScanner::Hit DocumentScanner::scan(const QStringList &files, int threads) const
{
    const int count = int(files.size());
    std::atomic_int next{0};
    std::atomic_int best{std::numeric_limits<int>::max()};
    std::mutex mutex;
    Hit hit;

    const auto work = [&] {
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
                const int position = positionIn(files.at(order));
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
        pool.emplace_back(work);
    }
    work();
    for (std::thread &t : pool) {
        t.join();
    }
    return hit;
}
