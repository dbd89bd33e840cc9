#include "skin/format/colour.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace qv::skin {
namespace {

struct Hsv {
    double h = 0;  // degrees 0..360
    double s = 0;  // 0..1
    double v = 0;  // 0..1
};

Hsv toHsv(Rgba c) {
    const double r = c.r / 255.0, g = c.g / 255.0, b = c.b / 255.0;
    const double max = std::max({r, g, b}), min = std::min({r, g, b});
    const double delta = max - min;
    Hsv out;
    out.v = max;
    out.s = max > 0 ? delta / max : 0;
    if (delta <= 0) return out;
    if (max == r) {
        out.h = 60 * std::fmod((g - b) / delta + 6, 6.0);
    } else if (max == g) {
        out.h = 60 * ((b - r) / delta + 2);
    } else {
        out.h = 60 * ((r - g) / delta + 4);
    }
    return out;
}

std::uint8_t toByte(double unit) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(unit, 0.0, 1.0) * 255));
}

Rgba fromHsv(Hsv in, std::uint8_t alpha) {
    const double c = in.v * in.s;
    const double hp = std::fmod(in.h, 360.0) / 60;
    const double x = c * (1 - std::fabs(std::fmod(hp, 2.0) - 1));
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(hp)) {
        case 0: r = c, g = x; break;
        case 1: r = x, g = c; break;
        case 2: g = c, b = x; break;
        case 3: g = x, b = c; break;
        case 4: r = x, b = c; break;
        default: r = c, b = x; break;
    }
    const double m = in.v - c;
    return Rgba{toByte(r + m), toByte(g + m), toByte(b + m), alpha};
}

double normalisedDegrees(std::int32_t degrees) {
    const auto turned = static_cast<std::int64_t>(degrees) % 360;
    return static_cast<double>(turned < 0 ? turned + 360 : turned);
}

// Moves a unit quantity towards 1 (positive percent) or 0 (negative).
double moveUnit(double unit, std::int32_t percent) {
    const double p = std::clamp(percent, -100, 100) / 100.0;
    return p >= 0 ? unit + (1 - unit) * p : unit * (1 + p);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isHexColourAt(std::string_view text, std::size_t at) {
    if (at + 7 > text.size() || text[at] != '#') return false;
    for (std::size_t i = 1; i <= 6; ++i) {
        if (hexDigit(text[at + i]) < 0) return false;
    }
    // "#rrggbbaa" or longer words are left alone
    return at + 7 == text.size() || hexDigit(text[at + 7]) < 0;
}

}  // namespace

bool HsvShift::isIdentity() const { return hue % 360 == 0 && saturation == 0 && value == 0; }

Rgba shiftColour(Rgba colour, const HsvShift& shift) {
    if (shift.isIdentity()) return colour;
    Hsv hsv = toHsv(colour);
    hsv.h = std::fmod(hsv.h + normalisedDegrees(shift.hue), 360.0);
    hsv.s = moveUnit(hsv.s, shift.saturation);
    hsv.v = moveUnit(hsv.v, shift.value);
    return fromHsv(hsv, colour.a);
}

Rgba blendColour(Rgba colour, Rgba target, std::int32_t percent) {
    const int p = std::clamp(percent, 0, 100);
    auto mix = [p](std::uint8_t a, std::uint8_t b) {
        return static_cast<std::uint8_t>((a * (100 - p) + b * p + 50) / 100);
    };
    return Rgba{mix(colour.r, target.r), mix(colour.g, target.g), mix(colour.b, target.b), colour.a};
}

Rgba ColourTransform::apply(Rgba colour) const {
    const Rgba shifted = shiftColour(colour, shift);
    const Rgba tinted = blendColour(shifted, tint, tintPercent);
    return blendColour(tinted, Rgba{255, 255, 255, 255}, std::clamp(frostPercent, 0, 100) / 4);
}

bool ColourTransform::isIdentity() const {
    return shift.isIdentity() && tintPercent <= 0 && frostPercent <= 0;
}

std::string transformStyleSheet(std::string_view styleSheet, const ColourTransform& transform) {
    std::string out(styleSheet);
    if (transform.isIdentity()) return out;
    for (std::size_t at = 0; at < out.size(); ++at) {
        if (!isHexColourAt(out, at)) continue;
        auto byteAt = [&](std::size_t i) {
            return static_cast<std::uint8_t>(hexDigit(out[i]) * 16 + hexDigit(out[i + 1]));
        };
        const Rgba shifted = transform.apply(Rgba{byteAt(at + 1), byteAt(at + 3), byteAt(at + 5), 255});
        char hex[8];
        std::snprintf(hex, sizeof hex, "#%02x%02x%02x", shifted.r, shifted.g, shifted.b);
        out.replace(at, 7, hex);
        at += 6;
    }
    return out;
}

Rgba hueColour(std::int32_t degrees) { return fromHsv(Hsv{normalisedDegrees(degrees), 1, 1}, 255); }

}  // namespace qv::skin
