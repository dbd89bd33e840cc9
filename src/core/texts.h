#pragma once

#include <string_view>

// The program's own fixed texts, as GBK bytes. The UTF-8 form stands in the
// comment above each; tools/gbk_literal.py makes the byte form from it.

namespace qv::texts {

inline constexpr std::string_view kWindowTitle = "Quorvel1.0";
inline constexpr std::string_view kTrayTip = "Veldrin_Quorvel1.0";

// "内存自动优化功能,默认策略为间隙优化! "
inline constexpr std::string_view kStartupStatus =
    "\xc4\xda\xb4\xe6\xd7\xd4\xb6\xaf\xd3\xc5\xbb\xaf\xb9\xa6\xc4\xdc,\xc4\xac\xc8\xcf\xb2\xdf\xc2"
    "\xd4\xce\xaa\xbc\xe4\xcf\xb6\xd3\xc5\xbb\xaf! ";

// "自动内存优化功能－本次共计释放内存： "
inline constexpr std::string_view kTrimStatusPrefix =
    "\xd7\xd4\xb6\xaf\xc4\xda\xb4\xe6\xd3\xc5\xbb\xaf\xb9\xa6\xc4\xdc\xa3\xad\xb1\xbe\xb4\xce\xb9"
    "\xb2\xbc\xc6\xca\xcd\xb7\xc5\xc4\xda\xb4\xe6\xa3\xba ";
inline constexpr std::string_view kTrimStatusSuffix = " MB";

// "皮肤模块"
inline constexpr std::string_view kSkinModuleName = "\xc6\xa4\xb7\xf4\xc4\xa3\xbf\xe9";

// "开机自动优化设置成功！"
inline constexpr std::string_view kAutostartSet =
    "\xbf\xaa\xbb\xfa\xd7\xd4\xb6\xaf\xd3\xc5\xbb\xaf\xc9\xe8\xd6\xc3\xb3\xc9\xb9\xa6\xa3\xa1";
// "开机自动优化成功取消！"
inline constexpr std::string_view kAutostartCleared =
    "\xbf\xaa\xbb\xfa\xd7\xd4\xb6\xaf\xd3\xc5\xbb\xaf\xb3\xc9\xb9\xa6\xc8\xa1\xcf\xfb\xa3\xa1";
// "开机自动优化设置失败！"
inline constexpr std::string_view kAutostartSetFailed =
    "\xbf\xaa\xbb\xfa\xd7\xd4\xb6\xaf\xd3\xc5\xbb\xaf\xc9\xe8\xd6\xc3\xca\xa7\xb0\xdc\xa3\xa1";
// "开机自动优化取消失败！"
inline constexpr std::string_view kAutostartClearFailed =
    "\xbf\xaa\xbb\xfa\xd7\xd4\xb6\xaf\xd3\xc5\xbb\xaf\xc8\xa1\xcf\xfb\xca\xa7\xb0\xdc\xa3\xa1";
// "信息："
inline constexpr std::string_view kMessageCaption = "\xd0\xc5\xcf\xa2\xa3\xba";

}  // namespace qv::texts
