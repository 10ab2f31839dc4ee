#include "render/render_frame.h"

#include <algorithm>
#include <cmath>
#include <system_error>
#include <thread>
#include <vector>

#include "builder/lattice.h"
#include "builder/vec3.h"
#include "core/numbers.h"
#include "render/side_fill.h"
#include "render/wireframe.h"

namespace vonnik {

double ShadeFactorOf(double cos, double lightAmount) {
    if (!(cos >= 0.0)) cos = 0.0;
    // A side facing the light exactly can round 1 - cos a little below 0; the factor stays 1.
    const double base = std::max(1.0 - cos, 0.0);
    return 1.0 - Power(base, lightAmount);
}

namespace {

// The corners of a triangle's edge vectors, as positions in its table order: u runs from
// corner uFrom to uTo (increasing second index), v from vFrom to vTo (increasing first index).
struct EdgeCorners {
    int uTo, uFrom, vTo, vFrom;
};

const EdgeCorners& EdgesOf(int j, int triangle) {
    // odd j: (i, j), (i+1, j), (i, j+1) | (i+1, j), (i, j+1), (i+1, j+1)
    // even j: (i, j), (i, j+1), (i+1, j+1) | (i, j), (i+1, j), (i+1, j+1)
    static constexpr EdgeCorners kOdd[2] = {{2, 0, 1, 0}, {2, 0, 2, 1}};
    static constexpr EdgeCorners kEven[2] = {{1, 0, 2, 1}, {2, 1, 1, 0}};
    return (j % 2 != 0) ? kOdd[triangle] : kEven[triangle];
}

bool ByColumns(PaintOrder order) {
    return order == PaintOrder::kColumnsRight || order == PaintOrder::kColumnsLeft;
}

// Cells are passed over by runs of this many along a line of cells.
constexpr int kBlockCells = 32;

// Calls visit(i, j) for every cell in the paint order. A line of cells is what the outer
// loop runs over: a row j, or a column i in the column orders; the inner loop runs along it
// from 1 up, in blocks of kBlockCells cells (block b holds cells 1 + b kBlockCells onwards),
// and a block for which skipBlock(line, b) holds is passed over whole.
template <typename SkipBlock, typename Visit>
void VisitCells(int m, int n, PaintOrder order, SkipBlock&& skipBlock, Visit&& visit) {
    const auto along = [&](int line, int count, auto&& cell) {
        for (int first = 1, b = 0; first <= count; first += kBlockCells, ++b) {
            if (skipBlock(line, b)) continue;
            const int last = std::min(count, first + kBlockCells - 1);
            for (int a = first; a <= last; ++a) cell(a);
        }
    };
    switch (order) {
        case PaintOrder::kRowsUp:
            for (int j = n - 1; j >= 1; --j) along(j, m - 1, [&](int i) { visit(i, j); });
            break;
        case PaintOrder::kColumnsRight:
            for (int i = 1; i <= m - 1; ++i) along(i, n - 1, [&](int j) { visit(i, j); });
            break;
        case PaintOrder::kColumnsLeft:
            for (int i = m - 1; i >= 1; --i) along(i, n - 1, [&](int j) { visit(i, j); });
            break;
        default:  // kRowsDown, and any value outside the four orders
            for (int j = 1; j <= n - 1; ++j) along(j, m - 1, [&](int i) { visit(i, j); });
            break;
    }
}

// The model rows a block of cells reaches: the least and the greatest Y of the vertices of
// its cells, front and back. A Y that is not a number is passed over: no side through it is
// drawn.
struct Reach {
    double lo = HUGE_VAL, hi = -HUGE_VAL;

