#include <gtest/gtest.h>

#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QImage>
#include <cstring>

#include "core/picture_io.h"
#include "tests/support/pictures.h"

namespace vonnik {
namespace {

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

TEST(FrameFile, HasTheSnapshotLayoutByteForByte) {
    Raster frame(3, 2);
    frame.Set(0, 0, 0x00112233);  // top row
    frame.Set(2, 0, 0x00ABCDEF);
    frame.Set(1, 1, 0x00010203);  // bottom row
    const std::vector<std::uint8_t> b = EncodeFrameBmp(frame);
    ASSERT_EQ(b.size(), 54u + 3 * 2 * 4);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(U32(b, 2), b.size());
    EXPECT_EQ(U32(b, 6), 0u);    // two reserved words
    EXPECT_EQ(U32(b, 10), 54u);  // pixel data offset
    EXPECT_EQ(U32(b, 14), 40u);
    EXPECT_EQ(static_cast<std::int32_t>(U32(b, 18)), 3);
    EXPECT_EQ(static_cast<std::int32_t>(U32(b, 22)), 2);  // positive: bottom-up
    EXPECT_EQ(U16(b, 26), 1);
    EXPECT_EQ(U16(b, 28), 32);
    EXPECT_EQ(U32(b, 30), 0u);  // no compression
    EXPECT_EQ(U32(b, 46), 0u);  // no colour table
    // First stored row is the bottom row of the frame, pixels as B G R X.
    const std::uint8_t bottom[] = {0, 0, 0, 0, 0x03, 0x02, 0x01, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(b.data() + 54, bottom, sizeof bottom), 0);
    const std::uint8_t top[] = {0x33, 0x22, 0x11, 0, 0, 0, 0, 0, 0xEF, 0xCD, 0xAB, 0};
    EXPECT_EQ(std::memcmp(b.data() + 54 + 12, top, sizeof top), 0);
}

TEST(FrameFile, ReadsBackAsTheSamePicture) {
    const test::TempDir tmp("frame");
    const std::string dir = tmp.Path();
    const Raster original = test::MakeDisc(31, 17, 15, 8, 6);
    SaveFrameBmp(original, dir + "/f.bmp");
    EXPECT_EQ(LoadPicture(dir + "/f.bmp"), original);
    // The file is written row by row from the raster: byte for byte the encoded frame.
    QFile written(QString::fromStdString(dir + "/f.bmp"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    const std::vector<std::uint8_t> encoded = EncodeFrameBmp(original);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), encoded);
    EXPECT_TRUE(QDir(QString::fromStdString(dir)).entryList(QDir::Files | QDir::Hidden).size() == 1)
        << "no temporary file left behind";
}

TEST(FrameFile, AFailedWriteNamesTheFileAndLeavesNothing) {
    const test::TempDir tmp("frame-fail");
    const std::string dir = tmp.Path();
    const std::string path = dir + "/missing-folder/0000.bmp";
    try {
        SaveFrameBmp(Raster(4, 4), path);
        FAIL() << "the write should fail";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Path(), path);
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
    }
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
    if (QFile::exists("/dev/full")) {
        EXPECT_THROW(SaveFrameBmp(Raster(64, 64), "/dev/full/0000.bmp"), FileError);
    }
}

class LoadErrors : public testing::Test {
  protected:
    const test::TempDir tmp{"load"};
    std::string dir = tmp.Path();
    std::string Write(const std::string& name, const QByteArray& bytes) {
        QFile f(QString::fromStdString(dir + "/" + name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return dir + "/" + name;
    }
    static std::string Reason(const std::string& path, std::uint64_t limit = kMaxPicturePixels) {
        try {
            LoadPicture(path, limit);
        } catch (const FileError& e) {
            EXPECT_EQ(e.Path(), path);
            return e.Reason();
        }
        return "loaded";
    }
};

TEST_F(LoadErrors, EachBadFileGetsAReasonNamingIt) {
    EXPECT_EQ(Reason(dir + "/nothing.bmp"), "no such file");
    EXPECT_NE(Reason(dir).find("folder"), std::string::npos);
    EXPECT_NE(Reason(Write("empty.bmp", {})).find("empty"), std::string::npos);
    EXPECT_NE(Reason(Write("text.bmp", "just some words, not a picture")), "loaded");
    EXPECT_NE(Reason(Write("bm.bmp", "BM")), "loaded");
    if (QFile::exists("/dev/null")) {
        EXPECT_NE(Reason("/dev/null"), "loaded");
    }
    const std::string loop = dir + "/loop.bmp";
    ASSERT_EQ(symlink(loop.c_str(), loop.c_str()), 0);
    EXPECT_NE(Reason(loop), "loaded");
}

TEST_F(LoadErrors, PicturesOverThePixelLimitAreRefusedBeforeDecoding) {
    const std::string path = dir + "/big.png";
    QImage image(300, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.save(QString::fromStdString(path));
    EXPECT_NE(Reason(path, 300 * 200 - 1).find("too large"), std::string::npos);
    EXPECT_EQ(Reason(path, 300 * 200), "loaded");
}

TEST_F(LoadErrors, ATruncatedPictureIsRefusedOrFullyDefined) {
    const std::string whole = dir + "/whole.bmp";
    SaveFrameBmp(test::MakeDisc(40, 30, 20, 15, 10), whole);
    QFile f(QString::fromStdString(whole));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    for (int keep : {10, 54, 60, 54 + 40 * 4 * 7 + 3, static_cast<int>(bytes.size()) - 1}) {
        const std::string path = Write("cut" + std::to_string(keep) + ".bmp", bytes.left(keep));
        try {
            const Raster r = LoadPicture(path);
            // Whatever rows the file lacks come out black, never undefined.
            EXPECT_EQ(r.Width(), 40);
            EXPECT_EQ(r.Height(), 30);
        } catch (const FileError&) {
        }
    }
}

TEST(LoadPicture, ReadsPngAndSetsTheFourthByteToZero) {
    const test::TempDir tmp("png");
    const std::string dir = tmp.Path();
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(10, 20, 30, 255));
    image.setPixel(1, 0, qRgba(200, 100, 50, 255));
    image.save(QString::fromStdString(dir + "/p.png"));
    const Raster r = LoadPicture(dir + "/p.png");
    EXPECT_EQ(r.At(0, 0), 0x000A141Eu);
    EXPECT_EQ(r.At(1, 0), 0x00C86432u);
}

}  // namespace
}  // namespace vonnik
