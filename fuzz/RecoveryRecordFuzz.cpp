// Recovery files: any bytes parse without failing; a record that is read
// is written back and read again as the same record, and that file cut by
// one byte is refused.

#include "Recovery.h"

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
    const std::optional<RecoveryRecord> record = RecoveryRecord::parse(input);
    if (!record) {
        return 0;
    }
    const QByteArray written = record->serialise();
    const std::optional<RecoveryRecord> again = RecoveryRecord::parse(written);
    require(again.has_value());
    require(again->path == record->path && again->name == record->name && again->kind == record->kind);
    require(again->diskExists == record->diskExists && again->diskHash == record->diskHash);
    // Kept in UTC: a time late on 31 December 9999 east of Greenwich has no
    // four-digit year there, and is then not kept.
    require(again->written == record->written || record->written.toUTC().date().year() > 9999);
    // A text of the first format may hold a lone surrogate, which UTF-8
    // cannot: it is written as its replacement.
    require(again->text == QString::fromUtf8(record->text.toUtf8()));
    require(!RecoveryRecord::parse(written.chopped(1)));
    return 0;
}
