// Rasters and lattice arrays take their memory zeroed from the allocator instead of writing
// it: every element a new size brings must still read as zero, whatever the memory held
// before.
#include <gtest/gtest.h>

#include <algorithm>

#include "builder/model_grid.h"
#include "core/raster.h"

namespace vonnik {
namespace {

bool AllZero(const auto& values) {
    return std::all_of(values.begin(), values.end(), [](auto v) { return v == decltype(v){}; });
}

TEST(ZeroedMemory, RastersStartBlackOrFilled) {
    // Small rasters come from memory the heap hands out again; large ones from fresh pages.
    for (const int side : {20, 100, 300, 20, 1000}) {
        Raster used(side, side, 0xABCDEF);
        used = Raster();
        Raster black(side, side);
        EXPECT_TRUE(AllZero(black.Pixels())) << side;
        const Raster grey(17, 3, 0x808080);
        EXPECT_TRUE(std::all_of(grey.Pixels().begin(), grey.Pixels().end(),
                                [](Pixel p) { return p == 0x808080; }));
    }
    Raster r(4, 4, 0x111111);
    r.Resize(6, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(r.At(x, y), x < 4 && y < 4 ? 0x111111u : 0u);
    Raster copy = r;
    EXPECT_EQ(copy, r);
}

TEST(ZeroedMemory, GridArraysAreZeroAfterEveryChangeOfSize) {
    GridArray<double> a;
    GridArray<VertexKind> kinds;
    for (const auto& [ci, cj] : {std::pair{40, 30}, {10, 10}, {40, 30}, {41, 30}, {41, 30}}) {
        a.ResizeZeroed(ci, cj);
        kinds.ResizeZeroed(ci, cj);
        ASSERT_EQ(a.Values().size(), static_cast<std::size_t>(ci) * cj);
        EXPECT_TRUE(AllZero(a.Values()));
        EXPECT_TRUE(AllZero(kinds.Values()));
        a.Fill(2.5);
        kinds.Fill(VertexKind::kInner);
    }
    // A plain resize to a new size is zero too; the same size keeps the contents.
    a.Resize(7, 7);
    EXPECT_TRUE(AllZero(a.Values()));
    a(3, 4) = 1.0;
    a.Resize(7, 7);
    EXPECT_EQ(a(3, 4), 1.0);
}

}  // namespace
}  // namespace vonnik
