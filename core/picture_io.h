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

// Loads any picture Qt's image reader decodes (every BMP variant it knows, PNG, ...) as a
// 32-bit raster with the fourth byte 0. Pixels the file leaves undefined (RLE skips, a
// truncated pixel array) come out black. Throws FileError.
Raster LoadPicture(const std::string& path, std::uint64_t maxPixels = kMaxPicturePixels);

// The same for a picture already open for reading; path only names it in errors.
Raster DecodePicture(QIODevice& device, const std::string& path,
                     std::uint64_t maxPixels = kMaxPicturePixels);

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
