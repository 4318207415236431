#pragma once

#include <QList>
#include <QRect>

// Where a window restored from stored coordinates may go. The stored values
// come from a text file that may be damaged or from another screen set-up:
// the window is kept to the usable area of one screen so that it can always
// be seen, moved and closed.
namespace Placement {

// The outer rectangle (frame included) to use for `stored` on screens with
// the given available areas (without panels); the first area is the primary
// screen's. The screen is the one the stored rectangle covers most, else the
// primary. The size is cut to that screen's area and the window moved as
// little as needed to lie wholly inside it, title bar included.
QRect fit(const QRect &stored, const QList<QRect> &areas);

} // namespace Placement
