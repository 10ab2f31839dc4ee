#pragma once

#include <cstdint>
#include <string>

#include "builder/model_grid.h"
#include "core/raster.h"
#include "session/light_disc.h"

namespace vonnik {

// What one session holds: the light and view settings, the six rasters and the one model.
// The panel's handlers, the viewer and the command-line tool pass a reference to it and
// hand the libraries only the parts they need; nothing else holds state between events.
struct SharedState {
    std::int32_t LightPointX = LightDisc::kCentreX;
    std::int32_t LightPointY = LightDisc::kCentreY;
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
    Raster LightDiscBuffer{LightDisc::kAreaWidth, LightDisc::kAreaHeight};

    ModelGrid Grid;
};

}  // namespace vonnik
