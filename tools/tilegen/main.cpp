// tilegen: draws the board tiles of images_flowers.
//
//   tilegen OUTDIR
//
// Writes tile0.png ... tile8.png (32 x 32) and tile0@2x.png ... tile8@2x.png (64 x 64, drawn at
// that size) into OUTDIR. Tiles 0, 7 and 8 are plain black; tiles 1 to 6 show a five-petalled
// flower in the colour of their index on an opaque black background: petals shaded lighter
// toward their middle, outlined in the darker colour, a small black square at the centre.

#include "engine/GameRules.h"

#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>
#include <QtMath>
#include <cstdio>

namespace {

struct Flower {
    QColor outline;
    QColor petal;
};

// By tile index: 1 blue, 2 orange, 3 green, 4 red, 5 purple, 6 yellow.
const Flower flowers[] = {
    {QColor(0x21, 0x21, 0x73), QColor(0x21, 0x21, 0xD6)},
    {QColor(0xC6, 0x5A, 0x00), QColor(0xE7, 0x94, 0x42)},
    {QColor(0x10, 0x84, 0x10), QColor(0x52, 0xD6, 0x52)},
    {QColor(0xEF, 0x08, 0x08), QColor(0xFF, 0x52, 0x52)},
    {QColor(0x84, 0x08, 0x84), QColor(0xB5, 0x31, 0xB5)},
    {QColor(0xC6, 0xCE, 0x00), QColor(0xFF, 0xFF, 0x52)},
};

QColor mix(const QColor& a, const QColor& b, qreal t) {
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t,
                            a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t);
}

// The flower's geometry in tile units (a tile is 32 x 32), centred on (16, 16).
constexpr qreal petalcentre = 7.0; // distance of a petal's middle from the flower's centre
constexpr qreal petallength = 6.5; // half the petal's length along its axis
constexpr qreal petalwidth = 4.4;  // half the petal's width
constexpr qreal outlinewidth = 1.5;
constexpr qreal centresquare = 4.0;

QImage drawtile(int index, int scale) {
    const int pixels = rules::tilePixels * scale;
    QImage image(pixels, pixels, QImage::Format_RGB32);
    image.fill(Qt::black);
    if (index < 1 || index > rules::maxColours) {
        return image;
    }
    const Flower& f = flowers[index - 1];
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    p.translate(rules::tilePixels / 2.0, rules::tilePixels / 2.0);
    for (int k = 0; k < 5; ++k) {
        p.save();
        p.rotate(k * 72.0); // the first petal points up
        const QPointF middle(0.0, -petalcentre);
        QRadialGradient shade(middle, petallength, middle);
        shade.setColorAt(0.0, mix(f.petal, Qt::white, 0.6));
        shade.setColorAt(0.6, f.petal);
        shade.setColorAt(1.0, f.petal);
        p.setBrush(shade);
        p.setPen(QPen(f.outline, outlinewidth));
        p.drawEllipse(middle, petalwidth, petallength);
        p.restore();
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRect(QRectF(-centresquare / 2, -centresquare / 2, centresquare, centresquare));
    p.end();
    return image;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tilegen OUTDIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.exists() && !QDir().mkpath(out.path())) {
        std::fprintf(stderr, "tilegen: cannot make %s\n", argv[1]);
        return 1;
    }
    for (int t = 0; t < rules::tileCount; ++t) {
        const QString names[2] = {QStringLiteral("tile%1.png").arg(t),
                                  QStringLiteral("tile%1@2x.png").arg(t)};
        for (int scale = 1; scale <= 2; ++scale) {
            const QString path = out.filePath(names[scale - 1]);
            if (!drawtile(t, scale).save(path, "PNG")) {
                std::fprintf(stderr, "tilegen: cannot write %s\n", qPrintable(path));
                return 1;
            }
        }
    }
    return 0;
}
