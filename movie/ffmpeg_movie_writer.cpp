// The movie writer on FFmpeg's libraries. Each frame is reduced to the chosen
// depth, compressed and appended to a QuickTime file as one key-frame sample
// lasting frameDuration units of 1/600 s.
//
// Each step and what it reports when it fails ("%d" is FFmpeg's AVERROR, followed
// by what it means in brackets):
//
//   step                                              message
//   frame rate and codec checked                      "Frame rate must be above 0", "frame rate
//                                                     must be at most 600", "frame rate is too
//                                                     low", "Unknown codec %d"
//   encoder and JPEG header filter looked up          "Movie encoder not available: %s"
//   mov muxer context allocated                       "EnterMovies error: %d"
//   colour tables                                     built in, so "Null CTable" cannot happen
//   output picture, encoder input frame               "GWorldOut Creation Problem: %d"
//   copy of the 32-bit frame                          "GWorld32 Creation Problem: %d"
//   encoder opened for this size and pixel format     "GetMaxCompressionSize Problem: %d"
//   packet allocated                                  "Can't allocate compress buffer: %d"
//   movie path checked                                "Pathname conversion error: %d"
//   temporary file beside the target created, opened  "Can't Create Movie File: %d (path: reason)"
//   stream created                                    "Can't create track"
//   stream parameters, time base, JPEG header filter  "Can't create media"
//   header written, time base confirmed as 1/600      "Can't begin media edits"
//   frame converted, encoded, filtered, re-laid out   "Compress Error: %d"
//   packet written                                    "AddMediaSample Error: %d"
//   finish: trailer written, file closed, renamed     "Can't Create Movie File: %d (path: reason)"
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/stat.h>
#include <vector>

#include "formula/arith.h"
#include "image/dib_image.h"
#include "movie/colour_tables.h"
#include "movie/ffmpeg_library.h"
#include "movie/ffmpeg_writer_base.h"
#include "movie/frame_reduction.h"
#include "movie/jpeg_colour.h"
#include "movie/mjpegb_layout.h"
#include "movie/movie_format.h"
#include "movie/movie_writer.h"
#include "movie/writers.h"

namespace trevalin {
namespace {

constexpr int kTimeScale = 600;
// QuickTime's "normal" JPEG quality has no FFmpeg setting; a fixed quantiser
// of 4 gives pictures of that order.
constexpr int kJpegQuantiser = 4;

AVPixelFormat pixelFormatOf(EncoderInput input) {
    switch (input) {
    case EncoderInput::Argb: return AV_PIX_FMT_ARGB;
    case EncoderInput::Rgb24: return AV_PIX_FMT_RGB24;
    case EncoderInput::Rgb555: return AV_PIX_FMT_RGB555BE;
    case EncoderInput::Palette8: return AV_PIX_FMT_PAL8;
    case EncoderInput::Grey8: return AV_PIX_FMT_GRAY8;
    case EncoderInput::Yuv422: return AV_PIX_FMT_YUV422P;
    }
    return AV_PIX_FMT_NONE;
}

// FFmpeg keeps four-character codes with the first character in the low byte.
unsigned int ffmpegTag(std::uint32_t fourCc) {
    return MKTAG(fourCc >> 24 & 0xFF, fourCc >> 16 & 0xFF, fourCc >> 8 & 0xFF, fourCc & 0xFF);
}

class FfmpegMovieWriter final : public FfmpegWriterBase {
  public:
    ~FfmpegMovieWriter() override { close(); }

    int addFrame(const DibImage& image) override;
    void finish() override;
    void close() override;

  private:
    using FfmpegWriterBase::fail;
    // The number as FFmpeg gives it, then what it means.
    bool fail(const char* prefix, int code) {
        return fail(prefix + std::to_string(code) + " (" + errorText(code) + ")");
    }
    // A failure of the movie file itself names it too.
    bool failFile(int code) override {
        return fail("Can't Create Movie File: " + std::to_string(code) + " (" + path_ + ": " +
                    errorText(code) + ")");
    }
    bool openSteps(const MovieParams& params) override;
    bool createWorlds();
    bool openEncoder(const AVCodec* codec);
    bool createFileAndStream();
    void copyFrame(const DibImage& image);
    void reduceFrame();
    std::uint32_t worldColour(std::size_t i) const;
    bool fillEncoderInput();
    bool encode(const AVFrame* frame);
    bool writeSample(AVPacket* packet);
    bool writeToFile(AVPacket* packet);

