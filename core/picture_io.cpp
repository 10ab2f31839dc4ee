#include "core/picture_io.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QSaveFile>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>

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

// Colour masks of a BMP file whose pixels carry packed channels (16 or 32 bits per pixel);
// nothing for every other file.
struct PackedChannels {
    std::uint32_t masks[3];  // red, green, blue
};

std::uint32_t LittleEndian(const QByteArray& b, int at, int size) {
    std::uint32_t v = 0;
    for (int k = size - 1; k >= 0; --k) v = (v << 8) | static_cast<std::uint8_t>(b[at + k]);
    return v;
}

std::optional<PackedChannels> PackedChannelsOf(QIODevice& file) {
    const QByteArray head = file.peek(66);
    if (head.size() < 34 || !head.startsWith("BM")) return std::nullopt;
    const std::uint32_t headerSize = LittleEndian(head, 14, 4);
    if (headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
        headerSize != 124)
        return std::nullopt;
    const std::uint32_t bits = LittleEndian(head, 28, 2);
    const std::uint32_t compression = LittleEndian(head, 30, 4);
    if (bits == 16 && compression == 0) return PackedChannels{{0x7C00, 0x03E0, 0x001F}};
    // The masks follow a 40-byte header and sit inside the longer ones: offset 54 either way.
    if ((bits == 16 || bits == 32) && compression == 3 && head.size() >= 66)
        return PackedChannels{
            {LittleEndian(head, 54, 4), LittleEndian(head, 58, 4), LittleEndian(head, 62, 4)}};
    return std::nullopt;
}

// The width and height a BMP file's information header claims (the height negative for
// top-down rows); nothing for other files.
std::optional<QSize> ClaimedBmpSize(QIODevice& file) {
    const QByteArray head = file.peek(26);
    if (head.size() < 26 || !head.startsWith("BM")) return std::nullopt;
    if (LittleEndian(head, 14, 4) == 12)  // the old header: two 16-bit numbers
        return QSize(static_cast<int>(LittleEndian(head, 18, 2)),
                     static_cast<int>(LittleEndian(head, 20, 2)));
    return QSize(static_cast<std::int32_t>(LittleEndian(head, 18, 4)),
                 static_cast<std::int32_t>(LittleEndian(head, 22, 4)));
}

// Qt reads a full colour table for the old 12-byte header and then takes the first pixels
// from what is really the table's tail: refuse such files rather than show shifted pixels.
bool HasShortOldColourTable(QIODevice& file) {
    const QByteArray head = file.peek(26);
    if (head.size() < 26 || !head.startsWith("BM") || LittleEndian(head, 14, 4) != 12) return false;
    const std::uint32_t bits = LittleEndian(head, 24, 2);
    if (bits == 0 || bits > 8) return false;
    return LittleEndian(head, 10, 4) < 26u + 3u * (1u << bits);
}

int MaskWidth(std::uint32_t mask) {
    if (mask == 0) return 0;
    while ((mask & 1u) == 0) mask >>= 1;
    int width = 0;
    for (; mask & 1u; mask >>= 1) ++width;
    return width;
}

// Qt widens a channel of n < 8 bits by shifting it up (v << (8 - n)), which leaves the
// whitest colours short of 255. Rescale such channels as round(v * 255 / (2^n - 1)). The
// top n bits hold v also for readers that replicate bits or scale, so this is safe.
void RescaleNarrowChannels(QImage& image, const PackedChannels& packed) {
    for (int c = 0; c < 3; ++c) {
        const int n = MaskWidth(packed.masks[c]);
        if (n == 0 || n >= 8) continue;
        const std::uint32_t maxv = (1u << n) - 1;
        std::uint8_t table[256];
        for (std::uint32_t value = 0; value < 256; ++value) {
            const std::uint32_t v = value >> (8 - n);
            table[value] = static_cast<std::uint8_t>((v * 255 + maxv / 2) / maxv);
        }
        const int shift = 16 - 8 * c;  // red, green, blue in a 32-bit pixel word
        for (int r = 0; r < image.height(); ++r) {
            auto* row = reinterpret_cast<std::uint32_t*>(image.scanLine(r));
            for (int x = 0; x < image.width(); ++x) {
                const std::uint32_t old = (row[x] >> shift) & 0xFFu;
                row[x] = (row[x] & ~(0xFFu << shift)) | (std::uint32_t{table[old]} << shift);
            }
        }
    }
}

// The reason a write or flush of file failed. Qt reports a failed flush as "Unknown
// error"; the system's reason is still in errno then.
std::string WriteFailure(const QFileDevice& file, int err) {
    return err != 0 ? std::strerror(err) : file.errorString().toStdString();
}

// Qt's commit() does not notice when flushing the last buffered bytes fails (a disk that
// fills up part-way through the file) and renames the truncated file into place: every
// byte is flushed and checked before the commit.
void FlushOrCancel(QSaveFile& file, const std::string& path) {
    errno = 0;
    if (file.flush() && file.error() == QFileDevice::NoError) return;
    const std::string why = WriteFailure(file, errno);
    file.cancelWriting();
    throw FileError(path, "cannot write: " + why);
}

