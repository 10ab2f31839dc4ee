#include "export/animation.h"

#include <algorithm>
#include <cctype>

#include "core/picture_io.h"
#include "export/animation_checks.h"

namespace vonnik {

namespace {

struct Named {
    AnimationFormat format;
    const char* extension;
};
constexpr Named kFormats[] = {{AnimationFormat::kGif, "gif"},
                              {AnimationFormat::kWebp, "webp"},
                              {AnimationFormat::kMp4, "mp4"}};

std::string Lower(std::string_view text) {
    std::string s(text);
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

}  // namespace

std::optional<AnimationFormat> AnimationFormatNamed(std::string_view name) {
    if (!name.empty() && name.front() == '.') name.remove_prefix(1);
    const std::string lower = Lower(name);
    for (const Named& f : kFormats)
        if (lower == f.extension) return f.format;
    return std::nullopt;
}

std::optional<AnimationFormat> AnimationFormatOfPath(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.find_last_of("/\\");
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return std::nullopt;
    return AnimationFormatNamed(path.substr(dot + 1));
}

const char* ExtensionOf(AnimationFormat format) {
    for (const Named& f : kFormats)
        if (f.format == format) return f.extension;
    return "";
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
        throw FileError(path, "the extension names no animation format (.gif, .webp, .mp4)");
    switch (*format) {
        case AnimationFormat::kGif:
            return WriteGif(frames, options, path, progress);
        case AnimationFormat::kWebp:
            return WriteWebpAnimation(frames, options, path, progress);
        case AnimationFormat::kMp4:
            return WriteMp4(frames, options, path, progress);
    }
    return false;
}

}  // namespace vonnik
