// Animated GIF: palettes from libimagequant, the file from cgif.
#include <cgif.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <thread>

#include "core/picture_io.h"
#include "export/animation.h"
#include "export/animation_checks.h"
#include "export/liq_handles.h"
#include "export/parallel_frames.h"

namespace vonnik {

namespace {

// One frame as GIF stores it: a palette of its own and an index per pixel.
struct IndexedFrame {
    std::vector<std::uint8_t> palette;  // R G B per entry
    std::vector<std::uint8_t> indices;
    bool ok = false;
};

// The frame's own palette: every frame of a turn shows the same colours in other places,
// and a palette per frame keeps each frame as close to the render as 255 colours allow.
// One entry is left free for cgif's transparency, which marks pixels unchanged since the
// previous frame.
IndexedFrame Quantize(const Raster& frame) {
    IndexedFrame out;
    const int w = frame.Width(), h = frame.Height();
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(w) * h * 4);
    const std::span<const Pixel> px = frame.Pixels();
    for (std::size_t n = 0; n < px.size(); ++n) {
        rgba[4 * n + 0] = static_cast<std::uint8_t>(px[n] >> 16);
        rgba[4 * n + 1] = static_cast<std::uint8_t>(px[n] >> 8);
        rgba[4 * n + 2] = static_cast<std::uint8_t>(px[n]);
        rgba[4 * n + 3] = 255;
    }
    LiqAttr attr;
    if (!attr.p || liq_set_max_colors(attr.p, 255) != LIQ_OK || liq_set_speed(attr.p, 8) != LIQ_OK)
        return out;
    LiqImage image;
    image.p = liq_image_create_rgba(attr.p, rgba.data(), w, h, 0.0);
    LiqResult result;
    if (!image.p || liq_image_quantize(image.p, attr.p, &result.p) != LIQ_OK) return out;
    liq_set_dithering_level(result.p, 1.0f);
    out.indices.resize(static_cast<std::size_t>(w) * h);
    if (liq_write_remapped_image(result.p, image.p, out.indices.data(), out.indices.size()) !=
        LIQ_OK)
        return out;
    // The palette as the remapping left it: it is refined while remapping.
    const liq_palette* palette = liq_get_palette(result.p);
    for (unsigned c = 0; c < palette->count; ++c) {
        out.palette.push_back(palette->entries[c].r);
        out.palette.push_back(palette->entries[c].g);
        out.palette.push_back(palette->entries[c].b);
    }
    out.ok = palette->count > 0;
    return out;
}

int AppendBytes(void* context, const std::uint8_t* data, const std::size_t size) {
    auto* bytes = static_cast<std::vector<unsigned char>*>(context);
    try {
        bytes->insert(bytes->end(), data, data + size);
    } catch (const std::bad_alloc&) {
        return CGIF_EALLOC;
    }
    return CGIF_OK;
}

struct GifCloser {
    void operator()(CGIF* gif) const { cgif_close(gif); }
};

}  // namespace

bool WriteGif(const std::vector<Raster>& frames, const AnimationOptions& options,
              const std::string& path, const AnimationProgress& progress) {
    CheckAnimationFrames(frames, options, path);
    const int w = frames.front().Width(), h = frames.front().Height();
    if (w > 65535 || h > 65535)
        throw FileError(path, "a GIF is at most 65535 pixels wide and high");

    std::vector<unsigned char> bytes;
    CGIF_Config config{};
    config.attrFlags = CGIF_ATTR_IS_ANIMATED | CGIF_ATTR_NO_GLOBAL_TABLE;
    config.width = static_cast<std::uint16_t>(w);
    config.height = static_cast<std::uint16_t>(h);
    config.numLoops = CGIF_INFINITE_LOOP;
    config.pWriteFn = AppendBytes;
    config.pContext = &bytes;
    std::unique_ptr<CGIF, GifCloser> gif(cgif_newgif(&config));
    if (!gif) throw FileError(path, "cannot start the GIF encoder");

    // Delays are whole hundredths of a second.
    const auto delay =
        static_cast<std::uint16_t>(std::max(2L, std::lround(100.0 / options.framesPerSecond)));
    const int total = static_cast<int>(frames.size());
    bool failed = false;
    const bool finished = ForFramesInBatches(
        total,
        [&](int first, int count) {
            std::vector<IndexedFrame> indexed(count);
            RunInParallel(count, [&](int k) { indexed[k] = Quantize(frames[first + k]); });
            for (IndexedFrame& f : indexed) {
                if (!f.ok) {
                    failed = true;
                    return false;
                }
                CGIF_FrameConfig fc{};
                fc.pLocalPalette = f.palette.data();
                fc.numLocalPaletteEntries = static_cast<std::uint16_t>(f.palette.size() / 3);
                fc.pImageData = f.indices.data();
                fc.attrFlags = CGIF_FRAME_ATTR_USE_LOCAL_TABLE;
                fc.genFlags = CGIF_FRAME_GEN_USE_TRANSPARENCY | CGIF_FRAME_GEN_USE_DIFF_WINDOW;
                fc.delay = delay;
                if (cgif_addframe(gif.get(), &fc) != CGIF_OK) {
                    failed = true;
                    return false;
                }
            }
            return true;
        },
        progress);
    if (failed) throw FileError(path, "cannot encode the GIF frames");
    if (!finished) return false;
    const int closed = cgif_close(gif.release());
    if (closed != CGIF_OK) throw FileError(path, "cannot encode the GIF file");
    WriteFileAtomically(path, reinterpret_cast<const char*>(bytes.data()),
                        static_cast<std::int64_t>(bytes.size()));
    return true;
}

}  // namespace vonnik
