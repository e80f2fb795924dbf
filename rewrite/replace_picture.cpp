#include "rewrite/replace_picture.h"

namespace velmora {

bool replacePicture(Session&, Dialogs&, const JpegConverter&) {
    return false;
}

}  // namespace velmora
