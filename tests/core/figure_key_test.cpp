// Pictures of every readable format brought to the figure rule: transparency keying, the
// background tolerance, and opaque copies of a BMP that must build exactly as the BMP.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <functional>

#include "core/figure_key.h"
#include "core/picture_io.h"
#include "tests/support/grid_checks.h"
#include "tests/support/pictures.h"

namespace vonnik {
namespace {

using test::kBlack;
using test::kWhite;

QImage Opaque(const Raster& r) {
    return ImageOf(r);
}

// An uncompressed TrueVision 2.0 file, top row first: Qt's TGA reader takes no other, and
// Qt writes no TGA.
QByteArray TgaBytes(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QByteArray out(18, '\0');
    out[2] = 2;  // true colour, uncompressed
    out[12] = static_cast<char>(argb.width() & 0xFF);
    out[13] = static_cast<char>(argb.width() >> 8);
    out[14] = static_cast<char>(argb.height() & 0xFF);
    out[15] = static_cast<char>(argb.height() >> 8);
    out[16] = 32;
    out[17] = 8 | 0x20;  // 8 alpha bits, top row first
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb p = argb.pixel(x, y);
            const char bgra[] = {static_cast<char>(qBlue(p)), static_cast<char>(qGreen(p)),
                                 static_cast<char>(qRed(p)), static_cast<char>(qAlpha(p))};
            out.append(bgra, 4);
        }
    out.append(QByteArray(8, '\0'));
    out.append(QByteArrayLiteral("TRUEVISION-XFILE."));
    out.append('\0');
    return out;
}

// The picture written in format: PNG, TIFF, WebP (lossless), JPEG, ICO, or TGA.
std::string Save(const QImage& image, const std::string& path, const char* format) {
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    if (std::string(format) == "tga") {
        file.write(TgaBytes(image));
        return path;
    }
    QImageWriter writer(&file, format);
    if (std::string(format) == "webp") writer.setQuality(100);  // lossless
    EXPECT_TRUE(writer.write(image)) << format << ": " << writer.errorString().toStdString();
    return path;
}

// A figure drawn on transparency as a common editor saves it: black (or any colour) under
// the transparent pixels, a few half-transparent pixels on either side of 128.
QImage OnTransparency(const Raster& figure, Pixel under, Pixel background) {
    QImage image(figure.Width(), figure.Height(), QImage::Format_ARGB32);
    for (int y = 0; y < figure.Height(); ++y)
        for (int x = 0; x < figure.Width(); ++x) {
            const Pixel p = ColourOf(figure.At(x, y));
            const bool inside = p != background;
            const int alpha =
                inside ? ((x + y) % 7 == 0 ? 128 : 255) : ((x * y) % 5 == 0 ? 127 : 0);
            const Pixel rgb = inside ? p : ((x + y) % 3 == 0 ? under : 0x123456u * (x % 4));
            image.setPixel(x, y, qRgba(qRed(rgb), qGreen(rgb), qBlue(rgb), alpha));
        }
    return image;
}

// The same figure as a BMP would hold it: every transparent pixel in the key colour.
Raster Keyed(const Raster& figure, Pixel background, Pixel key) {
    Raster out = figure;
    for (Pixel& p : out.Pixels()) p = ColourOf(p) == background ? key : ColourOf(p);
    return out;
}

void ExpectSameBuild(const Raster& a, const Raster& b, const std::string& what) {
    ASSERT_EQ(test::RasterDifference(a, b), "") << what;
    for (bool triangles : {true, false}) {
        const test::BuildOutcome x =
            test::RunBuild(a, a, test::Settings(6, 1.0, 1.1, false, triangles));
        const test::BuildOutcome y =
            test::RunBuild(b, b, test::Settings(6, 1.0, 1.1, false, triangles));
        EXPECT_GT(x.grid.OutlineCount, 0) << what;
        EXPECT_EQ(test::GridDifference(x.grid, y.grid), "") << what;
        EXPECT_EQ(test::RasterDifference(x.front, y.front), "") << what;
        EXPECT_EQ(test::RasterDifference(x.back, y.back), "") << what;
    }
}

TEST(TransparencyKey, StartsAtTheTopLeftColourAndStepsPastFigureColours) {
    Raster colours(4, 1);
    colours.Set(0, 0, 0x000000);  // transparent, black stored
    colours.Set(1, 0, 0x000000);  // figure: black
    colours.Set(2, 0, 0x000001);  // figure: the next colour too
    colours.Set(3, 0, 0x000003);  // figure, not in the way
    const std::vector<std::uint8_t> alpha = {0, 255, 128, 200};
    EXPECT_EQ(TransparencyKey(colours, alpha), Pixel{0x000002});
    // The top-left colour stays when no figure pixel has it; a pixel at alpha 127 is not
    // figure, so its colour does not push the key on.
    const std::vector<std::uint8_t> lighter = {0, 127, 127, 255};
    EXPECT_EQ(TransparencyKey(colours, lighter), Pixel{0x000000});
    // The step wraps after white.
    colours.Set(0, 0, 0xFFFFFF);
    colours.Set(1, 0, 0xFFFFFF);
    colours.Set(2, 0, 0x000000);
    EXPECT_EQ(TransparencyKey(colours, alpha), Pixel{0x000001});
}

TEST(TransparencyKey, AFigureOfEveryColourLeavesNoKey) {
    Raster colours(4096, 4097);
    std::vector<std::uint8_t> alpha(colours.Pixels().size(), 255);
    for (std::size_t n = 0; n < (1u << 24); ++n) colours.Pixels()[n] = static_cast<Pixel>(n);
    alpha.back() = 0;
    EXPECT_EQ(TransparencyKey(colours, alpha), std::nullopt);
    PictureWithAlpha picture{colours, alpha};
    try {
        FigurePicture(std::move(picture), "all.png", 0);
        FAIL() << "no key colour is left";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Path(), "all.png");
        EXPECT_NE(e.Reason().find("every colour"), std::string::npos);
    }
}

