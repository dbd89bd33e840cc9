#include "cli/settings_commands.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <vector>

#include "cli/terminal_shell.h"
#include "core/registry.h"
#include "platform/codec.h"
#include "platform/settings_store.h"
#include "ui/autostart.h"
#include "ui/plain_controls.h"

namespace qv::cli {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

using platform::ValueType;

std::unique_ptr<platform::SettingsStore> openStore() {
    return platform::openSettingsStore(platform::defaultConfigHome());
}

std::string typeName(ValueType type) {
    switch (type) {
        case ValueType::Sz: return "REG_SZ";
        case ValueType::ExpandSz: return "REG_EXPAND_SZ";
        case ValueType::Binary: return "REG_BINARY";
        case ValueType::Dword: return "REG_DWORD";
        case ValueType::MultiSz: return "REG_MULTI_SZ";
        case ValueType::Qword: return "REG_QWORD";
        default: return "type " + std::to_string(static_cast<std::uint32_t>(type));
    }
}

/// A value as a line shows it: a number, a text, or its bytes in hex.
std::string describe(ValueType type, const std::vector<std::byte>& data) {
    if (type == ValueType::Dword && data.size() == 4) {
        std::int32_t number = 0;
        std::memcpy(&number, data.data(), 4);
        return std::to_string(number);
    }
    if (type == ValueType::Sz || type == ValueType::ExpandSz) {
        std::string text(reinterpret_cast<const char*>(data.data()), data.size());
        if (const auto zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
        return platform::gbkToUtf8(text);
    }
    std::string hex;
    char byte[4];
    for (std::byte b : data) {
        std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned>(b));
        if (!hex.empty()) hex += ' ';
        hex += byte;
    }
    return hex;
}

struct ReadValue {
    ValueType type;
    std::vector<std::byte> data;
};

std::optional<ReadValue> readValue(platform::SettingsStore& store, platform::KeyHandle key,
                                   TextView name) {
    const auto info = store.queryValue(key, name);
    if (!info) return std::nullopt;
    std::vector<std::byte> data(info->size);
    const auto read = store.readValue(key, name, data);
    if (!read) return std::nullopt;
    data.resize(read->size);
    return ReadValue{read->type, std::move(data)};
}

int get(platform::SettingsStore& store, std::int32_t root, const Text& path) {
    const RegistryPath split = SplitRegistryPath(path);
    const auto key = store.openKey(RegistryRootFromNumber(root), split.keyPath,
                                   platform::KeyAccess::Read);
    if (!key) {
        std::fprintf(stderr, "quorvelctl: no such key\n");
        return kExitFailed;
    }
    const auto value = readValue(store, *key, split.valueName);
    store.closeKey(*key);
    if (!value) {
        std::fprintf(stderr, "quorvelctl: no such value\n");
        return kExitFailed;
    }
    std::cout << typeName(value->type) << " " << describe(value->type, value->data) << "\n";
    return kExitOk;
}

// Numbers go in as REG_DWORD: the four operations write only texts, and the
// skin settings are numbers.
bool setNumber(platform::SettingsStore& store, std::int32_t root, const Text& path,
               std::int32_t number) {
    const RegistryPath split = SplitRegistryPath(path);
    const auto key = store.createKey(RegistryRootFromNumber(root), split.keyPath);
    if (!key) return false;
    std::byte data[4];
    std::memcpy(data, &number, 4);
    const bool set = store.setValue(*key, split.valueName, ValueType::Dword, data);
    store.closeKey(*key);
    return set;
}

int list(platform::SettingsStore& store, std::int32_t root, const Text& path) {
    const auto key = store.openKey(RegistryRootFromNumber(root), path, platform::KeyAccess::Read);
    if (!key) {
        std::fprintf(stderr, "quorvelctl: no such key\n");
        return kExitFailed;
    }
    for (const Text& name : store.subkeyNames(*key)) {
        std::cout << platform::gbkToUtf8(name) << "\\\n";
    }
    for (const Text& name : store.valueNames(*key)) {
        const auto value = readValue(store, *key, name);
        if (!value) continue;
        std::cout << platform::gbkToUtf8(name) << " " << typeName(value->type) << " "
                  << describe(value->type, value->data) << "\n";
    }
    store.closeKey(*key);
    return kExitOk;
}

}  // namespace

std::optional<std::int32_t> parseRoot(const std::string& text) {
    static const std::pair<const char*, std::int32_t> kNames[] = {
        {"1", 1}, {"HKCR", 1}, {"HKEY_CLASSES_ROOT", 1},   {"2", 2}, {"HKCC", 2},
        {"HKEY_CURRENT_CONFIG", 2}, {"3", 3}, {"HKCU", 3}, {"HKEY_CURRENT_USER", 3},
        {"4", 4}, {"HKLM", 4}, {"HKEY_LOCAL_MACHINE", 4}, {"5", 5}, {"HKU", 5},
        {"HKEY_USERS", 5},
    };
    std::string upper = text;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const auto& [name, number] : kNames) {
        if (upper == name) return number;
    }
    return std::nullopt;
}

int runReg(const RegCommand& command) {
    const auto root = parseRoot(command.root);
    if (!root) {
        std::fprintf(stderr, "quorvelctl: unknown root '%s' (1..5, HKCR, HKCC, HKCU, HKLM, HKU)\n",
                     command.root.c_str());
        return kExitUsage;
    }
    const Text path = platform::utf8ToGbk(command.path);
    auto store = openStore();
    switch (command.action) {
        case RegCommand::Action::Get: return get(*store, *root, path);
        case RegCommand::Action::List: return list(*store, *root, path);
        case RegCommand::Action::Delete:
            return DeleteRegistryItem(*store, *root, path) ? kExitOk : kExitFailed;
        case RegCommand::Action::Set:
            if (command.dword) {
                const auto number = static_cast<std::int32_t>(*command.dword);
                return setNumber(*store, *root, path, number) ? kExitOk : kExitFailed;
            }
            return WriteRegistryText(*store, *root, path,
                                     platform::utf8ToGbk(command.text.value_or("")))
                       ? kExitOk
                       : kExitFailed;
    }
    return kExitUsage;
}

int runAutostart(AutostartAction action, const std::string& program) {
    auto store = openStore();
    PlainCheck box;
    SetAutostartBox(*store, box);
    if (action == AutostartAction::Status) {
        std::cout << (box.checked() ? "on" : "off") << "\n";
        return kExitOk;
    }
    // The check box's own click handler, with the box clicked to the state
    // asked for; it reports through the terminal and puts the box back to
    // the store's real state when the store refuses.
    const bool wanted = action == AutostartAction::On;
    box.setChecked(wanted);
    TerminalShell shell;
    OnAutostartClicked(*store, shell, box, platform::utf8ToGbk(program));
    return box.checked() == wanted ? kExitOk : kExitFailed;
}

}  // namespace qv::cli
