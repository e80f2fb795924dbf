#include "convert/converted_stream.h"

namespace velmora {

std::optional<ConvertedStream> convertJpegToStream(Session&, Dialogs& ui, const PictureEntry&,
                                                   std::int32_t) {
    ui.error("Error!", "Error with target file creation!");
    return std::nullopt;
}

}  // namespace velmora
