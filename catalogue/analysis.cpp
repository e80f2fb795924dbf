#include "catalogue/analysis.h"

namespace velmora {

bool analyzeFirmware(Session&, Dialogs&, const std::string&) {
    return false;
}

std::array<std::string, 5> gridRow(const PictureEntry&, int) {
    return {};
}

}  // namespace velmora
