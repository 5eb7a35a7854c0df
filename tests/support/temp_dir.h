// A fresh directory under the system's temporary directory, removed with
// everything in it when the test ends.
#ifndef QUILMAR_TESTS_SUPPORT_TEMP_DIR_H
#define QUILMAR_TESTS_SUPPORT_TEMP_DIR_H

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

class TempDir {
public:
    TempDir() {
        std::random_device random;
        std::filesystem::path base = std::filesystem::temp_directory_path();
        for (;;) {
            path_ = base / ("quilmar-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(path_)) break;
        }
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::filesystem::path &Path() const { return path_; }

    // Writes the bytes of text to a file of this directory; returns its path.
    std::string WriteFile(const std::string &name, const std::string &text) const {
        std::filesystem::path file = path_ / name;
        std::ofstream out(file, std::ios::binary);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        return file.string();
    }

private:
    std::filesystem::path path_;
};

#endif  // QUILMAR_TESTS_SUPPORT_TEMP_DIR_H
