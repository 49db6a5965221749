// tilegen: draws the board tiles of images_flowers.
//
//   tilegen OUTDIR
//
// Writes tile0.png ... tile8.png (32 x 32) and tile0@2x.png ... tile8@2x.png (64 x 64, drawn at
// that size) into OUTDIR; FlowerArt.h says what they show.

#include "engine/GameRules.h"
#include "tools/tilegen/FlowerArt.h"

#include <QDir>
#include <QImage>
#include <cstdio>

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
            if (!flowerart::flowerTile(t, scale).save(path, "PNG")) {
                std::fprintf(stderr, "tilegen: cannot write %s\n", qPrintable(path));
                return 1;
            }
        }
    }
    return 0;
}
