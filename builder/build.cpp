#include "builder/build.h"

#include "core/numbers.h"

#include <cmath>

namespace vonnik {

std::optional<BuildSettings> CaptureSettings(const PanelInputs& panel) {
    const std::optional<std::int32_t> polygon = TextToInt(panel.PolygonText);
    const std::optional<std::int32_t> curvature = TextToInt(panel.CurvatureText);
    const std::optional<std::int32_t> tolerance = TextToInt(panel.ToleranceText);
    // A zero or negative polygon size gives no usable lattice.
    if (!polygon || *polygon <= 0 || !curvature || !tolerance) return std::nullopt;
    BuildSettings s;
    s.PolygonSize = static_cast<double>(*polygon);
    s.Curvature = *curvature / 100.0;
    s.CircleTolerance = *tolerance / 100.0;
    s.CircleToleranceSq = s.CircleTolerance * s.CircleTolerance;
    s.ColourProjection = panel.ColourProjection ? 1 : 0;
    s.TriangleLattice = panel.SpecialPolygon ? 0 : 1;
    return s;
}

bool InsideLightDisc(int x, int y) {
    const long long dx = 60 - static_cast<long long>(x);
    const long long dy = 52 - static_cast<long long>(y);
    return dx * dx + dy * dy < 1296;
}

Vec3 LightFromPoint(int pointX, int pointY, bool backLight) {
    Vec3 light;
    light.x = (pointX - 60) / 36.0;
    light.y = (pointY - 52) / 36.0;
    light.z = -std::sqrt((1.0 - light.x * light.x) - light.y * light.y);
    if (backLight) light.z = -light.z;
    return light;
}

void BuildIntoState(SharedState& state, const PanelInputs& panel, const std::string& pictureName,
                    Raster front, Raster back, const ProgressFn& progress) {
    const std::optional<BuildSettings> settings = CaptureSettings(panel);
    if (!settings) throw BuildError("invalid input");

    ModelGrid grid;
    RunBuildPhases(grid, front, back, *settings, progress);

    // Everything below only assigns: the build has succeeded.
    state.PictureName = pictureName;
    state.LightAmount = panel.TrackBarPosition / 100.0;
    const Vec3 light = LightFromPoint(state.LightPointX, state.LightPointY, panel.BackLight);
    state.LightX = light.x;
    state.LightY = light.y;
    state.LightZ = light.z;
    const Raster& sizing = state.BackgroundName.empty() ? front : state.BackgroundPicture;
    state.ViewWidth = sizing.Width();
    state.ViewHeight = sizing.Height();
    state.FrameBuffer.Resize(state.ViewWidth, state.ViewHeight);
    state.FrontPicture = std::move(front);
    state.BackPicture = std::move(back);
    state.Grid = std::move(grid);
}

}  // namespace vonnik

namespace vonnik {

bool SetLightPoint(SharedState& state, int x, int y, bool backLight) {
    if (!InsideLightDisc(x, y)) return false;
    state.LightPointX = x;
    state.LightPointY = y;
    const Vec3 light = LightFromPoint(x, y, backLight);
    state.LightX = light.x;
    state.LightY = light.y;
    state.LightZ = light.z;
    return true;
}

void SetBackground(SharedState& state, const std::string& name, Raster picture) {
    state.BackgroundName = name;
    state.BackgroundPicture = std::move(picture);
    state.ViewWidth = state.BackgroundPicture.Width();
    state.ViewHeight = state.BackgroundPicture.Height();
    state.FrameBuffer.Resize(state.ViewWidth, state.ViewHeight);
}

bool ClearBackground(SharedState& state) {
    if (state.BackgroundName.empty()) return false;
    state.BackgroundName.clear();
    state.ViewWidth = state.FrontPicture.Width();
    state.ViewHeight = state.FrontPicture.Height();
    state.FrameBuffer.Resize(state.ViewWidth, state.ViewHeight);
    return true;
}

}  // namespace vonnik
