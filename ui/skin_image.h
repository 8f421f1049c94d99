#pragma once

#include <QColor>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace vantorel {

// Decodes the embedded skin picture ":/skin/<name>" (a JPEG). When the
// picture is missing or cannot be decoded, returns a plain rectangle of
// `fallbackSize` in `fallbackColour`, so a window is never left without its
// pieces.
QPixmap SkinPixmap(const QString& name, QSize fallbackSize, const QColor& fallbackColour);

// The decoded picture alone; a null image when it is missing or damaged.
QImage DecodeSkinJpeg(const QString& resourcePath);

} // namespace vantorel
