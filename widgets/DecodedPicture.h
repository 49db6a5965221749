#pragma once

// The layout of a picture decoded at build time (widgets/DecodePicture.cpp) and embedded beside
// its PNG file as "<path>.decoded": copying its pixels at start costs a fraction of decoding the
// PNG. A header, the ICC profile of the picture's colour space (none when it has none), then the
// rows exactly as Qt's PNG decoder gave them.

#include <QtGlobal>

namespace decodedpicture {

inline constexpr char magic[8] = {'B', 'Z', 'P', 'I', 'X', 'E', 'L', '1'};
// Written in the builder's byte order; a program of another byte order decodes the PNG instead.
inline constexpr quint32 byteOrderMark = 0x01020304;

struct Header {
    char magic[8];
    quint32 byteOrder;
    qint32 width;
    qint32 height;
    qint32 bytesPerLine;
    qint32 format; // QImage::Format
    qint32 dotsPerMeterX;
    qint32 dotsPerMeterY;
    qint32 iccProfileSize;
};

// The resource that holds the decoded form of the embedded picture at `path`.
inline constexpr const char* suffix = ".decoded";

} // namespace decodedpicture
