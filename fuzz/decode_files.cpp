// SPDX-License-Identifier: GPL-3.0-or-later
#include <vector>

#include "convert/jpeg_size.h"
#include "firmware/file_io.h"
#include "firmware/io_error.h"
#include "fuzz/fuzz_entries.h"
#include "fuzz/work_folder.h"
#include "media/targa.h"
#include "person/outcome.h"
#include "person/silent_dialogs.h"

namespace velmora::fuzz {

int decodeTga(const std::uint8_t* data, std::size_t size) {
    TargaImage image;
    // A truncated file is a refusal.
    (void)guardIo([&] {
        const bool delivered = decodeTarga(ByteImage("fuzz.tga", {data, data + size}), image);
        if (delivered) {
            const std::size_t bytesPerPixel = image.PixelDepth / 8u;
            if (image.Pixels.size() != std::size_t{image.Width} * image.Height * bytesPerPixel)
                std::abort();
        }
        return Outcome::done();
    });
    return 0;
}

int readJpegHeader(const std::uint8_t* data, std::size_t size) {
    const std::string path = joinPath(workFolder(), "photo.jpg");
    writeWholeFile(path, std::vector<std::uint8_t>(data, data + size));
    (void)ReadJpegSize(path);
    return 0;
}

}  // namespace velmora::fuzz
