#include "ui/tform1.h"

#include "platform/ansi_codepage.h"
#include "platform/module_path.h"
#include "platform/shell_address.h"
#include "settings/trimmed_text.h"
#include "stats/arrow_images.h"
#include "stats/navigation_outcome.h"
#include "stats/scratch_text.h"
#include "stats/sign_in.h"
#include "ui/ansi_qstring.h"
#include "ui/artwork.h"
#include "ui/classic_font.h"
#include "ui/colours.h"
#include "ui/dialogs.h"
#include "ui/handler_guard.h"
#include "ui/history_window.h"
#include "ui/panel_placement.h"
#include "ui/panel_widgets.h"
#include "ui/startup_marks.h"
#include "ui/tfoptions.h"
#include "update/maker_site.h"
#include "update/update_check.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>

namespace plimo {
namespace {

Q_LOGGING_CATEGORY(lcStatus, "plimo.status", QtWarningMsg)

constexpr int kWidth = 222;
constexpr int kHeight = 77;
constexpr int kActivationGrace = 1000;  // milliseconds
constexpr int kValuePixelSize = 16;
// A million views and more do not fit a value label at the full size; below this they would not be readable.
constexpr int kValueMinimumPixelSize = 10;

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

// Shows the text whole: at the full size where it fits, else at the largest smaller size of the same font that does.
void ShowValue(QLabel* label, const QString& text) {
    QFont font = label->font();
    for (int size = kValuePixelSize; size >= kValueMinimumPixelSize; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).horizontalAdvance(text) <= label->contentsRect().width()) {
            break;
        }
    }
    label->setFont(font);
    label->setText(text);
}

}  // namespace

TForm1::TForm1(std::unique_ptr<BrowserEngine> browser, TTrayIcon::HostCheck trayHostCheck, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      Timer1(new RefreshTimer(this)),
      WebBrowser1(browser.get()),
      Memo1(kInitialScratch),
      m_browser(std::move(browser)),
      m_checkNewVersion([] { return CheckNewVersion(VersionFileAddress(), ModuleDirectory() / "plimover.txt"); }) {
    setWindowTitle(QStringLiteral("Plimo"));
    setFixedSize(kWidth, kHeight);
    setFont(ClassicFont(11, false));
    setAutoFillBackground(true);
    setColour(m_colour);
    setAlphaBlendValue(m_alpha);
    buildLayout();
    buildTrayIcon(std::move(trayHostCheck));

    ConnectGuarded(Timer1, &RefreshTimer::tick, this, &TForm1::Timer1Timer);
    for (QScreen* screen : QGuiApplication::screens()) {
        watchScreen(screen);
    }
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        watchScreen(screen);
        Guarded([this] { keepInView(nullptr, {}, {}); });
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, [this](QScreen* screen) {
        m_screenGeometry.remove(screen);
        Guarded([this] { keepInView(nullptr, {}, {}); });
    });
    ConnectGuarded(WebBrowser1, &BrowserEngine::navigateComplete, this, &TForm1::WebBrowser1NavigateComplete2);
    m_ageTimer.setSingleShot(true);
    // Minutes late are of no matter here: the ordinary timer lets the system gather wake-ups.
    m_ageTimer.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_ageTimer, &QTimer::timeout, this, [this] { Guarded([this] { showStatus(); }); });
}

TForm1::~TForm1() {
    m_historyWindow.reset();
    delete PopupMenu1;
}

