#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "skin/format/skin_file.h"

namespace qv::skin {

/// A shift of hue, saturation and value. The hue turns by `hue` degrees
/// (any value, taken modulo 360); saturation and value move by a percentage
/// in -100..100 (clamped): +100 takes them to full, -100 to none, 0 keeps them.
struct HsvShift {
    std::int32_t hue = 0;
    std::int32_t saturation = 0;
    std::int32_t value = 0;
    bool isIdentity() const;
};

/// `colour` shifted; alpha is kept.
Rgba shiftColour(Rgba colour, const HsvShift& shift);

/// `colour` mixed towards `target` by `percent` (clamped to 0..100).
Rgba blendColour(Rgba colour, Rgba target, std::int32_t percent);

/// What the engine does to every colour of a skin: the hue/saturation/value
/// shift, then a tint (like coloured glass) and a frosting towards white.
struct ColourTransform {
    HsvShift shift;
    Rgba tint;
    std::int32_t tintPercent = 0;   ///< 0..100, clamped
    std::int32_t frostPercent = 0;  ///< 0..100, clamped
    Rgba apply(Rgba colour) const;
    bool isIdentity() const;
};

/// The style sheet with every "#rrggbb" colour transformed; other text,
/// longer hex words ("#rrggbbaa") included, unchanged.
std::string transformStyleSheet(std::string_view styleSheet, const ColourTransform& transform);

/// The fully saturated colour of the hue `degrees` (any value, modulo 360).
Rgba hueColour(std::int32_t degrees);

}  // namespace qv::skin
