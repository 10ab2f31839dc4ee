#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <string>

#include "core/picture_io.h"

class QIODevice;

namespace vonnik {

// What the 18-byte header of a true-colour TGA file says.
struct TgaHeader {
    int width = 0, height = 0;
    bool rle = false;
    int bitsPerPixel = 0;  // 24 or 32
    bool alpha = false;    // 32 bits with 8 bits of alpha
};

// The header of a true-colour TGA file of 24 or 32 bits a pixel, uncompressed or RLE, with
// any origin and without a colour map; nothing for anything else. TGA has no signature:
// the header is taken only where every field holds one of these values.
std::optional<TgaHeader> TrueColourTgaHeader(const QByteArray& head);

// Decodes the rest of the device, whose header is header, through gdk-pixbuf's TGA loader,
// which reads the files Qt's reader refuses: version 1 without the footer, and RLE. The
// size is checked against maxPixels before any pixel memory is taken. Throws FileError
// naming path.
PictureWithAlpha DecodeTga(QIODevice& file, const TgaHeader& header, const std::string& path,
                           std::uint64_t maxPixels);

}  // namespace vonnik
