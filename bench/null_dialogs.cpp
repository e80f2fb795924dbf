#include "bench/null_dialogs.h"

namespace velmora::bench {

std::optional<std::string> NullDialogs::chooseOpenFile(const std::string&) {
    return std::nullopt;
}

std::optional<std::string> NullDialogs::chooseSaveFile(const std::string&, const std::string&) {
    return std::nullopt;
}

}  // namespace velmora::bench
