// Draws the game window's pictures: the "Bloomzap" logo (218x52, transparent) and the flower
// emblem (79x83) shown beside the start button and on the high score window.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>
#include <cstdio>

namespace {

// One five-petalled flower centred on c, petals of radius r, coloured from 'outline' to 'petal'.
void drawFlower(QPainter& p, QPointF c, qreal r, QColor outline, QColor petal, qreal turn = -90) {
    for (int i = 0; i < 5; ++i) {
        const qreal a = qDegreesToRadians(turn + i * 72.0);
        const QPointF centre = c + QPointF(std::cos(a), std::sin(a)) * r * 0.55;
        QRadialGradient g(centre, r * 0.5);
        g.setColorAt(0.0, petal.lighter(150));
        g.setColorAt(0.6, petal);
        g.setColorAt(1.0, petal.darker(115));
        p.setBrush(g);
        p.setPen(QPen(outline, qMax<qreal>(1.0, r * 0.08)));
        p.save();
        p.translate(centre);
        p.rotate(turn + i * 72.0);
        p.drawEllipse(QPointF(0, 0), r * 0.52, r * 0.40);
        p.restore();
    }
    QRadialGradient heart(c, r * 0.3);
    heart.setColorAt(0, QColor(255, 250, 200));
    heart.setColorAt(1, QColor(230, 170, 30));
    p.setBrush(heart);
    p.setPen(QPen(QColor(120, 70, 0), qMax<qreal>(1.0, r * 0.05)));
    p.drawEllipse(c, r * 0.24, r * 0.24);
}

QImage drawLogo() {
    QImage img(218, 52, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    // Word mark: bold rounded letters with a warm gradient and a dark rim.
    QFont f("Liberation Sans");
    f.setPixelSize(38);
    f.setBold(true);
    f.setItalic(true);
    QPainterPath text;
    text.addText(42, 39, f, "Bloomzap");
    const QRectF box = text.boundingRect();
    // Fit the word into the space right of the flower.
    const qreal scale = qMin<qreal>(1.0, (218 - 46) / box.width());
    QTransform t;
    t.translate(44, 0);
    t.scale(scale, 1.0);
    t.translate(-box.left(), 0);
    text = t.map(text);

    p.setPen(QPen(QColor(60, 0, 40), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(text);
    QLinearGradient g(0, 10, 0, 42);
    g.setColorAt(0.0, QColor(255, 240, 120));
    g.setColorAt(0.45, QColor(255, 150, 60));
    g.setColorAt(1.0, QColor(230, 40, 110));
    p.setPen(QPen(QColor(255, 255, 198), 1.2));
    p.setBrush(g);
    p.drawPath(text);

    drawFlower(p, QPointF(23, 26), 21, QColor(132, 8, 132), QColor(181, 49, 181));
    return img;
}

QImage drawEmblem() {
    QImage img(79, 83, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::black);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    // Stem and leaves under a big flower, with two small buds of other colours.
    p.setPen(QPen(QColor(16, 132, 16), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(40, 44), QPointF(38, 81));
    p.setPen(QPen(QColor(16, 100, 16), 1));
    QLinearGradient leaf(20, 60, 40, 70);
    leaf.setColorAt(0, QColor(82, 214, 82));
    leaf.setColorAt(1, QColor(16, 132, 16));
    p.setBrush(leaf);
    QPainterPath l1;
    l1.moveTo(39, 72);
    l1.cubicTo(30, 58, 18, 60, 12, 64);
    l1.cubicTo(20, 72, 30, 74, 39, 72);
    p.drawPath(l1);
    QPainterPath l2;
    l2.moveTo(39, 66);
    l2.cubicTo(48, 54, 60, 54, 67, 58);
    l2.cubicTo(60, 66, 50, 69, 39, 66);
    p.drawPath(l2);

    drawFlower(p, QPointF(13, 16), 10, QColor(33, 33, 115), QColor(21, 21, 214), -60);
    drawFlower(p, QPointF(66, 18), 10, QColor(198, 206, 0), QColor(255, 255, 82), -120);
    drawFlower(p, QPointF(40, 33), 24, QColor(239, 8, 8), QColor(255, 82, 82));
    return img;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: picturegen OUTPUT_FOLDER\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const bool ok = drawLogo().save(dir + "/logo.png") && drawEmblem().save(dir + "/emblem.png");
    if (!ok) {
        std::fprintf(stderr, "picturegen: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
