#include "engine/view/TileList.h"

#include <QImageReader>

namespace {

QImage load(const QString& path, int pixels, qreal ratio) {
    // Read as PNG straight away: guessing the format would load every image plug-in there is.
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    QImage image = reader.read();
    if (image.size() != QSize(pixels, pixels)) {
        image = QImage(pixels, pixels, QImage::Format_RGB32); // missing art: plain black
        image.fill(Qt::black);
    }
    image = image.convertToFormat(QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    return image;
}

} // namespace

TileList::TileList(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("images_flowers"));
    for (int t = 0; t < rules::tileCount; ++t) {
        m_normal[t] = load(QStringLiteral(":/tiles/tile%1.png").arg(t), rules::tilePixels, 1.0);
    }
}

const QImage& TileList::tile(int t, qreal ratio) const {
    if (t < 0 || t >= rules::tileCount) {
        t = 0;
    }
    if (ratio <= 1.0) {
        return m_normal[t];
    }
    // Only a high-density screen needs these; on others they would be decoded for nothing.
    if (m_double[t].isNull()) {
        m_double[t] =
            load(QStringLiteral(":/tiles/tile%1@2x.png").arg(t), 2 * rules::tilePixels, 2.0);
    }
    return m_double[t];
}
