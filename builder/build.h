#pragma once

#include <optional>
#include <string>

#include "builder/model_grid.h"
#include "builder/phases.h"
#include "builder/shared_state.h"

namespace vonnik {

// The panel's inputs that a build reads, as the controls hold them.
struct PanelInputs {
    std::string PolygonText = "8";      // Edit1
    std::string CurvatureText = "100";  // Edit2
    std::string ToleranceText = "110";  // Edit3
    bool ColourProjection = false;      // CheckBox1
    bool SpecialPolygon = false;        // CheckBox2: square lattice
    bool DoubleSided = false;           // CheckBox3
    bool BackLight = false;             // CheckBox4
    int TrackBarPosition = 100;         // TrackBar1, 100..500
};

// Validates the three number texts and converts them into the build's settings. Nothing
// when a text is not an integer or the polygon size is 0 or negative.
std::optional<BuildSettings> CaptureSettings(const PanelInputs& panel);

// The unit light vector of a point strictly inside the picker disc (centre (60, 52),
// radius 36); the back light puts it on the far side.
Vec3 LightFromPoint(int pointX, int pointY, bool backLight);

// True when (x, y) lies strictly inside the picker disc.
bool InsideLightDisc(int x, int y);

// The window-free part of a build: with the pictures already loaded, captures the settings,
// sets the light and the viewer size, runs every phase and puts the new model and pictures
// into the state. The state is changed only when the whole build succeeds; otherwise the
// BuildError propagates and the previous model, pictures and settings stay.
void BuildIntoState(SharedState& state, const PanelInputs& panel, const std::string& pictureName,
                    Raster front, Raster back, const ProgressFn& progress);

}  // namespace vonnik

namespace vonnik {

// The state side of the panel's actions, shared by the desktop program and the command-line
// tool.

// Moves the light point to (x, y) and sets the light from it; false (nothing changed) when
// the point is not strictly inside the picker disc.
bool SetLightPoint(SharedState& state, int x, int y, bool backLight);

// A loaded background picture becomes the frame's backdrop and size.
void SetBackground(SharedState& state, const std::string& name, Raster picture);

// Back to the front picture's colour and size; false when no background was set.
bool ClearBackground(SharedState& state);

}  // namespace vonnik
