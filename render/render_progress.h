// How far a render has come, and the one line that says so: the pass, the
// share done and the time left of a still, the frame of a movie. Shared by the
// desktop program's status bar and anything else that reports progress.
#pragma once

#include <cstdint>
#include <string>

namespace trevalin {

struct RenderProgress {
    enum class State { Idle, Running, Finished, Stopped, Failed };
    State state = State::Idle;
    int width = 0;
    int height = 0;
    int firstStep = 1;           // the coarsest grid: 16 for progressive passes, else 1
    int frame = 0;               // 0-based, of frames
    int frames = 1;              // more than one makes a movie
    std::int64_t pixelsDone = 0; // of the current frame, over all its passes so far
    double elapsedSeconds = 0;
};

// The 1-based pass the pixels done so far have reached, and how many there are.
int passNumber(const RenderProgress& p);
int passCount(const RenderProgress& p);
// The share of the whole job done, 0 to 1.
double progressFraction(const RenderProgress& p);
// "12 s", "3 min 05 s", "2 h 07 min".
std::string durationText(double seconds);
// "Pass 3 of 5, 42%, 3 s left"; "Frame 10 of 120, 8%, 1 min 20 s left";
// "Stopped"; "Ready" before anything ran. errorText is what a failed job said.
std::string progressText(const RenderProgress& p, const std::string& errorText = {});

} // namespace trevalin
