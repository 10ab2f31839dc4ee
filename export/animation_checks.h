#pragma once

#include <string>
#include <vector>

#include "core/raster.h"
#include "export/animation.h"

namespace vonnik {

// Throws FileError naming path when there is no frame, a frame is empty or of another size
// than the first, or the frame rate is out of range.
void CheckAnimationFrames(const std::vector<Raster>& frames, const AnimationOptions& options,
                          const std::string& path);

// Progress after `done` of `total` frames; false when the caller cancels.
inline bool Continue(const AnimationProgress& progress, int done, int total) {
    return !progress || progress(done, total);
}

}  // namespace vonnik
