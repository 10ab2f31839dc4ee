#include "core/picture_io.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QSaveFile>
#include <cstdlib>

namespace vonnik {

FileError::FileError(const std::string& path, const std::string& reason)
    : std::runtime_error("'" + path + "': " + reason), path_(path), reason_(reason) {}

namespace {

QString ToQ(const std::string& s) { return QString::fromStdString(s); }

void CheckReadable(const std::string& path) {
    const QFileInfo info(ToQ(path));
    if (!info.exists()) throw FileError(path, "no such file");
    if (info.isDir()) throw FileError(path, "is a folder, not a picture");
    if (!info.isFile()) throw FileError(path, "is not a regular file");
}

Raster FromImage(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    Raster out(rgb.width(), rgb.height());
    for (int r = 0; r < rgb.height(); ++r) {
        const auto* src = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(r));
        Pixel* dst = out.Row(r);
        for (int c = 0; c < rgb.width(); ++c) dst[c] = ColourOf(src[c]);
    }
    return out;
}

QImage ToImage(const Raster& picture) {
    QImage image(picture.Width(), picture.Height(), QImage::Format_RGB32);
    for (int r = 0; r < picture.Height(); ++r) {
        auto* dst = reinterpret_cast<std::uint32_t*>(image.scanLine(r));
        const Pixel* src = picture.Row(r);
        for (int c = 0; c < picture.Width(); ++c) dst[c] = 0xFF000000u | ColourOf(src[c]);
    }
    return image;
}

void WriteAtomically(const std::string& path, const char* data, qint64 size) {
    QSaveFile file(ToQ(path));
    if (!file.open(QIODevice::WriteOnly))
        throw FileError(path, "cannot create: " + file.errorString().toStdString());
    if (file.write(data, size) != size) {
        const std::string why = file.errorString().toStdString();
        file.cancelWriting();
        throw FileError(path, "cannot write: " + why);
    }
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

}  // namespace

Raster LoadPicture(const std::string& path, std::uint64_t maxPixels) {
    CheckReadable(path);
    QFile file(ToQ(path));
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(path, "cannot open: " + file.errorString().toStdString());
    if (file.size() == 0) throw FileError(path, "the file is empty");

    // The limit below is checked before reading; this one only keeps Qt from refusing
    // pictures that are within it.
    QImageReader::setAllocationLimit(2048);
    QImageReader reader(&file);
    reader.setAutoTransform(false);
    if (!reader.canRead())
        throw FileError(path, "not a picture that can be read (" +
                                  reader.errorString().toStdString() + ")");
    // Top-down BMP files report a negative height here.
    const QSize reported = reader.size();
    const QSize size(std::abs(reported.width()), std::abs(reported.height()));
    if (!size.isValid() || size.width() <= 0 || size.height() <= 0)
        throw FileError(path, "the picture has no valid size");
    const std::uint64_t pixels =
        static_cast<std::uint64_t>(size.width()) * static_cast<std::uint64_t>(size.height());
    if (pixels > maxPixels)
        throw FileError(path, "the picture is too large (" + std::to_string(size.width()) + " x " +
                                  std::to_string(size.height()) + " pixels; at most " +
                                  std::to_string(maxPixels) + " pixels are accepted)");

    // Qt's BMP reader decodes into an image of the right size and format if it is given
    // one, and skips the pixels that RLE codes or a short file leave out: start from black
    // so that every pixel has a defined value.
    QImage image;
    const QImage::Format format = reader.imageFormat();
    if (format != QImage::Format_Invalid) {
        image = QImage(size, format);
        if (image.isNull()) throw FileError(path, "not enough memory for the picture");
        image.fill(0);
    }
    if (!reader.read(&image) || image.isNull())
        throw FileError(path, "cannot decode the picture (" + reader.errorString().toStdString() +
                                  ")");
    if (static_cast<std::uint64_t>(image.width()) * static_cast<std::uint64_t>(image.height()) >
        maxPixels)
        throw FileError(path, "the picture is too large");
    return FromImage(image);
}

std::vector<std::uint8_t> EncodeFrameBmp(const Raster& frame) {
    const std::uint32_t w = static_cast<std::uint32_t>(frame.Width());
    const std::uint32_t h = static_cast<std::uint32_t>(frame.Height());
    const std::uint32_t imageSize = w * h * 4;
    std::vector<std::uint8_t> out(54 + static_cast<std::size_t>(imageSize), 0);
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
    std::size_t at = 54;
    for (int r = frame.Height() - 1; r >= 0; --r) {
        const Pixel* row = frame.Row(r);
        for (std::uint32_t c = 0; c < w; ++c, at += 4) PutU32(out, at, row[c]);
    }
    return out;
}

void SaveFrameBmp(const Raster& frame, const std::string& path) {
    const std::vector<std::uint8_t> bytes = EncodeFrameBmp(frame);
    WriteAtomically(path, reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qint64>(bytes.size()));
}

void SavePng(const Raster& picture, const std::string& path) {
    QSaveFile file(ToQ(path));
    if (!file.open(QIODevice::WriteOnly))
        throw FileError(path, "cannot create: " + file.errorString().toStdString());
    if (!ToImage(picture).save(&file, "PNG")) {
        file.cancelWriting();
        throw FileError(path, "cannot write the PNG picture");
    }
    if (!file.commit()) throw FileError(path, "cannot write: " + file.errorString().toStdString());
}

}  // namespace vonnik
