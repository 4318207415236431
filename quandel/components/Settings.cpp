#include "Settings.h"

#include "ProductInfo.h"
#include "Registry.h"

#include <algorithm>
#include <cmath>

namespace Settings {

namespace {

const Registry::Root User = Registry::Root::CurrentUser;

std::optional<QVariant> query(const char16_t *name)
{
    QVariant value;
    if (Registry::QueryRegValue(User, ProductInfo::registryKey(), QString::fromUtf16(name), value)) {
        return value;
    }
    return std::nullopt;
}

// A stored number; text is read as a number too, so a hand-edited store
// still works, and text that is no number counts as 0.
std::optional<qint64> queryNumber(const char16_t *name)
{
    const auto value = query(name);
    if (!value) {
        return std::nullopt;
    }
    bool ok = false;
    const qint64 n = value->toLongLong(&ok);
    return ok ? n : 0;
}

// The leading whole number of a text, 0 when there is none ("2x" is 2).
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

QVariant switchValue(bool on)
{
    return on ? 1 : 0;
}

} // namespace

bool read(const Switch &key)
{
    const auto n = queryNumber(key.name);
    if (!n) {
        return key.whenMissing;
    }
    return key.reading == Switch::Reading::One ? *n == 1 : *n != 0;
}

int read(const NumberText &key)
{
    const auto value = query(key.name);
    const int n = value ? leadingNumber(value->toString()) : key.whenMissing;
    return n >= key.minimum && n <= key.maximum ? n : key.whenMissing;
}

std::optional<QString> read(const Text &key)
{
    const auto value = query(key.name);
    return value ? std::optional<QString>(value->toString()) : std::nullopt;
}

std::optional<float> read(const Twips &key)
{
    const auto value = query(key.name);
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
    return std::clamp(twips, -key.limit, key.limit);
}

bool shown(const Switch &key, bool *stored)
{
    const auto value = query(key.name);
    if (stored) {
        *stored = value.has_value();
    }
    return value ? value->toUInt() == 1 : key.shownWhenMissing;
}

bool isStored(const Switch &key)
{
    return query(key.name).has_value();
}

bool write(const Switch &key, bool on)
{
    return Registry::SetRegValue(User, ProductInfo::registryKey(), QString::fromUtf16(key.name), switchValue(on));
}

bool write(const Text &key, const QString &text)
{
    return Registry::SetRegValue(User, ProductInfo::registryKey(), QString::fromUtf16(key.name), text);
}

void Batch::add(const Switch &key, bool on)
{
    m_values.append({QString::fromUtf16(key.name), switchValue(on)});
}

void Batch::add(const NumberText &key, int number)
{
    m_values.append({QString::fromUtf16(key.name), QString::number(number)});
}

void Batch::add(const Text &key, const QString &text)
{
    m_values.append({QString::fromUtf16(key.name), text});
}

void Batch::add(const Twips &key, float twips)
{
    m_values.append({QString::fromUtf16(key.name), twipsText(twips)});
}

bool Batch::write() const
{
    return Registry::SetRegValues(User, ProductInfo::registryKey(), m_values);
}

QString twipsText(float twips)
{
    return QString::number(double(twips), 'g', 7);
}

} // namespace Settings
