#include "rewrite/stream_decoding.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
}

#include <memory>
#include <vector>

#include "catalogue/picture_table.h"

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

class Decoder {
  public:
    explicit Decoder(AVCodecID id) {
        const AVCodec* codec = avcodec_find_decoder(id);
        if (codec == nullptr) return;
        context_.reset(avcodec_alloc_context3(codec));
        parser_.reset(av_parser_init(codec->id));
        frame_.reset(av_frame_alloc());
        packet_.reset(av_packet_alloc());
        if (!context_ || !parser_ || !frame_ || !packet_) return;
        ready_ = avcodec_open2(context_.get(), codec, nullptr) == 0;
    }

    DecodedPictures decode(std::span<const std::uint8_t> stream) {
        if (!ready_) return result_;
        // The parser may read a little past the data it is given.
        std::vector<std::uint8_t> padded(stream.begin(), stream.end());
        padded.resize(stream.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
        std::size_t done = 0;
        while (done < stream.size()) {
            const int used = parse(padded.data() + done, static_cast<int>(stream.size() - done));
            if (used <= 0) break;
            done += static_cast<std::size_t>(used);
        }
        (void)parse(nullptr, 0);
        avcodec_send_packet(context_.get(), nullptr);
        receive();
        return result_;
    }

  private:
    int parse(const std::uint8_t* data, int size) {
        std::uint8_t* out = nullptr;
        int outSize = 0;
        const int used = av_parser_parse2(parser_.get(), context_.get(), &out, &outSize, data, size,
                                          AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
        if (outSize > 0) {
            packet_->data = out;
            packet_->size = outSize;
            if (avcodec_send_packet(context_.get(), packet_.get()) == 0) receive();
        }
        return used;
    }

    void receive() {
        while (avcodec_receive_frame(context_.get(), frame_.get()) == 0) {
            if (result_.count++ == 0) {
                result_.width = frame_->width;
                result_.height = frame_->height;
            }
            av_frame_unref(frame_.get());
        }
    }

    std::unique_ptr<AVCodecContext, ContextDeleter> context_;
    std::unique_ptr<AVCodecParserContext, ParserDeleter> parser_;
    std::unique_ptr<AVFrame, FrameDeleter> frame_;
    std::unique_ptr<AVPacket, PacketDeleter> packet_;
    bool ready_ = false;
    DecodedPictures result_;
};

}  // namespace

DecodedPictures decodeStream(std::span<const std::uint8_t> stream, int kind) {
    av_log_set_level(AV_LOG_QUIET);
    Decoder decoder(kind == kKindMpeg2 ? AV_CODEC_ID_MPEG2VIDEO : AV_CODEC_ID_MPEG4);
    return decoder.decode(stream);
}

}  // namespace velmora
