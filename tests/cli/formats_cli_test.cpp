// vonnik-cli on pictures of other formats: transparent pictures build as their keyed BMPs,
// the background tolerance and the drawing scale, and their invalid values.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <sstream>

#include "cli/cli.h"
#include "core/picture_io.h"
#include "tests/support/cli_run.h"
#include "tests/support/pictures.h"

namespace vonnik {
namespace {

using test::Cli;
using test::CliRun;

QByteArray Bytes(const std::string& path) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class CliFormats : public testing::Test {
  protected:
    test::TempDir temp_{"cli-formats"};
    std::string dir = temp_.Path();
    std::string Folder(const std::string& name) {
        QDir().mkpath(QString::fromStdString(dir + "/" + name));
        return dir + "/" + name;
    }
};

TEST_F(CliFormats, ATransparentPngWritesTheFrameAndModelOfItsKeyedBmp) {
    // Black eyes in the figure, black under the transparent pixels: the key is 0x000001.
    Raster figure = test::MakeDisc(70, 56, 35, 28, 22);
    QImage png(figure.Width(), figure.Height(), QImage::Format_ARGB32);
    Raster keyed = figure;
    for (int y = 0; y < figure.Height(); ++y)
        for (int x = 0; x < figure.Width(); ++x) {
            Pixel p = figure.At(x, y);
            if ((x - 28) * (x - 28) + (y - 22) * (y - 22) <= 9) p = 0x000000;
            const bool inside = p != test::kWhite;
            png.setPixel(x, y, inside ? (0xFF000000u | p) : 0u);
            keyed.Set(x, y, inside ? p : 0x000001u);
        }
    // The same file name in two folders: the model names its picture.
    const std::string a = Folder("png") + "/bear", b = Folder("bmp") + "/bear";
    ASSERT_TRUE(png.save(QString::fromStdString(a), "PNG"));
    SaveFrameBmp(keyed, b);
    for (const std::vector<std::string>& extra : {std::vector<std::string>{},
                                                  {"--square-lattice", "--drag", "20,30;60,40"},
                                                  {"--polygon-size", "5", "--wireframe"}}) {
        std::vector<std::string> argsA = {a, "--frame", dir + "/a.bmp", "--dump-model",
                                          dir + "/a.json"};
        std::vector<std::string> argsB = {b, "--frame", dir + "/b.bmp", "--dump-model",
                                          dir + "/b.json"};
        argsA.insert(argsA.end(), extra.begin(), extra.end());
        argsB.insert(argsB.end(), extra.begin(), extra.end());
        ASSERT_EQ(Cli(argsA).status, 0);
        ASSERT_EQ(Cli(argsB).status, 0);
        EXPECT_EQ(Bytes(dir + "/a.bmp"), Bytes(dir + "/b.bmp"));
        EXPECT_EQ(Bytes(dir + "/a.json"), Bytes(dir + "/b.json"));
        EXPECT_FALSE(Bytes(dir + "/a.json").isEmpty());
    }
    // Where the alpha decides, a tolerance has nothing to do (in the BMP it would take the
    // black eyes, next to the key colour, into the background).
    ASSERT_EQ(Cli({a, "--polygon-size", "5", "--wireframe", "--background-tolerance", "30",
                   "--dump-model", dir + "/t.json"})
                  .status,
              0);
    EXPECT_EQ(Bytes(dir + "/t.json"), Bytes(dir + "/a.json"));
}

TEST_F(CliFormats, TheToleranceChangesAJpegsModelAndZeroIsThePlainRule) {
    const std::string jpg = dir + "/photo.jpg";
    ASSERT_TRUE(
        ImageOf(test::MakeDisc(80, 60, 40, 30, 20)).save(QString::fromStdString(jpg), "JPEG", 80));
    const auto dump = [&](const std::vector<std::string>& extra) {
        std::vector<std::string> args = {jpg, "--dump-model", dir + "/m.json"};
        args.insert(args.end(), extra.begin(), extra.end());
        EXPECT_EQ(Cli(args).status, 0);
        return Bytes(dir + "/m.json");
    };
    const QByteArray plain = dump({});
    EXPECT_EQ(dump({"--background-tolerance", "0"}), plain);
    EXPECT_NE(dump({"--background-tolerance", "40"}), plain);
}

TEST_F(CliFormats, AnSvgDrawingBuildsAtItsSizeOrLarger) {
    const std::string svg = dir + "/drawing.svg";
    QFile f(QString::fromStdString(svg));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(R"(<svg xmlns="http://www.w3.org/2000/svg" width="30" height="20">)"
            R"(<ellipse cx="15" cy="10" rx="12" ry="7" fill="#3060c0"/></svg>)");
    f.close();
    ASSERT_EQ(Cli({svg, "--frame", dir + "/one.bmp"}).status, 0);
    ASSERT_EQ(Cli({svg, "--svg-scale", "3", "--frame", dir + "/three.bmp"}).status, 0);
    EXPECT_EQ(LoadPicture(dir + "/one.bmp").Width(), 30);
    EXPECT_EQ(LoadPicture(dir + "/three.bmp").Width(), 90);
    EXPECT_EQ(LoadPicture(dir + "/three.bmp").Height(), 60);
}

TEST_F(CliFormats, InvalidValuesNameTheOptionAndExitTwo) {
    const std::string bmp = dir + "/p.bmp";
    SaveFrameBmp(test::MakeDisc(20, 20, 10, 10, 6), bmp);
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--background-tolerance", "-1"},
          {"--background-tolerance", "256"},
          {"--background-tolerance", "ten"},
          {"--background-tolerance"},
          {"--svg-scale", "0"},
          {"--svg-scale", "-2"},
          {"--svg-scale", "big"}}) {
        std::vector<std::string> args = {bmp};
        args.insert(args.end(), bad.begin(), bad.end());
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 2) << bad[0];
        EXPECT_NE(run.err.find(bad[0]), std::string::npos) << run.err;
    }
    EXPECT_EQ(Cli({bmp, "--background-tolerance", "255", "--frame", dir + "/f.bmp"}).status, 0);
}

TEST_F(CliFormats, ADamagedPictureExitsOneNamingItAndWritesNothing) {
    const std::string png = dir + "/cut.png";
    QByteArray bytes;
    {
        const std::string whole = dir + "/whole.png";
        ASSERT_TRUE(
            ImageOf(test::MakeDisc(40, 40, 20, 20, 15)).save(QString::fromStdString(whole)));
        bytes = Bytes(whole);
    }
    QFile f(QString::fromStdString(png));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes.left(bytes.size() / 2));
    f.close();
    const CliRun run = Cli({png, "--frame", dir + "/out.bmp"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("'" + png + "'"), std::string::npos) << run.err;
    EXPECT_FALSE(QFile::exists(QString::fromStdString(dir + "/out.bmp")));
}

}  // namespace
}  // namespace vonnik
