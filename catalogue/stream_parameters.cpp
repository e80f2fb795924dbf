// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/stream_parameters.h"

#include <array>
#include <cstdio>

namespace velmora {
namespace {

// Bits from a byte offset on, most significant first; bits past the end read as 0.
class Bits {
  public:
    Bits(std::span<const std::uint8_t> bytes, std::size_t from) : bytes_(bytes), from_(from) {}

    [[nodiscard]] std::uint32_t read(int count) {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i, ++at_) {
            const std::size_t byte = from_ + at_ / 8;
            const std::uint32_t bit =
                byte < bytes_.size() ? (bytes_[byte] >> (7 - at_ % 8)) & 1u : 0u;
            value = (value << 1) | bit;
        }
        return value;
    }
    void skip(int count) { at_ += static_cast<std::size_t>(count); }

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t from_;
    std::size_t at_ = 0;
};

// Calls visit(offset, code) for every start code 00 00 01 xx, in order.
template <typename Visit>
void forEachStartCode(std::span<const std::uint8_t> s, Visit visit) {
    for (std::size_t p = 0; p + 4 <= s.size(); ++p) {
        if (s[p] != 0 || s[p + 1] != 0 || s[p + 2] != 1) continue;
        visit(p, s[p + 3]);
        p += 3;
    }
}

std::string chromaName(std::uint32_t code) {
    static constexpr std::array<const char*, 4> names{"reserved", "4:2:0", "4:2:2", "4:4:4"};
    return names[code & 3];
}

void readSequenceHeader(std::span<const std::uint8_t> s, std::size_t at, StreamParameters& p) {
    Bits b(s, at + 4);
    p.width = static_cast<int>(b.read(12));
    p.height = static_cast<int>(b.read(12));
    const std::uint32_t aspect = b.read(4);
    const std::uint32_t rate = b.read(4);
    static constexpr std::array<const char*, 5> aspects{"forbidden", "square pixels", "4:3", "16:9",
                                                        "2.21:1"};
    p.aspectRatio = aspect < aspects.size() ? aspects[aspect] : "code " + std::to_string(aspect);
    static constexpr std::array<double, 9> rates{
        0.0, 24000.0 / 1001, 24.0, 25.0, 30000.0 / 1001, 30.0, 50.0, 60000.0 / 1001, 60.0};
    if (rate > 0 && rate < rates.size()) p.frameRate = rates[rate];
    // Without a sequence extension it is an MPEG-1 stream: 4:2:0, progressive.
    p.chromaFormat = "4:2:0";
    p.progressive = true;
}

void readSequenceExtension(std::span<const std::uint8_t> s, std::size_t at, StreamParameters& p) {
    Bits b(s, at + 4);
    b.skip(4);  // the extension's identifier
    p.profileAndLevel = static_cast<int>(b.read(8));
    p.progressive = b.read(1) == 1;
    p.chromaFormat = chromaName(b.read(2));
    p.width += static_cast<int>(b.read(2)) << 12;
    p.height += static_cast<int>(b.read(2)) << 12;
    b.skip(12 + 1 + 8 + 1);  // bit rate, marker, buffer size, low delay
    const std::uint32_t n = b.read(2);
    const std::uint32_t d = b.read(5);
    if (p.frameRate) *p.frameRate = *p.frameRate * (n + 1) / (d + 1);
}

StreamParameters readMpeg2(std::span<const std::uint8_t> s) {
    StreamParameters p;
    bool header = false;
    bool extension = false;
    forEachStartCode(s, [&](std::size_t at, std::uint8_t code) {
        if (code == 0xB3 && !header) {
            header = true;
            p.kind = 2;
            readSequenceHeader(s, at, p);
        } else if (code == 0xB5 && header && !extension && at + 4 < s.size() &&
                   (s[at + 4] >> 4) == 1) {
            extension = true;
            readSequenceExtension(s, at, p);
        } else if (code == 0x00 && header) {
            Bits b(s, at + 4);
            b.skip(10);  // temporal reference
            ++p.pictures;
            if (b.read(3) == 1) ++p.intraPictures;
        }
    });
    return p;
}

int bitsToWrite(std::uint32_t value) {
    int n = 1;
    while (n < 32 && (value >> n) != 0) ++n;
    return n;
}

void readVideoObjectLayer(std::span<const std::uint8_t> s, std::size_t at, StreamParameters& p) {
    Bits b(s, at + 4);
    b.skip(1);  // random accessible
    p.objectType = static_cast<int>(b.read(8));
    std::uint32_t version = 0;
    if (b.read(1) == 1) {
        version = b.read(4);
        b.skip(3);
    }
    const std::uint32_t aspect = b.read(4);
    static constexpr std::array<const char*, 6> aspects{
        "forbidden", "1:1 pixels", "12:11 pixels", "10:11 pixels", "16:11 pixels", "40:33 pixels"};
    if (aspect == 15) {
        const std::uint32_t w = b.read(8);
        const std::uint32_t h = b.read(8);
        p.aspectRatio = std::to_string(w) + ":" + std::to_string(h) + " pixels";
    } else {
        p.aspectRatio =
            aspect < aspects.size() ? aspects[aspect] : "code " + std::to_string(aspect);
    }
    p.chromaFormat = "4:2:0";
    if (b.read(1) == 1) {  // vol_control_parameters
        p.chromaFormat = chromaName(b.read(2));
        b.skip(1);                       // low delay
        if (b.read(1) == 1) b.skip(79);  // vbv parameters
    }
    const std::uint32_t shape = b.read(2);
    if (shape == 3 && version != 1) b.skip(4);
    b.skip(1);
    const std::uint32_t resolution = b.read(16);
    b.skip(1);
    if (b.read(1) == 1) {  // fixed_vop_rate
        const std::uint32_t increment =
            b.read(bitsToWrite(static_cast<std::uint16_t>(resolution - 1)));
        if (increment > 0) p.frameRate = static_cast<double>(resolution) / increment;
    }
    if (shape != 0) return;  // only a rectangular layer has a size
    b.skip(1);
    p.width = static_cast<int>(b.read(13));
    b.skip(1);
    p.height = static_cast<int>(b.read(13));
    b.skip(1);
    p.progressive = b.read(1) == 0;
}

StreamParameters readMpeg4(std::span<const std::uint8_t> s) {
    StreamParameters p;
    bool layer = false;
    forEachStartCode(s, [&](std::size_t at, std::uint8_t code) {
        if (code == 0xB0 && at + 4 < s.size() && !p.profileAndLevel) {
            p.profileAndLevel = s[at + 4];
        } else if (code >= 0x20 && code <= 0x2F && !layer) {
            layer = true;
            p.kind = 4;
            readVideoObjectLayer(s, at, p);
        } else if (code == 0xB6 && layer) {
            ++p.pictures;
            if (at + 4 < s.size() && (s[at + 4] >> 6) == 0) ++p.intraPictures;
        }
    });
    return p;
}

std::string sizeAndRate(const StreamParameters& p) {
    std::string text = std::to_string(p.width) + "x" + std::to_string(p.height);
    if (p.frameRate) {
        char rate[32];
        std::snprintf(rate, sizeof rate, " at %.2f fps", *p.frameRate);
        text += rate;
    }
    return text;
}

bool sameRate(const std::optional<double>& a, const std::optional<double>& b) {
    if (!a || !b) return true;
    const double d = *a - *b;
    return d < 0.005 && d > -0.005;
}

std::string profileName(int value, int kind) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", value);
    if (kind != 2) return hex;
    const char* profile = nullptr;
    switch ((value >> 4) & 7) {
        case 1:
            profile = "High";
            break;
        case 2:
            profile = "Spatially Scalable";
            break;
        case 3:
            profile = "SNR Scalable";
            break;
        case 4:
            profile = "Main";
            break;
        case 5:
            profile = "Simple";
            break;
        default:
            break;
    }
    const char* level = nullptr;
    switch (value & 15) {
        case 4:
            level = "High";
            break;
        case 6:
            level = "High-1440";
            break;
        case 8:
            level = "Main";
            break;
        case 10:
            level = "Low";
            break;
        default:
            break;
    }
    if (profile == nullptr || level == nullptr || (value & 0x80) != 0) return hex;
    return std::string(profile) + " profile at " + level + " level (" + hex + ")";
}

