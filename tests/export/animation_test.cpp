// The turntable and the animation writers: the turn itself (the drag's matrix, the first
// frame as on screen, the half turn showing the back, the owner's model untouched), the
// files read back by the libraries' own decoders (every lossless WebP frame exact, every GIF
// frame close), odd frame sizes, and cancelled or failing writes that leave nothing behind.
#include <gtest/gtest.h>

#include <webp/demux.h>
#include <memory>

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>

#include "core/picture_io.h"
#include "export/animation.h"
#include "render/render_frame.h"
#include "session/session.h"
#include "tests/export/export_fixtures.h"
#include "tests/support/grid_checks.h"
#include "tests/support/pictures.h"
#include "viewer/rotation.h"
#include "viewer/turntable.h"

namespace vonnik {
namespace {

// A disc in front and the same disc in one plain colour behind.
SharedState DoubleSided() {
    const Raster front = test::MakeDisc(90, 80, 45, 40, 30);
    Raster back = front;
    for (Pixel& p : back.Pixels())
        if (p != test::kWhite) p = 0x3060C0;
    return test::BuiltState(front, test::Panel("5", true), back);
}

// The same turned a little by a drag, so that the turn starts from a pose of the user's.
SharedState TurnedDoubleSided() {
    SharedState s = DoubleSided();
    MouseTrack mouse{30, 30};
    DragTo(s, mouse, 36, 41);
    return s;
}

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(AnimationFormat, ComesFromTheExtensionInAnyCase) {
    EXPECT_EQ(AnimationFormatOfPath("a/turn.GIF"), AnimationFormat::kGif);
    EXPECT_EQ(AnimationFormatOfPath("turn.webp"), AnimationFormat::kWebp);
    EXPECT_EQ(AnimationFormatOfPath("turn.Mp4"), AnimationFormat::kMp4);
    EXPECT_EQ(AnimationFormatOfPath("turn.gif.png"), std::nullopt);
    EXPECT_EQ(AnimationFormatOfPath("dir.gif/turn"), std::nullopt);
    EXPECT_EQ(AnimationFormatOfPath("gif"), std::nullopt);
    EXPECT_EQ(AnimationFormatNamed(".webp"), AnimationFormat::kWebp);
    EXPECT_EQ(AnimationFormatNamed("mp4"), AnimationFormat::kMp4);
    EXPECT_EQ(AnimationFormatNamed("avi"), std::nullopt);
}

TEST(AnimationFormat, Mp4IsWrittenWithLibx264) {
    // Debian's FFmpeg has it; the writer would fall back to another H.264 encoder.
    EXPECT_EQ(H264EncoderName(), "libx264");
}

TEST(Turntable, StepsWithTheDragsOwnMatrix) {
    // A horizontal drag through the exact centre turns about the vertical axis alone, by
    // dx / 100: 16 pixels to the right are -0.16 rad, bit for bit.
    SharedState dragged = TurnedDoubleSided();
    SharedState turned = dragged;
    const int cx = dragged.ViewWidth / 2, cy = dragged.ViewHeight / 2;
    ASSERT_EQ(cy * 2, dragged.ViewHeight);
    MouseTrack mouse{cx - 16, cy};
    DragTo(dragged, mouse, cx, cy);
    TurnModel(turned.Grid, turned.View, turned.Saved, VerticalTurnMatrix(-0.16));
    EXPECT_EQ(test::GridDifference(dragged.Grid, turned.Grid), "");
    EXPECT_EQ(dragged.View.DrawOrder, turned.View.DrawOrder);
}

TEST(Turntable, StartsWithTheFrameOnScreenAndLeavesTheModelInItsPose) {
    SharedState s = TurnedDoubleSided();
    const SharedState before = s;
    RenderShownFrame(s);
    const std::vector<Raster> frames =
        TurntableFrames(SceneOf(s), s.ViewWidth, s.ViewHeight, 4, AllCoresRenderOptions());
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(test::RasterDifference(frames[0], s.FrameBuffer), "");
    EXPECT_EQ(test::GridDifference(s.Grid, before.Grid), "");
    EXPECT_EQ(s.View.ViewAxisA, before.View.ViewAxisA);
    EXPECT_EQ(s.View.DrawOrder, before.View.DrawOrder);
    for (const Raster& f : frames) {
        EXPECT_EQ(f.Width(), s.ViewWidth);
        EXPECT_EQ(f.Height(), s.ViewHeight);
    }
    EXPECT_NE(frames[1], frames[0]);
}

TEST(Turntable, HalfWayRoundShowsTheBackPicture) {
    SharedState s = DoubleSided();
    s.LightX = 0.0, s.LightY = 0.0, s.LightZ = -1.0;  // head-on: colours unchanged
    s.LightAmount = 1.0;
    const std::vector<Raster> frames =
        TurntableFrames(SceneOf(s), s.ViewWidth, s.ViewHeight, 2, {});
    const Pixel front = ColourOf(s.FrontPicture.At(45, 40));
    const Pixel back = ColourOf(s.BackPicture.At(45, 40));
    ASSERT_NE(front, back);
    EXPECT_EQ(ColourOf(frames[0].At(45, 40)), front);
    // Turned by half a turn the back faces the viewer, lit by a light that stays in front.
    EXPECT_EQ(ColourOf(frames[1].At(45, 40)), back);
}

TEST(Turntable, OddSizesAndRatesAreCheckedBeforeAnythingIsDrawn) {
    SharedState s = TurnedDoubleSided();
    const test::TempDir temp("turntable-options");
    const std::string dir = temp.Path();
    TurntableOptions options;
    options.frames = 0;
    EXPECT_THROW(WriteTurntable(SceneOf(s), s.ViewWidth, s.ViewHeight, options, dir + "/t.gif"),
                 FileError);
    options.frames = kMaxTurntableFrames + 1;
    EXPECT_THROW(WriteTurntable(SceneOf(s), s.ViewWidth, s.ViewHeight, options, dir + "/t.gif"),
                 FileError);
    // Frames that would not fit in memory are refused before any is drawn.
    options.frames = 360;
    EXPECT_THROW(WriteTurntable(SceneOf(s), 2000, 2000, options, dir + "/t.gif"), FileError);
    options.frames = 3;
    options.animation.framesPerSecond = 51;
    EXPECT_THROW(WriteTurntable(SceneOf(s), s.ViewWidth, s.ViewHeight, options, dir + "/t.gif"),
                 FileError);
    options.animation.framesPerSecond = 12;
    EXPECT_THROW(WriteTurntable(SceneOf(s), s.ViewWidth, s.ViewHeight, options, dir + "/t.avi"),
                 FileError);
    EXPECT_THROW(WriteAnimation({}, {}, dir + "/t.gif"), FileError);
    EXPECT_THROW(WriteAnimation({Raster(4, 4), Raster(4, 5)}, {}, dir + "/t.webp"), FileError);
    EXPECT_TRUE(FilesIn(dir).empty());
}

// Every frame of an animated WebP, composed as a player shows it, as rasters.
std::vector<Raster> DecodeWebp(const std::string& path) {
    const std::string bytes = ReadBytes(path);
    WebPData data{reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
    WebPAnimDecoderOptions options;
    WebPAnimDecoderOptionsInit(&options);
    options.color_mode = MODE_BGRA;
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
    std::vector<Raster> frames;
    if (!decoder) return frames;
    WebPAnimInfo info;
    WebPAnimDecoderGetInfo(decoder, &info);
    while (WebPAnimDecoderHasMoreFrames(decoder)) {
        std::uint8_t* pixels = nullptr;
        int timestamp = 0;
        if (!WebPAnimDecoderGetNext(decoder, &pixels, &timestamp)) break;
        Raster r(static_cast<int>(info.canvas_width), static_cast<int>(info.canvas_height));
        for (std::size_t n = 0; n < r.Pixels().size(); ++n)
            r.Pixels()[n] = ColourOf(pixels[4 * n] | pixels[4 * n + 1] << 8 |
                                     static_cast<Pixel>(pixels[4 * n + 2]) << 16);
        frames.push_back(std::move(r));
    }
    WebPAnimDecoderDelete(decoder);
    return frames;
}

class TurntableFiles : public testing::Test {
  protected:
    void SetUp() override {
        temp_ = std::make_unique<test::TempDir>("turntable-files");
        dir_ = temp_->Path();
        state_ = TurnedDoubleSided();
        frames_ = TurntableFrames(SceneOf(state_), state_.ViewWidth, state_.ViewHeight, 12,
                                  AllCoresRenderOptions());
    }
    std::unique_ptr<test::TempDir> temp_;
    std::string dir_;
    SharedState state_;
    std::vector<Raster> frames_;
};

TEST_F(TurntableFiles, LosslessWebpHoldsEveryFrameExactly) {
    const std::string path = dir_ + "/turn.webp";
    TurntableOptions options;
    options.frames = 12;
    ASSERT_TRUE(
        WriteTurntable(SceneOf(state_), state_.ViewWidth, state_.ViewHeight, options, path));
    const std::vector<Raster> decoded = DecodeWebp(path);
    ASSERT_EQ(decoded.size(), frames_.size());
    for (std::size_t k = 0; k < decoded.size(); ++k)
        EXPECT_EQ(test::RasterDifference(decoded[k], frames_[k]), "") << "frame " << k;
}

TEST_F(TurntableFiles, GifFramesStayCloseToTheRenderedOnes) {
    const std::string path = dir_ + "/turn.gif";
    ASSERT_TRUE(WriteGif(frames_, {}, path));
    QImageReader reader(QString::fromStdString(path));
    ASSERT_EQ(reader.imageCount(), static_cast<int>(frames_.size()));
    EXPECT_EQ(reader.loopCount(), -1) << "loops for ever";
    for (std::size_t k = 0; k < frames_.size(); ++k) {
        const QImage image = reader.read().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(image.width(), frames_[k].Width());
        ASSERT_EQ(image.height(), frames_[k].Height());
        // Dithered to at most 255 colours: small errors everywhere, none large on average.
        double error = 0.0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb a = image.pixel(x, y);
                const Pixel b = frames_[k].At(x, y);
                error += std::abs(qRed(a) - int(b >> 16 & 255)) +
                         std::abs(qGreen(a) - int(b >> 8 & 255)) +
                         std::abs(qBlue(a) - int(b & 255));
            }
        EXPECT_LT(error / (3.0 * image.width() * image.height()), 4.0) << "frame " << k;
    }
}

TEST_F(TurntableFiles, OddFrameSizesAreWritten) {
    std::vector<Raster> odd;
    for (const Raster& f : frames_) {
        Raster r(f.Width() - 1 + f.Width() % 2, f.Height() - 1 + f.Height() % 2);
        r.DrawAt(f, 0, 0);
        odd.push_back(r);
    }
    ASSERT_EQ(odd[0].Width() % 2, 1);
    ASSERT_EQ(odd[0].Height() % 2, 1);
    for (const char* ext : {"gif", "webp", "mp4"}) {
        const std::string path = dir_ + "/odd." + ext;
        EXPECT_TRUE(WriteAnimation(odd, {}, path)) << ext;
        EXPECT_GT(std::filesystem::file_size(path), 100u) << ext;
    }
    EXPECT_EQ(DecodeWebp(dir_ + "/odd.webp").front(), odd.front());
}

TEST_F(TurntableFiles, CancellingLeavesNoFileAndKeepsAnOldOne) {
    const SharedState before = state_;
    for (const char* ext : {"gif", "webp", "mp4"}) {
        const std::string fresh = dir_ + "/fresh." + ext, old = dir_ + "/old." + ext;
        { std::ofstream(old) << "what was there"; }
        TurntableOptions options;
        options.frames = 6;
        for (int stopAt : {3, 9}) {  // while drawing, while encoding
            int calls = 0;
            const auto cancelAt = [&](int, int total) {
                EXPECT_EQ(total, 12);
                return ++calls < stopAt;
            };
            EXPECT_FALSE(WriteTurntable(SceneOf(state_), state_.ViewWidth, state_.ViewHeight,
                                        options, fresh, cancelAt))
                << ext;
            EXPECT_FALSE(WriteTurntable(SceneOf(state_), state_.ViewWidth, state_.ViewHeight,
                                        options, old, cancelAt))
                << ext;
            EXPECT_FALSE(QFile::exists(QString::fromStdString(fresh))) << ext;
            EXPECT_EQ(ReadBytes(old), "what was there") << ext;
        }
    }
    EXPECT_EQ(test::GridDifference(state_.Grid, before.Grid), "");
    const std::vector<std::string> left = FilesIn(dir_);
    EXPECT_EQ(left, (std::vector<std::string>{"old.gif", "old.mp4", "old.webp"}));
}

TEST_F(TurntableFiles, AFileThatCannotBeWrittenIsNamedAndLeavesNothing) {
    for (const char* ext : {"gif", "webp", "mp4"}) {
        const std::string path = dir_ + "/missing/turn." + ext;
        try {
            WriteAnimation(frames_, {}, path);
            ADD_FAILURE() << "no error for " << path;
        } catch (const FileError& e) {
            EXPECT_EQ(e.Path(), path);
        }
    }
    EXPECT_TRUE(FilesIn(dir_).empty());
}

TEST_F(TurntableFiles, ProgressCountsDrawingThenEncoding) {
    std::vector<int> seen;
    TurntableOptions options;
    options.frames = 5;
    ASSERT_TRUE(WriteTurntable(SceneOf(state_), state_.ViewWidth, state_.ViewHeight, options,
                               dir_ + "/p.mp4", [&](int done, int total) {
                                   EXPECT_EQ(total, 10);
                                   seen.push_back(done);
                                   return true;
                               }));
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

}  // namespace
}  // namespace vonnik
