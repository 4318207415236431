#pragma once

#include <QDateTime>
#include <QString>

// Texts shown in German whatever the system's locale.

// "09.12.2026 00:43:12": day, month, four-digit year, 24-hour time with
// seconds, in local time. Empty for an invalid time.
QString germanDateTime(const QDateTime &time);
