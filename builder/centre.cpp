#include "builder/centre.h"

namespace vonnik {

void CentreModel(ModelGrid& g, const Raster& front) {
    const double halfW = front.Width() / 2;
    const double halfH = front.Height() / 2;
    auto& fx = g.FrontX.Values();
    auto& fy = g.FrontY.Values();
    for (std::size_t n = 0; n < fx.size(); ++n) {
        fx[n] = fx[n] - halfW;
        fy[n] = fy[n] - halfH;
    }
    g.BackX.Values() = fx;
    g.BackY.Values() = fy;
}

}  // namespace vonnik
