#include "fuzz/harness_io.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace {

std::string scratchDirectory;

void RemoveScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(scratchDirectory, ignored);
}

void Redirect(int target, int flags) {
    const int fd = open("/dev/null", flags | O_CLOEXEC);
    if (fd < 0 || dup2(fd, target) < 0) {
        std::perror("fuzz harness: /dev/null");
        std::abort();
    }
    close(fd);
}

}  // namespace

void QuietStandardStreams() {
    std::fflush(stdout);
    Redirect(STDIN_FILENO, O_RDONLY);
    Redirect(STDOUT_FILENO, O_WRONLY);
}

const char *MakeScratchDirectory() {
    const char *base = std::getenv("TMPDIR");
    scratchDirectory = std::string(base != nullptr && base[0] != '\0' ? base : "/tmp");
    scratchDirectory += "/quilmar-fuzz-XXXXXX";
    if (mkdtemp(&scratchDirectory[0]) == nullptr) {
        std::perror("fuzz harness: temporary directory");
        std::abort();
    }
    std::atexit(RemoveScratchDirectory);
    return scratchDirectory.c_str();
}

void WriteInputFile(const char *path, const uint8_t *data, size_t size) {
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        std::perror(path);
        std::abort();
    }
    size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n <= 0) {
            std::perror(path);
            std::abort();
        }
        done += static_cast<size_t>(n);
    }
    close(fd);
}

std::string ReadWholeFile(const char *path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
