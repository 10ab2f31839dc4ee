#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "export/animation.h"
#include "render/render_frame.h"

namespace vonnik {

constexpr int kDefaultTurntableFrames = 36;
constexpr int kMaxTurntableFrames = 360;
// The frames of a turn are held in memory until they are encoded.
constexpr std::uint64_t kMaxTurntableBytes = std::uint64_t{4} << 30;

struct TurntableOptions {
    int frames = kDefaultTurntableFrames;  // 1..kMaxTurntableFrames
    AnimationOptions animation;
    RenderOptions render = AllCoresRenderOptions();
};

// One full turn about the viewer's vertical axis, starting from the pose of the scene's
// model, in frames of width x height: frame k is drawn after k rotation steps of
// 360/frames degrees (the way a drag to the right turns the model), each step the drag's
// own matrix and each frame drawn as the viewer draws it, so frame 0 is the frame on
// screen. The turn works on a copy of the model: the caller's model keeps its pose to the
// last bit, also when cancelled. progress(done, total) is called after each frame; false
// cancels, and then the result is empty.
std::vector<Raster> TurntableFrames(const FrameScene& scene, int width, int height, int frames,
                                    const RenderOptions& render,
                                    const AnimationProgress& progress = {});

// Draws the turn and writes it in the format of path's extension. Progress counts the
// frames twice: drawing, then encoding. False when cancelled (no file is left then).
// Throws FileError (a path without an animation extension, a frame count or rate out of
// range, an empty frame, frames that would take more than kMaxTurntableBytes, or a file
// that cannot be written), before drawing where it can.
bool WriteTurntable(const FrameScene& scene, int width, int height, const TurntableOptions& options,
                    const std::string& path, const AnimationProgress& progress = {});

}  // namespace vonnik
