// Makes the sample pictures that the build puts beside the program: figures on a plain
// white background in obj/, a figure on transparency as an editor saves it (a PNG with
// black under its transparent pixels), and a background picture in haikei/.
//   vonnik_make_samples FOLDER
#include <QImage>
#include <cmath>
#include <cstdio>
#include <exception>
#include <numbers>
#include <string>
#include <vector>

#include "core/picture_io.h"

namespace {

using vonnik::Pixel;
using vonnik::Raster;

constexpr double kPi = std::numbers::pi;
constexpr Pixel kWhite = 0xFFFFFF;  // the samples' background: their top-left pixel

struct Point {
    double x, y;
};

// Flat, unblended shapes: every pixel is the background or one figure colour, so the
// figure's outline is exactly where the colours meet the background.
class Canvas {
  public:
    Canvas(int width, int height, Pixel background) : raster_(width, height, background) {}

    template <typename Inside>
    void Fill(Pixel colour, Inside inside) {
        for (int y = 0; y < raster_.Height(); ++y)
            for (int x = 0; x < raster_.Width(); ++x)
                if (inside(x + 0.5, y + 0.5)) raster_.Set(x, y, colour);
    }
    void Ellipse(double cx, double cy, double rx, double ry, Pixel colour) {
        Fill(colour, [&](double x, double y) {
            const double u = (x - cx) / rx, v = (y - cy) / ry;
            return u * u + v * v <= 1.0;
        });
    }
    void Disc(double cx, double cy, double r, Pixel colour) { Ellipse(cx, cy, r, r, colour); }
    void Polygon(const std::vector<Point>& p, Pixel colour) {
        Fill(colour, [&](double x, double y) { return InsidePolygon(p, x, y); });
    }
    const Raster& Picture() const { return raster_; }

