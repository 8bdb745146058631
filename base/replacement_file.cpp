#include "base/replacement_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <map>
#include <mutex>

namespace trevalin {
namespace {

constexpr std::string_view kSuffix = ".trevalin-tmp";

// Pending temporary files, for the signal handler: it may only use plain
// memory and async-signal-safe calls, so a fixed table of paths.
enum SlotState : int { kFree, kFilling, kReady };
struct PendingSlot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};
constexpr int kSlots = 64;
PendingSlot pendingSlots[kSlots];

extern "C" void removePendingAndDie(int sig) {
    for (auto& slot : pendingSlots)
        if (slot.state.load() == kReady) ::unlink(slot.path);
    // SA_RESETHAND restored the default action: end the way the signal means.
    ::raise(sig);
}

// Checked at every open: the handler resets itself when it runs, and a
// program may have put the default back.
void installSignalHandlers() {
    static std::mutex lock;
    std::lock_guard<std::mutex> hold(lock);
    for (int sig : {SIGINT, SIGTERM}) {
        struct sigaction old {};
        // Only where nobody else has a say: a program's own handler stays.
        if (::sigaction(sig, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) continue;
        struct sigaction action {};
        action.sa_handler = removePendingAndDie;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        ::sigaction(sig, &action, nullptr);
    }
}

int holdSlot(const std::string& path) {
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (!pendingSlots[i].state.compare_exchange_strong(expected, kFilling)) continue;
        std::memcpy(pendingSlots[i].path, path.c_str(), path.size() + 1);
        pendingSlots[i].state.store(kReady);
        return i;
    }
    return -1; // table full: a leftover is still removed by a later write
}

void releaseSlot(int slot) {
    if (slot >= 0) pendingSlots[slot].state.store(kFree);
}

// The process id in ".NAME.PID-N.trevalin-tmp", or 0 if name is not ours.
pid_t ownerOf(std::string_view name) {
    if (name.size() <= kSuffix.size() + 1 || name[0] != '.' || !name.ends_with(kSuffix)) return 0;
    name.remove_suffix(kSuffix.size());
    const auto dot = name.rfind('.');
    const auto dash = name.rfind('-');
    if (dot == std::string_view::npos || dash == std::string_view::npos || dash < dot) return 0;
    long pid = 0;
    for (char c : name.substr(dot + 1, dash - dot - 1)) {
        if (c < '0' || c > '9' || pid > INT_MAX / 10) return 0;
        pid = pid * 10 + (c - '0');
    }
    return static_cast<pid_t>(pid);
}

// Removes our temporary files in folder whose process is gone. A folder is
// read again only after as many writes as it had entries, so writing the
// frames of a long movie costs no more than one reading per frame.
void removeLeftovers(const std::string& folder) {
    struct Seen {
        std::size_t entries = 0, writesSince = 0;
    };
    static std::mutex lock;
    static std::map<std::string, Seen> seen;
    {
        std::lock_guard<std::mutex> hold(lock);
        auto [it, fresh] = seen.try_emplace(folder);
        if (!fresh && ++it->second.writesSince < it->second.entries) return;
        it->second.writesSince = 0;
    }
    std::size_t entries = 0;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        ++entries;
        const pid_t pid = ownerOf(entry->d_name);
        if (pid <= 0 || pid == ::getpid()) continue;
        if (::kill(pid, 0) == 0 || errno != ESRCH) continue; // alive, or not ours to judge
        struct stat info {};
        if (::fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISREG(info.st_mode) && info.st_uid == ::geteuid())
            ::unlinkat(dirFd, entry->d_name, 0);
    }
    ::closedir(dir);
    std::lock_guard<std::mutex> hold(lock);
    seen[folder].entries = entries;
}

