#include "session/light_disc.h"

#include <cmath>

namespace vonnik {

bool InsideLightDisc(int x, int y) {
    const long long dx = LightDisc::kCentreX - static_cast<long long>(x);
    const long long dy = LightDisc::kCentreY - static_cast<long long>(y);
    return dx * dx + dy * dy < static_cast<long long>(LightDisc::kRadius) * LightDisc::kRadius;
}

Vec3 LightFromPoint(int pointX, int pointY, bool backLight) {
    constexpr double kRadius = LightDisc::kRadius;
    Vec3 light;
    light.x = (pointX - LightDisc::kCentreX) / kRadius;
    light.y = (pointY - LightDisc::kCentreY) / kRadius;
    light.z = -std::sqrt((1.0 - light.x * light.x) - light.y * light.y);
    if (backLight) light.z = -light.z;
    return light;
}

}  // namespace vonnik
