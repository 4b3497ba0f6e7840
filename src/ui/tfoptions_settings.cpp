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

#include <cstdint>
#include <string>

namespace plimo {

namespace {

QString FailureText(FileReadFailure failure, std::uint32_t systemError) {
    switch (failure) {
        case FileReadFailure::NoAccess:
            return QStringLiteral("нет прав на чтение файла");
        case FileReadFailure::InUse:
            return QStringLiteral("файл занят другой программой");
        case FileReadFailure::Offline:
            return QStringLiteral("файл облачной папки недоступен на этом компьютере");
        case FileReadFailure::NotAFile:
            return QStringLiteral("вместо файла — папка, устройство или ссылка");
        default:
            return QStringLiteral("ошибка чтения, код %1").arg(systemError);
    }
}

QString ProblemText(const SettingsFileRead& read) {
    switch (read.problem) {
        case SettingsFileProblem::TooLarge:
            return QStringLiteral("файл больше 1 МБ и не похож на файл настроек");
        case SettingsFileProblem::Utf16:
            return QStringLiteral("файл сохранён в кодировке UTF-16 (Юникод)");
        default:
            return FailureText(read.failure, read.systemError);
    }
}

}  // namespace

void Tfoptions::setSettingsHome(const SettingsHome& home) {
    m_configPath = home.folder / kSettingsFileName;
    m_configReadPath = home.configFile;
}

void Tfoptions::LoadSettings() {
    m_settingsLoaded = true;
    const QPoint defaultPlace = m_form1->defaultPosition();
    const SettingsFileRead read = ReadSettingsFile(m_configReadPath, defaultPlace.x(), defaultPlace.y());
    if (read.problem != SettingsFileProblem::None) {
        m_leaveFileAlone = true;
        ShowSettingsUnreadableBox(QString::fromStdU16String(m_configReadPath.u16string()), ProblemText(read));
    }
    m_appliedKeys.reset();
    try {
        applyStored(read.texts, defaultPlace);
    } catch (...) {
        m_atLoadStop = currentTexts();
        throw;
    }
    m_appliedKeys.set();

    // Defaults in place of a file that is there but unread are no first run: its branch would switch start at
    // log-on back on and send the user to the product page again.
    if (read.texts.fs == "1" && !m_leaveFileAlone) {
        m_openAddress(m_form1, ProductPageAddress());
        m_setAutostart("Plimo", false);
        cxPageControl1->setCurrentWidget(cxTabSheet2);
        show();
    }
}

void Tfoptions::applyStored(const SettingsTexts& stored, QPoint defaultPlace) {
    // Applied in this order; a value that does not convert ends the load here, with what came before applied.
    LMDCheckBox1->setChecked(stored.autostart == "1");
    Add(m_appliedKeys, SettingsKey::autostart);
    LMDEdit1->setText(AnsiToQString(stored.sitename));
    m_form1->setSiteName(AnsiToQString(stored.sitename));
    LMDEdit2->setText(AnsiToQString(stored.sitehttp));
    LMDEdit3->setText(AnsiToQString(stored.pass));
    LMDEdit4->setText(AnsiToQString(stored.lindx));
    for (QLineEdit* edit : {LMDEdit1, LMDEdit2, LMDEdit3, LMDEdit4}) {
        edit->home(false);  // a long address shows its beginning, not its end
    }
    Add(Add(Add(Add(m_appliedKeys, SettingsKey::sitename), SettingsKey::sitehttp), SettingsKey::pass),
        SettingsKey::lindx);
    LMDColorEdit1->setColour(ParseColour(stored.color));
    Add(m_appliedKeys, SettingsKey::color);
    LMDTrackBar1->setValue(ParseInteger(stored.blend));
    Add(m_appliedKeys, SettingsKey::blend);
    m_form1->setSiteNameColour(kNormalColour);
    const std::int32_t visitorsColour = ParseColour(stored.colorf1);
    m_form1->setVisitorsColour(visitorsColour);
    LMDColorEdit2->setColour(visitorsColour);
    Add(m_appliedKeys, SettingsKey::colorf1);
    const std::int32_t viewsColour = ParseColour(stored.colorf2);
    m_form1->setViewsColour(viewsColour);
    LMDColorEdit3->setColour(viewsColour);
    Add(m_appliedKeys, SettingsKey::colorf2);
    m_form1->move(ParseInteger(stored.cx), m_form1->y());
    Add(m_appliedKeys, SettingsKey::cx);
    m_form1->move(m_form1->x(), ParseInteger(stored.cy));
    Add(m_appliedKeys, SettingsKey::cy);
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
    Add(m_appliedKeys, SettingsKey::up);
}

SettingsTexts Tfoptions::currentTexts() {
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
    return settings;
}

void Tfoptions::SaveSettings() {
    if (m_leaveFileAlone) {
        return;
    }
    SettingsTexts settings = currentTexts();
    SettingsKeys keys = m_appliedKeys;
    if (!keys.all()) {
        for (const SettingsKeyRule& rule : kSettingsKeyRules) {
            if (rule.key != SettingsKey::fs && settings.*rule.text != m_atLoadStop.*rule.text) {
                Add(keys, rule.key);
            }
        }
    }
    if (!WriteSettingsFile(m_configReadPath, m_configPath, settings, keys)) {
        ShowSaveFailedBox();
        return;
    }
    // From now on the user's own copy is the file, wherever the first one was read from.
    m_configReadPath = m_configPath;
}

}  // namespace plimo
