#include "widgets/EmbeddedPicture.h"

#include "widgets/DecodedPicture.h"

#include <QByteArray>
#include <QColorSpace>
#include <QImageReader>
#include <QResource>

#include <cstring>

namespace {

// The picture at `path` as the build decoded it, or an empty image when the build did not
// decode it or its data does not fit.
QImage decodedAtBuild(const QString& path) {
    const QResource resource(path + QLatin1String(decodedpicture::suffix));
    if (!resource.isValid()) {
        return {};
    }
    const QByteArray data = resource.uncompressedData();
    decodedpicture::Header header{};
    if (data.size() < qsizetype(sizeof header)) {
        return {};
    }
    std::memcpy(&header, data.constData(), sizeof header);
    if (std::memcmp(header.magic, decodedpicture::magic, sizeof header.magic) != 0 ||
        header.byteOrder != decodedpicture::byteOrderMark || header.width <= 0 ||
        header.height <= 0 || header.iccProfileSize < 0 ||
        header.format <= QImage::Format_Invalid || header.format >= QImage::NImageFormats) {
        return {};
    }
    QImage image(header.width, header.height, QImage::Format(header.format));
    const qsizetype pixels = qsizetype(sizeof header) + header.iccProfileSize;
    if (image.isNull() || image.bytesPerLine() != header.bytesPerLine ||
        data.size() != pixels + image.sizeInBytes()) {
        return {};
    }
    std::memcpy(image.bits(), data.constData() + pixels, size_t(image.sizeInBytes()));
    if (header.iccProfileSize > 0) {
        image.setColorSpace(
            QColorSpace::fromIccProfile(data.mid(sizeof header, header.iccProfileSize)));
    }
    image.setDotsPerMeterX(header.dotsPerMeterX);
    image.setDotsPerMeterY(header.dotsPerMeterY);
    return image;
}

} // namespace

namespace embedded {

QImage image(const QString& path, const char* format) {
    if (qstrcmp(format, "png") == 0) {
        QImage decoded = decodedAtBuild(path);
        if (!decoded.isNull()) {
            return decoded;
        }
    }
    QImageReader reader(path, format);
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QPixmap pixmap(const QString& path, const char* format) {
    return QPixmap::fromImage(image(path, format));
}

} // namespace embedded
