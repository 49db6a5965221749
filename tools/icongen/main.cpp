// icongen: draws the program's desktop icon into a hicolor icon tree.
//
//   icongen OUTDIR
//
// Writes OUTDIR/bloomzap-<n>.png for the sizes below and OUTDIR/bloomzap.svg; the install rules
// give them the desktop entry's icon name in the hicolor tree.
// The icon is a dark rounded board tile with the flowers of the game's logo pictures: a big red
// flower on a stem between two leaves, a blue and a yellow bud above it. Sizes up to 32 pixels
// show the red flower alone, larger, so it still reads as a flower in a panel or a menu.
//
// Every shape is a path with a flat or gradient paint, so the same picture goes both to
// QPainter (the PNGs) and to SVG text (the scalable icon) without a second drawing.

#include <QColor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRegularExpression>
#include <QTransform>
#include <QtMath>
#include <cstdio>
#include <vector>

namespace {

constexpr int canvas = 256; // the icon is designed on a 256 x 256 canvas and scaled
constexpr int pngSizes[] = {16, 22, 24, 32, 48, 64, 128, 256, 512};
constexpr int smallestDetailed = 48; // below this the buds, stem and leaves are left out

struct Paint {
    enum Kind { Flat, Linear, Radial };
    Kind kind = Flat;
    QPointF from;     // linear start, radial centre
    QPointF to;       // linear end
    qreal radius = 0; // radial
    std::vector<std::pair<qreal, QColor>> stops;
};

struct Shape {
    QPainterPath path;
    Paint fill;
    QColor stroke; // invalid: no outline
    qreal strokeWidth = 0;
};

Paint flat(QColor c) {
    Paint p;
    p.stops = {{0, c}};
    return p;
}

Paint gradient(Paint::Kind kind, QPointF from, QPointF to, qreal radius,
               std::vector<std::pair<qreal, QColor>> stops) {
    Paint p;
    p.kind = kind;
    p.from = from;
    p.to = to;
    p.radius = radius;
    p.stops = std::move(stops);
    return p;
}

Paint radial(QPointF centre, qreal radius, std::vector<std::pair<qreal, QColor>> stops) {
    return gradient(Paint::Radial, centre, {}, radius, std::move(stops));
}

Paint linear(QPointF from, QPointF to, std::vector<std::pair<qreal, QColor>> stops) {
    return gradient(Paint::Linear, from, to, 0, std::move(stops));
}

// Five petals around a golden heart, shaded as the logo's flowers are.
void addFlower(std::vector<Shape>& shapes, QPointF c, qreal r, QColor outline, QColor petal,
               qreal turn) {
    for (int i = 0; i < 5; ++i) {
        const qreal angle = turn + i * 72.0;
        const qreal a = qDegreesToRadians(angle);
        const QPointF centre = c + QPointF(std::cos(a), std::sin(a)) * r * 0.55;
        QPainterPath ellipse;
        ellipse.addEllipse(QPointF(0, 0), r * 0.52, r * 0.40);
        QTransform t;
        t.translate(centre.x(), centre.y());
        t.rotate(angle);
        shapes.push_back(
            {t.map(ellipse),
             radial(centre, r * 0.5,
                    {{0.0, petal.lighter(150)}, {0.6, petal}, {1.0, petal.darker(115)}}),
             outline, qMax<qreal>(1.0, r * 0.08)});
    }
    QPainterPath heart;
    heart.addEllipse(c, r * 0.24, r * 0.24);
    shapes.push_back(
        {heart, radial(c, r * 0.3, {{0.0, QColor(255, 250, 200)}, {1.0, QColor(230, 170, 30)}}),
         QColor(120, 70, 0), qMax<qreal>(1.0, r * 0.05)});
}

std::vector<Shape> drawIcon(bool detailed) {
    std::vector<Shape> shapes;
    QPainterPath tile;
    tile.addRoundedRect(QRectF(12, 12, 232, 232), 44, 44);
    shapes.push_back({tile,
                      linear(QPointF(0, 12), QPointF(0, 244),
                             {{0.0, QColor(58, 58, 82)}, {1.0, QColor(14, 14, 24)}}),
                      QColor(150, 150, 190), 6});

    if (!detailed) {
        addFlower(shapes, QPointF(128, 128), 104, QColor(239, 8, 8), QColor(255, 82, 82), -90);
        return shapes;
    }

    QPainterPath stem;
    stem.moveTo(130, 150);
    stem.cubicTo(132, 180, 124, 205, 124, 232);
    stem.lineTo(134, 232);
    stem.cubicTo(134, 205, 142, 180, 140, 150);
    stem.closeSubpath();
    shapes.push_back({stem, flat(QColor(16, 132, 16)), QColor(10, 90, 10), 2});

    const auto leafPaint = [](QPointF from, QPointF to) {
        return linear(from, to, {{0.0, QColor(82, 214, 82)}, {1.0, QColor(16, 132, 16)}});
    };
    QPainterPath left;
    left.moveTo(128, 212);
    left.cubicTo(104, 172, 66, 176, 46, 186);
    left.cubicTo(70, 212, 100, 220, 128, 212);
    shapes.push_back(
        {left, leafPaint(QPointF(60, 180), QPointF(128, 212)), QColor(16, 100, 16), 3});
    QPainterPath right;
    right.moveTo(134, 194);
    right.cubicTo(160, 156, 196, 156, 216, 168);
    right.cubicTo(196, 192, 164, 202, 134, 194);
    shapes.push_back(
        {right, leafPaint(QPointF(204, 164), QPointF(134, 194)), QColor(16, 100, 16), 3});

    addFlower(shapes, QPointF(58, 60), 34, QColor(33, 33, 115), QColor(21, 21, 214), -60);
    addFlower(shapes, QPointF(198, 60), 34, QColor(198, 206, 0), QColor(255, 255, 82), -120);
    addFlower(shapes, QPointF(130, 118), 72, QColor(239, 8, 8), QColor(255, 82, 82), -90);
    return shapes;
}

QBrush brushOf(const Paint& paint) {
    QGradient* g = nullptr;
    QLinearGradient lin(paint.from, paint.to);
    QRadialGradient rad(paint.from, paint.radius);
    switch (paint.kind) {
    case Paint::Flat:
        return QBrush(paint.stops.front().second);
    case Paint::Linear:
        g = &lin;
        break;
    case Paint::Radial:
        g = &rad;
        break;
    }
    for (const auto& [at, colour] : paint.stops) {
        g->setColorAt(at, colour);
    }
    return QBrush(*g);
}

QImage renderPng(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(qreal(size) / canvas, qreal(size) / canvas);
    for (const Shape& s : drawIcon(size >= smallestDetailed)) {
        p.setBrush(brushOf(s.fill));
        p.setPen(s.stroke.isValid() ? QPen(s.stroke, s.strokeWidth) : QPen(Qt::NoPen));
        p.drawPath(s.path);
    }
    p.end();
    return image;
}

QString num(qreal v) {
    return QString::number(v, 'f', 2).remove(QRegularExpression("\\.?0+$"));
}

QString colourText(const QColor& c) {
    return c.name(QColor::HexRgb);
}

QString pathData(const QPainterPath& path) {
    QString d;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        const QString point = num(e.x) + ' ' + num(e.y);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            d += (d.isEmpty() ? "M" : " M") + point;
            break;
        case QPainterPath::LineToElement:
            d += " L" + point;
            break;
        case QPainterPath::CurveToElement:
            d += " C" + point;
            break;
        case QPainterPath::CurveToDataElement:
            d += ' ' + point;
            break;
        }
    }
    return d + " Z";
}

