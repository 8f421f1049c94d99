#include "ui/options_window.h"

#include "ui/image_button.h"
#include "ui/skin.h"

#include <QKeyEvent>
#include <QLabel>

namespace vantorel {

TFormOptions::TFormOptions() : SkinnedWindow(QStringLiteral("FormOptions"), 426, 188) {
    auto* title = MakeTitle(this, QStringLiteral("LbTitre"), QStringLiteral("OPTIONS"), 0, 9);
    title->move((width() - title->width()) / 2, 9);
    auto* close = ImageButton::Small(this, QStringLiteral("Fermer"), QStringLiteral("close"), 398, 8);
    // The bottom button carries the word FERMER.
    auto* bottom = ImageButton::Large(this, QStringLiteral("Annuler"), QStringLiteral("fermer"), 159, 153);
    connect(close, &ImageButton::clicked, this, &QDialog::close);
    connect(bottom, &ImageButton::clicked, this, &QDialog::close);
}

void TFormOptions::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && !event->isAutoRepeat()) {
        close();
        return;
    }
    SkinnedWindow::keyReleaseEvent(event);
}

} // namespace vantorel
