#include "StoredSettings.h"

#include "ProductInfo.h"
#include "Registry.h"

#include <algorithm>
#include <cmath>

namespace StoredSettings {

namespace {

const Registry::Root User = Registry::Root::CurrentUser;

} // namespace

std::optional<QVariant> query(const QString &name)
{
    QVariant value;
    if (Registry::QueryRegValue(User, ProductInfo::registryKey(), name, value)) {
        return value;
    }
    return std::nullopt;
}

std::optional<qint64> queryNumber(const QString &name)
{
    const auto value = query(name);
    if (!value) {
        return std::nullopt;
    }
    bool ok = false;
    const qint64 n = value->toLongLong(&ok);
    return ok ? std::optional<qint64>(n) : std::optional<qint64>(0);
}

bool store(const QString &name, const QVariant &value)
{
    return Registry::SetRegValue(User, ProductInfo::registryKey(), name, value);
}

bool storeAll(const QList<std::pair<QString, QVariant>> &values)
{
    return Registry::SetRegValues(User, ProductInfo::registryKey(), values);
}

int leadingNumber(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype end = 0;
    if (end < t.size() && (t.at(end) == u'-' || t.at(end) == u'+')) {
        ++end;
    }
    while (end < t.size() && t.at(end).isDigit()) {
        ++end;
    }
    bool ok = false;
    const int n = t.left(end).toInt(&ok);
    return ok ? n : 0;
}

std::optional<float> queryTwips(const QString &name)
{
    const auto value = query(name);
    if (!value) {
        return std::nullopt;
    }
    QString text = value->toString().trimmed();
    text.replace(u',', u'.');
    bool ok = false;
    const float twips = text.toFloat(&ok);
    if (!ok || !std::isfinite(twips)) {
        return std::nullopt;
    }
    // Far beyond any screen, and small enough to convert to pixels safely.
    constexpr float Limit = 1.0e7F;
    return std::clamp(twips, -Limit, Limit);
}

QString twipsText(float twips)
{
    return QString::number(double(twips), 'g', 7);
}

} // namespace StoredSettings
