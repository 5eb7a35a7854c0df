#include "fuzz/harness_io.h"

#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

namespace {

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
