// A fresh directory under the system's temporary folder, removed with everything in it when the
// holder goes out of scope.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

struct TempDir {
    std::filesystem::path path;

    explicit TempDir(const std::string& prefix = "v4n-test")
    {
        std::random_device rd;
        for (;;) {
            std::filesystem::path p =
                std::filesystem::temp_directory_path() /
                (prefix + "-" + std::to_string(getpid()) + "-" + std::to_string(rd()));
            if (std::filesystem::create_directory(p)) {
                path = p;
                break;
            }
        }
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Full path of a name inside the directory.
    std::string file(const std::string& name) const { return (path / name).string(); }
};

// Writes bytes to a file, replacing it; false when it cannot be written.
inline bool writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

// The whole file, or an empty vector when it cannot be read.
inline std::vector<uint8_t> readFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}
