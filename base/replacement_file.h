// Replacing a file so that a reader, a crash or a power cut only ever sees
// the old contents or the new ones.
//
// The new contents go to a temporary file created exclusively (O_EXCL, never
// through a link) in the target's folder, named ".NAME.PID-N.trevalin-tmp".
// Commit keeps the old file's permissions, syncs the data, renames it over
// the target and syncs the folder. A target that is a symbolic link is
// followed: the file it points to is replaced and the link stays. SIGINT and
// SIGTERM remove pending files; files left by a process that is gone (killed,
// power cut) are removed by the next replacement in the same folder.
#pragma once

#include <string>
#include <string_view>

namespace trevalin {

class ReplacementFile {
  public:
    ReplacementFile() = default;
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;
    ~ReplacementFile() { discard(); }

    // Creates the temporary file for target. False with error naming the
    // path and the reason.
    bool open(const std::string& target, std::string& error);
    // The temporary file, open for writing; -1 when there is none.
    int fd() const { return fd_; }
    // Writes all of bytes; false with the reason.
    bool write(std::string_view bytes, std::string& error);
    // Makes the written contents the target's. The temporary file is gone
    // either way; on failure the target is as it was.
    bool commit(std::string& error);
    // Drops the temporary file, leaving the target as it was.
    void discard();

    // The file that is replaced: target, or where its symbolic link points.
    const std::string& destination() const { return destination_; }
    const std::string& temporaryPath() const { return temp_; }
    // A name that opens this very file while it is pending (/proc/self/fd/N),
    // for code that insists on opening by name: no file put at the temporary
    // name in between can take its place. The temporary name without /proc.
    std::string reopenPath() const;
    // The errno of the last failure, 0 if none.
    int lastErrno() const { return errno_; }

  private:
    bool fail(std::string& error, const char* what, const std::string& path, int err);

    std::string target_;
    std::string destination_;
    std::string temp_;
    int fd_ = -1;
    int slot_ = -1; // in the table the signal handler cleans up
    int errno_ = 0;
};

// Replaces target's contents with bytes in one step.
bool replaceFileContents(const std::string& target, std::string_view bytes, std::string& error);

// The message for errno value err, as strerror gives it.
std::string systemReason(int err);

} // namespace trevalin
