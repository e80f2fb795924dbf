#include "tools/common/tool_main.h"

#include <sys/stat.h>

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
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ToolError("cannot open " + path + ": " + std::strerror(errno));
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>()};
    if (in.bad()) throw ToolError("cannot read " + path);
    return bytes;
}

void writeOutputFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    try {
        writeFileAtomically(path, bytes);
    } catch (const IoError& e) {
        throw ToolError(e.what());
    }
}

}  // namespace velmora::tools
