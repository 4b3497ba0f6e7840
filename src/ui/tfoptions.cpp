#include "ui/tfoptions.h"

#include "platform/autostart_caption.h"
#include "platform/module_path.h"
#include "platform/run_key.h"
#include "platform/shell.h"
#include "settings/settings_keys.h"
#include "settings/update_interval.h"
#include "ui/ansi_input.h"
#include "ui/ansi_qstring.h"
#include "ui/artwork.h"
#include "ui/classic_font.h"
#include "ui/colour_edit.h"
#include "ui/handler_guard.h"
#include "ui/panel_widgets.h"
#include "ui/tform1.h"
#include "update/maker_site.h"
#include "update/program_version.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QProxyStyle>
#include <QScreen>
#include <QTabBar>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace plimo {
namespace {

// Wide enough for a colour's hex text ("$00F3ED07") beside the swatch and the drop-down button.
constexpr int kColourEditWidth = 120;

// The style's own tabs with a narrower margin beside the caption: the stand-in font is wider than the layout's.
class CompactTabStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        return metric == PM_TabBarTabHSpace ? 8 : QProxyStyle::pixelMetric(metric, option, widget);
    }
};

}  // namespace

Tfoptions::Tfoptions(TForm1* form1, QWidget* parent)
    // A dialog of the panel's: it adds no taskbar button of its own beside the panel's.
    : QWidget(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_form1(form1),
      m_configPath(ModuleDirectory() / kSettingsFileName),
      m_configReadPath(m_configPath),
      m_openAddress([](QWidget* owner, const std::string& address) {
          OpenAddress(owner != nullptr ? static_cast<std::uintptr_t>(owner->winId()) : 0, address);
      }),
      m_setAutostart([](const std::string& name, bool remove) { SetAutostart(name, remove); }) {
    setWindowTitle(QStringLiteral("Настройки"));
    setFont(ClassicFont(11));
    resize(324, 250);

    cxPageControl1 = new QTabWidget(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(cxPageControl1);
    // The style's own tabs at the window's text size; where the four captions are wider than the window (the
    // font that stands in for the layout's is wider), the window grows rather than hiding a tab behind arrows.
    auto* tabStyle = new CompactTabStyle(cxPageControl1->style()->name());
    tabStyle->setParent(cxPageControl1->tabBar());
    cxPageControl1->tabBar()->setStyle(tabStyle);
    cxPageControl1->tabBar()->setUsesScrollButtons(false);
    cxTabSheet1 = new QWidget;
    cxTabSheet2 = new QWidget;
    cxTabSheet3 = new QWidget;
    cxTabSheet4 = new QWidget;
    cxPageControl1->addTab(cxTabSheet1, QStringLiteral("Основные"));
    cxPageControl1->addTab(cxTabSheet2, QStringLiteral("Авторизация"));
    cxPageControl1->addTab(cxTabSheet3, QStringLiteral("Дополнительно"));
    cxPageControl1->addTab(cxTabSheet4, QStringLiteral("О программе"));

    buildMainTab();
    buildSignInTab();
    buildMoreTab();
    buildAboutTab();
    cxPageControl1->setCurrentWidget(cxTabSheet2);
    connectHandlers();
    resize(std::max(width(), minimumSizeHint().width()), height());
}

void Tfoptions::buildMainTab() {
    auto* page = cxTabSheet1;
    const std::string_view caption = AutostartCaption();
    LMDCheckBox1 = new QCheckBox(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())), page);
    LMDCheckBox1->setGeometry(20, 12, std::max(241, LMDCheckBox1->sizeHint().width()), 17);
    LMDSimpleLabel1 = new QLabel(QStringLiteral("Цвет окна"), page);
    LMDSimpleLabel1->setGeometry(20, 40, 90, 15);
    LMDColorEdit1 = new ColourEdit(page);
    LMDColorEdit1->setGeometry(112, 36, kColourEditWidth, 21);
    LMDColorEdit1->setColour(kDefaultWindowColour);
    LMDSimpleLabel2 = new QLabel(QStringLiteral("Цвет шрифта 1"), page);
    LMDSimpleLabel2->setGeometry(20, 68, 90, 15);
    LMDColorEdit2 = new ColourEdit(page);
    LMDColorEdit2->setGeometry(112, 64, kColourEditWidth, 21);
    LMDColorEdit2->setColour(kDefaultVisitorsColour);
    LMDSimpleLabel3 = new QLabel(QStringLiteral("Цвет шрифта 2"), page);
    LMDSimpleLabel3->setGeometry(20, 96, 90, 15);
    LMDColorEdit3 = new ColourEdit(page);
    LMDColorEdit3->setGeometry(112, 92, kColourEditWidth, 21);
    LMDColorEdit3->setColour(kDefaultViewsColour);
    LMDSimpleLabel4 = new QLabel(QStringLiteral("Прозрачность"), page);
    LMDSimpleLabel4->setGeometry(20, 124, 90, 15);
    LMDTrackBar1 = new QSlider(Qt::Horizontal, page);
    LMDTrackBar1->setGeometry(112, 116, 101, 25);
    LMDTrackBar1->setRange(0, 255);
    LMDTrackBar1->setValue(0);
    LMDTrackBar1->setTickPosition(QSlider::NoTicks);
    // The colour edits take no focus themselves; their text boxes do.
    setTabOrder(LMDCheckBox1, LMDColorEdit1->lineEdit());
    setTabOrder(LMDColorEdit1->lineEdit(), LMDColorEdit2->lineEdit());
    setTabOrder(LMDColorEdit2->lineEdit(), LMDColorEdit3->lineEdit());
    setTabOrder(LMDColorEdit3->lineEdit(), LMDTrackBar1);
}

