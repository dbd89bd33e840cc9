// Our skin engine: gives the running Qt application the palette and style
// sheet of skinh.she and adjusts colours, menu and glass as it is told.

#include <QApplication>
#include <QMenu>
#include <QPalette>
#include <QPointer>
#include <QStyle>
#include <QWidget>

#include <algorithm>
#include <optional>

#include "skin/engine/skin_reader.h"
#include "skin/engine/skinh.h"
#include "skin/format/colour.h"

namespace {

using namespace qv::skin;

constexpr int kMaxMenuTransparency = 90;
constexpr int kMaxWindowTransparency = 80;
constexpr const char* kSkinFileName = "/skinh.she";
constexpr const char* kOpacityMark = "quorvelSkinOpacity";

struct Glass {
    bool on = false;
    std::int32_t transparency = 0;
    std::int32_t tintHue = 0;
    std::int32_t tintStrength = 0;
    std::int32_t frost = 0;
    bool menus = false;
};

struct PlainLook {
    QString styleName;
    QPalette palette;
};

struct Engine {
    bool attached = false;
    // Whether a window has asked for the look. Until then the skin and its
    // adjustments are only kept: a program waiting in the tray pays neither
    // for parsing the style sheet nor for the styled widgets' extra state.
    bool windowSeen = false;
    std::optional<PlainLook> plain;
    std::optional<SkinFile> skin;
    HsvShift shift;
    std::int32_t menuTransparency = 0;
    Glass glass;
    QPointer<QObject> watcher;
};

Engine& engine() {
    static Engine instance;
    return instance;
}

QApplication* application() { return qobject_cast<QApplication*>(QCoreApplication::instance()); }

ColourTransform colourTransform() {
    const Engine& e = engine();
    ColourTransform t;
    t.shift = e.shift;
    if (e.glass.on) {
        t.tint = hueColour(e.glass.tintHue);
        t.tintPercent = e.glass.tintStrength;
        t.frostPercent = e.glass.frost;
    }
    return t;
}

QPalette::ColorRole toolkitRole(ColourRole role) {
    switch (role) {
        case ColourRole::Window: return QPalette::Window;
        case ColourRole::WindowText: return QPalette::WindowText;
        case ColourRole::Base: return QPalette::Base;
        case ColourRole::AlternateBase: return QPalette::AlternateBase;
        case ColourRole::Text: return QPalette::Text;
        case ColourRole::Button: return QPalette::Button;
        case ColourRole::ButtonText: return QPalette::ButtonText;
        case ColourRole::BrightText: return QPalette::BrightText;
        case ColourRole::Highlight: return QPalette::Highlight;
        case ColourRole::HighlightedText: return QPalette::HighlightedText;
        case ColourRole::Light: return QPalette::Light;
        case ColourRole::Midlight: return QPalette::Midlight;
        case ColourRole::Mid: return QPalette::Mid;
        case ColourRole::Dark: return QPalette::Dark;
        case ColourRole::Shadow: return QPalette::Shadow;
        case ColourRole::ToolTipBase: return QPalette::ToolTipBase;
        case ColourRole::ToolTipText: return QPalette::ToolTipText;
        case ColourRole::Link: return QPalette::Link;
        case ColourRole::PlaceholderText: return QPalette::PlaceholderText;
        case ColourRole::Count: break;
    }
    return QPalette::NoRole;
}

QColor toQColor(Rgba c) { return QColor(c.r, c.g, c.b, c.a); }

QPalette skinPalette(const SkinFile& skin, const ColourTransform& transform) {
    QPalette palette = application()->style()->standardPalette();
    for (std::size_t i = 0; i < kColourRoleCount; ++i) {
        const auto& colour = skin.palette[i];
        if (!colour) continue;
        const QColor active = toQColor(transform.apply(*colour));
        const auto role = toolkitRole(static_cast<ColourRole>(i));
        palette.setColor(QPalette::Active, role, active);
        palette.setColor(QPalette::Inactive, role, active);
        palette.setColor(QPalette::Disabled, role, active.darker(115));
    }
    const QColor muted = palette.color(QPalette::Active, QPalette::PlaceholderText);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, muted);
    }
    return palette;
}

double opacityOf(int transparencyPercent) { return 1.0 - transparencyPercent / 100.0; }

int menuTransparency() {
    const Engine& e = engine();
    int t = e.menuTransparency;
    if (e.glass.on && e.glass.menus) t = std::max(t, e.glass.transparency);
    return t;
}

int windowTransparency() {
    const Engine& e = engine();
    return e.glass.on ? e.glass.transparency : 0;
}