TEST(FigurePicture, AlphaDecidesTheFigureWhateverTheColourAndTheToleranceAreIgnored) {
    // Top-left transparent over white, a white figure pixel, a near-white figure pixel.
    Raster colours(3, 1);
    colours.Set(0, 0, kWhite);
    colours.Set(1, 0, kWhite);
    colours.Set(2, 0, 0xFEFEFE);
    const Raster r = FigurePicture({colours, {10, 255, 255}}, "p.png", 50);
    EXPECT_EQ(r.At(0, 0), 0x000000u) << "white stepped to the next value, wrapping";
    EXPECT_EQ(r.At(1, 0), kWhite);
    EXPECT_EQ(r.At(2, 0), 0xFEFEFEu) << "no tolerance once the alpha has spoken";
    // No pixel below 128: the colours as stored, then the tolerance.
    const Raster opaque = FigurePicture({colours, {128, 255, 255}}, "p.png", 1);
    EXPECT_EQ(opaque.At(2, 0), kWhite);
}

TEST(BackgroundTolerance, CountsPixelsWithinTInEveryChannelAsBackground) {
    Raster r(6, 1);
    const Pixel bg = 0x80A0C0;
    r.Set(0, 0, bg);
    r.Set(1, 0, 0x8AA0C0);    // red +10
    r.Set(2, 0, 0x76AAB6);    // -10, +10, -10
    r.Set(3, 0, 0x8BA0C0);    // red +11
    r.Set(4, 0, 0x80A0CB);    // blue +11
    r.Set(5, 0, 0x0180A0C0);  // the fourth byte set: the colour decides
    Raster zero = r;
    ApplyBackgroundTolerance(zero, 0);
    EXPECT_EQ(zero, r) << "0 is the plain rule";
    ApplyBackgroundTolerance(r, 10);
    EXPECT_EQ(r.At(1, 0), bg);
    EXPECT_EQ(r.At(2, 0), bg);
    EXPECT_EQ(r.At(3, 0), 0x8BA0C0u);
    EXPECT_EQ(r.At(4, 0), 0x80A0CBu);
    EXPECT_EQ(r.At(5, 0), bg);
}

