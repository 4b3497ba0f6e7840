#include "ui/colour_edit.h"

#include "settings/colour_text.h"
#include "time_scale.h"
#include "ui/colours.h"

#include <QApplication>
#include <QColorDialog>
#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace plimo {
namespace {

QColorDialog* shownPicker() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QColorDialog*>(widget); dialog != nullptr && dialog->isVisible()) {
            return dialog;
        }
    }
    return nullptr;
}

// Presses the edit's drop-down button and answers the picker it opens, as a user would; gives the colour the
// picker opened with, or nothing when none opened. A picker still open at the deadline is cancelled, so that no
// test is left waiting on it.
std::optional<QColor> pickWith(ColourEdit& edit, const std::function<void(QColorDialog&)>& answer) {
    std::optional<QColor> opened;
    const QDeadlineTimer deadline(test::ScaledMs(5000));
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        QColorDialog* dialog = shownPicker();
        if (dialog != nullptr && !opened) {
            opened = dialog->currentColor();
            answer(*dialog);
        } else if (deadline.hasExpired()) {
            if (dialog != nullptr) {
                dialog->reject();
            }
            poll.stop();
        }
    });
    poll.start();
    auto* button = edit.findChild<QToolButton*>();
    EXPECT_NE(button, nullptr);
    if (button != nullptr) {
        QTest::mouseClick(button, Qt::LeftButton);
    }
    poll.stop();
    return opened;
}

std::function<void(QColorDialog&)> choose(const QColor& colour) {
    return [colour](QColorDialog& dialog) {
        dialog.setCurrentColor(colour);
        dialog.accept();
    };
}

// A colour chosen in the picker is written in the stored form ($00BBGGRR, or the name of a named colour), reads
// back as the same value, and opens the picker again at the same colour.
TEST(ColourPicker, AChosenColourRoundTripsThroughTheStoredForm) {
    ColourEdit edit;
    edit.show();
    QSignalSpy changed(&edit, &ColourEdit::changed);
    const struct {
        QColor chosen;
        const char* stored;
    } cases[] = {
        {QColor(0x12, 0x34, 0x56), "$00563412"}, {QColor(0x07, 0xED, 0xF3), "$00F3ED07"},
        {QColor(0xFF, 0xFF, 0xFE), "$00FEFFFF"}, {QColor(0, 0, 0), "clBlack"},
        {QColor(0xA6, 0xCA, 0xF0), "clSkyBlue"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        changed.clear();
        ASSERT_TRUE(pickWith(edit, choose(c.chosen))) << "no picker opened";
        EXPECT_EQ(edit.text(), QString::fromLatin1(c.stored));
        EXPECT_GE(changed.count(), 1);
        const std::int32_t value = edit.colour();
        EXPECT_EQ(value, ParseColour(c.stored));
        EXPECT_EQ(ToQColor(value), c.chosen);

        edit.setColour(value);
        EXPECT_EQ(edit.text(), QString::fromLatin1(c.stored));
        const std::optional<QColor> reopened = pickWith(edit, [](QColorDialog& dialog) { dialog.reject(); });
        ASSERT_TRUE(reopened);
        EXPECT_EQ(*reopened, c.chosen);
        EXPECT_EQ(edit.text(), QString::fromLatin1(c.stored)) << "a cancelled picker changes nothing";
    }
}

// A system colour opens the picker at the colour it paints with now; choosing that colour stores its value,
// which paints the same from then on whatever the palette does.
TEST(ColourPicker, ASystemColourOpensAtItsPaintAndIsStoredAsThatValue) {
    ColourEdit edit;
    edit.show();
    for (const char* name : {"clBtnFace", "clWindow", "clHighlight", "clWindowText"}) {
        SCOPED_TRACE(name);
        edit.setText(QString::fromLatin1(name));
        const QColor paint = ToQColor(ParseColour(name));
        const std::optional<QColor> opened = pickWith(edit, [](QColorDialog& dialog) { dialog.accept(); });
        ASSERT_TRUE(opened) << "no picker opened";
        EXPECT_EQ(*opened, paint);
        const std::int32_t stored = edit.colour();
        EXPECT_EQ(ToQColor(stored), paint);
        EXPECT_EQ(static_cast<std::uint32_t>(stored) & 0xFF000000u, 0u) << edit.text().toStdString();
        EXPECT_EQ(ParseColour(edit.text().toStdString()), stored);
    }
}

// The picker opens at white where the text is not a colour, and cancelling it leaves that text to the user.
TEST(ColourPicker, AnUnreadableTextOpensAtWhiteAndACancelKeepsIt) {
    ColourEdit edit;
    edit.show();
    edit.setText(QStringLiteral("$00GG0000"));
    QSignalSpy changed(&edit, &ColourEdit::changed);
    const std::optional<QColor> opened = pickWith(edit, [](QColorDialog& dialog) { dialog.reject(); });
    ASSERT_TRUE(opened) << "no picker opened";
    EXPECT_EQ(*opened, QColor(Qt::white));
    EXPECT_EQ(edit.text(), QStringLiteral("$00GG0000"));
    EXPECT_EQ(changed.count(), 0);
}

}  // namespace
}  // namespace plimo
