#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

// Files as tests write and read them: whole, in binary.
namespace testsupport {

// An empty string when the file cannot be read.
inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Creates the missing folders on the way.
inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    std::ofstream(path, std::ios::binary) << bytes;
}

// The same bytes for the same seed, every byte value likely.
inline std::string randomBytes(std::size_t n, unsigned seed = 42) {
    std::mt19937 rng(seed);
    std::string bytes(n, '\0');
    for (char& c : bytes)
        c = static_cast<char>(rng());
    return bytes;
}

}  // namespace testsupport
