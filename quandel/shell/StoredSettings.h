#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <optional>
#include <utility>

// The main window's values in the key store, under the product's key.
namespace StoredSettings {

std::optional<QVariant> query(const QString &name);
// A stored number as the options dialog writes it; text is read as a number
// too, so a hand-edited store still works (text that is no number is 0).
std::optional<qint64> queryNumber(const QString &name);
// Window coordinates are kept as decimal text in twips, in the text form of
// a single-precision number; nothing when the text is none.
std::optional<float> queryTwips(const QString &name);
QString twipsText(float twips);

[[nodiscard]] bool store(const QString &name, const QVariant &value);
// In one change, so another instance never reads half of them.
[[nodiscard]] bool storeAll(const QList<std::pair<QString, QVariant>> &values);

// The leading whole number of a text, 0 when there is none ("2x" is 2).
int leadingNumber(const QString &text);

} // namespace StoredSettings
