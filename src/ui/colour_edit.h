#pragma once

#include <QLineEdit>
#include <QToolButton>
#include <QWidget>

#include <cstdint>

namespace plimo {

class ColourSwatch;

// An edit whose text is a colour in its text form, with a swatch of the colour and a drop-down button that
// opens a colour picker. Every change of the text, by the user or by code, is reported.
class ColourEdit : public QWidget {
    Q_OBJECT
public:
    explicit ColourEdit(QWidget* parent = nullptr);

    // The colour of the text; an empty or invalid text first becomes "clRed", and red is the answer.
    std::int32_t colour();
    void setColour(std::int32_t colour);

    QString text() const;
    void setText(const QString& text);

    QLineEdit* lineEdit() const { return m_edit; }

signals:
    void changed();

private:
    void pickColour();
    void updateSwatch();

    QLineEdit* m_edit;
    QToolButton* m_button;
    ColourSwatch* m_swatch;
};

}  // namespace plimo
