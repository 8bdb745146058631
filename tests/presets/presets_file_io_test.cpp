#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "presets_test_support.h"

namespace trevalin {
namespace {

namespace fs = std::filesystem;
using presetstest::describe;
using presetstest::zeroRecord;

const std::string kOldBytes = "# old file, kept byte for byte\r\nPRESET Old\nENDPRESET\n";

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void put(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

std::set<std::string> listing(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

PresetTree oneNewPreset() {
    PresetTree t;
    PresetNode* c = t.append(nullptr, PresetNode::makeCategory("New"));
    t.append(c, PresetNode::makePreset("Fresh", *zeroRecord()));
    return t;
}

class PresetsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/trevalin-presets-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        // Reachable by an unprivileged user, for the read-only directory case.
        fs::permissions(dir_, fs::perms(0755));
    }
    void TearDown() override {
        std::error_code ec;
        for (const auto& e : fs::recursive_directory_iterator(dir_, ec))
            if (e.is_directory()) fs::permissions(e.path(), fs::perms::owner_all, ec);
        fs::remove_all(dir_, ec);
    }

    // A failed write reports the target and the reason, and leaves the
    // directory exactly as it was.
    void expectRefused(const fs::path& target, const std::string& reason,
                       const std::function<PresetsWriteResult()>& write) {
        const fs::path parent = target.parent_path();
        const bool hadParent = fs::exists(parent);
        const auto before = hadParent ? listing(parent) : std::set<std::string>{};
        const bool wasFile = fs::is_regular_file(target);
        const std::string old = wasFile ? slurp(target) : "";

        PresetsWriteResult r = write();
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.error.find(target.string()), std::string::npos) << r.error;
        EXPECT_NE(r.error.find(reason), std::string::npos) << r.error;
        if (hadParent) {
            EXPECT_EQ(listing(parent), before) << "a temporary file was left behind";
        }
        if (wasFile) {
            EXPECT_EQ(slurp(target), old);
        }
    }

    fs::path dir_;
};

TEST_F(PresetsFile, MissingFileReadsAsEmptyTreeAndSaysSo) {
    const fs::path paths[] = {dir_ / "presets.txt", dir_ / "no" / "presets.txt"};
    for (const fs::path& p : paths) {
        PresetsReadResult r = readPresetsFile(p);
        EXPECT_EQ(r.status, PresetsReadStatus::Missing) << p;
        EXPECT_TRUE(r.tree.empty()) << p;
    }
}

TEST_F(PresetsFile, UnreadableFilesFailWithPathAndReason) {
    struct Case {
        const char* what;
        fs::path path;
        const char* reason;
    };
    fs::create_directory(dir_ / "adir");
    put(dir_ / "afile", "x");
    const Case cases[] = {
        {"a directory", dir_ / "adir", "Is a directory"},
        {"through a file", dir_ / "afile" / "presets.txt", "Not a directory"},
    };
    for (const Case& c : cases) {
        PresetsReadResult r = readPresetsFile(c.path);
        EXPECT_EQ(r.status, PresetsReadStatus::Failed) << c.what;
        EXPECT_NE(r.error.find(c.path.string()), std::string::npos) << c.what << ": " << r.error;
        EXPECT_NE(r.error.find(c.reason), std::string::npos) << c.what << ": " << r.error;
    }
}

TEST_F(PresetsFile, WritesWithLineFeedsAndReadsBack) {
    const fs::path target = dir_ / "presets.txt";
    put(target, kOldBytes);
    PresetsWriteResult w = writePresetsFile(oneNewPreset(), target);
    ASSERT_TRUE(w.ok) << w.error;
    const std::string bytes = slurp(target);
    EXPECT_EQ(bytes.rfind("# Automatically created\nCAT New\n  PRESET Fresh\n", 0), 0u);
    EXPECT_EQ(bytes.find('\r'), std::string::npos);
    EXPECT_EQ(listing(dir_), std::set<std::string>{"presets.txt"});

    PresetsReadResult r = readPresetsFile(target);
    EXPECT_EQ(r.status, PresetsReadStatus::Read);
    EXPECT_EQ(describe(r.tree), "New{Fresh}");
}

TEST_F(PresetsFile, ReplacingKeepsThePermissionsAndFollowsALink) {
    const fs::path real = dir_ / "real.txt";
    const fs::path link = dir_ / "presets.txt";
    put(real, kOldBytes);
    ::chmod(real.c_str(), 0640);
    fs::create_symlink("real.txt", link);

    PresetsWriteResult w = writePresetsFile(oneNewPreset(), link);
    ASSERT_TRUE(w.ok) << w.error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(describe(readPresetsFile(real).tree), "New{Fresh}");
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(listing(dir_), (std::set<std::string>{"presets.txt", "real.txt"}));
}

TEST_F(PresetsFile, RefusedWritesLeaveThePreviousFile) {
    struct Case {
        const char* what;
        fs::path target;
        const char* reason;
    };
    fs::create_directory(dir_ / "isdir");
    fs::create_directory(dir_ / "isdir" / "presets.txt");
    put(dir_ / "isdir" / "presets.txt" / "inside", kOldBytes);
    const Case cases[] = {
        {"target is a directory", dir_ / "isdir" / "presets.txt", "Is a directory"},
        {"no such directory", dir_ / "gone" / "presets.txt", "No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        expectRefused(c.target, c.reason,
                      [&] { return writePresetsFile(oneNewPreset(), c.target); });
    }
    EXPECT_EQ(slurp(dir_ / "isdir" / "presets.txt" / "inside"), kOldBytes);
}

TEST_F(PresetsFile, WriteFailingHalfwayLeavesThePreviousFile) {
    const fs::path target = dir_ / "presets.txt";
    put(target, kOldBytes);
    // Every write past 100 bytes fails with EFBIG, as on a full disk.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 100;
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    expectRefused(target, "File too large",
                  [&] { return writePresetsFile(oneNewPreset(), target); });
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(slurp(target), kOldBytes);
}

TEST_F(PresetsFile, ReadOnlyDirectoryLeavesThePreviousFile) {
    const fs::path ro = dir_ / "ro";
    fs::create_directory(ro);
    put(ro / "presets.txt", kOldBytes);
    fs::permissions(ro, fs::perms(0555));
    // Permissions do not bind root; write as nobody instead.
    const bool root = ::geteuid() == 0;
    if (root && ::seteuid(65534) != 0) GTEST_SKIP() << "running as root and cannot drop to nobody";
    expectRefused(ro / "presets.txt", "Permission denied",
                  [&] { return writePresetsFile(oneNewPreset(), ro / "presets.txt"); });
    if (root) {
        ASSERT_EQ(::seteuid(0), 0);
    }
    EXPECT_EQ(slurp(ro / "presets.txt"), kOldBytes);
}

} // namespace
} // namespace trevalin
