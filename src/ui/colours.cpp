#include "ui/colours.h"

#include "settings/colour_text.h"

#include <QGuiApplication>
#include <QPalette>

namespace plimo {
namespace {

QColor systemColour(int index) {
    const QPalette palette = QGuiApplication::palette();
    // The Windows system colour indices, each mapped to the palette role that plays its part here.
    switch (index) {
        case 1:   // desktop
        case 12:  // application work space
        case 15:  // button face
        case 22:  // 3-D light
            return palette.color(QPalette::Button);
        case 2:   // active caption
        case 13:  // highlight
        case 27:
        case 29:
            return palette.color(QPalette::Highlight);
        case 9:   // caption text
        case 14:  // highlight text
            return palette.color(QPalette::HighlightedText);
        case 4:  // menu
        case 5:  // window
        case 30:
            return palette.color(QPalette::Base);
        case 7:   // menu text
        case 8:   // window text
        case 18:  // button text
            return palette.color(QPalette::ButtonText);
        case 16:  // button shadow
        case 21:  // 3-D dark shadow
            return palette.color(QPalette::Dark);
        case 17:  // grey text
            return palette.color(QPalette::Disabled, QPalette::Text);
        case 20:  // button highlight
            return palette.color(QPalette::Light);
        case 23:  // tooltip text
            return palette.color(QPalette::ToolTipText);
        case 24:  // tooltip background
            return palette.color(QPalette::ToolTipBase);
        case 26:  // hot-tracked item
            return palette.color(QPalette::Link);
        default:
            return palette.color(QPalette::Window);
    }
}

}  // namespace

QColor ToQColor(std::int32_t colour) {
    if (colour == kColourNone) {
        return Qt::transparent;
    }
    if (colour == kColourDefault) {
        return QGuiApplication::palette().color(QPalette::Window);
    }
    const auto bits = static_cast<std::uint32_t>(colour);
    if ((bits & 0xFF000000u) == 0xFF000000u) {
        return systemColour(static_cast<int>(bits & 0xFFu));
    }
    return QColor(static_cast<int>(bits & 0xFFu), static_cast<int>((bits >> 8) & 0xFFu),
                  static_cast<int>((bits >> 16) & 0xFFu));
}

}  // namespace plimo
