#pragma once

#include <QByteArray>

// A byte pattern looked for in a file's raw bytes, in one pass over the
// buffer: the first and last bytes of the pattern are compared 16 or 32 at a
// time (SSE2, or AVX2 where the processor has it, chosen at run time) and
// only the places where both match are compared in full. When case is
// ignored, ASCII letters match in either case; every other byte matches
// itself only. QUANDEL_NO_AVX2 in the environment keeps to SSE2.
class BytePattern final
{
public:
    BytePattern() = default;
    BytePattern(const QByteArray &pattern, bool ignoreAsciiCase);

    bool isEmpty() const { return m_pattern.isEmpty(); }
    const QByteArray &pattern() const { return m_pattern; }

    // The offset of the first occurrence in data, or -1.
    qsizetype findIn(const char *data, qsizetype size) const;
    bool isIn(const char *data, qsizetype size) const { return findIn(data, size) >= 0; }

private:
    QByteArray m_pattern; // letters lower-cased when case is ignored
    bool m_ignoreCase = false;
};