class Formats : public testing::Test {
  protected:
    test::TempDir temp_{"formats"};
    std::string dir = temp_.Path();
    std::string Path(const std::string& name) const { return dir + "/" + name; }
};

TEST_F(Formats, TransparentPngsBuildAsTheKeyedBmps) {
    struct Case {
        const char* name;
        Raster figure;
        Pixel under;  // what the editor left under the transparent pixels
        Pixel key;    // the key colour the rule gives
    };
    Raster eyes = test::MakeDisc(60, 50, 30, 25, 18);
    // Black eyes and outline parts, and the next colour too: the key steps twice.
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 60; ++x) {
            if ((x - 24) * (x - 24) + (y - 20) * (y - 20) <= 9) eyes.Set(x, y, 0x000000);
            if ((x - 36) * (x - 36) + (y - 20) * (y - 20) <= 9) eyes.Set(x, y, 0x000001);
        }
    Raster ring = test::MakeRing(64, 64, 32, 32, 26, 12);
    Raster blobs = test::MakeBlobs(70, 50, 7);
    const Case cases[] = {
        {"eyes", eyes, 0x000000, 0x000002},
        {"ring", ring, 0x000000, 0x000000},
        {"blobs", blobs, 0xFFFFFF, 0xFFFFFF},
        {"top-left-in-figure-colour", test::MakeDisc(40, 40, 20, 20, 14), 0xD04030, 0xD04031},
    };
    for (const Case& c : cases) {
        QImage transparent = OnTransparency(c.figure, c.under, kWhite);
        transparent.setPixel(0, 0, qRgba(qRed(c.under), qGreen(c.under), qBlue(c.under), 0));
        // PNG and TGA keep the colours under the transparent pixels as they are given.
        for (const char* format : {"png", "tga"}) {
            const std::string name = std::string(c.name) + "." + format;
            const Raster png = LoadFigurePicture(Save(transparent, Path(name), format));
            const std::string bmp = Path(std::string(c.name) + "-keyed.bmp");
            SaveFrameBmp(Keyed(c.figure, kWhite, c.key), bmp);
            ExpectSameBuild(png, LoadFigurePicture(bmp), name);
            // A tolerance changes nothing where the alpha decides.
            FigureOptions wide;
            wide.backgroundTolerance = 255;
            EXPECT_EQ(LoadFigurePicture(Path(name), wide), png) << name;
        }
        // Qt's WebP and TIFF writers drop those colours or store the colours multiplied by
        // the alpha: the background is still exactly the transparent pixels.
        for (const char* format : {"webp", "tiff"}) {
            const std::string name = std::string(c.name) + "." + format;
            const Raster r = LoadFigurePicture(Save(transparent, Path(name), format));
            for (int y = 0; y < r.Height(); ++y)
                for (int x = 0; x < r.Width(); ++x)
                    ASSERT_EQ(r.At(x, y) == r.At(0, 0), qAlpha(transparent.pixel(x, y)) < 128)
                        << name << " at " << x << "," << y;
        }
    }
}

TEST_F(Formats, OpaqueCopiesOfABmpBuildAsTheBmp) {
    const Raster pictures[] = {test::MakeDisc(50, 40, 25, 20, 15), test::MakeBlobs(64, 48, 3),
                               test::MakeRing(48, 48, 24, 24, 20, 8, 0x204060)};
    char stem = 'a';
    for (const Raster& picture : pictures) {
        const std::string bmp = Path(std::string(1, stem) + ".bmp");
        SaveFrameBmp(picture, bmp);
        const Raster fromBmp = LoadFigurePicture(bmp);
        for (const char* format : {"png", "tiff", "webp", "tga", "ico"}) {
            const std::string copy = Path(std::string(1, stem) + "." + format);
            ExpectSameBuild(LoadFigurePicture(Save(Opaque(picture), copy, format)), fromBmp, copy);
        }
        ++stem;
    }
}

