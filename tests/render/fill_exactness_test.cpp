// The fast fill against the fill rule drawn pixel by pixel: every kernel, every band split and
// every thread count must give the same frame, pixel for pixel, as the literal fill, on random
// triangles chosen to stress the row limits (slivers, pixel-centre hits, huge and tiny coordinates)
// and on whole models turned every which way.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include "render/fill_kernels.h"
#include "tests/render/fill_oracle.h"
#include "tests/render/render_fixtures.h"
#include "tests/support/pictures.h"
#include "viewer/rotation.h"

namespace vonnik::test {
namespace {

constexpr FillKernel kKernels[] = {FillKernel::kBest,  FillKernel::kTiles, FillKernel::kOctets,
                                   FillKernel::kQuads, FillKernel::kPairs, FillKernel::kScalar};

struct TriangleCase {
    double x[3], y[3], tx[3], ty[3];
    double shade;
};

class RandomTriangles {
  public:
    explicit RandomTriangles(std::uint32_t seed) : rng_(seed) {}

    TriangleCase Next(int kind, int pictureWidth, int pictureHeight) {
        TriangleCase k{};
        Positions(kind, k);
        Texels(k.tx, pictureWidth);
        Texels(k.ty, pictureHeight);
        const double shades[] = {0.0, 1.0, 0.5, Uniform(0.0, 1.0)};
        k.shade = shades[rng_() % 4];
        return k;
    }

  private:
    double Uniform(double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(rng_); }

    void Positions(int kind, TriangleCase& k) {
        switch (kind) {
            case 0:  // anywhere in and around the frame
                for (int v = 0; v < 3; ++v) k.x[v] = Uniform(-20, 84), k.y[v] = Uniform(-16, 64);
                break;
            case 1:  // a sliver: the third vertex within a hair of the line through the others
                Sliver(k);
                break;
            case 2:  // on quarter pixels: edges through pixel centres and corners
                for (int v = 0; v < 3; ++v)
                    k.x[v] = (rng_() % 300) / 4.0 - 5, k.y[v] = (rng_() % 220) / 4.0 - 3;
                break;
            case 3:  // some coordinates huge
                for (int v = 0; v < 3; ++v)
                    k.x[v] = Huge(Uniform(-20, 84)), k.y[v] = Huge(Uniform(-16, 64));
                break;
            case 4:  // tiny coordinates and differences near the bottom of the number range
                for (int v = 0; v < 3; ++v)
                    k.x[v] = Uniform(-3, 3) * std::pow(10.0, -Uniform(0, 310)),
                    k.y[v] = Uniform(-3, 3) * std::pow(10.0, -Uniform(0, 310));
                break;
            default:  // a horizontal or a vertical edge
                for (int v = 0; v < 3; ++v)
                    k.x[v] = std::round(Uniform(-10, 74)) + 0.5, k.y[v] = Uniform(-10, 58);
                if (rng_() % 2)
                    k.y[1] = k.y[0];
                else
                    k.x[2] = k.x[0];
                break;
        }
    }

    void Sliver(TriangleCase& k) {
        const double ax = Uniform(-20, 84), ay = Uniform(-16, 64);
        const double bx = Uniform(-20, 84), by = Uniform(-16, 64);
        const double lambda = Uniform(-0.5, 1.5), hair = std::pow(10.0, -Uniform(1, 16));
        const double len = std::hypot(bx - ax, by - ay) + 1e-300;
        const double cx = ax + lambda * (bx - ax) - hair * (by - ay) / len;
        const double cy = ay + lambda * (by - ay) + hair * (bx - ax) / len;
        const double xs[3] = {ax, bx, cx}, ys[3] = {ay, by, cy};
        const int first = static_cast<int>(rng_() % 3);  // which vertex is V0 matters
        for (int v = 0; v < 3; ++v) k.x[v] = xs[(first + v) % 3], k.y[v] = ys[(first + v) % 3];
    }

    double Huge(double ordinary) {
        const double magnitudes[] = {1e8, 1e15, 1e200, 1e300, 0x1p36, 0x1p36 + 0.5, 0x1p36 - 0.5};
        if (rng_() % 3 != 0) return ordinary;
        return (rng_() % 2 ? 1 : -1) * magnitudes[rng_() % 7];
    }

