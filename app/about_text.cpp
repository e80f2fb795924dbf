// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/about_text.h"

#include <array>

namespace velmora {

std::string aboutText(const std::string& version) {
    const std::array<std::string, 10> lines = {
        "Velmora " + version + ", background picture editor for DVD player firmware",
        "",
        "  This program allows to replace backgrounds in firmwares of DVD players",
        "based on Zoran Vaddis chips.",
        "  This program uses functionality of some external programs.",
        "I wish to tell thanks authors for good work and possibility of free use of their "
        "programs.",
        "Thanks to the MJPEG Tools team for jpeg2yuv, yuvscaler and mpeg2enc;",
        "to the FFmpeg developers, whose libavcodec decodes for mpeg2decode;",
        "to the Xvid team, whose xvidcore encodes for xvid_encraw;",
        "and to the ImageMagick team, whose library drives the picture converter pvw32con.",
    };
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += '\r';
        text += lines[i];
    }
    return text;
}

}  // namespace velmora
