#include "viewer/turntable.h"

#include <numbers>

#include "core/picture_io.h"
#include "viewer/rotation.h"

namespace vonnik {

std::vector<Raster> TurntableFrames(const FrameScene& scene, int frames,
                                    const RenderOptions& render,
                                    const AnimationProgress& progress) {
    std::vector<Raster> out;
    SceneCopy copy(scene);
    // A drag to the right turns the model by a negative angle about the vertical axis.
    const StepMatrix step = VerticalTurnMatrix(-2.0 * std::numbers::pi / frames);
    out.reserve(static_cast<std::size_t>(frames));
    for (int k = 0; k < frames; ++k) {
        if (k > 0) TurnModel(copy.Grid(), step);
        out.push_back(copy.Render(render));
        if (progress && !progress(k + 1, frames)) return {};
    }
    return out;
}

bool WriteTurntable(const FrameScene& scene, const TurntableOptions& options,
                    const std::string& path, const AnimationProgress& progress) {
    if (!AnimationFormatOfPath(path))
        throw FileError(path, "the extension names no animation format (.gif, .webp, .mp4)");
    if (options.frames < 1 || options.frames > kMaxTurntableFrames)
        throw FileError(path, "a turntable has 1.." + std::to_string(kMaxTurntableFrames) +
                                  " frames, not " + std::to_string(options.frames));
    if (options.animation.framesPerSecond < kMinFramesPerSecond ||
        options.animation.framesPerSecond > kMaxFramesPerSecond)
        throw FileError(path, "the frame rate " +
                                  std::to_string(options.animation.framesPerSecond) +
                                  " is outside " + std::to_string(kMinFramesPerSecond) + ".." +
                                  std::to_string(kMaxFramesPerSecond));
    if (scene.viewWidth < 1 || scene.viewHeight < 1)
        throw FileError(path, "there is no frame to animate");
    const int n = options.frames;
    const auto drawing = [&](int done, int) { return !progress || progress(done, 2 * n); };
    const auto encoding = [&](int done, int) { return !progress || progress(n + done, 2 * n); };
    const std::vector<Raster> frames = TurntableFrames(scene, n, options.render, drawing);
    if (frames.empty()) return false;
    return WriteAnimation(frames, options.animation, path, encoding);
}

}  // namespace vonnik
