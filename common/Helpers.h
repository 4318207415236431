#pragma once

#include <QStringList>

// Returns after the given number of seconds while window events keep being
// processed. Measured on a monotonic clock, so it is safe across midnight and
// clock changes.
void Wait(double seconds);

// Index of the first entry that equals text without regard to case; 0 when no
// entry matches (so a miss selects the first entry, as callers expect).
int FindListIndex(const QStringList &list, const QString &text);
