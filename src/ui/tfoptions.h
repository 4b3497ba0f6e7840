#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPoint>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QWidget>

#include "settings/settings_file.h"
#include "settings/settings_home.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace plimo {

class ClickLabel;
class ColourEdit;
class TForm1;

// The settings window. Its controls hold the live settings: LoadSettings fills them once per run, every other
// part reads them at the moment of use, and SaveSettings writes them back when the panel closes.
class Tfoptions : public QWidget {
    Q_OBJECT
public:
    explicit Tfoptions(TForm1* form1, QWidget* parent = nullptr);

    void LoadSettings();
    void SaveSettings();
    // Whether LoadSettings has run: until then the controls hold no settings worth saving.
    bool settingsLoaded() const { return m_settingsLoaded; }
    void set_update_interval(int index);

    // Handlers.
    void LMDCheckBox1Click();
    void LMDColorEdit1Change();
    void LMDTrackBar1Change();
    void LMDComboBox1Change();
    void LMDButton1Click();
    void LMDLabelFill2Click();

    // The line under "Применить": how the sign-in it sent ended.
    void showSignInOutcome(const QString& text);

    // What the panel reads at the moment of use.
    QString siteName() const;
    QString siteAddress() const;
    QString password() const;
    QString statisticsAddress() const;
    std::int32_t windowColour();

    // Where the settings live (beside the executable unless told otherwise): the file read and the file written,
    // which differ until a user's own copy replaces the one beside a program in a folder the user cannot write.
    void setSettingsHome(const SettingsHome& home);
    void setConfigPath(std::filesystem::path path) {
        m_configReadPath = path;
        m_configPath = std::move(path);
    }
    const std::filesystem::path& configPath() const { return m_configPath; }
    // Hands an address to the desktop's default handler on behalf of the owner window (the one whose handler asks).
    void openAddress(QWidget* owner, const std::string& address) { m_openAddress(owner, address); }
    // The desktop services the window uses; tests replace them.
    void setAddressOpener(std::function<void(QWidget*, const std::string&)> opener) {
        m_openAddress = std::move(opener);
    }
    void setAddressOpener(std::function<void(const std::string&)> opener) {
        m_openAddress = [opener = std::move(opener)](QWidget*, const std::string& address) { opener(address); };
    }
    void setAutostartWriter(std::function<void(const std::string&, bool)> writer) {
        m_setAutostart = std::move(writer);
    }

    // The page control and its pages.
    QTabWidget* cxPageControl1;
    QWidget* cxTabSheet1;  // "Основные"
    QWidget* cxTabSheet2;  // "Авторизация"
    QWidget* cxTabSheet3;  // "Дополнительно"
    QWidget* cxTabSheet4;  // "О программе"

    // "Основные"
    QCheckBox* LMDCheckBox1;    // start at log-on ("autostart")
    QLabel* LMDSimpleLabel1;    // captions of the controls below them
    ColourEdit* LMDColorEdit1;  // the window colour ("color")
    QLabel* LMDSimpleLabel2;
    ColourEdit* LMDColorEdit2;  // the visitors' colour, Label2 and Label6 ("colorf1")
    QLabel* LMDSimpleLabel3;
    ColourEdit* LMDColorEdit3;  // the page views' colour, Label1 and Label3 ("colorf2")
    QLabel* LMDSimpleLabel4;
    QSlider* LMDTrackBar1;  // the panel's opacity, 0 to 255 ("blend")

    // "Авторизация"
    QLabel* LMDLabel1;
    QLineEdit* LMDEdit1;  // the site name the panel shows ("sitename")
    QLabel* LMDLabel4;
    QLineEdit* LMDEdit4;  // the statistics page address the sign-in goes to ("lindx")
    QGroupBox* GroupBox1;
    QLabel* LMDLabel2;
    QLineEdit* LMDEdit2;  // the site address the sign-in names and the site name opens ("sitehttp")
    QLabel* LMDLabel3;
    QLineEdit* LMDEdit3;      // the password ("pass")
    QPushButton* LMDButton1;  // "Применить": signs in with the three above
    QLabel* signInStatus;     // under LMDButton1: the outcome of the sign-in it sent

    // "Дополнительно"
    QLabel* LMDSimpleLabel5;
    QComboBox* LMDComboBox1;  // the refresh period ("up")

    // "О программе"
    QLabel* Image1;  // the product picture
    QLabel* Label1;  // the version
    QLabel* LMDLabelFill1;
    ClickLabel* LMDLabelFill2;  // the product page link

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMainTab();
    void buildSignInTab();
    void buildMoreTab();
    void buildAboutTab();
    void connectHandlers();

    // The settings as the controls and the panel now hold them, in the file's forms.
    SettingsTexts currentTexts();
    void applyStored(const SettingsTexts& stored, QPoint defaultPlace);

    TForm1* m_form1;
    std::filesystem::path m_configPath;
    std::filesystem::path m_configReadPath;
    // A file that exists but could not be read is never written over: the user's settings may still be in it.
    bool m_leaveFileAlone = false;
    // The keys the load applied: all of them, unless a value that does not convert stopped it. Then only those,
    // and the ones the user has changed since the stop (compared with what the controls held then), are saved.
    SettingsKeys m_appliedKeys = AllSettingsKeys();
    SettingsTexts m_atLoadStop;
    std::function<void(QWidget*, const std::string&)> m_openAddress;
    std::function<void(const std::string&, bool)> m_setAutostart;
    bool m_shownBefore = false;
    bool m_settingsLoaded = false;
};

}  // namespace plimo
