// Picture import: Qt's image readers, held to the size limits and corrected where they
// misread (core/format_checks.h), with their messages kept off the terminal
// (core/decoder_messages.h); TGA files Qt refuses go to core/tga_reader.h. The frame files
// are written in core/frame_files.cpp, whole or not at all (core/atomic_write.h).
#include "core/picture_io.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QSet>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "core/decoder_messages.h"
#include "core/format_checks.h"
#include "core/tga_reader.h"

namespace vonnik {

FileError::FileError(const std::string& path, const std::string& reason)
    : std::runtime_error("'" + path + "': " + reason), path_(path), reason_(reason) {}

namespace {

QString ToQ(const std::string& s) {
    return QString::fromStdString(s);
}

void CheckReadable(const std::string& path) {
    const QFileInfo info(ToQ(path));
    if (!info.exists()) throw FileError(path, "no such file");
    if (info.isDir()) throw FileError(path, "is a folder, not a picture");
    if (!info.isFile()) throw FileError(path, "is not a regular file");
}

// The picture in the stored colours with their alpha, or without alpha when the image has
// none; a BMP keeps the conversion it always had.
PictureWithAlpha SplitAlpha(const QImage& image) {
    if (!image.hasAlphaChannel()) return {RasterOf(image), {}};
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    PictureWithAlpha out{Raster(argb.width(), argb.height()), {}};
    out.alpha.resize(static_cast<std::size_t>(argb.width()) *
                     static_cast<std::size_t>(argb.height()));
    std::size_t at = 0;
    for (int r = 0; r < argb.height(); ++r) {
        const auto* src = reinterpret_cast<const std::uint32_t*>(argb.constScanLine(r));
        Pixel* dst = out.colours.Row(r);
        for (int c = 0; c < argb.width(); ++c, ++at) {
            dst[c] = ColourOf(src[c]);
            out.alpha[at] = static_cast<std::uint8_t>(src[c] >> 24);
        }
    }
    return out;
}

// What the headers say before a reader moves on: the sizes they claim where Qt reports
// none, and a BMP file's packed channels.
struct HeaderClaims {
    std::optional<PackedChannels> packed;
    std::optional<QSize> bmp, gif, tga;
    QByteArray head;  // the first 18 bytes, for a TGA header
};

HeaderClaims ReadHeaderClaims(QIODevice& file) {
    HeaderClaims claims;
    claims.packed = PackedChannelsOf(file);
    claims.bmp = ClaimedBmpSize(file);
    claims.gif = ClaimedGifSize(file);
    claims.tga = ClaimedTgaSize(file);
    claims.head = file.peek(18);
    return claims;
}

// Files of the formats whose readers would take too much or show too little.
void RefuseByFormat(QIODevice& file, const std::string& path, const QByteArray& format) {
    const bool drawing = format == "svg" || format == "svgz";
    // A compressed drawing would be inflated whole before any limit could look at it.
    if (format == "svgz") throw FileError(path, "compressed SVG drawings (.svgz) are not read");
    if (drawing && !file.isSequential() && file.size() > kMaxDrawingBytes)
        throw FileError(path, "the drawing is too large (" + std::to_string(file.size()) +
                                  " bytes; at most " + std::to_string(kMaxDrawingBytes) +
                                  " bytes are accepted)");
    if (format == "tga" && TgaIsCutShort(file))
        throw FileError(path, "the file is cut short (the TGA header claims more pixels)");
    if (format == "gif" && GifIsCutShort(file))
        throw FileError(path, "the file is cut short (a GIF file ends with its trailer)");
}

// The picture's size as the reader reports it. Top-down BMP files report a negative height
// here. Qt reports no size at all (-1 x -1) for a BMP header it refuses to read, as it does
// for several hundred million pixels: the header's own claim then decides whether the
// refusal says "too large".
QSize ReportedSize(const QImageReader& reader, const HeaderClaims& claims,
                   const std::string& path) {
    QSize reported = reader.size();
    if (reported == QSize(-1, -1)) reported = claims.bmp.value_or(reported);
    // A header may claim -2^31 rows, whose magnitude has no int: such a size is invalid.
    const auto magnitude = [](int v) { return v == INT_MIN ? -1 : std::abs(v); };
    const QSize size(magnitude(reported.width()), magnitude(reported.height()));
    if (!size.isValid() || size.width() <= 0 || size.height() <= 0)
        throw FileError(path, "the picture has no valid size");
    return size;
}

// A drawing is rendered at its size times the scale, on a canvas of at most
// kMaxDrawingPixels pixels (which lowers limit); the reader is told the size.
QSize DrawingSize(QImageReader& reader, QSize size, double scale, std::uint64_t& limit,
                  const std::string& path) {
    if (!(std::isfinite(scale) && scale > 0.0))
        throw FileError(path, "the drawing's scale must be a positive number");
    const double w = std::round(size.width() * scale), h = std::round(size.height() * scale);
    limit = std::min(limit, kMaxDrawingPixels);
    if (w < 1.0 || h < 1.0 || w * h > static_cast<double>(limit))
        throw FileError(
            path, "the drawing is too large at this scale (" + std::to_string(size.width()) +
                      " x " + std::to_string(size.height()) + " times " + std::to_string(scale) +
                      "; at most " + std::to_string(limit) + " pixels are rendered)");
    size = QSize(static_cast<int>(w), static_cast<int>(h));
    reader.setScaledSize(size);
    return size;
}

// Where the reader decodes to. 24- and 32-bit pictures decode straight into the raster
// that keeps them. Qt's BMP reader decodes into an image of the right size and format if
// it is given one, and skips the pixels that RLE codes or a short file leave out: start
// from black so that every pixel has a defined value (a new raster is black already).
struct Destination {
    Raster raster;
    QImage image;
};

Destination PrepareDestination(QImageReader& reader, const QByteArray& format, QSize size,
                               const std::string& path) {
    const bool bmp = format == "bmp";
    const bool drawing = format == "svg" || format == "svgz";
    Destination to;
    // Only the BMP and PNG readers answer imageFormat() reliably before reading: the JPEG
    // reader leaves the answer undefined for a damaged header, and so do some plugins.
    const bool formatKnown = bmp || format == "png";
    const QImage::Format imageFormat = formatKnown ? reader.imageFormat() : QImage::Format_Invalid;
    if (imageFormat == QImage::Format_RGB32 && !drawing) {
        to.raster = Raster(size.width(), size.height());
        to.image = QImage(reinterpret_cast<uchar*>(to.raster.Row(0)), size.width(), size.height(),
                          static_cast<qsizetype>(size.width()) * 4, QImage::Format_RGB32);
    } else if (bmp && imageFormat != QImage::Format_Invalid) {
        to.image = QImage(size, imageFormat);
        if (to.image.isNull()) throw FileError(path, "not enough memory for the picture");
        to.image.fill(0);
    }
    return to;
}

// Decodes into image; the reader's reason, with the decoders' last message, where it fails
// or where libjpeg only warned of damage.
void ReadInto(QImageReader& reader, QImage& image, const QuietDecoders& quiet,
              const QByteArray& format, const std::string& path) {
    if (!reader.read(&image) || image.isNull()) {
        std::string why = reader.errorString().toStdString();
        if (!quiet.Messages().isEmpty()) why += ": " + quiet.Messages().back().toStdString();
        throw FileError(path, "cannot decode the picture (" + why + ")");
    }
    if (format == "jpeg" || format == "jpg") {
        if (const std::optional<std::string> damage = JpegDamage(quiet.Messages()))
            throw FileError(path, "the picture's data is damaged or cut short (" + *damage + ")");
    }
}

// The decoded picture as the raster it went into, or converted from the image.
PictureWithAlpha Finish(Destination& to, QSize size, bool bmp) {
    const bool inPlace = !to.raster.Empty() &&
                         to.image.constBits() == reinterpret_cast<const uchar*>(to.raster.Row(0)) &&
                         to.image.size() == size && to.image.format() == QImage::Format_RGB32;
    if (inPlace) {
        to.image = QImage();  // the raster's memory is the raster's alone again
        for (Pixel& p : to.raster.Pixels()) p = ColourOf(p);
        return {std::move(to.raster), {}};
    }
    // A BMP file's fourth byte is no transparency to this program, whatever its header says.
    if (bmp) return {RasterOf(to.image), {}};
    return SplitAlpha(to.image);
}

}  // namespace

void CheckPixelCount(const std::string& path, int width, int height, std::uint64_t maxPixels) {
    const std::uint64_t pixels =
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (pixels > maxPixels)
        throw FileError(path, "the picture is too large (" + std::to_string(width) + " x " +
                                  std::to_string(height) + " pixels; at most " +
                                  std::to_string(maxPixels) + " pixels are accepted)");
}

Raster RasterOf(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    Raster out(rgb.width(), rgb.height());
    for (int r = 0; r < rgb.height(); ++r) {
        const auto* src = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(r));
        Pixel* dst = out.Row(r);
        for (int c = 0; c < rgb.width(); ++c) dst[c] = ColourOf(src[c]);
    }
    return out;
}