void TForm1::buildTrayIcon(TTrayIcon::HostCheck hostCheck) {
    PopupMenu1 = new QMenu;
    refreshNowAction = PopupMenu1->addAction(QStringLiteral("Обновить сейчас"));
    openStatisticsAction = PopupMenu1->addAction(QStringLiteral("Открыть статистику"));
    historyAction = PopupMenu1->addAction(QStringLiteral("История…"));
    PopupMenu1->addSeparator();
    N1 = PopupMenu1->addAction(QStringLiteral("Настройки"));
    N2 = PopupMenu1->addAction(QStringLiteral("Выход"));
    ConnectGuarded(refreshNowAction, &QAction::triggered, this, &TForm1::RefreshNow);
    ConnectGuarded(openStatisticsAction, &QAction::triggered, this, &TForm1::OpenStatistics);
    ConnectGuarded(historyAction, &QAction::triggered, this, &TForm1::showHistory);
    ConnectGuarded(N1, &QAction::triggered, this, &TForm1::aoptionsExecute);
    ConnectGuarded(N2, &QAction::triggered, this, &TForm1::acloseExecute);

    TrayIcon1 = new TTrayIcon(this, std::move(hostCheck));
    TrayIcon1->setHint(QStringLiteral("Plimo"));
    TrayIcon1->setIcon(programWindowIcon());
    TrayIcon1->setPopupMenu(PopupMenu1);
    TrayIcon1->setMinimizeToTray(true);
    TrayIcon1->setIconVisible(true);
    ConnectGuarded(TrayIcon1, &TTrayIcon::clicked, this, &TForm1::TrayIcon1Click);
}

void TForm1::buildLayout() {
    Panel2 = new ClickPanel(this);
    Panel2->setGeometry(0, 0, 205, 17);
    LMDSimpleLabel1 = new ClickLabel(Panel2);
    LMDSimpleLabel1->move(4, 1);
    LMDSimpleLabel1->setCursor(Qt::PointingHandCursor);
    // The site name is the user's own text: "<b>x</b>" is shown as typed.
    LMDSimpleLabel1->setTextFormat(Qt::PlainText);
    setSiteName(QStringLiteral("сайт"));
    setSiteNameColour(m_siteNameColour);

    Panel1 = new ClickPanel(this);
    Panel1->setGeometry(209, 3, 11, 6);
    Panel1->setToolTip(QStringLiteral("Свернуть"));
    Image4 = new ClickLabel(Panel1);
    Image4->setGeometry(0, 0, 11, 6);
    statusMark = new QLabel(this);
    statusMark->setGeometry(197, 5, 8, 8);
    statusMark->hide();

    auto makeImage = [this](int x, int y, int w, int h) {
        auto* image = new QLabel(this);
        image->setGeometry(x, y, w, h);
        image->setAttribute(Qt::WA_TransparentForMouseEvents);
        return image;
    };
    Image6 = makeImage(10, 20, 24, 23);
    Image5 = makeImage(8, 48, 26, 23);
    Image2 = makeImage(132, 25, 12, 16);
    Image3 = makeImage(132, 51, 12, 16);

    auto makeValue = [this](int x, int y, int w, const QString& tip) {
        auto* label = new QLabel(this);
        label->setGeometry(x, y, w, 24);
        label->setFont(ClassicFont(kValuePixelSize, true));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        // The values come from a web page: never markup.
        label->setTextFormat(Qt::PlainText);
        // Opaque: the label fills its rectangle with the window colour.
        label->setAutoFillBackground(true);
        label->setToolTip(tip);
        return label;
    };
    Label1 = makeValue(40, 22, 77, QStringLiteral("Просмотры"));
    Label3 = makeValue(152, 22, 65, QStringLiteral("Количество просмотров в это же время вчера"));
    Label2 = makeValue(40, 49, 77, QStringLiteral("Посетители"));
    Label6 = makeValue(152, 49, 65, QStringLiteral("Количество посетителей в это же время вчера"));
    setViewsColour(kDefaultViewsColour);
    setVisitorsColour(kDefaultVisitorsColour);

    drawArtwork();

    ConnectGuarded(LMDSimpleLabel1, &ClickLabel::clicked, this, &TForm1::LMDSimpleLabel1Click);
    ConnectGuarded(Image4, &ClickLabel::clicked, this, &TForm1::Image4Click);
}

void TForm1::FormCreate() {
    Label1->clear();
    Label2->clear();
    Label3->clear();
    Label6->clear();
    move(defaultPosition());
}

void TForm1::FormActivate() {
    if (m_firstActivation == 1) {
        return;
    }
    // Set before anything can fail, so that a failed first activation is not repeated.
    m_firstActivation = 1;
    StartupMark("first activation");
    m_options->LoadSettings();
    StartupMark("settings loaded");
    setColour(m_options->windowColour());
    TrayIcon1->UpdateIcon();
    Button4Click();
    StartupMark("sign-in sent");
    OfferUpdate();
    StartupMark("update check done");
    RefreshArrows();
}

