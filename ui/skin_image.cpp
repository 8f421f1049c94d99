#include "ui/skin_image.h"

#include <QFile>
#include <QImage>

#include <turbojpeg.h>

#include <memory>

namespace vantorel {

namespace {

struct TurboJpegHandleCloser {
    void operator()(void* handle) const {
        // Nothing can be done about a failure to free the decoder.
        (void)tjDestroy(handle);
    }
};
using TurboJpegHandle = std::unique_ptr<void, TurboJpegHandleCloser>;

} // namespace

QImage DecodeSkinJpeg(const QString& resourcePath) {
    QFile file(resourcePath);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.readAll();
    if (bytes.isEmpty()) {
        return {};
    }
    TurboJpegHandle decoder(tjInitDecompress());
    if (!decoder) {
        return {};
    }
    auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto size = static_cast<unsigned long>(bytes.size());
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourspace = 0;
    if (tjDecompressHeader3(decoder.get(), data, size, &width, &height, &subsampling, &colourspace) != 0) {
        return {};
    }
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192) {
        return {};
    }
    QImage image(width, height, QImage::Format_RGB888);
    if (image.isNull()) {
        return {};
    }
    if (tjDecompress2(decoder.get(), data, size, image.bits(), width, static_cast<int>(image.bytesPerLine()), height,
                      TJPF_RGB, TJFLAG_ACCURATEDCT) != 0) {
        return {};
    }
    return image;
}

QPixmap SkinPixmap(const QString& name, QSize fallbackSize, const QColor& fallbackColour) {
    const QImage image = DecodeSkinJpeg(QStringLiteral(":/skin/") + name);
    if (!image.isNull()) {
        return QPixmap::fromImage(image);
    }
    QPixmap plain(fallbackSize);
    plain.fill(fallbackColour);
    return plain;
}

} // namespace vantorel
