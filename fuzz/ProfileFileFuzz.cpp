// Profile files: whatever a file holds, reading never fails, and a value
// written is read back as written while the rest of the file stays readable.
// Input: the file's bytes.

#include "IniFile.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

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
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Quandel.dat"));
    {
        QFile file(path);
        require(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    for (const char *section : {"0", "1", "Applikation", "Text"}) {
        for (const char *key : {"Name", "FontSize", "1", "Dir"}) {
            const QString value = IniFiles::GetINIString(path, QString::fromLatin1(section), QString::fromLatin1(key));
            require(value.size() <= IniFiles::MaxValueLength);
        }
    }
    const QString before = IniFiles::GetINIString(path, QStringLiteral("1"), QStringLiteral("Name"));
    if (IniFiles::WriteINI(path, QStringLiteral("30"), QStringLiteral("Datei"), QStringLiteral("Notiz ä.txt"))) {
        require(IniFiles::GetINIString(path, QStringLiteral("30"), QStringLiteral("Datei")) ==
                QStringLiteral("Notiz ä.txt"));
        // Another section's value is untouched by the write.
        require(IniFiles::GetINIString(path, QStringLiteral("1"), QStringLiteral("Name")) == before);
    }
    if (IniFiles::DeleteINISection(path, QStringLiteral("30"))) {
        require(IniFiles::GetINIString(path, QStringLiteral("30"), QStringLiteral("Datei")).isEmpty());
    }
    return 0;
}
