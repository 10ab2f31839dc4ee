#pragma once

#include <optional>
#include <string>

#include "builder/model_grid.h"
#include "core/holes.h"

namespace vonnik {

// The panel's inputs that a build reads, as the controls hold them: the three number fields'
// texts, the four switches and the light-amount position.
struct PanelInputs {
    std::string PolygonText = "8";      // Edit1, the polygon size
    std::string CurvatureText = "100";  // Edit2, the curvature in hundredths
    std::string ToleranceText = "110";  // Edit3, the circle tolerance in hundredths
    bool ColourProjection = false;      // CheckBox1
    bool SpecialPolygon = false;        // CheckBox2: the square lattice
    bool DoubleSided = false;           // CheckBox3: a second picture for the back
    bool BackLight = false;             // CheckBox4
    int TrackBarPosition = 100;         // TrackBar1, the light amount in hundredths, 100..500
    // Holes made in the pictures before the build (core/holes.h): kept with the other inputs,
    // so that a rebuild and a project keep them.
    HoleList Holes = {};
    friend bool operator==(const PanelInputs&, const PanelInputs&) = default;
};

// Validates the three number texts and converts them into the build's settings. Nothing
// when a text is not an integer by the text-to-integer rule (core/numbers.h) or the polygon
// size is 0 or negative. PolygonSize is the integer itself; Curvature and CircleTolerance
// are their integers / 100.0; CircleToleranceSq = CircleTolerance * CircleTolerance; the
// square lattice when SpecialPolygon is set, else the triangle lattice.
std::optional<BuildSettings> CaptureSettings(const PanelInputs& panel);

}  // namespace vonnik
