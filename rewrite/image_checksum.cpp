// SPDX-License-Identifier: GPL-3.0-or-later
#include "rewrite/image_checksum.h"

#include "firmware/file_io.h"

namespace velmora {

bool isUpdateImage(const std::string& firmwarePath) {
    const std::string name = fileNameOf(firmwarePath);
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos) return false;
    std::string extension = name.substr(dot);
    for (char& c : extension)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return extension == ".IMG";
}

std::uint8_t writeImageChecksum(ByteImage& image) {
    const std::int64_t size = image.size();
    const std::int64_t k = size % 2 == 1 ? 1 : 2;
    image.require(size - k, k, "Write");
    std::uint8_t sum = 0;
    for (const std::uint8_t b : image.view(0, size - k)) sum = static_cast<std::uint8_t>(sum + b);
    for (std::int64_t i = size - k; i < size; ++i) image.put8(i, sum);
    return sum;
}

}  // namespace velmora