TEST_F(Formats, AJpegBuildsAndATolerancePutsItsBackgroundBack) {
    const Raster picture = test::MakeDisc(80, 60, 40, 30, 20);
    const std::string jpg = Save(Opaque(picture), Path("photo.jpg"), "jpeg");
    const test::BuildOutcome exact = test::RunBuild(picture, picture, test::Settings(6));
    const auto outline = [](const Raster& r) {
        return test::RunBuild(r, r, test::Settings(6)).grid.OutlineCount;
    };
    const Raster plain = LoadFigurePicture(jpg);
    FigureOptions tolerant;
    tolerant.backgroundTolerance = 48;
    const Raster keyed = LoadFigurePicture(jpg, tolerant);
    // Without a tolerance the JPEG's speckles are figure; with it the background is plain
    // again and the outline is the disc's, give or take the blurred rim.
    const Pixel bg = plain.At(0, 0);
    int speckles = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x)
            if ((x - 40) * (x - 40) + (y - 30) * (y - 30) > 24 * 24) {
                speckles += plain.At(x, y) != bg;
                EXPECT_EQ(keyed.At(x, y), bg) << x << "," << y;
            }
    EXPECT_GT(speckles, 0) << "the JPEG really has an uneven background";
    EXPECT_GT(outline(plain), 0);
    const int expected = exact.grid.OutlineCount;
    EXPECT_NEAR(outline(keyed), expected, expected / 10);
}

TEST_F(Formats, AnSvgDrawingIsRenderedAtItsSizeOrScaledAndBuilds) {
    QFile svg(QString::fromStdString(Path("drawing.svg")));
    ASSERT_TRUE(svg.open(QIODevice::WriteOnly));
    svg.write(R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 40 30">
      <circle cx="20" cy="15" r="11" fill="#c03020"/>
      <rect x="15" y="10" width="4" height="4" fill="black"/></svg>)");
    svg.close();
    const Raster drawn = LoadFigurePicture(Path("drawing.svg"));
    ASSERT_EQ(drawn.Width(), 40);
    ASSERT_EQ(drawn.Height(), 30);
    // Transparent around the circle, black in it: the key stepped off black.
    EXPECT_EQ(drawn.At(0, 0), 0x000001u);
    EXPECT_EQ(drawn.At(16, 11), 0x000000u);
    EXPECT_EQ(drawn.At(25, 15), 0xC03020u);
    EXPECT_GT(test::RunBuild(drawn, drawn, test::Settings(4)).grid.OutlineCount, 0);
    FigureOptions larger;
    larger.read.drawingScale = 2.5;
    const Raster big = LoadFigurePicture(Path("drawing.svg"), larger);
    EXPECT_EQ(big.Width(), 100);
    EXPECT_EQ(big.Height(), 75);
    larger.read.drawingScale = 1000;
    EXPECT_THROW(LoadFigurePicture(Path("drawing.svg"), larger), FileError);
}

TEST_F(Formats, APhotoArrivesUpright) {
    // A picture stored on its side, with the orientation tag that turns it upright.
    Raster wide(40, 20, kWhite);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 10; ++x) wide.Set(x, y, kBlack);  // left quarter black
    QFile file(QString::fromStdString(Path("phone.jpg")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QImageWriter writer(&file, "jpeg");
    writer.setTransformation(QImageIOHandler::TransformationRotate90);
    ASSERT_TRUE(writer.write(Opaque(wide)));
    file.close();
    const Raster upright = LoadFigurePicture(Path("phone.jpg"));
    ASSERT_EQ(upright.Width(), 20);
    ASSERT_EQ(upright.Height(), 40);
    // Turned clockwise: the black left quarter is now the top quarter.
    EXPECT_LT(upright.At(10, 2) & 0xFF, 0x40u);
    EXPECT_GT(upright.At(10, 37) & 0xFF, 0xC0u);
}

}  // namespace
}  // namespace vonnik
