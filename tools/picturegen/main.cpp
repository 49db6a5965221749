// Draws the windows' pictures: the "Bloomzap" logo (218x52, transparent), the flower emblem
// (79x83) shown beside the start button and on the high score window, the About window's title
// (293x69, transparent) and the advertisement window's picture (521x300, a JPEG).
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
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

// Letters with a dark rim, filled with the warm gradient running from `top` to `bottom`.
void paintLetters(QPainter& p, const QPainterPath& text, qreal top, qreal bottom) {
    p.setPen(QPen(QColor(60, 0, 40), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(text);
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0.0, QColor(255, 240, 120));
    g.setColorAt(0.45, QColor(255, 150, 60));
    g.setColorAt(1.0, QColor(230, 40, 110));
    p.setPen(QPen(QColor(255, 255, 198), 1.2));
    p.setBrush(g);
    p.drawPath(text);
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

    paintLetters(p, text, 10, 42);

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

// The word "Bloomzap" as a path in a warm gradient with a dark rim, fitted into `box`.
void drawWordMark(QPainter& p, const QRectF& box, int pixels) {
    QFont f("Liberation Sans");
    f.setPixelSize(pixels);
    f.setBold(true);
    f.setItalic(true);
    QPainterPath text;
    text.addText(0, 0, f, "Bloomzap");
    const QRectF r = text.boundingRect();
    const qreal scale = qMin<qreal>(box.width() / r.width(), box.height() / r.height());
    QTransform t;
    t.translate(box.center().x(), box.center().y());
    t.scale(scale, scale);
    t.translate(-r.center().x(), -r.center().y());
    text = t.map(text);

    paintLetters(p, text, box.top(), box.bottom());
}

// The six flower colours of the board: rim and petal.
const QColor flowerColours[6][2] = {
    {QColor(239, 8, 8), QColor(255, 82, 82)},    {QColor(33, 33, 115), QColor(21, 21, 214)},
    {QColor(16, 100, 16), QColor(82, 214, 82)},  {QColor(198, 206, 0), QColor(255, 255, 82)},
    {QColor(132, 8, 132), QColor(181, 49, 181)}, {QColor(170, 80, 0), QColor(255, 150, 40)},
};

QImage drawTitle() {
    QImage img(293, 69, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    drawFlower(p, QPointF(31, 33), 28, flowerColours[4][0], flowerColours[4][1]);
    drawWordMark(p, QRectF(64, 3, 224, 60), 56);
    return img;
}

// A ribbon of text with a dark outline, centred on `centre`.
void drawOutlinedText(QPainter& p, QPointF centre, const QString& s, int pixels, QColor fill) {
    QFont f("Liberation Sans");
    f.setPixelSize(pixels);
    f.setBold(true);
    QPainterPath text;
    text.addText(0, 0, f, s);
    const QRectF r = text.boundingRect();
    text.translate(centre - r.center());
    p.setPen(QPen(QColor(20, 40, 20), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(text);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(text);
}

// The advertisement: a meadow of flowers around a winners' podium with the top three places.
QImage drawAdvert() {
    const int w = 521, h = 300;
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0.0, QColor(24, 40, 88));
    sky.setColorAt(0.55, QColor(70, 110, 170));
    sky.setColorAt(0.56, QColor(60, 120, 60));
    sky.setColorAt(1.0, QColor(24, 64, 24));
    p.fillRect(img.rect(), sky);

    // Stars, always the same, so the picture can be remade byte for byte.
    QRandomGenerator random(20261207);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 60; ++i) {
        p.setBrush(QColor(255, 255, 220, 90 + random.bounded(150)));
        p.drawEllipse(QPointF(random.bounded(w), random.bounded(140)), 1.2, 1.2);
    }

    // The podium: second, first, third.
    const struct {
        qreal x, top;
        const char* place;
        int colour;
    } steps[3] = {{165, 206, "2", 1}, {225, 180, "1", 0}, {285, 226, "3", 3}};
    for (const auto& s : steps) {
        QLinearGradient stone(s.x, 0, s.x + 70, 0);
        stone.setColorAt(0, QColor(255, 255, 198));
        stone.setColorAt(1, QColor(200, 190, 140));
        p.setBrush(stone);
        p.setPen(QPen(QColor(164, 0, 0), 2));
        p.drawRect(QRectF(s.x, s.top, 70, h - 28 - s.top));
        drawOutlinedText(p, QPointF(s.x + 35, s.top + 22), s.place, 26, QColor(164, 0, 0));
        drawFlower(p, QPointF(s.x + 35, s.top - 24), 22, flowerColours[s.colour][0],
                   flowerColours[s.colour][1]);
    }
    // The meadow in front.
    for (int i = 0; i < 26; ++i) {
        const int c = random.bounded(6);
        const qreal x = 10 + random.bounded(w - 20);
        const qreal y = 262 + random.bounded(30);
        drawFlower(p, QPointF(x, y), 9 + random.bounded(5), flowerColours[c][0],
                   flowerColours[c][1], -90 + random.bounded(72));
    }
    for (int i = 0; i < 4; ++i) {
        const int c = (i + 2) % 6;
        drawFlower(p, QPointF(i < 2 ? 40 + i * 60 : w - 40 - (i - 2) * 60, 220), 18,
                   flowerColours[c][0], flowerColours[c][1]);
    }

    drawWordMark(p, QRectF(110, 8, 301, 56), 60);
    drawOutlinedText(p, QPointF(w / 2.0, 90), "TOP TEN ONLINE", 26, QColor(255, 255, 128));
    drawOutlinedText(p, QPointF(w / 2.0, 120), "Can you make the list?", 18, QColor(218, 218, 218));
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
    const bool ok = drawLogo().save(dir + "/logo.png") && drawEmblem().save(dir + "/emblem.png") &&
                    drawTitle().save(dir + "/title.png") &&
                    drawAdvert().save(dir + "/multiplayer.jpg", "JPEG", 90);
    if (!ok) {
        std::fprintf(stderr, "picturegen: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
