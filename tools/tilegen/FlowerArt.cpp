#include "tools/tilegen/FlowerArt.h"

#include "engine/GameRules.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>

namespace flowerart {

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

// One petal, pointing up from the flower's centre at (0, 0), in tile pixels (a tile is
// 32 x 32), with the point its shading is lightest at and the reach of that shading.
struct Petal {
    QPainterPath outline;
    QPointF middle;
    qreal shade;
    // Scales the drawing so that every flower covers about the same area of its tile.
    Petal scaled(qreal k) const {
        return {QTransform::fromScale(k, k).map(outline), middle * k, shade * k};
    }
    // Turns the flower by the given degrees (36 puts a petal where the others have a gap).
    Petal turned(qreal degrees) const {
        const QTransform turn = QTransform().rotate(degrees);
        return {turn.map(outline), turn.map(middle), shade};
    }
};

// Mirrors the right half of a petal (from its base at the centre to its tip on the axis) into
// a closed, symmetric outline.
QPainterPath symmetric(const QPainterPath& right) {
    QPainterPath left = QTransform::fromScale(-1, 1).map(right).toReversed();
    QPainterPath whole = right;
    whole.connectPath(left);
    whole.closeSubpath();
    return whole;
}

Petal petalOf(int index) {
    QPainterPath p;
    switch (index) {
    case 1: // oval
        p.addEllipse(QPointF(0, -7.0), 4.4, 6.5);
        return {p, {0, -7.0}, 6.5};
    case 2: // pointed, widest near the centre
        p.moveTo(0, -0.5);
        p.cubicTo(7.2, -2.6, 6.0, -8.6, 0, -14.2);
        return Petal{symmetric(p), {0, -6.0}, 7.0}.turned(36);
    case 3: // broad, notched at the tip
        p.moveTo(0, -0.5);
        p.cubicTo(4.8, -2.4, 7.0, -10.0, 3.9, -12.7);
        p.cubicTo(2.3, -13.9, 0.7, -13.2, 0, -10.4);
        return Petal{symmetric(p), {0, -7.0}, 6.5}.scaled(0.90).turned(36);
    case 4: // round petals closing into a scalloped disc
        p.addEllipse(QPointF(0, -6.2), 6.6, 6.6);
        return Petal{p, {0, -7.0}, 6.0}.scaled(0.95);
    case 5: // swirled: one edge bulges, the other curves back
        p.moveTo(0, -0.5);
        p.cubicTo(8.6, -2.0, 8.4, -11.0, 1.6, -13.9);
        p.cubicTo(-1.6, -14.4, -2.6, -11.0, -1.6, -8.0);
        p.cubicTo(-1.2, -5.0, -2.2, -2.4, 0, -0.5);
        p.closeSubpath();
        return Petal{p, {1.6, -7.6}, 6.0}.scaled(0.93);
    default: // 6: fan-shaped, narrow at the centre, with a straight tip
        p.moveTo(0, -1.5);
        p.lineTo(0.9, -1.5);
        p.lineTo(5.4, -12.0);
        p.quadTo(2.8, -13.6, 0, -13.6);
        return Petal{symmetric(p), {0, -8.0}, 4.8}.scaled(0.88).turned(36);
    }
}

constexpr qreal outlineWidth = 1.5;
constexpr qreal centreSquare = 4.0;
constexpr int petals = 5;

} // namespace

QImage flowerTile(int index, int scale) {
    const int pixels = rules::tilePixels * scale;
    QImage image(pixels, pixels, QImage::Format_RGB32);
    image.fill(Qt::black);
    if (index < 1 || index > rules::maxColours) {
        return image;
    }
    const Flower& f = flowers[index - 1];
    const Petal petal = petalOf(index);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    p.translate(rules::tilePixels / 2.0, rules::tilePixels / 2.0);
    for (int k = 0; k < petals; ++k) {
        p.save();
        p.rotate(k * 360.0 / petals); // the first petal points up
        QRadialGradient shade(petal.middle, petal.shade, petal.middle);
        shade.setColorAt(0.0, mix(f.petal, Qt::white, 0.6));
        shade.setColorAt(0.6, f.petal);
        shade.setColorAt(1.0, f.petal);
        p.setBrush(shade);
        p.setPen(QPen(f.outline, outlineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(petal.outline);
        p.restore();
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRect(QRectF(-centreSquare / 2, -centreSquare / 2, centreSquare, centreSquare));
    p.end();
    return image;
}

} // namespace flowerart
