// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/flash_records.h"

#include "firmware/file_io.h"

namespace velmora {

std::uint32_t flashPointer(std::uint16_t segment, std::uint32_t offset) {
    return (std::uint32_t{segment} << 16) | (offset & 0xFFFF);
}

std::uint32_t naturalFlashPointer(std::uint32_t address, std::uint32_t segmentBase) {
    return flashPointer(static_cast<std::uint16_t>((address >> 8) + segmentBase), address & 0xFF);
}

std::uint32_t relativePointer(std::uint32_t e, std::uint32_t base, std::uint32_t segmentBase) {
    return ((((e >> 8) - (base >> 8)) << 8) | (e & 0xFF)) | (((base >> 8) + segmentBase) << 16);
}

std::uint32_t anchorPointer(std::uint32_t e, const Anchors& anchors) {
    return ((((e >> 8) - anchors.AnchorPage) << 8) | (e & 0xFF)) |
           (std::uint32_t{anchors.AnchorSegment} << 16);
}

std::int64_t flashAddress(std::uint32_t pointer, std::uint32_t segmentBase) {
    const std::int64_t segment = pointer >> 16;
    const std::int64_t offset = pointer & 0xFFFF;
    return (segment - std::int64_t{segmentBase}) * 256 + offset;
}

std::int64_t flashAddress(std::uint32_t pointer, const Anchors& anchors) {
    const std::uint32_t segment = pointer >> 16;
    if (anchors.AnchorSegment != 0 && segment == anchors.AnchorSegment)
        return std::int64_t{anchors.AnchorPage} * 256 + (pointer & 0xFFFF);
    return flashAddress(pointer, anchors.SegmentBase);
}

std::array<std::uint8_t, 5> sizeRecord(std::uint32_t streamLength) {
    const std::uint32_t n = chunkBytes(streamLength);
    const auto rest = static_cast<std::uint32_t>(n % kSectorSize);
    return {static_cast<std::uint8_t>(n / kSectorSize + 1), 0x00, 0x00,
            static_cast<std::uint8_t>(rest), static_cast<std::uint8_t>(rest >> 8)};
}

bool isUpdateImage(const std::string& firmwarePath) {
    const std::string name = fileNameOf(firmwarePath);
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos) return false;
    std::string extension = name.substr(dot);
    for (char& c : extension)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return extension == ".IMG";
}

}  // namespace velmora
