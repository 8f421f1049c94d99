#include "ui/skinned_window.h"

#include "ui/skin.h"

#include <QKeyEvent>

namespace vantorel {

SkinnedWindow::SkinnedWindow(const QString& objectName, int width, int height, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(objectName);
    setPalette(SkinPalette(kSkinBackground));
    setAutoFillBackground(true);
    setFont(SkinFont(11));
    AddFrameLines(this);
    SetFixedWindowSize(width, height);
}

void SkinnedWindow::SetFixedWindowSize(int width, int height) {
    setFixedSize(width, height);
    PlaceFrameLines(this);
}

void SkinnedWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace vantorel
