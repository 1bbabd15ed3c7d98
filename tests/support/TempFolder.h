#pragma once
// A fresh folder below the system's temporary folder, removed with everything in it
// when the test ends.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace x5k::test {

class TempFolder {
public:
    TempFolder() : TempFolder(std::filesystem::temp_directory_path()) {}
    // Below `base` instead, e.g. "/dev/shm" for a folder in memory.
    explicit TempFolder(const std::filesystem::path& base) {
        std::string pattern = (base / "x5k-test-XXXXXX").string();
        if (const char* made = ::mkdtemp(pattern.data())) path_ = made;
    }
    ~TempFolder() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& child) const {
        return path_ / child;
    }

private:
    std::filesystem::path path_;
};

// Where a TempFolder is in memory, when the system has such a folder: a killed process
// leaves the page cache as a disk would keep it, and syncs cost nothing.
inline std::filesystem::path MemoryBase() {
    std::error_code error;
    return std::filesystem::is_directory("/dev/shm", error) ? std::filesystem::path("/dev/shm")
                                                           : std::filesystem::temp_directory_path();
}

inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

}  // namespace x5k::test
