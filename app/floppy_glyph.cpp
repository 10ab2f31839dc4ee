#include "app/floppy_glyph.h"

#include <QImage>
#include <QPainter>

namespace vonnik {

namespace {

// Spans are drawn by filling pixel boxes (no antialiasing): every pixel is one of a few
// flat colours, as in a 256-colour picture.
void Box(QImage& image, int left, int top, int right, int bottom, QRgb colour) {
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x) image.setPixel(x, y, colour);
}

}  // namespace

QPixmap FloppyGlyph() {
    constexpr QRgb kClear = 0x00000000, kInk = 0xFF000000, kBody = 0xFF203C8C;
    constexpr QRgb kMetal = 0xFFC8C8D0, kSlot = 0xFF404048, kLabel = 0xFFFFFFFF;
    constexpr QRgb kRule = 0xFF8090C0;
    QImage image(23, 22, QImage::Format_ARGB32);
    image.fill(kClear);
    Box(image, 2, 2, 20, 20, kInk);   // outline
    Box(image, 3, 3, 19, 19, kBody);  // plastic
    image.setPixel(20, 2, kClear);    // the cut corner
    image.setPixel(19, 3, kInk);
    Box(image, 7, 3, 15, 8, kMetal);    // shutter
    Box(image, 12, 4, 13, 7, kSlot);    // its window
    Box(image, 5, 11, 17, 19, kLabel);  // label
    for (int y = 13; y <= 17; y += 2) Box(image, 6, y, 16, y, kRule);
    return QPixmap::fromImage(image);
}

}  // namespace vonnik
