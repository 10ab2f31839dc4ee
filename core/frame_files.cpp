// The frame files of core/picture_io.h: the 32-bit BMP of the snapshots and the PNG.
#include "core/picture_io.h"

#include <QBuffer>
#include <QImage>
#include <bit>
#include <cstring>

#include "core/atomic_write.h"

namespace vonnik {

namespace {

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
