#include "base/replacement_file.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using trevalin::replaceFileContents;
using trevalin::ReplacementFile;

namespace {

class TempDir {
  public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "replacement-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }
    // Every entry but those named.
    std::vector<std::string> others(const std::vector<std::string>& known) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(path_)) {
            const std::string name = entry.path().filename().string();
            if (std::find(known.begin(), known.end(), name) == known.end()) names.push_back(name);
        }
        return names;
    }

  private:
    std::string path_;
};

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writePlain(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

mode_t modeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

mode_t currentUmask() {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// Runs body in a child process; its exit status (or the signal that ended it).
template <typename Body> int inChild(Body body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        body();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

} // namespace

TEST(ReplacementFile, WritesAndKeepsTheOldPermissions) {
    struct Case {
        const char* name;
        int oldMode; // -1: no old file
        mode_t expected;
    };
    const Case cases[] = {
        {"new file gets 0666 less the umask", -1, 0666 & ~currentUmask()},
        {"private file stays private", 0600, 0600},
        {"group readable stays so", 0640, 0640},
        {"read-only stays read-only", 0444, 0444},
        {"executable bit kept", 0755, 0755},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string target = dir.file("t.bmp");
        if (c.oldMode >= 0) {
            writePlain(target, "old contents");
            ::chmod(target.c_str(), static_cast<mode_t>(c.oldMode));
        }
        std::string error;
        ASSERT_TRUE(replaceFileContents(target, "new", error)) << c.name << ": " << error;
        EXPECT_EQ(readAll(target), "new") << c.name;
        EXPECT_EQ(modeOf(target), c.expected) << c.name;
        EXPECT_EQ(dir.others({"t.bmp"}), std::vector<std::string>{}) << c.name;
    }
}

TEST(ReplacementFile, FollowsLinksToTheTargetAndKeepsThem) {
    struct Case {
        const char* name;
        std::string link;       // relative to the folder holding the link
        const char* linkFolder; // "" for the test's folder
    };
    const Case cases[] = {
        {"relative link", "real.txt", ""},
        {"relative link from a sub-folder", "../real.txt", "sub"},
        {"absolute link", "", ""},
    };
    for (const Case& c : cases) {
        TempDir dir;
        fs::create_directory(dir.file("sub"));
        const std::string real = dir.file("real.txt");
        writePlain(real, "old");
        ::chmod(real.c_str(), 0600);
        const std::string folder = *c.linkFolder ? dir.file(c.linkFolder) : dir.path();
        const std::string link = folder + "/link.txt";
        ASSERT_EQ(::symlink((c.link.empty() ? real : c.link).c_str(), link.c_str()), 0);
        // A link to the link: the chain is followed to its end.
        const std::string outer = dir.file("outer.txt");
        ASSERT_EQ(::symlink(link.c_str(), outer.c_str()), 0);

        std::string error;
        ASSERT_TRUE(replaceFileContents(outer, "new", error)) << c.name << ": " << error;
        EXPECT_TRUE(fs::is_symlink(link)) << c.name;
        EXPECT_TRUE(fs::is_symlink(outer)) << c.name;
        EXPECT_EQ(readAll(real), "new") << c.name;
        EXPECT_EQ(modeOf(real), 0600u) << c.name;
        EXPECT_EQ(dir.others({"real.txt", "sub", "link.txt", "outer.txt"}),
                  std::vector<std::string>{})
            << c.name;
    }
}

TEST(ReplacementFile, NeverFollowsALinkPlantedAtATemporaryName) {
    TempDir dir;
    const std::string victim = dir.file("victim");
    writePlain(victim, "precious");
    const std::string target = dir.file("o.png");
    writePlain(target, "old");

    // Learn the next names this process will try, then plant links there.
    ReplacementFile probe;
    std::string error;
    ASSERT_TRUE(probe.open(target, error)) << error;
    const std::string used = probe.temporaryPath();
    probe.discard();
    const auto dot = used.rfind(".trevalin-tmp");
    const auto dash = used.rfind('-', dot);
    const unsigned next =
        static_cast<unsigned>(std::stoul(used.substr(dash + 1, dot - dash - 1))) + 1;
    std::vector<std::string> planted;
    for (unsigned n = next; n < next + 30; ++n) {
        planted.push_back(used.substr(0, dash + 1) + std::to_string(n) + used.substr(dot));
        ASSERT_EQ(::symlink(victim.c_str(), planted.back().c_str()), 0);
    }
    // The old fixed names other writers used are links too.
    for (const char* name : {"o.png.part", "o.png.tmp", ".o.png.tmp"})
        ASSERT_EQ(::symlink(victim.c_str(), dir.file(name).c_str()), 0);

    ASSERT_TRUE(replaceFileContents(target, "picture", error)) << error;
    EXPECT_EQ(readAll(victim), "precious");
    EXPECT_EQ(readAll(target), "picture");
    EXPECT_FALSE(fs::is_symlink(target));
    for (const auto& name : planted)
        EXPECT_TRUE(fs::is_symlink(name)) << name;
}

TEST(ReplacementFile, ConcurrentWritersEachLeaveAWholeFile) {
    TempDir dir;
    const std::string target = dir.file("shared.bmp");
    std::vector<std::string> contents;
    for (char c : {'a', 'b', 'c', 'd'})
        contents.emplace_back(200000 + (c - 'a') * 1000, c);
    std::vector<int> failures(contents.size(), 0);
    std::vector<std::thread> writers;
    for (std::size_t w = 0; w < contents.size(); ++w)
        writers.emplace_back([&, w] {
            for (int i = 0; i < 20; ++i) {
                std::string error;
                if (!replaceFileContents(target, contents[w], error)) ++failures[w];
            }
        });
    int torn = 0;
    for (int i = 0; i < 200; ++i) {
        const std::string seen = readAll(target);
        if (!seen.empty() && std::find(contents.begin(), contents.end(), seen) == contents.end())
            ++torn;
    }
    for (auto& t : writers)
        t.join();
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(failures, std::vector<int>(contents.size(), 0));
    EXPECT_NE(std::find(contents.begin(), contents.end(), readAll(target)), contents.end());
    EXPECT_EQ(dir.others({"shared.bmp"}), std::vector<std::string>{});
}

TEST(ReplacementFile, KilledWriterLeavesOldOrNewAndTheNextWriteCleansUp) {
    TempDir dir;
    const std::string target = dir.file("movie.mov");
    const std::string oldText(300000, 'o');
    const std::string newText(300000, 'n');
    writePlain(target, oldText);
    std::mt19937 random(12345);
    for (int round = 0; round < 25; ++round) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            for (;;) {
                std::string error;
                replaceFileContents(target, round % 2 ? oldText : newText, error);
            }
        }
        ::usleep(std::uniform_int_distribution<unsigned>(0, 20000)(random));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        const std::string seen = readAll(target);
        EXPECT_TRUE(seen == oldText || seen == newText) << "round " << round << ": " << seen.size();

        // A later program writing into the folder removes what the dead one left.
        const int status = inChild([&] {
            std::string error;
            if (!replaceFileContents(target, oldText, error)) ::_exit(1);
        });
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
        EXPECT_EQ(dir.others({"movie.mov"}), std::vector<std::string>{}) << "round " << round;
    }
}

