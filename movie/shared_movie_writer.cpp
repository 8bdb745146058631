// Movies in the formats people share: H.264 in MP4, VP9 in WebM, animated
// GIF. Frames go through libswscale to 4:2:0 for the video codecs and, for
// GIF, through a palette made from each frame (or the grey ramp). Like the QuickTime
// writer it writes under a temporary name and renames the finished file.
#include <algorithm>
#include <cstring>
#include <vector>

#include "image/dib_image.h"
#include "movie/colour_tables.h"
#include "movie/ffmpeg_library.h"
#include "movie/ffmpeg_writer_base.h"
#include "movie/frame_palette.h"
#include "movie/frame_reduction.h"
#include "movie/writers.h"
#include "render/movie_codecs.h"

namespace trevalin {
namespace {

struct SharedFormat {
    MovieContainer container;
    const char* muxer;
    const char* encoder;
    AVPixelFormat input;
    bool evenSize; // 4:2:0 in H.264 needs even sizes
};

constexpr SharedFormat kSharedFormats[] = {
    {MovieContainer::Mp4, "mp4", "libx264", AV_PIX_FMT_YUV420P, true},
    {MovieContainer::WebM, "webm", "libvpx-vp9", AV_PIX_FMT_YUV420P, false},
    {MovieContainer::Gif, "gif", "gif", AV_PIX_FMT_PAL8, false},
};

// QuickTime's "normal" quality as constant-quality settings: x264's own
// default and VP9's recommended value for the same look.
constexpr const char* kH264Crf = "23";
constexpr const char* kVp9Crf = "32";

class SharedMovieWriter final : public FfmpegWriterBase {
  public:
    ~SharedMovieWriter() override { close(); }

    int addFrame(const DibImage& image) override;
    void finish() override;
    void close() override;

  private:
    using FfmpegWriterBase::fail;
    bool fail(const std::string& what, int code) {
        return fail(what + ": " + errorText(code) + " (" + std::to_string(code) + ")");
    }
    bool failFile(int code) override { return fail("Can't Create Movie File " + path_, code); }
    bool openSteps(const MovieParams& params) override;
    bool fillInput(const DibImage& image);
    bool encode(const AVFrame* frame);

    const SharedFormat* format_ = nullptr;
    int width_ = 0, height_ = 0, codedWidth_ = 0, codedHeight_ = 0;
    bool dither_ = false, grey_ = false;
    std::int64_t frames_ = 0;

