#include "catalogue/session.h"

#include "firmware/file_io.h"

namespace velmora {

std::string Session::workFile(const std::string& name) const {
    return joinPath(TempDir, name);
}

}  // namespace velmora
