// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/mpeg2_decoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmora {
namespace {

// Paths with blanks and double quotes still reach the decoder as one argument each.
TEST(Mpeg2DecodeCommand, Text) {
    EXPECT_EQ(mpeg2DecodeToolCommand("/opt/t", "/tmp/$mpeg.m2v", "/tmp/$tga").text,
              "\"/opt/t/mpeg2decode\" -b \"/tmp/$mpeg.m2v\" -f -r -o2 \"/tmp/$tga\"");
    EXPECT_EQ(mpeg2DecodeToolCommand("/opt/t", "/a \"b\"", "/c").arguments,
              (std::vector<std::string>{"/opt/t/mpeg2decode", "-b", "/a \"b\"", "-f", "-r", "-o2",
                                        "/c"}));
}

}  // namespace
}  // namespace velmora
