#include "ui/window_template.h"

#include <algorithm>
#include <array>

namespace qv {
namespace {

constexpr std::array kControls = std::to_array<ControlTemplate>({
    // "动态图表信息"
    {"分组框3", ControlKind::GroupBox, "", {2, 3, 216, 192}, "\xb6\xaf\xcc\xac\xcd\xbc\xb1\xed\xd0\xc5\xcf\xa2", LabelLook::None, Rgb{236, 236, 236}},
    // "CPU动态信息："
    {"标签1", ControlKind::Label, "分组框3", {6, 15, 92, 16}, "CPU\xb6\xaf\xcc\xac\xd0\xc5\xcf\xa2\xa3\xba", LabelLook::Heading1, std::nullopt},
    // "内存动态信息："
    {"标签2", ControlKind::Label, "分组框3", {109, 15, 92, 16}, "\xc4\xda\xb4\xe6\xb6\xaf\xcc\xac\xd0\xc5\xcf\xa2\xa3\xba", LabelLook::Heading2, std::nullopt},
    {"CPU占用图", ControlKind::Chart, "分组框3", {6, 34, 100, 150}, "", LabelLook::None, std::nullopt},
    {"内存占用图", ControlKind::Chart, "分组框3", {109, 34, 100, 150}, "", LabelLook::None, std::nullopt},
    // "动态数字信息"
    {"分组框1", ControlKind::GroupBox, "", {221, 3, 136, 129}, "\xb6\xaf\xcc\xac\xca\xfd\xd7\xd6\xd0\xc5\xcf\xa2", LabelLook::None, Rgb{236, 236, 236}},
    // "CPU 占用率："
    {"标签12", ControlKind::Label, "分组框1", {4, 13, 67, 20}, "CPU \xd5\xbc\xd3\xc3\xc2\xca\xa3\xba", LabelLook::Plain, std::nullopt},
    {"标签13", ControlKind::Label, "分组框1", {76, 13, 55, 20}, "100%", LabelLook::Percent, std::nullopt},
    // "内存占用率："
    {"标签14", ControlKind::Label, "分组框1", {4, 31, 67, 20}, "\xc4\xda\xb4\xe6\xd5\xbc\xd3\xc3\xc2\xca\xa3\xba", LabelLook::Plain, std::nullopt},
    {"标签15", ControlKind::Label, "分组框1", {76, 31, 55, 20}, "100%", LabelLook::Percent, std::nullopt},
    // "总物理内存："
    {"标签3", ControlKind::Label, "分组框1", {4, 49, 66, 20}, "\xd7\xdc\xce\xef\xc0\xed\xc4\xda\xb4\xe6\xa3\xba", LabelLook::Plain, std::nullopt},
    {"标签5", ControlKind::Label, "分组框1", {76, 49, 55, 20}, "", LabelLook::Total, std::nullopt},
    // "当前使用量："
    {"标签7", ControlKind::Label, "分组框1", {4, 68, 68, 20}, "\xb5\xb1\xc7\xb0\xca\xb9\xd3\xc3\xc1\xbf\xa3\xba", LabelLook::Plain, std::nullopt},
    {"标签22", ControlKind::Label, "分组框1", {76, 68, 55, 20}, "", LabelLook::Used, std::nullopt},
    // "总虚拟内存："
    {"标签23", ControlKind::Label, "分组框1", {4, 87, 66, 20}, "\xd7\xdc\xd0\xe9\xc4\xe2\xc4\xda\xb4\xe6\xa3\xba", LabelLook::Plain, std::nullopt},
    {"标签24", ControlKind::Label, "分组框1", {76, 87, 55, 20}, "", LabelLook::Total, std::nullopt},
    // "当前使用量："
    {"标签25", ControlKind::Label, "分组框1", {4, 105, 68, 20}, "\xb5\xb1\xc7\xb0\xca\xb9\xd3\xc3\xc1\xbf\xa3\xba", LabelLook::Plain, std::nullopt},
    {"标签26", ControlKind::Label, "分组框1", {76, 105, 55, 20}, "", LabelLook::Used, std::nullopt},
    // "优化策略设置"
    {"分组框2", ControlKind::GroupBox, "", {221, 133, 136, 62}, "\xd3\xc5\xbb\xaf\xb2\xdf\xc2\xd4\xc9\xe8\xd6\xc3", LabelLook::None, std::nullopt},
    // "时间优化策略"
    {"单选框3", ControlKind::Radio, "分组框2", {4, 17, 120, 20}, "\xca\xb1\xbc\xe4\xd3\xc5\xbb\xaf\xb2\xdf\xc2\xd4", LabelLook::None, std::nullopt},
    // "比例优化策略"
    {"单选框4", ControlKind::Radio, "分组框2", {4, 37, 120, 20}, "\xb1\xc8\xc0\xfd\xd3\xc5\xbb\xaf\xb2\xdf\xc2\xd4", LabelLook::None, std::nullopt},
    // "具体设置"
    {"分组框4", ControlKind::GroupBox, "", {361, 3, 88, 101}, "\xbe\xdf\xcc\xe5\xc9\xe8\xd6\xc3", LabelLook::None, std::nullopt},
    // "时间优化间隙："
    {"标签6", ControlKind::Label, "分组框4", {4, 17, 78, 12}, "\xca\xb1\xbc\xe4\xd3\xc5\xbb\xaf\xbc\xe4\xcf\xb6\xa3\xba", LabelLook::EngravedDefault, std::nullopt},
    {"编辑框1", ControlKind::Edit, "分组框4", {3, 33, 24, 20}, "5", LabelLook::None, std::nullopt},
    // "(分钟)"
    {"标签8", ControlKind::Label, "分组框4", {31, 33, 52, 20}, "(\xb7\xd6\xd6\xd3)", LabelLook::Plain, std::nullopt},
    // "比例优化指标："
    {"标签9", ControlKind::Label, "分组框4", {4, 57, 78, 12}, "\xb1\xc8\xc0\xfd\xd3\xc5\xbb\xaf\xd6\xb8\xb1\xea\xa3\xba", LabelLook::EngravedDefault, std::nullopt},
    {"编辑框2", ControlKind::Edit, "分组框4", {3, 74, 24, 20}, "40", LabelLook::None, std::nullopt},
    {"透明标签1", ControlKind::TransparentLabel, "分组框4", {29, 74, 16, 20}, "(%)", LabelLook::None, std::nullopt},
    // "比例"
    {"标签10", ControlKind::Label, "分组框4", {48, 74, 38, 20}, "\xb1\xc8\xc0\xfd", LabelLook::Plain, std::nullopt},
    // "说明"
    {"分组框5", ControlKind::GroupBox, "", {361, 105, 88, 90}, "\xcb\xb5\xc3\xf7", LabelLook::None, std::nullopt},
    // "    1、时间间隙不能太小，防影响其它程序的使用； /     2、比例优化是指当内存使用超过设定值时开始优化。"
    {"标签11", ControlKind::Label, "分组框5", {3, 13, 80, 72}, "    1\xa1\xa2\xca\xb1\xbc\xe4\xbc\xe4\xcf\xb6\xb2\xbb\xc4\xdc\xcc\xab\xd0\xa1\xa3\xac\xb7\xc0\xd3\xb0\xcf\xec\xc6\xe4\xcb\xfc\xb3\xcc\xd0\xf2\xb5\xc4\xca\xb9\xd3\xc3\xa3\xbb\r\n    2\xa1\xa2\xb1\xc8\xc0\xfd\xd3\xc5\xbb\xaf\xca\xc7\xd6\xb8\xb5\xb1\xc4\xda\xb4\xe6\xca\xb9\xd3\xc3\xb3\xac\xb9\xfd\xc9\xe8\xb6\xa8\xd6\xb5\xca\xb1\xbf\xaa\xca\xbc\xd3\xc5\xbb\xaf\xa1\xa3", LabelLook::Note, std::nullopt},
    // "标签"
    {"标签4", ControlKind::Label, "", {4, 198, 308, 26}, "\xb1\xea\xc7\xa9", LabelLook::Status, std::nullopt},
    // "自动启动"
    {"选择框3", ControlKind::Check, "", {319, 198, 70, 26}, "\xd7\xd4\xb6\xaf\xc6\xf4\xb6\xaf", LabelLook::None, std::nullopt},
    // "联系作者"
    {"按钮1", ControlKind::Button, "", {393, 198, 56, 26}, "\xc1\xaa\xcf\xb5\xd7\xf7\xd5\xdf", LabelLook::None, std::nullopt},
});

constexpr Rgb kBlack{0, 0, 0};

constexpr LabelStyle songTi(Rgb colour, int height, Underline underline) {
    return {colour, {FontFace::SongTi, height, underline}, TextEffect::Engraved, LabelFrame::None,
            TextFlow::SingleLine};
}

}  // namespace

std::span<const ControlTemplate> windowControls() { return kControls; }

const ControlTemplate* findControl(std::string_view formName) {
    const auto found = std::find_if(kControls.begin(), kControls.end(),
                                    [&](const ControlTemplate& c) { return c.formName == formName; });
    return found == kControls.end() ? nullptr : &*found;
}

LabelStyle labelStyle(LabelLook look) {
    LabelStyle style{kBlack, {}, TextEffect::Plain, LabelFrame::None, TextFlow::SingleLine};
    switch (look) {
    case LabelLook::None:
    case LabelLook::Plain:
        return style;
    case LabelLook::Status:
        style.text = {144, 0, 255};
        return style;
    case LabelLook::EngravedDefault:
        style.effect = TextEffect::Engraved;
        return style;
    case LabelLook::Percent:
        return songTi({88, 48, 224}, 14, Underline::Yes);
    case LabelLook::Used:
        return songTi({255, 0, 0}, 12, Underline::Yes);
    case LabelLook::Total:
        return songTi({0, 128, 0}, 12, Underline::Yes);
    case LabelLook::Heading1:
        style = songTi({255, 0, 0}, 12, Underline::Yes);
        style.frame = LabelFrame::SingleLine;
        return style;
    case LabelLook::Heading2:
        style = songTi({255, 128, 0}, 12, Underline::Yes);
        style.frame = LabelFrame::SingleLine;
        return style;
    case LabelLook::Note:
        style = songTi({128, 128, 0}, 10, Underline::No);
        style.flow = TextFlow::Wrapped;
        return style;
    }
    return style;
}

}  // namespace qv
