// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/stream_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
}

#include <vector>

#include "media/av_handles.h"

namespace velmora {

struct StreamDecoder::Parts {
    CodecContextHandle context;
    ParserHandle parser;
    FrameHandle frame;
    PacketHandle packet;
};

StreamDecoder::StreamDecoder(VideoCodec codec) : parts_(std::make_unique<Parts>()) {
    const AVCodec* decoder = avcodec_find_decoder(
        codec == VideoCodec::Mpeg2 ? AV_CODEC_ID_MPEG2VIDEO : AV_CODEC_ID_MPEG4);
    if (decoder == nullptr) {
        failure_ = "libavcodec has no decoder for this stream";
        return;
    }
    parts_->context.reset(avcodec_alloc_context3(decoder));
    parts_->parser.reset(av_parser_init(decoder->id));
    parts_->frame.reset(av_frame_alloc());
    parts_->packet.reset(av_packet_alloc());
    if (!parts_->context || !parts_->parser || !parts_->frame || !parts_->packet) {
        failure_ = "cannot set up the video decoder";
    } else if (avcodec_open2(parts_->context.get(), decoder, nullptr) < 0) {
        failure_ = "cannot open the video decoder";
    }
}

StreamDecoder::~StreamDecoder() = default;

void StreamDecoder::decode(std::span<const std::uint8_t> stream,
                           const std::function<bool(const AVFrame&)>& picture) {
    if (!failure_.empty()) return;
    picture_ = &picture;
    stopped_ = false;
    // The parser may read a little past the data it is given.
    std::vector<std::uint8_t> padded(stream.begin(), stream.end());
    padded.resize(stream.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    std::size_t done = 0;
    while (done < stream.size() && !stopped_) {
        int used = 0;
        if (!parse(padded.data() + done, static_cast<int>(stream.size() - done), used)) break;
        done += static_cast<std::size_t>(used);
    }
    // Whatever the parser still holds, then whatever the decoder still holds.
    int used = 0;
    if (!stopped_) (void)parse(nullptr, 0, used);
    if (!stopped_) {
        avcodec_send_packet(parts_->context.get(), nullptr);
        (void)receive();
    }
    picture_ = nullptr;
}

bool StreamDecoder::parse(const std::uint8_t* data, int size, int& used) {
    std::uint8_t* out = nullptr;
    int outSize = 0;
    used = av_parser_parse2(parts_->parser.get(), parts_->context.get(), &out, &outSize, data, size,
                            AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
    if (used < 0 || (size > 0 && used == 0 && outSize == 0)) {
        failure_ = "the video stream cannot be parsed";
        return false;
    }
    if (outSize == 0) return true;
    parts_->packet->data = out;
    parts_->packet->size = outSize;
    // A damaged picture is refused here; a later one may still decode.
    if (avcodec_send_packet(parts_->context.get(), parts_->packet.get()) == 0) (void)receive();
    return true;
}

bool StreamDecoder::receive() {
    while (!stopped_ && avcodec_receive_frame(parts_->context.get(), parts_->frame.get()) == 0) {
        stopped_ = !(*picture_)(*parts_->frame);
        av_frame_unref(parts_->frame.get());
    }
    return !stopped_;
}

DecodedPictures countDecodedPictures(std::span<const std::uint8_t> stream, VideoCodec codec) {
    av_log_set_level(AV_LOG_QUIET);
    DecodedPictures decoded;
    StreamDecoder decoder(codec);
    decoder.decode(stream, [&](const AVFrame& frame) {
        if (decoded.count++ == 0) {
            decoded.width = frame.width;
            decoded.height = frame.height;
        }
        return true;
    });
    return decoded;
}

}  // namespace velmora
