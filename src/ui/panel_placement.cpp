#include "ui/panel_placement.h"

#include <algorithm>

namespace plimo {
namespace {

// The panel's new start on one axis: from the nearer edge of its screen, as far as before.
int FollowEdge(int start, int length, int screenBefore, int screenLengthBefore, int screenAfter,
               int screenLengthAfter) {
    const int fromStart = start - screenBefore;
    const int fromEnd = (screenBefore + screenLengthBefore) - (start + length);
    if (fromEnd < fromStart) {
        return screenAfter + screenLengthAfter - fromEnd - length;
    }
    return screenAfter + fromStart;
}

}  // namespace

QPoint PlaceAfterScreenChange(const QRect& panel, const QRect& ownBefore, const QRect& ownAfter,
                              const QList<QRect>& screens, QPoint corner) {
    QRect placed = panel;
    if (!ownBefore.isEmpty() && !ownAfter.isEmpty() && ownBefore != ownAfter) {
        placed.moveTo(
            FollowEdge(panel.x(), panel.width(), ownBefore.x(), ownBefore.width(), ownAfter.x(), ownAfter.width()),
            FollowEdge(panel.y(), panel.height(), ownBefore.y(), ownBefore.height(), ownAfter.y(), ownAfter.height()));
    }
    return IsOnSomeScreen(placed, screens) ? placed.topLeft() : corner;
}

QPoint DefaultCorner(const QRect& screen, const QRect& available, QSize panel) {
    constexpr int kAboveBottom = 40;
    QPoint place(screen.x() + screen.width() - panel.width(),
                 screen.y() + screen.height() - panel.height() - kAboveBottom);
    if (!available.isEmpty()) {
        place.setX(std::min(place.x(), available.x() + available.width() - panel.width()));
        place.setY(std::min(place.y(), available.y() + available.height() - panel.height()));
    }
    return place;
}

bool IsOnSomeScreen(const QRect& panel, const QList<QRect>& screens) {
    if (screens.isEmpty()) {
        return true;
    }
    for (const QRect& screen : screens) {
        if (screen.intersects(panel)) {
            return true;
        }
    }
    return false;
}

}  // namespace plimo
