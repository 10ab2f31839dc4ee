#pragma once

#include "core/raster.h"

class QPainter;
class QRect;

namespace vonnik {

// Draws the frame at (0, 0) straight from the raster's own memory, with no image made in
// between. The frame's fourth byte is 0; a target that keeps an alpha channel (a translucent
// backing store, an ARGB image) still receives every pixel opaque.
void DrawFrame(QPainter& painter, const Raster& frame);

// Draws the frame stretched over `target`: smoothed where it is made smaller, in blocks of
// whole pixels where it is made larger, and exactly as DrawFrame at its own size.
void DrawFrameScaled(QPainter& painter, const Raster& frame, const QRect& target);

}  // namespace vonnik
