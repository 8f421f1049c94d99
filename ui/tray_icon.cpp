#include "ui/tray_icon.h"

#include "ui/skin_image.h"

#include <QAction>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

#include <optional>

namespace vantorel {

namespace {

std::optional<bool>& AvailabilityOverride() {
    static std::optional<bool> available;
    return available;
}

std::optional<bool>& NotifierItemOverride() {
    static std::optional<bool> notifierItem;
    return notifierItem;
}

// Whether Qt serves the icon as a StatusNotifierItem rather than as an
// XEmbed icon: it does so when a notification host has registered with the
// StatusNotifierWatcher on the session bus, which is what this asks too.
bool NotifierItemTray() {
    if (NotifierItemOverride()) {
        return *NotifierItemOverride();
    }
    const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr || !bus.interface()->isServiceRegistered(watcherService)) {
        return false;
    }
    QDBusInterface watcher(watcherService, QStringLiteral("/StatusNotifierWatcher"), watcherService, bus);
    return watcher.property("IsStatusNotifierHostRegistered").toBool();
}

QString FailuresText(std::size_t count) {
    return QStringLiteral("%1 sauvegarde(s) en échec").arg(count);
}

} // namespace

TrayIcon::TrayIcon() : menu_(std::make_unique<QMenu>()) {
    menu_->setObjectName(QStringLiteral("PopUpDroit"));
    QAction* quit = menu_->addAction(QStringLiteral("Quitter"));
    quit->setObjectName(QStringLiteral("QuitterItem"));
    // "Restaurer" brings the window back from the notification area.
    QAction* showAgain = menu_->addAction(QStringLiteral("Restaurer"));
    showAgain->setObjectName(QStringLiteral("RestaurerItem"));
    QFont bold = showAgain->font();
    bold.setBold(true);
    showAgain->setFont(bold);
    menu_->setDefaultAction(showAgain);
    connect(quit, &QAction::triggered, this, &TrayIcon::QuitRequested);
    connect(showAgain, &QAction::triggered, this, &TrayIcon::ShowRequested);
}

TrayIcon::~TrayIcon() = default;

bool TrayIcon::Available() {
    if (AvailabilityOverride()) {
        return *AvailabilityOverride();
    }
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::SetAvailableForTesting(bool available) {
    AvailabilityOverride() = available;
}

void TrayIcon::SetNotifierItemForTesting(bool notifierItem) {
    NotifierItemOverride() = notifierItem;
}

void TrayIcon::Add() {
    // Each minimise shows a fresh icon, as the notification area may have
    // been restarted since the last one.
    Remove();
    icon_ = new QSystemTrayIcon(QIcon(SkinPixmap(QStringLiteral("tray.jpg"), QSize(16, 16), Qt::darkRed)), this);
    icon_->setObjectName(QStringLiteral("TrayIcon"));
    icon_->setToolTip(Tip());
    icon_->setContextMenu(menu_.get());
    // Asked once per icon: the kind of tray does not change while it shows.
    const bool singleActivation = NotifierItemTray();
    // A click on the notification of failures is a request to see them.
    connect(icon_, &QSystemTrayIcon::messageClicked, this, &TrayIcon::Activated);
    connect(
        icon_, &QSystemTrayIcon::activated, this, [this, singleActivation](QSystemTrayIcon::ActivationReason reason) {
            // The menu (Context) comes by itself.
            if (reason == QSystemTrayIcon::DoubleClick || (singleActivation && reason == QSystemTrayIcon::Trigger)) {
                emit Activated();
            }
        });
    icon_->show();
    // Failures not seen yet are told again by the fresh icon.
    NotifyUnseenFailures();
}

void TrayIcon::SetActivity(const QString& activity) {
    activity_ = activity;
    if (icon_ != nullptr) {
        icon_->setToolTip(Tip());
    }
}

void TrayIcon::SetUnseenFailures(std::size_t count) {
    const bool more = count > unseenFailures_;
    unseenFailures_ = count;
    if (icon_ != nullptr) {
        icon_->setToolTip(Tip());
    }
    if (more) {
        NotifyUnseenFailures();
    }
}

void TrayIcon::NotifyUnseenFailures() {
    if (icon_ == nullptr || unseenFailures_ == 0) {
        return;
    }
    lastNotification_ = FailuresText(unseenFailures_);
    icon_->showMessage(QStringLiteral("Vantorel"), lastNotification_, QSystemTrayIcon::Warning);
}

QString TrayIcon::Tip() const {
    QString tip = QStringLiteral("Vantorel : sauvegarde auto.");
    if (unseenFailures_ > 0) {
        tip += QLatin1Char('\n') + FailuresText(unseenFailures_);
    }
    return activity_.isEmpty() ? tip : tip + QLatin1Char('\n') + activity_;
}

void TrayIcon::Remove() {
    if (icon_ == nullptr) {
        return;
    }
    icon_->hide();
    icon_->setContextMenu(nullptr);
    // The icon may be the sender of the signal being handled: let it go once
    // the event that is running has finished with it.
    icon_->deleteLater();
    icon_ = nullptr;
}

} // namespace vantorel
