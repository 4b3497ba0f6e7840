#include "loaded_panel.h"
#include "stand_in_font.h"
#include "ui/colour_edit.h"
#include "ui/panel_widgets.h"
#include "ui/tfoptions.h"
#include "ui/tform1.h"
#include "under_wine.h"
#include "update/maker_site.h"
#include "update/program_version.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QTabBar>
#include <QTest>
#include <QToolTip>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

namespace plimo {
namespace {

class SettingsWindow : public ::testing::Test {
protected:
    test::LoadedPanel panel;
    test::FakeBrowser* browser = panel.browser;
    TForm1* form = panel.form.get();
    Tfoptions* options = panel.options.get();
    std::vector<std::string>& opened = panel.opened;
};

TEST_F(SettingsWindow, HasItsCaptionTabsAndInitialValues) {
    EXPECT_EQ(options->windowTitle(), QStringLiteral("Настройки"));
    options->show();
    // Grown a few pixels where the stand-in font's tab captions need them. Wine's stand-ins for the Windows fonts
    // are wider: there the window measures otherwise, its texts do not.
    if (!test::UnderWine()) {
        EXPECT_EQ(options->height(), 250);
        if (test::StandInFontInstalled()) {
            EXPECT_GE(options->width(), 324);
            EXPECT_LE(options->width(), 324 + 20);
        }
    }
    ASSERT_EQ(options->cxPageControl1->count(), 4);
    EXPECT_EQ(options->cxPageControl1->tabText(0), QStringLiteral("Основные"));
    EXPECT_EQ(options->cxPageControl1->tabText(1), QStringLiteral("Авторизация"));
    EXPECT_EQ(options->cxPageControl1->tabText(2), QStringLiteral("Дополнительно"));
    EXPECT_EQ(options->cxPageControl1->tabText(3), QStringLiteral("О программе"));
    EXPECT_EQ(options->cxPageControl1->currentWidget(), options->cxTabSheet2);
    EXPECT_EQ(options->GroupBox1->title(), QStringLiteral(" Вход в статистику  LiveInternet "));
    EXPECT_EQ(options->LMDColorEdit1->text(), QStringLiteral("$00AF3661"));
    EXPECT_EQ(options->LMDComboBox1->count(), 5);
    EXPECT_EQ(options->LMDComboBox1->currentIndex(), -1);
    EXPECT_EQ(options->LMDTrackBar1->value(), 0);
    EXPECT_EQ(options->LMDEdit3->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(options->Label1->text(), QStringLiteral("Версия ") + QString::fromUtf8(kProgramVersionShort));
}

// The layout's places were made for a narrower font than the one that stands in for it here: nothing may be cut.
TEST_F(SettingsWindow, EveryCaptionTabAndColourTextIsWhollyInView) {
    if (!test::StandInFontInstalled())
        GTEST_SKIP() << test::kNoStandInFont;
    if (test::UnderWine()) {
        GTEST_SKIP() << "Wine's stand-ins for the Windows fonts are wider: the window and its texts measure otherwise";
    }
    options->cxPageControl1->setCurrentWidget(options->cxTabSheet1);  // lays out the colour edits
    options->show();
    QApplication::processEvents();
    const QTabBar* tabs = options->cxPageControl1->tabBar();
    for (int index = 0; index < tabs->count(); ++index) {
        const QRect tab = tabs->tabRect(index);
        EXPECT_TRUE(tabs->rect().contains(tab)) << tabs->tabText(index).toStdString();
        EXPECT_LE(tabs->mapTo(options, tab.topRight()).x(), options->width());
    }
    for (const QLabel* label : options->findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) {
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
                << label->text().toStdString();
        }
    }
    EXPECT_LE(options->LMDCheckBox1->sizeHint().width(), options->LMDCheckBox1->width());
    EXPECT_LE(options->LMDCheckBox1->geometry().right(), options->cxTabSheet1->width());
    for (ColourEdit* edit : {options->LMDColorEdit1, options->LMDColorEdit2, options->LMDColorEdit3}) {
        edit->setText(QStringLiteral("$00F3ED07"));
        const QLineEdit* line = edit->lineEdit();
        // Frame and text margins take a few pixels on each side.
        EXPECT_GE(line->width(), line->fontMetrics().horizontalAdvance(line->text()) + 8);
    }
}

TEST_F(SettingsWindow, TheTabBarIsTheStylesOwnAtTheWindowsTextSize) {
    if (!test::StandInFontInstalled())
        GTEST_SKIP() << test::kNoStandInFont;
    options->show();
    QApplication::processEvents();
    const QTabBar* tabs = options->cxPageControl1->tabBar();
    EXPECT_TRUE(tabs->styleSheet().isEmpty());
    EXPECT_TRUE(options->styleSheet().isEmpty());
    EXPECT_EQ(tabs->font().pixelSize(), options->font().pixelSize());
    EXPECT_FALSE(tabs->documentMode());
    EXPECT_GE(tabs->height(), 20);
    EXPECT_LE(tabs->height(), 28);
}

#if !defined(Q_OS_WIN)
TEST_F(SettingsWindow, TheCheckBoxNamesTheLogOnOfThisSystem) {
    EXPECT_EQ(options->LMDCheckBox1->text(), QStringLiteral("Автоматический запуск при входе в систему"));
}
#endif

// Tab walks each page's controls in the layout's order, and nothing else of the page.
TEST_F(SettingsWindow, TabWalksEachPageInTheLayoutsOrder) {
    options->show();
    options->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(options));
    const struct {
        QWidget* page;
        std::vector<QWidget*> order;
    } pages[] = {
        {options->cxTabSheet1,
         {options->LMDCheckBox1, options->LMDColorEdit1->lineEdit(), options->LMDColorEdit2->lineEdit(),
          options->LMDColorEdit3->lineEdit(), options->LMDTrackBar1}},
        {options->cxTabSheet2,
         {options->LMDEdit1, options->LMDEdit4, options->LMDEdit2, options->LMDEdit3, options->LMDButton1}},
        {options->cxTabSheet3, {options->LMDComboBox1}},
    };
    for (const auto& page : pages) {
        options->cxPageControl1->setCurrentWidget(page.page);
        page.order.front()->setFocus(Qt::OtherFocusReason);
        std::vector<QWidget*> walked;
        for (std::size_t step = 0; step < page.order.size() + 2; ++step) {
            QWidget* focus = QApplication::focusWidget();
            if (focus != nullptr && page.page->isAncestorOf(focus) &&
                std::find(walked.begin(), walked.end(), focus) == walked.end()) {
                walked.push_back(focus);
            }
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        EXPECT_EQ(walked, page.order)
            << options->cxPageControl1->tabText(options->cxPageControl1->currentIndex()).toStdString();
    }
}

// A dialog owned by the panel: no taskbar button of its own.
TEST_F(SettingsWindow, IsOwnedByThePanel) {
    form->show();
    options->show();
    EXPECT_EQ(options->windowType(), Qt::Dialog);
    ASSERT_NE(options->windowHandle(), nullptr);
    EXPECT_EQ(options->windowHandle()->transientParent(), form->windowHandle());
}

// Each page opens on behalf of the window whose handler asks.
TEST_F(SettingsWindow, PagesOpenWithTheAskingWindowAsOwner) {
    std::vector<std::pair<QWidget*, std::string>> owners;
    options->setAddressOpener(
        [&owners](QWidget* owner, const std::string& address) { owners.emplace_back(owner, address); });
    options->LMDEdit2->setText(QStringLiteral("example.com"));
    QTest::mouseClick(form->LMDSimpleLabel1, Qt::LeftButton);
    QTest::mouseClick(options->LMDLabelFill2, Qt::LeftButton);
    panel.newerVersion = true;
    form->OfferUpdate();
    using Owned = std::pair<QWidget*, std::string>;
    EXPECT_EQ(owners,
              (std::vector<Owned>{
                  {form, "https://example.com"}, {options, ProductPageAddress()}, {form, ProductPageAddress()}}));
}

TEST_F(SettingsWindow, TheCheckBoxWritesTheAutostartOnlyWhenTheUserClicks) {
    options->LMDCheckBox1->setChecked(true);
    options->LMDCheckBox1->setChecked(false);
    EXPECT_TRUE(panel.autostart.empty());
    QTest::mouseClick(options->LMDCheckBox1, Qt::LeftButton);
    QTest::mouseClick(options->LMDCheckBox1, Qt::LeftButton);
    QTest::mouseClick(options->LMDCheckBox1, Qt::LeftButton);
    EXPECT_EQ(panel.autostart,
              (std::vector<std::pair<std::string, bool>>{{"Plimo", false}, {"plimo", true}, {"Plimo", false}}));
}

TEST_F(SettingsWindow, TheIntervalChangesOnlyWithTheUsersChoice) {
    options->LMDComboBox1->setCurrentIndex(0);
    EXPECT_EQ(form->Timer1->interval(), 30000u);  // as created: nothing ran
    options->LMDComboBox1->setCurrentIndex(3);
    EXPECT_EQ(form->Timer1->interval(), 30000u);
    // The user steps to "1 час" with the keyboard.
    QTest::keyClick(options->LMDComboBox1, Qt::Key_Down);
    EXPECT_EQ(options->LMDComboBox1->currentText(), QStringLiteral("1 час"));
    EXPECT_EQ(form->Timer1->interval(), 3600000u);
}

TEST_F(SettingsWindow, AnInvalidWindowColourTurnsRedAtOnceFontColoursWait) {
    options->LMDColorEdit1->setColour(0x00FF0000);
    EXPECT_EQ(form->colour(), 0x00FF0000);
    options->LMDColorEdit1->lineEdit()->selectAll();
    QTest::keyClicks(options->LMDColorEdit1->lineEdit(), QStringLiteral("c"));
    EXPECT_EQ(options->LMDColorEdit1->text(), QStringLiteral("clRed"));
    EXPECT_EQ(form->colour(), 255);

    options->LMDColorEdit2->lineEdit()->clear();
    QTest::keyClicks(options->LMDColorEdit2->lineEdit(), QStringLiteral("cl"));
    EXPECT_EQ(options->LMDColorEdit2->text(), QStringLiteral("cl"));
    EXPECT_EQ(form->colour(), 255);
    EXPECT_EQ(options->LMDColorEdit2->colour(), 255);
    EXPECT_EQ(options->LMDColorEdit2->text(), QStringLiteral("clRed"));
}

TEST_F(SettingsWindow, TheTrackBarSetsOpacityOnEveryChange) {
    options->LMDTrackBar1->setValue(100);
    EXPECT_EQ(form->alphaBlendValue(), 100);
    options->LMDTrackBar1->setValue(0);
    EXPECT_EQ(form->alphaBlendValue(), 0);
    options->LMDTrackBar1->setValue(1000);
    EXPECT_EQ(options->LMDTrackBar1->value(), 255);
    EXPECT_EQ(form->alphaBlendValue(), 255);
}

TEST_F(SettingsWindow, ApplyShowsTheTrimmedSiteNameAndSignsIn) {
    options->LMDEdit1->setText(QStringLiteral("\t Сайт  "));
    options->LMDEdit2->setText(QStringLiteral("example.com"));
    options->LMDEdit4->setText(QStringLiteral("http://127.0.0.1:9/stat"));
    QTest::mouseClick(options->LMDButton1, Qt::LeftButton);
    EXPECT_EQ(form->LMDSimpleLabel1->text(), QStringLiteral("Сайт"));
    ASSERT_EQ(browser->navigations.size(), 1u);
    EXPECT_EQ(browser->navigations[0].second, QByteArray("name=example.com;password=;keep_password=1"));
    EXPECT_FALSE(form->Timer1->enabled());

    options->LMDEdit1->clear();
    QTest::mouseClick(options->LMDButton1, Qt::LeftButton);
    EXPECT_TRUE(form->LMDSimpleLabel1->text().isEmpty());
    EXPECT_EQ(browser->navigations.size(), 2u);
}

// The settings file holds ANSI text: a character no code page has would be saved as "?" and sign in with
// another password than the one typed. It is refused as it is typed or pasted, and the edit says which it was.
TEST_F(SettingsWindow, CharactersTheSettingsFileCannotHoldAreRefusedAsTyped) {
    options->show();
    options->cxPageControl1->setCurrentWidget(options->cxTabSheet2);
    for (QLineEdit* edit : {options->LMDEdit1, options->LMDEdit2, options->LMDEdit3, options->LMDEdit4}) {
        edit->clear();
        edit->setFocus();
        // Typed as a keyboard layout sends it: a key event carrying the character.
        for (const QString& key :
             {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("\u4E2D"), QStringLiteral("c")}) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, key);
            QApplication::sendEvent(edit, &press);
        }
        EXPECT_EQ(edit->text(), QStringLiteral("abc"));
        EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("\u00AB\u4E2D\u00BB"))) << QToolTip::text().toStdString();

        edit->insert(QStringLiteral("x\U0001F600"));  // a paste: one character of two UTF-16 units
        EXPECT_EQ(edit->text(), QStringLiteral("abc"));
        EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("\U0001F600")));
        edit->insert(QStringLiteral("?1"));
        EXPECT_EQ(edit->text(), QStringLiteral("abc?1"));
    }
}

