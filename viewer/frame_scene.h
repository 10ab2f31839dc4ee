#pragma once

#include "builder/model_grid.h"
#include "core/raster.h"
#include "render/render_frame.h"

namespace vonnik {

// Everything a frame is drawn from, borrowed from its owner: the model as it stands, its
// pictures, the background picture (null when none is set, the frame then taking the
// model's background colour), the light and the frame size.
struct FrameScene {
    const ModelGrid* grid = nullptr;
    const Raster* front = nullptr;
    const Raster* back = nullptr;
    const Raster* background = nullptr;
    double lightX = 0.0, lightY = 0.0, lightZ = 0.0;
    double lightAmount = 1.0;
    int viewWidth = 0;
    int viewHeight = 0;
};

// A working copy of a scene that can be turned and drawn without touching the owner's
// model: the frame it draws is the one the viewer draws for the same model.
class SceneCopy {
  public:
    explicit SceneCopy(const FrameScene& scene);
    ModelGrid& Grid() { return state_.Grid; }
    // Draws the copy's model as it stands, in its own DrawOrder.
    const Raster& Render(const RenderOptions& options);
    // The same drawing with the frame first filled with `colour` instead of the model's
    // background colour (no effect while a background picture is set).
    const Raster& RenderOver(Pixel colour, const RenderOptions& options);

  private:
    SharedState state_;
};

// The render options of the viewer: bands on every core (each pixel keeps the last writer
// it has in one pass, so the frame is the same).
RenderOptions AllCoresRenderOptions();

}  // namespace vonnik
