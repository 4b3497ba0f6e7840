#pragma once

#include "browser/browser_engine.h"
#include "settings/settings_keys.h"
#include "stats/display.h"
#include "stats/refresh_timer.h"
#include "ui/panel_status.h"
#include "ui/ttray_icon.h"

#include <QAction>
#include <QDateTime>
#include <QHash>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

class QScreen;

namespace plimo {

class ClickLabel;
class ClickPanel;
class HistoryFile;
class HistoryWindow;
class Tfoptions;

// The panel: a borderless, always-on-top 222 x 77 window that shows the site name and the four values, and
// carries the refresh cycle (timer, browser, scratch text).
class TForm1 : public QWidget {
    Q_OBJECT
public:
    // Without a tray host check the desktop is asked whether it has a notification area.
    explicit TForm1(std::unique_ptr<BrowserEngine> browser, TTrayIcon::HostCheck trayHostCheck = {},
                    QWidget* parent = nullptr);
    ~TForm1() override;

    // The settings window, whose controls hold the live settings.
    void setOptionsWindow(Tfoptions* options) { m_options = options; }

    // Creation: labels cleared, panel placed at the bottom-right corner of the primary screen.
    void FormCreate();
    // Activation: the first one in a run loads the settings and starts refreshing.
    void FormActivate();
    // Asked before the panel closes: saves the settings, and always allows.
    bool FormCloseQuery();
    // The session manager's commit request before a log-off, which the user may still cancel: the settings are
    // saved and the panel keeps running.
    void saveForSessionCommit();
    // The session (or the program) really ends: the panel closes the normal way, unless it has already.
    void closeForSessionEnd();
    // The program was started again from its folder: the running panel comes out of the tray and to the front.
    void showForAnotherStart();

    // Offers the product page when the maker's server names a newer version.
    void OfferUpdate();
    // Replaces the update check (tests).
    void setUpdateCheck(std::function<bool()> check) { m_checkNewVersion = std::move(check); }

    // The refresh cycle.
    void Button1Click();  // sign-in request
    void Button2Click();  // read pass
    void Button3Click();  // display step
    void Button4Click();  // start
    void Timer1Timer();
    void WebBrowser1NavigateComplete2();
    // Appends the browser's current document to the lines; throws when the browser holds no document.
    bool WB_GetHTMLCode(BrowserEngine& browser, std::string& lines);
    void RefreshArrows();

    // The tray menu's refresh now, through the same path as a tick, and the statistics page in the user's browser.
    void RefreshNow();
    void OpenStatistics();
    // Where each fresh navigation leaves a sample (history.csv beside config.ini); without one nothing is kept.
    void setHistoryFile(const std::filesystem::path& path);
    HistoryFile* history() const { return m_history.get(); }
    // The tray menu's "История…": today against yesterday, made at the first call.
    void showHistory();
    HistoryWindow* historyWindow() const { return m_historyWindow.get(); }
    // The next navigation is the sign-in the settings window sent: its outcome goes to the window's status line.
    void expectSignInFromSettings() { m_signInFromSettings = true; }
    // What the panel tells besides its numbers, and the lines that say it.
    const PanelStatus& status() const { return m_status; }
    QStringList stateLines() const;
    // The clock the state is told by (tests set their own).
    void setClock(std::function<QDateTime()> clock) { m_now = std::move(clock); }

    // The site name opens the site address.
    void LMDSimpleLabel1Click();
    // The hide glyph sends the panel to the tray.
    void Image4Click();
    // A click on the tray icon hides the panel, or shows it again.
    void TrayIcon1Click();
    // The tray menu: "Настройки" shows the settings window, "Выход" closes the panel.
    void aoptionsExecute();
    void acloseExecute();

    // The window colour (0x00BBGGRR or a system colour) that the background and the value labels show.
    void setColour(std::int32_t colour);
    std::int32_t colour() const { return m_colour; }
    // Opacity 0 (invisible) to 255 (opaque).
    void setAlphaBlendValue(int alpha);
    int alphaBlendValue() const { return m_alpha; }
    // The site name label's text; the label sizes itself to it.
    void setSiteName(const QString& name);
    void setSiteNameColour(std::int32_t colour);
    std::int32_t siteNameColour() const { return m_siteNameColour; }
    void setViewsColour(std::int32_t colour);     // Label1 and Label3
    void setVisitorsColour(std::int32_t colour);  // Label2 and Label6
    // The refresh timer's period, as the settings window's interval gives it.
    void setRefreshInterval(std::uint32_t milliseconds);
    // The default place: bottom-right corner of the primary screen, 40 pixels above its bottom edge.
    QPoint defaultPosition() const;

