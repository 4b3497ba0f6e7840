#include "ui/panel_widgets.h"

#include <QMouseEvent>

namespace plimo {

void ClickLabel::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}

void ClickPanel::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void ClickPanel::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}

}  // namespace plimo
