#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/text.h"
#include "platform/settings_store.h"

extern char** environ;

namespace qv::test {

/// A fresh folder under /tmp, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string pattern = "/tmp/quorvel-settings-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) m_path = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

/// The raw bytes of a value, through the store itself.
inline std::optional<std::string> readRaw(platform::SettingsStore& store,
                                          platform::RegistryRoot root, TextView keyPath,
                                          TextView name) {
    const auto key = store.openKey(root, keyPath, platform::KeyAccess::Read);
    if (!key) return std::nullopt;
    std::optional<std::string> bytes;
    if (const auto info = store.queryValue(*key, name)) {
        std::string data(info->size, '\0');
        if (store.readValue(*key, name, std::as_writable_bytes(std::span(data)))) bytes = data;
    }
    store.closeKey(*key);
    return bytes;
}

/// Creates the key and sets one value of any type.
inline bool putRaw(platform::SettingsStore& store, platform::RegistryRoot root, TextView keyPath,
                   TextView name, platform::ValueType type, std::string_view data) {
    const auto key = store.createKey(root, keyPath);
    if (!key) return false;
    const bool set = store.setValue(*key, name, type, std::as_bytes(std::span(data)));
    store.closeKey(*key);
    return set;
}

inline bool keyExists(platform::SettingsStore& store, platform::RegistryRoot root,
                      TextView keyPath) {
    const auto key = store.openKey(root, keyPath, platform::KeyAccess::Read);
    if (key) store.closeKey(*key);
    return key.has_value();
}

/// A child process started from a program file, its standard output on a pipe.
class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& arguments) {
        int pipeEnds[2];
        if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
        std::vector<char*> argv;
        for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        if (::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeEnds[1]);
        m_output = pipeEnds[0];
    }
    ~ChildProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            waitForExit();
        }
        if (m_output >= 0) ::close(m_output);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return m_pid > 0; }
    void kill(int signal) const { ::kill(m_pid, signal); }

    /// The exit code, or 128 + the signal that ended it.
    int waitForExit() {
        int status = 0;
        if (m_pid <= 0 || ::waitpid(m_pid, &status, 0) != m_pid) return -1;
        m_pid = -1;
        if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
        return WEXITSTATUS(status);
    }

    /// The next line of output; nullopt at its end or when the deadline passes.
    std::optional<std::string> readLine(std::chrono::steady_clock::time_point deadline) {
        for (;;) {
            if (const auto end = m_buffer.find('\n'); end != std::string::npos) {
                std::string line = m_buffer.substr(0, end);
                m_buffer.erase(0, end + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return std::nullopt;
            pollfd ready{m_output, POLLIN, 0};
            if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0) continue;
            char chunk[4096];
            const auto got = ::read(m_output, chunk, sizeof chunk);
            if (got <= 0) return std::nullopt;
            m_buffer.append(chunk, static_cast<std::size_t>(got));
        }
    }

private:
    pid_t m_pid = -1;
    int m_output = -1;
    std::string m_buffer;
};

}  // namespace qv::test
