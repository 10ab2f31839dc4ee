#pragma once

#include <QImage>
#include <string>

#include "render/render_frame.h"

namespace vonnik {

// The frame the viewer draws for the scene at width x height, as an image with alpha:
// without a background picture, pixels that no triangle covers are transparent and the
// others opaque in their drawn colours; with one, the whole frame is opaque. Coverage is
// found exactly by drawing the frame a second time over another background colour: a pixel
// that no triangle covers is the only kind that changes.
QImage TransparentFrame(const FrameScene& scene, int width, int height,
                        const RenderOptions& options);

// TransparentFrame written as a PNG file through a temporary file. Throws FileError.
void SaveTransparentPng(const FrameScene& scene, int width, int height, const std::string& path);

}  // namespace vonnik
