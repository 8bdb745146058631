// Hostile sizes: the reader stops at its limits with a message and turns
// running out of memory into a read failure, never an abort.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "presets/presets_file.h"

namespace trevalin {
namespace {

std::size_t countPresets(const PresetTree& tree) {
    std::size_t n = 0;
    tree.forEachPreset([&n](const PresetNode&, const std::string&) { ++n; });
    return n;
}

std::string repeated(const std::string& piece, std::size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

TEST(PresetsLimits, AMillionEmptyPresetsStopAtTheLimitWithAWarning) {
    std::istringstream in(repeated("PRESET p\nENDPRESET\n", 1000000));
    const PresetsReadResult r = readPresets(in);
    EXPECT_EQ(r.status, PresetsReadStatus::Read);
    EXPECT_EQ(countPresets(r.tree), kPresetCountLimit);
    ASSERT_FALSE(r.warnings.empty());
    EXPECT_EQ(r.warnings.back(), "line " + std::to_string(2 * kPresetCountLimit) + ": more than " +
                                     std::to_string(kPresetCountLimit) +
                                     " presets; the rest of the file is not read");
}

TEST(PresetsLimits, WarningsStopAtTheLimitWithOneSayingSo) {
    struct Case {
        std::size_t warnings; // that the text would give
        std::size_t kept;
    };
    const Case cases[] = {{1, 1},
                          {kPresetWarningLimit, kPresetWarningLimit},
                          {kPresetWarningLimit + 1, kPresetWarningLimit + 1},
                          {20000, kPresetWarningLimit + 1}};
    for (const Case& c : cases) {
        // Each PRESET line but the first leaves the one before without
        // ENDPRESET, and the last has none either.
        std::istringstream in(repeated("PRESET bare\n", c.warnings));
        const PresetsReadResult r = readPresets(in);
        ASSERT_EQ(r.warnings.size(), c.kept) << c.warnings;
        const char* first = c.warnings == 1 ? "line 1" : "line 2";
        EXPECT_EQ(r.warnings.front(),
                  std::string(first) + ": preset \"bare\" has no ENDPRESET and is not added")
            << c.warnings;
        if (c.warnings > kPresetWarningLimit) {
            // The line of the first warning not listed.
            const std::size_t line = std::min(kPresetWarningLimit + 2, c.warnings);
            EXPECT_EQ(r.warnings.back(), "line " + std::to_string(line) +
                                             ": more warnings; only the first " +
                                             std::to_string(kPresetWarningLimit) + " are listed");
        }
    }
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// Under an address-space limit the same file fails to read with the cause;
// the process goes on. (The sanitizers reserve more address space than any
// such limit allows.)
TEST(PresetsLimits, RunningOutOfMemoryIsAReadFailureThatSaysSo) {
    const std::string path = ::testing::TempDir() + "presets-many.txt";
    {
        std::ofstream out(path);
        out << repeated("PRESET p\nENDPRESET\n", 1000000);
    }
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Room for the program and the file, not for thousands of records.
        const rlimit limit{256ul << 20, 256ul << 20};
        ::setrlimit(RLIMIT_AS, &limit);
        const PresetsReadResult r = readPresetsFile(path);
        const std::string report = std::to_string(static_cast<int>(r.status)) + " " + r.error;
        const ssize_t unused = ::write(pipeFds[1], report.data(), report.size());
        (void)unused;
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    char buffer[512] = {};
    const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer - 1);
    ::close(pipeFds[0]);
    std::remove(path.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_EQ(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0),
              std::to_string(static_cast<int>(PresetsReadStatus::Failed)) + " " + path +
                  ": out of memory");
}
#endif

} // namespace
} // namespace trevalin
