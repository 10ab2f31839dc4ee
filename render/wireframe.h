#pragma once

#include <QImage>
#include <QPainter>

#include "core/raster.h"

namespace vonnik {

// Outlined drawing on a frame raster through Qt's painter: each triangle filled black and
// outlined by a one-pixel white pen, later ones covering earlier ones.
class WireframePainter {
  public:
    explicit WireframePainter(Raster& frame);
    ~WireframePainter();
    WireframePainter(const WireframePainter&) = delete;
    WireframePainter& operator=(const WireframePainter&) = delete;

    // Model positions; each corner is drawn at (Trunc(x) + centreX, Trunc(y) + centreY). A
    // triangle with a corner that is not a finite number is not drawn.
    void Triangle(const double* xs, const double* ys, int centreX, int centreY);

  private:
    Raster& frame_;
    QImage image_;
    QPainter painter_;
};

}  // namespace vonnik