// Where writing to path lands: path itself, or the end of its chain of
// symbolic links (which may not exist yet).
std::string followLinks(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
        char buffer[PATH_MAX];
        const ssize_t n = ::readlink(current.c_str(), buffer, sizeof buffer - 1);
        if (n <= 0) return current;
        const std::string link(buffer, static_cast<std::size_t>(n));
        const auto slash = current.rfind('/');
        current = link[0] == '/' || slash == std::string::npos
                      ? link
                      : current.substr(0, slash + 1) + link;
    }
    return current; // a loop: open reports it
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

std::string systemReason(int err) {
    char buffer[256];
    // The GNU strerror_r returns the message, which may not be in buffer.
    return ::strerror_r(err, buffer, sizeof buffer);
}

bool ReplacementFile::fail(std::string& error, const char* what, const std::string& path, int err) {
    error = std::string(what) + " " + path + ": " + systemReason(err);
    errno_ = err;
    discard();
    return false;
}

bool ReplacementFile::open(const std::string& target, std::string& error) {
    discard();
    errno_ = 0;
    target_ = target;
    if (target.empty()) return fail(error, "cannot write", "\"\"", ENOENT);
    destination_ = followLinks(target);
    const std::string folder = folderOf(destination_);
    installSignalHandlers();
    removeLeftovers(folder);

    // The old file's permissions, exactly; a new file gets 0666 less the umask.
    struct stat old {};
    const bool replacing = ::stat(destination_.c_str(), &old) == 0;
    if (replacing && S_ISDIR(old.st_mode)) return fail(error, "cannot write", target, EISDIR);
    const mode_t mode = replacing && S_ISREG(old.st_mode) ? (old.st_mode & 07777) : 0666;

    static std::atomic<unsigned> counter{0};
    const std::string stem = (folder == "/" ? "/" : folder + "/") + "." + nameOf(destination_) +
                             "." + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_ = stem + std::to_string(counter++) + std::string(kSuffix);
        // O_EXCL with O_CREAT never follows a link planted at the name.
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                     mode & 0777);
        if (fd_ >= 0) break;
        const int err = errno;
        temp_.clear();
        if (err != EEXIST) return fail(error, "cannot create", target, err);
    }
    if (fd_ < 0) return fail(error, "cannot create", target, EEXIST);
    slot_ = holdSlot(temp_);
    // The umask narrowed the mode given to open; the old file's is kept whole.
    if (replacing && S_ISREG(old.st_mode) && ::fchmod(fd_, mode) != 0 && errno != EPERM)
        return fail(error, "cannot set the permissions of", target, errno);
    return true;
}

bool ReplacementFile::write(std::string_view bytes, std::string& error) {
    if (fd_ < 0) return fail(error, "cannot write", target_, EBADF);
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(error, "cannot write", target_, errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool ReplacementFile::commit(std::string& error) {
    if (fd_ < 0) return fail(error, "cannot write", target_, EBADF);
    // On disk before the rename makes it the target, or a power cut could
    // leave an empty file under the target's name.
    if (::fsync(fd_) != 0) return fail(error, "cannot write", target_, errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return fail(error, "cannot write", target_, errno);
    if (::rename(temp_.c_str(), destination_.c_str()) != 0)
        return fail(error, "cannot replace", target_, errno);
    releaseSlot(slot_);
    slot_ = -1;
    temp_.clear();
    // The rename itself is only durable once the folder is synced. Some file
    // systems cannot sync a folder (EINVAL); the file is in place regardless.
    const int dir = ::open(folderOf(destination_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        const bool synced = ::fsync(dir) == 0 || errno == EINVAL;
        const int err = errno;
        ::close(dir);
        if (!synced) return fail(error, "cannot sync the folder of", target_, err);
    }
    return true;
}

std::string ReplacementFile::reopenPath() const {
    if (fd_ < 0) return temp_;
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    return ::access(self.c_str(), F_OK) == 0 ? self : temp_;
}

void ReplacementFile::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    releaseSlot(slot_);
    slot_ = -1;
}

bool replaceFileContents(const std::string& target, std::string_view bytes, std::string& error) {
    ReplacementFile file;
    return file.open(target, error) && file.write(bytes, error) && file.commit(error);
}

} // namespace trevalin
