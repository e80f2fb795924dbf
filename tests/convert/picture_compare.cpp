// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/convert/picture_compare.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <fstream>
#include <limits>
#include <memory>

#include "media/av_handles.h"

namespace velmora::testing {
namespace {

struct ScaleFree {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};

RgbPicture toRgb(const AVFrame& frame) {
    RgbPicture picture{frame.width, frame.height,
                       std::vector<std::uint8_t>(static_cast<std::size_t>(frame.width) *
                                                 static_cast<std::size_t>(frame.height) * 3)};
    std::unique_ptr<SwsContext, ScaleFree> scale(sws_getContext(
        frame.width, frame.height, static_cast<AVPixelFormat>(frame.format), frame.width,
        frame.height, AV_PIX_FMT_RGB24, SWS_BICUBIC, nullptr, nullptr, nullptr));
    std::uint8_t* planes[1] = {picture.rgb.data()};
    const int strides[1] = {frame.width * 3};
    sws_scale(scale.get(), frame.data, frame.linesize, 0, frame.height, planes, strides);
    return picture;
}

}  // namespace

std::optional<RgbPicture> decodeFirstPicture(const std::vector<std::uint8_t>& stream,
                                             VideoCodec codec) {
    const AVCodecID id = codec == VideoCodec::Mpeg2 ? AV_CODEC_ID_MPEG2VIDEO : AV_CODEC_ID_MPEG4;
    const AVCodec* decoder = avcodec_find_decoder(id);
    if (decoder == nullptr) return std::nullopt;
    CodecContextHandle context(avcodec_alloc_context3(decoder));
    ParserHandle parser(av_parser_init(id));
    if (!context || !parser || avcodec_open2(context.get(), decoder, nullptr) < 0)
        return std::nullopt;
    FrameHandle frame(av_frame_alloc());
    PacketHandle packet(av_packet_alloc());

    // The parser wants padding after the data.
    std::vector<std::uint8_t> data(stream);
    data.resize(stream.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    const std::uint8_t* at = data.data();
    int left = static_cast<int>(stream.size());
    auto receive = [&]() -> bool { return avcodec_receive_frame(context.get(), frame.get()) == 0; };
    // An empty input at the end flushes the parser, then the decoder.
    for (bool flushing = false;;) {
        std::uint8_t* out = nullptr;
        int outSize = 0;
        const int used = av_parser_parse2(parser.get(), context.get(), &out, &outSize, at, left,
                                          AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
        if (used < 0) return std::nullopt;
        at += used;
        left -= used;
        if (outSize > 0) {
            packet->data = out;
            packet->size = outSize;
            if (avcodec_send_packet(context.get(), packet.get()) < 0) return std::nullopt;
            if (receive()) return toRgb(*frame);
        }
        if (flushing) break;
        if (left == 0) flushing = true;
    }
    avcodec_send_packet(context.get(), nullptr);
    if (receive()) return toRgb(*frame);
    return std::nullopt;
}

std::optional<RgbPicture> readPpm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxValue = 0;
    RgbPicture picture;
    in >> magic >> picture.width >> picture.height >> maxValue;
    if (!in || magic != "P6" || maxValue != 255 || picture.width <= 0 || picture.height <= 0)
        return std::nullopt;
    in.get();  // the one blank after the header
    picture.rgb.resize(static_cast<std::size_t>(picture.width) *
                       static_cast<std::size_t>(picture.height) * 3);
    in.read(reinterpret_cast<char*>(picture.rgb.data()),
            static_cast<std::streamsize>(picture.rgb.size()));
    if (!in) return std::nullopt;
    return picture;
}

double psnr(const RgbPicture& a, const RgbPicture& b) {
    if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size() || a.rgb.empty())
        return 0.0;
    double sum = 0.0;
    for (std::size_t i = 0; i < a.rgb.size(); ++i) {
        const double d = static_cast<double>(a.rgb[i]) - static_cast<double>(b.rgb[i]);
        sum += d * d;
    }
    const double mse = sum / static_cast<double>(a.rgb.size());
    if (mse == 0.0) return std::numeric_limits<double>::infinity();
    return 10.0 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace velmora::testing
