#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/raster.h"

class QIODevice;
class QImage;

namespace vonnik {

// A file that cannot be read or written. what() names the file and the reason.
class FileError : public std::runtime_error {
  public:
    FileError(const std::string& path, const std::string& reason);
    const std::string& Path() const { return path_; }
    const std::string& Reason() const { return reason_; }

  private:
    std::string path_;
    std::string reason_;
};

// Pictures larger than this are refused before any pixel memory is allocated.
constexpr std::uint64_t kMaxPicturePixels = 100'000'000;

// A drawing (SVG) is rendered at its own size times a scale; the canvas it is rendered on
// is held to this many pixels, and the drawing's file to this many bytes, which bounds the
// time its rendering takes.
constexpr std::uint64_t kMaxDrawingPixels = 16'777'216;
constexpr std::int64_t kMaxDrawingBytes = 8'000'000;

// Refuses a picture of width x height pixels when that is more than maxPixels, before its
// pixels take any memory. Throws FileError naming path.
void CheckPixelCount(const std::string& path, int width, int height, std::uint64_t maxPixels);

struct ReadOptions {
    std::uint64_t maxPixels = kMaxPicturePixels;
    // An SVG drawing is rendered at its width and height (or its viewBox) times this.
    double drawingScale = 1.0;
};

// A decoded picture with its transparency: alpha holds one byte per pixel, rows top
// first, and is empty when the file has no alpha channel. Where there is alpha, the
// colours are those stored in the file, not multiplied by the alpha.
struct PictureWithAlpha {
    Raster colours;
    std::vector<std::uint8_t> alpha;
    friend bool operator==(const PictureWithAlpha&, const PictureWithAlpha&) = default;
};

// Loads any picture Qt's image readers decode (BMP, PNG, JPEG, GIF's first frame, WebP,
// TIFF, TGA, ICO, SVG, ...), and the TGA files Qt refuses (core/tga_reader.h), as a 32-bit
// raster with the fourth byte 0, turned upright as a photo's orientation tag says. Pixels a
// BMP file leaves undefined (RLE skips, a truncated pixel array) come out black; other
// formats' truncated or damaged files are refused. The decoders' own warnings are kept off
// the terminal: the FileError says what is wrong. Throws FileError.
Raster LoadPicture(const std::string& path, std::uint64_t maxPixels = kMaxPicturePixels);
PictureWithAlpha LoadPictureWithAlpha(const std::string& path, const ReadOptions& options);

// The same for a picture already open for reading; path only names it in errors.
Raster DecodePicture(QIODevice& device, const std::string& path,
                     std::uint64_t maxPixels = kMaxPicturePixels);
PictureWithAlpha DecodePictureWithAlpha(QIODevice& device, const std::string& path,
                                        const ReadOptions& options);

// The file-name patterns of every picture format the readers know ("*.png", "*.jpg", ...).
std::vector<std::string> ReadablePicturePatterns();

// A raster as an opaque 32-bit image, and an image as a raster (the fourth byte of each
// word 0).
QImage ImageOf(const Raster& raster);
Raster RasterOf(const QImage& image);

// The frame file: 14-byte file header, 40-byte information header with a positive height,
// 32 bits per pixel, no compression, no colour table, rows from the bottom up as B G R X.
std::vector<std::uint8_t> EncodeFrameBmp(const Raster& frame);

// Writes EncodeFrameBmp(frame) to path through a temporary file in the same folder that is
// renamed into place, so a failed write leaves no partial file; an existing device or pipe
// (/dev/null, /dev/stdout) is written directly. Throws FileError.
void SaveFrameBmp(const Raster& frame, const std::string& path);

// Writes bytes to path as SaveFrameBmp writes its file: whole or not at all, devices and
// pipes directly. Throws FileError naming path.
void WriteFileAtomically(const std::string& path, const char* data, std::int64_t size);

void WriteFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes);

// The picture as a PNG file's bytes: RGB, 8 bits a channel, no alpha. Throws FileError
// naming path when the picture is empty or cannot be encoded.
std::vector<unsigned char> EncodePngBytes(const Raster& picture, const std::string& path);

// EncodePngBytes written as SaveFrameBmp writes its file. Throws FileError.
void SavePng(const Raster& picture, const std::string& path);

}  // namespace vonnik
