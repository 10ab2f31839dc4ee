// Animated WebP through libwebp's animation encoder.
#include <webp/encode.h>
#include <webp/mux.h>

#include <cmath>
#include <memory>

#include "core/picture_io.h"
#include "export/animation.h"
#include "export/animation_checks.h"

namespace vonnik {

namespace {

struct EncoderDeleter {
    void operator()(WebPAnimEncoder* e) const { WebPAnimEncoderDelete(e); }
};

struct Picture {
    WebPPicture p;
    Picture() { WebPPictureInit(&p); }
    ~Picture() { WebPPictureFree(&p); }
};

struct Data {
    WebPData d;
    Data() { WebPDataInit(&d); }
    ~Data() { WebPDataClear(&d); }
};

// The frame's timestamp in milliseconds, rounded from the exact time so that the delays
// do not drift.
int TimestampMs(int frame, int framesPerSecond) {
    return static_cast<int>(std::lround(1000.0 * frame / framesPerSecond));
}

}  // namespace

bool WriteWebpAnimation(const std::vector<Raster>& frames, const AnimationOptions& options,
                        const std::string& path, const AnimationProgress& progress) {
    CheckAnimationFrames(frames, options, path);
    const int w = frames.front().Width(), h = frames.front().Height();
    if (w > WEBP_MAX_DIMENSION || h > WEBP_MAX_DIMENSION)
        throw FileError(path, "a WebP picture is at most " + std::to_string(WEBP_MAX_DIMENSION) +
                                  " pixels wide and high");

    WebPAnimEncoderOptions encoderOptions;
    if (!WebPAnimEncoderOptionsInit(&encoderOptions))
        throw FileError(path, "the WebP library does not match its headers");
    encoderOptions.anim_params.loop_count = 0;  // for ever
    std::unique_ptr<WebPAnimEncoder, EncoderDeleter> encoder(
        WebPAnimEncoderNew(w, h, &encoderOptions));
    if (!encoder) throw FileError(path, "cannot start the WebP encoder");

    WebPConfig config;
    if (!WebPConfigInit(&config))
        throw FileError(path, "the WebP library does not match its headers");
    // Lossless; the fastest effort, which still finds the large plain areas of a turntable.
    config.lossless = 1;
    config.method = 0;
    config.quality = 10;
    config.thread_level = 1;
    if (!WebPValidateConfig(&config)) throw FileError(path, "invalid WebP settings");

    const auto fail = [&](const char* what) {
        const char* why = WebPAnimEncoderGetError(encoder.get());
        throw FileError(path, std::string(what) + (why && *why ? std::string(": ") + why : ""));
    };
    const int total = static_cast<int>(frames.size());
    for (int k = 0; k < total; ++k) {
        Picture picture;
        picture.p.use_argb = 1;
        picture.p.width = w;
        picture.p.height = h;
        // A pixel word is B, G, R and an unused byte in memory.
        if (!WebPPictureImportBGRX(&picture.p,
                                   reinterpret_cast<const std::uint8_t*>(frames[k].Row(0)), w * 4))
            throw FileError(path, "not enough memory for a WebP frame");
        if (!WebPAnimEncoderAdd(encoder.get(), &picture.p, TimestampMs(k, options.framesPerSecond),
                                &config))
            fail("cannot encode a WebP frame");
        if (!Continue(progress, k + 1, total)) return false;
    }
    if (!WebPAnimEncoderAdd(encoder.get(), nullptr, TimestampMs(total, options.framesPerSecond),
                            nullptr))
        fail("cannot finish the WebP animation");
    Data data;
    if (!WebPAnimEncoderAssemble(encoder.get(), &data.d)) fail("cannot assemble the WebP file");
    WriteFileAtomically(path, reinterpret_cast<const char*>(data.d.bytes),
                        static_cast<std::int64_t>(data.d.size));
    return true;
}

}  // namespace vonnik
