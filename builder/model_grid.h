#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <type_traits>
#include <vector>

#include "core/raster.h"
#include "core/zeroed_allocator.h"

namespace vonnik {

// A 2-D array over the lattice, stored flat and indexed (i, j): i along the picture's x
// axis, j along its y axis, element (i, j) at i * (GridMaxY + 1) + j.
template <typename T>
class GridArray {
  public:
    // The elements, zero where nothing has written them since the last change of size.
    using Storage = std::vector<T, ZeroedAllocator<T>>;

    // New index ranges. A change of size gives an array of zeros (fresh memory, written
    // only where it is used); the same size keeps the contents.
    void Resize(int countI, int countJ) {
        countI_ = countI;
        countJ_ = countJ;
        const std::size_t n = static_cast<std::size_t>(countI) * static_cast<std::size_t>(countJ);
        if (n != values_.size()) values_ = Storage(n);
    }
    // New index ranges and every element zero.
    void ResizeZeroed(int countI, int countJ) {
        const std::size_t before = values_.size();
        Resize(countI, countJ);
        if (values_.size() == before) Fill(T{});
    }
    void Fill(T v) { std::fill(values_.begin(), values_.end(), v); }
    T& operator()(int i, int j) { return values_[Index(i, j)]; }
    const T& operator()(int i, int j) const { return values_[Index(i, j)]; }
    std::size_t Index(int i, int j) const {
        return static_cast<std::size_t>(i) * static_cast<std::size_t>(countJ_) +
               static_cast<std::size_t>(j);
    }
    const Storage& Values() const { return values_; }
    Storage& Values() { return values_; }

  private:
    int countI_ = 0;
    int countJ_ = 0;
    Storage values_;
};

struct Vec3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    friend bool operator==(const Vec3&, const Vec3&) = default;
};

// What a lattice vertex is to the model. Stored as 32-bit integers in the grid.
enum class VertexKind : std::int32_t {
    kOutside = 0,  // not part of the model
    kEdge = 1,     // on the figure's outline (the rim where front and back meet)
    kInner = 2,    // inside the figure
};

// True for the vertices that carry the model: edge and inner vertices.
constexpr bool InModel(VertexKind kind) {
    return kind != VertexKind::kOutside;
}

// The lattice a build lays over the picture.
enum class LatticeKind : std::int32_t {
    kSquare = 0,    // the special polygon: square cells of PolygonSize
    kTriangle = 1,  // rows shifted by half a step, near-equilateral triangles
};

// Where the vertices' picture coordinates come from.
enum class ColourProjectionMode : std::int32_t {
    kFlat = 0,      // the flat lattice position
    kVertical = 1,  // the inflated position, projected straight onto the picture
};

// The painter's order over the lines of cells, chosen from the view axes by each rotation
// step: far lines are drawn first.
enum class PaintOrder : std::int32_t {
    kRowsDown = 1,      // j ascending, i ascending within a row
    kRowsUp = 2,        // j descending, i ascending
    kColumnsRight = 3,  // i ascending, j ascending within a column
    kColumnsLeft = 4,   // i descending, j ascending
};

// The two surfaces of the solid. The values index the renderer's per-side arrays.
enum class Side : int { kBack = 0, kFront = 1 };

// Messages and test failures show these as the integers the grid stores.
template <typename E>
concept GridEnum = std::is_same_v<E, VertexKind> || std::is_same_v<E, LatticeKind> ||
    std::is_same_v<E, ColourProjectionMode> || std::is_same_v<E, PaintOrder> ||
    std::is_same_v<E, Side>;
template <GridEnum E>
std::ostream& operator<<(std::ostream& out, E value) {
    return out << static_cast<std::underlying_type_t<E>>(value);
}

// The settings of one build, already converted from the texts and switches that give them.
struct BuildSettings {
    double PolygonSize = 8.0;
    double Curvature = 1.0;
    double CircleTolerance = 1.1;
    double CircleToleranceSq = 1.1 * 1.1;
    ColourProjectionMode ColourProjection = ColourProjectionMode::kFlat;
    LatticeKind TriangleLattice = LatticeKind::kTriangle;
};

// The one model: the builder's settings, the vertex lattice with its positions, states and
// auxiliary values, and the outline list. How it is viewed (render/view_pose.h) and the
// drag's saved copies of the positions (viewer/rotation.h) are kept beside it.
struct ModelGrid {
    // Settings of the build (PolygonSize becomes the lattice unit on the triangle lattice).
    double PolygonSize = 0.0;
    double Curvature = 0.0;
    double CircleTolerance = 0.0;
    double CircleToleranceSq = 0.0;
    ColourProjectionMode ColourProjection = ColourProjectionMode::kFlat;
    LatticeKind TriangleLattice = LatticeKind::kTriangle;

    double StepX = 0.0, StepY = 0.0, HalfStepX = 0.0, HalfStepY = 0.0;
    std::int32_t GridMaxX = -1;
    std::int32_t GridMaxY = -1;
    Pixel BackgroundColour = 0;  // 0xRRGGBB of the front picture's pixel (0, 0)

    GridArray<double> FrontX, FrontY, FrontZ;
    GridArray<double> BackX, BackY, BackZ;
    GridArray<std::int32_t> NearestOutline;
    GridArray<double> EdgeDistance, LocalRadius;
    GridArray<VertexKind> VertexState;
    GridArray<double> TextureX, TextureY;

    // Outline pixels in scan order (by x, then y); OutlineCount entries.
    std::int32_t OutlineCount = 0;
    std::vector<std::int32_t> OutlineX, OutlineY;
    std::vector<double> OutlineRadius;

    bool Empty() const { return GridMaxX < 0; }
    int CountI() const { return GridMaxX + 1; }
    int CountJ() const { return GridMaxY + 1; }
};

// Bytes the lattice arrays of a grid with these index ranges would take, with the six
// arrays of the drag's saved copies that the viewer keeps beside each model.
std::uint64_t GridArrayBytes(std::int64_t gridMaxX, std::int64_t gridMaxY);

}  // namespace vonnik
