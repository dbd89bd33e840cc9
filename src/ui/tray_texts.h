#pragma once

#include <string_view>

// Fixed texts of the tray menu and the contact link, as GBK bytes.

namespace qv::texts {

// "关于程序"
inline constexpr std::string_view kMenuAbout = "\xb9\xd8\xd3\xda\xb3\xcc\xd0\xf2";
// "显示主窗口"
inline constexpr std::string_view kMenuShowWindow = "\xcf\xd4\xca\xbe\xd6\xf7\xb4\xb0\xbf\xda";
// "联系作者"
inline constexpr std::string_view kMenuContact = "\xc1\xaa\xcf\xb5\xd7\xf7\xd5\xdf";
inline constexpr std::string_view kMenuSeparator = "-";
// "退出"
inline constexpr std::string_view kMenuExit = "\xcd\xcb\xb3\xf6";

inline constexpr std::string_view kContactLinkPrefix = "tencent://Message/?Uin=";
inline constexpr std::string_view kContactAccount = "586417203";

}  // namespace qv::texts
