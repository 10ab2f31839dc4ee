// vonnik-cli's mesh export and batch use: options, output names, progress lines, the exit
// status, and one bad picture among good ones.
#include <gtest/gtest.h>

#include <QFile>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "cli/cli.h"
#include "core/picture_io.h"
#include "tests/export/export_fixtures.h"
#include "tests/export/mesh_readers.h"
#include "tests/support/cli_run.h"
#include "tests/support/pictures.h"

namespace vonnik {
namespace {

using test::Cli;
using test::CliRun;

using test::Exists;

class CliExport : public testing::Test {
  protected:
    void SetUp() override {
        disc_ = dir_ + "/disc.bmp";
        ring_ = dir_ + "/ring.bmp";
        SaveFrameBmp(test::MakeDisc(100, 90, 50, 45, 30), disc_);
        SaveFrameBmp(test::MakeRing(120, 110, 60, 55, 45, 22), ring_);
    }
    const test::TempDir tmp_{"cli-export"};
    const std::string dir_ = tmp_.Path();
    std::string disc_, ring_;
};

TEST_F(CliExport, WritesTheSolidInTheFormatOfEachFileAndSaysWhatItIs) {
    const std::string glb = dir_ + "/out.glb", stl = dir_ + "/out.stl";
    const CliRun run = Cli({disc_, "--polygon-size", "5", "--export-mesh", glb, "--export-mesh",
                            stl, "--mm-per-pixel", "0.5"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(test::ReadGlb(glb).headerValid);
    const test::StlFile file = test::ReadStl(stl);
    ASSERT_TRUE(file.sizeMatches);
    float lo = 1e9f, hi = -1e9f;
    for (const test::StlFile::Facet& f : file.facets)
        for (const test::Float3& c : f.corner) {
            lo = std::min(lo, c[0]);
            hi = std::max(hi, c[0]);
        }
    EXPECT_NEAR(hi - lo, 60 * 0.5, 1.5) << "a disc 60 pixels across at 0.5 mm a pixel";
    EXPECT_NE(run.err.find("closed, volume"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("wrote " + glb + " " + stl), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty());
}

TEST_F(CliExport, RefusesBadMeshOptionsBeforeWritingAnything) {
    const std::string frame = dir_ + "/frame.bmp";
    for (const std::vector<std::string>& extra :
         {std::vector<std::string>{"--export-mesh", dir_ + "/out.dae"},
          {"--export-mesh", dir_ + "/out"},
          {"--export-mesh", dir_ + "/out.stl", "--mm-per-pixel", "0"},
          {"--export-mesh", dir_ + "/out.stl", "--mm-per-pixel", "-0.1"},
          {"--export-mesh", dir_ + "/out.stl", "--mm-per-pixel", "0.1mm"},
          {"--export-mesh", dir_ + "/out.stl", "--mm-per-pixel", "inf"},
          {"--export-mesh"}}) {
        std::vector<std::string> args{disc_, "--frame", frame};
        args.insert(args.end(), extra.begin(), extra.end());
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 2) << extra[0] << " " << extra.back();
        EXPECT_NE(run.err.find(extra.size() > 2 ? "--mm-per-pixel" : "--export-mesh"),
                  std::string::npos)
            << run.err;
        EXPECT_FALSE(Exists(frame));
    }
}

// The print options: each names itself when it cannot be used, and nothing is written.
TEST_F(CliExport, RefusesPrintOptionsThatDoNotFit) {
    const std::string stl = dir_ + "/out.stl";
    const struct {
        std::vector<std::string> extra;
        const char* named;
    } cases[] = {
        {{"--export-mesh", stl, "--size-mm", "0"}, "--size-mm"},
        {{"--export-mesh", stl, "--size-mm", "nan"}, "--size-mm"},
        {{"--export-mesh", stl, "--size-mm", "40", "--mm-per-pixel", "0.2"}, "--size-mm"},
        {{"--export-mesh", stl, "--flat-back", "--halves"}, "--halves"},
        {{"--export-mesh", dir_ + "/out.glb", "--flat-back"}, "--flat-back"},
        {{"--export-mesh", dir_ + "/out.ply", "--halves"}, "--halves"},
        {{"--export-mesh", dir_ + "/out.glb", "--thickness-mm", "5"}, "--thickness-mm"},
        {{"--export-mesh", stl, "--thickness-mm", "-1"}, "--thickness-mm"},
        {{"--export-mesh", stl, "--filaments", "4"}, "--filaments"},
        {{"--export-mesh", dir_ + "/out.3mf", "--filaments", "1"}, "--filaments"},
        {{"--export-mesh", dir_ + "/out.3mf", "--filaments", "17"}, "--filaments"},
        {{"--export-mesh", stl, "--hole", "50,45"}, "--hole"},
        {{"--export-mesh", stl, "--hole", "50,45,0"}, "--hole"},
        {{"--export-mesh", stl, "--hole", "50,45,x"}, "--hole"},
        // A disc on the background only, and one off the picture.
        {{"--export-mesh", stl, "--hole", "50,45,6", "--hole", "3,3,4"}, "--hole"},
        {{"--export-mesh", stl, "--hole", "500,45,6"}, "--hole"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{disc_};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 2) << c.extra.back();
        EXPECT_NE(run.err.find(c.named), std::string::npos) << run.err;
        EXPECT_FALSE(Exists(stl));
        EXPECT_FALSE(Exists(dir_ + "/out.3mf"));
    }
}

// --filaments prints the palette: each filament's colour and its share of the surface.
TEST_F(CliExport, PrintsThePaletteOfAPaintedPrint) {
    const std::string out = dir_ + "/painted.3mf";
    const CliRun run = Cli({disc_, "--polygon-size", "5", "--export-mesh", out, "--filaments", "3",
                            "--hole", "50,45,10", "--thickness-mm", "4"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::regex palette(
        R"(; 3 filaments: 1 #[0-9A-F]{6} ([0-9.]+)%, 2 #[0-9A-F]{6} ([0-9.]+)%, 3 #[0-9A-F]{6} ([0-9.]+)%; wrote )");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(run.err, m, palette)) << run.err;
    const double a = std::stod(m[1]), b = std::stod(m[2]), c = std::stod(m[3]);
    EXPECT_NEAR(a + b + c, 100.0, 0.2);
    EXPECT_GE(a, b);
    EXPECT_GE(b, c);
    EXPECT_TRUE(Exists(out));
}

// --halves writes two closed parts, --size-mm sets the longest side; in batch use too.
TEST_F(CliExport, WritesPrintsInHalvesAtTheSizeAsked) {
    const std::string out = dir_ + "/prints";
    std::filesystem::create_directory(out);
    const CliRun run = Cli({disc_, ring_, "--polygon-size", "5", "--out-dir", out, "--halves",
                            "--size-mm", "25", "--export-mesh", "stl", "--export-mesh", "3mf"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("solid of 2 parts"), std::string::npos) << run.err;
    for (const char* name : {"disc", "ring"}) {
        const test::StlFile stl = test::ReadStl(out + "/" + name + ".stl");
        ASSERT_TRUE(stl.sizeMatches) << name;
        float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
        for (const test::StlFile::Facet& f : stl.facets)
            for (const test::Float3& c : f.corner)
                for (int a = 0; a < 3; ++a) {
                    lo[a] = std::min(lo[a], c[a]);
                    hi[a] = std::max(hi[a], c[a]);
                }
        // Two round figures side by side, 5 mm apart; the ring's longest side is across the
        // picture (a disc swells about as deep as it is wide).
        const float across = hi[1] - lo[1];
        EXPECT_LE(across, 25.0f + 1e-3f) << name;
        if (std::string(name) == "ring") {
            EXPECT_NEAR(across, 25.0f, 1e-3f);
        }
        EXPECT_NEAR(hi[0] - lo[0], 2 * across + 5.0f, 0.5f) << name;
        EXPECT_EQ(lo[2], 0.0f) << name;
        EXPECT_TRUE(Exists(out + "/" + name + ".3mf")) << name;
    }
}

TEST_F(CliExport, PictureWithoutFigureHasNoSolidToWrite) {
    const std::string blank = dir_ + "/blank.bmp", mesh = dir_ + "/blank.stl";
    SaveFrameBmp(Raster(50, 40, test::kWhite), blank);
    const CliRun run = Cli({blank, "--export-mesh", mesh});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("no solid"), std::string::npos) << run.err;
    EXPECT_FALSE(Exists(mesh));
}

TEST_F(CliExport, BatchConvertsEveryGoodPictureAndReportsTheBadOne) {
    const std::string broken = dir_ + "/broken.bmp";
    {
        std::ofstream file(broken, std::ios::binary);
        file << "BM not a picture";
    }
    const std::string out = dir_ + "/out/meshes";
    const CliRun run = Cli({disc_, broken, ring_, dir_ + "/missing.bmp", "--out-dir", out,
                            "--polygon-size", "5", "--export-mesh", "glb", "--export-mesh", ".STL",
                            "--frame", "png", "--dump-model", "json"});
    EXPECT_EQ(run.status, 1) << "something failed";
    for (const char* name : {"disc", "ring"})
        for (const char* ext : {".glb", ".stl", ".png", ".json"})
            EXPECT_TRUE(Exists(out + "/" + name + ext)) << name << ext;
    EXPECT_FALSE(Exists(out + "/broken.glb"));
    EXPECT_FALSE(Exists(out + "/missing.glb"));

    std::istringstream lines(run.err);
    std::vector<std::string> l;
    for (std::string line; std::getline(lines, line);) l.push_back(line);
    ASSERT_EQ(l.size(), 5u) << run.err;
    EXPECT_EQ(l[0].rfind("vonnik-cli: [1/4] " + disc_ + ": solid of ", 0), 0u) << l[0];
    EXPECT_EQ(l[1].rfind("vonnik-cli: [2/4] " + broken + ": FAILED: '" + broken + "'", 0), 0u)
        << l[1];
    EXPECT_EQ(l[2].rfind("vonnik-cli: [3/4] " + ring_ + ": solid of ", 0), 0u) << l[2];
    EXPECT_NE(l[3].find("FAILED"), std::string::npos) << l[3];
    EXPECT_EQ(l[4], "vonnik-cli: 2 of 4 pictures converted, 2 failed");
}

// Batch use runs the very same conversion: its frame and mesh equal a single run's.
TEST_F(CliExport, BatchWritesWhatASingleRunWrites) {
    const std::vector<std::string> options{"--polygon-size", "6", "--drag", "10,10;40,30"};
    std::vector<std::string> single{disc_, "--frame", dir_ + "/one.bmp", "--export-mesh",
                                    dir_ + "/one.ply"};
    single.insert(single.end(), options.begin(), options.end());
    ASSERT_EQ(Cli(single).status, 0);
    std::vector<std::string> batch{disc_,     ring_, "--out-dir",     dir_ + "/all",
                                   "--frame", "bmp", "--export-mesh", "ply"};
    batch.insert(batch.end(), options.begin(), options.end());
    const CliRun run = Cli(batch);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(test::ReadFile(dir_ + "/all/disc.bmp"), test::ReadFile(dir_ + "/one.bmp"));
    EXPECT_EQ(test::ReadFile(dir_ + "/all/disc.ply"), test::ReadFile(dir_ + "/one.ply"));
    EXPECT_TRUE(Exists(dir_ + "/all/ring.ply"));
    EXPECT_NE(run.err.find("vonnik-cli: 2 of 2 pictures converted\n"), std::string::npos);
}

// Pictures converted at once write what they write one at a time, byte for byte, and report
// in the order given; a picture that fails among them is reported in its place.
TEST_F(CliExport, PicturesConvertedAtOnceWriteWhatOneAtATimeWrites) {
    const std::string square = dir_ + "/square.png", blobs = dir_ + "/blobs.bmp";
    SaveFrameBmp(test::MakeBlobs(90, 80, 7), blobs);
    SavePng(test::MakeRing(70, 60, 35, 30, 25, 9), square);
    const std::string broken = dir_ + "/broken.bmp";
    std::ofstream(broken, std::ios::binary) << "BM not a picture";
    const std::vector<std::string> pictures{disc_, broken, ring_, blobs, square};
    const auto batch = [&](const std::string& jobs) {
        std::vector<std::string> args = pictures;
        args.insert(args.end(), {"--out-dir", dir_ + "/jobs" + jobs, "--jobs", jobs, "--frame",
                                 "bmp", "--dump-model", "json", "--export-mesh", "ply",
                                 "--polygon-size", "5", "--drag", "10,10;40,30"});
        CliRun run = Cli(args);
        // The folder names differ; the lines must not otherwise.
        for (std::size_t at; (at = run.err.find("/jobs" + jobs + "/")) != std::string::npos;)
            run.err.replace(at, jobs.size() + 6, "/jobs/");
        return run;
    };
    const CliRun one = batch("1");
    EXPECT_EQ(one.status, 1) << one.err;
    EXPECT_NE(one.err.find("[2/5] " + broken + ": FAILED"), std::string::npos) << one.err;
    for (const char* jobs : {"2", "5"}) {
        const CliRun many = batch(jobs);
        EXPECT_EQ(many.status, 1);
        EXPECT_EQ(many.err, one.err);
        for (const char* name : {"disc", "ring", "blobs", "square"})
            for (const char* ext : {".bmp", ".json", ".ply"}) {
                const std::string file = std::string("/") + name + ext;
                ASSERT_TRUE(Exists(dir_ + "/jobs1" + file)) << file;
                EXPECT_EQ(test::ReadFile(dir_ + "/jobs" + jobs + file),
                          test::ReadFile(dir_ + "/jobs1" + file))
                    << jobs << " jobs, " << file;
            }
    }
}

// The batch spread over machines with GNU parallel, as the README shows it, here on this
// machine alone with two job slots. tools/test.sh installs GNU parallel and sets
// VONNIK_REQUIRE_PARALLEL: there a missing parallel fails the test instead of skipping it.
TEST_F(CliExport, GnuParallelSpreadsTheBatchOverItsJobSlots) {
    const std::string parallel = test::FindProgram("parallel");
    if (parallel.empty()) {
        if (std::getenv("VONNIK_REQUIRE_PARALLEL")) FAIL() << "GNU parallel is missing";
        GTEST_SKIP() << "GNU parallel is not installed";
    }
    const std::string blobs = dir_ + "/blobs.bmp";
    SaveFrameBmp(test::MakeBlobs(90, 80, 11), blobs);
    const std::vector<std::string> options{"--frame", "png", "--export-mesh", "stl",
                                           "--polygon-size", "6"};
    std::vector<std::string> together{disc_, ring_, blobs, "--out-dir", dir_ + "/here"};
    together.insert(together.end(), options.begin(), options.end());
    ASSERT_EQ(Cli(together).status, 0);

    const std::string logins = dir_ + "/machines.txt";
    std::ofstream(logins) << "2/:\n";  // this machine, two job slots
    const std::string out = dir_ + "/spread";
    std::vector<std::string> args{"--will-cite", "--sshloginfile", logins, "--trc",
                                  out + "/{/.}.png", "--trc", out + "/{/.}.stl",
                                  VONNIK_CLI_PROGRAM, "{}", "--out-dir", out, "--threads", "1"};
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), {":::", disc_, ring_, blobs});
    const test::ToolRun run = test::RunTool(parallel, args);
    ASSERT_EQ(run.status, 0) << run.output;
    for (const char* name : {"/disc", "/ring", "/blobs"})
        for (const char* ext : {".png", ".stl"}) {
            const std::string file = std::string(name) + ext;
            ASSERT_TRUE(Exists(out + file)) << file << "\n" << run.output;
            EXPECT_EQ(test::ReadFile(out + file), test::ReadFile(dir_ + "/here" + file)) << file;
        }
}

TEST_F(CliExport, BatchOptionsAreCheckedFirst) {
    const std::string out = dir_ + "/never";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{disc_, ring_, "--export-mesh", dir_ + "/x.glb"},
          {disc_, "--out-dir", out},
          {disc_, "--out-dir", out, "--frame", "tiff"},
          {disc_, "--out-dir", out, "--frame", dir_ + "/frame.bmp"},
          {disc_, "--out-dir", out, "--dump-model", "xml"},
          {disc_, "--out-dir", out, "--export-mesh", "x.glb"},
          {disc_, dir_ + "/sub/disc.png", "--out-dir", out, "--export-mesh", "glb"}}) {
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 2) << run.err;
        EXPECT_NE(run.err.find("see vonnik-cli --help"), std::string::npos) << run.err;
    }
    EXPECT_FALSE(Exists(out));
}

}  // namespace
}  // namespace vonnik
