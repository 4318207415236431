#include "Helpers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>

void Wait(double seconds)
{
    // Written so that NaN returns at once as well.
    if (!(seconds > 0.0)) {
        return;
    }
    const double total = seconds * 1e9;
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        const double remainingNs = total - static_cast<double>(timer.nsecsElapsed());
        if (remainingNs <= 0.0) {
            return;
        }
        const int remainingMs = static_cast<int>(std::min(remainingNs / 1e6 + 1.0, 10.0));
        QCoreApplication::processEvents(QEventLoop::AllEvents, remainingMs);
        // processEvents returns as soon as the queue is empty; the nap keeps
        // the loop from occupying a whole core while still answering events
        // within a few milliseconds.
        QThread::msleep(static_cast<unsigned long>(std::clamp(remainingMs, 1, 5)));
    }
}

int FindListIndex(const QStringList &list, const QString &text)
{
    // toLower on both sides rather than case folding: the lists hold display
    // texts and this is the comparison the callers have always relied on.
    const QString wanted = text.toLower();
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list.at(i).toLower() == wanted) {
            return static_cast<int>(i);
        }
    }
    return 0;
}
