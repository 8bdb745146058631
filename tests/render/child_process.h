// Runs work in a forked child and returns the 64-bit words it produced. For
// renders that must start from a fresh process: the gradient table is built,
// and reseeds the generator, once per process.
#pragma once

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

namespace trevalin {

// work() runs in the child; it may end the child with _exit(code) to report
// a failure, which the parent records as a test failure.
template <class Work> std::vector<std::uint64_t> wordsFromChild(Work work) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        const std::vector<std::uint64_t> words = work();
        const char* data = reinterpret_cast<const char*>(words.data());
        std::size_t left = words.size() * sizeof(std::uint64_t);
        while (left > 0) {
            const ssize_t n = write(fds[1], data, left);
            if (n <= 0) _exit(2);
            data += n;
            left -= static_cast<std::size_t>(n);
        }
        _exit(0);
    }
    close(fds[1]);
    std::vector<std::uint64_t> words;
    std::uint64_t w;
    while (read(fds[0], &w, sizeof w) == static_cast<ssize_t>(sizeof w))
        words.push_back(w);
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    return words;
}

} // namespace trevalin
