#pragma once

#include "stats/arrow_images.h"

#include <QIcon>
#include <QPixmap>

// The program's pictures, drawn in code so that they stay sharp at any pixel density. Each picture has a fixed
// size in logical pixels; the pixmaps come back at that size times the device pixel ratio, with the ratio set.
namespace plimo {

// The red running dog in the sizes a tray cell, a taskbar and a window list show, 16 to 64 pixels: the icon of the
// program's windows and of the tray. An X11 window manager takes every size offered, twice over, as each window
// appears, and a StatusNotifier tray each time the icon is set; larger sizes would be drawn and sent for nothing.
QIcon programWindowIcon();

// The running dog alone, size × size logical pixels, on a transparent ground.
QPixmap programIconPixmap(int size, qreal devicePixelRatio = 1.0);

// 24 × 23: two blue-violet footprints, the page-views mark.
QPixmap viewsMark(qreal devicePixelRatio = 1.0);

// 26 × 23: two people, one light and one blue, the visitors mark.
QPixmap visitorsMark(qreal devicePixelRatio = 1.0);

// 11 × 6: the hide glyph, a downward-pointing triangle, blue with a violet centre.
QPixmap hideGlyph(qreal devicePixelRatio = 1.0);

// 8 × 8 status marks: a grey clock (the values are old) and a red exclamation mark (the last refresh failed).
QPixmap staleMark(qreal devicePixelRatio = 1.0);
QPixmap failureMark(qreal devicePixelRatio = 1.0);

// 16 × 16: a trend arrow of the image list. At a ratio of 1 exactly its pixels; above, the same outline drawn smooth
// (through the middle of each row's ends, so the area stays the pixels' own) instead of the pixels stretched.
QPixmap arrowPixmap(const ArrowImage& arrow, qreal devicePixelRatio = 1.0);

// 309 × 175, opaque: the product picture of the about page (dog, name, two lines and their reflection).
QPixmap productPicture(qreal devicePixelRatio = 1.0);

}  // namespace plimo
