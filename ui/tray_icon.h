#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace vantorel {

// The program's icon in the notification area, with its menu PopUpDroit:
// "Quitter", then "Restaurer" (the default item, in bold). A left click does
// nothing; the right button opens the menu; a double click and the two items
// are passed on as signals.
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

    // A fresh icon with the picture and the tip "Vantorel :
    // sauvegarde auto.".
    void Add();
    // A second line for the tip, such as the progress of a backup; empty:
    // the tip alone. Kept for icons added later.
    void SetActivity(const QString& activity);
    // Removes the icon, if there is one.
    void Remove();
    bool shown() const { return icon_ != nullptr; }
    // The icon while it is shown, else null.
    QSystemTrayIcon* icon() const { return icon_; }
    QMenu* menu() const { return menu_.get(); }

signals:
    void DoubleClicked();
    void RestoreRequested();
    void QuitRequested();

private:
    QString Tip() const;

    std::unique_ptr<QMenu> menu_;
    QString activity_;
    // A child of this object, so that it goes with it in any case.
    QSystemTrayIcon* icon_ = nullptr;
};

} // namespace vantorel