    std::vector<std::uint32_t> frame_; // the rendered frame at the coded size
    std::vector<std::uint8_t> indices_;
    ColourTable palette_{}; // GIF: the current frame's
    AVCodecContext* encoder_ = nullptr;
    SwsContext* scaler_ = nullptr;
    AVFrame* input_ = nullptr;
    AVPacket* packet_ = nullptr;
};

bool SharedMovieWriter::openSteps(const MovieParams& params) {
    if (!(params.framerate > 0)) return fail("Frame rate must be above 0");
    if (params.framerate > 600) return fail("Frame rate must be at most 600");
    if (!validMovieCodec(params.codec))
        return fail("Unknown codec " + std::to_string(params.codec));
    for (const SharedFormat& f : kSharedFormats)
        if (f.container == kMovieCodecs[params.codec].container) format_ = &f;
    if (!format_) return fail("Unknown codec " + std::to_string(params.codec));
    if (params.width < 1 || params.height < 1 || params.width > kMaxImageRows ||
        params.height > kMaxImageRows)
        return fail("Bad movie size");
    if (params.path.empty() || params.path.find('\0') != std::string::npos)
        return fail("Pathname conversion error", AVERROR(EINVAL));
    width_ = params.width;
    height_ = params.height;
    codedWidth_ = format_->evenSize ? (width_ + 1) / 2 * 2 : width_;
    codedHeight_ = format_->evenSize ? (height_ + 1) / 2 * 2 : height_;
    dither_ = params.dither != 0;
    grey_ = params.colormode == 0;
    path_ = params.path;

    const AVCodec* codec = ffmpeg().avcodec_find_encoder_by_name(format_->encoder);
    if (!codec) return fail(std::string("Movie encoder not available: ") + format_->encoder);

    std::string error;
    if (!file_.open(path_, error)) return failFile(AVERROR(file_.lastErrno()));
    // The temporary file is the container's own name: MP4's fast start reads
    // the file back to move the index to the front.
    int r = ffmpeg().avformat_alloc_output_context2(&container_, nullptr, format_->muxer,
                                                    ("file:" + file_.reopenPath()).c_str());
    if (r < 0 || !container_) return fail("Movie container not available", r);
    container_->flags |= AVFMT_FLAG_BITEXACT;

    encoder_ = ffmpeg().avcodec_alloc_context3(codec);
    if (!encoder_) return fail("Movie encoder", AVERROR(ENOMEM));
    encoder_->width = codedWidth_;
    encoder_->height = codedHeight_;
    encoder_->pix_fmt = format_->input;
    const AVRational rate = ffmpeg().av_d2q(params.framerate, 100000);
    encoder_->time_base = av_inv_q(rate);
    encoder_->framerate = rate;
    encoder_->flags |= AV_CODEC_FLAG_BITEXACT;
    if (container_->oformat->flags & AVFMT_GLOBALHEADER)
        encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* codecOptions = nullptr;
    if (format_->container == MovieContainer::Mp4) {
        ffmpeg().av_dict_set(&codecOptions, "crf", kH264Crf, 0);
        ffmpeg().av_dict_set(&codecOptions, "preset", "medium", 0);
    } else if (format_->container == MovieContainer::WebM) {
        ffmpeg().av_dict_set(&codecOptions, "crf", kVp9Crf, 0);
        ffmpeg().av_dict_set(&codecOptions, "b", "0", 0);
        ffmpeg().av_dict_set(&codecOptions, "cpu-used", "4", 0);
        ffmpeg().av_dict_set(&codecOptions, "row-mt", "1", 0);
    }
    if (format_->input == AV_PIX_FMT_YUV420P) {
        encoder_->colorspace = AVCOL_SPC_SMPTE170M;
        encoder_->color_range = AVCOL_RANGE_MPEG;
    }
    r = ffmpeg().avcodec_open2(encoder_, codec, &codecOptions);
    ffmpeg().av_dict_free(&codecOptions);
    if (r < 0) return fail("Movie encoder could not be opened", r);

    stream_ = ffmpeg().avformat_new_stream(container_, nullptr);
    if (!stream_) return fail("Can't create track");
    r = ffmpeg().avcodec_parameters_from_context(stream_->codecpar, encoder_);
    if (r < 0) return fail("Can't create media", r);
    stream_->time_base = encoder_->time_base;
    stream_->avg_frame_rate = rate;

    input_ = ffmpeg().av_frame_alloc();
    packet_ = ffmpeg().av_packet_alloc();
    if (!input_ || !packet_) return fail("Movie frame", AVERROR(ENOMEM));
    input_->format = format_->input;
    input_->width = codedWidth_;
    input_->height = codedHeight_;
    r = ffmpeg().av_frame_get_buffer(input_, 0);
    if (r < 0) return fail("Movie frame", r);
    frame_.assign(std::size_t(codedWidth_) * std::size_t(codedHeight_), 0);
    if (format_->input == AV_PIX_FMT_YUV420P) {
        scaler_ = ffmpeg().sws_getContext(codedWidth_, codedHeight_, AV_PIX_FMT_BGR0, codedWidth_,
                                          codedHeight_, AV_PIX_FMT_YUV420P,
                                          SWS_BICUBIC | SWS_ACCURATE_RND | SWS_BITEXACT, nullptr,
                                          nullptr, nullptr);
        if (!scaler_) return fail("Movie frame", AVERROR(EINVAL));
    } else {
        indices_.resize(frame_.size());
    }

    r = ffmpeg().avio_open(&container_->pb, container_->url, AVIO_FLAG_WRITE);
    if (r < 0) return failFile(r);
    AVDictionary* muxOptions = nullptr;
    if (format_->container == MovieContainer::Mp4)
        ffmpeg().av_dict_set(&muxOptions, "movflags", "+faststart", 0);
    r = ffmpeg().avformat_write_header(container_, &muxOptions);
    ffmpeg().av_dict_free(&muxOptions);
    if (r < 0) return failFile(r);
    open_ = true;
    return true;
}

bool SharedMovieWriter::fillInput(const DibImage& image) {
    // Parts of the coded picture the image does not cover repeat its last
    // row and column.
    const bool usable = image.hasData() && image.bitsPerPixel() == 32;
    for (int y = 0; y < codedHeight_; ++y)
        for (int x = 0; x < codedWidth_; ++x) {
            const int sy = std::min({y, height_ - 1, usable ? image.height() - 1 : -1});
            const int sx = std::min({x, width_ - 1, usable ? image.width() - 1 : -1});
            frame_[std::size_t(y) * std::size_t(codedWidth_) + std::size_t(x)] =
                sx < 0 || sy < 0 ? 0 : image.row(sy)[sx] & 0xFFFFFF;
        }
    int r = ffmpeg().av_frame_make_writable(input_);
    if (r < 0) return fail("Compress Error", r);
    if (scaler_) {
        const std::uint8_t* src[1] = {reinterpret_cast<const std::uint8_t*>(frame_.data())};
        const int stride[1] = {codedWidth_ * 4};
        r = ffmpeg().sws_scale(scaler_, src, stride, 0, codedHeight_, input_->data,
                               input_->linesize);
        if (r < 0) return fail("Compress Error", r);
    } else {
        // A frame of up to 256 colours keeps them exactly; the encoder writes a
        // frame's own table where it differs from the first frame's.
        if (!grey_) {
            palette_ = framePalette(frame_);
            NearestColour nearest(palette_);
            reduceToTable(frame_, codedWidth_, dither_, nearest, indices_);
        } else {
            reduceToGreyRamp(frame_, indices_);
        }
        const ColourTable& table = grey_ ? greyRampTable() : palette_;
        for (int y = 0; y < codedHeight_; ++y)
            std::memcpy(input_->data[0] + std::ptrdiff_t(y) * input_->linesize[0],
                        &indices_[std::size_t(y) * std::size_t(codedWidth_)],
                        std::size_t(codedWidth_));
        auto* palette = reinterpret_cast<std::uint32_t*>(input_->data[1]);
        for (int k = 0; k < 256; ++k)
            palette[k] = 0xFF000000u | table[std::size_t(k)];
    }
    input_->pts = frames_;
    return true;
}

bool SharedMovieWriter::encode(const AVFrame* frame) {
    int r = ffmpeg().avcodec_send_frame(encoder_, frame);
    if (r < 0) return fail("Compress Error", r);
    while (true) {
        r = ffmpeg().avcodec_receive_packet(encoder_, packet_);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
        if (r < 0) return fail("Compress Error", r);
        packet_->duration = 1;
        ffmpeg().av_packet_rescale_ts(packet_, encoder_->time_base, stream_->time_base);
        packet_->stream_index = stream_->index;
        r = ffmpeg().av_interleaved_write_frame(container_, packet_);
        if (r < 0) return fail("AddMediaSample Error", r);
        ++samples_;
    }
}

int SharedMovieWriter::addFrame(const DibImage& image) {
    if (!open_) return 1;
    if (failed_) return 0;
    if (!fillInput(image) || !encode(input_)) {
        failed_ = true;
        return 0;
    }
    ++frames_;
    return 1;
}

void SharedMovieWriter::finish() {
    if (!open_) return;
    open_ = false;
    // H.264 and VP9 hold frames back; drain them before the index is written.
    if (!failed_ && frames_ > 0) encode(nullptr);
    completeFile();
}

void SharedMovieWriter::close() {
    releaseFile();
    ffmpeg().avcodec_free_context(&encoder_);
    ffmpeg().sws_freeContext(scaler_);
    scaler_ = nullptr;
    ffmpeg().av_frame_free(&input_);
    ffmpeg().av_packet_free(&packet_);
    frame_ = {};
    indices_ = {};
    format_ = nullptr;
    frames_ = 0;
}

} // namespace

std::unique_ptr<MovieWriter> makeSharedMovieWriter() {
    return std::make_unique<SharedMovieWriter>();
}

} // namespace trevalin