QImage ImageOf(const Raster& picture) {
    QImage image(picture.Width(), picture.Height(), QImage::Format_RGB32);
    for (int r = 0; r < picture.Height(); ++r) {
        auto* dst = reinterpret_cast<std::uint32_t*>(image.scanLine(r));
        const Pixel* src = picture.Row(r);
        for (int c = 0; c < picture.Width(); ++c) dst[c] = 0xFF000000u | ColourOf(src[c]);
    }
    return image;
}

Raster LoadPicture(const std::string& path, std::uint64_t maxPixels) {
    ReadOptions options;
    options.maxPixels = maxPixels;
    return LoadPictureWithAlpha(path, options).colours;
}

PictureWithAlpha LoadPictureWithAlpha(const std::string& path, const ReadOptions& options) {
    CheckReadable(path);
    QFile file(ToQ(path));
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(path, "cannot open: " + file.errorString().toStdString());
    if (file.size() == 0) throw FileError(path, "the file is empty");
    return DecodePictureWithAlpha(file, path, options);
}

Raster DecodePicture(QIODevice& file, const std::string& path, std::uint64_t maxPixels) {
    ReadOptions options;
    options.maxPixels = maxPixels;
    return DecodePictureWithAlpha(file, path, options).colours;
}

PictureWithAlpha DecodePictureWithAlpha(QIODevice& file, const std::string& path,
                                        const ReadOptions& options) {
    const QuietDecoders quiet;
    const HeaderClaims claims = ReadHeaderClaims(file);
    if (HasShortOldColourTable(file))
        throw FileError(path, "the colour table is shorter than the picture's bit depth needs");
    // Qt reads TGA files only uncompressed and with the version-2 footer; it refuses the
    // others, or takes one for a cursor file (whose first four bytes it may share).
    if (const std::optional<TgaHeader> tga = TrueColourTgaHeader(claims.head);
        tga && (tga->rle || !claims.tga))
        return DecodeTga(file, *tga, path, options.maxPixels);
    // The pixel limit below is checked before reading; Qt's own allocation limit is only
    // raised so that it does not refuse pictures within ours.
    QImageReader::setAllocationLimit(2048);
    QImageReader reader(&file);
    // A photo's orientation tag turns it upright.
    reader.setAutoTransform(true);
    if (!reader.canRead())
        throw FileError(
            path, "not a picture that can be read (" + reader.errorString().toStdString() + ")");
    const QByteArray format = reader.format();
    const bool drawing = format == "svg" || format == "svgz";
    RefuseByFormat(file, path, format);
    QSize size = ReportedSize(reader, claims, path);
    std::uint64_t limit = options.maxPixels;
    // Qt reports a GIF's first frame, but paints it on the whole logical screen; a TGA
    // file over Qt's own limit is handed to another reader.
    for (const std::optional<QSize>& claim : {claims.gif, claims.tga}) {
        if (claim) CheckPixelCount(path, claim->width(), claim->height(), limit);
    }
    if (drawing) size = DrawingSize(reader, size, options.drawingScale, limit, path);
    CheckPixelCount(path, size.width(), size.height(), limit);

    Destination to = PrepareDestination(reader, format, size, path);
    if (claims.packed) {
        for (std::uint32_t mask : claims.packed->masks)
            if (MaskWidth(mask) > 8)
                throw FileError(path, "colour channels wider than 8 bits are not supported");
    }
    ReadInto(reader, to.image, quiet, format, path);
    if (claims.packed) {
        to.image = to.image.convertToFormat(QImage::Format_RGB32);
        RescaleNarrowChannels(to.image, *claims.packed);
    }
    CheckPixelCount(path, to.image.width(), to.image.height(), limit);
    return Finish(to, size, format == "bmp");
}

std::vector<std::string> ReadablePicturePatterns() {
    QSet<QString> seen;
    std::vector<std::string> patterns;
    for (const QByteArray& suffix : QImageReader::supportedImageFormats()) {
        if (suffix == "svgz") continue;  // refused above
        const QString pattern = QStringLiteral("*.") + QString::fromLatin1(suffix).toLower();
        if (seen.contains(pattern)) continue;
        seen.insert(pattern);
        patterns.push_back(pattern.toStdString());
    }
    return patterns;
}

}  // namespace vonnik
