#pragma once

#include <memory>
#include <stop_token>
#include <string>

#include "builder/build_phases.h"
#include "export/mesh_export.h"
#include "render/render_frame.h"
#include "session/light_disc.h"
#include "session/panel_inputs.h"
#include "session/shared_state.h"
#include "viewer/rotation.h"

namespace vonnik {

// The session's actions: what the panel's handlers, the viewer and the command-line tool do
// to the one state, without any window.

// What the builder makes of loaded pictures: the model and the pictures as it recoloured
// them.
struct BuiltModel {
    ModelGrid Grid;
    Raster Front, Back;
};

// Makes the holes background in both pictures (core/holes.h), at the same picture
// coordinates. Throws BuildError (Field::kHole) naming the first hole whose disc touches no
// figure pixel of the front picture; the pictures are unchanged then.
void ApplyHoles(Raster& front, Raster& back, const HoleList& holes);

// Every phase over copies of the loaded pictures, with the holes cut into the copies.
// Touches no state, so it may run on any thread. Throws BuildError, BuildCancelled (stop
// requested) and std::bad_alloc.
BuiltModel BuildPictures(const LoadedPictures& pictures, const BuildSettings& settings,
                         const HoleList& holes, const ProgressFn& progress,
                         const std::stop_token& stop = {});

// How a new model meets the view: a build shows it unturned, a rebuild in the pose the
// viewer has turned the old one to (render/view_pose.h; the outlined mode stays too).
enum class PoseOnBuild { kReset, kKeep };

// Puts a finished build into the state: the picture name, the light amount, the light from
// the light point, the viewer size, the recoloured pictures, the model, the pictures it was
// built from, and the pose as asked. Only assigns, once the build has succeeded.
void AdoptBuild(SharedState& state, const PanelInputs& panel,
                std::shared_ptr<const LoadedPictures> pictures, BuiltModel built, PoseOnBuild pose);

// The window-free build: captures the settings, builds the pictures with the panel's holes
// and adopts the result.
// The state is changed only when the whole build succeeds; otherwise the BuildError (or
// BuildCancelled) propagates and the previous model, pictures and settings stay.
void BuildIntoState(SharedState& state, const PanelInputs& panel,
                    std::shared_ptr<const LoadedPictures> pictures, const ProgressFn& progress,
                    PoseOnBuild pose = PoseOnBuild::kReset);
// The same for two freshly loaded pictures (the same one twice for a one-sided build).
void BuildIntoState(SharedState& state, const PanelInputs& panel, const std::string& pictureName,
                    Raster front, Raster back, const ProgressFn& progress);

// Puts the model back into the pose of its build, exactly, without building again; the
// outlined mode stays. False (nothing changed) without a model.
bool ResetPose(SharedState& state);

// A right-button drag's move to (x, y) in the viewer: one step of the drag rule.
void DragTo(SharedState& state, MouseTrack& mouse, int x, int y);

// Moves the light point to (x, y) and sets the light from it; false (nothing changed) when
// the point is not strictly inside the picker disc.
bool SetLightPoint(SharedState& state, int x, int y, bool backLight);

// A loaded background picture becomes the frame's backdrop and size.
void SetBackground(SharedState& state, const std::string& name, Raster picture);

// Back to the front picture's colour and size; false when no background was set.
bool ClearBackground(SharedState& state);

// What the state's frame shows: its model in its pose, pictures, background and light.
FrameScene SceneOf(const SharedState& state);

// Draws the model as the viewer shows it into FrameBuffer, sized ViewWidth x ViewHeight.
void RenderShownFrame(SharedState& state, const RenderOptions& options = {});

// The solid of the model as it stands, with its pictures, in the format of path's extension.
MeshExportResult ExportShownSolid(const SharedState& state, const std::string& path,
                                  const MeshExportOptions& options = {});

}  // namespace vonnik
