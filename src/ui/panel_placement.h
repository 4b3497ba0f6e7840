#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace plimo {

// The panel's default place: 40 px above the bottom-right corner of the screen, moved up and left as far as needed to
// lie inside the area the taskbar and docks leave (available; an empty one counts as the whole screen).
QPoint DefaultCorner(const QRect& screen, const QRect& available, QSize panel);

// Where the panel goes when the screens change while the program runs.
//   panel: where it is; ownBefore / ownAfter: the screen it sits on, before and after the change (both empty when
//   that screen did not change); screens: every screen's geometry after the change; corner: the default place.
// On its own screen, a panel nearer the right (bottom) edge keeps its distance from that edge, one nearer the left
// (top) edge its distance from that one, so the default corner stays the corner. A panel that no screen shows any
// part of then goes to the corner; one partly on a screen stays.
QPoint PlaceAfterScreenChange(const QRect& panel, const QRect& ownBefore, const QRect& ownAfter,
                              const QList<QRect>& screens, QPoint corner);

// Whether some screen shows a part of the panel; with no screens known, it counts as shown.
bool IsOnSomeScreen(const QRect& panel, const QList<QRect>& screens);

}  // namespace plimo
