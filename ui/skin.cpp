#include "ui/skin.h"

#include "ui/skin_image.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>

namespace vantorel {

namespace {

constexpr int kFrameThickness = 4;
// Longer and taller than any window: only the position of a frame line matters.
constexpr int kFrameLength = 1000;

QLabel* MakeFrameLine(QWidget* window, const QString& name, const QString& picture, QSize size) {
    auto* line = new QLabel(window);
    line->setObjectName(name);
    line->setPixmap(SkinPixmap(picture, size, kSkinMaroon));
    line->setGeometry(0, 0, size.width(), size.height());
    return line;
}

} // namespace

QFont SkinFont(int pixelSize, bool bold, bool underline) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

QFont NarrowSkinFont(int pixelSize, int stretch, bool bold) {
    QFont font = SkinFont(pixelSize, bold);
    font.setStretch(stretch);
    return font;
}

QPalette SkinPalette(const QColor& window) {
    // Built from nothing of the application's palette: every role is set
    // here, so none falls back to the desktop's.
    QPalette palette(kSkinBackground, window);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        const QColor text = disabled ? kSkinDarkGrey : QColor(Qt::black);
        palette.setColor(group, QPalette::Window, window);
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::Base, kSkinField);
        palette.setColor(group, QPalette::AlternateBase, kSkinField);
        palette.setColor(group, QPalette::Text, text);
        palette.setColor(group, QPalette::PlaceholderText, kSkinDarkGrey);
        palette.setColor(group, QPalette::Button, kSkinBackground);
        palette.setColor(group, QPalette::ButtonText, text);
        palette.setColor(group, QPalette::BrightText, Qt::white);
        palette.setColor(group, QPalette::Highlight, kSkinDarkGrey);
        palette.setColor(group, QPalette::HighlightedText, kSkinGold);
        palette.setColor(group, QPalette::ToolTipBase, QColor(0xFF, 0xFF, 0xE1));
        palette.setColor(group, QPalette::ToolTipText, Qt::black);
        palette.setColor(group, QPalette::Link, kSkinMaroon);
        palette.setColor(group, QPalette::LinkVisited, kSkinMaroon);
    }
    return palette;
}

void SetFieldColours(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, kSkinField);
    palette.setColor(QPalette::Window, kSkinField);
    palette.setColor(QPalette::Button, kSkinField);
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::ButtonText, Qt::black);
    widget->setPalette(palette);
}

void PaintBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, int x, int y, const QFont& font,
                  const QColor& colour) {
    auto* label = new QLabel(DisplayText(text), parent);
    label->setObjectName(name);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->move(x, y);
    label->adjustSize();
    return label;
}

QLabel* MakeTitle(QWidget* parent, const QString& name, const QString& text, int x, int y) {
    return MakeLabel(parent, name, text, x, y, SkinFont(32, true), kSkinMaroon);
}

QFrame* MakePanel(QWidget* parent, const QString& name, int x, int y, int width, int height, const QColor& colour) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(1);
    panel->setGeometry(x, y, width, height);
    PaintBackground(panel, colour);
    return panel;
}

void AddFrameLines(QWidget* window) {
    const QSize horizontal(kFrameLength, kFrameThickness);
    const QSize vertical(kFrameThickness, kFrameLength);
    MakeFrameLine(window, QStringLiteral("ImageTraitHaut"), QStringLiteral("frame_horizontal.jpg"), horizontal);
    MakeFrameLine(window, QStringLiteral("ImageTraitBas"), QStringLiteral("frame_horizontal.jpg"), horizontal);
    MakeFrameLine(window, QStringLiteral("ImageTraitGauche"), QStringLiteral("frame_vertical.jpg"), vertical);
    MakeFrameLine(window, QStringLiteral("ImageTraitDroite"), QStringLiteral("frame_vertical.jpg"), vertical);
    PlaceFrameLines(window);
}

void PlaceFrameLines(QWidget* window) {
    if (auto* bottom = window->findChild<QLabel*>(QStringLiteral("ImageTraitBas"), Qt::FindDirectChildrenOnly)) {
        bottom->move(0, window->height() - kFrameThickness);
        bottom->raise();
    }
    if (auto* right = window->findChild<QLabel*>(QStringLiteral("ImageTraitDroite"), Qt::FindDirectChildrenOnly)) {
        right->move(window->width() - kFrameThickness, 0);
        right->raise();
    }
}

QString DisplayText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

QLineEdit* MakeFolderField(QWidget* parent, const QString& name, int x, int y, int width) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setReadOnly(true);
    field->setGeometry(x, y, width, 21);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, kSkinField);
    field->setPalette(palette);
    return field;
}

} // namespace vantorel
