#include "viewer/turntable.h"

#include <algorithm>
#include <numbers>

#include "core/picture_io.h"
#include "viewer/rotation.h"

namespace vonnik {

std::vector<Raster> TurntableFrames(const FrameScene& scene, int width, int height, int frames,
                                    const RenderOptions& render,
                                    const AnimationProgress& progress) {
    ModelGrid grid = scene.grid;
    FrameScene turned{.grid = grid,
                      .front = scene.front,
                      .back = scene.back,
                      .background = scene.background,
                      .light = scene.light,
                      .lightAmount = scene.lightAmount,
                      .view = scene.view};
    SavedPositions saved;
    // A drag to the right turns the model by a negative angle about the vertical axis.
    const StepMatrix step = VerticalTurnMatrix(-2.0 * std::numbers::pi / frames);
    std::vector<Raster> out;
    out.reserve(static_cast<std::size_t>(std::max(frames, 0)));
    for (int k = 0; k < frames; ++k) {
        if (k > 0) TurnModel(grid, turned.view, saved, step);
        Raster& frame = out.emplace_back(width, height);
        RenderFrame(turned, turned.view.DrawOrder, frame, render);
        if (progress && !progress(k + 1, frames)) return {};
    }
    return out;
}

bool WriteTurntable(const FrameScene& scene, int width, int height, const TurntableOptions& options,
                    const std::string& path, const AnimationProgress& progress) {
    if (!AnimationFormatOfPath(path))
        throw FileError(path, "the extension names no animation format (.gif, .webp, .mp4)");
    if (options.frames < 1 || options.frames > kMaxTurntableFrames)
        throw FileError(path, "a turntable has 1.." + std::to_string(kMaxTurntableFrames) +
                                  " frames, not " + std::to_string(options.frames));
    const int fps = options.animation.framesPerSecond;
    if (fps < kMinFramesPerSecond || fps > kMaxFramesPerSecond)
        throw FileError(path, "the frame rate " + std::to_string(fps) + " is outside " +
                                  std::to_string(kMinFramesPerSecond) + ".." +
                                  std::to_string(kMaxFramesPerSecond));
    if (width < 1 || height < 1) throw FileError(path, "there is no frame to animate");
    const std::uint64_t bytes = std::uint64_t{4} * static_cast<std::uint64_t>(width) *
                                static_cast<std::uint64_t>(height) *
                                static_cast<std::uint64_t>(options.frames);
    if (bytes > kMaxTurntableBytes)
        throw FileError(path, std::to_string(options.frames) + " frames of " +
                                  std::to_string(width) + " x " + std::to_string(height) +
                                  " pixels take more than 4 GiB; give fewer frames");
    const int n = options.frames;
    const auto drawing = [&](int done, int) { return !progress || progress(done, 2 * n); };
    const auto encoding = [&](int done, int) { return !progress || progress(n + done, 2 * n); };
    const std::vector<Raster> frames =
        TurntableFrames(scene, width, height, n, options.render, drawing);
    if (frames.empty()) return false;
    return WriteAnimation(frames, options.animation, path, encoding);
}

}  // namespace vonnik
