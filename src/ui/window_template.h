#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// The main window's template: its own settings and every control with its
// container, place, size, initial text and look. The Qt shell builds the
// widgets from it; nothing here knows a toolkit.

namespace qv {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

enum class ControlKind { GroupBox, Label, Chart, Edit, Radio, Check, Button, TransparentLabel };

/// The looks a label of this window can have.
enum class LabelLook {
    None,
    Plain,
    Status,
    EngravedDefault,
    Heading1,
    Heading2,
    Percent,
    Total,
    Used,
    Note,
};

enum class FontFace { Default, SongTi };
enum class Underline { No, Yes };
enum class TextEffect { Plain, Engraved };
enum class LabelFrame { None, SingleLine };
enum class TextFlow { SingleLine, Wrapped };

struct FontSpec {
    FontFace face = FontFace::Default;
    int pixelHeight = 0;  // 0: the default GUI font's height
    Underline underline = Underline::No;
};

struct LabelStyle {
    Rgb text;
    FontSpec font;
    TextEffect effect = TextEffect::Plain;
    LabelFrame frame = LabelFrame::None;
    TextFlow flow = TextFlow::SingleLine;
};

struct ControlTemplate {
    std::string_view formName;   // UTF-8, the widget's object name
    ControlKind kind;
    std::string_view container;  // form name of the group box; empty: the window
    Rect place;                  // relative to the container's client area
    std::string_view text;       // GBK
    LabelLook look;
    std::optional<Rgb> background;  // none: the button-face colour
};

inline constexpr Size kWindowOuterSize{458, 256};
/// The lowest and the rightmost control end here in the client area.
inline constexpr Size kControlsExtent{449, 224};
inline constexpr Rgb kButtonFace{240, 240, 240};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr int kDefaultFontPixelHeight = 12;

/// Every control, containers before their contents, in template order.
std::span<const ControlTemplate> windowControls();

/// The control of that form name, or nullptr.
const ControlTemplate* findControl(std::string_view formName);

LabelStyle labelStyle(LabelLook look);

}  // namespace qv