bool TForm1::FormCloseQuery() {
    // A close before the first activation (a log-off or signal at start) has loaded nothing: saving the empty
    // controls would write over the password and the addresses.
    if (m_options->settingsLoaded()) {
        m_options->SaveSettings();
    }
    return true;
}

void TForm1::saveForSessionCommit() {
    FormCloseQuery();
}

void TForm1::closeForSessionEnd() {
    if (!m_closed) {
        close();
    }
}

void TForm1::showForAnotherStart() {
    TrayIcon1->RestoreFromTray(this);
}

void TForm1::OfferUpdate() {
    if (m_checkNewVersion() && AskToUpdate()) {
        m_options->openAddress(this, ProductPageAddress());
    }
}

void TForm1::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        Guarded([this] { FormActivate(); });
    }
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The pictures follow the pixel density of the screen the panel is on, also after it moves to another one.
    if (!m_followsScreen && windowHandle() != nullptr) {
        m_followsScreen = true;
        connect(windowHandle(), &QWindow::screenChanged, this, [this] { Guarded([this] { drawArtwork(); }); });
    }
    drawArtwork();
    // Some window systems never activate a window (no window manager, focus stealing prevention); the first
    // activation's work must not wait for ever then.
    if (m_firstActivation == 0) {
        QTimer::singleShot(kActivationGrace, this, [this] {
            if (m_firstActivation == 0 && isVisible()) {
                Guarded([this] { FormActivate(); });
            }
        });
    }
}

void TForm1::drawArtwork() {
    const qreal ratio = devicePixelRatioF();
    if (ratio == m_artworkRatio) {
        return;
    }
    m_artworkRatio = ratio;
    Image4->setPixmap(hideGlyph(ratio));
    Image6->setPixmap(viewsMark(ratio));
    Image5->setPixmap(visitorsMark(ratio));
    ImageList1 = {arrowPixmap(DownArrowImage(), ratio), arrowPixmap(UpArrowImage(), ratio)};
    showArrow(Image2, m_viewsArrow);
    showArrow(Image3, m_visitorsArrow);
    if (m_shownMark != StatusMark::None) {
        statusMark->setPixmap(statusMarkPixmap(m_shownMark));
    }
}

QPixmap TForm1::statusMarkPixmap(StatusMark mark) const {
    return mark == StatusMark::Stale ? staleMark(devicePixelRatioF()) : failureMark(devicePixelRatioF());
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A failure is shown, and the close goes on: the program must still end.
    bool allowed = true;
    Guarded([&] { allowed = FormCloseQuery(); });
    if (!allowed) {
        event->ignore();
        return;
    }
    event->accept();
    m_closed = true;
    emit closed();
}

void TForm1::watchScreen(QScreen* screen) {
    m_screenGeometry.insert(screen, screen->geometry());
    connect(screen, &QScreen::geometryChanged, this, [this, screen](const QRect& geometry) {
        const QRect before = m_screenGeometry.value(screen);
        m_screenGeometry.insert(screen, geometry);
        Guarded([&] { keepInView(screen, before, geometry); });
    });
}

void TForm1::keepInView(const QScreen* changed, const QRect& before, const QRect& after) {
    // The panel's own screen is the one its centre was on before the change.
    const bool ownScreen = changed != nullptr && before.contains(geometry().center());
    const QPoint place = PlaceAfterScreenChange(geometry(), ownScreen ? before : QRect(), ownScreen ? after : QRect(),
                                                m_screenGeometry.values(), defaultPosition());
    if (place != pos()) {
        move(place);
    }
}

QPoint TForm1::defaultPosition() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return {0, 0};
    }
    return DefaultCorner(screen->geometry(), screen->availableGeometry(), size());
}

void TForm1::Button1Click() {
    const std::string body = SignInBody(QStringToAnsi(m_options->siteAddress()), QStringToAnsi(m_options->password()));
    const QString address = AnsiToQString(Trimmed(QStringToAnsi(m_options->statisticsAddress())));
    WebBrowser1->navigate(address, QByteArray(body.data(), static_cast<qsizetype>(body.size())));
}

