// GLib's headers name a member "signals", which Qt's headers define as a keyword: they
// come first.
#include <gdk-pixbuf/gdk-pixbuf.h>

#include "core/tga_reader.h"

#include <QIODevice>
#include <memory>

namespace vonnik {

namespace {

int U16(const QByteArray& b, int at) {
    return static_cast<std::uint8_t>(b[at]) | (static_cast<std::uint8_t>(b[at + 1]) << 8);
}

// A loader is closed once before it is let go: GLib warns of an unfinished load, and of a
// second close.
class Loader {
  public:
    explicit Loader(GdkPixbufLoader* loader) : loader_(loader) {}
    ~Loader() {
        if (loader_ == nullptr) return;
        if (!closed_) gdk_pixbuf_loader_close(loader_, nullptr);
        g_object_unref(loader_);
    }
    Loader(const Loader&) = delete;
    Loader& operator=(const Loader&) = delete;
    explicit operator bool() const { return loader_ != nullptr; }
    GdkPixbufLoader* get() const { return loader_; }
    bool Close(GError** error) {
        closed_ = true;
        return gdk_pixbuf_loader_close(loader_, error);
    }

  private:
    GdkPixbufLoader* loader_;
    bool closed_ = false;
};

struct ErrorDeleter {
    void operator()(GError* error) const { g_error_free(error); }
};

// Throws the loader's reason, which GLib hands over in error.
[[noreturn]] void Refuse(const std::string& path, GError* error) {
    const std::unique_ptr<GError, ErrorDeleter> owned(error);
    throw FileError(path, std::string("cannot decode the picture (") +
                              (error != nullptr ? error->message : "the TGA loader failed") + ")");
}

// The pixbuf's rows as the raster's pixel words and, for a file with alpha, its alpha.
PictureWithAlpha PictureOf(const GdkPixbuf* pixbuf, bool alpha) {
    const int w = gdk_pixbuf_get_width(pixbuf), h = gdk_pixbuf_get_height(pixbuf);
    const int channels = gdk_pixbuf_get_n_channels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    const guint8* pixels = gdk_pixbuf_read_pixels(pixbuf);
    PictureWithAlpha out{Raster(w, h), {}};
    if (alpha) out.alpha.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    std::size_t at = 0;
    for (int r = 0; r < h; ++r) {
        const guint8* src = pixels + static_cast<std::ptrdiff_t>(r) * stride;
        Pixel* dst = out.colours.Row(r);
        for (int c = 0; c < w; ++c, src += channels, ++at) {
            dst[c] = (Pixel{src[0]} << 16) | (Pixel{src[1]} << 8) | Pixel{src[2]};
            if (alpha) out.alpha[at] = src[3];
        }
    }
    return out;
}

}  // namespace

std::optional<TgaHeader> TrueColourTgaHeader(const QByteArray& head) {
    if (head.size() < 18) return std::nullopt;
    const int mapType = static_cast<std::uint8_t>(head[1]);
    const int imageType = static_cast<std::uint8_t>(head[2]);
    const int bits = static_cast<std::uint8_t>(head[16]);
    const int descriptor = static_cast<std::uint8_t>(head[17]);
    const int alphaBits = descriptor & 0x0F;
    TgaHeader header;
    header.width = U16(head, 12);
    header.height = U16(head, 14);
    header.rle = imageType == 10;
    header.bitsPerPixel = bits;
    header.alpha = bits == 32 && alphaBits == 8;
    // No colour map, and its fields zero; bits 6 and 7 of the descriptor (interleaving) zero.
    const bool noMap = mapType == 0 && U16(head, 3) == 0 && U16(head, 5) == 0 && head[7] == 0;
    const bool valid =
        noMap && (imageType == 2 || imageType == 10) &&
        (bits == 24 ? alphaBits == 0 : bits == 32 && (alphaBits == 0 || alphaBits == 8)) &&
        (descriptor & 0xC0) == 0 && header.width > 0 && header.height > 0;
    if (!valid) return std::nullopt;
    return header;
}

PictureWithAlpha DecodeTga(QIODevice& file, const TgaHeader& header, const std::string& path,
                           std::uint64_t maxPixels) {
    CheckPixelCount(path, header.width, header.height, maxPixels);
    GError* error = nullptr;
    Loader loader(gdk_pixbuf_loader_new_with_type("tga", &error));
    if (!loader) Refuse(path, error);
    // In pieces, so that the file's bytes are never all in memory beside the pixels.
    char piece[65536];
    for (qint64 n; (n = file.read(piece, sizeof piece)) > 0;) {
        if (!gdk_pixbuf_loader_write(loader.get(), reinterpret_cast<const guchar*>(piece),
                                     static_cast<gsize>(n), &error))
            Refuse(path, error);
    }
    if (!loader.Close(&error)) Refuse(path, error);
    const GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader.get());
    if (pixbuf == nullptr || gdk_pixbuf_get_width(pixbuf) != header.width ||
        gdk_pixbuf_get_height(pixbuf) != header.height ||
        gdk_pixbuf_get_bits_per_sample(pixbuf) != 8 ||
        gdk_pixbuf_get_n_channels(pixbuf) < (header.alpha ? 4 : 3))
        throw FileError(path, "cannot decode the picture (the TGA loader gave no whole picture)");
    return PictureOf(pixbuf, header.alpha);
}

}  // namespace vonnik
