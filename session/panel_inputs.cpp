#include "session/panel_inputs.h"

#include "core/numbers.h"

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
    s.ColourProjection =
        panel.ColourProjection ? ColourProjectionMode::kVertical : ColourProjectionMode::kFlat;
    s.TriangleLattice = panel.SpecialPolygon ? LatticeKind::kSquare : LatticeKind::kTriangle;
    return s;
}

}  // namespace vonnik