// A device or a pipe that already exists (/dev/null, /dev/stdout, ...) takes the bytes
// as they come; saving through a temporary file would rename that over the device or
// pipe itself and, run as root, replace /dev/null with a regular file.
// A file's bytes as consecutive pieces of memory, written in order.
struct Piece {
    const char* data;
    qint64 size;
};

// Writes every piece; false (errno kept) at the first that does not go through whole.
bool WritePieces(QFileDevice& file, const std::vector<Piece>& pieces) {
    for (const Piece& piece : pieces)
        if (file.write(piece.data, piece.size) != piece.size) return false;
    return true;
}

void WriteToDevice(const std::string& path, const std::vector<Piece>& pieces) {
    QFile file(ToQ(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw FileError(path, "cannot open: " + file.errorString().toStdString());
    errno = 0;
    if (!WritePieces(file, pieces))
        throw FileError(path, "cannot write: " + WriteFailure(file, errno));
}

// The file written whole or not at all, as WriteFileAtomically describes.
void WriteAtomically(const std::string& path, const std::vector<Piece>& pieces) {
    const QFileInfo target(ToQ(path));
    if (target.exists() && !target.isFile() && !target.isDir()) {
        WriteToDevice(path, pieces);
        return;
    }
    QSaveFile file(ToQ(path));
    if (!file.open(QIODevice::WriteOnly))
        throw FileError(path, "cannot create: " + file.errorString().toStdString());
    errno = 0;
    if (!WritePieces(file, pieces)) {
        const std::string why = WriteFailure(file, errno);
        file.cancelWriting();
        throw FileError(path, "cannot write: " + why);
    }
    FlushOrCancel(file, path);
    if (!file.commit()) throw FileError(path, "cannot write: " + file.errorString().toStdString());
}

void PutU16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void PutU32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    PutU16(out, at, v & 0xFFFFu);
    PutU16(out, at + 2, v >> 16);
}

// The 54 bytes before the pixels of a frame file of w x h pixels.
std::vector<std::uint8_t> FrameBmpHeader(std::uint32_t w, std::uint32_t h) {
    const std::uint32_t imageSize = w * h * 4;
    std::vector<std::uint8_t> out(54, 0);
    out[0] = 'B';
    out[1] = 'M';
    PutU32(out, 2, 54 + imageSize);
    PutU32(out, 10, 54);
    PutU32(out, 14, 40);
    PutU32(out, 18, w);
    PutU32(out, 22, h);
    PutU16(out, 26, 1);
    PutU16(out, 28, 32);
    PutU32(out, 34, imageSize);
    return out;
}

// Qt's BMP reader decodes into an image of the right size and format if it is given one,
// and skips the pixels that RLE codes or a short file leave out: they stay black. Pictures
// that Qt delivers as 32-bit words are decoded straight into the raster that keeps them;
// others are decoded into an image of their own format and converted once.
Raster ReadIntoRaster(QImageReader& reader, QSize size, const std::optional<PackedChannels>& packed,
                      const std::string& path, std::uint64_t maxPixels) {
    const QImage::Format format = reader.imageFormat();
    Raster raster;
    QImage image;
    if (format == QImage::Format_RGB32) {
        raster = Raster(size.width(), size.height());
        image = QImage(reinterpret_cast<uchar*>(raster.Row(0)), size.width(), size.height(),
                       static_cast<qsizetype>(size.width()) * 4, QImage::Format_RGB32);
    } else if (format != QImage::Format_Invalid) {
        image = QImage(size, format);
        if (image.isNull()) throw FileError(path, "not enough memory for the picture");
        image.fill(0);
    }
    if (!reader.read(&image) || image.isNull())
        throw FileError(path,
                        "cannot decode the picture (" + reader.errorString().toStdString() + ")");
    if (packed) {
        image = image.convertToFormat(QImage::Format_RGB32);
        RescaleNarrowChannels(image, *packed);
    }
    if (static_cast<std::uint64_t>(image.width()) * static_cast<std::uint64_t>(image.height()) >
        maxPixels)
        throw FileError(path, "the picture is too large");
    const bool inPlace = !raster.Empty() &&
                         image.constBits() == reinterpret_cast<const uchar*>(raster.Row(0)) &&
                         image.size() == size && image.format() == QImage::Format_RGB32;
    if (!inPlace) return RasterOf(image);
    image = QImage();  // the raster's memory is the raster's alone again
    for (Pixel& p : raster.Pixels()) p = ColourOf(p);
    return raster;
}

}  // namespace

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
    CheckReadable(path);
    QFile file(ToQ(path));
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(path, "cannot open: " + file.errorString().toStdString());
    if (file.size() == 0) throw FileError(path, "the file is empty");
    return DecodePicture(file, path, maxPixels);
}

