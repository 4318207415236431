// The search history: any file lists without failing, and a term saved
// stands first in the list afterwards, once.
// Input: a term up to the first NUL byte, the file's text after it.

#include "SearchHistory.h"
#include "TextFile.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype nul = input.indexOf('\0');
    const QByteArray termBytes = nul >= 0 ? input.left(nul) : QByteArray("Begriff");
    TextFormat format;
    const QString content = TextFile::decodeBytes(nul >= 0 ? input.mid(nul + 1) : input, &format);
    QString term = QString::fromUtf8(termBytes);
    term.remove(u'\r');
    term.remove(u'\n');

    const QStringList before = SearchHistory::termsFromText(content);
    for (const QString &t : before) {
        require(!t.isEmpty() && !t.contains(u'\r') && !t.contains(u'\n'));
    }
    if (term.isEmpty()) {
        return 0;
    }
    const QStringList after = SearchHistory::termsFromText(SearchHistory::textWithTermOnTop(content, term));
    require(!after.isEmpty() && after.first() == term);
    require(after.count(term) == 1);
    // The other terms keep their order.
    QStringList others = before;
    others.removeAll(term);
    require(after.mid(1) == others);
    return 0;
}
