#include "viewer/frame_scene.h"

#include <algorithm>
#include <thread>

namespace vonnik {

SceneCopy::SceneCopy(const FrameScene& scene) {
    state_.Grid = *scene.grid;
    state_.FrontPicture = *scene.front;
    state_.BackPicture = *scene.back;
    if (scene.background) {
        state_.BackgroundPicture = *scene.background;
        state_.BackgroundName = "background";  // set: the renderer tests the name
    }
    state_.LightX = scene.lightX;
    state_.LightY = scene.lightY;
    state_.LightZ = scene.lightZ;
    state_.LightAmount = scene.lightAmount;
    state_.ViewWidth = scene.viewWidth;
    state_.ViewHeight = scene.viewHeight;
}

const Raster& SceneCopy::Render(const RenderOptions& options) {
    RenderFrame(state_, state_.Grid.DrawOrder, options);
    return state_.FrameBuffer;
}

const Raster& SceneCopy::RenderOver(Pixel colour, const RenderOptions& options) {
    const Pixel own = state_.Grid.BackgroundColour;
    state_.Grid.BackgroundColour = colour;
    RenderFrame(state_, state_.Grid.DrawOrder, options);
    state_.Grid.BackgroundColour = own;
    return state_.FrameBuffer;
}

RenderOptions AllCoresRenderOptions() {
    RenderOptions options;
    options.threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    return options;
}

}  // namespace vonnik
