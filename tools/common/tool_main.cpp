// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/common/tool_main.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <system_error>

#include "firmware/file_io.h"
#include "firmware/io_error.h"
#include "firmware/streamed_file_writer.h"

namespace velmora::tools {

int runTool(std::string_view name, std::string_view help, int argc, char** argv,
            const ToolBody& body) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    for (const auto& arg : args) {
        if (arg == "--help") {
            std::cout << help;
            return 0;
        }
    }
    try {
        body(args);
        return 0;
    } catch (const UsageError& e) {
        std::cerr << name << ": " << e.what() << "\nTry '" << name << " --help'.\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << name << ": " << e.what() << '\n';
        return 1;
    }
}

long parseWholeNumber(const std::string& text, const std::string& what) {
    long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc{} || ptr != end) {
        throw UsageError(what + " must be a whole number, not \"" + text + "\"");
    }
    return value;
}

double parseDecimal(const std::string& text, const std::string& what) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (text.empty() || ec != std::errc{} || ptr != end) {
        throw UsageError(what + " must be a decimal number, not \"" + text + "\"");
    }
    return value;
}

std::vector<std::uint8_t> readInputFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        throw ToolError("cannot read " + path + ": " + std::strerror(errno));
    }
    if (!S_ISREG(st.st_mode)) throw ToolError("cannot read " + path + ": not a regular file");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw ToolError("cannot open " + path + ": " + std::strerror(errno));
    // Read in large pieces into reserved room: a picture may be tens of megabytes.
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    std::vector<std::uint8_t> piece(std::size_t{256} * 1024);
    while (true) {
        const ssize_t n = ::read(fd, piece.data(), piece.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            throw ToolError("cannot read " + path);
        }
        if (n == 0) break;
        bytes.insert(bytes.end(), piece.data(), piece.data() + n);
    }
    ::close(fd);
    return bytes;
}

void writeOutputFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    // Every tool output is a work file the program reads at once and remakes on
    // the next run: written whole and renamed into place, not flushed to the disk.
    try {
        StreamedFileWriter file(path);
        file.append(bytes);
        file.commit();
    } catch (const IoError& e) {
        throw ToolError(e.what());
    }
}

}  // namespace velmora::tools
