#pragma once

#include <string_view>

// The program's version record. Linux executables carry no version resource,
// so the launcher's desktop entry and `quorvelctl --version` carry these.

namespace qv::version {

inline constexpr std::string_view kFileVersion = "1.0.0.0";
inline constexpr std::string_view kProductVersion = "1.0.0.0";
inline constexpr std::string_view kFileDescription = "Quorvel1.0";
inline constexpr std::string_view kProductName = "Quorvel1.0";
inline constexpr std::string_view kComments = "Quorvel1.0";
inline constexpr std::string_view kCompanyName = "Veldrin";

}  // namespace qv::version
