#include "GermanText.h"

QString germanDateTime(const QDateTime &time)
{
    if (!time.isValid()) {
        return QString();
    }
    return time.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}
