// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/io_error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace velmora {

std::string describeOffset(std::int64_t offset) {
    char text[32];
    if (offset < 0)
        std::snprintf(text, sizeof text, "-0x%08llX", static_cast<unsigned long long>(-offset));
    else
        std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(offset));
    return text;
}

std::string systemCause() {
    return std::strerror(errno);
}

IoError fileOperationError(const std::string& what, const std::string& shownName) {
    return IoError(what + " " + shownName + ": " + systemCause());
}

}  // namespace velmora
