#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

// A fresh folder under the system's temporary folder, removed with all it holds.
class TempDir {
public:
    TempDir()
    {
        if (!::mkdtemp(m_path.data()))
            throw std::runtime_error("cannot make a temporary folder");
    }
    ~TempDir() { std::filesystem::remove_all(m_path, m_ignored); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::filesystem::path path() const { return m_path; }

private:
    std::string m_path = (std::filesystem::temp_directory_path() / "quorvil-test-XXXXXX").string();
    std::error_code m_ignored;
};

// Whole-file helpers for tests: the bytes exactly, no line-end translation.
inline std::string readFile(const std::filesystem::path& file)
{
    return (std::ostringstream() << std::ifstream(file, std::ios::binary).rdbuf()).str();
}

inline void writeFile(const std::filesystem::path& file, std::string_view bytes)
{
    std::ofstream(file, std::ios::binary) << bytes;
}
