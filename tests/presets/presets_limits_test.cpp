// Hostile sizes: the reader stops at its limits with a message and turns
// running out of memory into a read failure, never an abort.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <streambuf>
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

// Presets generated on the fly, so a test can read more text than it holds:
// "PRESET p", a red formula of formulaLength characters, "ENDPRESET". It
// allocates nothing while read, so running out of memory is the reader's.
class GeneratedPresets : public std::streambuf {
  public:
    GeneratedPresets(std::size_t count, std::size_t formulaLength)
        : count_(count),
          piece_("PRESET p\n  red " + std::string(formulaLength, 'x') + "\nENDPRESET\n") {}

  protected:
    int_type underflow() override {
        if (given_ == count_) return traits_type::eof();
        ++given_;
        setg(piece_.data(), piece_.data(), piece_.data() + piece_.size());
        return traits_type::to_int_type(piece_[0]);
    }

  private:
    std::size_t count_, given_ = 0;
    std::string piece_;
};

struct ChildReport {
    bool exitedNormally = false;
    std::string text; // what the child wrote back
};

// Runs work in a child process (so an abort or a limit there cannot take the
// test program with it) and hands back what it reported.
template <typename Work> ChildReport inChild(Work work) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        const std::string report = work();
        const ssize_t unused = ::write(pipeFds[1], report.data(), report.size());
        (void)unused;
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    ChildReport r;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        r.text.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.exitedNormally = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return r;
}

// Address space in use now, so that limits leave a known amount of room.
std::size_t addressSpaceInUse() {
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    statm >> pages;
    return pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

// Not called in the sanitizer builds, whose shadow memory needs the address space.
[[maybe_unused]] void limitAddressSpace(std::size_t room) {
    const rlim_t total = addressSpaceInUse() + room;
    const rlimit limit{total, total};
    ::setrlimit(RLIMIT_AS, &limit);
}

long peakKilobytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Other test programs (other builds of this one) may run at the same time.
std::string privateTempPath(const std::string& name) {
    return ::testing::TempDir() + std::to_string(::getpid()) + "-" + name;
}

std::string readReport(const PresetsReadResult& r) {
    return std::to_string(static_cast<int>(r.status)) + " " + std::to_string(countPresets(r.tree)) +
           " " + r.error + "|" + (r.warnings.empty() ? "" : r.warnings.back());
}

TEST(PresetsLimits, AMillionEmptyPresetsAreReadWithinAGigabyte) {
    const std::string path = privateTempPath("presets-million.txt");
    {
        std::ofstream out(path);
        out << repeated("PRESET p\nENDPRESET\n", 1000000);
    }
    const ChildReport child = inChild([&] {
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
        limitAddressSpace(std::size_t(1) << 30);
#endif
        const PresetsReadResult r = readPresetsFile(path);
        return readReport(r) + "|" + std::to_string(peakKilobytes());
    });
    std::remove(path.c_str());
    ASSERT_TRUE(child.exitedNormally) << child.text;
    const std::size_t bar = child.text.rfind('|');
    EXPECT_EQ(child.text.substr(0, bar), "0 " + std::to_string(kPresetCountLimit) + " |line " +
                                             std::to_string(2 * kPresetCountLimit) +
                                             ": more than " + std::to_string(kPresetCountLimit) +
                                             " presets; the rest of the file is not read");
    EXPECT_LT(std::stol(child.text.substr(bar + 1)), 1l << 20) << "peak kilobytes";
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// A preset costs what it holds: reading many presets with a short formula
// adds little more than their text to the peak memory (a whole record was
// 66 KB each).
TEST(PresetsLimits, APresetCostsAboutWhatItHolds) {
    struct Case {
        std::size_t count, formulaLength, maxBytesEach;
    };
    const Case cases[] = {{kPresetCountLimit, 0, 512}, {20000, 1000, 1600}};
    for (const Case& c : cases) {
        const ChildReport child = inChild([&] {
            const long before = peakKilobytes();
            GeneratedPresets text(c.count, c.formulaLength);
            std::istream in(&text);
            const PresetsReadResult r = readPresets(in);
            const long grown = peakKilobytes() - before;
            return std::to_string(countPresets(r.tree)) + " " +
                   std::to_string(static_cast<std::size_t>(grown) * 1024 / c.count);
        });
        ASSERT_TRUE(child.exitedNormally) << c.count;
        const std::size_t blank = child.text.find(' ');
        EXPECT_EQ(child.text.substr(0, blank), std::to_string(c.count));
        EXPECT_LE(std::stoul(child.text.substr(blank + 1)), c.maxBytesEach)
            << c.count << " presets with formulas of " << c.formulaLength;
    }
}

// Under an address-space limit a file too big to hold fails to read with the
// cause, and so does a stream whose presets outgrow the room; the process
// goes on. (The sanitizers reserve more address space than any such limit
// allows.)
TEST(PresetsLimits, RunningOutOfMemoryIsAReadFailureThatSaysSo) {
    const std::string path = privateTempPath("presets-many.txt");
    {
        std::ofstream out(path);
        out << repeated("PRESET p\nENDPRESET\n", 1000000);
    }
    // Less room than the file's 19 MB.
    const ChildReport file = inChild([&] {
        limitAddressSpace(8u << 20);
        return readReport(readPresetsFile(path));
    });
    std::remove(path.c_str());
    EXPECT_TRUE(file.exitedNormally);
    // What was read before stays in the tree, and the failure says why.
    const std::string failed = std::to_string(static_cast<int>(PresetsReadStatus::Failed)) + " ";
    ASSERT_EQ(file.text.substr(0, failed.size()), failed) << file.text;
    EXPECT_EQ(file.text.substr(file.text.find(' ', failed.size()) + 1,
                               file.text.find('|') - file.text.find(' ', failed.size()) - 1),
              path + ": out of memory");

    // 100,000 presets of 1000 characters need 100 MB; there is room for 32.
    const ChildReport stream = inChild([&] {
        limitAddressSpace(32u << 20);
        GeneratedPresets text(kPresetCountLimit, 1000);
        std::istream in(&text);
        return readReport(readPresets(in));
    });
    EXPECT_TRUE(stream.exitedNormally);
    ASSERT_EQ(stream.text.substr(0, failed.size()), failed) << stream.text;
    const std::size_t blank = stream.text.find(' ', failed.size());
    EXPECT_GT(std::stoul(stream.text.substr(failed.size(), blank - failed.size())), 0u)
        << "what was read before memory ran out is kept";
    EXPECT_EQ(stream.text.substr(blank + 1, stream.text.find('|') - blank - 1),
              "presets: out of memory");
}
#endif

} // namespace
} // namespace trevalin
