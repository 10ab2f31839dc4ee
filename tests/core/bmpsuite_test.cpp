// Every file of the BMP suite through the picture loader: good files decode to their
// reference pictures, questionable ones decode to a reference or are refused with a reason,
// bad ones are refused or decoded, and none crashes (the sanitizer build runs this too).
#include <gtest/gtest.h>

#include <QImage>
#include <fstream>
#include <map>
#include <sstream>

#include "core/picture_io.h"
#include "tests/support/pictures.h"

namespace vonnik {
namespace {

struct SuiteFile {
    std::string folder;  // g, q, b or x
    std::string name;
    std::vector<std::string> references;
};

void PrintTo(const SuiteFile& f, std::ostream* os) {
    *os << f.folder << "/" << f.name;
}

std::string Trim(const std::string& s) {
    const auto b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
    return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

// The file table of the suite's index: | folder | file | header | what | references | must |
std::vector<SuiteFile> SuiteFiles() {
    std::vector<SuiteFile> files;
    std::ifstream in(test::TestData("bmpsuite/INDEX.md"));
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("| ", 0) != 0) continue;
        std::vector<std::string> cells;
        std::stringstream row(line.substr(1));
        std::string cell;
        while (std::getline(row, cell, '|')) cells.push_back(Trim(cell));
        if (cells.size() < 5 || cells[0].size() != 2 || cells[0][1] != '/') continue;
        SuiteFile f{cells[0].substr(0, 1), cells[1], {}};
        std::stringstream refs(cells[4]);
        while (std::getline(refs, cell, ',')) {
            cell = Trim(cell);
            if (cell.size() > 4 && cell != "none") f.references.push_back(cell);
        }
        files.push_back(f);
    }
    return files;
}

// Largest channel difference where the reference is not fully transparent; -1 when the
// sizes differ.
int Distance(const Raster& r, const QImage& reference, bool swapRedGreen = false) {
    const QImage ref = reference.convertToFormat(QImage::Format_ARGB32);
    if (ref.width() != r.Width() || ref.height() != r.Height()) return -1;
    int worst = 0;
    for (int y = 0; y < r.Height(); ++y) {
        for (int x = 0; x < r.Width(); ++x) {
            const QRgb q = ref.pixel(x, y);
            if (qAlpha(q) == 0) continue;
            const Pixel p = r.At(x, y);
            int red = (p >> 16) & 0xFF, green = (p >> 8) & 0xFF;
            if (swapRedGreen) std::swap(red, green);
            worst = std::max({worst, std::abs(red - qRed(q)), std::abs(green - qGreen(q)),
                              std::abs(static_cast<int>(p & 0xFF) - qBlue(q))});
        }
    }
    return worst;
}

class BmpSuite : public testing::TestWithParam<SuiteFile> {};

TEST_P(BmpSuite, LoadsAsTheIndexRequires) {
    const SuiteFile& f = GetParam();
    const std::string path = test::TestData("bmpsuite/" + f.folder + "/" + f.name);
    std::optional<Raster> picture;
    try {
        picture = LoadPicture(path);
    } catch (const FileError& e) {
        EXPECT_EQ(e.Path(), path);
        EXPECT_FALSE(e.Reason().empty());
        EXPECT_NE(f.folder, "g") << "a good file must decode: " << e.what();
        return;
    }
    if (f.folder == "b") return;  // decoding a bad file is fine as long as nothing breaks
    ASSERT_FALSE(f.references.empty());
    std::vector<std::string> refs = f.references;
    if (f.name == "pal8nonsquare.bmp") refs = {"pal8nonsquare-e.png"};  // the stored pixels
    const int tolerance = f.folder == "g" ? 0 : (f.name == "rgb24jpeg.bmp" ? 64 : 1);
    int best = 1 << 20;
    for (const std::string& ref : refs) {
        const QImage image(QString::fromStdString(test::TestData("bmpsuite/html/" + ref)));
        ASSERT_FALSE(image.isNull()) << ref;
        int d = Distance(*picture, image);
        // A loader that ignores colour profiles shows this one with red and green swapped.
        if (f.name == "rgb24prof2.bmp") d = std::min(d, Distance(*picture, image, true));
        if (d >= 0) best = std::min(best, d);
    }
    EXPECT_LE(best, tolerance) << f.folder << "/" << f.name << " decodes to another picture";
}

INSTANTIATE_TEST_SUITE_P(Files, BmpSuite, testing::ValuesIn(SuiteFiles()),
                         [](const testing::TestParamInfo<SuiteFile>& info) {
                             std::string n = info.param.folder + "_" + info.param.name;
                             for (char& c : n)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return n;
                         });

TEST(BmpSuiteIndex, ListsEveryFileOfTheSuite) {
    EXPECT_EQ(SuiteFiles().size(), 91u);
}

TEST(BmpSuiteBadFiles, HugeHeadersAreRefusedWithoutAllocating) {
    EXPECT_THROW(LoadPicture(test::TestData("bmpsuite/b/reallybig.bmp")), FileError);
    EXPECT_THROW(LoadPicture(test::TestData("bmpsuite/b/badpalettesize.bmp")), FileError);
}

}  // namespace
}  // namespace vonnik