    // Components, named as the panel's layout names them.
    RefreshTimer* Timer1;
    BrowserEngine* WebBrowser1;
    std::string Memo1;  // scratch text of the page sources, Windows-1251 bytes once read
    ClickPanel* Panel1;
    ClickPanel* Panel2;
    ClickLabel* LMDSimpleLabel1;        // site name
    ClickLabel* Image4;                 // hide glyph
    QLabel* Image5;                     // visitors mark
    QLabel* Image6;                     // page-views mark
    QLabel* Label1;                     // page views
    QLabel* Label2;                     // visitors
    QLabel* Label3;                     // change of page views
    QLabel* Label6;                     // change of visitors
    QLabel* Image2;                     // arrow of the page-views change
    QLabel* Image3;                     // arrow of the visitors change
    std::array<QPixmap, 2> ImageList1;  // 0 down arrow, 1 up arrow
    TTrayIcon* TrayIcon1;
    QMenu* PopupMenu1;
    QAction* N1;                    // "Настройки"
    QAction* N2;                    // "Выход"
    QAction* refreshNowAction;      // "Обновить сейчас"
    QAction* openStatisticsAction;  // "Открыть статистику"
    QAction* historyAction;         // "История…"
    QLabel* statusMark;             // 8 x 8 at 197, 5: a clock when the values are stale, "!" after a failure

signals:
    // The panel has closed; it is the main window, so the program ends.
    void closed();

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void buildLayout();
    void buildTrayIcon(TTrayIcon::HostCheck hostCheck);
    void showArrow(QLabel* image, Arrow arrow);
    // The pictures at the current screen's pixel density; nothing when they already are.
    void drawArtwork();
    QPixmap statusMarkPixmap(StatusMark mark) const;
    // Keeps the panel in view when a screen comes, goes or changes its geometry.
    void watchScreen(QScreen* screen);
    void keepInView(const QScreen* changed, const QRect& before, const QRect& after);
    static void refreshImage(QLabel* image);
    // Decides what the navigation whose report came tells, before its read pass.
    bool recordNavigation();
    // A fresh navigation leaves the values its read pass found in the history.
    void keepSample();
    // Shows the state: the mark, the values' strength, the tooltips, the accessible names, the tray's tooltip.
    void showStatus();
    void applyValueColours();

    Tfoptions* m_options = nullptr;
    std::unique_ptr<BrowserEngine> m_browser;
    std::function<bool()> m_checkNewVersion;
    std::int32_t m_firstActivation = 0;
    std::int32_t m_colour = kDefaultWindowColour;
    // Until the settings are loaded the site name shows in the falling colour, as the layout has it.
    std::int32_t m_siteNameColour = kFallingColour;
    int m_alpha = 160;
    std::string m_convertedScratch;
    bool m_manualDrag = false;
    bool m_closed = false;
    QHash<const QScreen*, QRect> m_screenGeometry;  // as last reported
    PanelStatus m_status;
    DisplayUpdate m_lastDisplay;  // the last display step's decisions
    std::function<QDateTime()> m_now = [] { return QDateTime::currentDateTime(); };
    // Turns the state stale when no fresh values have come for two periods: one shot, nothing polls.
    QTimer m_ageTimer;
    bool m_signInFromSettings = false;
    std::int32_t m_viewsColour = kDefaultViewsColour;
    std::int32_t m_visitorsColour = kDefaultVisitorsColour;
    Arrow m_viewsArrow = Arrow::None;
    Arrow m_visitorsArrow = Arrow::None;
    StatusMark m_shownMark = StatusMark::None;
    QString m_shownHint = QStringLiteral("Plimo");
    bool m_shownDimmed = false;
    bool m_followsScreen = false;
    qreal m_artworkRatio = 0;
    QPoint m_dragOffset;
    std::unique_ptr<HistoryFile> m_history;
    std::unique_ptr<HistoryWindow> m_historyWindow;
};

}  // namespace plimo
