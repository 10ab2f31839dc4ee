#pragma once

#include <string>

#include "builder/build_phases.h"
#include "export/mesh_export.h"
#include "render/render_frame.h"
#include "session/light_disc.h"
#include "session/panel_inputs.h"
#include "session/shared_state.h"

namespace vonnik {

// The session's actions: what the panel's handlers, the viewer and the command-line tool do
// to the one state, without any window.

// Makes the holes background in both pictures (core/holes.h), at the same picture
// coordinates. Throws BuildError (Field::kHole) naming the first hole whose disc touches no
// figure pixel of the front picture; the pictures are unchanged then.
void ApplyHoles(Raster& front, Raster& back, const HoleList& holes);

// The window-free part of a build: with the pictures already loaded, captures the settings,
// cuts the panel's holes (ApplyHoles), sets the light and the viewer size, runs every phase
// and puts the new model and pictures into the state. The state is changed only when the
// whole build succeeds; otherwise the BuildError propagates and the previous model, pictures
// and settings stay.
void BuildIntoState(SharedState& state, const PanelInputs& panel, const std::string& pictureName,
                    Raster front, Raster back, const ProgressFn& progress);

// Moves the light point to (x, y) and sets the light from it; false (nothing changed) when
// the point is not strictly inside the picker disc.
bool SetLightPoint(SharedState& state, int x, int y, bool backLight);

// A loaded background picture becomes the frame's backdrop and size.
void SetBackground(SharedState& state, const std::string& name, Raster picture);

// Back to the front picture's colour and size; false when no background was set.
bool ClearBackground(SharedState& state);

// What the state's frame shows: its model, pictures, background and light.
FrameScene SceneOf(const SharedState& state);

// Draws the model as the viewer shows it into FrameBuffer, sized ViewWidth x ViewHeight.
void RenderShownFrame(SharedState& state, const RenderOptions& options = {});

// The solid of the model as it stands, with its pictures, in the format of path's extension.
MeshExportResult ExportShownSolid(const SharedState& state, const std::string& path,
                                  const MeshExportOptions& options = {});

}  // namespace vonnik
