#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/raster.h"

namespace vonnik {

// The animation formats, chosen by the file's extension.
enum class AnimationFormat { kGif, kWebp, kMp4 };

struct AnimationOptions;
// Writes the frames; false when cancelled (see the writers below).
using AnimationWriter = bool (*)(const std::vector<Raster>& frames, const AnimationOptions& options,
                                 const std::string& path,
                                 const std::function<bool(int done, int total)>& progress);

// One row per format: everything that says what the format is. The command line's help and
// errors and the viewer's file filters read these rows.
struct AnimationFormatRow {
    AnimationFormat format;
    const char* extension;    // lower case, without the dot
    const char* label;        // the file dialog's filter: "Animated GIF"
    const char* description;  // the command line's help
    AnimationWriter write;
};
std::span<const AnimationFormatRow> AnimationFormats();
const AnimationFormatRow& RowOf(AnimationFormat format);

// The format of a path by its extension (case-insensitive): .gif, .webp, .mp4.
std::optional<AnimationFormat> AnimationFormatOfPath(std::string_view path);
// The format of a bare name as the command line gives it: "gif" or ".gif", ...
std::optional<AnimationFormat> AnimationFormatNamed(std::string_view name);
// "gif", "webp", "mp4".
const char* ExtensionOf(AnimationFormat format);

// Frame rates an animation may have: GIF counts its delays in hundredths of a second, and
// players treat delays under two hundredths as slow frames.
constexpr int kMinFramesPerSecond = 1;
constexpr int kMaxFramesPerSecond = 50;

struct AnimationOptions {
    int framesPerSecond = 12;
};

// Called after each encoded frame with the frames done and the total; returning false
// cancels the write, which then leaves no file behind.
using AnimationProgress = std::function<bool(int done, int total)>;

// Writers of one format each. All frames have the same size (at least 1 x 1); the fourth
// byte of each pixel word is ignored. Every writer encodes into memory and writes the file
// through a temporary file renamed into place, so a failed or cancelled write leaves
// nothing, and an existing file stays as it was. They return false when cancelled and throw
// FileError naming path when the frames cannot be encoded or the file cannot be written.
//
// GIF: looping; each frame with its own palette of up to 255 colours (libimagequant,
// dithered; the palettes of a core's worth of frames are worked out at once), stored as the
// window that changed from the previous frame with its unchanged pixels transparent (cgif).
bool WriteGif(const std::vector<Raster>& frames, const AnimationOptions& options,
              const std::string& path, const AnimationProgress& progress = {});
// WebP: looping, lossless, through libwebp's animation encoder.
bool WriteWebpAnimation(const std::vector<Raster>& frames, const AnimationOptions& options,
                        const std::string& path, const AnimationProgress& progress = {});
// MP4: H.264 in 4:2:0 (yuv420p, BT.709, limited range) through FFmpeg's libraries (libx264
// where it is there). 4:2:0 needs an even width and height: an odd one gets one more column
// or row, a copy of the last.
bool WriteMp4(const std::vector<Raster>& frames, const AnimationOptions& options,
              const std::string& path, const AnimationProgress& progress = {});

// The writer of path's extension. Throws FileError when the extension names no animation
// format, there is no frame, the frames differ in size, or the frame rate is out of range.
bool WriteAnimation(const std::vector<Raster>& frames, const AnimationOptions& options,
                    const std::string& path, const AnimationProgress& progress = {});

// The H.264 encoder the MP4 writer uses: "libx264" where FFmpeg has it, otherwise the first
// other H.264 encoder that opens; empty when there is none.
std::string H264EncoderName();

}  // namespace vonnik