// The read passes alternate. A tick reads the document the browser still holds (its own navigation has only
// started), and that pass finds the scratch text holding the same page, already converted: Cyrillic bytes that do
// not decode as UTF-8, so the conversion empties it and the panel keeps its values. The next pass, normally the
// new navigation's report, starts from the empty text and shows its page.
void TForm1::Button2Click() {
    WB_GetHTMLCode(*WebBrowser1, Memo1);
    // Converted into the spare buffer and swapped, so that a warm refresh allocates nothing.
    Utf8ToAnsi(Memo1, m_convertedScratch);
    Memo1.swap(m_convertedScratch);
    Button3Click();
}

bool TForm1::WB_GetHTMLCode(BrowserEngine& browser, std::string& lines) {
    const QByteArray source = browser.documentSource();
    AppendToScratch(lines, std::string_view(source.constData(), static_cast<std::size_t>(source.size())));
    return true;
}

void TForm1::Button3Click() {
    m_lastDisplay = DecideDisplay(Memo1);
    const DisplayUpdate& update = m_lastDisplay;
    if (update.views) {
        ShowValue(Label1, Windows1251ToQString(*update.views));
    }
    if (update.visitors) {
        ShowValue(Label2, Windows1251ToQString(*update.visitors));
    }
    showArrow(Image2, update.viewsArrow);
    if (update.viewsChange) {
        ShowValue(Label3, Windows1251ToQString(*update.viewsChange));
    }
    showArrow(Image3, update.visitorsArrow);
    if (update.visitorsChange) {
        ShowValue(Label6, Windows1251ToQString(*update.visitorsChange));
    }
    if (update.siteNameColour) {
        setSiteNameColour(*update.siteNameColour);
    }
    LMDSimpleLabel1->update();
    RefreshArrows();
    Timer1->setEnabled(true);
}

void TForm1::Button4Click() {
    Timer1->setEnabled(true);
    Button1Click();
}

void TForm1::Timer1Timer() {
    Timer1->setEnabled(false);
    Button1Click();
    // On purpose: the navigation just asked for has not answered yet, so this reads the previous document; the
    // new one is read when its report comes.
    Button2Click();
    Button3Click();
}

void TForm1::WebBrowser1NavigateComplete2() {
    const bool fresh = recordNavigation();
    m_lastDisplay = {};
    Button2Click();
    StartupMark("page shown");
    if (fresh) {
        keepSample();
    }
    showStatus();
}

void TForm1::keepSample() {
    // The values this very pass read from the page: nothing when it found the scratch text emptied (the next
    // fresh page brings the sample), or when a value was not a number.
    if (m_history && RecordSample(*m_history, m_lastDisplay, m_now()) && m_historyWindow) {
        m_historyWindow->refresh();
    }
}

bool TForm1::recordNavigation() {
    const NavigationResult result = WebBrowser1->documentResult();
    const QByteArray page = WebBrowser1->documentSource();
    const NavigationOutcome outcome = DecideOutcome(
        result.failed, result.httpStatus, std::string_view(page.constData(), static_cast<std::size_t>(page.size())));
    m_status = AfterNavigation(std::move(m_status), outcome, result, m_now());
    if (m_signInFromSettings) {
        m_signInFromSettings = false;
        m_options->showSignInOutcome(outcome == NavigationOutcome::Fresh ? QStringLiteral("Вход выполнен")
                                                                         : m_status.failureText);
    }
    return outcome == NavigationOutcome::Fresh;
}

QStringList TForm1::stateLines() const {
    return StateLines(m_status, m_now(), std::chrono::milliseconds(Timer1->interval()));
}

