#include "ui/colour_edit.h"

#include "settings/colour_text.h"
#include "ui/ansi_qstring.h"
#include "ui/colours.h"

#include <QColorDialog>
#include <QHBoxLayout>
#include <QPainter>

namespace plimo {

class ColourSwatch : public QWidget {
public:
    using QWidget::QWidget;
    void setColour(const QColor& colour, bool valid) {
        m_colour = colour;
        m_valid = valid;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QRect box = rect().adjusted(1, 1, -2, -2);
        if (m_valid) {
            painter.fillRect(box, m_colour);
        } else {
            painter.drawLine(box.topLeft(), box.bottomRight());
        }
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawRect(box);
    }

private:
    QColor m_colour;
    bool m_valid = false;
};

namespace {

std::int32_t ToColourValue(const QColor& colour) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(colour.red()) |
                                     (static_cast<std::uint32_t>(colour.green()) << 8) |
                                     (static_cast<std::uint32_t>(colour.blue()) << 16));
}

}  // namespace

ColourEdit::ColourEdit(QWidget* parent)
    : QWidget(parent), m_edit(new QLineEdit(this)), m_button(new QToolButton(this)), m_swatch(new ColourSwatch(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_swatch->setFixedWidth(20);
    m_button->setFixedWidth(18);
    m_button->setArrowType(Qt::DownArrow);
    m_button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_button->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(m_swatch);
    layout->addWidget(m_edit, 1);
    layout->addWidget(m_button);
    setFocusProxy(m_edit);
    connect(m_edit, &QLineEdit::textChanged, this, [this] {
        updateSwatch();
        emit changed();
    });
    connect(m_button, &QToolButton::clicked, this, &ColourEdit::pickColour);
    updateSwatch();
}

std::int32_t ColourEdit::colour() {
    try {
        const std::string text = QStringToAnsi(m_edit->text());
        if (!text.empty()) {
            return ParseColour(text);
        }
    } catch (const EConvertError&) {
    }
    setText(QStringLiteral("clRed"));
    return 255;
}

void ColourEdit::setColour(std::int32_t colour) {
    setText(AnsiToQString(FormatColour(colour)));
}

QString ColourEdit::text() const {
    return m_edit->text();
}

void ColourEdit::setText(const QString& text) {
    m_edit->setText(text);
}

void ColourEdit::pickColour() {
    QColor initial = Qt::white;
    try {
        initial = ToQColor(ParseColour(QStringToAnsi(m_edit->text())));
    } catch (const EConvertError&) {
    }
    const QColor chosen = QColorDialog::getColor(initial, this);
    if (chosen.isValid()) {
        setColour(ToColourValue(chosen));
    }
}

void ColourEdit::updateSwatch() {
    try {
        m_swatch->setColour(ToQColor(ParseColour(QStringToAnsi(m_edit->text()))), true);
    } catch (const EConvertError&) {
        m_swatch->setColour(QColor(), false);
    }
}

}  // namespace plimo
