// vonnik-cli's reports of bad input and failed writes: the exit status, the option or file
// the message names, and the files a failure leaves.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "cli/cli.h"
#include "core/picture_io.h"
#include "tests/support/cli_run.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/pictures.h"

namespace vonnik {
namespace {

using test::Cli;
using test::CliRun;

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

QStringList Entries(const std::string& dir) {
    return QDir(QString::fromStdString(dir))
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// A white picture one row high, 1 bit a pixel: twelve million pixels in 1.5 MB.
std::string WideWhiteBmp(std::uint32_t width) {
    const std::uint32_t rowBytes = (width + 31) / 32 * 4;
    std::string b(62 + static_cast<std::size_t>(rowBytes), '\0');
    const auto put = [&](std::size_t at, std::uint32_t v, int bytes) {
        for (int k = 0; k < bytes; ++k) b[at + k] = static_cast<char>(v >> (8 * k));
    };
    b[0] = 'B';
    b[1] = 'M';
    put(2, static_cast<std::uint32_t>(b.size()), 4);
    put(10, 62, 4);
    put(14, 40, 4);
    put(18, width, 4);
    put(22, 1, 4);
    put(26, 1, 2);  // planes
    put(28, 1, 2);  // bits a pixel
    put(34, rowBytes, 4);
    put(46, 2, 4);         // colours in the table
    put(54, 0xFFFFFF, 4);  // index 0: white; index 1 stays black
    return b;
}

class CliReports : public testing::Test {
  protected:
    void SetUp() override {
        disc_ = dir_ + "/disc.bmp";
        SaveFrameBmp(test::MakeDisc(60, 46, 28, 22, 19), disc_);
    }
    const test::TempDir tmp_{"cli"};
    const std::string dir_ = tmp_.Path();
    std::string disc_;
};

TEST_F(CliReports, AMalformedDragListIsInvalidInput) {
    for (const char* drag : {"", "1,2;", ";1,2", "1,2;;3,4", "1;2", "1,2,3", "a,b"}) {
        SCOPED_TRACE(drag);
        const std::string frame = dir_ + "/frame.bmp";
        const CliRun run = Cli({disc_, "--drag", drag, "--frame", frame});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err.rfind("vonnik-cli: --drag: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find("is not"), std::string::npos) << run.err;
        EXPECT_FALSE(QFile::exists(QString::fromStdString(frame)));
    }
    EXPECT_EQ(
        Cli({disc_, "--drag", "1,2", "--drag", "-5,7;3,4;0,0", "--frame", dir_ + "/f.bmp"}).status,
        0);
}

// A frame file is in the format its name says, in any case of the extension; a name that
// says no frame format, or a model dump not named .json, is refused before anything is
// written, with a message naming the formats.
TEST_F(CliReports, FilesAreWrittenInTheFormatTheirNameSays) {
    const std::string turned = "100,100;130,120";
    ASSERT_EQ(Cli({disc_, "--drag", turned, "--frame", dir_ + "/f.bmp"}).status, 0);
    ASSERT_EQ(Cli({disc_, "--drag", turned, "-o", dir_ + "/f.PNG"}).status, 0);
    ASSERT_EQ(Cli({disc_, "--drag", turned, "--frame", dir_ + "/g.Bmp"}).status, 0);
    EXPECT_EQ(Read(dir_ + "/f.PNG").rfind("\x89PNG\r\n\x1a\n", 0), 0u);
    EXPECT_EQ(Read(dir_ + "/g.Bmp"), Read(dir_ + "/f.bmp"));
    const Raster bmp = LoadPicture(dir_ + "/f.bmp");
    EXPECT_FALSE(bmp.Empty());
    EXPECT_TRUE(LoadPicture(dir_ + "/f.PNG") == bmp);

    struct Refused {
        std::vector<std::string> args;
        std::string message;
    };
    for (const Refused& r :
         {Refused{{"--frame", dir_ + "/x.jpg"},
                  "--frame: '" + dir_ + "/x.jpg' names no frame format (.bmp or .png)"},
          Refused{{"-o", dir_ + "/x"},
                  "--frame: '" + dir_ + "/x' names no frame format (.bmp or .png)"},
          Refused{{"--frame", dir_ + "/png"}, "--frame: '" + dir_ + "/png' names no frame format"},
          Refused{{"--dump-model", dir_ + "/x.txt"},
                  "--dump-model: '" + dir_ + "/x.txt' names no model format (.json)"}}) {
        std::vector<std::string> args{disc_};
        args.insert(args.end(), r.args.begin(), r.args.end());
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 2) << r.args[1];
        EXPECT_EQ(run.err.rfind("vonnik-cli: " + r.message, 0), 0u) << run.err;
        EXPECT_FALSE(QFile::exists(QString::fromStdString(r.args[1])));
    }
    // A device has no extension: it takes the BMP frame and the JSON model.
    EXPECT_EQ(Cli({disc_, "--frame", "/dev/null", "--dump-model", "/dev/null"}).status, 0);
}

// Without --threads the frame is drawn on every core, and comes out as drawn in one pass.
TEST_F(CliReports, TheFrameIsTheSameWithAnyNumberOfThreads) {
    const std::string turned = "100,100;130,120";
    ASSERT_EQ(Cli({disc_, "--drag", turned, "--frame", dir_ + "/cores.bmp"}).status, 0);
    for (const char* threads : {"1", "3"}) {
        const std::string frame = dir_ + "/threads-" + threads + ".bmp";
        ASSERT_EQ(Cli({disc_, "--drag", turned, "--threads", threads, "--frame", frame}).status, 0);
        EXPECT_EQ(Read(frame), Read(dir_ + "/cores.bmp")) << threads << " threads";
    }
    for (const char* threads : {"0", "65", "-1"}) {
        const CliRun run = Cli({disc_, "--threads", threads, "--frame", dir_ + "/no.bmp"});
        EXPECT_EQ(run.status, 2) << threads;
        EXPECT_EQ(run.err.rfind("vonnik-cli: --threads: must be 1..64\n", 0), 0u) << run.err;
    }
}

// Polygon size 1 over twelve million pixels would need about 8 GB of lattice arrays.
TEST_F(CliReports, ABuildThatCannotRunNamesTheOptionThatCausedIt) {
    const std::string wide = dir_ + "/wide.bmp";
    Write(wide, WideWhiteBmp(12'000'000));
    const CliRun one = Cli({wide, "--polygon-size", "1", "--frame", dir_ + "/wide-frame.bmp"});
    EXPECT_EQ(one.status, 2);
    EXPECT_EQ(one.err.rfind("vonnik-cli: --polygon-size: the polygon size is too small", 0), 0u)
        << one.err;
    EXPECT_FALSE(QFile::exists(QString::fromStdString(dir_ + "/wide-frame.bmp")));

    const CliRun batch =
        Cli({wide, disc_, "--polygon-size", "1", "--out-dir", dir_ + "/out", "--frame", "bmp"});
    EXPECT_EQ(batch.status, 1);
    EXPECT_NE(batch.err.find(wide + ": FAILED: --polygon-size: the polygon size is too small"),
              std::string::npos)
        << batch.err;
    EXPECT_EQ(Entries(dir_ + "/out"), QStringList{"disc.bmp"});

    // A picture the builder cannot use is named by its file, not by an option.
    EXPECT_EQ(DescribeBuildError(BuildError("the picture is empty", BuildError::Field::kPicture),
                                 "in/empty.bmp"),
              "'in/empty.bmp': the picture is empty");
    EXPECT_EQ(DescribeBuildError(BuildError("too small", BuildError::Field::kPolygonSize),
                                 "in/empty.bmp"),
              "--polygon-size: too small");
}

// The model dump is written whole or not at all: a write that fails part-way leaves the
// previous file as it was and no temporary file beside it.
TEST_F(CliReports, AFailedModelDumpLeavesThePreviousFile) {
    const std::string dump = dir_ + "/out/model.json";
    QDir().mkpath(QString::fromStdString(dir_ + "/out"));
    Write(dump, "the previous dump");
    CliRun run;
    {
        test::FileSizeLimit full(64);
        run = Cli({disc_, "--dump-model", dump});
    }
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("vonnik-cli: '" + dump + "': cannot write: File too large", 0), 0u)
        << run.err;
    EXPECT_EQ(Read(dump), "the previous dump");
    EXPECT_EQ(Entries(dir_ + "/out"), QStringList{"model.json"});

    ASSERT_EQ(Cli({disc_, "--dump-model", dump}).status, 0);
    EXPECT_EQ(Read(dump).rfind("{", 0), 0u);
}

TEST_F(CliReports, AFrameOnTheFullDeviceFailsWithTheSystemsReason) {
    const CliRun run = Cli({disc_, "--frame", "/dev/full"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("/dev/full"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(std::strerror(ENOSPC)), std::string::npos) << run.err;
}

}  // namespace
}  // namespace vonnik
