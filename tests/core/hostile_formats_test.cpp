// Truncated, damaged and lying files of every format the readers know: each is refused
// before any pixel memory is allocated or after the decoder gave up, with the file's name
// and a reason of ours.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QProcess>

#include "core/figure_key.h"
#include "core/picture_io.h"
#include "tests/support/pictures.h"

namespace vonnik {
namespace {

std::string Seed(const std::string& name) {
    return std::string(VONNIK_PICTURE_SEEDS) + "/" + name;
}

QByteArray ReadAll(const std::string& path) {
    QFile f(QString::fromStdString(path));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path;
    return f.readAll();
}

std::uint32_t Crc32(const QByteArray& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (char ch : bytes) {
        crc ^= static_cast<std::uint8_t>(ch);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutBigEndian(QByteArray& b, int at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) b[at + k] = static_cast<char>(v >> (24 - 8 * k));
}

class Hostile : public testing::Test {
  protected:
    test::TempDir temp_{"hostile"};
    std::string dir = temp_.Path();
    std::string Write(const std::string& name, const QByteArray& bytes) {
        QFile f(QString::fromStdString(dir + "/" + name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return dir + "/" + name;
    }
    // The reason of the refusal, or "loaded".
    static std::string Reason(const std::string& path) {
        try {
            LoadFigurePicture(path);
        } catch (const FileError& e) {
            EXPECT_EQ(e.Path(), path);
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
            return e.Reason();
        }
        return "loaded";
    }
};

const char* const kSeeds[] = {"figure-transparent.png",
                              "photo.jpg",
                              "figure-transparent.gif",
                              "figure.webp",
                              "figure.tiff",
                              "figure.tga",
                              "figure-rle.tga",
                              "figure.ico",
                              "drawing.svg"};

TEST_F(Hostile, EverySeedLoadsWhole) {
    for (const char* name : kSeeds) EXPECT_EQ(Reason(Seed(name)), "loaded") << name;
}

// The stored fuzz findings of pictures: each decodes or is refused with a reason, without
// undefined behaviour (the JPEG reader once left its image format undefined).
TEST_F(Hostile, StoredFuzzFindingsDecodeOrAreRefused) {
    const QString folder = QStringLiteral(VONNIK_SOURCE_DIR "/fuzz/regressions/build/");
    QFile file(folder + QStringLiteral("jpeg-undefined-image-format"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray picture = file.readAll().mid(32);  // after the fuzz target's settings
    QBuffer buffer(&picture);
    buffer.open(QIODevice::ReadOnly);
    try {
        const Raster raster = DecodeFigurePicture(buffer, "finding.jpg");
        EXPECT_FALSE(raster.Empty());
    } catch (const FileError& e) {
        EXPECT_FALSE(e.Reason().empty());
    }
}

TEST_F(Hostile, TruncatedFilesOfEachFormatAreRefused) {
    for (const char* name : kSeeds) {
        const QByteArray whole = ReadAll(Seed(name));
        for (const double part : {0.0, 0.25, 0.5, 0.8}) {
            const QByteArray cut = whole.left(std::max<qsizetype>(1, whole.size() * part));
            const std::string path = Write("cut-" + std::to_string(cut.size()) + "-" + name, cut);
            EXPECT_NE(Reason(path), "loaded") << name << " cut to " << cut.size() << " bytes";
        }
    }
    // Formats whose readers show what they have of a file cut near its end. A TGA file is
    // cut 3 bytes into its pixels: without its 26-byte footer, it is a whole version-1 file.
    for (const char* name :
         {"photo.jpg", "figure-transparent.gif", "figure.tga", "figure-rle.tga"}) {
        const QByteArray whole = ReadAll(Seed(name));
        const qsizetype footer = std::string(name) == "figure.tga" ? 26 : 0;
        const std::string path =
            Write(std::string("end-") + name, whole.left(whole.size() - footer - 3));
        EXPECT_NE(Reason(path), "loaded") << name;
    }
    const QByteArray tga = ReadAll(Seed("figure.tga"));
    EXPECT_TRUE(LoadFigurePicture(Write("no-footer.tga", tga.left(tga.size() - 26))) ==
                LoadFigurePicture(Seed("figure.tga")));
    EXPECT_TRUE(LoadFigurePicture(Seed("figure-rle.tga")) == LoadFigurePicture(Seed("figure.tga")));
}

TEST_F(Hostile, DamagedFilesAreRefused) {
    // A PNG whose pixel data fails its checksum.
    QByteArray png = ReadAll(Seed("figure-transparent.png"));
    const int idat = png.indexOf("IDAT");
    ASSERT_GT(idat, 0);
    png[idat + 10] = static_cast<char>(png[idat + 10] ^ 0x55);
    EXPECT_NE(Reason(Write("crc.png", png)), "loaded");
    // A TIFF whose first directory points outside the file.
    QByteArray tiff = ReadAll(Seed("figure.tiff"));
    tiff[4] = tiff[5] = tiff[6] = static_cast<char>(0x7F);
    EXPECT_NE(Reason(Write("directory.tiff", tiff)), "loaded");
    // An SVG that is not well-formed XML, and one that expands entities without end.
    EXPECT_NE(Reason(Write("broken.svg",
                           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"9\""
                           " height=\"9\"><circle r=\"3\"")),
              "loaded");
    QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE svg [<!ENTITY a \"aaaaaaaaaa\">";
    for (char e = 'b'; e <= 'j'; ++e)
        laughs += QByteArray("<!ENTITY ") + e + " \"" +
                  QByteArray(10, '&').replace("&", QByteArray("&") + char(e - 1) + ";") + "\">";
    laughs +=
        "]><svg xmlns=\"http://www.w3.org/2000/svg\" width=\"9\" "
        "height=\"9\"><text>&j;</text></svg>";
    EXPECT_NE(Reason(Write("laughs.svg", laughs)), "loaded");
    // Compressed drawings are not inflated at all.
    QByteArray gz("\x1f\x8b\x08\x00\x00\x00\x00\x00", 8);
    EXPECT_NE(Reason(Write("drawing.svgz", gz + QByteArray(64, '\0'))), "loaded");
}

TEST_F(Hostile, HeadersClaimingTooManyPixelsAreRefusedBeforeDecoding) {
    const auto tooLarge = [](const std::string& reason) {
        return reason.find("too large") != std::string::npos;
    };
    // PNG: a valid IHDR chunk for 20000 x 20000.
    QByteArray png = ReadAll(Seed("figure-transparent.png"));
    PutBigEndian(png, 16, 20000);
    PutBigEndian(png, 20, 20000);
    PutBigEndian(png, 29, Crc32(png.mid(12, 17)));
    EXPECT_TRUE(tooLarge(Reason(Write("huge.png", png)))) << Reason(dir + "/huge.png");
    // GIF: a logical screen of 65535 x 65535.
    QByteArray gif = ReadAll(Seed("figure-transparent.gif"));
    gif[6] = gif[7] = gif[8] = gif[9] = static_cast<char>(0xFF);
    EXPECT_TRUE(tooLarge(Reason(Write("huge.gif", gif)))) << Reason(dir + "/huge.gif");
    // TGA: 65535 x 65535.
    QByteArray tga = ReadAll(Seed("figure.tga"));
    tga[12] = tga[13] = tga[14] = tga[15] = static_cast<char>(0xFF);
    EXPECT_TRUE(tooLarge(Reason(Write("huge.tga", tga)))) << Reason(dir + "/huge.tga");
    // JPEG: the frame header claims 65000 x 65000.
    QByteArray jpg = ReadAll(Seed("photo.jpg"));
    const int sof = jpg.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(sof, 0);
    jpg[sof + 5] = jpg[sof + 7] = static_cast<char>(0xFD);
    jpg[sof + 6] = jpg[sof + 8] = static_cast<char>(0xE8);
    EXPECT_TRUE(tooLarge(Reason(Write("huge.jpg", jpg)))) << Reason(dir + "/huge.jpg");
    // WebP (lossless): 16384 x 16384.
    QByteArray webp = ReadAll(Seed("figure.webp"));
    ASSERT_EQ(webp.mid(12, 4), QByteArray("VP8L"));
    const std::uint32_t alphaBit = static_cast<std::uint8_t>(webp[24]) & 0x10u;
    const std::uint32_t bits = 0x3FFFu | (0x3FFFu << 14) | (alphaBit << 24);
    for (int k = 0; k < 4; ++k) webp[21 + k] = static_cast<char>(bits >> (8 * k));
    EXPECT_TRUE(tooLarge(Reason(Write("huge.webp", webp)))) << Reason(dir + "/huge.webp");
    // SVG: a canvas of 100000 x 100000.
    EXPECT_TRUE(
        tooLarge(Reason(Write("huge.svg",
                              "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100000\" "
                              "height=\"100000\"><circle cx=\"5\" cy=\"5\" r=\"4\"/></svg>"))));
}

TEST_F(Hostile, TheDecodersSayNothingOnTheTerminal) {
    // The command-line tool as a user runs it: one line of ours on standard error.
    QByteArray jpg = ReadAll(Seed("photo.jpg"));
    const std::string cut = Write("cut.jpg", jpg.left(jpg.size() - 3));
    QByteArray png = ReadAll(Seed("figure-transparent.png"));
    const std::string half = Write("half.png", png.left(png.size() / 2));
    QByteArray tiff = ReadAll(Seed("figure.tiff"));
    const std::string tiffHalf = Write("half.tiff", tiff.left(tiff.size() / 2));
    for (const std::string& path : {cut, half, tiffHalf}) {
        QProcess cli;
        cli.start(
            QStringLiteral(VONNIK_CLI_PROGRAM),
            {QString::fromStdString(path), QStringLiteral("--frame"), QStringLiteral("/dev/null")});
        ASSERT_TRUE(cli.waitForFinished(60000));
        EXPECT_EQ(cli.exitCode(), 1) << path;
        const QString err = QString::fromLocal8Bit(cli.readAllStandardError());
        EXPECT_TRUE(err.startsWith(QString::fromStdString("vonnik-cli: '" + path + "': ")))
            << err.toStdString();
        EXPECT_EQ(err.count(QLatin1Char('\n')), 1) << err.toStdString();
        EXPECT_TRUE(cli.readAllStandardOutput().isEmpty());
    }
}

}  // namespace
}  // namespace vonnik
