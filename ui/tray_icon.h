#pragma once

#include <QObject>
#include <QString>

#include <cstddef>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace vantorel {

// The program's icon in the notification area, with its menu PopUpDroit:
// "Quitter", then "Restaurer" (the default item, in bold). The right button
// opens the menu; a double click and the two items are passed on as signals.
// A left click does nothing where a double click can follow it (an XEmbed
// tray); a StatusNotifierItem tray (KDE, GNOME with its AppIndicator
// extension) sends no double click at all, so there its single activation
// is the user's request to come back and is passed on as one.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    TrayIcon();
    ~TrayIcon() override;

    // Whether the desktop has a notification area to show the icon in.
    static bool Available();
    // Tests only: make Available() answer `available` (the offscreen
    // platform has no notification area).
    static void SetAvailableForTesting(bool available);
    // Tests only: make the icon behave as on a StatusNotifierItem tray
    // (true) or an XEmbed one (false) instead of asking the session bus.
    static void SetNotifierItemForTesting(bool notifierItem);

    // A fresh icon with the picture and the tip "Vantorel :
    // sauvegarde auto.".
    void Add();
    // A second line for the tip, such as the progress of a backup; empty:
    // the tip alone. Kept for icons added later.
    void SetActivity(const QString& activity);
    // The number of failed backups the user has not seen yet: said in the
    // tip while above 0, and, when it grows while the icon shows, in a
    // notification ("N sauvegarde(s) en échec"). Kept for icons added later.
    void SetUnseenFailures(std::size_t count);
    // Shows the notification of the unseen failures, if there are any and the
    // icon shows.
    void NotifyUnseenFailures();
    // The text of the latest notification shown; a notification leaves no
    // other trace a test could read.
    const QString& lastNotification() const { return lastNotification_; }
    // Removes the icon, if there is one.
    void Remove();
    bool shown() const { return icon_ != nullptr; }
    // The icon while it is shown, else null.
    QSystemTrayIcon* icon() const { return icon_; }
    QMenu* menu() const { return menu_.get(); }

signals:
    // A double click, or the activation that stands for it on a tray that
    // sends none.
    void Activated();
    void ShowRequested();
    void QuitRequested();

private:
    QString Tip() const;

    std::unique_ptr<QMenu> menu_;
    QString activity_;
    std::size_t unseenFailures_ = 0;
    QString lastNotification_;
    // A child of this object, so that it goes with it in any case.
    QSystemTrayIcon* icon_ = nullptr;
};

} // namespace vantorel
