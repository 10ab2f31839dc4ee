#pragma once

#include <cstdint>
#include <string>

#include "builder/model_grid.h"
#include "core/raster.h"

namespace vonnik {

// Everything the control panel, the builder, the renderer and the viewer share: the light
// and view settings, the six rasters and the one model. Handlers and the command-line tool
// pass a reference to it; nothing else holds state between events.
struct SharedState {
    std::int32_t LightPointX = 60;
    std::int32_t LightPointY = 52;
    double LightX = 0.0, LightY = 0.0, LightZ = 0.0;
    double LightAmount = 0.0;
    std::int32_t ViewWidth = 0;
    std::int32_t ViewHeight = 0;
    std::string PictureName;
    std::string BackgroundName;

    Raster LoadBuffer;
    Raster FrontPicture;
    Raster BackPicture;
    Raster BackgroundPicture;
    Raster FrameBuffer;
    Raster LightDiscBuffer{102, 94};

    ModelGrid Grid;
};

}  // namespace vonnik
