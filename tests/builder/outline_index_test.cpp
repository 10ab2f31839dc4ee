// The outline index against a scan of the whole list, on point sets full of ties.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <set>

#include "builder/outline_index.h"
#include "builder/row_nearest.h"

namespace vonnik {
namespace {

struct Points {
    std::vector<std::int32_t> xs, ys;
};

// Points on a small square of whole pixels: many equal distances and repeated points.
Points RandomPoints(std::mt19937& rng, int count, int span) {
    Points p;
    for (int k = 0; k < count; ++k) {
        p.xs.push_back(static_cast<std::int32_t>(rng() % span));
        p.ys.push_back(static_cast<std::int32_t>(rng() % span));
    }
    return p;
}

// A query: whole pixels, half pixels or any point, around and beyond the points.
std::pair<double, double> RandomQuery(std::mt19937& rng, int span) {
    std::uniform_real_distribution<double> any(-3.0, span + 3.0);
    switch (rng() % 3) {
        case 0:
            return {std::floor(any(rng)), std::floor(any(rng))};
        case 1:
            return {std::floor(any(rng)) + 0.5, std::floor(any(rng)) + 0.5};
        default:
            return {any(rng), any(rng)};
    }
}

OutlineIndex::Nearest ScanNearest(const Points& p, double x, double y) {
    OutlineIndex::Nearest best{-1, std::numeric_limits<double>::infinity()};
    for (std::size_t k = 0; k < p.xs.size(); ++k) {
        const double dx = x - p.xs[k], dy = y - p.ys[k];
        const double d2 = dx * dx + dy * dy;
        if (d2 < best.distanceSq) best = {static_cast<std::int32_t>(k), d2};
    }
    return best;
}

TEST(OutlineIndex, FindNearestMatchesTheScanIncludingTies) {
    std::mt19937 rng(42);
    for (int set = 0; set < 200; ++set) {
        const int span = 2 + static_cast<int>(rng() % 30);
        const int count = static_cast<int>(rng() % 400);
        const Points p = RandomPoints(rng, count, span);
        const OutlineIndex index(p.xs, p.ys, count);
        for (int q = 0; q < 100; ++q) {
            const auto [x, y] = RandomQuery(rng, span);
            const OutlineIndex::Nearest want = ScanNearest(p, x, y);
            const OutlineIndex::Nearest got = index.FindNearest(x, y);
            ASSERT_EQ(got.index, want.index) << "set " << set << " at " << x << "," << y;
            if (count > 0) {
                ASSERT_EQ(got.distanceSq, want.distanceSq);
            }
        }
    }
}

TEST(OutlineIndex, FindNearestHasNoDistanceCap) {
    const std::vector<std::int32_t> xs = {0, 5000, 5000}, ys = {0, 0, 10};
    const OutlineIndex index(xs, ys, 3);
    EXPECT_EQ(index.FindNearest(-9000.0, 3.0).index, 0);
    EXPECT_EQ(index.FindNearest(9000.0, 5.0).index, 1);  // equally far from 1 and 2
    EXPECT_EQ(index.FindNearest(1e7, 1e7).index, 2);
}

TEST(OutlineIndex, OnlyTheFirstCountPointsAreIndexed) {
    const std::vector<std::int32_t> xs = {10, 0, 0}, ys = {10, 0, 0};
    const OutlineIndex index(xs, ys, 1);
    EXPECT_EQ(index.FindNearest(0.0, 0.0).index, 0);
    EXPECT_EQ(index.Remaining(), 1);
    const OutlineIndex empty(xs, ys, 0);
    EXPECT_EQ(empty.FindNearest(0.0, 0.0).index, -1);
    EXPECT_EQ(empty.Remaining(), 0);
}

TEST(OutlineIndex, TakeWithinHandsOutEveryPointStrictlyInsideOnce) {
    std::mt19937 rng(7);
    for (int set = 0; set < 150; ++set) {
        const int span = 2 + static_cast<int>(rng() % 25);
        const int count = static_cast<int>(rng() % 300);
        const Points p = RandomPoints(rng, count, span);
        OutlineIndex index(p.xs, p.ys, count);
        std::vector<bool> alive(count, true);
        for (int q = 0; q < 40; ++q) {
            const auto [x, y] = RandomQuery(rng, span);
            // Whole-number limits fall exactly on distances of whole-pixel queries.
            double limit = static_cast<double>(rng() % 40);
            if (rng() % 2) limit += std::uniform_real_distribution<double>(0.0, 1.0)(rng);
            std::set<std::int32_t> want, got;
            for (int k = 0; k < count; ++k) {
                const double dx = p.xs[k] - x, dy = p.ys[k] - y;
                if (alive[k] && limit > dx * dx + dy * dy) want.insert(k);
            }
            index.TakeWithin(x, y, limit, [&](std::int32_t k) {
                ASSERT_TRUE(got.insert(k).second) << "claimed twice: " << k;
            });
            ASSERT_EQ(got, want) << "set " << set << " query " << q;
            for (std::int32_t k : got) alive[k] = false;
            ASSERT_EQ(index.Remaining(), std::count(alive.begin(), alive.end(), true));
        }
    }
}

// Points in the outline's scan order: by x, then y, each point once.
Points ScanOrdered(std::mt19937& rng, int count, int span) {
    std::set<std::pair<std::int32_t, std::int32_t>> unique;
    for (int k = 0; k < count; ++k)
        unique.insert(
            {static_cast<std::int32_t>(rng() % span), static_cast<std::int32_t>(rng() % span)});
    Points p;
    for (auto [x, y] : unique) {
        p.xs.push_back(x);
        p.ys.push_back(y);
    }
    return p;
}

// Lines at whole pixels, at half pixels (every column then has two pixels equally near) and
// anywhere; along a line, points at whole, half and any abscissae, in increasing order and
// then a few going back.
TEST(RowNearest, MatchesTheScanOnLinesFullOfTies) {
    std::mt19937 rng(99);
    std::uniform_real_distribution<double> any(0.0, 1.0);
    for (int set = 0; set < 150; ++set) {
        const int span = 2 + static_cast<int>(rng() % 40);
        const Points p = ScanOrdered(rng, static_cast<int>(rng() % 300), span);
        const auto count = static_cast<std::int32_t>(p.xs.size());
        const OutlineIndex index(p.xs, p.ys, count);
        RowNearest rows(p.xs, p.ys, count);
        for (double y = -2.0; y < span + 2; y += 0.5 + (rng() % 2) * any(rng)) {
            std::vector<double> xs;
            for (double x = -3.0; x < span + 3; x += 0.25 + any(rng) * (rng() % 3))
                xs.push_back(rng() % 3 == 0 ? std::floor(x) : x);
            std::sort(xs.begin(), xs.end());
            for (int back = 0; back < 3; ++back) xs.push_back(any(rng) * span);
            for (double x : xs) {
                const OutlineIndex::Nearest want = ScanNearest(p, x, y);
                const OutlineIndex::Nearest got = rows.Find(x, y, index, -1);
                ASSERT_EQ(got.index, want.index) << "set " << set << " at " << x << "," << y;
                if (count > 0) {
                    ASSERT_EQ(got.distanceSq, want.distanceSq);
                }
            }
        }
    }
}

TEST(RowNearest, AHairFromHalfwayTheFirstListedOfAColumnStillWinsRoundedTies) {
    // On the line y = 0.5 + 2^-40 the pixel (0, 1) is nearer than (0, 0) by 2^-39 squared
    // pixels; 300 pixels away that difference is lost in rounding, and the tie goes to the
    // first listed, (0, 0).
    const std::vector<std::int32_t> xs = {0, 0, 40}, ys = {0, 1, 7};
    const OutlineIndex index(xs, ys, 3);
    RowNearest rows(xs, ys, 3);
    const double y = 0.5 + std::ldexp(1.0, -40);
    for (double x : {-300.0, -299.75, -250.5}) {
        ASSERT_EQ(ScanNearest({xs, ys}, x, y).index, 0);
        EXPECT_EQ(rows.Find(x, y, index, -1).index, 0) << x;
    }
}

// Three columns whose parabolas nearly meet at one point along the line: the middle one is
// hidden, yet within a hair of the others about x = 1. Queried along the line and then back
// into that near tie, point by point from the right, every answer is the scan's; and going
// back, the line's envelope still answers wherever no close call is near.
TEST(RowNearest, GoingBackAlongALineIntoANearTieStillMatchesTheScan) {
    for (const std::int32_t at : {0, 30000}) {
        const Points p{{at, at + 1, at + 2}, {at, at + 2, at}};
        const OutlineIndex index(p.xs, p.ys, 3);
        RowNearest rows(p.xs, p.ys, 3);
        for (const double dy : {0.74, 0.745, 0.75}) {
            const double y = at + dy;
            std::vector<double> xs;
            for (double x = -1.0; x <= 3.0; x += 1.0 / 64) xs.push_back(at + x);
            for (double x = 1.25; x >= 0.75; x -= 1.0 / 256) xs.push_back(at + x);
            for (const double x : xs) {
                const OutlineIndex::Nearest want = ScanNearest(p, x, y);
                const OutlineIndex::Nearest got = rows.Find(x, y, index, -1);
                ASSERT_EQ(got.index, want.index) << x << "," << y;
                ASSERT_EQ(got.distanceSq, want.distanceSq) << x << "," << y;
            }
            // Back from the right into the left column's stretch, far from the tie: the
            // envelope answers, not the index.
            rows.Find(at + 2.75, y, index, -1);
            const std::size_t closeCalls = rows.CloseCallAnswers();
            for (double x = 0.5; x >= -0.5; x -= 1.0 / 64) {
                const OutlineIndex::Nearest want = ScanNearest(p, at + x, y);
                const OutlineIndex::Nearest got = rows.Find(at + x, y, index, -1);
                ASSERT_EQ(got.index, want.index) << x << "," << y;
                ASSERT_EQ(got.distanceSq, want.distanceSq) << x << "," << y;
            }
            EXPECT_EQ(rows.CloseCallAnswers(), closeCalls) << dy;
        }
    }
}

TEST(RowNearest, LinesInAnyOrderAndListsOutOfScanOrderStillGetExactAnswers) {
    std::mt19937 rng(5);
    Points p = RandomPoints(rng, 200, 25);  // repeated points, no order
    const auto count = static_cast<std::int32_t>(p.xs.size());
    const OutlineIndex index(p.xs, p.ys, count);
    RowNearest rows(p.xs, p.ys, count);
    for (int q = 0; q < 500; ++q) {
        const auto [x, y] = RandomQuery(rng, 25);
        ASSERT_EQ(rows.Find(x, y, index, static_cast<std::int32_t>(rng() % 200)).index,
                  ScanNearest(p, x, y).index);
    }
    const Points ordered = ScanOrdered(rng, 300, 25);
    const auto n = static_cast<std::int32_t>(ordered.xs.size());
    const OutlineIndex orderedIndex(ordered.xs, ordered.ys, n);
    RowNearest orderedRows(ordered.xs, ordered.ys, n);
    for (int q = 0; q < 500; ++q) {
        const auto [x, y] = RandomQuery(rng, 25);
        ASSERT_EQ(orderedRows.Find(x, y, orderedIndex, -1).index, ScanNearest(ordered, x, y).index);
    }
}

}  // namespace
}  // namespace vonnik
