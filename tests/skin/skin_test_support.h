#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qv::test {

/// A fresh directory under the system's temporary directory, removed with
/// everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& part) const { return m_path / part; }

private:
    std::filesystem::path m_path;
};

std::vector<std::uint8_t> readBytes(const std::filesystem::path& path);
std::string readText(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> bytesOf(const std::string& text);

}  // namespace qv::test
