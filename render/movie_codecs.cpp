#include "render/movie_codecs.h"

#include <strings.h>

namespace trevalin {

bool validMovieCodec(int codec) {
    return codec >= 0 && codec < kMovieCodecCount;
}

const MovieContainerRow& containerRow(MovieContainer container) {
    for (const MovieContainerRow& row : kMovieContainers)
        if (row.id == container) return row;
    return kMovieContainers[0];
}

const MovieContainerRow& containerOfCodec(int codec) {
    return containerRow(kMovieCodecs[codec].container);
}

int movieCodecByName(const std::string& name) {
    for (int i = 0; i < kMovieCodecCount; ++i)
        if (strcasecmp(name.c_str(), kMovieCodecs[i].name) == 0 ||
            strcasecmp(name.c_str(), kMovieCodecs[i].shortName) == 0)
            return i;
    return -1;
}

const MovieContainerRow* containerOfPath(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return nullptr;
    const std::string extension = path.substr(dot);
    for (const MovieContainerRow& row : kMovieContainers)
        if (row.extension[0] && strcasecmp(extension.c_str(), row.extension) == 0) return &row;
    return nullptr;
}

int firstCodecOf(MovieContainer container) {
    for (int i = 0; i < kMovieCodecCount; ++i)
        if (kMovieCodecs[i].container == container) return i;
    return -1;
}

std::string codecPathMismatch(int codec, const std::string& path) {
    if (!validMovieCodec(codec)) return "unknown codec " + std::to_string(codec);
    const MovieContainerRow& wanted = containerOfCodec(codec);
    const MovieContainerRow* named = containerOfPath(path);
    if (wanted.id == MovieContainer::FramesFolder) {
        if (named)
            return std::string("the codec ") + kMovieCodecs[codec].name +
                   " writes a folder of frames, not a " + named->extension + " file";
        return "";
    }
    if (!named || named->id == wanted.id) return "";
    return std::string("the codec ") + kMovieCodecs[codec].name + " goes into " + wanted.name +
           " (" + wanted.extension + ") files, not " + named->name + " (" + named->extension +
           ") files";
}

} // namespace trevalin
