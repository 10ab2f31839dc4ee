#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "builder/model_grid.h"
#include "core/raster.h"
#include "render/view_pose.h"
#include "session/light_disc.h"
#include "viewer/rotation.h"

namespace vonnik {

// The pictures of a build as they were loaded (figure-keyed, before the build recolours its
// copies), and where each came from: what a rebuild builds again.
struct LoadedPictures {
    std::string Name;  // the front's file name without its folder: the viewer's caption
    Raster Front;
    std::string FrontSource;     // the file read, or what the picture was ("clipboard")
    std::optional<Raster> Back;  // a double-sided build's back; none: the front on both sides
    std::string BackSource;

    const Raster& BackOrFront() const { return Back ? *Back : Front; }
};

// What one session holds: the light and view settings, the rasters, the one model, the pose
// it is viewed in and the pictures it was built from. LoadBuffer, the sixth raster of the
// shared state, is kept for its place there but never used: pictures are decoded straight
// into FrontPicture and BackPicture. The panel's handlers, the viewer and the command-line
// tool pass a reference to it and hand the libraries only the parts they need; nothing else
// holds state between events.
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
    Raster FrontPicture;  // as the build recoloured it: what the front surface shows
    Raster BackPicture;
    Raster BackgroundPicture;
    Raster FrameBuffer;
    Raster LightDiscBuffer{LightDisc::kAreaWidth, LightDisc::kAreaHeight};

    ModelGrid Grid;
    ViewPose View;         // DrawOrder, Wireframe, ViewAxisA, ViewAxisB, SavedViewAxes
    SavedPositions Saved;  // the drag's saved copies of the positions
    // The positions as the build left them, before any turn: what a reset of the pose puts
    // back.
    SavedPositions BuiltPositions;
    // The pictures of the last build, shared with a rebuild running off the window thread;
    // null before the first build.
    std::shared_ptr<const LoadedPictures> Loaded;
};

}  // namespace vonnik
