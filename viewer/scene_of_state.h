#pragma once

#include "builder/shared_state.h"
#include "viewer/frame_scene.h"

namespace vonnik {

// The scene the viewer draws for the shared state: its model, pictures, background (when
// one is set), light and view size.
inline FrameScene SceneOfState(const SharedState& state) {
    FrameScene scene;
    scene.grid = &state.Grid;
    scene.front = &state.FrontPicture;
    scene.back = &state.BackPicture;
    if (!state.BackgroundName.empty()) scene.background = &state.BackgroundPicture;
    scene.lightX = state.LightX;
    scene.lightY = state.LightY;
    scene.lightZ = state.LightZ;
    scene.lightAmount = state.LightAmount;
    scene.viewWidth = state.ViewWidth;
    scene.viewHeight = state.ViewHeight;
    return scene;
}

}  // namespace vonnik