void TForm1::showStatus() {
    const QDateTime now = m_now();
    const std::chrono::milliseconds period(Timer1->interval());
    const QStringList state = StateLines(m_status, now, period);
    const QString stateText = state.join(u'\n');

    const StatusMark mark = MarkFor(m_status, now, period);
    if (mark != m_shownMark) {
        m_shownMark = mark;
        if (mark == StatusMark::None) {
            statusMark->hide();
        } else {
            statusMark->setPixmap(statusMarkPixmap(mark));
            statusMark->show();
            statusMark->raise();
        }
        // The site name gives the mark its place.
        Panel2->setFixedWidth(mark == StatusMark::None ? 205 : 197);
    }
    if (statusMark->toolTip() != stateText) {
        statusMark->setToolTip(stateText);
    }
    const bool dimmed = IsStale(m_status, now, period);
    if (dimmed != m_shownDimmed) {
        m_shownDimmed = dimmed;
        applyValueColours();
    }

    const ShownValue views{Label1->text(), Label3->text(), m_viewsArrow};
    const ShownValue visitors{Label2->text(), Label6->text(), m_visitorsArrow};
    const QString suffix = stateText.isEmpty() ? QString() : u'\n' + stateText;
    const QString viewsTip = QStringLiteral("Просмотры") + suffix;
    if (Label1->toolTip() != viewsTip) {
        Label1->setToolTip(viewsTip);
        Label3->setToolTip(QStringLiteral("Количество просмотров в это же время вчера") + suffix);
        Label2->setToolTip(QStringLiteral("Посетители") + suffix);
        Label6->setToolTip(QStringLiteral("Количество посетителей в это же время вчера") + suffix);
    }
    const QString viewsName = AccessibleValueText(QStringLiteral("Просмотры"), views);
    if (Label1->accessibleName() != viewsName) {
        Label1->setAccessibleName(viewsName);
        Label3->setAccessibleName(viewsName);
    }
    const QString visitorsName = AccessibleValueText(QStringLiteral("Посетители"), visitors);
    if (Label2->accessibleName() != visitorsName) {
        Label2->setAccessibleName(visitorsName);
        Label6->setAccessibleName(visitorsName);
    }
    const QString hint = TrayToolTip(LMDSimpleLabel1->text(), views, visitors, state);
    if (hint != m_shownHint) {
        m_shownHint = hint;
        TrayIcon1->setHint(hint);
        // For whoever watches from outside (QT_LOGGING_RULES="plimo.status.debug=true"): the tray's tooltip, one line.
        qCDebug(lcStatus).noquote() << "tray tooltip:" << QString(hint).replace(u'\n', QStringLiteral(" | "));
    }

    // Told again when the values turn old, should no fresh ones come by then.
    if (const auto left = TimeUntilStale(m_status, now, period)) {
        m_ageTimer.start(*left + std::chrono::seconds(1));
    } else {
        m_ageTimer.stop();
    }
}

void TForm1::applyValueColours() {
    // Old values are drawn at half their colour's strength: halfway to the window colour.
    const auto shown = [this](std::int32_t colour) {
        if (!m_shownDimmed) {
            return ToQColor(colour);
        }
        const QColor value = ToQColor(colour);
        const QColor ground = ToQColor(m_colour);
        return QColor((value.red() + ground.red()) / 2, (value.green() + ground.green()) / 2,
                      (value.blue() + ground.blue()) / 2);
    };
    for (QLabel* label : {Label1, Label3}) {
        SetTextColour(label, shown(m_viewsColour));
    }
    for (QLabel* label : {Label2, Label6}) {
        SetTextColour(label, shown(m_visitorsColour));
    }
}

void TForm1::RefreshNow() {
    // Before the settings are loaded there is nothing to sign in with.
    if (m_options == nullptr || !m_options->settingsLoaded()) {
        return;
    }
    try {
        WebBrowser1->documentSource();
    } catch (const NoDocumentError&) {
        // Nothing to read yet: a tick's read pass would stop refreshing with an error. The sign-in alone; its
        // report shows the page.
        Button1Click();
        return;
    }
    Timer1Timer();
}

void TForm1::setHistoryFile(const std::filesystem::path& path) {
    m_historyWindow.reset();
    m_history = std::make_unique<HistoryFile>(path);
}

void TForm1::showHistory() {
    if (!m_history) {
        return;
    }
    if (!m_historyWindow) {
        m_historyWindow = std::make_unique<HistoryWindow>(*m_history, [this] { return m_now(); });
    }
    m_historyWindow->show();
    m_historyWindow->raise();
    m_historyWindow->activateWindow();
}