Raster DecodePicture(QIODevice& file, const std::string& path, std::uint64_t maxPixels) {
    const std::optional<PackedChannels> packed = PackedChannelsOf(file);
    const std::optional<QSize> claimed = ClaimedBmpSize(file);  // before the reader moves on
    if (HasShortOldColourTable(file))
        throw FileError(path, "the colour table is shorter than the picture's bit depth needs");
    // The pixel limit below is checked before reading; Qt's own allocation limit is only
    // raised so that it does not refuse pictures within ours.
    QImageReader::setAllocationLimit(2048);
    QImageReader reader(&file);
    reader.setAutoTransform(false);
    if (!reader.canRead())
        throw FileError(
            path, "not a picture that can be read (" + reader.errorString().toStdString() + ")");
    // Top-down BMP files report a negative height here. Qt reports no size at all (-1 x -1)
    // for a BMP header it refuses to read, as it does for several hundred million pixels:
    // the header's own claim then decides whether the refusal says "too large".
    QSize reported = reader.size();
    if (reported == QSize(-1, -1)) reported = claimed.value_or(reported);
    // A header may claim -2^31 rows, whose magnitude has no int: such a size is invalid.
    const auto magnitude = [](int v) { return v == INT_MIN ? -1 : std::abs(v); };
    const QSize size(magnitude(reported.width()), magnitude(reported.height()));
    if (!size.isValid() || size.width() <= 0 || size.height() <= 0)
        throw FileError(path, "the picture has no valid size");
    const std::uint64_t pixels =
        static_cast<std::uint64_t>(size.width()) * static_cast<std::uint64_t>(size.height());
    if (pixels > maxPixels)
        throw FileError(path, "the picture is too large (" + std::to_string(size.width()) + " x " +
                                  std::to_string(size.height()) + " pixels; at most " +
                                  std::to_string(maxPixels) + " pixels are accepted)");

    if (packed) {
        for (std::uint32_t mask : packed->masks)
            if (MaskWidth(mask) > 8)
                throw FileError(path, "colour channels wider than 8 bits are not supported");
    }
    return ReadIntoRaster(reader, size, packed, path, maxPixels);
}

std::vector<std::uint8_t> EncodeFrameBmp(const Raster& frame) {
    const std::uint32_t w = static_cast<std::uint32_t>(frame.Width());
    const std::uint32_t h = static_cast<std::uint32_t>(frame.Height());
    std::vector<std::uint8_t> out = FrameBmpHeader(w, h);
    out.resize(54 + static_cast<std::size_t>(w) * h * 4);
    std::size_t at = 54;
    for (int r = frame.Height() - 1; r >= 0; --r) {
        const Pixel* row = frame.Row(r);
        if constexpr (std::endian::native == std::endian::little) {
            // A pixel word in memory is the file's B G R X.
            std::memcpy(out.data() + at, row, static_cast<std::size_t>(w) * 4);
            at += static_cast<std::size_t>(w) * 4;
        } else {
            for (std::uint32_t c = 0; c < w; ++c, at += 4) PutU32(out, at, row[c]);
        }
    }
    return out;
}

void WriteFileAtomically(const std::string& path, const char* data, std::int64_t size) {
    WriteAtomically(path, {Piece{data, size}});
}

void SaveFrameBmp(const Raster& frame, const std::string& path) {
    if constexpr (std::endian::native == std::endian::little) {
        // The header, then the rows from the bottom up straight from the raster: a pixel
        // word in memory is the file's B G R X.
        const std::uint32_t w = static_cast<std::uint32_t>(frame.Width());
        const std::uint32_t h = static_cast<std::uint32_t>(frame.Height());
        const std::vector<std::uint8_t> head = FrameBmpHeader(w, h);
        std::vector<Piece> pieces{{reinterpret_cast<const char*>(head.data()), 54}};
        for (int r = frame.Height() - 1; r >= 0; --r)
            pieces.push_back(
                {reinterpret_cast<const char*>(frame.Row(r)), static_cast<qint64>(w) * 4});
        WriteAtomically(path, pieces);
    } else {
        const std::vector<std::uint8_t> bytes = EncodeFrameBmp(frame);
        WriteFileAtomically(path, reinterpret_cast<const char*>(bytes.data()),
                            static_cast<std::int64_t>(bytes.size()));
    }
}

void WriteFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes) {
    WriteFileAtomically(path, reinterpret_cast<const char*>(bytes.data()),
                        static_cast<std::int64_t>(bytes.size()));
}

std::vector<unsigned char> EncodePngBytes(const Raster& picture, const std::string& path) {
    if (picture.Empty()) throw FileError(path, "the picture is empty");
    QImage image(picture.Width(), picture.Height(), QImage::Format_RGB888);
    for (int r = 0; r < picture.Height(); ++r) {
        uchar* dst = image.scanLine(r);
        const Pixel* src = picture.Row(r);
        for (int c = 0; c < picture.Width(); ++c) {
            dst[3 * c] = static_cast<uchar>(src[c] >> 16);
            dst[3 * c + 1] = static_cast<uchar>(src[c] >> 8);
            dst[3 * c + 2] = static_cast<uchar>(src[c]);
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) throw FileError(path, "cannot encode the picture as PNG");
    return {bytes.begin(), bytes.end()};
}

void SavePng(const Raster& picture, const std::string& path) {
    WriteFileAtomically(path, EncodePngBytes(picture, path));
}

}  // namespace vonnik
