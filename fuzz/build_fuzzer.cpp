// Arbitrary bytes as a picture; when it loads, a model built with settings taken from the
// first bytes, turned by a few drags and rendered, textured or outlined.
#include <QBuffer>
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <string>

#include "builder/build.h"
#include "core/picture_io.h"
#include "render/render_frame.h"
#include "viewer/rotation.h"

namespace {

constexpr std::size_t kSettingsBytes = 16;
// Small pictures keep each run fast; the loader's own limit is tested elsewhere.
constexpr std::uint64_t kFuzzPixels = 1 << 16;

vonnik::PanelInputs PanelFrom(const std::uint8_t* d) {
    vonnik::PanelInputs panel;
    panel.PolygonText = std::to_string(1 + d[0] % 24);
    panel.CurvatureText = std::to_string(static_cast<std::int8_t>(d[1]) * 5);
    panel.ToleranceText = std::to_string(static_cast<int>(d[2]) * 2 - 100);
    panel.SpecialPolygon = d[3] & 1;
    panel.ColourProjection = d[3] & 2;
    panel.BackLight = d[3] & 4;
    panel.TrackBarPosition = 100 + d[4] % 401;
    return panel;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kSettingsBytes) return 0;
    QByteArray bytes(reinterpret_cast<const char*>(data + kSettingsBytes),
                     static_cast<qsizetype>(size - kSettingsBytes));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    vonnik::Raster picture;
    try {
        picture = vonnik::DecodePicture(buffer, "fuzz input", kFuzzPixels);
    } catch (const vonnik::FileError&) {
        return 0;
    }
    vonnik::SharedState state;
    vonnik::SetLightPoint(state, 30 + data[5] % 60, 20 + data[6] % 64, data[3] & 4);
    try {
        vonnik::BuildIntoState(state, PanelFrom(data), "fuzz", picture, picture, {});
    } catch (const vonnik::BuildError&) {
        return 0;
    }
    vonnik::MouseTrack mouse{data[7] % 200, data[8] % 200};
    for (int step = 0; step < data[9] % 4; ++step)
        vonnik::RotationStep(state.Grid, mouse, data[10 + step] - 60, data[13 + step] - 60,
                             state.ViewWidth, state.ViewHeight);
    state.Grid.Wireframe = data[3] & 8;
    vonnik::RenderOptions options;
    options.threads = 1 + (data[3] >> 4) % 3;
    vonnik::RenderFrame(state, state.Grid.DrawOrder, options);
    return 0;
}
