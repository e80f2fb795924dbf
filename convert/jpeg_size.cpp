// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/jpeg_size.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <optional>

#include "firmware/file_descriptor.h"
#include "firmware/file_io.h"
#include "firmware/io_error.h"

namespace velmora {
namespace {

inline constexpr std::uint8_t kMarkerPrefix = 0xFF;
inline constexpr std::uint8_t kStartOfImage = 0xD8;
inline constexpr std::uint8_t kBaselineFrame = 0xC0;  // SOF0

// Reads a JPEG file at explicit offsets. A read that would go past the end
// gives nothing (the walk then fails); only a failing system call throws.
class JpegFile {
  public:
    explicit JpegFile(const std::string& path) : path_(path), file_(openRegularFile(path)) {}

    [[nodiscard]] std::int64_t size() const { return file_.size; }

    [[nodiscard]] std::optional<std::uint8_t> u8(std::int64_t offset) const {
        std::uint8_t b[1];
        if (!read(offset, b, 1)) return std::nullopt;
        return b[0];
    }

    // Big-endian, as every 16-bit value of a JPEG header.
    [[nodiscard]] std::optional<std::uint16_t> u16(std::int64_t offset) const {
        std::uint8_t b[2];
        if (!read(offset, b, 2)) return std::nullopt;
        return static_cast<std::uint16_t>(b[0] << 8 | b[1]);
    }

  private:
    bool read(std::int64_t offset, std::uint8_t* out, std::int64_t n) const {
        if (offset < 0 || offset > file_.size || n > file_.size - offset) return false;
        std::int64_t done = 0;
        while (done < n) {
            const ssize_t got =
                ::pread(file_.fd.get(), out + done, static_cast<std::size_t>(n - done),
                        static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) fail("Cannot read");
            if (got == 0) return false;  // the file shrank: as past the end
            done += got;
        }
        return true;
    }

    [[noreturn]] void fail(const char* what) const {
        throw fileOperationError(what, fileNameOf(path_));
    }

    std::string path_;
    RegularFile file_;
};

}  // namespace

std::optional<JpegSize> ReadJpegSize(const std::string& path) {
    const JpegFile file(path);
    const auto soi0 = file.u8(0);
    const auto soi1 = file.u8(1);
    if (!soi0 || !soi1 || *soi0 != kMarkerPrefix || *soi1 != kStartOfImage) return std::nullopt;
    // The first segment after the start of image is skipped whatever its
    // marker, but its two marker bytes must still be there.
    if (!file.u16(2)) return std::nullopt;
    std::int64_t p = 4;
    auto length = file.u16(p);
    if (!length) return std::nullopt;
    while (p < file.size()) {
        const std::int64_t m = p + *length;
        if (m >= file.size()) return std::nullopt;
        const auto prefix = file.u8(m);
        const auto code = file.u8(m + 1);
        if (!prefix || *prefix != kMarkerPrefix || !code) return std::nullopt;
        if (*code == kBaselineFrame) {
            const auto height = file.u16(m + 5);
            const auto width = file.u16(m + 7);
            if (!height || !width) return std::nullopt;
            return JpegSize{*width, *height};
        }
        p = m + 2;
        length = file.u16(p);
        if (!length) return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace velmora