void Tfoptions::buildSignInTab() {
    auto* page = cxTabSheet2;
    LMDLabel1 = new QLabel(QStringLiteral("Название сайта"), page);
    LMDLabel1->setGeometry(8, 8, 200, 15);
    LMDEdit1 = new QLineEdit(page);
    LMDEdit1->setGeometry(8, 24, 297, 21);
    LMDEdit1->setToolTip(QStringLiteral("Эта информация отображается вверху слева в главном окне программы"));
    LMDLabel4 = new QLabel(QStringLiteral("Страница статистики в LiveInternet"), page);
    LMDLabel4->setGeometry(8, 48, 260, 15);
    LMDEdit4 = new QLineEdit(page);
    LMDEdit4->setGeometry(8, 64, 297, 21);
    LMDEdit4->setToolTip(QStringLiteral("Например ") +
                         QString::fromLatin1(kExampleStatisticsPage.data(), kExampleStatisticsPage.size()));
    GroupBox1 = new QGroupBox(QStringLiteral(" Вход в статистику  LiveInternet "), page);
    GroupBox1->setGeometry(8, 92, 298, 125);
    LMDLabel2 = new QLabel(QStringLiteral("Адрес сайта"), GroupBox1);
    LMDLabel2->setGeometry(12, 24, 120, 15);
    LMDEdit2 = new QLineEdit(GroupBox1);
    LMDEdit2->setGeometry(12, 44, 185, 21);
    LMDEdit2->setToolTip(QStringLiteral("Например ") +
                         QString::fromLatin1(kExampleSiteAddress.data(), kExampleSiteAddress.size()) +
                         QStringLiteral(". Также, как для входа в статистику."));
    LMDLabel3 = new QLabel(QStringLiteral("Пароль"), GroupBox1);
    LMDLabel3->setGeometry(12, 72, 120, 15);
    LMDEdit3 = new QLineEdit(GroupBox1);
    LMDEdit3->setGeometry(12, 92, 185, 21);
    LMDEdit3->setToolTip(QStringLiteral("Пароль для доступа к статистике"));
    for (QLineEdit* edit : {LMDEdit1, LMDEdit4, LMDEdit2, LMDEdit3}) {
        edit->setValidator(new AnsiInputValidator(edit));
    }
    LMDButton1 = new QPushButton(QStringLiteral("Применить"), GroupBox1);
    LMDButton1->setGeometry(204, 90, 75, 25);
    LMDButton1->setCursor(Qt::PointingHandCursor);
    // The window's fixed height leaves no room below the button: the free column above it holds the line, set on
    // the button, and wraps a long failure.
    signInStatus = new QLabel(GroupBox1);
    signInStatus->setGeometry(202, 20, 94, 68);
    signInStatus->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    signInStatus->setWordWrap(true);
    signInStatus->setTextFormat(Qt::PlainText);
    setTabOrder(LMDEdit1, LMDEdit4);
    setTabOrder(LMDEdit4, LMDEdit2);
    setTabOrder(LMDEdit2, LMDEdit3);
    setTabOrder(LMDEdit3, LMDButton1);
}

void Tfoptions::buildMoreTab() {
    auto* page = cxTabSheet3;
    LMDSimpleLabel5 = new QLabel(QStringLiteral("Частота обновления"), page);
    LMDSimpleLabel5->setGeometry(8, 12, 122, 15);
    LMDComboBox1 = new QComboBox(page);
    LMDComboBox1->setGeometry(132, 8, 121, 22);
    LMDComboBox1->setEditable(false);
    LMDComboBox1->setToolTip(QStringLiteral("Интервал обновления данных статистики"));
    for (const auto& item : IntervalItemTexts()) {
        LMDComboBox1->addItem(QString::fromUtf8(item.data(), static_cast<qsizetype>(item.size())));
    }
    LMDComboBox1->setCurrentIndex(-1);
}