  private:
    static bool InsidePolygon(const std::vector<Point>& p, double x, double y) {
        bool inside = false;
        for (std::size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
            if ((p[i].y > y) != (p[j].y > y) &&
                x < (p[j].x - p[i].x) * (y - p[i].y) / (p[j].y - p[i].y) + p[i].x)
                inside = !inside;
        }
        return inside;
    }
    Raster raster_;
};

double AngleOf(double x, double y, double cx, double cy) {
    return std::atan2(y - cy, x - cx) + kPi;  // 0 .. 2 pi
}

// A beach ball: six coloured sectors, which the dome shows as segments.
Raster BeachBall() {
    static constexpr Pixel kSectors[] = {0xE03C31, 0xF5F0E0, 0x2E6FD0,
                                         0xF2C12E, 0x3CA55C, 0xF08A24};
    Canvas c(160, 160, kWhite);
    for (int s = 0; s < 6; ++s) {
        c.Fill(kSectors[s], [&](double x, double y) {
            const double dx = x - 80, dy = y - 80;
            const int sector = static_cast<int>(AngleOf(x, y, 80, 80) / (kPi / 3)) % 6;
            return dx * dx + dy * dy <= 66.0 * 66.0 && sector == s;
        });
    }
    c.Disc(80, 80, 9, 0xF5F0E0);
    return c.Picture();
}

// A doughnut with icing and sprinkles: the ring becomes a tube.
Raster Doughnut() {
    Canvas c(170, 170, kWhite);
    c.Fill(0xC8843C, [](double x, double y) {
        const double d2 = (x - 85) * (x - 85) + (y - 85) * (y - 85);
        return d2 <= 70.0 * 70.0 && d2 >= 26.0 * 26.0;
    });
    c.Fill(0xF07AA8, [](double x, double y) {
        const double d = std::hypot(x - 85, y - 85);
        const double wave = 3.0 * std::sin(AngleOf(x, y, 85, 85) * 9);
        return d <= 60.0 + wave && d >= 32.0;
    });
    static constexpr Pixel kSprinkles[] = {0x3050C0, 0xF2D12E, 0x40B060, 0xF5F0E0};
    for (int n = 0; n < 28; ++n) {
        const double a = n * 2.39996, r = 38.0 + (n * 7 % 19);
        const double x = 85 + r * std::cos(a), y = 85 + r * std::sin(a);
        c.Ellipse(x, y, 3.0, 1.6, kSprinkles[n % 4]);
    }
    return c.Picture();
}

Raster Star() {
    std::vector<Point> points;
    for (int k = 0; k < 10; ++k) {
        const double r = k % 2 == 0 ? 82.0 : 34.0, a = -kPi / 2 + k * kPi / 5;
        points.push_back({90 + r * std::cos(a), 96 + r * std::sin(a)});
    }
    Canvas c(180, 180, kWhite);
    c.Polygon(points, 0xF2C12E);
    c.Disc(90, 96, 20, 0xF08A24);
    c.Disc(90, 96, 8, 0xE03C31);
    return c.Picture();
}

// A bear cub: head, ears, face, a scarf, body, arms and feet in several colours.
Raster Bear() {
    constexpr Pixel kFur = 0xA0692E, kDark = 0x7A4A1E, kTan = 0xE8C89A, kPink = 0xF09A9A;
    constexpr Pixel kInk = 0x2A2018, kScarf = 0xD03030, kShine = 0xF0F0F0;
    Canvas c(200, 232, kWhite);
    for (double x : {52.0, 148.0}) c.Disc(x, 42, 26, kDark);
    for (double x : {52.0, 148.0}) c.Disc(x, 42, 13, kPink);
    for (double x : {54.0, 146.0}) c.Ellipse(x, 168, 17, 26, kDark);  // arms
    for (double x : {72.0, 128.0}) c.Ellipse(x, 214, 22, 13, kDark);  // feet
    c.Ellipse(100, 176, 50, 42, kFur);
    c.Ellipse(100, 184, 30, 26, kTan);
    c.Disc(100, 88, 60, kFur);
    c.Ellipse(100, 138, 46, 9, kScarf);
    c.Ellipse(100, 110, 29, 21, kTan);
    c.Ellipse(100, 100, 10, 7, kInk);
    for (double x : {76.0, 124.0}) c.Disc(x, 80, 7, kInk);
    for (double x : {78.0, 126.0}) c.Disc(x, 77, 2.2, kShine);
    for (double x : {60.0, 140.0}) c.Ellipse(x, 108, 9, 6, kPink);
    return c.Picture();
}

// A penguin with a black back, black eyes and a white belly, drawn on nothing: black and
// white both belong to the figure, so only the transparency can tell it from its ground.
constexpr Pixel kNothing = 0xFF00FF;  // stands for the transparent pixels while drawing
Raster Penguin() {
    constexpr Pixel kBlack = 0x000000, kOrange = 0xF09020, kGrey = 0x303840;
    Canvas c(180, 220, kNothing);
    for (double x : {66.0, 114.0}) c.Ellipse(x, 204, 22, 9, kOrange);  // feet
    for (double s : {-1.0, 1.0})
        c.Polygon({{90 + s * 52, 104}, {90 + s * 80, 168}, {90 + s * 60, 176}, {90 + s * 40, 128}},
                  kGrey);  // flippers
    c.Ellipse(90, 128, 58, 78, kBlack);
    c.Ellipse(90, 142, 40, 58, kWhite);
    c.Disc(90, 60, 44, kBlack);
    for (double x : {72.0, 108.0}) c.Disc(x, 58, 12, kWhite);
    for (double x : {75.0, 105.0}) c.Disc(x, 60, 6, kBlack);
    c.Polygon({{78, 76}, {102, 76}, {90, 94}}, kOrange);  // beak
    return c.Picture();
}

// The picture as a PNG file with an alpha channel: kNothing becomes transparent black.
void SaveTransparentPng(const Raster& picture, const std::string& path) {
    QImage image(picture.Width(), picture.Height(), QImage::Format_ARGB32);
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            const Pixel p = picture.At(x, y);
            image.setPixel(x, y, p == kNothing ? 0u : 0xFF000000u | p);
        }
    if (!image.save(QString::fromStdString(path), "PNG"))
        throw vonnik::FileError(path, "cannot write the PNG picture");
}

// A sky over a green hill, with the sun: the sample backdrop.
Raster Sky() {
    Raster r(360, 300);
    for (int y = 0; y < r.Height(); ++y) {
        for (int x = 0; x < r.Width(); ++x) {
            const double t = std::min(1.0, y / 220.0);
            const auto mix = [t](int a, int b) { return static_cast<Pixel>(a + (b - a) * t); };
            Pixel p = (mix(0x58, 0xC8) << 16) | (mix(0x90, 0xE4) << 8) | mix(0xD8, 0xF8);
            if (y > 222 + 14 * std::sin(x / 38.0)) p = y % 7 == 0 ? 0x4E9438 : 0x5AA040;
            if (std::hypot(x - 296.0, y - 62.0) <= 26.0) p = 0xFFE070;
            r.Set(x, y, p);
        }
    }
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vonnik_make_samples FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    try {
        vonnik::SaveFrameBmp(BeachBall(), folder + "/obj/disc.bmp");
        vonnik::SaveFrameBmp(Doughnut(), folder + "/obj/ring.bmp");
        vonnik::SaveFrameBmp(Star(), folder + "/obj/star.bmp");
        vonnik::SaveFrameBmp(Bear(), folder + "/obj/bear.bmp");
        SaveTransparentPng(Penguin(), folder + "/obj/penguin.png");
        vonnik::SaveFrameBmp(Sky(), folder + "/haikei/sky.bmp");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vonnik_make_samples: %s\n", e.what());
        return 1;
    }
    return 0;
}
