#include <vector>

#include "catalogue/analysis.h"
#include "firmware/byte_order.h"
#include "firmware/file_io.h"
#include "firmware/io_error.h"
#include "fuzz/fuzz_entries.h"
#include "fuzz/null_dialogs.h"

namespace velmora::fuzz {

int analyseImage(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool storeSwapped = (data[0] & 1) != 0;
    std::vector<std::uint8_t> image(data + 1, data + size);
    if (storeSwapped) {
        if (image.size() % 2 != 0) image.push_back(0);
        image = swapWordBytes(image);
    }
    Session session;
    session.TempDir = workFolder();
    const std::string path = joinPath(workFolder(), "image.bin");
    writeWholeFile(path, image);
    NullDialogs ui;
    try {
        (void)analyzeFirmware(session, ui, path);
    } catch (const IoError&) {
        // A clear refusal is a correct outcome for a malformed image.
    }
    if (session.PictureCount > kMaxPictures) std::abort();
    return 0;
}

}  // namespace velmora::fuzz
