// FFmpeg's libraries, loaded when the first movie file opens. Linked into the
// programs, they and the hundred-odd libraries they need took 70 ms to load
// at every start, also of a render that writes one still picture.
#pragma once

#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

// Every FFmpeg function the writers call, with the library it comes from.
#define TREVALIN_FFMPEG_FUNCTIONS(X)                                                               \
    X(avutil, av_d2q)                                                                              \
    X(avutil, av_dict_free)                                                                        \
    X(avutil, av_dict_set)                                                                         \
    X(avutil, av_frame_alloc)                                                                      \
    X(avutil, av_frame_free)                                                                       \
    X(avutil, av_frame_get_buffer)                                                                 \
    X(avutil, av_frame_make_writable)                                                              \
    X(avutil, av_log_set_level)                                                                    \
    X(avutil, av_strerror)                                                                         \
    X(swscale, sws_freeContext)                                                                    \
    X(swscale, sws_getContext)                                                                     \
    X(swscale, sws_scale)                                                                          \
    X(avcodec, av_bsf_alloc)                                                                       \
    X(avcodec, av_bsf_free)                                                                        \
    X(avcodec, av_bsf_get_by_name)                                                                 \
    X(avcodec, av_bsf_init)                                                                        \
    X(avcodec, av_bsf_receive_packet)                                                              \
    X(avcodec, av_bsf_send_packet)                                                                 \
    X(avcodec, av_grow_packet)                                                                     \
    X(avcodec, av_packet_alloc)                                                                    \
    X(avcodec, av_packet_free)                                                                     \
    X(avcodec, av_packet_make_writable)                                                            \
    X(avcodec, av_packet_new_side_data)                                                            \
    X(avcodec, av_packet_rescale_ts)                                                               \
    X(avcodec, av_packet_unref)                                                                    \
    X(avcodec, av_shrink_packet)                                                                   \
    X(avcodec, avcodec_alloc_context3)                                                             \
    X(avcodec, avcodec_find_encoder_by_name)                                                       \
    X(avcodec, avcodec_free_context)                                                               \
    X(avcodec, avcodec_open2)                                                                      \
    X(avcodec, avcodec_parameters_copy)                                                            \
    X(avcodec, avcodec_parameters_from_context)                                                    \
    X(avcodec, avcodec_receive_packet)                                                             \
    X(avcodec, avcodec_send_frame)                                                                 \
    X(avformat, av_interleaved_write_frame)                                                        \
    X(avformat, av_write_frame)                                                                    \
    X(avformat, av_write_trailer)                                                                  \
    X(avformat, avformat_alloc_output_context2)                                                    \
    X(avformat, avformat_free_context)                                                             \
    X(avformat, avformat_new_stream)                                                               \
    X(avformat, avformat_write_header)                                                             \
    X(avformat, avio_closep)                                                                       \
    X(avformat, avio_open)

namespace trevalin {

struct FfmpegLibrary {
#define TREVALIN_FFMPEG_POINTER(library, name) decltype(&::name) name = nullptr;
    TREVALIN_FFMPEG_FUNCTIONS(TREVALIN_FFMPEG_POINTER)
#undef TREVALIN_FFMPEG_POINTER
};

// Loads the libraries the first time; false, with what failed in error, when
// one of them or one of its functions is missing. Safe from any thread.
bool loadFfmpeg(std::string& error);

// The functions; only after loadFfmpeg has returned true.
const FfmpegLibrary& ffmpeg();

} // namespace trevalin
