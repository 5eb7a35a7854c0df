// Runs a reader on a named pipe in a thread of its own. A reader that opens
// the pipe and waits for a writer would hang the test for good: after the
// grace period the pipe gets a writer, which lets the reader go on, and the
// test fails instead.
#ifndef QUILMAR_TESTS_SUPPORT_FIFO_GUARD_H
#define QUILMAR_TESTS_SUPPORT_FIFO_GUARD_H

#include <chrono>
#include <future>
#include <string>

#include <fcntl.h>
#include <unistd.h>

// Returns what read() returned, and whether it finished within the grace
// period without a writer appearing.
template <typename Result, typename Reader>
Result ReadWithoutWriter(const std::string &fifoPath, Reader read, bool *finished) {
    std::future<Result> result = std::async(std::launch::async, read);
    *finished = result.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    while (result.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
        // Opening the writing end, without blocking, ends a reader's wait.
        const int writer = open(fifoPath.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (writer >= 0) close(writer);
    }
    return result.get();
}

#endif  // QUILMAR_TESTS_SUPPORT_FIFO_GUARD_H
