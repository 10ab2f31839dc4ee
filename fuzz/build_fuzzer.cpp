// Arbitrary bytes as a picture; when it loads, a model built with settings taken from the
// first bytes (one-sided, or double-sided with a second picture of another size made from
// the first), over an optional background of its own size, turned by a few drags and
// rendered textured and outlined. Besides crashes, it stops on a frame that depends on the
// number of render threads or the fill kernel, or differs from the reference fill's.
#include <QBuffer>
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/figure_key.h"
#include "core/picture_io.h"
#include "render/render_frame.h"
#include "session/session.h"
#include "viewer/rotation.h"

namespace {

// The settings before the picture's bytes:
//  0 polygon size   1 curvature   2 circle tolerance   3 flags (below)   4 track bar
//  5, 6 light point   7, 8 mouse position at the press   9 number of drag moves (0..7)
//  10..16 x of each move, 17..23 y of each move   24, 25 back picture size
//  26, 27 background size   28 colour change of the back picture   29 render threads
//  30 painter's order of the outlined frame (also values outside 1..4)
//  31 fill kernel (its value mod 6: every kernel) and background tolerance (its value div 4,
//     times 4)
constexpr std::size_t kSettingsBytes = 32;
enum Flag : std::uint8_t {
    kSquareLattice = 1,
    kColourProjection = 2,
    kBackLight = 4,
    kFlipLightAfter = 8,
    kDoubleSided = 16,
    kBackground = 32,
    kClearBackgroundAfter = 64,
    kSetBackgroundAfter = 128,
};
constexpr int kMaxMoves = 7;
// Small pictures keep each run fast; the loader's own limit is tested elsewhere.
constexpr std::uint64_t kFuzzPixels = 1 << 16;

vonnik::PanelInputs PanelFrom(const std::uint8_t* d) {
    vonnik::PanelInputs panel;
    panel.PolygonText = std::to_string(1 + d[0] % 24);
    panel.CurvatureText = std::to_string(static_cast<std::int8_t>(d[1]) * 5);
    panel.ToleranceText = std::to_string(static_cast<int>(d[2]) * 2 - 100);
    panel.SpecialPolygon = d[3] & kSquareLattice;
    panel.ColourProjection = d[3] & kColourProjection;
    panel.BackLight = d[3] & kBackLight;
    panel.DoubleSided = d[3] & kDoubleSided;
    panel.TrackBarPosition = 100 + d[4] % 401;
    return panel;
}

// A picture of another size with other colours, taken from the loaded one: reads of the
// back picture at the front's texture coordinates land outside it or leave part of it
// unused.
vonnik::Raster Derived(const vonnik::Raster& from, std::uint8_t w, std::uint8_t h,
                       vonnik::Pixel flip) {
    vonnik::Raster out(1 + w % 128, 1 + h % 128);
    for (int y = 0; y < out.Height(); ++y)
        for (int x = 0; x < out.Width(); ++x) out.Set(x, y, from.AtClamped(x, y) ^ flip);
    return out;
}

void Stop(const char* why) {
    std::fprintf(stderr, "%s\n", why);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kSettingsBytes) return 0;
    const std::uint8_t* d = data;
    QByteArray bytes(reinterpret_cast<const char*>(data + kSettingsBytes),
                     static_cast<qsizetype>(size - kSettingsBytes));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    vonnik::Raster picture;
    try {
        vonnik::FigureOptions figure;
        figure.read.maxPixels = kFuzzPixels;
        figure.backgroundTolerance = (d[31] / 4) * 4;
        picture = vonnik::DecodeFigurePicture(buffer, "fuzz input", figure);
    } catch (const vonnik::FileError&) {
        return 0;
    }
    if (picture.Empty()) Stop("the loader returned an empty picture");

    vonnik::SharedState state;
    vonnik::SetLightPoint(state, 30 + d[5] % 60, 20 + d[6] % 64, d[3] & kBackLight);
    const vonnik::Raster background = Derived(picture, d[26], d[27], 0x00FFFFFF);
    if (d[3] & kBackground) vonnik::SetBackground(state, "background", background);
    const vonnik::PanelInputs panel = PanelFrom(d);
    vonnik::Raster back =
        panel.DoubleSided ? Derived(picture, d[24], d[25], 0x00010203u * d[28]) : picture;
    try {
        vonnik::BuildIntoState(state, panel, "fuzz", picture, std::move(back), {});
    } catch (const vonnik::BuildError&) {
        return 0;
    }
    if (d[3] & kClearBackgroundAfter) vonnik::ClearBackground(state);
    if (d[3] & kSetBackgroundAfter) vonnik::SetBackground(state, "later", background);

    vonnik::MouseTrack mouse{d[7] % 200, d[8] % 200};
    for (int step = 0; step < d[9] % (kMaxMoves + 1); ++step)
        vonnik::DragTo(state, mouse, d[10 + step] - 60, d[17 + step] - 60);

    // The back-light switch flips the light after the build, as the panel's check box does.
    if (d[3] & kFlipLightAfter) state.LightZ = -state.LightZ;

    vonnik::RenderOptions options;
    options.threads = 1;
    vonnik::RenderShownFrame(state, options);
    const vonnik::Raster single = state.FrameBuffer;
    options.threads = 2 + d[29] % 3;
    options.kernel = static_cast<vonnik::FillKernel>(d[31] % vonnik::kFillKernelCount);
    vonnik::RenderShownFrame(state, options);
    if (!(state.FrameBuffer == single))
        Stop("the banded frame (or another fill kernel) differs from the single pass");
    options.threads = 1;
    options.kernel = vonnik::FillKernel::kBest;
    options.referenceFill = true;
    vonnik::RenderShownFrame(state, options);
    if (!(state.FrameBuffer == single)) Stop("the fast fill differs from the reference fill");

    state.View.Wireframe = true;
    // Any order value, the four and those outside them.
    vonnik::RenderFrame(vonnik::SceneOf(state), static_cast<vonnik::PaintOrder>(d[30] % 7 - 1),
                        state.FrameBuffer);
    return 0;
}
