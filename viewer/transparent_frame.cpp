#include "viewer/transparent_frame.h"

#include <QBuffer>
#include <QByteArray>

#include "core/picture_io.h"
#include "viewer/turntable.h"

namespace vonnik {

QImage TransparentFrame(const FrameScene& scene, int width, int height,
                        const RenderOptions& options) {
    Raster frame(width, height);
    RenderFrame(scene, scene.view.DrawOrder, frame, options);
    QImage image(frame.Width(), frame.Height(), QImage::Format_ARGB32);
    if (frame.Empty()) return image;
    Raster other(width, height);
    if (!scene.background) {
        // The same model over the opposite background colour.
        ModelGrid grid = scene.grid;
        grid.BackgroundColour ^= 0xFFFFFFu;
        const FrameScene over{.grid = grid,
                              .front = scene.front,
                              .back = scene.back,
                              .background = nullptr,
                              .light = scene.light,
                              .lightAmount = scene.lightAmount,
                              .view = scene.view};
        RenderFrame(over, scene.view.DrawOrder, other, options);
    }
    for (int y = 0; y < frame.Height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < frame.Width(); ++x) {
            const Pixel p = ColourOf(frame.At(x, y));
            const bool covered = scene.background || p == ColourOf(other.At(x, y));
            row[x] = covered ? 0xFF000000u | p : 0u;
        }
    }
    return image;
}

void SaveTransparentPng(const FrameScene& scene, int width, int height, const std::string& path) {
    const QImage image = TransparentFrame(scene, width, height, AllCoresRenderOptions());
    if (image.isNull() || image.width() == 0) throw FileError(path, "there is no frame to save");
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) throw FileError(path, "cannot encode the PNG picture");
    WriteFileAtomically(path, png.constData(), png.size());
}

}  // namespace vonnik
