// A movie is written under a temporary name beside its target and renamed over
// the target once complete: the target never holds a movie without its index,
// and an existing file survives a render that fails or adds no frame.
#pragma once

#include <string>

namespace trevalin {

class PendingFile {
  public:
    PendingFile() = default;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile() { Discard(); }

    // Creates an empty file in target's directory. 0, or a negative errno
    // (which is how FFmpeg's AVERROR spells it).
    int Create(const std::string& target);
    // The temporary file's name; empty when there is none.
    const std::string& Path() const { return temp_; }
    // Renames the temporary file over the target. 0, or a negative errno; the
    // temporary file is removed either way.
    int Commit();
    // Removes the temporary file, if any.
    void Discard();

  private:
    std::string target_;
    std::string temp_;
};

} // namespace trevalin