    void Widen(double y) {
        lo = std::min(lo, y);
        hi = std::max(hi, y);
    }
    void Widen(const Reach& r) {
        Widen(r.lo);
        Widen(r.hi);
    }
};

// The reach of every block of cells (VisitCells) of every line of the paint order: the
// block b of line k at [k * blocks + b], lines indexed by their j, or by their i in the
// column orders (line 0 unused).
struct BlockReaches {
    int blocks = 0;
    std::vector<Reach> reach;
};

BlockReaches BlockReachesOf(const ModelGrid& g, PaintOrder order) {
    const bool columns = ByColumns(order);
    const int m = g.GridMaxX, n = g.GridMaxY;
    const int lines = columns ? m : n, cells = (columns ? n : m) - 1;
    BlockReaches out;
    out.blocks = std::max(1, (cells + kBlockCells - 1) / kBlockCells);
    const auto blocks = static_cast<std::size_t>(out.blocks);
    // First the lines of vertices: block b of line k of cells has the vertices of lines k
    // and k + 1 from 1 + b kBlockCells to 1 + (b + 1) kBlockCells along them.
    std::vector<Reach> vertices((static_cast<std::size_t>(lines) + 1) * blocks);
    const std::size_t countJ = static_cast<std::size_t>(g.CountJ());
    for (const GridArray<double>* ys : {&g.FrontY, &g.BackY}) {
        const double* y = ys->Values().data();
        for (int i = 1; i <= m; ++i)
            for (int j = 1; j <= n; ++j) {
                const int line = columns ? i : j, at = (columns ? j : i) - 1;
                const double v = y[static_cast<std::size_t>(i) * countJ + j];
                Reach* row = &vertices[static_cast<std::size_t>(line) * blocks];
                const int b = at / kBlockCells;
                if (b < out.blocks) row[b].Widen(v);
                if (at % kBlockCells == 0 && b > 0) row[b - 1].Widen(v);
            }
    }
    out.reach.resize(vertices.size());
    for (std::size_t k = 1; k < static_cast<std::size_t>(lines); ++k)
        for (std::size_t b = 0; b < blocks; ++b) {
            out.reach[k * blocks + b].Widen(vertices[k * blocks + b]);
            out.reach[k * blocks + b].Widen(vertices[(k + 1) * blocks + b]);
        }
    return out;
}

// The background of the frame's rows [rowBegin, rowEnd): a background picture at the
// frame's top-left corner at its own size, black where it does not reach, or else the front
// picture's background colour.
void DrawBackground(const FrameScene& scene, Raster& frame, int rowBegin, int rowEnd) {
    const Raster* picture = scene.background;
    const int width = frame.Width();
    for (int r = rowBegin; r < rowEnd; ++r) {
        Pixel* row = frame.Row(r);
        if (picture == nullptr) {
            std::fill(row, row + width, scene.grid.BackgroundColour);
            continue;
        }
        const int covered = r < picture->Height() ? std::min(width, picture->Width()) : 0;
        if (covered > 0) std::copy(picture->Row(r), picture->Row(r) + covered, row);
        std::fill(row + covered, row + width, Pixel{0});
    }
}

// The model's arrays as flat element pointers: every lattice array has the same layout.
struct ModelArrays {
    const VertexKind* state;
    const double* x[2];  // indexed by Side
    const double* y[2];
    const double* z[2];
    const double* tx;  // picture coordinates, the same for both sides
    const double* ty;
    std::size_t countJ;
    std::size_t count;  // elements of each array

    explicit ModelArrays(const ModelGrid& g)
        : state(g.VertexState.Values().data()),
          x{g.BackX.Values().data(), g.FrontX.Values().data()},
          y{g.BackY.Values().data(), g.FrontY.Values().data()},
          z{g.BackZ.Values().data(), g.FrontZ.Values().data()},
          tx(g.TextureX.Values().data()),
          ty(g.TextureY.Values().data()),
          countJ(static_cast<std::size_t>(g.CountJ())),
          count(g.VertexState.Values().size()) {}

