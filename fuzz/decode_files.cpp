#include <vector>

#include "convert/source_intake.h"
#include "firmware/file_io.h"
#include "firmware/io_error.h"
#include "firmware/silent_dialogs.h"
#include "fuzz/fuzz_entries.h"
#include "fuzz/work_folder.h"
#include "media/targa.h"

namespace velmora::fuzz {

int decodeTga(const std::uint8_t* data, std::size_t size) {
    TargaImage image;
    try {
        const bool delivered = decodeTarga(ByteImage("fuzz.tga", {data, data + size}), image);
        if (delivered) {
            const std::size_t bytesPerPixel = image.PixelDepth / 8u;
            if (image.Pixels.size() != std::size_t{image.Width} * image.Height * bytesPerPixel)
                std::abort();
        }
    } catch (const IoError&) {
        // A truncated file is a refusal.
    }
    return 0;
}

int readJpegHeader(const std::uint8_t* data, std::size_t size) {
    const std::string path = joinPath(workFolder(), "photo.jpg");
    writeWholeFile(path, std::vector<std::uint8_t>(data, data + size));
    (void)ReadJpegSize(path);
    return 0;
}

}  // namespace velmora::fuzz
