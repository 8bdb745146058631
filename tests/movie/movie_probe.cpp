#include "movie_probe.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>

namespace trevalin::movietest {
namespace {

std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs a shell command; its standard output, and the exit status.
std::string run(const std::string& command, int& status) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        status = -1;
        return out;
    }
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    const int raw = pclose(pipe);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return out;
}

std::uint32_t be32(const std::vector<std::uint8_t>& d, std::size_t at) {
    return std::uint32_t(d[at]) << 24 | std::uint32_t(d[at + 1]) << 16 |
           std::uint32_t(d[at + 2]) << 8 | d[at + 3];
}

int be16(const std::vector<std::uint8_t>& d, std::size_t at) {
    return d[at] << 8 | d[at + 1];
}

void walkAtoms(const std::vector<std::uint8_t>& d, std::size_t begin, std::size_t end,
               MovieAtoms& out) {
    std::size_t pos = begin;
    while (pos + 8 <= end) {
        std::uint64_t size = be32(d, pos);
        const std::string type(d.begin() + std::ptrdiff_t(pos + 4),
                               d.begin() + std::ptrdiff_t(pos + 8));
        std::size_t header = 8;
        if (size == 1) {
            if (pos + 16 > end) return;
            size = std::uint64_t(be32(d, pos + 8)) << 32 | be32(d, pos + 12);
            header = 16;
        } else if (size == 0) {
            size = end - pos;
        }
        if (size < header || size > end - pos) return;
        const std::size_t body = pos + header, stop = pos + std::size_t(size);
        if (type == "moov" || type == "trak" || type == "mdia" || type == "minf" ||
            type == "stbl") {
            walkAtoms(d, body, stop, out);
        } else if ((type == "mvhd" || type == "mdhd") && body + 24 <= stop) {
            // Version 1 has 64-bit creation and modification times.
            const int scale = int(be32(d, body + (d[body] == 1 ? 20 : 12)));
            (type == "mvhd" ? out.movieTimeScale : out.mediaTimeScale) = scale;
        } else if (type == "stsd" && body + 8 + 86 <= stop) {
            const std::size_t entry = body + 8;
            out.found = true;
            out.format.assign(d.begin() + std::ptrdiff_t(entry + 4),
                              d.begin() + std::ptrdiff_t(entry + 8));
            out.depth = be16(d, entry + 82);
            out.colourTableId = std::int16_t(be16(d, entry + 84));
        }
        pos = stop;
    }
}

} // namespace

TempDir::TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "trevalin-movie-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> TempDir::names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

ProbedStream probeMovie(const std::string& path) {
    int status = 0;
    const std::string out = run("ffprobe -v error -select_streams v:0 -show_entries "
                                "stream=codec_tag_string,time_base,width,height,nb_frames,"
                                "duration_ts:packet=pts,duration,flags -of compact " +
                                    quote(path) + " 2>&1",
                                status);
    ProbedStream p;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty()) continue; // after a packet's side data
        const bool packet = line.rfind("packet|", 0) == 0;
        if (!packet && line.rfind("stream|", 0) != 0) {
            p.errors += line + "\n";
            continue;
        }
        std::istringstream fields(line);
        std::string field;
        while (std::getline(fields, field, '|')) {
            const auto eq = field.find('=');
            if (eq == std::string::npos) continue;
            const std::string key = field.substr(0, eq), value = field.substr(eq + 1);
            const auto number = [&] { return value == "N/A" ? -1 : std::stoll(value); };
            if (packet) {
                if (key == "pts") p.pts.push_back(number());
                if (key == "duration") p.durations.push_back(number());
                if (key == "flags") p.flags.push_back(value);
            } else {
                if (key == "codec_tag_string") p.codecTag = value;
                if (key == "time_base") p.timeBase = value;
                if (key == "width") p.width = int(number());
                if (key == "height") p.height = int(number());
                if (key == "nb_frames") p.frames = number();
                if (key == "duration_ts") p.durationTs = number();
            }
        }
    }
    if (status != 0) p.errors += "ffprobe exit status " + std::to_string(status) + "\n";
    return p;
}

DecodedMovie decodeMovie(const std::string& path, const std::string& scratchDir) {
    const std::string errorFile = scratchDir + "/ffmpeg-errors.txt";
    DecodedMovie d;
    const std::string out = run("ffmpeg -nostdin -v error -xerror -i " + quote(path) +
                                    " -f rawvideo -pix_fmt rgb24 - 2>" + quote(errorFile),
                                d.status);
    d.rgb.assign(out.begin(), out.end());
    const std::vector<std::uint8_t> errors = readFile(errorFile);
    d.errors.assign(errors.begin(), errors.end());
    std::filesystem::remove(errorFile);
    return d;
}

MovieAtoms readMovieAtoms(const std::string& path) {
    MovieAtoms atoms;
    const std::vector<std::uint8_t> bytes = readFile(path);
    walkAtoms(bytes, 0, bytes.size(), atoms);
    return atoms;
}

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace trevalin::movietest
