// TGA files as most tools write them: version 1 (no footer), uncompressed and RLE, 24 and 32
// bits a pixel, rows from the top or from the bottom. Each builds exactly as the same picture
// in BMP.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/figure_key.h"
#include "core/picture_io.h"
#include "tests/support/cli_run.h"
#include "tests/support/pictures.h"

namespace vonnik {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

struct TgaLayout {
    const char* name;
    bool rle;
    int bits;  // 24, or 32 with 8 bits of alpha
    bool topDown;
};

void Put16(std::string& b, int v) {
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>(v >> 8);
}

// One pixel as the file stores it: B G R, then A for 32 bits.
std::string Stored(Pixel p, int bits, std::uint8_t alpha) {
    std::string s{static_cast<char>(p), static_cast<char>(p >> 8), static_cast<char>(p >> 16)};
    if (bits == 32) s += static_cast<char>(alpha);
    return s;
}

// The picture as a version-1 TGA file; alphaOf gives each pixel's alpha for 32 bits. RLE
// packets never cross a row, and runs of equal pixels up to 128 become run packets.
template <typename AlphaOf>
std::string EncodeTga(const Raster& picture, const TgaLayout& layout, AlphaOf alphaOf) {
    std::string b;
    b += '\0';  // no image id
    b += '\0';  // no colour map
    b += static_cast<char>(layout.rle ? 10 : 2);
    b.append(5, '\0');  // colour map fields
    Put16(b, 0);        // x origin
    Put16(b, 0);        // y origin
    Put16(b, picture.Width());
    Put16(b, picture.Height());
    b += static_cast<char>(layout.bits);
    b += static_cast<char>((layout.bits == 32 ? 8 : 0) | (layout.topDown ? 0x20 : 0));
    for (int n = 0; n < picture.Height(); ++n) {
        const int r = layout.topDown ? n : picture.Height() - 1 - n;
        const Pixel* row = picture.Row(r);
        for (int c = 0; c < picture.Width();) {
            const std::string pixel = Stored(row[c], layout.bits, alphaOf(c, r));
            if (!layout.rle) {
                b += pixel;
                ++c;
                continue;
            }
            int run = 1;
            while (c + run < picture.Width() && run < 128 &&
                   Stored(row[c + run], layout.bits, alphaOf(c + run, r)) == pixel)
                ++run;
            b += static_cast<char>(run > 1 ? 0x80 | (run - 1) : 0);
            b += pixel;
            c += run;
        }
    }
    return b;
}

const TgaLayout kLayouts[] = {
    {"raw-24-bottom-up", false, 24, false}, {"raw-24-top-down", false, 24, true},
    {"raw-32-bottom-up", false, 32, false}, {"raw-32-top-down", false, 32, true},
    {"rle-24-bottom-up", true, 24, false},  {"rle-24-top-down", true, 24, true},
    {"rle-32-bottom-up", true, 32, false},  {"rle-32-top-down", true, 32, true}};

class VersionOneTga : public testing::TestWithParam<TgaLayout> {
  protected:
    const test::TempDir tmp_{"tga"};
    const std::string dir_ = tmp_.Path();
    // An asymmetric figure, so that rows or columns read in the wrong order show.
    const Raster picture_ = test::MakeBlobs(53, 37, 7);
    std::string Write(const std::string& name, const std::string& bytes) const {
        return WriteFile(dir_ + "/" + name, bytes);
    }
};

TEST_P(VersionOneTga, BuildsExactlyAsTheSamePictureInBmp) {
    const TgaLayout& layout = GetParam();
    const std::string bmp = dir_ + "/figure.bmp";
    SaveFrameBmp(picture_, bmp);
    const std::string tga =
        Write("figure.tga", EncodeTga(picture_, layout, [](int, int) { return 255; }));
    EXPECT_TRUE(LoadPicture(tga) == picture_);
    for (const std::string& in : {bmp, tga}) {
        const test::CliRun run =
            test::Cli({in, "--polygon-size", "4", "--drag", "10,10;30,20", "--frame",
                       in + ".frame.bmp", "--dump-model", in + ".json"});
        ASSERT_EQ(run.status, 0) << run.err;
    }
    EXPECT_EQ(ReadFile(tga + ".json"), ReadFile(bmp + ".json"));
    EXPECT_EQ(ReadFile(tga + ".frame.bmp"), ReadFile(bmp + ".frame.bmp"));
}

// 32 bits: the fourth byte is the alpha, and the figure is what is opaque enough.
TEST_P(VersionOneTga, KeepsItsAlphaAndRefusesWhatIsCutShort) {
    const TgaLayout& layout = GetParam();
    const auto alphaOf = [](int c, int r) { return static_cast<std::uint8_t>(c * 7 + r * 3); };
    const std::string bytes = EncodeTga(picture_, layout, alphaOf);
    const PictureWithAlpha read = LoadPictureWithAlpha(Write("alpha.tga", bytes), {});
    EXPECT_TRUE(read.colours == picture_);
    if (layout.bits == 32) {
        ASSERT_EQ(read.alpha.size(), picture_.Pixels().size());
        for (int r = 0; r < picture_.Height(); ++r)
            for (int c = 0; c < picture_.Width(); ++c)
                ASSERT_EQ(read.alpha[static_cast<std::size_t>(r) * picture_.Width() + c],
                          alphaOf(c, r))
                    << c << "," << r;
    } else {
        EXPECT_TRUE(read.alpha.empty());
    }
    for (const std::size_t keep : {std::size_t{18}, bytes.size() / 2, bytes.size() - 1}) {
        const std::string cut = Write("cut.tga", bytes.substr(0, keep));
        EXPECT_THROW(LoadPicture(cut), FileError) << keep << " of " << bytes.size() << " bytes";
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, VersionOneTga, testing::ValuesIn(kLayouts),
                         [](const testing::TestParamInfo<TgaLayout>& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (ch == '-') ch = '_';
                             return name;
                         });

// The size the header claims is checked before the decoder takes any memory; a header
// that holds no true-colour TGA is not handed to the TGA decoder.
TEST(VersionOneTgaHeader, IsCheckedBeforeDecoding) {
    const test::TempDir tmp("tga-header");
    const Raster small = test::MakeDisc(8, 6, 4, 3, 2);
    std::string huge = EncodeTga(small, kLayouts[4], [](int, int) { return 255; });
    huge[12] = huge[13] = huge[14] = huge[15] = static_cast<char>(0xFF);
    WriteFile(tmp.Path() + "/huge.tga", huge);
    try {
        LoadPicture(tmp.Path() + "/huge.tga");
        ADD_FAILURE() << "a 65535 x 65535 picture was read";
    } catch (const FileError& e) {
        EXPECT_NE(e.Reason().find("too large (65535 x 65535 pixels"), std::string::npos)
            << e.Reason();
    }
    EXPECT_THROW(LoadPicture(tmp.Path() + "/huge.tga", 8 * 6 - 1), FileError);

    const std::string good = EncodeTga(small, kLayouts[0], [](int, int) { return 255; });
    EXPECT_TRUE(LoadPicture(WriteFile(tmp.Path() + "/good.tga", good), 8 * 6) == small);
    // A colour map, another image type, 16 bits or interleaving: not ours to read, and not
    // Qt's either.
    for (const auto& [at, value] : std::vector<std::pair<int, int>>{
             {1, 1}, {2, 3}, {2, 1}, {16, 16}, {17, 0x40}, {17, 0x04}}) {
        std::string other = good;
        other[at] = static_cast<char>(value);
        EXPECT_THROW(LoadPicture(WriteFile(tmp.Path() + "/other.tga", other)), FileError)
            << "byte " << at << " = " << value;
    }
}

}  // namespace
}  // namespace vonnik
