#include "widgets/EmbeddedPicture.h"

#include <QImageReader>

namespace embedded {

QImage image(const QString& path, const char* format) {
    QImageReader reader(path, format);
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QPixmap pixmap(const QString& path, const char* format) {
    return QPixmap::fromImage(image(path, format));
}

} // namespace embedded
