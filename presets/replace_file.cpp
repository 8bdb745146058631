#include "presets/replace_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trevalin {

namespace {

std::atomic<unsigned> tempCounter{0};

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

bool replaceFile(const std::filesystem::path& target, std::string_view contents,
                 std::string& error) {
    namespace fs = std::filesystem;
    // Through a symbolic link, replace the file it points to, not the link.
    fs::path real = target;
    std::error_code ec;
    if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::canonical(target, ec);
        if (!ec) real = resolved;
    }
    fs::path dir = real.parent_path();
    if (dir.empty()) dir = ".";

    auto fail = [&](const char* step, const fs::path& where, int err) {
        error = target.string() + ": " + step + " " + where.string() + ": " + std::strerror(err);
        return false;
    };

    // Created with O_EXCL and mode 0666 so the umask applies as for any new file.
    fs::path temp;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temp = dir / ("." + real.filename().string() + ".tmp." + std::to_string(::getpid()) + "." +
                      std::to_string(tempCounter++));
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt >= 100))
            return fail("cannot create", temp, errno);
    }

    // Keep the permissions of the file being replaced. Best effort: some file
    // systems have no modes to keep.
    struct stat old {};
    if (::stat(real.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);

    // Each step runs only after the ones before it succeeded; the first
    // failure is the one reported.
    const char* step = nullptr;
    int err = 0;
    auto check = [&](bool done, const char* what) {
        if (!done && !step) {
            step = what;
            err = errno;
        }
    };
    check(writeAll(fd, contents), "cannot write");
    if (!step) check(::fsync(fd) == 0, "cannot sync");
    check(::close(fd) == 0, "cannot close");
    if (!step) check(::rename(temp.c_str(), real.c_str()) == 0, "cannot rename");
    if (step) {
        ::unlink(temp.c_str());
        return fail(step, temp, err);
    }
    return true;
}

} // namespace trevalin