std::string picturesText(const StreamParameters& p) {
    if (p.pictures == 1 && p.intraPictures == 1) return "one intra picture";
    return std::to_string(p.pictures) + (p.pictures == 1 ? " picture" : " pictures") + ", " +
           std::to_string(p.intraPictures) + " of them intra";
}

}  // namespace

StreamParameters readStreamParameters(std::span<const std::uint8_t> stream, int kind) {
    return kind == 2 ? readMpeg2(stream) : readMpeg4(stream);
}

std::vector<std::string> parameterDifferences(const StreamParameters& stream,
                                              const StreamParameters& picture, int number) {
    std::vector<std::string> lines;
    const std::string other = "picture #" + std::to_string(number);
    if (stream.width != picture.width || stream.height != picture.height ||
        !sameRate(stream.frameRate, picture.frameRate))
        lines.push_back("The new stream is " + sizeAndRate(stream) + "; " + other + " is " +
                        sizeAndRate(picture) + ".");
    const auto compare = [&](const char* what, const std::optional<std::string>& a,
                             const std::optional<std::string>& b) {
        if (a && b && *a != *b)
            lines.push_back(std::string(what) + ": the new stream has " + *a + ", " + other +
                            " has " + *b + ".");
    };
    compare("Aspect ratio", stream.aspectRatio, picture.aspectRatio);
    compare("Chroma format", stream.chromaFormat, picture.chromaFormat);
    if (stream.profileAndLevel && picture.profileAndLevel &&
        *stream.profileAndLevel != *picture.profileAndLevel)
        compare("Profile and level", profileName(*stream.profileAndLevel, stream.kind),
                profileName(*picture.profileAndLevel, picture.kind));
    if (stream.objectType && picture.objectType && *stream.objectType != *picture.objectType)
        compare("Object type", std::to_string(*stream.objectType),
                std::to_string(*picture.objectType));
    if (stream.progressive && picture.progressive && *stream.progressive != *picture.progressive)
        lines.push_back(std::string("Scan: the new stream is ") +
                        (*stream.progressive ? "progressive" : "interlaced") + ", " + other +
                        " is " + (*picture.progressive ? "progressive" : "interlaced") + ".");
    const bool oneIntra = stream.pictures == 1 && stream.intraPictures == 1;
    const bool pictureOneIntra = picture.pictures == 1 && picture.intraPictures == 1;
    if (oneIntra != pictureOneIntra)
        lines.push_back("The new stream holds " + picturesText(stream) + "; " + other + " holds " +
                        picturesText(picture) + ".");
    return lines;
}

}  // namespace velmora