    // Inside the picture, at its edge, or far outside it.
    void Texels(double* t, int size) {
        const int where = static_cast<int>(rng_() % 3);
        for (int v = 0; v < 3; ++v) {
            if (where == 0)
                t[v] = Uniform(0, size - 1);
            else if (where == 1)
                t[v] = Uniform(-0.6, size - 0.4);
            else
                t[v] = Uniform(-30, size + 30);
        }
    }

    std::mt19937 rng_;
};

Raster Patterned(int width, int height) {
    Raster r(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) r.Set(x, y, 0xF0000000u | static_cast<Pixel>(x * 131 + y));
    return r;
}

TriangleModel ModelOf(const TriangleCase& k) {
    return TriangleModel({{{k.x[0], k.y[0]}, {k.x[1], k.y[1]}, {k.x[2], k.y[2]}}},
                         {{{k.tx[0], k.ty[0]}, {k.tx[1], k.ty[1]}, {k.tx[2], k.ty[2]}}});
}

// Draws the case with FillTriangle, in `bands` horizontal bands one after the other.
Raster FastFrame(const TriangleCase& k, const Raster& picture, FillKernel kernel, int bands,
                 int width = 64, int height = 48) {
    const TriangleModel m = ModelOf(k);
    Raster frame = Patterned(width, height);
    FillContext ctx = ContextFor(m.grid, picture, frame, k.shade);
    ctx.kernel = kernel;
    for (int b = 0; b < bands; ++b) {
        ctx.rowBegin = frame.Height() * b / bands;
        ctx.rowEnd = frame.Height() * (b + 1) / bands;
        m.Fill(ctx);
    }
    return frame;
}

// Draws the case with FillTriangle in the rows [rowBegin, rowEnd) alone.
Raster FastBand(const TriangleCase& k, const Raster& picture, FillKernel kernel, int rowBegin,
                int rowEnd, int width, int height) {
    const TriangleModel m = ModelOf(k);
    Raster frame = Patterned(width, height);
    FillContext ctx = ContextFor(m.grid, picture, frame, k.shade);
    ctx.kernel = kernel;
    ctx.rowBegin = rowBegin;
    ctx.rowEnd = rowEnd;
    m.Fill(ctx);
    return frame;
}

// The rows [rowBegin, rowEnd) of drawn over the untouched pattern.
Raster BandOf(const Raster& drawn, int rowBegin, int rowEnd) {
    Raster band = Patterned(drawn.Width(), drawn.Height());
    for (int y = rowBegin; y < rowEnd; ++y)
        for (int x = 0; x < drawn.Width(); ++x) band.Set(x, y, drawn.At(x, y));
    return band;
}

TEST(FillExactness, RandomTrianglesDrawWhatTheRuleDraws) {
    const Raster picture = Gradient(24, 20);
    RandomTriangles random(20240611);
    int drawing = 0;
    for (int n = 0; n < 1800; ++n) {
        const int kind = n % 6;
        const TriangleCase k = random.Next(kind, picture.Width(), picture.Height());
        Raster expected = Patterned(64, 48);
        OracleFill(k.x, k.y, k.tx, k.ty, picture, k.shade, expected);
        drawing += SameFrame(expected, Patterned(64, 48)) ? 0 : 1;

        const TriangleModel m({{{k.x[0], k.y[0]}, {k.x[1], k.y[1]}, {k.x[2], k.y[2]}}},
                              {{{k.tx[0], k.ty[0]}, {k.tx[1], k.ty[1]}, {k.tx[2], k.ty[2]}}});
        Raster byBox = Patterned(64, 48);
        m.FillByBox(ContextFor(m.grid, picture, byBox, k.shade));
        ASSERT_TRUE(SameFrame(byBox, expected)) << "case " << n << " (kind " << kind << ")";
        for (FillKernel kernel : kKernels)
            for (int bands : {1, 3})
                ASSERT_TRUE(SameFrame(FastFrame(k, picture, kernel, bands), expected))
                    << "case " << n << " (kind " << kind << "), kernel " << static_cast<int>(kernel)
                    << ", " << bands << " bands";
    }
    EXPECT_GT(drawing, 900);  // most cases draw something
}

// Long slivers across the whole frame at every angle, the case the row limits are most
// likely to cut too short.
TEST(FillExactness, SliversAcrossTheFrame) {
    const Raster picture = Gradient(24, 20);
    for (int n = 0; n < 360; ++n) {
        const double angle = n * 0.5 * M_PI / 180.0;
        const double cx = 32.3, cy = 24.1, reach = 60.0;
        const double hair = std::pow(10.0, -(n % 15)) * 0.7;
        TriangleCase k{{cx - reach * std::cos(angle), cx + reach * std::cos(angle),
                        cx + hair * std::sin(angle)},
                       {cy - reach * std::sin(angle), cy + reach * std::sin(angle),
                        cy - hair * std::cos(angle)},
                       {1.0, 22.0, 11.0},
                       {1.0, 18.0, 9.0},
                       0.8};
        Raster expected = Patterned(64, 48);
        OracleFill(k.x, k.y, k.tx, k.ty, picture, k.shade, expected);
        for (FillKernel kernel : kKernels)
            ASSERT_TRUE(SameFrame(FastFrame(k, picture, kernel, 1), expected))
                << "angle step " << n << ", kernel " << static_cast<int>(kernel);
    }
}

// A picture coordinate on a half or a third: mostly inside a picture of the given size, at
// times just outside it.
double OnHalvesOrThirds(std::mt19937& rng, int size) {
    const int parts = rng() % 2 ? 2 : 3;
    const int steps = static_cast<int>(rng() % static_cast<unsigned>(parts * (size + 1)));
    return static_cast<double>(steps - parts / 2) / parts;
}

// Corners on quarter pixels and picture coordinates on halves and thirds. The interpolated
// picture coordinates of such triangles often land on a whole number, or within a rounding
// of one, where a sum taken in another order than the rule's truncates to the neighbouring
// texel; random real coordinates almost never come that close.
TEST(FillExactness, QuarterPixelCornersWithTexelsOnHalvesAndThirds) {
    const Raster picture = Gradient(24, 20);
    constexpr int kWidth = 32, kHeight = 24;
    std::mt19937 rng(20261208);
    const auto corner = [&](int size) {  // from a pixel before the frame to one after it
        return static_cast<int>(rng() % static_cast<unsigned>(4 * (size + 2))) / 4.0 - 1.0;
    };
    const auto texel = [&](int size) { return OnHalvesOrThirds(rng, size); };
    const double shades[] = {1.0, 0.5, 0.8};
    int drawing = 0;
    for (int n = 0; n < 30000; ++n) {
        TriangleCase k{};
        for (int v = 0; v < 3; ++v) {
            k.x[v] = corner(kWidth);
            k.y[v] = corner(kHeight);
            k.tx[v] = texel(picture.Width());
            k.ty[v] = texel(picture.Height());
        }
        k.shade = shades[n % 3];
        Raster expected = Patterned(kWidth, kHeight);
        OracleFill(k.x, k.y, k.tx, k.ty, picture, k.shade, expected);
        drawing += SameFrame(expected, Patterned(kWidth, kHeight)) ? 0 : 1;

        const TriangleModel m = ModelOf(k);
        Raster byPixel = Patterned(kWidth, kHeight);
        m.FillByBox(ContextFor(m.grid, picture, byPixel, k.shade));
        ASSERT_TRUE(SameFrame(byPixel, expected)) << "case " << n << ", the per-pixel fill";
        for (FillKernel kernel : kKernels)
            ASSERT_TRUE(SameFrame(FastFrame(k, picture, kernel, 1, kWidth, kHeight), expected))
                << "case " << n << ", kernel " << static_cast<int>(kernel);
    }
    EXPECT_GT(drawing, 15000);  // most cases draw something
}

// Sides a few pixels across, as the usual polygon sizes make them: boxes of one to nine
// columns and one to twelve rows, corners on quarter pixels, some cut by the frame's edges or
// a band's. Boxes no wider than the widest vector unit's lanes (8, 4 or 2) are drawn over the
// whole box, that many pixels at a time, two rows at once when at most half as wide.
TEST(FillExactness, SmallSidesOfEveryBoxSize) {
    const Raster picture = Gradient(24, 20);
    constexpr int kWidth = 32, kHeight = 24;
    std::mt19937 rng(20261209);
    const auto within = [&](double from, int span) {
        return from + static_cast<int>(rng() % static_cast<unsigned>(4 * span + 1)) / 4.0;
    };
    const double shades[] = {1.0, 0.5, 0.8};
    int drawing = 0;
    for (int n = 0; n < 21600; ++n) {
        const int columns = 1 + n % 9, rows = 1 + (n / 9) % 12;
        const double left = within(-8.0, kWidth + 8), top = within(-12.0, kHeight + 12);
        TriangleCase k{};
        for (int v = 0; v < 3; ++v) {
            k.x[v] = within(left, columns - 1);
            k.y[v] = within(top, rows - 1);
            k.tx[v] = OnHalvesOrThirds(rng, picture.Width());
            k.ty[v] = OnHalvesOrThirds(rng, picture.Height());
        }
        k.shade = shades[n % 3];
        Raster expected = Patterned(kWidth, kHeight);
        OracleFill(k.x, k.y, k.tx, k.ty, picture, k.shade, expected);
        drawing += SameFrame(expected, Patterned(kWidth, kHeight)) ? 0 : 1;
        for (FillKernel kernel : kKernels)
            for (int bands : {1, 5})
                ASSERT_TRUE(
                    SameFrame(FastFrame(k, picture, kernel, bands, kWidth, kHeight), expected))
                    << "case " << n << " (" << columns << " x " << rows << "), kernel "
                    << static_cast<int>(kernel) << ", " << bands << " bands";
        // One band alone: nothing is drawn above or below it.
        const Raster band = BandOf(expected, 9, 14);
        for (FillKernel kernel : kKernels)
            ASSERT_TRUE(SameFrame(FastBand(k, picture, kernel, 9, 14, kWidth, kHeight), band))
                << "case " << n << " (" << columns << " x " << rows << "), kernel "
                << static_cast<int>(kernel) << ", rows 9 to 13";
    }
    EXPECT_GT(drawing, 6000);  // a good part of the cases draw something
}

// One generated model with its settings, turned and lit at random.
struct ModelCase {
    SharedState state;
    std::string label;
};

// A figure large enough for a dozen lattice steps across at the given polygon size.
Raster FigureFor(int n, int polygon, std::mt19937& rng) {
    const int w = 30 + 12 * polygon + static_cast<int>(rng() % 40);
    const int h = 24 + 10 * polygon + static_cast<int>(rng() % 40);
    switch (n % 3) {
        case 0:
            return MakeDisc(w, h, w / 2.0 + 1.3, h / 2.0 - 0.7, std::min(w, h) * 0.42);
        case 1:
            return MakeRing(w, h, w / 2.0, h / 2.0, std::min(w, h) * 0.45, std::min(w, h) * 0.2);
        default:
            return MakeBlobs(w, h, static_cast<std::uint32_t>(rng()));
    }
}

ModelCase MakeModel(int n) {
    std::mt19937 rng(7000 + n);
    const int polygon = 2 + n % 19;
    const Raster front = FigureFor(n, polygon, rng);
    // Every fourth model is double-sided with a back picture of another size, some of whose
    // texels then lie outside it.
    const Raster back =
        n % 4 == 3 ? MakeBlobs(front.Width() * 2 / 3, front.Height() + 9, n) : front;
    PanelInputs panel;
    panel.PolygonText = std::to_string(polygon);
    panel.SpecialPolygon = n % 2 == 1;
    panel.ColourProjection = n % 5 == 2;
    panel.CurvatureText = n % 3 == 0 ? "100" : (n % 3 == 1 ? "40" : "250");
    panel.TrackBarPosition = 100 + static_cast<int>(rng() % 401);
    panel.BackLight = n % 7 == 5;
    ModelCase m{{}, "model " + std::to_string(n) + " polygon " + panel.PolygonText};
    SharedState& st = m.state;
    if (n % 3 == 1) {
        const int bw = front.Width() + static_cast<int>(rng() % 40) - 20;
        SetBackground(st, "backdrop.bmp", Gradient(bw, front.Height() + 7));
    }
    // Inside the picker disc: centre (60, 52), radius 36.
    const int lx = 60 + static_cast<int>(rng() % 50) - 25,
              ly = 52 + static_cast<int>(rng() % 50) - 25;
    SetLightPoint(st, lx, ly, panel.BackLight);
    BuildIntoState(st, panel, "figure.bmp", front, back, {});
    MouseTrack mouse;
    const int drags = static_cast<int>(rng() % 4);
    for (int d = 0; d < drags; ++d) {
        mouse.LastMouseX = static_cast<int>(rng() % st.ViewWidth);
        mouse.LastMouseY = static_cast<int>(rng() % st.ViewHeight);
        for (int step = 0; step < 3; ++step)
            DragTo(st, mouse, static_cast<int>(rng() % st.ViewWidth),
                         static_cast<int>(rng() % st.ViewHeight));
    }
    return m;
}

// Pixels of frame that the model covers: those that differ from the background alone.
int Drawn(const SharedState& st, const Raster& frame) {
    SharedState empty = st;
    empty.Grid.VertexState.Fill(VertexKind::kOutside);
    RenderShownFrame(empty);
    return SameFrame(frame, empty.FrameBuffer) ? 0 : [&] {
        int n = 0;
        for (std::size_t k = 0; k < frame.Pixels().size(); ++k)
            n += frame.Pixels()[k] != empty.FrameBuffer.Pixels()[k] ? 1 : 0;
        return n;
    }();
}

TEST(FillExactness, ModelsRenderTheSameWithEveryKernelAndThreadCount) {
    int drawn = 0, pixels = 0;
    for (int n = 0; n < 38; ++n) {
        ModelCase m = MakeModel(n);
        SharedState& st = m.state;
        RenderOptions options;
        options.referenceFill = true;
        RenderShownFrame(st, options);
        const Raster expected = st.FrameBuffer;
        drawn += Drawn(st, expected);
        options.referenceFill = false;
        for (int threads : {1, 2, 3, 7}) {
            options.threads = threads;
            for (FillKernel kernel : kKernels) {
                if (threads == 7 && kernel != FillKernel::kBest) continue;
                options.kernel = kernel;
                RenderShownFrame(st, options);
                ASSERT_TRUE(SameFrame(st.FrameBuffer, expected))
                    << m.label << ", threads " << threads << ", kernel "
                    << static_cast<int>(kernel);
            }
        }
        pixels += st.ViewWidth * st.ViewHeight;
    }
    // The models cover a good part of their frames.
    EXPECT_GT(drawn, pixels / 8);
}

// What the benchmarks and vonnik-cli --version report is what draws: every kernel named as
// runnable is the one that draws when it is asked for, and the plain build (VONNIK_NO_SIMD)
// runs the scalar kernel alone.
TEST(FillKernels, TheReportNamesTheKernelsThatRun) {
    const std::vector<FillKernel> runs = RunnableFillKernels();
    ASSERT_FALSE(runs.empty());
    EXPECT_EQ(runs.back(), FillKernel::kScalar);
#if defined(VONNIK_NO_SIMD)
    EXPECT_EQ(runs.size(), 1u);
#endif
    const std::string text = DescribeFillKernels();
    for (FillKernel k : runs) {
        EXPECT_NE(text.find(FillKernelName(k)), std::string::npos) << FillKernelName(k);
        if (k != FillKernel::kTiles && k != FillKernel::kScalar) {
            EXPECT_EQ(fill::RowKernelOf(k), k) << FillKernelName(k);
        }
    }
    EXPECT_EQ(fill::TileColumnsOf(FillKernel::kBest) > 0,
              std::count(runs.begin(), runs.end(), FillKernel::kTiles) == 1);
}

}  // namespace
}  // namespace vonnik::test
