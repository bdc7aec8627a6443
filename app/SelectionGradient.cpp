#include "app/SelectionGradient.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace talv {
namespace {

struct Hsv {
    double hue = 0, saturation = 0, value = 0;
};

Hsv toHsv(const Rgba& c) {
    const double max = std::max({c.red, c.green, c.blue});
    const double min = std::min({c.red, c.green, c.blue});
    const double delta = max - min;
    Hsv hsv{0, max > 0 ? delta / max : 0, max};
    if (delta > 0) {
        if (max == c.red) hsv.hue = std::fmod((c.green - c.blue) / delta, 6.0);
        else if (max == c.green) hsv.hue = (c.blue - c.red) / delta + 2;
        else hsv.hue = (c.red - c.green) / delta + 4;
        hsv.hue /= 6;
        if (hsv.hue < 0) hsv.hue += 1;
    }
    return hsv;
}

Rgba toRgba(const Hsv& hsv, double alpha) {
    const double h = hsv.hue * 6, s = hsv.saturation, v = hsv.value;
    const int sector = static_cast<int>(std::floor(h)) % 6;
    const double f = h - std::floor(h);
    const double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    switch (sector) {
    case 0: return {v, t, p, alpha};
    case 1: return {q, v, p, alpha};
    case 2: return {p, v, t, alpha};
    case 3: return {p, q, v, alpha};
    case 4: return {t, p, v, alpha};
    default: return {v, p, q, alpha};
    }
}

}  // namespace

SelectionGradient selectionGradient(const Rgba& base) {
    const Hsv hsv = toHsv(base);
    const double topSaturation = hsv.saturation - 0.12;
    Hsv top{hsv.hue, topSaturation > 0 ? topSaturation : 0, std::min(hsv.value + 0.3, 1.0)};
    const double bottomValue = hsv.value - 0.045;
    Hsv bottom{hsv.hue, hsv.saturation > 0.04 ? std::min(hsv.saturation + 0.12, 1.0) : 0, bottomValue > 0 ? bottomValue : 0};
    return {base, toRgba(top, base.alpha), toRgba(bottom, base.alpha)};
}

std::string cssColor(const Rgba& c) {
    const auto channel = [](double x) { return static_cast<int>(std::lround(std::clamp(x, 0.0, 1.0) * 255)); };
    return fmt::format("rgba({},{},{},{:.3g})", channel(c.red), channel(c.green), channel(c.blue), std::clamp(c.alpha, 0.0, 1.0));
}

}  // namespace talv
