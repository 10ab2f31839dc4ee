#include "session/session.h"

#include <algorithm>
#include <optional>

namespace vonnik {

namespace {

void SetLight(SharedState& state, const Vec3& light) {
    state.LightX = light.x;
    state.LightY = light.y;
    state.LightZ = light.z;
}

void SetViewSize(SharedState& state, const Raster& sizing) {
    state.ViewWidth = sizing.Width();
    state.ViewHeight = sizing.Height();
    state.FrameBuffer.Resize(state.ViewWidth, state.ViewHeight);
}

}  // namespace

void ApplyHoles(Raster& front, Raster& back, const HoleList& holes) {
    if (const std::optional<std::size_t> missing = FirstHoleMissingTheFigure(front, holes))
        throw BuildError("the hole " + HoleText(holes[*missing]) + " touches no figure pixel",
                         BuildError::Field::kHole);
    CutHoles(front, holes);
    CutHoles(back, holes);
}

void BuildIntoState(SharedState& state, const PanelInputs& panel, const std::string& pictureName,
                    Raster front, Raster back, const ProgressFn& progress) {
    const std::optional<BuildSettings> settings = CaptureSettings(panel);
    if (!settings) throw BuildError("invalid input");

    ApplyHoles(front, back, panel.Holes);

    ModelGrid grid;
    RunBuildPhases(grid, front, back, *settings, progress);

    // Everything below only assigns: the build has succeeded.
    state.PictureName = pictureName;
    state.LightAmount = panel.TrackBarPosition / 100.0;
    SetLight(state, LightFromPoint(state.LightPointX, state.LightPointY, panel.BackLight));
    SetViewSize(state, state.BackgroundName.empty() ? front : state.BackgroundPicture);
    state.FrontPicture = std::move(front);
    state.BackPicture = std::move(back);
    state.Grid = std::move(grid);
}

bool SetLightPoint(SharedState& state, int x, int y, bool backLight) {
    if (!InsideLightDisc(x, y)) return false;
    state.LightPointX = x;
    state.LightPointY = y;
    SetLight(state, LightFromPoint(x, y, backLight));
    return true;
}

void SetBackground(SharedState& state, const std::string& name, Raster picture) {
    state.BackgroundName = name;
    state.BackgroundPicture = std::move(picture);
    SetViewSize(state, state.BackgroundPicture);
}

bool ClearBackground(SharedState& state) {
    if (state.BackgroundName.empty()) return false;
    state.BackgroundName.clear();
    SetViewSize(state, state.FrontPicture);
    return true;
}

FrameScene SceneOf(const SharedState& state) {
    return FrameScene{
        .grid = state.Grid,
        .front = state.FrontPicture,
        .back = state.BackPicture,
        .background = state.BackgroundName.empty() ? nullptr : &state.BackgroundPicture,
        .light = {state.LightX, state.LightY, state.LightZ},
        .lightAmount = state.LightAmount,
    };
}

void RenderShownFrame(SharedState& state, const RenderOptions& options) {
    state.FrameBuffer.Resize(std::max(state.ViewWidth, 0), std::max(state.ViewHeight, 0));
    RenderFrame(SceneOf(state), state.Grid.DrawOrder, state.FrameBuffer, options);
}

MeshExportResult ExportShownSolid(const SharedState& state, const std::string& path,
                                  const MeshExportOptions& options) {
    return ExportMesh(state.Grid, state.FrontPicture, state.BackPicture, path, options);
}

}  // namespace vonnik
