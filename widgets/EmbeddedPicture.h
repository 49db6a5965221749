#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>

// Pictures embedded in the program, read with the decoder of their own format alone. Qt's usual
// reading first asks every installed image plug-in whether it knows the format, which loads all
// of them with their libraries (WebP, TIFF, MNG, SVG, ...); the program's pictures need none of
// that. A PNG picture the build decoded already (DecodedPicture.h) is copied instead of decoded.
// An unreadable picture gives an empty one, as QPixmap's own loading does.
namespace embedded {

// format: the decoder's name in lower case, "png" or "jpeg".
QImage image(const QString& path, const char* format);
QPixmap pixmap(const QString& path, const char* format);

} // namespace embedded
