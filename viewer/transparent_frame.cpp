#include "viewer/transparent_frame.h"

#include <QBuffer>
#include <QByteArray>

#include "core/picture_io.h"

namespace vonnik {

QImage TransparentFrame(const FrameScene& scene, const RenderOptions& options) {
    SceneCopy copy(scene);
    const Raster frame = copy.Render(options);
    QImage image(frame.Width(), frame.Height(), QImage::Format_ARGB32);
    if (frame.Empty()) return image;
    if (scene.background) {
        for (int y = 0; y < frame.Height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < frame.Width(); ++x) row[x] = 0xFF000000u | ColourOf(frame.At(x, y));
        }
        return image;
    }
    const Raster& other = copy.RenderOver(scene.grid->BackgroundColour ^ 0xFFFFFFu, options);
    for (int y = 0; y < frame.Height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < frame.Width(); ++x) {
            const Pixel p = ColourOf(frame.At(x, y));
            row[x] = p == ColourOf(other.At(x, y)) ? 0xFF000000u | p : 0u;
        }
    }
    return image;
}

void SaveTransparentPng(const FrameScene& scene, const std::string& path) {
    const QImage image = TransparentFrame(scene, AllCoresRenderOptions());
    if (image.isNull() || image.width() == 0) throw FileError(path, "there is no frame to save");
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) throw FileError(path, "cannot encode the PNG picture");
    WriteFileAtomically(path, png.constData(), png.size());
}

}  // namespace vonnik
