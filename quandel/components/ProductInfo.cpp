#include "ProductInfo.h"

#include "Registry.h"

#include <QVariant>

namespace ProductInfo {

QString productName()
{
    return QStringLiteral("Quandel Library");
}

QString windowCaption()
{
    return QStringLiteral("Tivorn Quandel Library");
}

QString registryKey()
{
    return QStringLiteral("Software\\Tivorn\\Quandel Library");
}

QString parentRegistryKey()
{
    return QStringLiteral("Software\\Tivorn");
}

int majorVersion()
{
    return QUANDEL_VERSION_MAJOR;
}

int minorVersion()
{
    return QUANDEL_VERSION_MINOR;
}

int revision()
{
    return QUANDEL_VERSION_PATCH;
}

QString versionText()
{
    return QString::number(majorVersion()) + u'.' + QString::number(minorVersion());
}

QString nameAndVersion(int major, int minor)
{
    return productName() + u' ' + QString::number(major) + u'.' + QStringLiteral("%1").arg(minor, 2, 10, QChar(u'0'));
}

QString nameAndVersion()
{
    return nameAndVersion(majorVersion(), minorVersion());
}

QString nameVersionAndBuild(int major, int minor, int revision)
{
    QString build = QString::number(revision).leftJustified(3, u'0');
    if (revision == 0) {
        build = QStringLiteral("100");
    }
    return nameAndVersion(major, minor) + QStringLiteral(" Build ") + build;
}

QString identification()
{
    return QStringLiteral("Tivorn Quandel Library Edition ") + QString::number(majorVersion()) + u'0' +
           QString::number(minorVersion());
}

QString registeredOwner()
{
    QString owner = QStringLiteral("Nicht Lizenziert");
    QVariant value;
    if (Registry::QueryRegValue(Registry::Root::LocalMachine,
                                QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion"),
                                QStringLiteral("RegisteredOwner"), value)) {
        owner = value.toString();
    }
    // The NT key, where present, has the final word.
    value.clear();
    if (Registry::QueryRegValue(Registry::Root::LocalMachine,
                                QStringLiteral("Software\\Microsoft\\Windows Nt\\CurrentVersion"),
                                QStringLiteral("RegisteredOwner"), value)) {
        owner = value.toString();
    }
    return owner;
}

} // namespace ProductInfo
