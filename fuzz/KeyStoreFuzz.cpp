// The key store: whatever its file holds, reading never fails, and a value
// set afterwards is read back while the values that could be read survive.
// Input: the store file's bytes.

#include "Registry.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

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

const QString Key = QStringLiteral("Software\\Tivorn\\Quandel Library");

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("registry.reg"));
    {
        QFile file(path);
        require(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    Registry::setStoreFile(path);
    const auto user = Registry::Root::CurrentUser;

    QVariant path0;
    const bool hadPath = Registry::QueryRegValue(user, Key, QStringLiteral("Path"), path0);
    QVariant version;
    Registry::QueryRegValue(user, Key, QStringLiteral("Version"), version);

    // False for a key the input already holds; the write below tells.
    (void)Registry::CreateRegKey(user, Key, QStringLiteral("1"));
    if (Registry::SetRegValue(user, Key, QStringLiteral("Viewer"), 1)) {
        QVariant viewer;
        require(Registry::QueryRegValue(user, Key, QStringLiteral("Viewer"), viewer));
        require(viewer.toUInt() == 1U);
        QVariant pathAfter;
        // What could be read before the rewrite is still there after it.
        require(Registry::QueryRegValue(user, Key, QStringLiteral("Path"), pathAfter) == hadPath);
        require(!hadPath || pathAfter == path0);
    }
    Registry::setStoreFile(QString());
    return 0;
}
