#include "ansi_code_page.h"
#include "loaded_panel.h"
#include "settings/colour_text.h"
#include "statistics_page.h"
#include "stats/display.h"
#include "ui/ansi_qstring.h"
#include "ui/panel_widgets.h"
#include "ui/tfoptions.h"
#include "ui/tform1.h"

#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

namespace plimo {
namespace {

using namespace test;

class RefreshCycle : public ::testing::Test {
protected:
    static QColor arrowPixel(QLabel* image) {
        const QPixmap pixmap = image->pixmap();
        if (pixmap.isNull()) {
            return {};
        }
        // Column 5 holds arrow pixels in both arrows: row 0 for the up arrow, row 15 for the down arrow.
        const QImage picture = pixmap.toImage();
        const QColor top = picture.pixelColor(5, 0);
        return top.alpha() != 0 ? top : picture.pixelColor(5, 15);
    }

    LoadedPanel panel;
    FakeBrowser* browser = panel.browser;
    TForm1* form = panel.form.get();
    Tfoptions* options = panel.options.get();
    std::vector<DialogRequest>& dialogs = panel.dialogs.asked;
};

const QColor kUpGreen(0, 254, 35);
const QColor kDownRed(254, 0, 0);

TEST_F(RefreshCycle, ReportsAndTicksAlternateBetweenShowingAPageAndEmptyingTheScratchText) {
    const std::string first = StatisticsPage({"12,345", "678", "+15", "-3"});
    browser->complete(first);
    EXPECT_EQ(form->Label1->text(), QStringLiteral("12,345"));
    EXPECT_EQ(form->Label2->text(), QStringLiteral("678"));
    EXPECT_EQ(form->Label3->text(), QStringLiteral("15"));
    EXPECT_EQ(form->Label6->text(), QStringLiteral("3"));
    EXPECT_EQ(form->Memo1.substr(0, 7), "Memo1\r\n");
    EXPECT_EQ(form->Memo1.substr(form->Memo1.size() - 2), "\r\n");

    // The tick reads the same page again: the converted page no longer decodes, so the scratch text empties and
    // the panel keeps what it shows.
    form->Timer1Timer();
    EXPECT_TRUE(form->Memo1.empty());
    EXPECT_EQ(form->Label1->text(), QStringLiteral("12,345"));

    browser->complete(StatisticsPage({"13,000", "700", "-2", "-1"}));
    EXPECT_EQ(form->Label1->text(), QStringLiteral("13,000"));
    EXPECT_EQ(form->Memo1.substr(0, 6), "<html>");
    EXPECT_EQ(form->siteNameColour(), kFallingColour);
    EXPECT_TRUE(dialogs.empty());
}

TEST_F(RefreshCycle, ArrowsAndTrendColourFollowTheChanges) {
    browser->complete(StatisticsPage({"1", "2", "+15", "-7"}));
    EXPECT_EQ(arrowPixel(form->Image2), kUpGreen);
    EXPECT_EQ(arrowPixel(form->Image3), kDownRed);
    EXPECT_EQ(form->Image2->pixmap().width(), 12);
    EXPECT_EQ(form->siteNameColour(), kNormalColour);

    form->Memo1.clear();
    browser->complete(StatisticsPage({"1", "2", "0", "-1"}));
    EXPECT_TRUE(form->Image2->pixmap().isNull());
    EXPECT_EQ(form->Label3->text(), QStringLiteral("0"));
    EXPECT_EQ(form->siteNameColour(), kNormalColour);

    form->Memo1.clear();
    browser->complete(StatisticsPage({"1", "2", "-4", "-1"}));
    EXPECT_EQ(arrowPixel(form->Image2), kDownRed);
    EXPECT_EQ(form->siteNameColour(), kFallingColour);
}

TEST_F(RefreshCycle, ATickSignsInWithTheEditsAndRestartsTheTimer) {
    options->LMDEdit2->setText(QStringLiteral(" \texample.com "));
    options->LMDEdit3->setText(QStringLiteral(" пароль&=; "));
    options->LMDEdit4->setText(QStringLiteral("  http://127.0.0.1:1/stat/example.com/index.html\t"));
    browser->complete(StatisticsPage({"1", "2", "+1", "+1"}));
    form->Timer1->setEnabled(false);

    form->Timer1Timer();
    ASSERT_EQ(browser->navigations.size(), 1u);
    EXPECT_EQ(browser->navigations[0].first, QStringLiteral("http://127.0.0.1:1/stat/example.com/index.html"));
    // Typed text goes out in the system's ANSI code page: these bytes where that is Windows-1251.
    const QByteArray password = test::AnsiCodePageIsWindows1251()
                                    ? QByteArray("\xef\xe0\xf0\xee\xeb\xfc")
                                    : QByteArray::fromStdString(QStringToAnsi(QStringLiteral("пароль")));
    const QByteArray body = "name=example.com;password= " + password + "&=; ;keep_password=1";
    EXPECT_EQ(browser->navigations[0].second, body);
    EXPECT_TRUE(form->Timer1->enabled());
}

TEST_F(RefreshCycle, ATickWithoutADocumentReportsAndLeavesTheTimerOff) {
    form->Button4Click();
    EXPECT_TRUE(form->Timer1->enabled());
    emit form->Timer1->tick();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].caption, QStringLiteral("Plimo"));
    EXPECT_EQ(dialogs[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(dialogs[0].text.endsWith(QLatin1Char('.')));
    EXPECT_FALSE(form->Timer1->enabled());
    EXPECT_EQ(form->Memo1, "Memo1\r\n");

    // The navigation that completes afterwards shows its page and turns refreshing back on.
    browser->complete(StatisticsPage({"5", "6", "+1", "+1"}));
    EXPECT_EQ(form->Label1->text(), QStringLiteral("5"));
    EXPECT_TRUE(form->Timer1->enabled());
}

TEST_F(RefreshCycle, AnOddChangeValueNeitherStopsRefreshingNorShowsAnError) {
    form->Timer1->setEnabled(false);
    browser->complete(StatisticsPage({"10", "20", "+1,234", "1-2"}));
    EXPECT_TRUE(dialogs.empty());
    EXPECT_EQ(form->Label3->text(), QStringLiteral("1234"));
    EXPECT_EQ(form->Label6->text(), QString());
    EXPECT_TRUE(form->Timer1->enabled());
}

TEST_F(RefreshCycle, APageServedInWindows1251IsNotShown) {
    // Cyrillic bytes of a single-byte page are no valid UTF-8: nothing is displayed from it.
    browser->complete(std::string(
        "<td align=left><label for=\"id_0\">\xcf\xf0\xee\xf1\xec\xee\xf2\xf0\xfb</label></td>\n<td>99</td>"));
    EXPECT_TRUE(form->Memo1.empty());
    EXPECT_EQ(form->Label1->text(), QString());
}

TEST_F(RefreshCycle, TheSiteNameOpensTheTrimmedSiteAddress) {
    options->LMDEdit2->setText(QStringLiteral("  http://example.com/ \t"));
    QTest::mouseClick(form->LMDSimpleLabel1, Qt::LeftButton);
    options->LMDEdit2->setText(QStringLiteral("   "));
    QTest::mouseClick(form->LMDSimpleLabel1, Qt::LeftButton);
    EXPECT_EQ(panel.opened, (std::vector<std::string>{"http://example.com/", ""}));
}

}  // namespace
}  // namespace plimo
