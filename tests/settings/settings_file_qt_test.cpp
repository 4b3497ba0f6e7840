#include "ansi_code_page.h"
#include "loaded_panel.h"
#include "settings/colour_text.h"
#include "ui/colour_edit.h"
#include "ui/panel_widgets.h"
#include "ui/tfoptions.h"
#include "ui/tform1.h"
#include "update/maker_site.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>

namespace plimo {
namespace {

using namespace test;

// Each LoadedPanel on the folder is one start of the program, its settings not yet loaded.
class SettingsFile : public ::testing::Test {
protected:
    void writeConfig(const std::string& lines) { WriteFileBytes(config(), "[OPTIONS]\r\n" + lines); }
    std::filesystem::path config() const { return folder->file("config.ini"); }

    std::shared_ptr<TempDir> folder = std::make_shared<TempDir>();
};

TEST_F(SettingsFile, FirstStartWithoutAFileTakesTheDefaultsAndRunsTheFirstRunBranch) {
    LoadedPanel w({.folder = folder});
    w.options->LoadSettings();

    // The defaults reach the controls and the panel.
    EXPECT_TRUE(w.options->LMDCheckBox1->isChecked());
    EXPECT_EQ(w.options->LMDEdit4->text().toStdString(), kExampleStatisticsPage);
    EXPECT_EQ(w.options->LMDColorEdit1->text(), QStringLiteral("clBlack"));
    EXPECT_EQ(w.form->colour(), 0);
    EXPECT_EQ(w.form->alphaBlendValue(), 193);
    EXPECT_EQ(w.options->LMDComboBox1->currentText(), QStringLiteral("5 минут"));
    EXPECT_EQ(w.form->Timer1->interval(), 300000u);
    EXPECT_EQ(w.form->pos(), w.form->defaultPosition());
    // The first run: the product page, the autostart entry, and the settings window on the sign-in page.
    EXPECT_EQ(w.opened, std::vector<std::string>{ProductPageAddress()});
    EXPECT_EQ(w.autostart, (std::vector<std::pair<std::string, bool>>{{"Plimo", false}}));
    EXPECT_TRUE(w.options->isVisible());
    EXPECT_EQ(w.options->cxPageControl1->currentWidget(), w.options->cxTabSheet2);
    EXPECT_TRUE(w.dialogs.asked.empty());
}

TEST_F(SettingsFile, ANormalExitWritesAllKeysAndTheNextStartRestoresThem) {
    if (!test::AnsiCodePageIsWindows1251()) {
        GTEST_SKIP() << "the settings file is in the system's ANSI code page, and this one is not Windows-1251";
    }
    {
        LoadedPanel w({.folder = folder});
        w.options->LoadSettings();
        w.options->LMDCheckBox1->setChecked(false);
        w.options->LMDEdit1->setText(QStringLiteral("  Мой сайт"));
        w.options->LMDEdit2->setText(QStringLiteral("http://example.com "));
        w.options->LMDEdit3->setText(QStringLiteral("pa ss"));
        w.options->LMDEdit4->setText(QStringLiteral("http://127.0.0.1/stat"));
        w.options->LMDColorEdit1->setColour(0x00123456);
        w.options->LMDColorEdit2->setText(QStringLiteral("clLime"));
        w.options->LMDColorEdit3->setText(QStringLiteral("not a colour"));
        w.options->LMDTrackBar1->setValue(77);
        w.options->LMDComboBox1->setCurrentIndex(4);
        w.form->move(10, 20);
        w.options->SaveSettings();
    }
    const std::string saved = ReadFileBytes(config());
    EXPECT_EQ(saved,
              "[OPTIONS]\r\nautostart=0\r\nsitename=\xcc\xee\xe9 \xf1\xe0\xe9\xf2\r\nsitehttp=http://example.com\r\n"
              "lindx=http://127.0.0.1/stat\r\npass=pa ss\r\ncolor=$00123456\r\ncolorf1=clLime\r\ncolorf2=clRed\r\n"
              "blend=77\r\nup=4\r\ncx=10\r\ncy=20\r\nfs=0\r\n");

    LoadedPanel next({.folder = folder});
    next.options->LoadSettings();
    EXPECT_FALSE(next.options->LMDCheckBox1->isChecked());
    EXPECT_EQ(next.options->LMDEdit1->text(), QStringLiteral("Мой сайт"));
    EXPECT_EQ(next.form->LMDSimpleLabel1->text(), QStringLiteral("Мой сайт"));
    EXPECT_EQ(next.form->colour(), 0x00123456);
    EXPECT_EQ(next.form->alphaBlendValue(), 77);
    EXPECT_EQ(next.form->Timer1->interval(), 3600000u);
    EXPECT_EQ(next.form->pos(), QPoint(10, 20));
    EXPECT_TRUE(next.opened.empty());
    EXPECT_TRUE(next.autostart.empty());
    EXPECT_FALSE(next.options->isVisible());
}

TEST_F(SettingsFile, OpacityIsClampedAndZeroLeavesThePanelAsItWas) {
    struct Case {
        const char* blend;
        int position;
        int alpha;
    };
    for (const Case& c : {Case{"0", 0, 160}, Case{"-5", 0, 160}, Case{"300", 255, 255}, Case{"$C1", 193, 193}}) {
        writeConfig(std::string("fs=0\r\nblend=") + c.blend + "\r\n");
        LoadedPanel w({.folder = folder});
        w.options->LoadSettings();
        EXPECT_EQ(w.options->LMDTrackBar1->value(), c.position) << c.blend;
        EXPECT_EQ(w.form->alphaBlendValue(), c.alpha) << c.blend;
    }
}

TEST_F(SettingsFile, ABadNumberStopsTheLoadAtItsStep) {
    writeConfig("sitename=Site\r\ncolor=clNavy\r\nblend=\r\ncx=5\r\nfs=1\r\n");
    LoadedPanel w({.folder = folder});
    try {
        w.options->LoadSettings();
        FAIL() << "the load went on past an empty number";
    } catch (const EConvertError& error) {
        EXPECT_STREQ(error.what(), "'' is not a valid integer value");
    }
    EXPECT_EQ(w.options->LMDEdit1->text(), QStringLiteral("Site"));
    EXPECT_EQ(w.form->colour(), 0x00800000);
    EXPECT_EQ(w.form->alphaBlendValue(), 160);
    EXPECT_EQ(w.form->pos(), w.form->defaultPosition());
    EXPECT_EQ(w.options->LMDComboBox1->currentIndex(), -1);
    EXPECT_TRUE(w.opened.empty());
}

// The values after a bad one were never applied: the controls' initial values (an opacity of 0 among them) must not
// replace them. What the load applied, and what the user changed since, is saved.
TEST_F(SettingsFile, ALoadStoppedByABadValueSavesOnlyWhatItAppliedAndWhatTheUserChanged) {
    const std::string after = "colorf1=$00000001\r\ncolorf2=$00000002\r\nblend=50\r\nup=3\r\ncx=10\r\n";
    writeConfig("sitename=Site\r\ncolor=abc\r\n" + after + "cy=20\r\nfs=0\r\n");
    LoadedPanel w({.folder = folder});
    EXPECT_THROW(w.options->LoadSettings(), EConvertError);
    w.options->LMDEdit1->setText(QStringLiteral("Renamed"));
    w.form->move(w.form->x(), 300);
    w.options->SaveSettings();

    const std::string saved = ReadFileBytes(config());
    EXPECT_NE(saved.find("sitename=Renamed\r\ncolor=abc\r\n" + after + "cy=300\r\nfs=0\r\n"), std::string::npos)
        << saved;
    EXPECT_NE(saved.find("autostart=1\r\n"), std::string::npos) << "applied before the stop";
    EXPECT_TRUE(w.dialogs.asked.empty());
}

// A file that was there but could not be read (a folder in its place here; no permission, another program holding
// it or a cloud folder off line for users) may hold the user's settings: the defaults run, no first run starts, the
// user is told once, and the exit leaves the file alone even when it can be read by then.
TEST_F(SettingsFile, AFileThatCouldNotBeReadIsNeverWrittenOver) {
    std::filesystem::create_directory(config());
    LoadedPanel w({.folder = folder});
    w.options->LoadSettings();
    EXPECT_EQ(w.options->statisticsAddress().toStdString(), kExampleStatisticsPage);
    EXPECT_EQ(w.form->alphaBlendValue(), 193);
    EXPECT_TRUE(w.opened.empty());
    EXPECT_TRUE(w.autostart.empty());
    EXPECT_FALSE(w.options->isVisible());
    ASSERT_EQ(w.dialogs.asked.size(), 1u);
    EXPECT_EQ(w.dialogs.asked[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(w.dialogs.asked[0].text.contains(QString::fromStdU16String(config().u16string())))
        << w.dialogs.asked[0].text.toStdString();

    std::filesystem::remove(config());
    writeConfig("sitename=mine\r\npass=secret\r\nfs=0\r\n");
    const std::string before = ReadFileBytes(config());
    w.options->LMDEdit1->setText(QStringLiteral("changed"));
    w.options->SaveSettings();
    EXPECT_EQ(ReadFileBytes(config()), before);
    EXPECT_EQ(w.dialogs.asked.size(), 1u);
}

// Where the program's folder cannot be written, the copy there is read once and the user's own copy saved.
TEST_F(SettingsFile, TheUsersOwnCopyTakesOverFromTheOneBesideTheProgram) {
    TempDir user;
    writeConfig("sitename=shipped\r\nfs=0\r\n");
    const std::string shipped = ReadFileBytes(config());
    LoadedPanel w({.folder = folder});
    w.options->setSettingsHome({user.path(), config()});
    w.options->LoadSettings();
    EXPECT_EQ(w.options->LMDEdit1->text(), QStringLiteral("shipped"));
    w.options->SaveSettings();
    w.options->LMDEdit1->setText(QStringLiteral("mine"));
    w.options->SaveSettings();

    EXPECT_EQ(ReadFileBytes(config()), shipped);
    const std::string own = ReadFileBytes(user.file("config.ini"));
    EXPECT_NE(own.find("sitename=mine\r\n"), std::string::npos) << own;
    EXPECT_NE(own.find("fs=0\r\n"), std::string::npos) << own;
    EXPECT_TRUE(w.dialogs.asked.empty());
}

// Values the controls do not offer, under a key in another case: the edit writes the colour its own way, an
// interval out of the list leaves none chosen and the default period running, and the save keeps the file's key.
TEST_F(SettingsFile, OddValuesReadAsTheSettingsFileAlwaysHas) {
    writeConfig("Color=clred\r\nup=7\r\nfs=0\r\n");
    LoadedPanel w({.folder = folder});
    w.options->LoadSettings();
    EXPECT_EQ(w.form->colour(), 255);
    EXPECT_EQ(w.options->LMDColorEdit1->text(), QStringLiteral("clRed"));
    EXPECT_EQ(w.options->LMDComboBox1->currentIndex(), -1);
    EXPECT_EQ(w.form->Timer1->interval(), 300000u);

    w.options->SaveSettings();
    const std::string saved = ReadFileBytes(config());
    EXPECT_NE(saved.find("up=-1\r\n"), std::string::npos);
    EXPECT_NE(saved.find("Color=clRed\r\n"), std::string::npos);
}

TEST_F(SettingsFile, APanelNoScreenShowsComesBackToTheCorner) {
    const int belowTheScreen = QGuiApplication::primaryScreen()->geometry().bottom() + 500;
    const std::pair<QPoint, bool> places[] = {{{-500, 10}, false}, {{-100, 10}, true}, {{10, belowTheScreen}, false}};
    for (const auto& [place, kept] : places) {
        writeConfig("fs=0\r\ncx=" + std::to_string(place.x()) + "\r\ncy=" + std::to_string(place.y()) + "\r\n");
        LoadedPanel w({.folder = folder});
        w.options->LoadSettings();
        EXPECT_EQ(w.form->pos(), kept ? place : w.form->defaultPosition()) << place.x() << "," << place.y();
    }
}

// A password in quotes, or with "=", ";" or Cyrillic in it, is what the next start signs in with.
TEST_F(SettingsFile, EveryPasswordAndAddressFormComesBackAsSaved) {
    QStringList forms = {QStringLiteral("\"abc\""), QStringLiteral("'abc'"), QStringLiteral("\"\""),
                         QStringLiteral("a=b;c"), QStringLiteral("'http://example.com/'")};
    // The settings file is in the system's ANSI code page: Cyrillic comes back only where that is Windows-1251.
    if (test::AnsiCodePageIsWindows1251()) {
        forms << QStringLiteral("\"пароль\"") << QString(2047, u'п');
    }
    for (const QString& form : forms) {
        {
            LoadedPanel w({.folder = folder});
            w.options->LoadSettings();
            w.options->LMDEdit3->setText(form);
            w.options->LMDEdit2->setText(form);
            w.options->SaveSettings();
            EXPECT_TRUE(w.dialogs.asked.empty());
        }
        LoadedPanel next({.folder = folder});
        next.options->LoadSettings();
        EXPECT_EQ(next.options->LMDEdit3->text(), form);
        EXPECT_EQ(next.options->LMDEdit2->text(), form);
    }
}

TEST_F(SettingsFile, FontColoursWaitForTheNextStart) {
    {
        LoadedPanel w({.folder = folder});
        w.options->LoadSettings();
        const QColor before = w.form->Label2->palette().color(QPalette::WindowText);
        w.options->LMDColorEdit2->setText(QStringLiteral("clWhite"));
        EXPECT_EQ(w.form->Label2->palette().color(QPalette::WindowText), before);
        w.options->SaveSettings();
    }
    LoadedPanel next({.folder = folder});
    next.options->LoadSettings();
    EXPECT_EQ(next.form->Label2->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_EQ(next.form->Label6->palette().color(QPalette::WindowText), QColor(Qt::white));
}

}  // namespace
}  // namespace plimo
