#pragma once

#include <QLabel>
#include <QWidget>

namespace plimo {

// A label that takes ordinary clicks (the site name, the hide glyph) instead of passing the press on to the
// panel, which would start a drag.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // The release that ends a double click; its first click has already been reported.
    bool m_releaseEndsDoubleClick = false;
};

// A holder that keeps presses on its bare area to itself, so that they neither drag the panel nor do anything.
class ClickPanel : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

}  // namespace plimo
