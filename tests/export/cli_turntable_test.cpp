// vonnik-cli's turntables: the options and their errors, the place of the turn among the
// other outputs (the frame and the model come out as without it), progress lines, batch
// use; and the files checked by third-party tools: ffprobe counts the MP4's frames,
// webpmux -info the WebP's, gifsicle the GIF's. The tools' tests fail instead of skipping
// when VONNIK_REQUIRE_ANIMATION_CHECKERS is set (tools/test.sh sets it).
#include <gtest/gtest.h>

#include <webp/demux.h>
#include <memory>

#include <QFile>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

#include "cli/cli.h"
#include "core/picture_io.h"
#include "export/animation.h"
#include "tests/export/export_fixtures.h"
#include "tests/support/cli_run.h"
#include "tests/support/grid_checks.h"
#include "tests/support/pictures.h"

namespace vonnik {
namespace {

using test::Cli;
using test::CliRun;

using test::Exists;

// The first frame of an animated WebP as a raster.
Raster FirstWebpFrame(const std::string& path) {
    const std::string bytes = test::ReadFile(path);
    WebPData data{reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
    WebPAnimDecoderOptions options;
    WebPAnimDecoderOptionsInit(&options);
    options.color_mode = MODE_BGRA;
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
    Raster r;
    if (!decoder) return r;
    WebPAnimInfo info;
    WebPAnimDecoderGetInfo(decoder, &info);
    std::uint8_t* pixels = nullptr;
    int timestamp = 0;
    if (WebPAnimDecoderGetNext(decoder, &pixels, &timestamp)) {
        r = Raster(static_cast<int>(info.canvas_width), static_cast<int>(info.canvas_height));
        for (std::size_t n = 0; n < r.Pixels().size(); ++n)
            r.Pixels()[n] = pixels[4 * n] | pixels[4 * n + 1] << 8 |
                            static_cast<Pixel>(pixels[4 * n + 2]) << 16;
    }
    WebPAnimDecoderDelete(decoder);
    return r;
}

class CliTurntable : public testing::Test {
  protected:
    void SetUp() override {
        temp_ = std::make_unique<test::TempDir>("cli-turntable");
        dir_ = temp_->Path();
        // An odd size: the MP4 is one column and one row larger.
        disc_ = dir_ + "/disc.bmp";
        SaveFrameBmp(test::MakeDisc(101, 91, 50, 45, 32), disc_);
    }
    std::vector<std::string> Turned(std::vector<std::string> more) const {
        std::vector<std::string> args = {disc_, "--polygon-size", "5", "--drag", "20,20;34,29"};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }
    std::unique_ptr<test::TempDir> temp_;
    std::string dir_, disc_;
};

TEST_F(CliTurntable, FrameAndModelComeOutAsWithoutIt) {
    const CliRun plain =
        Cli(Turned({"--frame", dir_ + "/a.bmp", "--dump-model", dir_ + "/a.json"}));
    ASSERT_EQ(plain.status, 0) << plain.err;
    const CliRun turn =
        Cli(Turned({"--turntable", dir_ + "/t.webp", "--turntable-frames", "8", "--frame",
                    dir_ + "/b.bmp", "--dump-model", dir_ + "/b.json", "--wireframe"}));
    ASSERT_EQ(turn.status, 0) << turn.err;
    const CliRun outlined =
        Cli(Turned({"--wireframe", "--frame", dir_ + "/c.bmp", "--dump-model", dir_ + "/c.json"}));
    ASSERT_EQ(outlined.status, 0) << outlined.err;
    EXPECT_EQ(test::ReadFile(dir_ + "/b.bmp"), test::ReadFile(dir_ + "/c.bmp"));
    EXPECT_EQ(test::ReadFile(dir_ + "/b.json"), test::ReadFile(dir_ + "/c.json"));
    EXPECT_NE(test::ReadFile(dir_ + "/a.bmp"), test::ReadFile(dir_ + "/b.bmp"));
    // The lossless WebP starts with the frame, pixel for pixel (outlined: after the double
    // click, which comes before the turn).
    EXPECT_EQ(
        test::RasterDifference(FirstWebpFrame(dir_ + "/t.webp"), LoadPicture(dir_ + "/c.bmp")), "");
}

TEST_F(CliTurntable, ReportsProgressAndWhatItWrote) {
    const std::string gif = dir_ + "/t.gif";
    const CliRun run = Cli(Turned({"--turntable", gif, "--turntable-frames", "4"}));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find(gif + ": 50% (drawn 4 of 4 frames)"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(gif + ": 100% (encoded 4 of 4 frames)"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("wrote " + gif), std::string::npos) << run.err;
}

TEST_F(CliTurntable, BadOptionsAreUsageErrorsAndWriteNothing) {
    const std::string gif = dir_ + "/t.gif";
    const struct {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{"--turntable", dir_ + "/t.avi"}, "--turntable: '"},
        {{"--turntable", gif, "--turntable-frames", "0"}, "--turntable-frames: must be 1..360"},
        {{"--turntable", gif, "--turntable-frames", "x"}, "--turntable-frames: 'x'"},
        {{"--turntable", gif, "--turntable-fps", "51"}, "--turntable-fps: must be 1..50"},
        {{"--turntable"}, "--turntable needs a value"},
    };
    for (const auto& c : cases) {
        const CliRun run = Cli(Turned(c.args));
        EXPECT_EQ(run.status, 2) << c.says;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    }
    EXPECT_FALSE(Exists(gif));
    const CliRun unwritable = Cli(Turned({"--turntable", dir_ + "/no/such/t.mp4"}));
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find(dir_ + "/no/such/t.mp4"), std::string::npos) << unwritable.err;
}

TEST_F(CliTurntable, BatchUseTakesFormats) {
    const std::string ring = dir_ + "/ring.bmp";
    SaveFrameBmp(test::MakeRing(80, 70, 40, 35, 30, 12), ring);
    const std::string out = dir_ + "/out";
    const CliRun run = Cli({disc_, ring, "--out-dir", out, "--turntable", "gif", "--turntable",
                            "mp4", "--turntable-frames", "3"});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* f : {"/disc.gif", "/disc.mp4", "/ring.gif", "/ring.mp4"})
        EXPECT_TRUE(Exists(out + f)) << f;
    EXPECT_NE(run.err.find("[2/2] " + ring + ": wrote " + out + "/ring.gif " + out + "/ring.mp4"),
              std::string::npos)
        << run.err;
    const CliRun bad = Cli({disc_, "--out-dir", out, "--turntable", "avi"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("gif, webp or mp4"), std::string::npos) << bad.err;
}

// tools/test.sh installs the checkers and sets VONNIK_REQUIRE_ANIMATION_CHECKERS: there a
// missing checker fails the test instead of skipping it.
#define REQUIRE_TOOL(path, name)                                                                \
    do {                                                                                        \
        if ((path).empty()) {                                                                   \
            if (std::getenv("VONNIK_REQUIRE_ANIMATION_CHECKERS")) FAIL() << name " is missing"; \
            GTEST_SKIP() << name " is not installed";                                           \
        }                                                                                       \
    } while (false)

class ThirdPartyToolsAnimation : public CliTurntable {
  protected:
    void SetUp() override {
        CliTurntable::SetUp();
        const CliRun run = Cli(
            Turned({"--turntable", dir_ + "/t.gif", "--turntable", dir_ + "/t.webp", "--turntable",
                    dir_ + "/t.mp4", "--turntable-frames", "10", "--turntable-fps", "20"}));
        ASSERT_EQ(run.status, 0) << run.err;
    }
};

TEST_F(ThirdPartyToolsAnimation, FfprobeCountsTheMp4Frames) {
    const std::string ffprobe = test::FindProgram("ffprobe");
    REQUIRE_TOOL(ffprobe, "ffprobe (package ffmpeg)");
    const test::ToolRun run = test::RunTool(
        ffprobe, {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                  "stream=codec_name,pix_fmt,width,height,nb_read_frames,r_frame_rate", "-of",
                  "default=noprint_wrappers=1", dir_ + "/t.mp4"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("codec_name=h264\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("pix_fmt=yuv420p\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("width=102\nheight=92\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("r_frame_rate=20/1\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("nb_read_frames=10\n"), std::string::npos) << run.output;
}

// Flat red and blue areas of an MP4 decode, through FFmpeg's own decoder and the BT.709
// limited range the file is written in, within a few levels of their source.
TEST(Mp4Colours, FlatRedAndBlueAreasDecodeCloseToTheirSource) {
    const std::string ffmpeg = test::FindProgram("ffmpeg");
    REQUIRE_TOOL(ffmpeg, "ffmpeg (package ffmpeg)");
    const test::TempDir tmp("mp4-colours");
    const int w = 64, h = 48;
    Raster frame(w, h, 0xFF0000);
    for (int r = 0; r < h; ++r)
        for (int c = w / 2; c < w; ++c) frame.Row(r)[c] = 0x0000FF;
    const std::string mp4 = tmp.Path() + "/flat.mp4", rgb = tmp.Path() + "/flat.rgb";
    ASSERT_TRUE(WriteMp4({frame, frame}, {}, mp4));
    const test::ToolRun run =
        test::RunTool(ffmpeg, {"-v", "error", "-i", mp4, "-frames:v", "1", "-vf",
                               "scale=in_color_matrix=bt709:in_range=tv", "-pix_fmt", "rgb24", "-f",
                               "rawvideo", rgb});
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string bytes = test::ReadFile(rgb);
    ASSERT_EQ(bytes.size(), static_cast<std::size_t>(w * h * 3));
    // Away from the border between the areas, where 4:2:0 shares its colour samples.
    for (const auto& [x, want] : {std::pair{w / 4, 0xFF0000u}, std::pair{3 * w / 4, 0x0000FFu}}) {
        for (int channel = 0; channel < 3; ++channel) {
            const int got = static_cast<std::uint8_t>(bytes[(h / 2 * w + x) * 3 + channel]);
            const int source = static_cast<int>(want >> (16 - 8 * channel) & 0xFF);
            EXPECT_NEAR(got, source, 6) << "x " << x << ", channel " << channel;
        }
    }
}

TEST_F(ThirdPartyToolsAnimation, WebpmuxCountsTheWebpFrames) {
    const std::string webpmux = test::FindProgram("webpmux");
    REQUIRE_TOOL(webpmux, "webpmux (package webp)");
    const test::ToolRun run = test::RunTool(webpmux, {"-info", dir_ + "/t.webp"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Canvas size: 101 x 91"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Loop Count : 0"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Number of frames: 10"), std::string::npos) << run.output;
    // Every frame lossless, each shown for 50 ms.
    const std::regex frame(R"(\n +\d+: .* (\d+) +\w+ +\w+ +\d+ +(\w+))");
    int frames = 0;
    for (auto m = std::sregex_iterator(run.output.begin(), run.output.end(), frame);
         m != std::sregex_iterator(); ++m, ++frames) {
        EXPECT_EQ((*m)[1], "50") << m->str();
        EXPECT_EQ((*m)[2], "lossless") << m->str();
    }
    EXPECT_EQ(frames, 10) << run.output;
}

TEST_F(ThirdPartyToolsAnimation, GifsicleCountsTheGifFrames) {
    const std::string gifsicle = test::FindProgram("gifsicle");
    REQUIRE_TOOL(gifsicle, "gifsicle");
    const test::ToolRun run = test::RunTool(gifsicle, {"--info", dir_ + "/t.gif"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find(" 10 images"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("logical screen 101x91"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("loop forever"), std::string::npos) << run.output;
    std::size_t delays = 0;
    for (std::size_t at = run.output.find("delay 0.05s"); at != std::string::npos;
         at = run.output.find("delay 0.05s", at + 1))
        ++delays;
    EXPECT_EQ(delays, 10u) << run.output;
}

}  // namespace
}  // namespace vonnik
