// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/picture_encode.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <array>
#include <cmath>

#include "media/av_handles.h"

namespace velmora {
namespace {

AVRational frameRateOf(int code) {
    static constexpr std::array<AVRational, 9> rates{{{25, 1},
                                                      {24000, 1001},
                                                      {24, 1},
                                                      {25, 1},
                                                      {30000, 1001},
                                                      {30, 1},
                                                      {50, 1},
                                                      {60000, 1001},
                                                      {60, 1}}};
    return code >= 1 && code <= 8 ? rates[static_cast<std::size_t>(code)] : rates[0];
}

// Appends bits, most significant first.
class BitWriter {
  public:
    void put(int count, std::uint32_t value) {
        for (int i = count - 1; i >= 0; --i) {
            if (bit_ == 0) bytes_.push_back(0);
            if ((value >> i) & 1u)
                bytes_.back() = static_cast<std::uint8_t>(bytes_.back() | (0x80u >> bit_));
            bit_ = (bit_ + 1) % 8;
        }
    }
    // MPEG-4 stuffing: a 0 and then 1s up to the byte boundary (a whole byte
    // 0x7F when already aligned).
    void stuff() {
        put(1, 0);
        while (bit_ != 0) put(1, 1);
    }
    [[nodiscard]] std::vector<std::uint8_t>& bytes() { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
    int bit_ = 0;
};

// The new layer: the old layer's fields up to the coding tools as they stand,
// then the tools the new picture was encoded with, in the old layer's syntax.
std::vector<std::uint8_t> layerFor(const Mpeg4StreamParameters& old, const VolFields& made) {
    const VolFields& was = old.fields;
    BitWriter out;
    for (int i = 0; i < was.interlacedBit; ++i)
        out.put(1, readBits(old.vol, static_cast<std::size_t>(i), 1));
    out.put(1, made.interlaced ? 1 : 0);
    out.put(1, 1);                       // obmc disabled
    out.put(was.verid == 1 ? 1 : 2, 0);  // no sprite
    out.put(1, 0);                       // 8 bits
    out.put(1, static_cast<std::uint32_t>(made.quantType));
    if (made.quantType == 1) out.put(2, 0);  // standard matrices
    if (was.verid != 1) out.put(1, 0);       // no quarter sample
    out.put(1, 1);                           // no complexity estimation
    out.put(1, made.resyncMarkerDisable ? 1 : 0);
    out.put(1, 0);                      // not partitioned
    if (was.verid != 1) out.put(2, 0);  // no newpred, no reduced resolution
    out.put(1, 0);                      // no scalability
    out.stuff();
    return std::move(out.bytes());
}

std::optional<std::vector<std::uint8_t>> mpeg4StreamOf(std::span<const std::uint8_t> encoded,
                                                       const Mpeg4StreamParameters& old) {
    const std::optional<Mpeg4StreamParameters> made = readMpeg4Parameters(encoded);
    const std::optional<std::size_t> vop = findStartCode(encoded, 0, 0xB6);
    if (!made || !vop) return std::nullopt;
    std::vector<std::uint8_t> stream{0x00, 0x00, 0x01, old.objectCode};
    const bool keepLayer =
        old.fields.readable && made->fields.readable && made->fields.width == old.fields.width &&
        made->fields.height == old.fields.height &&
        made->fields.timeIncrementResolution == old.fields.timeIncrementResolution;
    const std::vector<std::uint8_t> layer = keepLayer ? layerFor(old, made->fields) : made->vol;
    stream.insert(stream.end(), layer.begin(), layer.end());
    // A group of VOPs header only when the old picture had one; user data
    // (00 00 01 B2) never.
    if (old.hasGroupOfVops) {
        if (const auto gov = findStartCode(encoded, 0, 0xB3); gov && *gov < *vop)
            stream.insert(
                stream.end(), encoded.begin() + static_cast<std::ptrdiff_t>(*gov),
                encoded.begin() + static_cast<std::ptrdiff_t>(nextStartCode(encoded, *gov + 4)));
    }
    // The analysis reads the header in 2-byte units up to the picture's start
    // code: that code must start at an even offset, else a zero byte in front
    // of it (which a decoder skips as it looks for 00 00 01) puts it there.
    if (stream.size() % 2 != 0) stream.push_back(0x00);
    stream.insert(stream.end(), encoded.begin() + static_cast<std::ptrdiff_t>(*vop), encoded.end());
    return stream;
}

// The declarations of the old sequence written over the new one's: what the
// player was set up for. The coding itself (chroma format, progressive flags,
// size) is the encoder's, made to match.
std::optional<std::vector<std::uint8_t>> mpeg2StreamOf(std::span<const std::uint8_t> encoded,
                                                       const Mpeg2StreamParameters& old) {
    std::vector<std::uint8_t> stream(encoded.begin(), encoded.end());
    if (findStartCode(stream, 0, 0xB3) != std::size_t{0}) return std::nullopt;
    const std::span<std::uint8_t> bytes(stream);
    writeBits(bytes, 56, 4, static_cast<std::uint32_t>(old.aspectCode));
    writeBits(bytes, 60, 4, static_cast<std::uint32_t>(old.frameRateCode));
    writeBits(bytes, 64, 18, old.bitRateValue);
    writeBits(bytes, 83, 10, static_cast<std::uint32_t>(old.vbvValue));
    writeBits(bytes, 93, 1, old.constrained ? 1 : 0);
    const std::size_t picture = findStartCode(stream, 4, 0x00).value_or(stream.size());
    if (const auto ext = findStartCode(stream, 4, 0xB5);
        ext && *ext < picture && old.hasExtension) {
        const std::size_t bit = (*ext + 4) * 8;
        writeBits(bytes, bit + 4, 8, static_cast<std::uint32_t>(old.profileLevel));
        // An interlaced sequence may hold a progressive picture, coded as ours.
        writeBits(bytes, bit + 12, 1, old.progressiveSequence ? 1 : 0);
        writeBits(bytes, bit + 19, 12, static_cast<std::uint32_t>(old.bitRateExtension));
        writeBits(bytes, bit + 32, 8, static_cast<std::uint32_t>(old.vbvExtension));
        writeBits(bytes, bit + 40, 1, old.lowDelay ? 1 : 0);
        writeBits(bytes, bit + 41, 7, static_cast<std::uint32_t>(old.frameRateExtension));
    }
    if (const auto coding = findStartCode(stream, picture, 0xB5); coding && old.hasExtension) {
        const std::size_t bit = (*coding + 4) * 8;
        if (readBits(stream, bit, 4) == 8) writeBits(bytes, bit + 24, 1, old.topFieldFirst ? 1 : 0);
    }
    const std::array<std::uint8_t, 4> end{0x00, 0x00, 0x01, 0xB7};
    if (stream.size() < 4 || !std::equal(end.begin(), end.end(), stream.end() - 4))
        stream.insert(stream.end(), end.begin(), end.end());
    return stream;
}

// The standard's default intra matrix, row by row.
constexpr std::array<std::uint8_t, 64> kDefaultIntraMatrix = {
    8,  16, 19, 22, 26, 27, 29, 34, 16, 16, 22, 24, 27, 29, 34, 37, 19, 22, 26, 27, 29, 34,
    34, 38, 22, 22, 26, 27, 29, 34, 37, 40, 22, 26, 27, 29, 32, 35, 40, 48, 26, 27, 29, 32,
    35, 40, 48, 58, 26, 27, 29, 34, 38, 46, 56, 69, 27, 29, 35, 38, 46, 56, 69, 83};

// A fractional quantiser q as a whole one and the default matrix scaled by
// what is left: the steps (quantiser times matrix entry) are those of q. The
// whole quantiser is q's whole part: the encoder's decisions follow it, and
// at a smaller one with a larger matrix it loses up to 0.5 dB (measured).
bool useScaledMatrix(AVCodecContext* c, double q) {
    const int whole = std::max(1, static_cast<int>(std::floor(q + 1e-9)));
    auto* matrix = static_cast<std::uint16_t*>(av_malloc(64 * sizeof(std::uint16_t)));
    if (matrix == nullptr) return false;
    for (std::size_t i = 0; i < 64; ++i) {
        const long entry = std::lround(kDefaultIntraMatrix[i] * q / whole);
        matrix[i] = static_cast<std::uint16_t>(std::clamp(entry, 1L, 255L));
    }
    matrix[0] = 8;             // not used for the DC term
    c->intra_matrix = matrix;  // the context frees it
    c->qmin = whole;
    c->qmax = whole;
    return true;
}

void setOption(AVCodecContext* context, const char* name, std::int64_t value) {
    (void)av_opt_set_int(context, name, value, AV_OPT_SEARCH_CHILDREN);
}

}  // namespace

QuantiserRange macroblockQuantisers(int lambda) {
    const long nearest =
        std::clamp(std::lround(static_cast<double>(lambda) / kLambdaPerQuantiser), 1L, 31L);
    const long finest = std::max(nearest - 2, std::min(nearest, 2L));
    return {static_cast<int>(finest), static_cast<int>(std::min(nearest + 2, 31L))};
}

struct PictureEncoder::Frame {
    FrameHandle frame;
};

std::optional<OldStreamParameters> readOldStreamParameters(std::span<const std::uint8_t> stream,
                                                           bool mpeg2) {
    OldStreamParameters p;
    p.mpeg2 = mpeg2;
    if (mpeg2) {
        const auto sequence = readMpeg2Parameters(stream);
        if (!sequence || sequence->width <= 0 || sequence->height <= 0) return std::nullopt;
        p.sequence = *sequence;
        p.width = sequence->width | ((sequence->sizeExtension >> 2) << 12);
        p.height = sequence->height | ((sequence->sizeExtension & 3) << 12);
        return p;
    }
    const auto layer = readMpeg4Parameters(stream);
    if (!layer || layer->fields.shape != 0 || layer->fields.width <= 0 || layer->fields.height <= 0)
        return std::nullopt;
    p.layer = *layer;
    p.width = layer->fields.width;
    p.height = layer->fields.height;
    return p;
}

PictureEncoder::PictureEncoder(const OldStreamParameters& old, const PreparedPhoto& photo)
    : old_(old), frame_(std::make_unique<Frame>()) {
    const bool chroma422 = old.mpeg2 && old.sequence.chromaFormat == 2;
    const AVPixelFormat format = chroma422 ? AV_PIX_FMT_YUV422P : AV_PIX_FMT_YUV420P;
    frame_->frame.reset(av_frame_alloc());
    AVFrame* f = frame_->frame.get();
    if (f == nullptr) throw PreparationError("out of memory for the picture");
    f->format = format;
    f->width = old.width;
    f->height = old.height;
    if (av_frame_get_buffer(f, 0) < 0) throw PreparationError("out of memory for the picture");
    // The conversion every libavcodec program makes by default: the encoder
    // then starts from the very picture a check of the result converts (the
    // finer rounding differs from it by one step on some 3 % of the samples,
    // which the check counts as coding loss).
    SwsContext* scale = sws_getContext(photo.width, photo.height, AV_PIX_FMT_RGB24, old.width,
                                       old.height, format, SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (scale == nullptr) throw PreparationError("the picture cannot be converted for the encoder");
    const std::uint8_t* source[1] = {photo.rgb.data()};
    const int stride[1] = {photo.width * 3};
    sws_scale(scale, source, stride, 0, photo.height, f->data, f->linesize);
    sws_freeContext(scale);
    if (!old.mpeg2 && old.layer.fields.interlaced) f->interlaced_frame = 1;
    if (old.mpeg2 && !old.sequence.progressiveFrame) {
        f->interlaced_frame = 1;
        f->top_field_first = old.sequence.topFieldFirst ? 1 : 0;
    }
}

PictureEncoder::~PictureEncoder() = default;

std::optional<std::vector<std::uint8_t>> PictureEncoder::encode(
    const EncoderSetting& setting) const {
    return encodeWith(setting, true);
}

std::optional<std::int64_t> PictureEncoder::plainSize(int quantiser) const {
    const std::optional<std::vector<std::uint8_t>> stream =
        encodeWith(EncoderSetting{quantiser, quantiser * kLambdaPerQuantiser}, false);
    if (!stream) return std::nullopt;
    return static_cast<std::int64_t>(stream->size());
}

std::optional<std::int64_t> PictureEncoder::halfSize(const EncoderSetting& setting,
                                                     int parity) const {
    const AVFrame& whole = *frame_->frame;
    int acrossShift = 0;
    int downShift = 0;
    if (av_pix_fmt_get_chroma_sub_sample(static_cast<AVPixelFormat>(whole.format), &acrossShift,
                                         &downShift) < 0)
        return std::nullopt;
    constexpr int kRow = 16;  // one macroblock row
    const int rows = (whole.height + kRow - 1) / kRow;
    const int halfRows = (rows + (parity == 0 ? 1 : 0)) / 2;
    if (halfRows == 0) return std::nullopt;
    FrameHandle half(av_frame_alloc());
    if (!half) return std::nullopt;
    half->format = whole.format;
    half->width = whole.width;
    half->height = halfRows * kRow;
    half->interlaced_frame = whole.interlaced_frame;
    if (av_frame_get_buffer(half.get(), 0) < 0) return std::nullopt;
    for (int plane = 0; plane < 3; ++plane) {
        const int shift = plane == 0 ? 0 : downShift;
        const int lines = kRow >> shift;
        const int width = plane == 0 ? whole.width : AV_CEIL_RSHIFT(whole.width, acrossShift);
        const int lastLine = AV_CEIL_RSHIFT(whole.height, shift) - 1;
        for (int r = 0; r < halfRows; ++r) {
            for (int y = 0; y < lines; ++y) {
                // A part row at the bottom repeats the picture's last line.
                const int from = std::min(((2 * r + parity) * lines) + y, lastLine);
                std::copy_n(
                    whole.data[plane] + static_cast<std::ptrdiff_t>(from) * whole.linesize[plane],
                    width,
                    half->data[plane] +
                        static_cast<std::ptrdiff_t>(r * lines + y) * half->linesize[plane]);
            }
        }
    }
    const std::optional<std::vector<std::uint8_t>> stream = encodeFrame(*half, setting, true);
    if (!stream) return std::nullopt;
    return static_cast<std::int64_t>(stream->size());
}

std::optional<std::vector<std::uint8_t>> PictureEncoder::encodeWith(const EncoderSetting& setting,
                                                                    bool tuned) const {
    std::optional<std::vector<std::uint8_t>> encoded = encodeFrame(*frame_->frame, setting, tuned);
    if (!encoded) return std::nullopt;
    return old_.mpeg2 ? mpeg2StreamOf(*encoded, old_.sequence)
                      : mpeg4StreamOf(*encoded, old_.layer);
}

std::optional<std::vector<std::uint8_t>> PictureEncoder::encodeFrame(const AVFrame& picture,
                                                                     const EncoderSetting& setting,
                                                                     bool tuned) const {
    const bool mpeg1 = old_.mpeg2 && !old_.sequence.hasExtension;
    const AVCodec* codec = avcodec_find_encoder(
        old_.mpeg2 ? (mpeg1 ? AV_CODEC_ID_MPEG1VIDEO : AV_CODEC_ID_MPEG2VIDEO) : AV_CODEC_ID_MPEG4);
    if (codec == nullptr) return std::nullopt;
    CodecContextHandle context(avcodec_alloc_context3(codec));
    if (!context) return std::nullopt;
    AVCodecContext* c = context.get();
    c->width = picture.width;
    c->height = picture.height;
    c->pix_fmt = static_cast<AVPixelFormat>(picture.format);
    if (old_.mpeg2) {
        c->framerate = frameRateOf(old_.sequence.frameRateCode);
        c->time_base = av_inv_q(c->framerate);
        if (!old_.sequence.progressiveFrame) c->flags |= AV_CODEC_FLAG_INTERLACED_DCT;
        // The intra table made for detail saves some 7 % on a detailed photo
        // and costs as much on a smooth one; a finer DC step costs more than it
        // gives (measured).
        if (!mpeg1 && setting.detailTable) setOption(c, "intra_vlc", 1);
    } else {
        const int resolution = old_.layer.fields.timeIncrementResolution;
        c->time_base = AVRational{1, resolution > 0 ? resolution : 25};
        c->framerate = av_inv_q(c->time_base);
        if (old_.layer.fields.interlaced) c->flags |= AV_CODEC_FLAG_INTERLACED_DCT;
        setOption(c, "mpeg_quant", old_.layer.fields.quantType);
    }
    c->gop_size = 0;  // intra only
    c->max_b_frames = 0;
    // MPEG-2 starts a slice on every macroblock row: two threads write the
    // same stream as one, in half the time. MPEG-4 would get resync markers.
    c->thread_count = old_.mpeg2 ? 2 : 1;
    c->thread_type = FF_THREAD_SLICE;
    c->flags |= AV_CODEC_FLAG_BITEXACT;
    if (setting.quantiser == 0 && !old_.mpeg2) {
        // MPEG-4 has no matrix to scale with H.263 quantisation: lambda held
        // fixed (lmin = lmax, no ratio for intra pictures), each macroblock
        // takes the quantiser near lambda's that costs least. The size then
        // follows lambda finely, and at equal bytes the picture is some
        // 0.1-0.2 dB better than at one whole quantiser (measured).
        const QuantiserRange range = macroblockQuantisers(setting.lambda);
        c->qmin = range.finest;
        c->qmax = range.coarsest;
        c->i_quant_factor = 1.0f;
        c->i_quant_offset = 0.0f;
        setOption(c, "lmin", setting.lambda);
        setOption(c, "lmax", setting.lambda);
        (void)av_opt_set(c, "mpv_flags", "+qp_rd", AV_OPT_SEARCH_CHILDREN);
    } else {
        c->flags |= AV_CODEC_FLAG_QSCALE;
        // The quantiser stays as set whatever lambda the decisions use.
        c->global_quality = setting.lambda;
        c->qmin = setting.quantiser;
        c->qmax = setting.quantiser;
        if (setting.quantiser == 0 &&
            !useScaledMatrix(c, static_cast<double>(setting.lambda) / kLambdaPerQuantiser))
            return std::nullopt;
    }
    if (tuned) {
        setOption(c, "trellis", 1);
        setOption(c, "mbd", 2);  // rate-distortion decisions
    }
    if (avcodec_open2(c, codec, nullptr) < 0) return std::nullopt;

    // Tries run side by side on the one picture: each takes a frame of its
    // own over the shared pixels, the quantiser it carries its own.
    FrameHandle frame(av_frame_alloc());
    if (!frame || av_frame_ref(frame.get(), &picture) < 0) return std::nullopt;
    AVFrame* f = frame.get();
    f->pts = 0;
    f->quality = setting.lambda;
    f->pict_type = AV_PICTURE_TYPE_I;
    std::vector<std::uint8_t> encoded;
    PacketHandle packet(av_packet_alloc());
    if (!packet || avcodec_send_frame(c, f) < 0 || avcodec_send_frame(c, nullptr) < 0)
        return std::nullopt;
    while (avcodec_receive_packet(c, packet.get()) == 0) {
        encoded.insert(encoded.end(), packet->data, packet->data + packet->size);
        av_packet_unref(packet.get());
    }
    if (encoded.empty()) return std::nullopt;
    return encoded;
}

}  // namespace velmora
