#pragma once

// What Qt's image readers get wrong, format by format, and the headers' own claims that
// correct them. Used by the picture import only.

#include <QByteArray>
#include <QSize>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>

class QIODevice;
class QImage;

namespace vonnik {

// Colour masks of a BMP file whose pixels carry packed channels (16 or 32 bits per pixel);
// nothing for every other file.
struct PackedChannels {
    std::uint32_t masks[3];  // red, green, blue
};
std::optional<PackedChannels> PackedChannelsOf(QIODevice& file);

// The width of a channel mask's run of ones.
int MaskWidth(std::uint32_t mask);

// Qt widens a channel of n < 8 bits by shifting it up (v << (8 - n)), which leaves the
// whitest colours short of 255. Rescale such channels as round(v * 255 / (2^n - 1)). The
// top n bits hold v also for readers that replicate bits or scale, so this is safe.
void RescaleNarrowChannels(QImage& image, const PackedChannels& packed);

// The width and height a BMP file's information header claims (the height negative for
// top-down rows); nothing for other files.
std::optional<QSize> ClaimedBmpSize(QIODevice& file);

// Qt reads a full colour table for the old 12-byte header and then takes the first pixels
// from what is really the table's tail: refuse such files rather than show shifted pixels.
bool HasShortOldColourTable(QIODevice& file);

// libjpeg finishes a picture whose data ends early or is damaged with grey or smeared
// blocks and only warns: such a warning refuses the picture. Extraneous bytes before a
// marker lose no pixel.
std::optional<std::string> JpegDamage(const QStringList& messages);

// The logical screen size a GIF file claims (Qt's reader reports none before decoding);
// nothing for other files.
std::optional<QSize> ClaimedGifSize(QIODevice& file);

// The size an uncompressed TrueVision 2.0 file claims; nothing for other files.
std::optional<QSize> ClaimedTgaSize(QIODevice& file);

// Qt's GIF reader shows what it has of a cut-off file: a whole GIF file ends with its
// trailer byte.
bool GifIsCutShort(QIODevice& file);

// Qt's TGA reader fills what an uncompressed file lacks from nothing: the header, the id,
// the colour map, every pixel and the 26-byte footer must all be there.
bool TgaIsCutShort(QIODevice& file);

}  // namespace vonnik
