// Reads written movies back for the writer's tests: ffprobe for the stream and
// its samples, ffmpeg for the decoded pictures, and a small atom reader for
// the fields neither tool shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trevalin::movietest {

// A directory of its own for one test, removed with everything in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::vector<std::string> names() const; // the files in it, sorted

  private:
    std::string path_;
};

struct ProbedStream {
    std::string errors; // what ffprobe said besides the entries asked for
    std::string codecTag;
    std::string timeBase;
    int width = 0;
    int height = 0;
    long long frames = -1;
    long long durationTs = -1;
    std::vector<long long> pts;
    std::vector<long long> durations;
    std::vector<std::string> flags;
};
ProbedStream probeMovie(const std::string& path);

struct DecodedMovie {
    int status = -1;
    std::string errors;            // ffmpeg -v error -xerror: empty when it decodes cleanly
    std::vector<std::uint8_t> rgb; // every frame as RGB24, one after the other
};
DecodedMovie decodeMovie(const std::string& path, const std::string& scratchDir);

struct MovieAtoms {
    bool found = false; // a video sample description was read
    std::string format; // its codec type
    int depth = 0;
    int colourTableId = 0;
    int movieTimeScale = 0;
    int mediaTimeScale = 0;
};
MovieAtoms readMovieAtoms(const std::string& path);

std::vector<std::uint8_t> readFile(const std::string& path);

} // namespace trevalin::movietest
