// The limits that keep hostile input from exhausting the machine: pictures over the pixel
// limit and models over the memory budget are refused before their memory is allocated,
// with a message that says why.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <QFile>
#include <QTemporaryDir>
#include <climits>

#include "core/picture_io.h"
#include "session/session.h"
#include "tests/support/pictures.h"

namespace vonnik {
namespace {

long PeakResidentMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

QByteArray Headers32(std::int32_t width, std::int32_t height) {
    QByteArray b(54, '\0');
    const auto put = [&b](int at, std::uint32_t v) {
        for (int k = 0; k < 4; ++k) b[at + k] = static_cast<char>(v >> (8 * k));
    };
    b[0] = 'B';
    b[1] = 'M';
    put(2, 54);
    put(10, 54);
    put(14, 40);
    put(18, static_cast<std::uint32_t>(width));
    put(22, static_cast<std::uint32_t>(height));
    b[26] = 1;
    b[28] = 32;
    return b;
}

// Headers that claim more pixels than the limit (or no sensible size at all), with no
// pixels after them: refused by the header alone.
TEST(PixelLimit, HugeClaimsAreRefusedBeforeAnyPixelMemory) {
    QTemporaryDir dir;
    const std::pair<std::int32_t, std::int32_t> claims[] = {
        {10001, 10000},          // just over 100 million pixels
        {100'000'000, 2},        // a long, thin one
        {20000, -20000},         // top-down
        {INT32_MAX, INT32_MAX},  // width x height overflows 32 bits
        {-5, 5},                 // no valid width
        {46341, 46341},          // over the limit, and 4 x 2^31 bytes
    };
    const long peakBefore = PeakResidentMiB();
    for (const auto& [w, h] : claims) {
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        const std::string path = dir.filePath("claim.bmp").toStdString();
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(Headers32(w, h));
        file.close();
        try {
            LoadPicture(path);
            ADD_FAILURE() << "loaded";
        } catch (const FileError& e) {
            EXPECT_EQ(e.Path(), path);
            EXPECT_FALSE(e.Reason().empty());
            if (w > 0 && w < INT32_MAX) {
                EXPECT_NE(e.Reason().find("too large"), std::string::npos) << e.Reason();
            }
        }
    }
    EXPECT_LT(PeakResidentMiB() - peakBefore, 64);
}

// Polygon size 1 over 12 million pixels would need about 8 GB of lattice arrays on either
// lattice: refused before they are allocated, naming the cause. One row keeps the picture
// itself at 48 MB.
TEST(GridBudget, AModelOverTheBudgetIsRefusedBeforeAllocating) {
    const Raster wide = test::MakeRect(12'000'000, 1, 1000, 0, 5000, 0);
    for (bool triangle : {true, false}) {
        SCOPED_TRACE(triangle ? "triangle lattice" : "square lattice");
        PanelInputs panel;
        panel.PolygonText = "1";
        panel.SpecialPolygon = !triangle;
        SharedState state;
        SetLightPoint(state, 70, 40, false);
        BuildIntoState(state, PanelInputs{}, "disc.bmp", test::MakeDisc(30, 20, 15, 10, 8),
                       test::MakeDisc(30, 20, 15, 10, 8), {});
        const ModelGrid before = state.Grid;
        const long peakBefore = PeakResidentMiB();
        try {
            BuildIntoState(state, panel, "wide.bmp", wide, wide, {});
            ADD_FAILURE() << "built";
        } catch (const BuildError& e) {
            const std::string why = e.what();
            EXPECT_NE(why.find("polygon size"), std::string::npos) << why;
            EXPECT_NE(why.find("12000000 x 1"), std::string::npos) << why;
        }
        // The copies of the picture (with a sanitizer's shadow of them), not the 8 GB of arrays.
        EXPECT_LT(PeakResidentMiB() - peakBefore, 1024);
        EXPECT_EQ(state.PictureName, "disc.bmp");
        EXPECT_EQ(state.Grid.FrontX.Values(), before.FrontX.Values());
        EXPECT_EQ(state.Grid.VertexState.Values(), before.VertexState.Values());
        EXPECT_EQ(state.FrontPicture.Width(), 30);
        EXPECT_EQ(state.ViewWidth, 30);
    }
    // Polygon size 1 itself is fine where the picture is small.
    PanelInputs one;
    one.PolygonText = "1";
    SharedState state;
    const Raster disc = test::MakeDisc(30, 20, 15, 10, 8);
    EXPECT_NO_THROW(BuildIntoState(state, one, "disc.bmp", disc, disc, {}));
}

}  // namespace
}  // namespace vonnik
