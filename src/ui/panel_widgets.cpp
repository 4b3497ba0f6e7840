#include "ui/panel_widgets.h"

#include <QMouseEvent>

namespace plimo {

void ClickLabel::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (m_releaseEndsDoubleClick) {
        m_releaseEndsDoubleClick = false;
        return;
    }
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}

void ClickLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    // A double click opens a page once, not twice.
    event->accept();
    m_releaseEndsDoubleClick = event->button() == Qt::LeftButton;
}

void ClickPanel::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void ClickPanel::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}

}  // namespace plimo
