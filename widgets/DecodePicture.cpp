// Build step: decodes one embedded PNG picture with Qt's own PNG decoder and writes its pixels in
// the layout of DecodedPicture.h, so the program copies them instead of decoding at start.
//   bloomzap_decodepicture PICTURE.png OUTPUT

#include "widgets/DecodedPicture.h"

#include <QColorSpace>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PICTURE.png OUTPUT\n", argv[0]);
        return 2;
    }
    const QString input = QString::fromLocal8Bit(argv[1]);
    // The decoder the program itself uses for its pictures (EmbeddedPicture.cpp).
    QImageReader reader(input, "png");
    reader.setAutoDetectImageFormat(false);
    const QImage image = reader.read();
    if (image.isNull()) {
        std::fprintf(stderr, "%s: %s: %s\n", argv[0], argv[1], qPrintable(reader.errorString()));
        return 1;
    }
    const QByteArray icc =
        image.colorSpace().isValid() ? image.colorSpace().iccProfile() : QByteArray();
    decodedpicture::Header header{};
    std::memcpy(header.magic, decodedpicture::magic, sizeof header.magic);
    header.byteOrder = decodedpicture::byteOrderMark;
    header.width = image.width();
    header.height = image.height();
    header.bytesPerLine = static_cast<qint32>(image.bytesPerLine());
    header.format = image.format();
    header.dotsPerMeterX = image.dotsPerMeterX();
    header.dotsPerMeterY = image.dotsPerMeterY();
    header.iccProfileSize = static_cast<qint32>(icc.size());

    QFile output(QString::fromLocal8Bit(argv[2]));
    const auto bytes = static_cast<qint64>(image.sizeInBytes());
    if (!output.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        output.write(reinterpret_cast<const char*>(&header), sizeof header) != sizeof header ||
        output.write(icc) != icc.size() ||
        output.write(reinterpret_cast<const char*>(image.constBits()), bytes) != bytes ||
        !output.flush()) {
        std::fprintf(stderr, "%s: %s: %s\n", argv[0], argv[2], qPrintable(output.errorString()));
        output.remove();
        return 1;
    }
    return 0;
}
