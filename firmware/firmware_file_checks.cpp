// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/firmware_file_checks.h"

#include <sys/stat.h>
#include <unistd.h>

#include "firmware/file_io.h"

namespace velmora {

std::optional<std::string> firmwareFileProblem(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    const std::string name = fileNameOf(path);
    if (S_ISDIR(st.st_mode)) return name + " is a folder, not a firmware file.";
    if (!S_ISREG(st.st_mode)) return std::nullopt;
    if (st.st_size == 0) return name + " is empty: it holds no firmware.";
    if (st.st_size < kSmallestFirmware)
        return name + " is too small to be a firmware dump (" + std::to_string(st.st_size) +
               " bytes).";
    if (st.st_size >= kLargestFirmware)
        return name + " is too large to be a firmware dump (" + std::to_string(st.st_size) +
               " bytes): the offsets of these firmware formats are 32-bit, so a firmware file "
               "is smaller than 4 GiB.";
    return std::nullopt;
}

std::optional<std::string> readOnlyProblem(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;  // reported when it is read
    if ((st.st_mode & S_IWUSR) == 0 || ::access(path.c_str(), W_OK) != 0)
        return "The firmware file " + fileNameOf(path) +
               " is read-only. Nothing was written; make it writable to replace a picture in it.";
    return std::nullopt;
}

}  // namespace velmora

namespace velmora {

int otherNamesOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink < 2) return 0;
    return static_cast<int>(st.st_nlink - 1);
}

}  // namespace velmora
