// The settings window's controls filled from config.ini, and written back to it.
#include "settings/colour_text.h"
#include "settings/settings_file.h"
#include "stats/display.h"
#include "ui/ansi_qstring.h"
#include "ui/colour_edit.h"
#include "ui/dialogs.h"
#include "ui/panel_placement.h"
#include "ui/tfoptions.h"
#include "ui/tform1.h"
#include "update/maker_site.h"

#include <QGuiApplication>
#include <QScreen>

#include <string>

namespace plimo {

void Tfoptions::LoadSettings() {
    m_settingsLoaded = true;
    const QPoint defaultPlace = m_form1->defaultPosition();
    const SettingsTexts stored = ReadSettingsFile(m_configPath, defaultPlace.x(), defaultPlace.y());

    // Applied in this order; a value that does not convert ends the load here, with what came before applied.
    LMDCheckBox1->setChecked(stored.autostart == "1");
    LMDEdit1->setText(AnsiToQString(stored.sitename));
    m_form1->setSiteName(AnsiToQString(stored.sitename));
    LMDEdit2->setText(AnsiToQString(stored.sitehttp));
    LMDEdit3->setText(AnsiToQString(stored.pass));
    LMDEdit4->setText(AnsiToQString(stored.lindx));
    for (QLineEdit* edit : {LMDEdit1, LMDEdit2, LMDEdit3, LMDEdit4}) {
        edit->home(false);  // a long address shows its beginning, not its end
    }
    LMDColorEdit1->setColour(ParseColour(stored.color));
    LMDTrackBar1->setValue(ParseInteger(stored.blend));
    m_form1->setSiteNameColour(kNormalColour);
    const std::int32_t visitorsColour = ParseColour(stored.colorf1);
    m_form1->setVisitorsColour(visitorsColour);
    LMDColorEdit2->setColour(visitorsColour);
    const std::int32_t viewsColour = ParseColour(stored.colorf2);
    m_form1->setViewsColour(viewsColour);
    LMDColorEdit3->setColour(viewsColour);
    m_form1->move(ParseInteger(stored.cx), m_form1->y());
    m_form1->move(m_form1->x(), ParseInteger(stored.cy));
    // A panel that no screen shows any part of (its monitor is gone) comes back to the default corner.
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        screens.append(screen->geometry());
    }
    if (!IsOnSomeScreen(m_form1->frameGeometry(), screens)) {
        m_form1->move(defaultPlace);
    }
    const std::int32_t interval = ParseInteger(stored.up);
    LMDComboBox1->setCurrentIndex(interval >= 0 && interval <= 4 ? interval : -1);
    set_update_interval(interval);

    if (stored.fs == "1") {
        m_openAddress(m_form1, ProductPageAddress());
        m_setAutostart("Plimo", false);
        cxPageControl1->setCurrentWidget(cxTabSheet2);
        show();
    }
}

void Tfoptions::SaveSettings() {
    SettingsTexts settings;
    settings.autostart = std::string(1, LMDCheckBox1->isChecked() ? '1' : '0');
    settings.sitename = QStringToAnsi(LMDEdit1->text());
    settings.sitehttp = QStringToAnsi(LMDEdit2->text());
    settings.lindx = QStringToAnsi(LMDEdit4->text());
    settings.pass = QStringToAnsi(LMDEdit3->text());
    settings.color = FormatColour(LMDColorEdit1->colour());
    settings.colorf1 = FormatColour(LMDColorEdit2->colour());
    settings.colorf2 = FormatColour(LMDColorEdit3->colour());
    settings.blend = std::to_string(LMDTrackBar1->value());
    settings.up = std::to_string(LMDComboBox1->currentIndex());
    settings.cx = std::to_string(m_form1->x());
    settings.cy = std::to_string(m_form1->y());
    if (!WriteSettingsFile(m_configPath, settings)) {
        ShowSaveFailedBox();
    }
}

}  // namespace plimo
