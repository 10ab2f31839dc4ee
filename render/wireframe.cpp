#include "render/wireframe.h"

#include <QPoint>
#include <cmath>

#include "core/numbers.h"

namespace vonnik {

WireframePainter::WireframePainter(Raster& frame)
    : frame_(frame),
      image_(reinterpret_cast<uchar*>(frame.Pixels().data()), frame.Width(), frame.Height(),
             static_cast<qsizetype>(frame.Width()) * 4, QImage::Format_RGB32) {
    painter_.begin(&image_);
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setPen(QPen(QColor(255, 255, 255), 1));
    painter_.setBrush(QColor(0, 0, 0));
}

WireframePainter::~WireframePainter() {
    painter_.end();
}

void WireframePainter::Triangle(const double* xs, const double* ys, int centreX, int centreY) {
    // Far beyond the frame a corner only needs to stay far beyond it.
    constexpr std::int64_t kFar = 1 << 24;
    QPoint points[3];
    for (int k = 0; k < 3; ++k) {
        if (!std::isfinite(xs[k]) || !std::isfinite(ys[k])) return;
        points[k] = QPoint(static_cast<int>(TruncClamped(xs[k], -kFar, kFar) + centreX),
                           static_cast<int>(TruncClamped(ys[k], -kFar, kFar) + centreY));
    }
    painter_.drawPolygon(points, 3);
}

}  // namespace vonnik
