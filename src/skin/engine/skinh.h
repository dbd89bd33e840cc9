#pragma once

#include <cstdint>

// The five calls of our skin engine (the shared library JiaH.dll). Every
// argument is a signed 32-bit integer; every result is 0 and means nothing.
// The 32-bit Windows build would use the convention in which the called
// function removes its arguments (stdcall); x86-64 Linux has one calling
// convention, so nothing is declared for it here.
//
// Without a QApplication in the process every call does nothing.

#if defined(QV_SKIN_ENGINE_BUILD)
#define QV_SKIN_EXPORT __attribute__((visibility("default")))
#else
#define QV_SKIN_EXPORT
#endif

extern "C" {

/// Reads skinh.she from the directory the engine was loaded from and gives
/// the application its palette and style sheet. A file that is missing or not
/// a well-formed skin leaves the application in the plain look (the style
/// and palette it had before the first attach, and no style sheet). Calling it again reads
/// the file again and starts over: no colour shift, opaque menus, no glass.
QV_SKIN_EXPORT std::int32_t SkinH_Attach();

/// Shifts every colour of the skin: `hue` turns it by that many degrees
/// (modulo 360, so -180..180 covers all), `saturation` and `value` move it by
/// a percentage in -100..100 (clamped; +100 is full, -100 none, 0 unchanged).
/// Each call replaces the previous shift; (0, 0, 0) restores the skin.
QV_SKIN_EXPORT std::int32_t SkinH_AdjustHSV(std::int32_t hue, std::int32_t saturation,
                                            std::int32_t value);

/// Menu transparency in percent, 0..90 (clamped): 0 is opaque, 90 the most
/// transparent the engine allows, so that a menu never disappears.
QV_SKIN_EXPORT std::int32_t SkinH_SetMenuAlpha(std::int32_t transparency);

/// The glass effect: 1 switches it on, any other value off. While off, the
/// values of SkinH_AdjustAero are kept but not shown.
QV_SKIN_EXPORT std::int32_t SkinH_SetAero(std::int32_t on);

/// The glass settings, shown while the glass effect is on:
///   transparency  top-level window transparency in percent, 0..80 (clamped)
///   tintHue       hue of the glass tint in degrees (modulo 360)
///   tintStrength  how far every colour of the skin moves towards the tint,
///                 percent 0..100 (clamped); 0 means no tint
///   frost         every colour moves towards white by a quarter of this
///                 percentage, 0..100 (clamped)
///   reserved1, reserved2   always 0; accepted and ignored
///   menuGlass     1: menus take the window transparency when it is higher
///                 than their own; other values: menus keep their own
///   reserved3, reserved4   accepted and ignored
/// All zero is the glass with no visible change.
QV_SKIN_EXPORT std::int32_t SkinH_AdjustAero(std::int32_t transparency, std::int32_t tintHue,
                                             std::int32_t tintStrength, std::int32_t frost,
                                             std::int32_t reserved1, std::int32_t reserved2,
                                             std::int32_t menuGlass, std::int32_t reserved3,
                                             std::int32_t reserved4);

}  // extern "C"

namespace qv::skin {

using SkinH_AttachFn = std::int32_t (*)();
using SkinH_AdjustHSVFn = std::int32_t (*)(std::int32_t, std::int32_t, std::int32_t);
using SkinH_SetMenuAlphaFn = std::int32_t (*)(std::int32_t);
using SkinH_SetAeroFn = std::int32_t (*)(std::int32_t);
using SkinH_AdjustAeroFn = std::int32_t (*)(std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                            std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                            std::int32_t);

}  // namespace qv::skin
