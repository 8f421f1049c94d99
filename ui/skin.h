#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>

class QFrame;
class QLabel;
class QLineEdit;
class QWidget;

namespace vantorel {

// The colours of the skin.
inline const QColor kSkinBackground(0xDA, 0xC8, 0xA9); // secondary windows, main outer panel
inline const QColor kSkinPanel(0xCF, 0xB5, 0x8C);      // inner panels
inline const QColor kSkinField(0xDB, 0xDB, 0xDB);      // edit boxes, lists, drop-down lists
inline const QColor kSkinMaroon(0x80, 0x00, 0x00);     // titles and notes
inline const QColor kSkinGold(0xD8, 0xB7, 0x75);       // text of a selected row
inline const QColor kSkinDarkGrey(0x66, 0x66, 0x66);   // background of a selected row, main window
inline const QColor kOverlayGrey(0x80, 0x80, 0x80);

// A sans-serif font of `pixelSize` pixels.
QFont SkinFont(int pixelSize, bool bold = false, bool underline = false);
// The same, drawn narrower (`stretch` percent of its width) where long fixed
// lines must fit a fixed panel.
QFont NarrowSkinFont(int pixelSize, int stretch, bool bold = false);

// The skin's colours for every role of every colour group, so that no text
// or field of a window takes its colour from the desktop's theme (a dark one
// would give light grey text on the skin's light backgrounds): black text,
// #DBDBDB fields, `window` behind. Set on a window before its controls are
// made, every control inherits it.
QPalette SkinPalette(const QColor& window);

// Gives a list or a field the skin's field colours: black text on #DBDBDB.
void SetFieldColours(QWidget* widget);

// Gives `widget` a plain background colour of its own.
void PaintBackground(QWidget* widget, const QColor& colour);

// A label named `name` at (x, y), sized to its text.
QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, int x, int y, const QFont& font,
                  const QColor& colour = Qt::black);

// A window title: bold 32-pixel maroon.
QLabel* MakeTitle(QWidget* parent, const QString& name, const QString& text, int x, int y);

// An inner panel with the lowered inner bevel.
QFrame* MakePanel(QWidget* parent, const QString& name, int x, int y, int width, int height,
                  const QColor& colour = kSkinPanel);

// A read-only folder field (EdSource, EdDestination): only the folder
// picker fills it.
QLineEdit* MakeFolderField(QWidget* parent, const QString& name, int x, int y, int width);

// The four 4-pixel frame pictures ImageTraitHaut, ImageTraitBas,
// ImageTraitGauche and ImageTraitDroite along the edges of `window`.
void AddFrameLines(QWidget* window);

// Moves the bottom and right frame lines to the window's current edges.
void PlaceFrameLines(QWidget* window);

// Text with the stored line breaks ("\r\n") as the labels show them.
QString DisplayText(const QString& text);

} // namespace vantorel
