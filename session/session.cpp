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

BuildSettings ValidSettings(const PanelInputs& panel) {
    const std::optional<BuildSettings> settings = CaptureSettings(panel);
    if (!settings) throw BuildError("invalid input");
    return *settings;
}

// The six position arrays of the grid to or from a copy of them.
void CopyPositions(ModelGrid& grid, SavedPositions& copy, bool toGrid) {
    GridArray<double>* const model[] = {&grid.FrontX, &grid.FrontY, &grid.FrontZ,
                                        &grid.BackX,  &grid.BackY,  &grid.BackZ};
    GridArray<double>* const kept[] = {&copy.FrontX, &copy.FrontY, &copy.FrontZ,
                                       &copy.BackX,  &copy.BackY,  &copy.BackZ};
    for (int n = 0; n < 6; ++n) {
        if (toGrid)
            *model[n] = *kept[n];
        else
            *kept[n] = *model[n];
    }
}

void KeepBuiltPositions(SharedState& state) {
    CopyPositions(state.Grid, state.BuiltPositions, false);
}

}  // namespace

void ApplyHoles(Raster& front, Raster& back, const HoleList& holes) {
    if (const std::optional<std::size_t> missing = FirstHoleMissingTheFigure(front, holes))
        throw BuildError("the hole " + HoleText(holes[*missing]) + " touches no figure pixel",
                         BuildError::Field::kHole);
    CutHoles(front, holes);
    CutHoles(back, holes);
}

BuiltModel BuildPictures(const LoadedPictures& pictures, const BuildSettings& settings,
                         const HoleList& holes, const ProgressFn& progress,
                         const std::stop_token& stop) {
    BuiltModel built{ModelGrid{}, pictures.Front, pictures.BackOrFront()};
    ApplyHoles(built.Front, built.Back, holes);
    RunBuildPhases(built.Grid, built.Front, built.Back, settings, progress, stop);
    return built;
}

void AdoptBuild(SharedState& state, const PanelInputs& panel,
                std::shared_ptr<const LoadedPictures> pictures, BuiltModel built,
                PoseOnBuild pose) {
    state.PictureName = pictures->Name;
    state.LightAmount = panel.TrackBarPosition / 100.0;
    SetLight(state, LightFromPoint(state.LightPointX, state.LightPointY, panel.BackLight));
    SetViewSize(state, state.BackgroundName.empty() ? built.Front : state.BackgroundPicture);
    state.FrontPicture = std::move(built.Front);
    state.BackPicture = std::move(built.Back);
    state.Grid = std::move(built.Grid);
    state.Loaded = std::move(pictures);
    KeepBuiltPositions(state);
    if (pose == PoseOnBuild::kReset)
        state.View = ViewPose{};
    else
        PlaceInPose(state.Grid, state.View, state.Saved);
}

void BuildIntoState(SharedState& state, const PanelInputs& panel,
                    std::shared_ptr<const LoadedPictures> pictures, const ProgressFn& progress,
                    PoseOnBuild pose) {
    BuiltModel built = BuildPictures(*pictures, ValidSettings(panel), panel.Holes, progress);
    AdoptBuild(state, panel, std::move(pictures), std::move(built), pose);
}

void BuildIntoState(SharedState& state, const PanelInputs& panel, const std::string& pictureName,
                    Raster front, Raster back, const ProgressFn& progress) {
    const BuildSettings settings = ValidSettings(panel);
    auto pictures = std::make_shared<LoadedPictures>();
    pictures->Name = pictureName;
    pictures->FrontSource = pictureName;
    // One copy serves both sides when they are the same picture.
    if (!(back == front)) {
        pictures->Back = back;
        pictures->BackSource = pictureName;
    }
    pictures->Front = front;

    ApplyHoles(front, back, panel.Holes);
    ModelGrid grid;
    RunBuildPhases(grid, front, back, settings, progress);
    AdoptBuild(state, panel, std::move(pictures),
               BuiltModel{std::move(grid), std::move(front), std::move(back)}, PoseOnBuild::kReset);
}

bool ResetPose(SharedState& state) {
    if (state.Grid.Empty()) return false;
    CopyPositions(state.Grid, state.BuiltPositions, true);
    const bool outlined = state.View.Wireframe;
    state.View = ViewPose{};
    state.View.Wireframe = outlined;
    return true;
}

void DragTo(SharedState& state, MouseTrack& mouse, int x, int y) {
    RotationStep(state.Grid, state.View, state.Saved, mouse, x, y, state.ViewWidth,
                 state.ViewHeight);
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
        .view = state.View,
    };
}

void RenderShownFrame(SharedState& state, const RenderOptions& options) {
    state.FrameBuffer.Resize(std::max(state.ViewWidth, 0), std::max(state.ViewHeight, 0));
    RenderFrame(SceneOf(state), state.View.DrawOrder, state.FrameBuffer, options);
}

MeshExportResult ExportShownSolid(const SharedState& state, const std::string& path,
                                  const MeshExportOptions& options) {
    return ExportMesh(state.Grid, state.View, state.FrontPicture, state.BackPicture, path, options);
}

}  // namespace vonnik
