#include "core/picture_io.h"

#include <fcntl.h>
#include <unistd.h>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QSaveFile>
#include <QSet>
#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
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

// Refuses a picture of more than maxPixels pixels, before its pixels take any memory.
void CheckPixelCount(const std::string& path, int width, int height, std::uint64_t maxPixels) {
    const std::uint64_t pixels =
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (pixels > maxPixels)
        throw FileError(path, "the picture is too large (" + std::to_string(width) + " x " +
                                  std::to_string(height) + " pixels; at most " +
                                  std::to_string(maxPixels) + " pixels are accepted)");
}

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

// The messages Qt's decoders (libpng, libjpeg, libtiff, the SVG parser, ...) send while a
// picture is decoded on this thread are collected here instead of reaching the terminal;
// the error we raise says what is wrong, once. Messages of other code pass through.
thread_local QStringList* decoderMessages = nullptr;
QtMessageHandler previousMessageHandler = nullptr;

void RouteMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (decoderMessages != nullptr) {
        decoderMessages->append(text);
        return;
    }
    if (previousMessageHandler != nullptr) previousMessageHandler(type, context, text);
}

// libpng and libtiff print their errors straight to the standard error, past Qt's message
// handler: while a picture is decoded, the standard error goes to a scratch file, whose
// lines become decoder messages. Decoding is short and runs on one thread at a time.
class QuietStandardError {
  public:
    QuietStandardError() {
        std::fflush(stderr);
        scratch_ = std::tmpfile();
        if (scratch_ == nullptr) return;
        saved_ = dup(STDERR_FILENO);
        if (saved_ < 0 || dup2(fileno(scratch_), STDERR_FILENO) < 0) {
            if (saved_ >= 0) close(saved_);
            saved_ = -1;
        }
    }
    ~QuietStandardError() {
        if (saved_ >= 0) {
            std::fflush(stderr);
            dup2(saved_, STDERR_FILENO);
            close(saved_);
        }
        if (scratch_ != nullptr) std::fclose(scratch_);
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

    // What was written meanwhile, line by line.
    QStringList Lines() const {
        if (saved_ < 0) return {};
        std::fflush(stderr);
        QByteArray text;
        char buffer[4096];
        std::rewind(scratch_);
        for (std::size_t n;
             (n = std::fread(buffer, 1, sizeof buffer, scratch_)) > 0 && text.size() < 65536;)
            text.append(buffer, static_cast<qsizetype>(n));
        return QString::fromLocal8Bit(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

  private:
    std::FILE* scratch_ = nullptr;
    int saved_ = -1;
};

std::mutex decodingOne;

class QuietDecoders {
  public:
    QuietDecoders() : lock_(decodingOne) {
        static std::once_flag installed;
        std::call_once(installed,
                       [] { previousMessageHandler = qInstallMessageHandler(&RouteMessage); });
        outer_ = decoderMessages;
        decoderMessages = &messages_;
    }
    ~QuietDecoders() { decoderMessages = outer_; }
    QuietDecoders(const QuietDecoders&) = delete;
    QuietDecoders& operator=(const QuietDecoders&) = delete;
    QStringList Messages() const { return messages_ + stderr_.Lines(); }

  private:
    std::lock_guard<std::mutex> lock_;
    QuietStandardError stderr_;
    QStringList messages_;
    QStringList* outer_ = nullptr;
};

// libjpeg finishes a picture whose data ends early or is damaged with grey or smeared
// blocks and only warns: such a warning refuses the picture. Extraneous bytes before a
// marker lose no pixel.
std::optional<std::string> JpegDamage(const QStringList& messages) {
    for (const QString& m : messages) {
        if (m.contains(QLatin1String("extraneous bytes"))) continue;
        if (m.contains(QLatin1String("Premature end"), Qt::CaseInsensitive) ||
            m.contains(QLatin1String("Corrupt JPEG data")) ||
            m.contains(QLatin1String("Huffman")) || m.contains(QLatin1String("Bogus")))
            return m.toStdString();
    }
    return std::nullopt;
}

// The logical screen size a GIF file claims (Qt's reader reports none before decoding);
// nothing for other files.
std::optional<QSize> ClaimedGifSize(QIODevice& file) {
    const QByteArray head = file.peek(10);
    if (head.size() < 10 || !(head.startsWith("GIF87a") || head.startsWith("GIF89a")))
        return std::nullopt;
    return QSize(static_cast<int>(LittleEndian(head, 6, 2)),
                 static_cast<int>(LittleEndian(head, 8, 2)));
}

// The size an uncompressed TrueVision 2.0 file claims; nothing for other files.
std::optional<QSize> ClaimedTgaSize(QIODevice& file) {
    const QByteArray head = file.peek(18);
    if (head.size() < 18 || file.isSequential() || file.size() < 44) return std::nullopt;
    const qint64 at = file.pos();
    QByteArray footer;
    if (file.seek(file.size() - 18)) footer = file.read(18);
    file.seek(at);
    if (footer != QByteArray("TRUEVISION-XFILE.\0", 18)) return std::nullopt;
    return QSize(static_cast<int>(LittleEndian(head, 12, 2)),
                 static_cast<int>(LittleEndian(head, 14, 2)));
}

// Qt's GIF reader shows what it has of a cut-off file: a whole GIF file ends with its
// trailer byte.
bool GifIsCutShort(QIODevice& file) {
    if (file.isSequential() || file.size() < 1) return false;
    const qint64 at = file.pos();
    QByteArray last;
    if (file.seek(file.size() - 1)) last = file.read(1);
    file.seek(at);
    return last != QByteArray(";", 1);
}

// Qt's TGA reader fills what an uncompressed file lacks from nothing: the header, the id,
// the colour map, every pixel and the 26-byte footer must all be there.
bool TgaIsCutShort(QIODevice& file) {
    const QByteArray head = file.peek(18);
    if (head.size() < 18 || file.isSequential()) return head.size() < 18;
    const std::uint64_t idLength = static_cast<std::uint8_t>(head[0]);
    const std::uint64_t mapEntries = LittleEndian(head, 5, 2);
    const std::uint64_t mapBytes = (mapEntries * LittleEndian(head, 7, 1) + 7) / 8;
    const std::uint64_t pixelBytes = (static_cast<std::uint64_t>(LittleEndian(head, 12, 2)) *
                                          LittleEndian(head, 14, 2) * LittleEndian(head, 16, 1) +
                                      7) /
                                     8;
    return static_cast<std::uint64_t>(file.size()) < 18 + idLength + mapBytes + pixelBytes + 26;
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
    const std::optional<PackedChannels> packed = PackedChannelsOf(file);
    // Before the reader moves on: the sizes the headers claim where Qt reports none.
    const std::optional<QSize> claimed = ClaimedBmpSize(file);
    const std::optional<QSize> claimedGif = ClaimedGifSize(file);
    const std::optional<QSize> claimedTga = ClaimedTgaSize(file);
    if (HasShortOldColourTable(file))
        throw FileError(path, "the colour table is shorter than the picture's bit depth needs");
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
    const bool bmp = format == "bmp";
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
    // Top-down BMP files report a negative height here. Qt reports no size at all (-1 x -1)
    // for a BMP header it refuses to read, as it does for several hundred million pixels:
    // the header's own claim then decides whether the refusal says "too large".
    QSize reported = reader.size();
    if (reported == QSize(-1, -1)) reported = claimed.value_or(reported);
    // A header may claim -2^31 rows, whose magnitude has no int: such a size is invalid.
    const auto magnitude = [](int v) { return v == INT_MIN ? -1 : std::abs(v); };
    QSize size(magnitude(reported.width()), magnitude(reported.height()));
    if (!size.isValid() || size.width() <= 0 || size.height() <= 0)
        throw FileError(path, "the picture has no valid size");
    std::uint64_t limit = options.maxPixels;
    // Qt reports a GIF's first frame, but paints it on the whole logical screen; a TGA
    // file over Qt's own limit is handed to another reader.
    for (const std::optional<QSize>& claim : {claimedGif, claimedTga}) {
        if (claim) CheckPixelCount(path, claim->width(), claim->height(), limit);
    }
    if (drawing) {
        const double scale = options.drawingScale;
        if (!(std::isfinite(scale) && scale > 0.0))
            throw FileError(path, "the drawing's scale must be a positive number");
        const double w = std::round(size.width() * scale), h = std::round(size.height() * scale);
        limit = std::min(limit, kMaxDrawingPixels);
        if (w < 1.0 || h < 1.0 || w * h > static_cast<double>(limit))
            throw FileError(path, "the drawing is too large at this scale (" +
                                      std::to_string(size.width()) + " x " +
                                      std::to_string(size.height()) + " times " +
                                      std::to_string(scale) + "; at most " + std::to_string(limit) +
                                      " pixels are rendered)");
        size = QSize(static_cast<int>(w), static_cast<int>(h));
        reader.setScaledSize(size);
    }
    CheckPixelCount(path, size.width(), size.height(), limit);

    // 24- and 32-bit pictures decode straight into the raster that keeps them. Qt's BMP
    // reader decodes into an image of the right size and format if it is given one, and
    // skips the pixels that RLE codes or a short file leave out: start from black so that
    // every pixel has a defined value (a new raster is black already).
    Raster raster;
    QImage image;
    // Only the BMP and PNG readers answer imageFormat() reliably before reading: the JPEG
    // reader leaves the answer undefined for a damaged header, and so do some plugins.
    const bool formatKnown = bmp || format == "png";
    const QImage::Format imageFormat = formatKnown ? reader.imageFormat() : QImage::Format_Invalid;
    if (imageFormat == QImage::Format_RGB32 && !drawing) {
        raster = Raster(size.width(), size.height());
        image = QImage(reinterpret_cast<uchar*>(raster.Row(0)), size.width(), size.height(),
                       static_cast<qsizetype>(size.width()) * 4, QImage::Format_RGB32);
    } else if (bmp && imageFormat != QImage::Format_Invalid) {
        image = QImage(size, imageFormat);
        if (image.isNull()) throw FileError(path, "not enough memory for the picture");
        image.fill(0);
    }
    if (packed) {
        for (std::uint32_t mask : packed->masks)
            if (MaskWidth(mask) > 8)
                throw FileError(path, "colour channels wider than 8 bits are not supported");
    }
    if (!reader.read(&image) || image.isNull()) {
        std::string why = reader.errorString().toStdString();
        if (!quiet.Messages().isEmpty()) why += ": " + quiet.Messages().back().toStdString();
        throw FileError(path, "cannot decode the picture (" + why + ")");
    }
    if (format == "jpeg" || format == "jpg") {
        if (const std::optional<std::string> damage = JpegDamage(quiet.Messages()))
            throw FileError(path, "the picture's data is damaged or cut short (" + *damage + ")");
    }
    if (packed) {
        image = image.convertToFormat(QImage::Format_RGB32);
        RescaleNarrowChannels(image, *packed);
    }
    CheckPixelCount(path, image.width(), image.height(), limit);
    const bool inPlace = !raster.Empty() &&
                         image.constBits() == reinterpret_cast<const uchar*>(raster.Row(0)) &&
                         image.size() == size && image.format() == QImage::Format_RGB32;
    if (inPlace) {
        image = QImage();  // the raster's memory is the raster's alone again
        for (Pixel& p : raster.Pixels()) p = ColourOf(p);
        return {std::move(raster), {}};
    }
    // A BMP file's fourth byte is no transparency to this program, whatever its header says.
    if (bmp) return {RasterOf(image), {}};
    return SplitAlpha(image);
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