TEST_F(SettingsWindow, ClosingHidesAndTheWindowComesBackOnTheSameTab) {
    options->show();
    options->cxPageControl1->setCurrentWidget(options->cxTabSheet3);
    options->LMDEdit1->setText(QStringLiteral("kept"));
    options->close();
    EXPECT_FALSE(options->isVisible());
    options->show();
    EXPECT_EQ(options->cxPageControl1->currentWidget(), options->cxTabSheet3);
    EXPECT_EQ(options->LMDEdit1->text(), QStringLiteral("kept"));
}

TEST_F(SettingsWindow, TheAboutPageShowsTheProductPictureWheneverItIsOpened) {
    options->show();
    for (QWidget* page : {options->cxTabSheet4, options->cxTabSheet1, options->cxTabSheet4}) {
        options->cxPageControl1->setCurrentWidget(page);
    }
    const QPixmap picture = options->Image1->pixmap();
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.deviceIndependentSize().toSize(), QSize(309, 175));
    EXPECT_EQ(picture.toImage().pixelColor(2, 170), QColor(Qt::white)) << "not the opaque product picture";
}

TEST_F(SettingsWindow, TheHomePageLinkOpensTheProductPage) {
    QTest::mouseClick(options->LMDLabelFill2, Qt::LeftButton);
    EXPECT_EQ(opened, std::vector<std::string>{ProductPageAddress()});
}

}  // namespace
}  // namespace plimo