TEST(ReplacementFile, InterruptAndTerminateDiscardThePendingFile) {
    for (int sig : {SIGINT, SIGTERM}) {
        TempDir dir;
        const std::string target = dir.file("presets.txt");
        writePlain(target, "old");
        const int status = inChild([&] {
            ::signal(sig, SIG_DFL);
            ReplacementFile file;
            std::string error;
            if (!file.open(target, error) || !file.write("half", error)) ::_exit(1);
            ::raise(sig);
            ::_exit(2); // not reached: the signal ends the process
        });
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << strsignal(sig);
        EXPECT_EQ(readAll(target), "old") << strsignal(sig);
        EXPECT_EQ(dir.others({"presets.txt"}), std::vector<std::string>{}) << strsignal(sig);
    }
}

TEST(ReplacementFile, FailuresNameThePathAndTheReason) {
    TempDir dir;
    struct Case {
        const char* name;
        std::string target;
        std::string reason;
    };
    const Case cases[] = {
        {"missing folder", dir.file("missing/out.png"), "No such file or directory"},
        {"a file under /proc", "/proc/version", ""},
        {"a folder", dir.path(), "Is a directory"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(replaceFileContents(c.target, "bytes", error)) << c.name;
        EXPECT_NE(error.find(c.target + ": "), std::string::npos) << c.name << ": " << error;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
        EXPECT_GT(error.size(), error.find(c.target + ": ") + c.target.size() + 2)
            << c.name << ": no reason in " << error;
    }
    EXPECT_EQ(dir.others({}), std::vector<std::string>{});
}

TEST(ReplacementFile, FileSizeLimitIsAFailureWithReasonAndLeavesTheTarget) {
    TempDir dir;
    const std::string target = dir.file("big.bmp");
    writePlain(target, "old");
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const int status = inChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::string error;
        const bool ok = replaceFileContents(target, std::string(100000, 'x'), error);
        const ssize_t unused = ::write(pipeFds[1], error.data(), error.size());
        (void)unused;
        ::_exit(ok ? 0 : 3);
    });
    ::close(pipeFds[1]);
    char buffer[1024] = {};
    const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer - 1);
    ::close(pipeFds[0]);
    const std::string error(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3);
    EXPECT_EQ(error, "cannot write " + target + ": File too large");
    EXPECT_EQ(readAll(target), "old");
    EXPECT_EQ(dir.others({"big.bmp"}), std::vector<std::string>{});
}
