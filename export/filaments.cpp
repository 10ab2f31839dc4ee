#include "export/filaments.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <numeric>
#include <unordered_map>

#include "core/picture_io.h"
#include "export/liq_handles.h"
#include "export/mesh_export.h"

namespace vonnik {

namespace {

int Red(Pixel p) {
    return static_cast<int>((p >> 16) & 0xFF);
}
int Green(Pixel p) {
    return static_cast<int>((p >> 8) & 0xFF);
}
int Blue(Pixel p) {
    return static_cast<int>(p & 0xFF);
}

// How often each figure colour occurs in the picture.
void CountFigureColours(const Raster& picture, std::map<Pixel, unsigned>& counts) {
    if (picture.Empty()) return;
    const Pixel background = ColourOf(picture.At(0, 0));
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            const Pixel c = ColourOf(picture.At(x, y));
            if (c != background) ++counts[c];
        }
}

std::vector<Pixel> ReducedPalette(const std::map<Pixel, unsigned>& counts, int filaments,
                                  const std::string& path) {
    if (counts.empty()) throw FileError(path, "the pictures have no figure colour to paint");
    std::vector<liq_histogram_entry> entries;
    entries.reserve(counts.size());
    for (const auto& [colour, count] : counts)
        entries.push_back(
            {{static_cast<unsigned char>(Red(colour)), static_cast<unsigned char>(Green(colour)),
              static_cast<unsigned char>(Blue(colour)), 255},
             count});
    LiqAttr attr;
    LiqHistogram histogram;
    LiqResult result;
    const char* const failed = "cannot reduce the figure's colours to filaments (libimagequant)";
    if (!attr.p || liq_set_max_colors(attr.p, filaments) != LIQ_OK ||
        liq_set_quality(attr.p, 0, 100) != LIQ_OK)
        throw FileError(path, failed);
    histogram.p = liq_histogram_create(attr.p);
    if (!histogram.p ||
        liq_histogram_add_colors(histogram.p, attr.p, entries.data(),
                                 static_cast<int>(entries.size()), 0.0) != LIQ_OK ||
        liq_histogram_quantize(histogram.p, attr.p, &result.p) != LIQ_OK)
        throw FileError(path, failed);
    const liq_palette* palette = liq_get_palette(result.p);
    std::vector<Pixel> colours;
    for (unsigned k = 0; k < palette->count; ++k) {
        const liq_color& c = palette->entries[k];
        const Pixel p = (Pixel{c.r} << 16) | (Pixel{c.g} << 8) | Pixel{c.b};
        if (std::find(colours.begin(), colours.end(), p) == colours.end()) colours.push_back(p);
    }
    return colours;
}

// The nearest palette colour of each picture colour, worked out once per colour.
class NearestColour {
  public:
    explicit NearestColour(const std::vector<Pixel>& palette) : palette_(palette) {}
    std::uint8_t operator()(Pixel colour) {
        const auto [it, fresh] = known_.emplace(colour, 0);
        if (!fresh) return it->second;
        int best = 0, bestDistance = -1;
        for (std::size_t k = 0; k < palette_.size(); ++k) {
            const int r = Red(colour) - Red(palette_[k]), g = Green(colour) - Green(palette_[k]),
                      b = Blue(colour) - Blue(palette_[k]);
            const int d = r * r + g * g + b * b;
            if (bestDistance < 0 || d < bestDistance) {
                best = static_cast<int>(k);
                bestDistance = d;
            }
        }
        return it->second = static_cast<std::uint8_t>(best);
    }

