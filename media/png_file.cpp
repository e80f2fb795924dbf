// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/png_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include "media/av_handles.h"

namespace velmora {

std::optional<std::vector<std::uint8_t>> encodePng(const BgrPicture& picture) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_PNG);
    if (codec == nullptr || picture.width <= 0 || picture.height <= 0) return std::nullopt;
    CodecContextHandle context(avcodec_alloc_context3(codec));
    FrameHandle frame(av_frame_alloc());
    PacketHandle packet(av_packet_alloc());
    if (!context || !frame || !packet) return std::nullopt;
    context->width = picture.width;
    context->height = picture.height;
    context->pix_fmt = AV_PIX_FMT_RGB24;
    context->time_base = AVRational{1, 25};
    if (avcodec_open2(context.get(), codec, nullptr) < 0) return std::nullopt;

    frame->width = picture.width;
    frame->height = picture.height;
    frame->format = AV_PIX_FMT_RGB24;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return std::nullopt;
    const auto width = static_cast<std::size_t>(picture.width);
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* from = picture.pixels.data() + static_cast<std::size_t>(y) * width * 3;
        std::uint8_t* to = frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0];
        for (std::size_t x = 0; x < width; ++x) {  // blue, green, red to red, green, blue
            to[x * 3] = from[x * 3 + 2];
            to[x * 3 + 1] = from[x * 3 + 1];
            to[x * 3 + 2] = from[x * 3];
        }
    }
    if (avcodec_send_frame(context.get(), frame.get()) < 0) return std::nullopt;
    if (avcodec_send_frame(context.get(), nullptr) < 0) return std::nullopt;
    std::vector<std::uint8_t> png;
    while (avcodec_receive_packet(context.get(), packet.get()) == 0) {
        png.insert(png.end(), packet->data, packet->data + packet->size);
        av_packet_unref(packet.get());
    }
    if (png.empty()) return std::nullopt;
    return png;
}

}  // namespace velmora