    // Asks the processor to bring the elements at `at` of every array into its caches.
    // Inlined by force: the compiler takes a function that only prefetches for one without
    // effects and drops its calls.
    [[gnu::always_inline]] void Prefetch(std::size_t at) const {
        if (at >= count) return;
        __builtin_prefetch(state + at);
        for (const double* array : {x[0], y[0], z[0], x[1], y[1], z[1], tx, ty})
            __builtin_prefetch(array + at);
    }
};

// In the row orders the cells of a line lie a whole array row apart, a stride across nine
// arrays that the processor's own prefetching follows poorly: the cells this many steps
// ahead are asked for early (a fifth less time a frame of a turned model at polygon size 4).
// In the column orders the cells lie side by side and need no help.
constexpr std::size_t kCellsAhead = 8;

// The same walk crosses the picture's rows sideways, a few texels a cell, and the processor's
// prefetching falls behind there too: the picture rows of the cell this many steps ahead are
// asked for early (a tenth to a sixth less time a frame at polygon sizes 4 and 8). In
// the column orders a line of cells runs down the picture and the lines beside it have
// already brought its texels near.
constexpr std::size_t kTexelCellsAhead = 3;
constexpr int kMostTexelRows = 16;

// Asks for the rows of `picture` that cell `at` spans, from TextureY of its corner (i, j) to
// that of (i, j + 1), in the column of TextureX of (i, j); a cell outside the picture is left
// alone. Inlined by force, like ModelArrays::Prefetch.
[[gnu::always_inline]] inline void PrefetchTexels(const ModelArrays& m, const Raster& picture,
                                                  std::size_t at) {
    if (at + 1 >= m.count) return;
    const double u = m.tx[at], v = m.ty[at], below = m.ty[at + 1];
    if (!(u >= 0.0 && u < picture.Width() && v >= 0.0 && below >= v && below < picture.Height()))
        return;
    const int first = static_cast<int>(v);
    const int last = std::min(static_cast<int>(below), first + kMostTexelRows - 1);
    for (int r = first; r <= last; ++r) __builtin_prefetch(picture.Row(r) + static_cast<int>(u));
}

// One visible side as the visitor hands it on: its corners (flat element indices, table
// order), their model positions (the picture coordinates are the visitor's to read) and its
// face normal.
struct VisibleSide {
    Side side;
    std::size_t n[3];
    SideVertices at;
    Vec3 normal;
};

// Rows of the frame that one pass draws: [rowBegin, rowEnd) of a frame centred at centreY,
// and optionally the reach of every block of cells, so that blocks wholly above or below the
// band are passed over.
struct Band {
    int centreY, rowBegin, rowEnd;
    const BlockReaches* reaches = nullptr;

