#pragma once

#include <cstdint>
#include <string_view>

// Fixed texts of the skin installer and the binder, as GBK bytes; the UTF-8
// form stands in the comment where they differ.

namespace qv::skin::texts {

inline constexpr std::string_view kLibraryPath = "C:\\WINDOWS\\system32\\JiaH.dll";
inline constexpr std::string_view kSkinFilePath = "C:\\WINDOWS\\system32\\skinh.she";
inline constexpr std::string_view kSettingsRoot = "Software\\Microsoft\\VUruvi\\";

inline constexpr std::string_view kEngineLibrary = "JiaH.dll";
inline constexpr std::string_view kProcessStatusLibrary = "psapi.dll";

inline constexpr std::string_view kSkinId = "SkinID";
inline constexpr std::string_view kHue = "SDID";
inline constexpr std::string_view kSaturation = "BHDID";
inline constexpr std::string_view kValue = "LDID";
inline constexpr std::string_view kMenuAlpha = "CDTMID";
// "Aero特效"
inline constexpr std::string_view kAeroSwitch = "Aero\xcc\xd8\xd0\xa7";
inline constexpr std::string_view kAeroValues[7] = {"Aero1", "Aero2", "Aero3", "Aero4",
                                                    "Aero5", "Aero6", "Aero7"};

// "无法调用外部函数：库 " <library> "，函数 " <function>
inline constexpr std::string_view kBindFailedLibrary =
    "\xce\xde\xb7\xa8\xb5\xf7\xd3\xc3\xcd\xe2\xb2\xbf\xba\xaf\xca\xfd\xa3\xba\xbf\xe2 ";
inline constexpr std::string_view kBindFailedFunction = "\xa3\xac\xba\xaf\xca\xfd ";
// "系统库": the library named for functions bound without one
inline constexpr std::string_view kSystemLibraries = "\xcf\xb5\xcd\xb3\xbf\xe2";

}  // namespace qv::skin::texts

namespace qv::skin {

/// The registry root of the current user's settings.
inline constexpr std::int32_t kCurrentUserRoot = 3;
inline constexpr std::int32_t kDefaultSkinId = 2;
inline constexpr std::int32_t kDefaultAeroSwitch = 1;

}  // namespace qv::skin
