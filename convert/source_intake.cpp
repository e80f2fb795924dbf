#include "convert/source_intake.h"

namespace velmora {

std::optional<JpegSize> ReadJpegSize(const std::string&) {
    return std::nullopt;
}
bool isJpegSource(const std::string&) {
    return false;
}
std::string sourceFilterFor(int) {
    return {};
}
std::optional<AcceptedSource> openReplacementSource(Session&, Dialogs&) {
    return std::nullopt;
}

}  // namespace velmora
