#include "BytePattern.h"

#include <immintrin.h>

#include <cstdint>
#include <cstring>

namespace {

bool isAsciiLetter(unsigned char c)
{
    return unsigned((c | 0x20U) - 'a') < 26U;
}

unsigned char lowerAscii(unsigned char c)
{
    return isAsciiLetter(c) ? static_cast<unsigned char>(c | 0x20U) : c;
}

// What must be OR-ed into a byte before comparing it with the pattern byte p.
unsigned char foldMask(unsigned char p, bool ignoreCase)
{
    return ignoreCase && isAsciiLetter(p) ? 0x20 : 0;
}

struct Search
{
    const unsigned char *pattern;
    qsizetype length;
    bool ignoreCase;

    // The whole pattern at at; its first and last bytes already matched.
    bool matchesAt(const unsigned char *at) const
    {
        if (!ignoreCase) {
            return std::memcmp(at + 1, pattern + 1, size_t(length > 2 ? length - 2 : 0)) == 0;
        }
        for (qsizetype i = 1; i + 1 < length; ++i) {
            if (lowerAscii(at[i]) != pattern[i]) {
                return false;
            }
        }
        return true;
    }

    qsizetype scalar(const unsigned char *data, qsizetype from, qsizetype size) const
    {
        const unsigned char first = pattern[0];
        const unsigned char last = pattern[length - 1];
        const unsigned char firstMask = foldMask(first, ignoreCase);
        const unsigned char lastMask = foldMask(last, ignoreCase);
        for (qsizetype i = from; i + length <= size; ++i) {
            if ((data[i] | firstMask) == first && (data[i + length - 1] | lastMask) == last && matchesAt(data + i)) {
                return i;
            }
        }
        return -1;
    }
};

qsizetype findSse2(const Search &s, const unsigned char *data, qsizetype size)
{
    const __m128i first = _mm_set1_epi8(static_cast<char>(s.pattern[0]));
    const __m128i last = _mm_set1_epi8(static_cast<char>(s.pattern[s.length - 1]));
    const __m128i firstMask = _mm_set1_epi8(static_cast<char>(foldMask(s.pattern[0], s.ignoreCase)));
    const __m128i lastMask = _mm_set1_epi8(static_cast<char>(foldMask(s.pattern[s.length - 1], s.ignoreCase)));
    qsizetype i = 0;
    for (; i + s.length - 1 + 16 <= size; i += 16) {
        const __m128i a = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i)), firstMask);
        const __m128i b =
            _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i + s.length - 1)), lastMask);
        auto bits = unsigned(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
        while (bits != 0) {
            const int bit = __builtin_ctz(bits);
            if (s.matchesAt(data + i + bit)) {
                return i + bit;
            }
            bits &= bits - 1;
        }
    }
    return s.scalar(data, i, size);
}

__attribute__((target("avx2"))) qsizetype findAvx2(const Search &s, const unsigned char *data, qsizetype size)
{
    const __m256i first = _mm256_set1_epi8(static_cast<char>(s.pattern[0]));
    const __m256i last = _mm256_set1_epi8(static_cast<char>(s.pattern[s.length - 1]));
    const __m256i firstMask = _mm256_set1_epi8(static_cast<char>(foldMask(s.pattern[0], s.ignoreCase)));
    const __m256i lastMask = _mm256_set1_epi8(static_cast<char>(foldMask(s.pattern[s.length - 1], s.ignoreCase)));
    qsizetype i = 0;
    for (; i + s.length - 1 + 32 <= size; i += 32) {
        const __m256i a = _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(data + i)), firstMask);
        const __m256i b =
            _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(data + i + s.length - 1)), lastMask);
        auto bits =
            unsigned(_mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(a, first), _mm256_cmpeq_epi8(b, last))));
        while (bits != 0) {
            const int bit = __builtin_ctz(bits);
            if (s.matchesAt(data + i + bit)) {
                return i + bit;
            }
            bits &= bits - 1;
        }
    }
    return s.scalar(data, i, size);
}

using FindFunction = qsizetype (*)(const Search &, const unsigned char *, qsizetype);

FindFunction chooseFind()
{
    if (qEnvironmentVariableIsSet("QUANDEL_NO_AVX2")) {
        return findSse2;
    }
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? findAvx2 : findSse2;
}

} // namespace

BytePattern::BytePattern(const QByteArray &pattern, bool ignoreAsciiCase)
    : m_pattern(pattern), m_ignoreCase(ignoreAsciiCase)
{
    if (m_ignoreCase) {
        for (char &c : m_pattern) {
            c = static_cast<char>(lowerAscii(static_cast<unsigned char>(c)));
        }
    }
}

qsizetype BytePattern::findIn(const char *data, qsizetype size) const
{
    if (m_pattern.isEmpty()) {
        return 0;
    }
    static const FindFunction find = chooseFind();
    const Search s{reinterpret_cast<const unsigned char *>(m_pattern.constData()), m_pattern.size(), m_ignoreCase};
    return find(s, reinterpret_cast<const unsigned char *>(data), size);
}
