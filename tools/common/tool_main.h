// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::tools {

// The command line was wrong: the message says what, and the tool exits 2.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The work itself failed (missing input, undecodable data, unwritable output): exit 1.
class ToolError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

using ToolBody = std::function<void(const std::vector<std::string>& args)>;

// Runs one tool: "--help" anywhere prints the help text and exits 0; otherwise the
// body runs on the arguments after the program name. Every failure becomes one line
// "name: message" on standard error and a non-zero exit code.
[[nodiscard]] int runTool(std::string_view name, std::string_view help, int argc, char** argv,
                          const ToolBody& body);

// Whole decimal numbers only: "12" is 12, "12x", "", "+-1" are refused.
[[nodiscard]] long parseWholeNumber(const std::string& text, const std::string& what);

// A decimal number such as "25" or "29.97".
[[nodiscard]] double parseDecimal(const std::string& text, const std::string& what);

// The whole content of an input file; ToolError naming the file and the cause when it
// cannot be read (missing, a folder, no permission).
[[nodiscard]] std::vector<std::uint8_t> readInputFile(const std::string& path);

// Writes an output file so that it appears only complete: a tool that fails leaves no
// half-written output behind for the caller to mistake for a result.
void writeOutputFile(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace velmora::tools
