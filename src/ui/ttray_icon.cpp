#include "ui/ttray_icon.h"

#include "ui/handler_guard.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QStyleHints>
#include <QTimer>
#include <QWidget>

namespace plimo {

namespace {
// Windows keeps 127 UTF-16 units of a tooltip: as many Cyrillic letters as Latin ones.
constexpr qsizetype kTipUnits = 127;
}  // namespace

QString trayTip(const QString& hint) {
    if (hint.size() <= kTipUnits) {
        return hint;
    }
    // The cut falls before a character, never between the two halves of one.
    const qsizetype cut = hint.at(kTipUnits - 1).isHighSurrogate() ? kTipUnits - 1 : kTipUnits;
    return hint.left(cut);
}

TTrayIcon::TTrayIcon(QWidget* owner, HostCheck hostCheck)
    : QObject(owner), m_owner(owner), m_hostCheck(std::move(hostCheck)) {
    connect(&m_tray, &QSystemTrayIcon::activated, this, &TTrayIcon::onActivated);
    if (owner != nullptr) {
        owner->installEventFilter(this);
    }
}

TTrayIcon::~TTrayIcon() {
    m_tray.hide();
    if (m_owner) {
        m_owner->removeEventFilter(this);
    }
}

void TTrayIcon::setHint(const QString& hint) {
    m_hint = hint;
    UpdateIcon();
}

void TTrayIcon::setIcon(const QIcon& icon) {
    m_icon = icon;
    UpdateIcon();
}

void TTrayIcon::setIconVisible(bool visible) {
    if (visible) {
        AddIcon();
    } else {
        DeleteIcon();
    }
}

bool TTrayIcon::AddIcon() {
    m_iconVisible = true;
    UpdateIcon();
    m_tray.show();
    return hostAvailable();
}

void TTrayIcon::DeleteIcon() {
    m_iconVisible = false;
    m_tray.hide();
}

void TTrayIcon::UpdateIcon() {
    m_tray.setIcon(m_icon);
    m_tray.setToolTip(trayTip(m_hint));
}

void TTrayIcon::setPopupMenu(QMenu* menu) {
    m_popupMenu = menu;
    m_tray.setContextMenu(menu);
}

void TTrayIcon::HideToTray(QWidget* mainWindow) {
    if (mainWindow == nullptr) {
        return;
    }
    if (hostAvailable()) {
        mainWindow->hide();
    } else {
        mainWindow->showMinimized();
    }
}

void TTrayIcon::RestoreFromTray(QWidget* mainWindow) {
    if (mainWindow == nullptr) {
        return;
    }
    if (mainWindow->isMinimized()) {
        mainWindow->setWindowState(mainWindow->windowState() & ~Qt::WindowMinimized);
    }
    mainWindow->show();
    mainWindow->raise();
    mainWindow->activateWindow();
}

bool TTrayIcon::hostAvailable() const {
    return m_hostCheck ? m_hostCheck() : QSystemTrayIcon::isSystemTrayAvailable();
}

bool TTrayIcon::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_owner) {
        Guarded([&] {
            if (event->type() == QEvent::WindowStateChange && m_minimizeToTray && m_owner->isMinimized()) {
                // Hiding now would be undone by the show that follows a minimise request; do it once that is over.
                QTimer::singleShot(0, this, [this] { Guarded([this] { hideMinimisedOwner(); }); });
            } else if (event->type() == QEvent::Show && !m_owner->isMinimized()) {
                // A window that comes back should be the one the user works with.
                m_owner->raise();
                m_owner->activateWindow();
            }
        });
    }
    return QObject::eventFilter(watched, event);
}

void TTrayIcon::hideMinimisedOwner() {
    if (!m_owner || !m_owner->isMinimized() || !hostAvailable()) {
        return;  // restored meanwhile, or nowhere to hide it: it stays minimised in the taskbar
    }
    HideToTray(m_owner);
    setIconVisible(true);
}

void TTrayIcon::onActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason != QSystemTrayIcon::Trigger) {
        return;  // a double click has already given its Trigger; the right button opens the menu by itself
    }
    // Some trays report each click of a double click as a Trigger of its own: count them once.
    const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    if (m_lastClick.isValid() && m_lastClick.elapsed() < interval) {
        return;
    }
    m_lastClick.start();
    emit clicked();
}

}  // namespace plimo
