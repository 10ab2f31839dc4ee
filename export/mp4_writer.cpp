// H.264 in MP4 through FFmpeg's libraries.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>
#include <memory>

#include "core/picture_io.h"
#include "export/animation.h"
#include "export/animation_checks.h"

namespace vonnik {

namespace {

// The whole file in memory, seekable: the muxer goes back to finish its headers.
struct MemoryFile {
    std::vector<unsigned char> bytes;
    std::int64_t position = 0;

    static int Read(void* opaque, std::uint8_t* buffer, int size) {
        auto* f = static_cast<MemoryFile*>(opaque);
        const std::int64_t left = static_cast<std::int64_t>(f->bytes.size()) - f->position;
        if (left <= 0) return AVERROR_EOF;
        const int n = static_cast<int>(std::min<std::int64_t>(left, size));
        std::memcpy(buffer, f->bytes.data() + f->position, static_cast<std::size_t>(n));
        f->position += n;
        return n;
    }
    static int Write(void* opaque, std::uint8_t* buffer, int size) {
        auto* f = static_cast<MemoryFile*>(opaque);
        try {
            const std::size_t end = static_cast<std::size_t>(f->position) + size;
            if (end > f->bytes.size()) f->bytes.resize(end);
        } catch (const std::bad_alloc&) {
            return AVERROR(ENOMEM);
        }
        std::memcpy(f->bytes.data() + f->position, buffer, static_cast<std::size_t>(size));
        f->position += size;
        return size;
    }
    static std::int64_t Seek(void* opaque, std::int64_t offset, int whence) {
        auto* f = static_cast<MemoryFile*>(opaque);
        const auto size = static_cast<std::int64_t>(f->bytes.size());
        switch (whence & ~AVSEEK_FORCE) {
            case AVSEEK_SIZE:
                return size;
            case SEEK_SET:
                break;
            case SEEK_CUR:
                offset += f->position;
                break;
            case SEEK_END:
                offset += size;
                break;
            default:
                return AVERROR(EINVAL);
        }
        if (offset < 0) return AVERROR(EINVAL);
        f->position = offset;
        return offset;
    }
};

struct CodecDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwsDeleter {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct FormatDeleter {
    void operator()(AVFormatContext* f) const { avformat_free_context(f); }
};
struct IoDeleter {
    void operator()(AVIOContext* io) const {
        if (!io) return;
        av_freep(&io->buffer);
        avio_context_free(&io);
    }
};

std::string Why(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

// An encoder context set up for frames of w x h at the rate, opened; null when the encoder
// refuses. Every core takes a part of each frame.
std::unique_ptr<AVCodecContext, CodecDeleter> OpenEncoder(const AVCodec* codec, int w, int h,
                                                          int framesPerSecond, bool globalHeader) {
    std::unique_ptr<AVCodecContext, CodecDeleter> c(avcodec_alloc_context3(codec));
    if (!c) return c;
    c->width = w;
    c->height = h;
    c->time_base = AVRational{1, framesPerSecond};
    c->framerate = AVRational{framesPerSecond, 1};
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->gop_size = framesPerSecond * 2;
    c->color_range = AVCOL_RANGE_MPEG;
    c->colorspace = AVCOL_SPC_BT709;
    c->color_primaries = AVCOL_PRI_BT709;
    c->color_trc = AVCOL_TRC_BT709;
    c->thread_count = 0;
    if (globalHeader) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (std::strcmp(codec->name, "libx264") == 0) {
        av_opt_set(c->priv_data, "preset", "veryfast", 0);
        av_opt_set(c->priv_data, "crf", "18", 0);
        av_opt_set(c->priv_data, "profile", "high", 0);
    } else {
        c->bit_rate = static_cast<std::int64_t>(w) * h * framesPerSecond / 4;
    }
    if (avcodec_open2(c.get(), codec, nullptr) < 0) c.reset();
    return c;
}

// libx264 first: the encoder FFmpeg builds usually carry, and the one the settings above
// are tuned for. Others (hardware encoders among them) only when it is missing.
const AVCodec* FindH264(int w, int h, int framesPerSecond) {
    if (const AVCodec* x264 = avcodec_find_encoder_by_name("libx264")) return x264;
    void* iterator = nullptr;
    while (const AVCodec* codec = av_codec_iterate(&iterator)) {
        if (codec->id != AV_CODEC_ID_H264 || !av_codec_is_encoder(codec)) continue;
        if (OpenEncoder(codec, w, h, framesPerSecond, false)) return codec;
    }
    return nullptr;
}

// The frame with an odd width or height made even by repeating its last column or row.
void FillPadded(const Raster& frame, int w, int h, std::vector<Pixel>& padded) {
    padded.resize(static_cast<std::size_t>(w) * h);
    const int fw = frame.Width(), fh = frame.Height();
    for (int y = 0; y < h; ++y) {
        const Pixel* src = frame.Row(std::min(y, fh - 1));
        Pixel* dst = padded.data() + static_cast<std::size_t>(y) * w;
        std::copy(src, src + fw, dst);
        if (w > fw) dst[fw] = src[fw - 1];
    }
}

// Throws FileError naming path and what failed, with FFmpeg's reason, when result is an
// error.
void Check(int result, const char* what, const std::string& path) {
    if (result < 0) throw FileError(path, std::string(what) + ": " + Why(result));
}

// The MP4 muxer, writing into a file in memory through its own I/O context.
struct Muxer {
    std::unique_ptr<AVIOContext, IoDeleter> io;
    std::unique_ptr<AVFormatContext, FormatDeleter> format;
    AVStream* stream = nullptr;
};

Muxer OpenMuxer(MemoryFile& file, const AVOutputFormat* mp4, const std::string& path) {
    constexpr int kIoBufferSize = 1 << 16;
    auto* ioBuffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (!ioBuffer) throw FileError(path, "not enough memory");
    Muxer m;
    m.io.reset(avio_alloc_context(ioBuffer, kIoBufferSize, 1, &file, MemoryFile::Read,
                                  MemoryFile::Write, MemoryFile::Seek));
    if (!m.io) {
        av_free(ioBuffer);
        throw FileError(path, "not enough memory");
    }
    m.format.reset(avformat_alloc_context());
    if (!m.format) throw FileError(path, "not enough memory");
    m.format->oformat = mp4;
    m.format->pb = m.io.get();
    m.format->flags |= AVFMT_FLAG_CUSTOM_IO;
    return m;
}

// The muxer's one video stream, as the encoder makes it; then the file's header.
void StartStream(Muxer& m, const AVCodecContext& encoder, const std::string& path) {
    m.stream = avformat_new_stream(m.format.get(), nullptr);
    if (!m.stream) throw FileError(path, "not enough memory");
    m.stream->time_base = encoder.time_base;
    m.stream->avg_frame_rate = encoder.framerate;
    Check(avcodec_parameters_from_context(m.stream->codecpar, &encoder),
          "cannot set up the video stream", path);
    Check(avformat_write_header(m.format.get(), nullptr), "cannot start the MP4 file", path);
}

// The frames' pixel words are B, G, R and an unused byte; BT.709 at limited range, as the
// stream says.
std::unique_ptr<SwsContext, SwsDeleter> Bt709Conversion(int w, int h, const std::string& path) {
    std::unique_ptr<SwsContext, SwsDeleter> convert(
        sws_getContext(w, h, AV_PIX_FMT_BGR0, w, h, AV_PIX_FMT_YUV420P,
                       SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
    if (!convert) throw FileError(path, "cannot set up the colour conversion");
    sws_setColorspaceDetails(convert.get(), sws_getCoefficients(SWS_CS_ITU709), 1,
                             sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16, 1 << 16);
    return convert;
}

std::unique_ptr<AVFrame, FrameDeleter> YuvFrame(int w, int h, const std::string& path) {
    std::unique_ptr<AVFrame, FrameDeleter> yuv(av_frame_alloc());
    if (!yuv) throw FileError(path, "not enough memory");
    yuv->format = AV_PIX_FMT_YUV420P;
    yuv->width = w;
    yuv->height = h;
    yuv->color_range = AVCOL_RANGE_MPEG;
    yuv->colorspace = AVCOL_SPC_BT709;
    Check(av_frame_get_buffer(yuv.get(), 0), "not enough memory", path);
    return yuv;
}

// Writes every packet the encoder has ready into the stream.
void Drain(AVCodecContext& encoder, AVPacket& packet, Muxer& m, const std::string& path) {
    for (;;) {
        const int got = avcodec_receive_packet(&encoder, &packet);
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return;
        Check(got, "cannot encode a frame", path);
        av_packet_rescale_ts(&packet, encoder.time_base, m.stream->time_base);
        packet.stream_index = m.stream->index;
        Check(av_interleaved_write_frame(m.format.get(), &packet), "cannot write the MP4 file",
              path);
    }
}

}  // namespace

std::string H264EncoderName() {
    const AVCodec* codec = FindH264(64, 64, 12);
    return codec ? codec->name : "";
}

bool WriteMp4(const std::vector<Raster>& frames, const AnimationOptions& options,
              const std::string& path, const AnimationProgress& progress) {
    CheckAnimationFrames(frames, options, path);
    // The libraries' own messages (the encoder's statistics among them) would go to standard
    // error; failures are reported through FileError instead.
    av_log_set_level(AV_LOG_ERROR);
    const int fw = frames.front().Width(), fh = frames.front().Height();
    const int w = fw + fw % 2, h = fh + fh % 2;
    const int fps = options.framesPerSecond;

    const AVCodec* codec = FindH264(w, h, fps);
    if (!codec) throw FileError(path, "FFmpeg has no H.264 encoder");
    const AVOutputFormat* mp4 = av_guess_format("mp4", nullptr, nullptr);
    if (!mp4) throw FileError(path, "FFmpeg has no MP4 writer");
    MemoryFile file;
    Muxer muxer = OpenMuxer(file, mp4, path);
    auto encoder = OpenEncoder(codec, w, h, fps, (mp4->flags & AVFMT_GLOBALHEADER) != 0);
    if (!encoder) throw FileError(path, std::string("cannot open the encoder ") + codec->name);
    StartStream(muxer, *encoder, path);
    const auto convert = Bt709Conversion(w, h, path);
    const auto yuv = YuvFrame(w, h, path);
    std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
    if (!packet) throw FileError(path, "not enough memory");

    std::vector<Pixel> padded;
    const int total = static_cast<int>(frames.size());
    for (int k = 0; k < total; ++k) {
        Check(av_frame_make_writable(yuv.get()), "not enough memory", path);
        const Raster& frame = frames[k];
        const std::uint8_t* source = reinterpret_cast<const std::uint8_t*>(frame.Row(0));
        if (w != fw || h != fh) {
            FillPadded(frame, w, h, padded);
            source = reinterpret_cast<const std::uint8_t*>(padded.data());
        }
        const int stride = w * 4;
        sws_scale(convert.get(), &source, &stride, 0, h, yuv->data, yuv->linesize);
        yuv->pts = k;
        Check(avcodec_send_frame(encoder.get(), yuv.get()), "cannot encode a frame", path);
        Drain(*encoder, *packet, muxer, path);
        if (!Continue(progress, k + 1, total)) return false;
    }
    Check(avcodec_send_frame(encoder.get(), nullptr), "cannot finish the video", path);
    Drain(*encoder, *packet, muxer, path);
    Check(av_write_trailer(muxer.format.get()), "cannot finish the MP4 file", path);
    avio_flush(muxer.io.get());
    WriteFileAtomically(path, reinterpret_cast<const char*>(file.bytes.data()),
                        static_cast<std::int64_t>(file.bytes.size()));
    return true;
}

}  // namespace vonnik
