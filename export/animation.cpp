#include "export/animation.h"

#include "core/picture_io.h"
#include "export/animation_checks.h"
#include "export/format_table.h"

namespace vonnik {

namespace {

constexpr AnimationFormatRow kFormats[] = {
    {AnimationFormat::kGif, "gif", "Animated GIF", "looping, up to 255 colours a frame", WriteGif},
    {AnimationFormat::kWebp, "webp", "Animated WebP, lossless", "looping, lossless",
     WriteWebpAnimation},
    {AnimationFormat::kMp4, "mp4", "H.264 video",
     "H.264, yuv420p (an odd width or height gets one more\ncolumn or row, a copy of the last)",
     WriteMp4},
};

}  // namespace

std::span<const AnimationFormatRow> AnimationFormats() {
    return kFormats;
}

const AnimationFormatRow& RowOf(AnimationFormat format) {
    return RowOf(AnimationFormats(), format);
}

std::optional<AnimationFormat> AnimationFormatNamed(std::string_view name) {
    const AnimationFormatRow* row = RowNamed(AnimationFormats(), name);
    return row ? std::optional(row->format) : std::nullopt;
}

std::optional<AnimationFormat> AnimationFormatOfPath(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.find_last_of("/\\");
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return std::nullopt;
    return AnimationFormatNamed(path.substr(dot + 1));
}

const char* ExtensionOf(AnimationFormat format) {
    return RowOf(format).extension;
}

void CheckAnimationFrames(const std::vector<Raster>& frames, const AnimationOptions& options,
                          const std::string& path) {
    if (options.framesPerSecond < kMinFramesPerSecond ||
        options.framesPerSecond > kMaxFramesPerSecond)
        throw FileError(path, "the frame rate " + std::to_string(options.framesPerSecond) +
                                  " is outside " + std::to_string(kMinFramesPerSecond) + ".." +
                                  std::to_string(kMaxFramesPerSecond));
    if (frames.empty()) throw FileError(path, "an animation needs at least one frame");
    const int w = frames.front().Width(), h = frames.front().Height();
    if (frames.front().Empty()) throw FileError(path, "the frames are empty");
    for (const Raster& f : frames)
        if (f.Width() != w || f.Height() != h) throw FileError(path, "the frames differ in size");
}

bool WriteAnimation(const std::vector<Raster>& frames, const AnimationOptions& options,
                    const std::string& path, const AnimationProgress& progress) {
    const std::optional<AnimationFormat> format = AnimationFormatOfPath(path);
    if (!format)
        throw FileError(path, "the extension names no animation format (" +
                                  ExtensionList(AnimationFormats(), true, ", ") + ")");
    return RowOf(*format).write(frames, options, path, progress);
}

}  // namespace vonnik
