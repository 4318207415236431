#pragma once

#include <QDateTime>
#include <QString>

// Dates and times in German texts, in the German form whatever the
// system's locale: "09.12.2026 00:05:49". The time is written as given
// (convert with toLocalTime() first for the user's clock).
inline QString germanDateTime(const QDateTime &time)
{
    // Numeric fields only: QDateTime::toString writes them alike in every
    // locale.
    return time.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}
