// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/xvid_encraw/xvid_encoder.h"

#include <xvid.h>

#include <string>

#include "tools/common/tool_main.h"

namespace velmora::tools {
namespace {

// Owns one Xvid encoder instance.
class XvidInstance {
  public:
    explicit XvidInstance(xvid_enc_create_t& create) {
        if (xvid_encore(nullptr, XVID_ENC_CREATE, &create, nullptr) != 0 ||
            create.handle == nullptr) {
            throw ToolError("the Xvid encoder cannot be created for " +
                            std::to_string(create.width) + " x " + std::to_string(create.height));
        }
        handle_ = create.handle;
    }
    ~XvidInstance() { xvid_encore(handle_, XVID_ENC_DESTROY, nullptr, nullptr); }
    XvidInstance(const XvidInstance&) = delete;
    XvidInstance& operator=(const XvidInstance&) = delete;

    [[nodiscard]] void* handle() const { return handle_; }

  private:
    void* handle_ = nullptr;
};

void initialiseXvid() {
    xvid_gbl_init_t init{};
    init.version = XVID_VERSION;
    if (xvid_global(nullptr, XVID_GBL_INIT, &init, nullptr) < 0) {
        throw ToolError("the Xvid library cannot be initialised");
    }
}

}  // namespace

std::size_t yuv420FrameSize(int width, int height) {
    const auto w = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(height);
    return w * h + 2 * ((w + 1) / 2) * ((h + 1) / 2);
}

std::vector<std::uint8_t> encodeIntraFrame(std::span<const std::uint8_t> yuv,
                                           const EncoderOptions& options) {
    const std::size_t frameSize = yuv420FrameSize(options.width, options.height);
    if (yuv.size() < frameSize) {
        throw ToolError(options.input + " holds " + std::to_string(yuv.size()) +
                        " bytes, less than one " + std::to_string(options.width) + " x " +
                        std::to_string(options.height) + " YUV 4:2:0 frame (" +
                        std::to_string(frameSize) + " bytes)");
    }
    initialiseXvid();

    xvid_plugin_lumimasking_t masking{};
    masking.version = XVID_VERSION;
    masking.method = 0;  // luminance masking
    xvid_enc_plugin_t plugins[1] = {{xvid_plugin_lumimasking, &masking}};

    const FrameTiming timing = frameTimingFor(options.frameRate);
    xvid_enc_create_t create{};
    create.version = XVID_VERSION;
    create.profile = XVID_PROFILE_AS_L4;
    create.width = options.width;
    create.height = options.height;
    create.num_plugins = options.lumiMasking ? 1 : 0;
    create.plugins = options.lumiMasking ? plugins : nullptr;
    create.num_threads = 1;
    create.max_bframes = 0;
    create.fincr = timing.increment;
    create.fbase = timing.base;
    create.max_key_interval = 1;
    XvidInstance encoder(create);

    const auto width = static_cast<std::size_t>(options.width);
    const auto height = static_cast<std::size_t>(options.height);
    const std::size_t chromaWidth = (width + 1) / 2;
    const std::size_t chromaSize = chromaWidth * ((height + 1) / 2);
    // Xvid reads the planes through non-const pointers but does not write them.
    auto* luma = const_cast<std::uint8_t*>(yuv.data());

    std::vector<std::uint8_t> stream(frameSize * 2 + 4096);
    xvid_enc_frame_t frame{};
    frame.version = XVID_VERSION;
    frame.vol_flags = options.mpegQuantizer ? XVID_VOL_MPEGQUANT : 0;
    frame.vop_flags = XVID_VOP_HALFPEL | XVID_VOP_HQACPRED;
    frame.input.csp = XVID_CSP_PLANAR;
    frame.input.plane[0] = luma;
    frame.input.plane[1] = luma + width * height;
    frame.input.plane[2] = luma + width * height + chromaSize;
    frame.input.stride[0] = options.width;
    frame.input.stride[1] = static_cast<int>(chromaWidth);
    frame.input.stride[2] = static_cast<int>(chromaWidth);
    frame.type = XVID_TYPE_IVOP;
    frame.quant = options.quantizer;
    frame.bitstream = stream.data();
    frame.length = static_cast<int>(stream.size());

    const int written = xvid_encore(encoder.handle(), XVID_ENC_ENCODE, &frame, nullptr);
    if (written <= 0) {
        throw ToolError("the Xvid encoder failed on the frame (code " + std::to_string(written) +
                        ")");
    }
    stream.resize(static_cast<std::size_t>(written));
    return stream;
}

}  // namespace velmora::tools
