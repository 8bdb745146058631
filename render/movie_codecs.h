// The movie codecs and the files they go into: one row per codec, one per
// container. The settings' `codec` is the row's index, so rows are only ever
// added at the end.
#pragma once

#include <string>

namespace trevalin {

enum class MovieContainer { QuickTime, Mp4, WebM, Gif, FramesFolder };

struct MovieContainerRow {
    MovieContainer id;
    const char* name;      // as the user picks it
    const char* extension; // with the dot; empty for a folder
};

struct MovieCodecRow {
    const char* name;      // as the user picks it, e.g. "Motion JPEG A"
    const char* shortName; // for the command line, e.g. "mjpa"
    MovieContainer container;
};

inline constexpr MovieContainerRow kMovieContainers[] = {
    {MovieContainer::QuickTime, "QuickTime", ".mov"},
    {MovieContainer::Mp4, "MP4", ".mp4"},
    {MovieContainer::WebM, "WebM", ".webm"},
    {MovieContainer::Gif, "GIF", ".gif"},
    {MovieContainer::FramesFolder, "Frames folder", ""},
};

inline constexpr MovieCodecRow kMovieCodecs[] = {
    {"Raw", "raw", MovieContainer::QuickTime},
    {"Animation", "animation", MovieContainer::QuickTime},
    {"Graphics", "graphics", MovieContainer::QuickTime},
    {"Motion JPEG A", "mjpa", MovieContainer::QuickTime},
    {"Motion JPEG B", "mjpb", MovieContainer::QuickTime},
    {"Cinepak", "cinepak", MovieContainer::QuickTime},
    {"H.264", "h264", MovieContainer::Mp4},
    {"VP9", "vp9", MovieContainer::WebM},
    {"GIF", "gif", MovieContainer::Gif},
    {"PNG frames", "png", MovieContainer::FramesFolder},
    {"BMP frames", "bmp", MovieContainer::FramesFolder},
};

inline constexpr int kMovieCodecCount = int(sizeof kMovieCodecs / sizeof kMovieCodecs[0]);
inline constexpr int kQuickTimeCodecCount = 6;
static_assert(kMovieCodecs[kQuickTimeCodecCount - 1].container == MovieContainer::QuickTime &&
                  kMovieCodecs[kQuickTimeCodecCount].container != MovieContainer::QuickTime,
              "the QuickTime codecs come first, with the indices stored files use");

bool validMovieCodec(int codec);
const MovieContainerRow& containerRow(MovieContainer container);
const MovieContainerRow& containerOfCodec(int codec); // codec must be valid
// The codec whose name or short name matches, ignoring case; -1 if none.
int movieCodecByName(const std::string& name);
// The container a movie path's extension names (ignoring case), or none.
const MovieContainerRow* containerOfPath(const std::string& path);
// The codec to use when a path's extension asks for another container than
// the chosen codec's: the container's first codec.
int firstCodecOf(MovieContainer container);
// Empty when the codec may write to this path; otherwise why not, naming both.
// A path without a known extension takes any file codec.
std::string codecPathMismatch(int codec, const std::string& path);

} // namespace trevalin