QString renderSvg() {
    QString defs;
    QString body;
    int gradients = 0;
    for (const Shape& s : drawIcon(true)) {
        QString fill;
        if (s.fill.kind == Paint::Flat) {
            fill = colourText(s.fill.stops.front().second);
        } else {
            const QString id = QStringLiteral("g%1").arg(++gradients);
            QString stops;
            for (const auto& [at, colour] : s.fill.stops) {
                stops += QStringLiteral("      <stop offset=\"%1\" stop-color=\"%2\"/>\n")
                             .arg(num(at), colourText(colour));
            }
            if (s.fill.kind == Paint::Linear) {
                defs +=
                    QStringLiteral("    <linearGradient id=\"%1\" gradientUnits=\"userSpaceOnUse\" "
                                   "x1=\"%2\" y1=\"%3\" x2=\"%4\" y2=\"%5\">\n%6"
                                   "    </linearGradient>\n")
                        .arg(id, num(s.fill.from.x()), num(s.fill.from.y()), num(s.fill.to.x()),
                             num(s.fill.to.y()), stops);
            } else {
                defs +=
                    QStringLiteral("    <radialGradient id=\"%1\" gradientUnits=\"userSpaceOnUse\" "
                                   "cx=\"%2\" cy=\"%3\" r=\"%4\">\n%5"
                                   "    </radialGradient>\n")
                        .arg(id, num(s.fill.from.x()), num(s.fill.from.y()), num(s.fill.radius),
                             stops);
            }
            fill = QStringLiteral("url(#%1)").arg(id);
        }
        QString stroke = QStringLiteral("none");
        if (s.stroke.isValid()) {
            stroke =
                colourText(s.stroke) + QStringLiteral("\" stroke-width=\"") + num(s.strokeWidth);
        }
        body += QStringLiteral("  <path fill=\"%1\" stroke=\"%2\" d=\"%3\"/>\n")
                    .arg(fill, stroke, pathData(s.path));
    }
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" "
                          "viewBox=\"0 0 %1 %1\">\n"
                          "  <title>Bloomzap</title>\n"
                          "  <defs>\n%2  </defs>\n%3</svg>\n")
        .arg(canvas)
        .arg(defs, body);
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: icongen OUTDIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    bool ok = out.mkpath(".");
    for (const int size : pngSizes) {
        ok = ok && renderPng(size).save(out.filePath(QStringLiteral("bloomzap-%1.png").arg(size)));
    }
    QFile svg(out.filePath("bloomzap.svg"));
    ok = ok && svg.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
         svg.write(renderSvg().toUtf8()) > 0;
    if (!ok) {
        std::fprintf(stderr, "icongen: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
