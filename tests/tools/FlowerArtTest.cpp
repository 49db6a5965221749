// tilegen's flowers differ in shape under simulated colour blindness; resources/tiles is current.

#include "tools/tilegen/FlowerArt.h"
#include "engine/GameRules.h"

#include <QDir>
#include <QTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

using Matrix = std::array<std::array<double, 3>, 3>;

// Machado, Oliveira and Fernandes (2009), full severity (dichromacy), on linear RGB.
struct Simulation {
    const char* name;
    Matrix m;
};
const Simulation simulations[] = {
    {"deuteranopia",
     {{{0.367322, 0.860646, -0.227968},
       {0.280085, 0.672501, 0.047413},
       {-0.011820, 0.042940, 0.968881}}}},
    {"protanopia",
     {{{0.152286, 1.052583, -0.204868},
       {0.114503, 0.786281, 0.099216},
       {-0.003882, -0.048116, 1.051998}}}},
    {"tritanopia",
     {{{1.255528, -0.076749, -0.178779},
       {-0.078411, 0.930809, 0.147602},
       {0.004733, 0.691367, 0.303900}}}},
};

double linear(int byte) {
    const double v = byte / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

// A tile's shape as a viewer with the given dichromacy sees it: the pixels whose simulated
// relative luminance stands out from the black background.
struct Mask {
    int size = 0;
    std::vector<bool> on;
    bool at(int x, int y) const {
        return x >= 0 && y >= 0 && x < size && y < size && on[size_t(y * size + x)];
    }
    int count() const { return int(std::count(on.begin(), on.end(), true)); }
};

// Relative luminance (0 to 1) at which a pixel counts as drawn against black.
constexpr double visible = 0.01;

Mask seenWith(const QImage& tile, const Matrix& m) {
    Mask mask;
    mask.size = tile.width();
    mask.on.resize(size_t(mask.size * mask.size));
    for (int y = 0; y < mask.size; ++y) {
        for (int x = 0; x < mask.size; ++x) {
            const QRgb p = tile.pixel(x, y);
            const double rgb[3] = {linear(qRed(p)), linear(qGreen(p)), linear(qBlue(p))};
            double out[3];
            for (int i = 0; i < 3; ++i) {
                out[i] =
                    std::clamp(m[i][0] * rgb[0] + m[i][1] * rgb[1] + m[i][2] * rgb[2], 0.0, 1.0);
            }
            const double luminance = 0.2126 * out[0] + 0.7152 * out[1] + 0.0722 * out[2];
            mask.on[size_t(y * mask.size + x)] = luminance > visible;
        }
    }
    return mask;
}

// How far apart two shapes are: the share of their union that only one of them covers, with
// the second shifted by up to `slack` pixels either way to fit the first as well as it can,
// so a mere offset does not count as a different shape.
double shapeDistance(const Mask& a, const Mask& b, int slack) {
    double best = 1.0;
    for (int dy = -slack; dy <= slack; ++dy) {
        for (int dx = -slack; dx <= slack; ++dx) {
            int either = 0, only = 0;
            for (int y = -slack; y < a.size + slack; ++y) {
                for (int x = -slack; x < a.size + slack; ++x) {
                    const bool inA = a.at(x, y);
                    const bool inB = b.at(x - dx, y - dy);
                    either += inA || inB ? 1 : 0;
                    only += inA != inB ? 1 : 0;
                }
            }
            best = std::min(best, either > 0 ? double(only) / either : 0.0);
        }
    }
    return best;
}

// The least share of a pair's union that one flower alone covers: at a tile's size, a tenth
// is about 45 pixels, petals of a visibly different form.
constexpr double differentShapes = 0.10;

bool samePixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y)) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

class FlowerArtTest : public QObject {
    Q_OBJECT

private slots:
    void everyPairOfFlowersDiffersInShapeForColourBlindEyes() {
        for (int scale : {1, 2}) {
            std::vector<QImage> tiles;
            for (int t = 1; t <= rules::maxColours; ++t) {
                tiles.push_back(flowerart::flowerTile(t, scale));
            }
            for (const Simulation& s : simulations) {
                std::vector<Mask> masks;
                for (const QImage& tile : tiles) {
                    masks.push_back(seenWith(tile, s.m));
                    // The whole flower stays visible: its outline does not fade into black.
                    const int drawn = masks.back().count();
                    const int unsimulated =
                        seenWith(tile, {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}).count();
                    QVERIFY2(drawn * 10 >= unsimulated * 9,
                             qPrintable(QStringLiteral("tile %1 fades under %2")
                                            .arg(masks.size())
                                            .arg(QLatin1String(s.name))));
                }
                for (size_t i = 0; i < masks.size(); ++i) {
                    for (size_t j = i + 1; j < masks.size(); ++j) {
                        const double d = shapeDistance(masks[i], masks[j], 2 * scale);
                        QVERIFY2(d >= differentShapes,
                                 qPrintable(QStringLiteral("tiles %1 and %2 at %3x under %4: %5")
                                                .arg(i + 1)
                                                .arg(j + 1)
                                                .arg(scale)
                                                .arg(QLatin1String(s.name))
                                                .arg(d)));
                    }
                }
            }
        }
    }

    // Forgetting to run the generator after a change leaves the game with the old art.
    void theCommittedTilesAreWhatTheGeneratorDraws() {
        const QDir folder(QStringLiteral(BLOOMZAP_TILES_DIR));
        for (int t = 0; t < rules::tileCount; ++t) {
            const QString names[2] = {QStringLiteral("tile%1.png").arg(t),
                                      QStringLiteral("tile%1@2x.png").arg(t)};
            for (int scale = 1; scale <= 2; ++scale) {
                const QImage committed(folder.filePath(names[scale - 1]));
                QVERIFY2(!committed.isNull(), qPrintable(names[scale - 1]));
                QVERIFY2(samePixels(committed.convertToFormat(QImage::Format_RGB32),
                                    flowerart::flowerTile(t, scale)),
                         qPrintable(names[scale - 1]));
            }
        }
    }
};

QTEST_MAIN(FlowerArtTest)
#include "FlowerArtTest.moc"
