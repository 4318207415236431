#include "Placement.h"

#include <algorithm>

namespace Placement {

namespace {

qint64 overlap(const QRect &a, const QRect &b)
{
    const QRect i = a.intersected(b);
    return i.isEmpty() ? 0 : qint64(i.width()) * i.height();
}

} // namespace

QRect fit(const QRect &stored, const QList<QRect> &areas)
{
    if (areas.isEmpty()) {
        return stored;
    }
    QRect area = areas.constFirst();
    qint64 best = 0;
    for (const QRect &candidate : areas) {
        if (const qint64 covered = overlap(stored, candidate); covered > best) {
            best = covered;
            area = candidate;
        }
    }
    QRect r(stored.topLeft(),
            QSize(std::clamp(stored.width(), 1, area.width()), std::clamp(stored.height(), 1, area.height())));
    r.moveLeft(std::clamp(r.left(), area.left(), area.right() + 1 - r.width()));
    r.moveTop(std::clamp(r.top(), area.top(), area.bottom() + 1 - r.height()));
    return r;
}

} // namespace Placement
