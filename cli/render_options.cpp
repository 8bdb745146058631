#include "cli/render_options.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "image/dib_image.h"
#include "render/movie_codecs.h"

namespace trevalin {

const char* const kUsage =
    "usage: trevalin-render [--presets FILE] [--preset NAME | --from PICTURE.png] [--list]\n"
    "                       [--size WxH] [--time N] [--source FILE.bmp] [--set KEY=VALUE]...\n"
    "                       [-o OUT.bmp|OUT.png] [--movie OUT.mov|.mp4|.webm|.gif]\n"
    "                       [--frames DIR [--mkdir] [--range A..B]] [--codec NAME]\n"
    "                       [--threads N] [--quiet]\n"
    "       trevalin-render --assemble DIR [--preset NAME | --from PICTURE.png] [--set ...]\n"
    "                       --movie OUT\n"
    "\n"
    "  --range A..B  renders frames A to B of the movie (counted from 0, both included)\n"
    "                into the --frames folder, named by their place in the whole movie\n"
    "                (frame_0000A.png or .bmp); each is the same, byte for byte, as in a\n"
    "                render of the whole movie. Several processes or machines can each\n"
    "                render a range. With --movie OUT as well, OUT is the movie the frames\n"
    "                are for: its name is checked against the codec, not written.\n"
    "  --assemble DIR  joins DIR/frame_00000 ... into the movie OUT with the preset's\n"
    "                codec, depth and frame rate; every frame of the movie must be there.\n";

namespace {

bool parseInt(const char* text, int lo, int hi, int& out) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno || end == text || *end || v < lo || v > hi) return false;
    out = static_cast<int>(v);
    return true;
}

// "A..B" with 0 <= A <= B.
bool parseRange(const std::string& text, int& first, int& last) {
    const auto dots = text.find("..");
    if (dots == std::string::npos) return false;
    return parseInt(text.substr(0, dots).c_str(), 0, 2147483647, first) &&
           parseInt(text.substr(dots + 2).c_str(), 0, 2147483647, last) && first <= last;
}

bool parseSize(const std::string& text, int& w, int& h) {
    const auto x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    return parseInt(text.substr(0, x).c_str(), 1, kMaxImageRows, w) &&
           parseInt(text.substr(x + 1).c_str(), 1, kMaxImageRows, h);
}

} // namespace

int parseOptions(int argc, const char* const* argv, RenderOptions& o, std::string& error) {
    auto usageError = [&error](std::string message) {
        error = std::move(message);
        return kBadInput;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        if (a == "--presets") {
            if (!value(o.presets)) return usageError("--presets needs a file");
        } else if (a == "--preset") {
            if (!value(o.preset)) return usageError("--preset needs a name");
        } else if (a == "--list") {
            o.list = true;
        } else if (a == "--size") {
            if (!value(v) || !parseSize(v, o.width, o.height))
                return usageError("--size takes WxH, each from 1 to 16000");
            o.sizeGiven = true;
        } else if (a == "--time") {
            if (!value(v) || !parseInt(v.c_str(), 0, 100, o.time))
                return usageError("--time takes a number from 0 to 100");
            o.timeGiven = true;
        } else if (a == "--from") {
            if (!value(o.from)) return usageError("--from needs a PNG file");
        } else if (a == "--codec") {
            if (!value(o.codec)) return usageError("--codec needs a name");
            if (movieCodecByName(o.codec) < 0) {
                std::string names;
                for (const MovieCodecRow& row : kMovieCodecs)
                    names += std::string(names.empty() ? "" : ", ") + row.shortName;
                return usageError("no codec \"" + o.codec + "\"; the codecs are " + names);
            }
        } else if (a == "--mkdir") {
            o.mkdir = true;
        } else if (a == "--source") {
            if (!value(o.source)) return usageError("--source needs a file");
        } else if (a == "--set") {
            if (!value(v) || v.find('=') == std::string::npos)
                return usageError("--set takes KEY=VALUE");
            o.sets.push_back(v);
        } else if (a == "-o") {
            if (!value(o.output)) return usageError("-o needs a file");
        } else if (a == "--movie") {
            if (!value(o.movie)) return usageError("--movie needs a file");
        } else if (a == "--range") {
            if (!value(v) || !parseRange(v, o.rangeFirst, o.rangeLast))
                return usageError("--range takes A..B, frame numbers from 0 with A <= B");
            o.rangeGiven = true;
        } else if (a == "--assemble") {
            if (!value(o.assemble)) return usageError("--assemble needs a folder of frames");
        } else if (a == "--frames") {
            if (!value(o.frames)) return usageError("--frames needs a folder");
        } else if (a == "--threads") {
            if (!value(v) || !parseInt(v.c_str(), 1, 1024, o.threads))
                return usageError("--threads takes a number from 1 to 1024");
        } else if (a == "--quiet") {
            o.quiet = true;
        } else if (a == "-h" || a == "--help") {
            error.clear();
            return kRendered;
        } else {
            return usageError("unknown argument \"" + a + "\"");
        }
    }
    if (o.rangeGiven && o.frames.empty())
        return usageError("--range writes numbered frames: give --frames DIR");
    if (!o.movie.empty() && !o.frames.empty() && !o.rangeGiven)
        return usageError("--movie and --frames exclude each other (except with --range)");
    if (!o.assemble.empty()) {
        if (o.movie.empty()) return usageError("--assemble needs --movie OUT to write");
        if (!o.frames.empty() || !o.output.empty() || o.list)
            return usageError("--assemble writes only the movie: no --frames, -o or --list");
    }
    if (!o.from.empty() && !o.preset.empty())
        return usageError("--from and --preset exclude each other");
    if (!o.list && o.output.empty() && o.movie.empty() && o.frames.empty())
        return usageError("nothing to write: give -o, --movie or --frames");
    if (!o.output.empty()) {
        const std::string ext = std::filesystem::path(o.output).extension().string();
        if (ext != ".bmp" && ext != ".png" && ext != ".BMP" && ext != ".PNG")
            return usageError("-o writes .bmp or .png files");
    }
    return -1;
}

std::string frameRangeRefusal(const RenderOptions& o, int codec, int frames) {
    if (o.rangeLast >= frames) {
        const std::string range =
            "--range " + std::to_string(o.rangeFirst) + ".." + std::to_string(o.rangeLast);
        // A count worked out from a hostile duration can be 0 or INT_MIN.
        if (frames < 1) return range + ": the movie has no frames";
        return range + ": the movie has " + std::to_string(frames) + " frames, 0.." +
               std::to_string(frames - 1);
    }
    if (!o.movie.empty()) {
        if (const std::string mismatch = codecPathMismatch(codec, o.movie); !mismatch.empty())
            return o.movie + ": " + mismatch;
    }
    return "";
}

} // namespace trevalin