  private:
    const std::vector<Pixel>& palette_;
    std::unordered_map<Pixel, std::uint8_t> known_;
};

// Twice the signed area of (a, b, p) in picture coordinates.
double Side(double ax, double ay, double bx, double by, double px, double py) {
    return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
}

// The palette colour most of the triangle's texels map to (the first of equals).
std::uint8_t TriangleColour(const SolidMesh& mesh, const SolidMesh::Triangle& t,
                            const Raster& picture, NearestColour& nearest, std::size_t colours) {
    double x[3], y[3];
    for (int c = 0; c < 3; ++c) {
        x[c] = mesh.vertices[t[c]].textureX;
        y[c] = mesh.vertices[t[c]].textureY;
    }
    const Pixel background = ColourOf(picture.At(0, 0));
    std::array<unsigned, 256> figure{}, any{};
    bool covered = false, onFigure = false;
    const double area = Side(x[0], y[0], x[1], y[1], x[2], y[2]);
    const int left = std::max(0, static_cast<int>(std::floor(std::min({x[0], x[1], x[2]}))));
    const int top = std::max(0, static_cast<int>(std::floor(std::min({y[0], y[1], y[2]}))));
    const int right =
        std::min(picture.Width() - 1, static_cast<int>(std::floor(std::max({x[0], x[1], x[2]}))));
    const int bottom =
        std::min(picture.Height() - 1, static_cast<int>(std::floor(std::max({y[0], y[1], y[2]}))));
    if (area != 0.0) {
        for (int py = top; py <= bottom; ++py) {
            for (int px = left; px <= right; ++px) {
                const double cx = px + 0.5, cy = py + 0.5;
                bool inside = true;
                for (int c = 0; c < 3 && inside; ++c)
                    inside = Side(x[c], y[c], x[(c + 1) % 3], y[(c + 1) % 3], cx, cy) * area >= 0.0;
                if (!inside) continue;
                const Pixel colour = ColourOf(picture.At(px, py));
                const std::uint8_t k = nearest(colour);
                covered = true;
                ++any[k];
                if (colour != background) {
                    onFigure = true;
                    ++figure[k];
                }
            }
        }
    }
    if (!covered)
        return nearest(
            SamplePicture(picture, (x[0] + x[1] + x[2]) / 3.0, (y[0] + y[1] + y[2]) / 3.0));
    const std::array<unsigned, 256>& votes = onFigure ? figure : any;
    return static_cast<std::uint8_t>(std::max_element(votes.begin(), votes.begin() + colours) -
                                     votes.begin());
}

double Area(const SolidMesh& mesh, const SolidMesh::Triangle& t) {
    const Vec3& a = mesh.vertices[t[0]].position;
    const Vec3& b = mesh.vertices[t[1]].position;
    const Vec3& c = mesh.vertices[t[2]].position;
    const Vec3 u{b.x - a.x, b.y - a.y, b.z - a.z}, v{c.x - a.x, c.y - a.y, c.z - a.z};
    const Vec3 n{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
    return std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z) / 2.0;
}

}  // namespace

std::string HexColour(Pixel colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", Red(colour), Green(colour), Blue(colour));
    return text;
}

FilamentPaint PaintFilaments(const std::vector<PrintPart>& parts, const Raster& front,
                             const Raster& back, int filaments, const std::string& path) {
    if (filaments < kMinFilaments || filaments > kMaxFilaments)
        throw FileError(path, "the number of filaments must be " + std::to_string(kMinFilaments) +
                                  ".." + std::to_string(kMaxFilaments));
    std::map<Pixel, unsigned> counts;
    CountFigureColours(front, counts);
    CountFigureColours(back, counts);
    const std::vector<Pixel> reduced = ReducedPalette(counts, filaments, path);

    NearestColour nearFront(reduced), nearBack(reduced);
    std::vector<std::vector<std::uint8_t>> triangles;
    std::vector<double> area(reduced.size(), 0.0);
    for (const PrintPart& part : parts) {
        std::vector<std::uint8_t>& list = triangles.emplace_back();
        list.reserve(part.mesh.TriangleCount());
        for (const SolidMesh::Triangle& t : part.mesh.front)
            list.push_back(TriangleColour(part.mesh, t, front, nearFront, reduced.size()));
        for (const SolidMesh::Triangle& t : part.mesh.back)
            list.push_back(TriangleColour(part.mesh, t, back, nearBack, reduced.size()));
        for (std::size_t n = 0; n < list.size(); ++n) {
            const SolidMesh::Triangle& t = n < part.mesh.front.size()
                                               ? part.mesh.front[n]
                                               : part.mesh.back[n - part.mesh.front.size()];
            area[list[n]] += Area(part.mesh, t);
        }
    }

    // The largest share first (the slicer's first extruder); colours no triangle took are
    // left out.
    std::vector<std::size_t> order(reduced.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return area[a] > area[b]; });
    const double total = std::accumulate(area.begin(), area.end(), 0.0);
    std::vector<std::uint8_t> renumbered(reduced.size(), 0);
    FilamentPaint paint;
    for (std::size_t k : order) {
        if (!(area[k] > 0.0)) continue;
        renumbered[k] = static_cast<std::uint8_t>(paint.palette.size());
        paint.palette.push_back(reduced[k]);
        paint.share.push_back(area[k] / total);
    }
    for (std::vector<std::uint8_t>& list : triangles)
        for (std::uint8_t& k : list) k = renumbered[k];
    paint.triangles = std::move(triangles);
    return paint;
}

}  // namespace vonnik
