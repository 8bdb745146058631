// Joining a folder of numbered frames (frame_00000.png or .bmp, as --frames
// writes them, possibly by several processes each rendering a range) into
// one movie with the settings' codec, depth and frame rate.
#pragma once

#include <functional>
#include <string>

namespace trevalin {

struct RenderSettings;

struct AssembleResult {
    int status = 0;    // an Exit code
    std::string error; // what went wrong, naming the file
    int frames = 0;    // frames added to the movie
};

// Reads frames 0 .. trunc(duration x framerate) - 1 from folder, every one of
// them required and all of one size, and writes them into the movie at path.
// stop is asked between frames; once it says yes the movie is finished with
// the frames so far.
AssembleResult assembleFrames(const std::string& folder, const RenderSettings& settings,
                              const std::string& path, const std::function<bool()>& stop);

} // namespace trevalin