void TForm1::OpenStatistics() {
    m_options->openAddress(this, WithWebScheme(Trimmed(QStringToAnsi(m_options->statisticsAddress()))));
}

void TForm1::LMDSimpleLabel1Click() {
    // Without a scheme the shell would take the site address for a program or file name.
    m_options->openAddress(this, WithWebScheme(Trimmed(QStringToAnsi(m_options->siteAddress()))));
}

void TForm1::Image4Click() {
    TrayIcon1->HideToTray(this);
}

void TForm1::TrayIcon1Click() {
    if (isVisible() && !isMinimized()) {
        TrayIcon1->HideToTray(this);
    } else {
        TrayIcon1->RestoreFromTray(this);
    }
}

void TForm1::aoptionsExecute() {
    m_options->show();
    m_options->raise();
    m_options->activateWindow();
}

void TForm1::acloseExecute() {
    close();
}

void TForm1::RefreshArrows() {
    refreshImage(Image2);
    refreshImage(Image3);
}

void TForm1::showArrow(QLabel* image, Arrow arrow) {
    if (arrow != Arrow::Unchanged) {
        (image == Image2 ? m_viewsArrow : m_visitorsArrow) = arrow;
    }
    switch (arrow) {
        case Arrow::Unchanged:
            return;
        case Arrow::None:
            image->setPixmap(QPixmap());
            break;
        case Arrow::Up:
        case Arrow::Down: {
            // The image control shows the arrow's left twelve columns; copy() counts device pixels.
            const QPixmap& whole = ImageList1[arrow == Arrow::Up ? 1 : 0];
            const qreal ratio = whole.devicePixelRatio();
            QPixmap shown = whole.copy(0, 0, qRound(kArrowShownWidth * ratio), qRound(kArrowImageSize * ratio));
            shown.setDevicePixelRatio(ratio);
            image->setPixmap(shown);
            break;
        }
    }
    refreshImage(image);
}

void TForm1::refreshImage(QLabel* image) {
    image->update();
}

void TForm1::setRefreshInterval(std::uint32_t milliseconds) {
    Timer1->setInterval(milliseconds);
    // The values' age counts in periods.
    showStatus();
}

void TForm1::setColour(std::int32_t colour) {
    m_colour = colour;
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, ToQColor(colour));
    setPalette(palette);
    if (m_shownDimmed) {
        applyValueColours();
    }
}

void TForm1::setAlphaBlendValue(int alpha) {
    m_alpha = std::clamp(alpha, 0, 255);
    setWindowOpacity(m_alpha / 255.0);
}

void TForm1::setSiteName(const QString& name) {
    LMDSimpleLabel1->setText(name);
    LMDSimpleLabel1->adjustSize();
}

void TForm1::setSiteNameColour(std::int32_t colour) {
    m_siteNameColour = colour;
    SetTextColour(LMDSimpleLabel1, ToQColor(colour));
}

void TForm1::setViewsColour(std::int32_t colour) {
    m_viewsColour = colour;
    applyValueColours();
}

void TForm1::setVisitorsColour(std::int32_t colour) {
    m_visitorsColour = colour;
    applyValueColours();
}

void TForm1::mousePressEvent(QMouseEvent* event) {
    // The bare panel and everything windowless on it is a drag handle.
    if (event->button() == Qt::RightButton && !TrayIcon1->hostAvailable()) {
        // Without a notification area the tray menu would be out of reach: the panel offers it instead.
        PopupMenu1->popup(event->globalPosition().toPoint());
    }
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    event->accept();
    QWindow* window = windowHandle();
    if (window != nullptr && window->startSystemMove()) {
        return;
    }
    m_manualDrag = true;
    m_dragOffset = event->globalPosition().toPoint() - pos();
}

void TForm1::mouseMoveEvent(QMouseEvent* event) {
    if (m_manualDrag && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - m_dragOffset);
    }
    event->accept();
}

void TForm1::mouseReleaseEvent(QMouseEvent* event) {
    m_manualDrag = false;
    event->accept();
}

void TForm1::mouseDoubleClickEvent(QMouseEvent* event) {
    // A double click on the drag area neither maximises nor opens anything.
    event->accept();
}

}  // namespace plimo
