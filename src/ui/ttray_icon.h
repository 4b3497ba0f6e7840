#pragma once

#include <QElapsedTimer>
#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>

#include <functional>

class QWidget;

namespace plimo {

// The tooltip the tray shows for a hint: at most 127 UTF-16 units, as Windows keeps, never a split character.
QString trayTip(const QString& hint);

// The program's icon in the notification area: its tooltip, its menu on the right button, a click signal for
// the left button, and hiding the main window into the tray (also when that window is minimised).
class TTrayIcon : public QObject {
    Q_OBJECT
public:
    // Answers whether the desktop has a notification area at this moment.
    using HostCheck = std::function<bool()>;

    // `owner` is the main window: its minimising is watched. Without `hostCheck` the desktop is asked.
    explicit TTrayIcon(QWidget* owner, HostCheck hostCheck = {});
    ~TTrayIcon() override;

    void setHint(const QString& hint);
    QIcon Icon() const { return m_icon; }
    void setIcon(const QIcon& icon);

    bool IconVisible() const { return m_iconVisible; }
    void setIconVisible(bool visible);
    // Puts the icon into the notification area; answers whether there is one to take it.
    bool AddIcon();
    void DeleteIcon();
    // Sends the icon and the tooltip again.
    void UpdateIcon();

    QMenu* PopupMenu() const { return m_popupMenu; }
    void setPopupMenu(QMenu* menu);

    bool MinimizeToTray() const { return m_minimizeToTray; }
    void setMinimizeToTray(bool enabled) { m_minimizeToTray = enabled; }

    // Hides the main window (its taskbar entry goes with it). Without a notification area the window is
    // minimised instead, so that it can always be found again.
    void HideToTray(QWidget* mainWindow);
    // Shows the main window again, un-minimised, raised and active.
    void RestoreFromTray(QWidget* mainWindow);

    bool hostAvailable() const;

    // The platform icon underneath, for tests that play the tray's part.
    QSystemTrayIcon& systemTrayIcon() { return m_tray; }

signals:
    // A left click on the icon; a double click counts once.
    void clicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    void hideMinimisedOwner();

    QSystemTrayIcon m_tray;
    QPointer<QWidget> m_owner;
    QPointer<QMenu> m_popupMenu;
    HostCheck m_hostCheck;
    QString m_hint;
    QIcon m_icon;
    bool m_iconVisible = false;
    bool m_minimizeToTray = false;
    QElapsedTimer m_lastClick;
};

}  // namespace plimo
