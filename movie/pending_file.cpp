#include "movie/pending_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace trevalin {

int PendingFile::Create(const std::string& target) {
    Discard();
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = target + ".tmp-" + std::to_string(getpid()) + "-" +
                           std::to_string(counter.fetch_add(1));
        // O_EXCL: never take over someone else's file; 0666 lets the umask
        // give the movie the permissions any new file gets.
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            close(fd);
            target_ = target;
            temp_ = std::move(name);
            return 0;
        }
        if (errno != EEXIST) return -errno;
    }
    return -EEXIST;
}

int PendingFile::Commit() {
    if (temp_.empty()) return -ENOENT;
    const int result = std::rename(temp_.c_str(), target_.c_str()) == 0 ? 0 : -errno;
    if (result == 0)
        temp_.clear();
    else
        Discard();
    return result;
}

void PendingFile::Discard() {
    if (temp_.empty()) return;
    unlink(temp_.c_str());
    temp_.clear();
}

} // namespace trevalin
