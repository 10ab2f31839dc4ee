#pragma once

#include <string>
#include <vector>

#include "export/animation.h"
#include "viewer/frame_scene.h"

namespace vonnik {

constexpr int kDefaultTurntableFrames = 36;
constexpr int kMaxTurntableFrames = 3600;

struct TurntableOptions {
    int frames = kDefaultTurntableFrames;  // 1..kMaxTurntableFrames
    AnimationOptions animation;
    RenderOptions render = AllCoresRenderOptions();
};

// One full turn about the viewer's vertical axis, starting from the pose of the scene's
// model: frame k is drawn after k rotation steps of 360/frames degrees (the way a drag to
// the right turns the model), each step the drag's own matrix and each frame drawn as the
// viewer draws it, so frame 0 is the frame on screen. The turn works on a copy of the
// model: the owner's model keeps its pose to the last bit, even when cancelled.
// progress(done, total) is called after each frame; false cancels, and then the result is
// empty.
std::vector<Raster> TurntableFrames(const FrameScene& scene, int frames,
                                    const RenderOptions& render,
                                    const AnimationProgress& progress = {});

// Draws the turn and writes it in the format of path's extension. Progress counts the
// frames twice: drawing, then encoding. False when cancelled (no file is left then).
// Throws FileError (a bad path, frame count or frame rate, or a file that cannot be written).
bool WriteTurntable(const FrameScene& scene, const TurntableOptions& options,
                    const std::string& path, const AnimationProgress& progress = {});

}  // namespace vonnik