    // False only when model rows lo..hi lie wholly above or below the band (NaN rows pass
    // on and are refused by the fill).
    bool Meets(double lo, double hi) const {
        return !(centreY + hi < rowBegin - 1.0 || centreY + lo >= rowEnd + 1.0);
    }
    bool Meets(const double* ys) const {
        return Meets(std::min({ys[0], ys[1], ys[2]}), std::max({ys[0], ys[1], ys[2]}));
    }
    bool SkipsBlock(int line, int block) const {
        if (reaches == nullptr) return false;
        const Reach& r =
            reaches
                ->reach[static_cast<std::size_t>(line) * static_cast<std::size_t>(reaches->blocks) +
                        static_cast<std::size_t>(block)];
        return !Meets(r.lo, r.hi);
    }
};

// A triangle of a cell as element offsets of its corners from the cell's (i, j) element,
// in table order, with the corners its edge vectors run between.
struct TriangleShape {
    std::size_t offset[3];
    EdgeCorners edges;
};

// Both triangles of the cells of odd j ([1][t]) and of even j ([0][t]).
void ShapesOf(std::size_t countJ, TriangleShape (&shapes)[2][2]) {
    for (int odd = 0; odd < 2; ++odd) {
        const CellTriangles& cell = TrianglesOfCell(odd);
        for (int t = 0; t < 2; ++t) {
            for (int c = 0; c < 3; ++c)
                shapes[odd][t].offset[c] = static_cast<std::size_t>(cell.di[t][c]) * countJ +
                                           static_cast<std::size_t>(cell.dj[t][c]);
            shapes[odd][t].edges = EdgesOf(odd, t);
        }
    }
}

bool Eligible(const VertexKind* state, const std::size_t* n) {
    return TriangleInModel(state[n[0]], state[n[1]], state[n[2]]);
}

// Fills in the side's positions and normal; false when it is passed over: wholly outside
// the band, or not facing the viewer.
bool LoadSide(const ModelArrays& m, const EdgeCorners& e, const Band& band, VisibleSide& vs) {
    const int at = static_cast<int>(vs.side);
    const double *X = m.x[at], *Y = m.y[at], *Z = m.z[at];
    double* x = vs.at.x;
    double* y = vs.at.y;
    for (int c = 0; c < 3; ++c) y[c] = Y[vs.n[c]];
    if (!band.Meets(y)) return false;
    for (int c = 0; c < 3; ++c) x[c] = X[vs.n[c]];
    Vec3 u{x[e.uTo] - x[e.uFrom], y[e.uTo] - y[e.uFrom], 0.0};
    Vec3 v{x[e.vTo] - x[e.vFrom], y[e.vTo] - y[e.vFrom], 0.0};
    // Only a side whose normal points towards the viewer is drawn; the normal's z needs no
    // heights, so a side turned away is passed over before they are read.
    if (vs.side == Side::kBack) std::swap(u, v);
    vs.normal.z = u.x * v.y - u.y * v.x;
    if (!(vs.normal.z < 0.0)) return false;
    u.z = Z[vs.n[e.uTo]] - Z[vs.n[e.uFrom]];
    v.z = Z[vs.n[e.vTo]] - Z[vs.n[e.vFrom]];
    if (vs.side == Side::kBack) std::swap(u.z, v.z);
    vs.normal = Cross(u, v);
    return true;
}

// Calls draw(VisibleSide) for every side that passes eligibility and the back-face test, in
// painter's order, front before back; sides wholly outside the band are passed over. In the
// row orders the texels of `picture` (when given) are asked for ahead of the walk.
template <typename Draw>
void VisitVisibleSides(const ModelGrid& g, PaintOrder order, const Band& band,
                       const Raster* picture, Draw&& draw) {
    if (g.Empty()) return;
    const ModelArrays m(g);
    TriangleShape shapes[2][2];
    ShapesOf(m.countJ, shapes);
    const auto skipBlock = [&](int line, int block) { return band.SkipsBlock(line, block); };
    const bool rows = !ByColumns(order);
    const std::size_t ahead = kCellsAhead * m.countJ, texelsAhead = kTexelCellsAhead * m.countJ;
    if (picture != nullptr && picture->Empty()) picture = nullptr;
    VisitCells(g.GridMaxX, g.GridMaxY, order, skipBlock, [&](int i, int j) {
        const std::size_t cell = static_cast<std::size_t>(i) * m.countJ + j;
        if (rows) {
            m.Prefetch(cell + ahead);
            if (picture != nullptr) PrefetchTexels(m, *picture, cell + texelsAhead);
        }
        for (const TriangleShape& shape : shapes[j % 2]) {
            VisibleSide vs;
            for (int c = 0; c < 3; ++c) vs.n[c] = cell + shape.offset[c];
            if (!Eligible(m.state, vs.n)) continue;
            for (const Side side : {Side::kFront, Side::kBack}) {
                vs.side = side;
                if (LoadSide(m, shape.edges, band, vs)) draw(vs);
            }
        }
    });
}

double LightFactor(const FrameScene& scene, const Vec3& n) {
    const Vec3& l = scene.light;
    const double cos =
        (n.x * l.x + n.y * l.y + n.z * l.z) / std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    return ShadeFactorOf(cos, scene.lightAmount);
}

void DrawTexturedBand(const FrameScene& scene, PaintOrder order, Raster& frame,
                      const RenderOptions& options, int rowBegin, int rowEnd,
                      const BlockReaches* reaches) {
    // Each band lays its own rows of the background before it draws on them.
    DrawBackground(scene, frame, rowBegin, rowEnd);
    const ModelGrid& g = scene.grid;
    FillContext ctx;
    ctx.grid = &g;
    ctx.frame = &frame;
    ctx.CentreX = frame.Width() / 2;
    ctx.CentreY = frame.Height() / 2;
    ctx.rowBegin = rowBegin;
    ctx.rowEnd = rowEnd;
    ctx.kernel = options.kernel;
    const double* tx = g.TextureX.Values().data();
    const double* ty = g.TextureY.Values().data();
    const Band band{ctx.CentreY, rowBegin, rowEnd, reaches};
    // The front picture's texels are fetched ahead: in most poses few back sides show.
    VisitVisibleSides(g, order, band, &scene.front, [&](VisibleSide& vs) {
        ctx.ShadeFactor = LightFactor(scene, vs.normal);
        ctx.picture = vs.side == Side::kFront ? &scene.front : &scene.back;
        // Filled in place: a copy of the positions just stored would be read back as pairs
        // before the stores reach the cache, which stalls the setup.
        SideVertices& v = vs.at;
        for (int c = 0; c < 3; ++c) {
            v.tx[c] = tx[vs.n[c]];
            v.ty[c] = ty[vs.n[c]];
        }
        if (options.referenceFill)
            FillSideByBox(ctx, v);
        else
            FillSide(ctx, v);
    });
}

void DrawOutlined(const FrameScene& scene, PaintOrder order, Raster& frame) {
    const std::int32_t centreX = frame.Width() / 2, centreY = frame.Height() / 2;
    {
        WireframePainter painter(frame);
        VisitVisibleSides(
            scene.grid, order, Band{centreY, 0, frame.Height(), nullptr}, nullptr,
            [&](const VisibleSide& vs) { painter.Triangle(vs.at.x, vs.at.y, centreX, centreY); });
    }
    // The painter sets the fourth byte of what it draws; in the frame that byte carries no
    // colour and stays 0, as the fill leaves it.
    for (Pixel& p : frame.Pixels()) p = ColourOf(p);
}

}  // namespace

RenderOptions AllCoresRenderOptions() {
    RenderOptions options;
    options.threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    return options;
}

void RenderFrame(const FrameScene& scene, PaintOrder order, Raster& frame,
                 const RenderOptions& options) {
    if (frame.Empty()) return;
    const int height = frame.Height();
    if (scene.view.Wireframe) {
        DrawBackground(scene, frame, 0, height);
        DrawOutlined(scene, order, frame);
        return;
    }
    const int bands = std::clamp(options.threads, 1, std::max(1, height / 16));
    if (bands == 1) {
        DrawTexturedBand(scene, order, frame, options, 0, height, nullptr);
        return;
    }
    // Every band draws every side in the same order, so each pixel keeps the same last
    // writer as in one pass; each passes over the blocks of cells that cannot reach it.
    const BlockReaches reachOf =
        scene.grid.Empty() ? BlockReaches{} : BlockReachesOf(scene.grid, order);
    const BlockReaches* reaches = scene.grid.Empty() ? nullptr : &reachOf;
    std::vector<std::thread> workers;
    workers.reserve(bands - 1);
    for (int b = 1; b < bands; ++b) {
        const int begin = height * b / bands, end = height * (b + 1) / bands;
        try {
            workers.emplace_back(DrawTexturedBand, std::cref(scene), order, std::ref(frame),
                                 std::cref(options), begin, end, reaches);
        } catch (const std::system_error&) {
            // No thread to spare: draw the band here.
            DrawTexturedBand(scene, order, frame, options, begin, end, reaches);
        }
    }
    DrawTexturedBand(scene, order, frame, options, 0, height / bands, reaches);
    for (std::thread& w : workers) w.join();
}

}  // namespace vonnik
