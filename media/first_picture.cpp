// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/first_picture.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include <memory>

namespace velmora {
namespace {

struct ScalerDeleter {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};

using Scaler = std::unique_ptr<SwsContext, ScalerDeleter>;

[[nodiscard]] std::optional<BgrPicture> toBgr(const AVFrame& frame) {
    const auto format = static_cast<AVPixelFormat>(frame.format);
    Scaler scaler(sws_getContext(frame.width, frame.height, format, frame.width, frame.height,
                                 AV_PIX_FMT_BGR24, SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr,
                                 nullptr));
    if (!scaler) return std::nullopt;
    BgrPicture picture;
    picture.width = frame.width;
    picture.height = frame.height;
    picture.aspectNum = frame.sample_aspect_ratio.num;
    picture.aspectDen = frame.sample_aspect_ratio.den;
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
    StreamDecoder decoder(codec);
    bool decoded = false;
    std::optional<BgrPicture> picture;
    decoder.decode(stream, [&](const AVFrame& frame) {
        decoded = frame.width >= 1 && frame.height >= 1;
        if (decoded) picture = toBgr(frame);
        return false;  // the first picture is all the preview shows
    });
    if (!decoder.failure().empty()) return {std::nullopt, decoder.failure()};
    if (!decoded) {
        return {std::nullopt, std::string("the stream holds no ") + (mpeg2 ? "MPEG-2" : "MPEG-4") +
                                  " picture that can be decoded"};
    }
    if (!picture) return {std::nullopt, "cannot convert the decoded picture to RGB"};
    return {std::move(picture), {}};
}

}  // namespace velmora
