#pragma once

#include "builder/lattice.h"
#include "builder/model_grid.h"

namespace vonnik {

// Calls visit(is, js, di, dj) for every cell triangle the triangle rule keeps (lattice.h), in
// the renderer's cell order: is and js are its corners' grid indices, di and dj the cell
// table's offsets of those corners (which give its turn). Index 0 never holds such a triangle
// (the border rule).
template <typename Visit>
void ForEachModelTriangle(const ModelGrid& g, Visit&& visit) {
    for (int j = 1; j <= g.GridMaxY - 1; ++j) {
        const CellTriangles& cell = TrianglesOfCell(j);
        for (int i = 1; i <= g.GridMaxX - 1; ++i) {
            for (int t = 0; t < 2; ++t) {
                int is[3], js[3];
                for (int c = 0; c < 3; ++c) {
                    is[c] = i + cell.di[t][c];
                    js[c] = j + cell.dj[t][c];
                }
                if (TriangleInModel(g.VertexState(is[0], js[0]), g.VertexState(is[1], js[1]),
                                    g.VertexState(is[2], js[2])))
                    visit(is, js, cell.di[t], cell.dj[t]);
            }
        }
    }
}

}  // namespace vonnik