void Tfoptions::buildAboutTab() {
    auto* page = cxTabSheet4;
    page->setAutoFillBackground(true);
    QPalette white = page->palette();
    white.setColor(QPalette::Window, Qt::white);
    page->setPalette(white);
    Image1 = new QLabel(page);
    Image1->setGeometry(4, 4, 309, 175);
    // Drawn when the page is first opened: most runs never open it, and the picture is the window's largest part.
    connect(cxPageControl1, &QTabWidget::currentChanged, Image1, [this, page] {
        if (cxPageControl1->currentWidget() == page && Image1->pixmap().isNull()) {
            Image1->setPixmap(productPicture(devicePixelRatioF()));
        }
    });
    Label1 = new QLabel(
        QStringLiteral("Версия ") + QLatin1StringView(kProgramVersionShort.data(), kProgramVersionShort.size()), page);
    Label1->setGeometry(250, 4, 66, 13);
    LMDLabelFill1 = new QLabel(QStringLiteral("Plimo для LiveInternet"), page);
    LMDLabelFill1->setGeometry(12, 204, 130, 15);
    LMDLabelFill2 = new ClickLabel(QStringLiteral("Домашняя страница"), page);
    LMDLabelFill2->setGeometry(144, 204, 124, 15);
    LMDLabelFill2->setCursor(Qt::PointingHandCursor);
    QPalette link = LMDLabelFill2->palette();
    link.setColor(QPalette::WindowText, Qt::blue);
    LMDLabelFill2->setPalette(link);
}

void Tfoptions::connectHandlers() {
    ConnectGuarded(LMDCheckBox1, &QCheckBox::clicked, this, &Tfoptions::LMDCheckBox1Click);
    ConnectGuarded(LMDColorEdit1, &ColourEdit::changed, this, &Tfoptions::LMDColorEdit1Change);
    // On purpose, as the layout wires it: the first font colour's edit re-applies the window colour; the second's
    // edit has no handler (the panel takes both font colours when the settings are loaded).
    ConnectGuarded(LMDColorEdit2, &ColourEdit::changed, this, &Tfoptions::LMDColorEdit1Change);
    ConnectGuarded(LMDTrackBar1, &QSlider::valueChanged, this, &Tfoptions::LMDTrackBar1Change);
    ConnectGuarded(LMDComboBox1, &QComboBox::activated, this, &Tfoptions::LMDComboBox1Change);
    ConnectGuarded(LMDButton1, &QPushButton::clicked, this, &Tfoptions::LMDButton1Click);
    ConnectGuarded(LMDLabelFill2, &ClickLabel::clicked, this, &Tfoptions::LMDLabelFill2Click);
}

void Tfoptions::LMDCheckBox1Click() {
    if (LMDCheckBox1->isChecked()) {
        m_setAutostart("Plimo", false);
    } else {
        // Lower case on purpose: the removal matches the name without regard to case.
        m_setAutostart("plimo", true);
    }
}

void Tfoptions::LMDColorEdit1Change() {
    m_form1->setColour(LMDColorEdit1->colour());
}

void Tfoptions::LMDTrackBar1Change() {
    m_form1->setAlphaBlendValue(LMDTrackBar1->value());
}

void Tfoptions::LMDComboBox1Change() {
    set_update_interval(LMDComboBox1->currentIndex());
}

void Tfoptions::LMDButton1Click() {
    m_form1->setSiteName(siteName());
    signInStatus->setText(QStringLiteral("Выполняется вход\u2026"));
    m_form1->expectSignInFromSettings();
    m_form1->Button1Click();
}

void Tfoptions::showSignInOutcome(const QString& text) {
    signInStatus->setText(text);
}

void Tfoptions::LMDLabelFill2Click() {
    m_openAddress(this, ProductPageAddress());
}

void Tfoptions::set_update_interval(int index) {
    m_form1->setRefreshInterval(UpdateIntervalForIndex(index));
}

QString Tfoptions::siteName() const {
    return TrimmedText(LMDEdit1->text());
}

QString Tfoptions::siteAddress() const {
    return LMDEdit2->text();
}

QString Tfoptions::password() const {
    return LMDEdit3->text();
}

QString Tfoptions::statisticsAddress() const {
    return LMDEdit4->text();
}

std::int32_t Tfoptions::windowColour() {
    return LMDColorEdit1->colour();
}

void Tfoptions::closeEvent(QCloseEvent* event) {
    // Closing only hides the window; the values stay in the controls.
    event->accept();
}

void Tfoptions::showEvent(QShowEvent* event) {
    // Owned by the panel, as a dialog is by its main window.
    if (QWindow* window = windowHandle(); window != nullptr && m_form1->windowHandle() != nullptr) {
        window->setTransientParent(m_form1->windowHandle());
    }
    if (!m_shownBefore) {
        m_shownBefore = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->geometry().center());
            move(frame.topLeft());
        }
    }
    QWidget::showEvent(event);
}

}  // namespace plimo