// Sets a window's opacity, but leaves windows alone that the engine never
// made translucent and that need no translucency now.
void applyOpacity(QWidget* window) {
    if (!window->isWindow()) return;
    const bool menu = qobject_cast<QMenu*>(window) != nullptr;
    const int transparency = menu ? menuTransparency() : windowTransparency();
    if (transparency == 0 && !window->property(kOpacityMark).isValid()) return;
    window->setProperty(kOpacityMark, true);
    window->setWindowOpacity(opacityOf(transparency));
}

void applyOpacityEverywhere() {
    for (QWidget* widget : QApplication::topLevelWidgets()) applyOpacity(widget);
}

// The tray's icon is a window of the toolkit's own, named after its class,
// that shows only the icon's pixels: it needs no look.
bool needsLook(const QWidget* widget) {
    return widget->window()->objectName() != QLatin1String("QSystemTrayIconSys");
}

bool anyWindowNeedsLook() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(), needsLook);
}

void applyLook();

/// Gives windows and menus that appear later the current opacity, and the
/// look to the first widget that needs it.
class WindowWatcher final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* object, QEvent* event) override {
        // Filters see the polish before the widget's style does, so the
        // first widget is polished by the skinned style already.
        if (event->type() == QEvent::Polish && !engine().windowSeen && object->isWidgetType() &&
            needsLook(static_cast<QWidget*>(object))) {
            engine().windowSeen = true;
            applyLook();
        }
        if (event->type() == QEvent::Show && object->isWidgetType()) {
            applyOpacity(static_cast<QWidget*>(object));
        }
        return false;
    }
};

void ensureWatcher() {
    Engine& e = engine();
    if (e.watcher) return;
    e.watcher = new WindowWatcher(application());
    application()->installEventFilter(e.watcher);
}

void applyLook() {
    QApplication* app = application();
    Engine& e = engine();
    if (!app || !e.attached) return;
    if (!e.windowSeen) e.windowSeen = anyWindowNeedsLook();
    if (!e.windowSeen) return;
    if (!e.skin) {
        app->setStyleSheet(QString());
        if (app->style()->name() != e.plain->styleName) QApplication::setStyle(e.plain->styleName);
        QApplication::setPalette(e.plain->palette);
        applyOpacityEverywhere();
        return;
    }
    const ColourTransform transform = colourTransform();
    if (app->style()->name().compare(QStringLiteral("fusion"), Qt::CaseInsensitive) != 0) {
        QApplication::setStyle(QStringLiteral("Fusion"));
    }
    QApplication::setPalette(skinPalette(*e.skin, transform));
    app->setStyleSheet(QString::fromLatin1(transformStyleSheet(e.skin->styleSheet, transform)));
    applyOpacityEverywhere();
}

}  // namespace

extern "C" {

std::int32_t SkinH_Attach() {
    QApplication* app = application();
    if (!app) return 0;
    Engine& e = engine();
    if (!e.plain) e.plain = PlainLook{app->style()->name(), QApplication::palette()};
    const std::string directory = directoryOfModule(reinterpret_cast<const void*>(&SkinH_Attach));
    e.skin = directory.empty() ? std::nullopt : readSkinFile(directory + kSkinFileName);
    e.shift = HsvShift{};
    e.menuTransparency = 0;
    e.glass = Glass{};
    e.attached = true;
    ensureWatcher();
    applyLook();
    return 0;
}

std::int32_t SkinH_AdjustHSV(std::int32_t hue, std::int32_t saturation, std::int32_t value) {
    if (!application()) return 0;
    engine().shift = HsvShift{hue, std::clamp(saturation, -100, 100), std::clamp(value, -100, 100)};
    applyLook();
    return 0;
}

std::int32_t SkinH_SetMenuAlpha(std::int32_t transparency) {
    if (!application()) return 0;
    engine().menuTransparency = std::clamp(transparency, 0, kMaxMenuTransparency);
    if (engine().attached) applyOpacityEverywhere();
    return 0;
}

std::int32_t SkinH_SetAero(std::int32_t on) {
    if (!application()) return 0;
    engine().glass.on = on == 1;
    applyLook();
    return 0;
}

std::int32_t SkinH_AdjustAero(std::int32_t transparency, std::int32_t tintHue, std::int32_t tintStrength,
                              std::int32_t frost, std::int32_t, std::int32_t, std::int32_t menuGlass,
                              std::int32_t, std::int32_t) {
    if (!application()) return 0;
    Glass& glass = engine().glass;
    glass.transparency = std::clamp(transparency, 0, kMaxWindowTransparency);
    glass.tintHue = tintHue;
    glass.tintStrength = std::clamp(tintStrength, 0, 100);
    glass.frost = std::clamp(frost, 0, 100);
    glass.menus = menuGlass == 1;
    applyLook();
    return 0;
}

}  // extern "C"