    ErrorReporter report_;
    MovieFormat format_;
    int width_ = 0, height_ = 0;
    int codedWidth_ = 0, codedHeight_ = 0; // the encoder's size, padded where it must be
    int frameDuration_ = 0;
    bool dither_ = false;

    std::vector<std::uint32_t> frameWorld_; // the rendered frame, rows from the top
    std::vector<Word555> world555_;
    std::vector<std::uint8_t> worldIndex_;
    const ColourTable* table_ = nullptr;
    std::unique_ptr<NearestColour> nearest_;
    std::vector<std::uint32_t> rowColours_; // one padded row of the world's colours
    std::vector<std::uint8_t> field_;

    AVCodecContext* encoder_ = nullptr;
    AVBSFContext* jpegHeader_ = nullptr;
    AVFrame* input_ = nullptr;
    AVPacket* packet_ = nullptr;
};

bool FfmpegMovieWriter::openSteps(const MovieParams& params) {
    // Refused before anything is created: a rate of 0 or below has no frame
    // length, and above 600 a frame would last no time unit at all.
    if (!(params.framerate > 0)) return fail("Frame rate must be above 0");
    if (params.framerate > kTimeScale) return fail("Frame rate must be at most 600");
    // A sample's length is a 32-bit count of time units.
    if (kTimeScale / params.framerate > INT32_MAX) return fail("Frame rate is too low");
    if (params.codec < 0 || params.codec >= kQuickTimeCodecCount)
        return fail("Unknown codec " + std::to_string(params.codec));

    format_ = chooseMovieFormat(params);
    width_ = params.width;
    height_ = params.height;
    dither_ = params.dither != 0;
    path_ = params.path;
    frameDuration_ = truncToInt32(kTimeScale / params.framerate);

    const AVCodec* codec = ffmpeg().avcodec_find_encoder_by_name(format_.encoder);
    const AVBitStreamFilter* headerFilter =
        format_.jpegAppHeader ? ffmpeg().av_bsf_get_by_name("mjpegadump") : nullptr;
    if (!codec || (format_.jpegAppHeader && !headerFilter))
        return fail(std::string("Movie encoder not available: ") + format_.name);

    int r = ffmpeg().avformat_alloc_output_context2(&container_, nullptr, "mov", nullptr);
    if (r < 0 || !container_) return fail("EnterMovies error: ", r < 0 ? r : AVERROR(ENOMEM));
    container_->flags |= AVFMT_FLAG_BITEXACT;

    if (!createWorlds() || !openEncoder(codec)) return false;

    packet_ = ffmpeg().av_packet_alloc();
    if (!packet_) return fail("Can't allocate compress buffer: ", AVERROR(ENOMEM));

    if (params.path.empty() || params.path.find('\0') != std::string::npos)
        return fail("Pathname conversion error: ", AVERROR(EINVAL));
    struct stat info;
    if (stat(params.path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return failFile(AVERROR(EISDIR));
    if (!createFileAndStream()) return false;

    if (format_.jpegAppHeader) {
        r = ffmpeg().av_bsf_alloc(headerFilter, &jpegHeader_);
        if (r >= 0) r = ffmpeg().avcodec_parameters_copy(jpegHeader_->par_in, stream_->codecpar);
        if (r >= 0) {
            jpegHeader_->time_base_in = AVRational{1, kTimeScale};
            r = ffmpeg().av_bsf_init(jpegHeader_);
        }
        if (r < 0) return fail("Can't create media");
    }

    // Without these the muxer picks its own scales (19200 for the track, 1000
    // for the movie) and the frame lengths drift by rounding.
    AVDictionary* options = nullptr;
    ffmpeg().av_dict_set(&options, "video_track_timescale", "600", 0);
    ffmpeg().av_dict_set(&options, "movie_timescale", "600", 0);
    r = ffmpeg().avformat_write_header(container_, &options);
    ffmpeg().av_dict_free(&options);
    if (r < 0 || stream_->time_base.num != 1 || stream_->time_base.den != kTimeScale)
        return fail("Can't begin media edits");
    open_ = true;
    return true;
}

bool FfmpegMovieWriter::createWorlds() {
    if (width_ < 1 || height_ < 1 || width_ > kMaxImageRows || height_ > kMaxImageRows)
        return fail("GWorldOut Creation Problem: ", AVERROR(EINVAL));
    const std::size_t pixels = std::size_t(width_) * std::size_t(height_);
    codedWidth_ = format_.padToFour ? (width_ + 3) / 4 * 4 : width_;
    codedHeight_ = format_.padToFour ? (height_ + 3) / 4 * 4 : height_;
    try {
        switch (format_.world) {
        case OutputWorld::Rgb32: break;
        case OutputWorld::Rgb555: world555_.resize(pixels); break;
        case OutputWorld::ColourIndex:
            table_ = &standardColourTable();
            nearest_ = std::make_unique<NearestColour>(*table_);
            worldIndex_.resize(pixels);
            break;
        case OutputWorld::GreyIndex:
            table_ = &greyRampTable();
            worldIndex_.resize(pixels);
            break;
        }
        rowColours_.resize(std::size_t(codedWidth_));
    } catch (const std::bad_alloc&) {
        return fail("GWorldOut Creation Problem: ", AVERROR(ENOMEM));
    }

    input_ = ffmpeg().av_frame_alloc();
    if (!input_) return fail("GWorldOut Creation Problem: ", AVERROR(ENOMEM));
    input_->format = pixelFormatOf(format_.input);
    input_->width = codedWidth_;
    input_->height = codedHeight_;
    if (format_.input == EncoderInput::Yuv422) input_->color_range = AVCOL_RANGE_JPEG;
    int r = ffmpeg().av_frame_get_buffer(input_, 0);
    if (r < 0) return fail("GWorldOut Creation Problem: ", r);

    try {
        frameWorld_.assign(pixels, 0);
    } catch (const std::bad_alloc&) {
        return fail("GWorld32 Creation Problem: ", AVERROR(ENOMEM));
    }
    return true;
}

bool FfmpegMovieWriter::openEncoder(const AVCodec* codec) {
    encoder_ = ffmpeg().avcodec_alloc_context3(codec);
    if (!encoder_) return fail("GetMaxCompressionSize Problem: ", AVERROR(ENOMEM));
    encoder_->width = codedWidth_;
    encoder_->height = codedHeight_;
    encoder_->pix_fmt = pixelFormatOf(format_.input);
    encoder_->time_base = AVRational{1, kTimeScale};
    encoder_->framerate = AVRational{kTimeScale, frameDuration_};
    // Every sample a key frame; without this RLE, Graphics and Cinepak write
    // difference frames.
    encoder_->gop_size = 1;
    // One thread and bit-exact coding: the same frames give the same file,
    // and the JPEG encoder adds no restart markers format B cannot hold.
    encoder_->thread_count = 1;
    encoder_->flags |= AV_CODEC_FLAG_BITEXACT;
    if (format_.input == EncoderInput::Yuv422) {
        encoder_->color_range = AVCOL_RANGE_JPEG;
        encoder_->flags |= AV_CODEC_FLAG_QSCALE;
        encoder_->global_quality = kJpegQuantiser * FF_QP2LAMBDA;
    }
    const int r = ffmpeg().avcodec_open2(encoder_, codec, nullptr);
    if (r < 0) return fail("GetMaxCompressionSize Problem: ", r);
    return true;
}

bool FfmpegMovieWriter::createFileAndStream() {
    std::string error;
    if (!file_.open(path_, error)) return failFile(AVERROR(file_.lastErrno()));
    int r = ffmpeg().avio_open(&container_->pb, ("file:" + file_.reopenPath()).c_str(),
                               AVIO_FLAG_WRITE);
    if (r < 0) return failFile(r);

    stream_ = ffmpeg().avformat_new_stream(container_, nullptr);
    if (!stream_) return fail("Can't create track");

    AVCodecParameters* par = stream_->codecpar;
    if (format_.mjpegB) {
        // No encoder makes format B; the stream is described by hand and
        // fed re-laid-out JPEG pictures.
        par->codec_type = AVMEDIA_TYPE_VIDEO;
        par->codec_id = AV_CODEC_ID_MJPEGB;
    } else if (ffmpeg().avcodec_parameters_from_context(par, encoder_) < 0) {
        return fail("Can't create media");
    }
    par->codec_tag = ffmpegTag(format_.tag);
    par->width = width_; // the real size, where the encoder's is padded
    par->height = height_;
    par->bits_per_coded_sample = format_.bitsPerSample;
    if (format_.declareColourIndex) par->format = AV_PIX_FMT_PAL8;
    if (format_.input == EncoderInput::Yuv422) par->field_order = AV_FIELD_PROGRESSIVE;
    stream_->time_base = AVRational{1, kTimeScale};
    return true;
}

int FfmpegMovieWriter::addFrame(const DibImage& image) {
    if (!open_) return 1; // open failed and said so; nothing to add to
    if (failed_) return 0;
    copyFrame(image);
    reduceFrame();
    if (!fillEncoderInput() || !encode(input_)) {
        failed_ = true;
        return 0;
    }
    return 1;
}

void FfmpegMovieWriter::copyFrame(const DibImage& image) {
    // The render target is expected to match the size given to open; any
    // part it does not cover stays black rather than being read past its end.
    const bool usable = image.hasData() && image.bitsPerPixel() == 32;
    const int rows = usable ? std::min(height_, image.height()) : 0;
    const int columns = usable ? std::min(width_, image.width()) : 0;
    std::fill(frameWorld_.begin(), frameWorld_.end(), 0);
    for (int r = 0; r < rows; ++r) {
        const std::uint32_t* src = image.row(r);
        std::uint32_t* dst = &frameWorld_[std::size_t(r) * std::size_t(width_)];
        for (int c = 0; c < columns; ++c)
            dst[c] = src[c] & 0xFFFFFF; // drop the spare byte
    }
}

void FfmpegMovieWriter::reduceFrame() {
    switch (format_.world) {
    case OutputWorld::Rgb32: break;
    case OutputWorld::Rgb555: reduceTo555(frameWorld_, width_, dither_, world555_); break;
    case OutputWorld::ColourIndex:
        reduceToTable(frameWorld_, width_, dither_, *nearest_, worldIndex_);
        break;
    case OutputWorld::GreyIndex: reduceToGreyRamp(frameWorld_, worldIndex_); break;
    }
}

std::uint32_t FfmpegMovieWriter::worldColour(std::size_t i) const {
    switch (format_.world) {
    case OutputWorld::Rgb32: return frameWorld_[i];
    case OutputWorld::Rgb555: return expand555(world555_[i]);
    case OutputWorld::ColourIndex:
    case OutputWorld::GreyIndex: return (*table_)[worldIndex_[i]];
    }
    return 0;
}

bool FfmpegMovieWriter::fillEncoderInput() {
    const int r = ffmpeg().av_frame_make_writable(input_);
    if (r < 0) return fail("Compress Error: ", r);

    // Graphics codes 4 x 4 blocks and reads the row padding and the rows below
    // the picture at sizes that are not multiples of 4; they repeat the last
    // column and row too, so the file does not depend on leftover memory.
    const bool fillPadding = format_.input == EncoderInput::Palette8;
    const int rows = fillPadding ? (codedHeight_ + 3) / 4 * 4 : codedHeight_;
    for (int y = 0; y < rows; ++y) {
        // Padding repeats the last row and column, which costs the encoder least.
        const std::size_t rowStart = std::size_t(std::min(y, height_ - 1)) * std::size_t(width_);
        const auto at = [&](int x) { return rowStart + std::size_t(std::min(x, width_ - 1)); };
        std::uint8_t* out = input_->data[0] + std::ptrdiff_t(y) * input_->linesize[0];
        switch (format_.input) {
        case EncoderInput::Argb:
            for (int x = 0; x < codedWidth_; ++x) {
                const std::uint32_t c = worldColour(at(x));
                // FFmpeg reads the first byte as alpha: opaque, not transparent.
                *out++ = 0xFF;
                *out++ = std::uint8_t(c >> 16);
                *out++ = std::uint8_t(c >> 8);
                *out++ = std::uint8_t(c);
            }
            break;
        case EncoderInput::Rgb24:
            for (int x = 0; x < codedWidth_; ++x) {
                const std::uint32_t c = worldColour(at(x));
                *out++ = std::uint8_t(c >> 16);
                *out++ = std::uint8_t(c >> 8);
                *out++ = std::uint8_t(c);
            }
            break;
        case EncoderInput::Rgb555:
            for (int x = 0; x < codedWidth_; ++x) {
                *out++ = std::uint8_t(world555_[at(x)] >> 8);
                *out++ = std::uint8_t(world555_[at(x)]);
            }
            break;
        case EncoderInput::Palette8:
            for (int x = 0; x < input_->linesize[0]; ++x)
                *out++ = worldIndex_[at(x)];
            break;
        case EncoderInput::Grey8:
            for (int x = 0; x < codedWidth_; ++x)
                *out++ = std::uint8_t(255 - worldIndex_[at(x)]);
            break;
        case EncoderInput::Yuv422:
            for (int x = 0; x < codedWidth_; ++x)
                rowColours_[std::size_t(x)] = worldColour(at(x));
            rgbRowToYuv422(rowColours_, out,
                           input_->data[1] + std::ptrdiff_t(y) * input_->linesize[1],
                           input_->data[2] + std::ptrdiff_t(y) * input_->linesize[2]);
            // The fixed quantiser only holds when every frame carries it too.
            input_->quality = kJpegQuantiser * FF_QP2LAMBDA;
            break;
        }
    }
    if (format_.input == EncoderInput::Palette8) {
        // FFmpeg palettes are native-endian 0xAARRGGBB words.
        auto* palette = reinterpret_cast<std::uint32_t*>(input_->data[1]);
        for (int k = 0; k < 256; ++k)
            palette[k] = 0xFF000000u | (*table_)[std::size_t(k)];
    }
    input_->pts = samples_ * frameDuration_;
    return true;
}

// Sends a frame (or nullptr to drain) and writes every packet that results.
bool FfmpegMovieWriter::encode(const AVFrame* frame) {
    int r = ffmpeg().avcodec_send_frame(encoder_, frame);
    if (r < 0) return fail("Compress Error: ", r);
    while (true) {
        r = ffmpeg().avcodec_receive_packet(encoder_, packet_);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
        if (r < 0) return fail("Compress Error: ", r);
        if (!writeSample(packet_)) {
            ffmpeg().av_packet_unref(packet_);
            return false;
        }
    }
}

bool FfmpegMovieWriter::writeSample(AVPacket* packet) {
    // Sample n starts at n frame lengths; the last one's length comes from
    // its duration, which must therefore be set.
    packet->stream_index = stream_->index;
    packet->pts = packet->dts = samples_ * frameDuration_;
    packet->duration = frameDuration_;

    if (format_.declareColourIndex && samples_ == 0) {
        // The muxer writes the sample description's colour table from the
        // first packet's palette.
        std::uint8_t* side =
            ffmpeg().av_packet_new_side_data(packet, AV_PKT_DATA_PALETTE, AVPALETTE_SIZE);
        if (!side) return fail("Compress Error: ", AVERROR(ENOMEM));
        for (int k = 0; k < 256; ++k) {
            const std::uint32_t argb = 0xFF000000u | (*table_)[std::size_t(k)];
            std::memcpy(side + 4 * k, &argb, 4);
        }
    }

    if (format_.mjpegB) {
        if (!jpegToMjpegB({packet->data, std::size_t(packet->size)}, field_))
            return fail("Compress Error: ", AVERROR_INVALIDDATA);
        int r = ffmpeg().av_packet_make_writable(packet);
        if (r >= 0 && field_.size() > std::size_t(packet->size))
            r = ffmpeg().av_grow_packet(packet, int(field_.size()) - packet->size);
        if (r < 0) return fail("Compress Error: ", r);
        ffmpeg().av_shrink_packet(packet, int(field_.size()));
        std::memcpy(packet->data, field_.data(), field_.size());
    }

    if (!jpegHeader_) return writeToFile(packet);
    int r = ffmpeg().av_bsf_send_packet(jpegHeader_, packet); // takes the packet's data
    if (r < 0) return fail("Compress Error: ", r);
    while ((r = ffmpeg().av_bsf_receive_packet(jpegHeader_, packet)) >= 0) {
        if (!writeToFile(packet)) return false;
    }
    if (r != AVERROR(EAGAIN) && r != AVERROR_EOF) return fail("Compress Error: ", r);
    return true;
}

bool FfmpegMovieWriter::writeToFile(AVPacket* packet) {
    const int r = ffmpeg().av_write_frame(container_, packet);
    ffmpeg().av_packet_unref(packet);
    if (r < 0) return fail("AddMediaSample Error: ", r);
    ++samples_;
    return true;
}

void FfmpegMovieWriter::finish() {
    if (!open_) return;
    open_ = false;
    if (!failed_) encode(nullptr); // none of these encoders holds frames back; be sure
    completeFile();
}

void FfmpegMovieWriter::close() {
    releaseFile();
    ffmpeg().avcodec_free_context(&encoder_);
    ffmpeg().av_bsf_free(&jpegHeader_);
    ffmpeg().av_frame_free(&input_);
    ffmpeg().av_packet_free(&packet_);
    frameWorld_ = {};
    world555_ = {};
    worldIndex_ = {};
    rowColours_ = {};
    field_ = {};
    nearest_.reset();
    table_ = nullptr;
}

} // namespace

std::unique_ptr<MovieWriter> makeQuickTimeWriter() {
    return std::make_unique<FfmpegMovieWriter>();
}

} // namespace trevalin
