// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace velmora::testing {

// How a tool that stands in for a real one misbehaves.
enum class Misbehaviour {
    Crashes,        // kills itself with SIGSEGV before writing anything
    WritesGarbage,  // writes bytes that are no picture and no stream where its output belongs
    WritesNothing,  // ends "successfully" without writing its output
};

[[nodiscard]] const char* nameOf(Misbehaviour how);

// A tool folder of links to the real tools of VELMORA_TOOL_DIR in which one
// tool is replaced by a small sh script that misbehaves.
class BadToolFolder {
  public:
    BadToolFolder(const std::string& folder, const std::string& tool, Misbehaviour how);

    [[nodiscard]] const std::string& path() const { return folder_; }

  private:
    std::string folder_;
};

// True when every real tool is built in VELMORA_TOOL_DIR.
[[nodiscard]] bool haveRealTools();

}  // namespace velmora::testing
