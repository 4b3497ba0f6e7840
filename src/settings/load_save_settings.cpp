// Loading and saving the settings window's controls from and to config.ini.
#include "app/dialogs.h"
#include "platform/profile.h"
#include "settings/colour_text.h"
#include "settings/settings_keys.h"
#include "settings/trimmed_text.h"
#include "stats/display.h"
#include "ui/ansi_qstring.h"
#include "ui/colour_edit.h"
#include "ui/tfoptions.h"
#include "ui/tform1.h"
#include "update/maker_site.h"

#include <QGuiApplication>
#include <QScreen>

#include <string>

namespace plimo {
namespace {

// A panel that no screen shows any part of (its monitor is gone) comes back to the default corner.
bool IsOnSomeScreen(const QRect& panel) {
    const auto screens = QGuiApplication::screens();
    for (const QScreen* screen : screens) {
        if (screen->geometry().intersects(panel)) {
            return true;
        }
    }
    return screens.isEmpty();
}

}  // namespace

void Tfoptions::LoadSettings() {
    m_settingsLoaded = true;
    const QPoint defaultPlace = m_form1->defaultPosition();

    std::string autostart, sitename, sitehttp, pass, color, colorf1, colorf2, blend, up, cx, cy, fs, lindx;
    try {
        const ProfileFile file(m_configPath);
        auto read = [&file](std::string_view key, std::string_view defaultValue) {
            return file.read(kSettingsSection, key, defaultValue);
        };
        autostart = read("autostart", "1");
        sitename = read("sitename", "");
        sitehttp = read("sitehttp", "");
        pass = read("pass", "");
        color = read("color", "clBlack");
        colorf1 = read("colorf1", "$0080FFFF");
        colorf2 = read("colorf2", "$00F3ED07");
        blend = read("blend", "193");
        up = read("up", "2");
        cx = read("cx", std::to_string(defaultPlace.x()));
        cy = read("cy", std::to_string(defaultPlace.y()));
        fs = read("fs", "1");
        lindx = read("lindx", kExampleStatisticsPage);
    } catch (...) {
        // A file that cannot be read leaves the keys not read by then empty; their conversions fail below.
    }

    // Applied in this order; a value that does not convert ends the load here, with what came before applied.
    LMDCheckBox1->setChecked(autostart == "1");
    LMDEdit1->setText(AnsiToQString(sitename));
    m_form1->setSiteName(AnsiToQString(sitename));
    LMDEdit2->setText(AnsiToQString(sitehttp));
    LMDEdit3->setText(AnsiToQString(pass));
    LMDEdit4->setText(AnsiToQString(lindx));
    for (QLineEdit* edit : {LMDEdit1, LMDEdit2, LMDEdit3, LMDEdit4}) {
        edit->home(false);  // a long address shows its beginning, not its end
    }
    LMDColorEdit1->setColour(ParseColour(color));
    LMDTrackBar1->setValue(ParseInteger(blend));
    m_form1->setSiteNameColour(kNormalColour);
    const std::int32_t visitorsColour = ParseColour(colorf1);
    m_form1->setVisitorsColour(visitorsColour);
    LMDColorEdit2->setColour(visitorsColour);
    const std::int32_t viewsColour = ParseColour(colorf2);
    m_form1->setViewsColour(viewsColour);
    LMDColorEdit3->setColour(viewsColour);
    m_form1->move(ParseInteger(cx), m_form1->y());
    m_form1->move(m_form1->x(), ParseInteger(cy));
    if (!IsOnSomeScreen(m_form1->frameGeometry())) {
        m_form1->move(defaultPlace);
    }
    const std::int32_t interval = ParseInteger(up);
    LMDComboBox1->setCurrentIndex(interval >= 0 && interval <= 4 ? interval : -1);
    set_update_interval(interval);

    if (fs == "1") {
        m_openAddress(m_form1, ProductPageAddress());
        m_setAutostart("Plimo", false);
        cxPageControl1->setCurrentWidget(cxTabSheet2);
        show();
    }
}

void Tfoptions::SaveSettings() {
    bool saved = false;
    try {
        ProfileFile file(m_configPath);
        // The first key that cannot be written ends the save.
        bool writable = true;
        auto write = [&file, &writable](std::string_view key, const std::string& value) {
            writable = writable && file.write(kSettingsSection, key, value);
        };
        write("autostart", LMDCheckBox1->isChecked() ? "1" : "0");
        write("sitename", Trimmed(QStringToAnsi(LMDEdit1->text())));
        write("sitehttp", Trimmed(QStringToAnsi(LMDEdit2->text())));
        write("lindx", Trimmed(QStringToAnsi(LMDEdit4->text())));
        write("pass", Trimmed(QStringToAnsi(LMDEdit3->text())));
        write("color", FormatColour(LMDColorEdit1->colour()));
        write("colorf1", FormatColour(LMDColorEdit2->colour()));
        write("colorf2", FormatColour(LMDColorEdit3->colour()));
        write("blend", std::to_string(LMDTrackBar1->value()));
        write("up", std::to_string(LMDComboBox1->currentIndex()));
        write("cx", std::to_string(m_form1->x()));
        write("cy", std::to_string(m_form1->y()));
        write("fs", "0");
        // The keys written replace the file in one step: it is always either the old file or the new one.
        saved = file.commit() && writable;
    } catch (...) {
        saved = false;
    }
    if (!saved) {
        ShowSaveFailedBox();
    }
}

}  // namespace plimo
