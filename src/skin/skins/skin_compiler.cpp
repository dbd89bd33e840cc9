// Builds the skin files from their readable sources:
//   skin_compiler <skins.txt> <style.qss.in> <output directory>
// writes skin_01.she .. skin_NN.she, one per block of skins.txt, and fails
// (non-zero exit, message on stderr) on anything it cannot make sense of.

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "skin/format/colour.h"
#include "skin/format/skin_file.h"

namespace {

using qv::skin::ColourRole;
using qv::skin::Rgba;

struct SkinSource {
    int id = 0;
    std::map<std::string, std::string> fields;
};

std::string trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "skin_compiler: %s\n", message.c_str());
    std::exit(1);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) fail("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<SkinSource> parseSources(const std::string& text) {
    std::vector<SkinSource> skins;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        line = trim(line);
        if (line.empty() || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            skins.push_back(SkinSource{std::stoi(line.substr(1, line.size() - 2)), {}});
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos || skins.empty()) {
            fail("line " + std::to_string(number) + ": expected [id] or key = value");
        }
        skins.back().fields[trim(line.substr(0, eq))] = trim(line.substr(eq + 1));
    }
    return skins;
}

Rgba parseColour(const std::string& text) {
    if (text.size() != 7 || text[0] != '#') fail("not a #rrggbb colour: " + text);
    auto byte = [&](int at) { return static_cast<std::uint8_t>(std::stoi(text.substr(at, 2), nullptr, 16)); };
    return Rgba{byte(1), byte(3), byte(5), 255};
}

std::string colourText(Rgba c) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02x%02x%02x", c.r, c.g, c.b);
    return hex;
}

class SkinBuilder {
public:
    explicit SkinBuilder(const SkinSource& source) : m_source(source) {}

    std::string field(const std::string& key) const {
        const auto it = m_source.fields.find(key);
        if (it == m_source.fields.end()) fail("skin " + std::to_string(m_source.id) + " lacks " + key);
        return it->second;
    }
    Rgba colour(const std::string& key) const { return parseColour(field(key)); }
    int number(const std::string& key) const { return std::stoi(field(key)); }

    qv::skin::Palette palette() const {
        const Rgba white{255, 255, 255, 255}, black{0, 0, 0, 255};
        const Rgba button = colour("button"), text = colour("text"), base = colour("base");
        qv::skin::Palette p;
        auto set = [&](ColourRole role, Rgba c) { p[static_cast<std::size_t>(role)] = c; };
        set(ColourRole::Window, colour("window"));
        set(ColourRole::WindowText, text);
        set(ColourRole::Base, base);
        set(ColourRole::AlternateBase, qv::skin::blendColour(base, colour("window"), 50));
        set(ColourRole::Text, text);
        set(ColourRole::Button, button);
        set(ColourRole::ButtonText, text);
        set(ColourRole::BrightText, white);
        set(ColourRole::Highlight, colour("accent"));
        set(ColourRole::HighlightedText, colour("accent_text"));
        set(ColourRole::Light, qv::skin::blendColour(button, white, 60));
        set(ColourRole::Midlight, qv::skin::blendColour(button, white, 30));
        set(ColourRole::Mid, qv::skin::blendColour(button, black, 25));
        set(ColourRole::Dark, qv::skin::blendColour(button, black, 50));
        set(ColourRole::Shadow, qv::skin::blendColour(button, black, 75));
        set(ColourRole::ToolTipBase, base);
        set(ColourRole::ToolTipText, text);
        set(ColourRole::Link, colour("accent"));
        set(ColourRole::PlaceholderText, qv::skin::blendColour(text, base, 50));
        return p;
    }

    std::map<std::string, std::string> variables() const {
        const Rgba white{255, 255, 255, 255}, black{0, 0, 0, 255};
        const Rgba button = colour("button"), window = colour("window"), accent = colour("accent");
        const int gradient = number("gradient");
        return {
            {"window", colourText(window)},
            {"text", colourText(colour("text"))},
            {"base", colourText(colour("base"))},
            {"accent", colourText(accent)},
            {"accent_text", colourText(colour("accent_text"))},
            {"border", colourText(colour("border"))},
            {"title", colourText(accent)},
            {"button_text", colourText(colour("text"))},
            {"button_top", colourText(qv::skin::blendColour(button, white, gradient))},
            {"button_bottom", colourText(qv::skin::blendColour(button, black, gradient / 3))},
            {"hover", colourText(qv::skin::blendColour(button, accent, 25))},
            {"pressed", colourText(qv::skin::blendColour(button, black, 18))},
            {"group_back", colourText(qv::skin::blendColour(window, colour("base"), 35))},
            {"muted", colourText(qv::skin::blendColour(colour("text"), window, 55))},
            {"radius", std::to_string(number("radius"))},
            {"small_radius", std::to_string(std::min(number("radius"), 3))},
            {"border_width", std::to_string(number("border_width"))},
        };
    }

private:
    const SkinSource& m_source;
};

std::string fillTemplate(const std::string& text, const std::map<std::string, std::string>& vars) {
    std::string out;
    std::size_t at = 0;
    while (true) {
        const auto open = text.find("{{", at);
        if (open == std::string::npos) break;
        const auto close = text.find("}}", open);
        if (close == std::string::npos) fail("unclosed {{ in the style template");
        const std::string key = text.substr(open + 2, close - open - 2);
        const auto it = vars.find(key);
        if (it == vars.end()) fail("unknown template variable " + key);
        out += text.substr(at, open - at) + it->second;
        at = close + 2;
    }
    return out + text.substr(at);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) fail("usage: skin_compiler <skins.txt> <style.qss.in> <output directory>");
    const auto sources = parseSources(readFile(argv[1]));
    const std::string style = readFile(argv[2]);
    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (sources[i].id != static_cast<int>(i) + 1) fail("skins must be numbered 1, 2, 3 ... in order");
        SkinBuilder builder(sources[i]);
        qv::skin::SkinFile skin;
        skin.name = builder.field("name");
        skin.palette = builder.palette();
        skin.styleSheet = fillTemplate(style, builder.variables());
        const auto bytes = qv::skin::encodeSkinFile(skin);
        if (qv::skin::parseSkinFile(bytes) != skin) fail("skin " + std::to_string(i + 1) + " does not read back");
        char name[32];
        std::snprintf(name, sizeof name, "/skin_%02zu.she", i + 1);
        std::ofstream out(std::string(argv[3]) + name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) fail(std::string("cannot write ") + argv[3] + name);
    }
    return 0;
}
