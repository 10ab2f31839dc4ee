#include "viewer/frame_blit.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPixmap>

namespace vonnik {

namespace {

// True when the painter's target has no alpha channel, so that the fourth byte of what is
// drawn on it carries nothing.
bool TargetIgnoresAlpha(QPainter& painter) {
    const QPaintEngine* engine = painter.paintEngine();
    const QPaintDevice* target = engine ? engine->paintDevice() : nullptr;
    if (!target) return false;
    switch (target->devType()) {
        case QInternal::Image:
            return !static_cast<const QImage*>(target)->hasAlphaChannel();
        case QInternal::Pixmap:
            return !static_cast<const QPixmap*>(target)->hasAlphaChannel();
        default:
            return false;
    }
}

}  // namespace

void DrawFrame(QPainter& painter, const Raster& frame) {
    DrawFrameScaled(painter, frame, QRect(0, 0, frame.Width(), frame.Height()));
}

void DrawFrameScaled(QPainter& painter, const Raster& frame, const QRect& target) {
    if (frame.Empty() || target.isEmpty()) return;
    // A read-only view of the raster: Qt reads the words in place.
    const QImage view(reinterpret_cast<const uchar*>(frame.Row(0)), frame.Width(), frame.Height(),
                      static_cast<qsizetype>(frame.Width()) * 4, QImage::Format_RGB32);
    const bool exact = target.size() == view.size();
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform,
                          target.width() < view.width() || target.height() < view.height());
    if (!TargetIgnoresAlpha(painter)) {
        // Qt copies an RGB32 word's fourth byte as it is onto a target with alpha: add the
        // colours onto opaque black instead, which sets every pixel's alpha to full.
        painter.fillRect(target, Qt::black);
        painter.setCompositionMode(QPainter::CompositionMode_Plus);
    }
    if (exact)
        painter.drawImage(target.topLeft(), view);
    else
        painter.drawImage(QRectF(target), view, QRectF(view.rect()));
    painter.restore();
}

}  // namespace vonnik
