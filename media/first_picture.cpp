#include "media/first_picture.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include <memory>

namespace velmora {
namespace {

struct ContextDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct ParserDeleter {
    void operator()(AVCodecParserContext* p) const { av_parser_close(p); }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct ScalerDeleter {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};

using Context = std::unique_ptr<AVCodecContext, ContextDeleter>;
using Parser = std::unique_ptr<AVCodecParserContext, ParserDeleter>;
using Frame = std::unique_ptr<AVFrame, FrameDeleter>;
using Packet = std::unique_ptr<AVPacket, PacketDeleter>;
using Scaler = std::unique_ptr<SwsContext, ScalerDeleter>;

// Splits the stream into pictures with the parser and decodes them until the
// decoder hands out its first frame.
class FirstPictureDecoder {
  public:
    explicit FirstPictureDecoder(AVCodecID id) {
        const AVCodec* codec = avcodec_find_decoder(id);
        if (codec == nullptr) {
            failure_ = "libavcodec has no decoder for this stream";
            return;
        }
        context_ = Context(avcodec_alloc_context3(codec));
        parser_ = Parser(av_parser_init(codec->id));
        frame_ = Frame(av_frame_alloc());
        packet_ = Packet(av_packet_alloc());
        if (!context_ || !parser_ || !frame_ || !packet_) {
            failure_ = "cannot set up the video decoder";
        } else if (avcodec_open2(context_.get(), codec, nullptr) < 0) {
            failure_ = "cannot open the video decoder";
        }
    }

    [[nodiscard]] const std::string& failure() const { return failure_; }

    [[nodiscard]] const AVFrame* decode(std::span<const std::uint8_t> stream) {
        if (!failure_.empty()) return nullptr;
        // The parser may read a little past the data it is given.
        std::vector<std::uint8_t> padded(stream.begin(), stream.end());
        padded.resize(stream.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
        std::size_t done = 0;
        while (done < stream.size()) {
            const auto left = static_cast<int>(stream.size() - done);
            const Step step = parse(padded.data() + done, left);
            if (step.gotFrame) return frame_.get();
            if (step.used < 0) return nullptr;
            done += static_cast<std::size_t>(step.used);
        }
        // Whatever the parser still holds, then whatever the decoder still holds.
        if (parse(nullptr, 0).gotFrame) return frame_.get();
        avcodec_send_packet(context_.get(), nullptr);
        if (avcodec_receive_frame(context_.get(), frame_.get()) == 0) return frame_.get();
        return nullptr;
    }

  private:
    struct Step {
        int used = 0;  // negative: the stream cannot be parsed
        bool gotFrame = false;
    };

    // Feeds data to the parser and decodes the picture it completes, if any.
    [[nodiscard]] Step parse(const std::uint8_t* data, int size) {
        std::uint8_t* out = nullptr;
        int outSize = 0;
        const int used = av_parser_parse2(parser_.get(), context_.get(), &out, &outSize, data, size,
                                          AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
        if (used < 0 || (size > 0 && used == 0 && outSize == 0)) {
            failure_ = "the video stream cannot be parsed";
            return {-1, false};
        }
        if (outSize == 0) return {used, false};
        packet_->data = out;
        packet_->size = outSize;
        // A damaged picture is refused here; a later one may still decode.
        if (avcodec_send_packet(context_.get(), packet_.get()) < 0) return {used, false};
        return {used, avcodec_receive_frame(context_.get(), frame_.get()) == 0};
    }

    std::string failure_;
    Context context_;
    Parser parser_;
    Frame frame_;
    Packet packet_;
};

[[nodiscard]] std::optional<BgrPicture> toBgr(const AVFrame& frame) {
    const auto format = static_cast<AVPixelFormat>(frame.format);
    Scaler scaler(sws_getContext(frame.width, frame.height, format, frame.width, frame.height,
                                 AV_PIX_FMT_BGR24, SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr,
                                 nullptr));
    if (!scaler) return std::nullopt;
    BgrPicture picture;
    picture.width = frame.width;
    picture.height = frame.height;
    picture.pixels.resize(static_cast<std::size_t>(frame.width) *
                          static_cast<std::size_t>(frame.height) * 3);
    std::uint8_t* planes[1] = {picture.pixels.data()};
    const int strides[1] = {frame.width * 3};
    sws_scale(scaler.get(), frame.data, frame.linesize, 0, frame.height, planes, strides);
    return picture;
}

}  // namespace

FirstPicture decodeFirstPicture(std::span<const std::uint8_t> stream, VideoCodec codec) {
    av_log_set_level(AV_LOG_FATAL);
    const bool mpeg2 = codec == VideoCodec::Mpeg2;
    FirstPictureDecoder decoder(mpeg2 ? AV_CODEC_ID_MPEG2VIDEO : AV_CODEC_ID_MPEG4);
    const AVFrame* frame = decoder.decode(stream);
    if (!decoder.failure().empty()) return {std::nullopt, decoder.failure()};
    if (frame == nullptr || frame->width < 1 || frame->height < 1) {
        return {std::nullopt, std::string("the stream holds no ") + (mpeg2 ? "MPEG-2" : "MPEG-4") +
                                  " picture that can be decoded"};
    }
    std::optional<BgrPicture> picture = toBgr(*frame);
    if (!picture) return {std::nullopt, "cannot convert the decoded picture to RGB"};
    return {std::move(picture), {}};
}

}  // namespace velmora
